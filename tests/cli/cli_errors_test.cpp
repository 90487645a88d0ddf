// The command line itself, a missing or empty program folder, the help texts, and
// failures of the data service: exit codes, one line naming what was wrong, nothing
// stored.

#include <gtest/gtest.h>

#include "cli/cli_fixture.h"
#include "settings/ini_file.h"
#include "store/store_layout.h"
#include "text/cp932.h"
#include "text/file_io.h"

namespace tidemark::testing {
namespace {

using cli::ExitCode;

TEST(CliCommandLine, BadCommandsAndOptionsAreUsageErrors)
{
    TempDir home;
    struct Case {
        std::vector<std::string> args;
        const char* inMessage;
    };
    const std::vector<Case> cases{
        {{}, "no command"},
        {{"dance"}, "unknown command dance"},
        {{"days", "--kind", "0"}, "days takes no option --kind"},
        {{"days", "--colour", "red"}, "unknown option --colour"},
        {{"days", "20240112"}, "too many arguments"},
        {{"races"}, "missing argument of races"},
        {{"csv", "20240112", "--kind"}, "--kind needs a value"},
        {{"csv", "20240112", "--kind", "0", "--kind", "1"}, "given twice"},
        {{"--encoding", "latin1", "days"}, "--encoding"},
        {{"help", "dance"}, "unknown command dance"},
    };
    for (const Case& c : cases) {
        const CliRun r = runCli(home.path(), c.args);
        EXPECT_EQ(r.code, ExitCode::Usage) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(outputLines(r.err).size(), 1u) << r.err;
        EXPECT_NE(r.err.find(c.inMessage), std::string::npos) << r.err;
    }
    EXPECT_TRUE(std::filesystem::is_empty(home.path()));
}

TEST(CliCommandLine, HelpListsEveryCommandAndTheExitCodes)
{
    TempDir home;
    const CliRun help = runCli(home.path(), {"--help"}, false);
    EXPECT_EQ(help.code, ExitCode::Ok);
    for (const char* command : {"import", "odds", "results", "days", "races", "times", "csv", "table"})
        EXPECT_NE(help.out.find(std::string("tidemark2nv ") + command), std::string::npos) << command;
    EXPECT_NE(help.out.find("exit codes:"), std::string::npos);
    EXPECT_NE(help.out.find("  4  unknown day or race"), std::string::npos);

    const CliRun csv = runCli(home.path(), {"csv", "--help"});
    EXPECT_EQ(csv.code, ExitCode::Ok);
    EXPECT_TRUE(csv.out.starts_with("tidemark2nv csv DAY --kind 0|1|2")) << csv.out;
    EXPECT_EQ(runCli(home.path(), {"help", "times"}).out, runCli(home.path(), {"times", "-h"}).out);
    EXPECT_TRUE(std::filesystem::is_empty(home.path()));
}

TEST(CliProgramFolder, MissingFolderIsNamedAndNotMade)
{
    TempDir parent;
    const auto missing = parent / "nowhere";
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"days"}, {"import"}, {"races", "20240112"}}) {
        const CliRun r = runCli(missing, args);
        EXPECT_EQ(r.code, ExitCode::NoProgramFolder);
        EXPECT_NE(r.err.find("program folder " + missing.string() + " does not exist"), std::string::npos) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST(CliProgramFolder, EmptyFolderHasNoDays)
{
    TempDir home;
    const CliRun days = runCli(home.path(), {"days"});
    EXPECT_EQ(days.code, ExitCode::Ok);
    EXPECT_EQ(days.out, "");
    EXPECT_EQ(runCli(home.path(), {"races", "20240112"}).code, ExitCode::NotFound);
    EXPECT_EQ(runCli(home.path(), {"odds", "--year", "2024"}).code, ExitCode::NotFound);
    EXPECT_FALSE(std::filesystem::exists(home / "Data"));
}

TEST(CliService, ServiceErrorsEndWithoutStoringAnything)
{
    struct Case {
        const char* fault;
        const char* inMessage;
    };
    for (const Case c : {Case{"Call=NVOpen\r\nCode=-301\r\n", "NVOpenエラー:"},
                         Case{"Call=NVInit\r\nCode=-101\r\n", "NVInitエラーが発生しました。：-101"},
                         Case{"Call=NVStatus\r\nCode=-502\r\n", "JVStatusエラー:"}}) {
        TempDir home;
        writeSimWorld(home.path(), std::string("[Fault1]\r\n") + c.fault + "At=1\r\nCount=1\r\n");
        const CliRun r = runCli(home.path(), {"import", "--since", "2024/01/01 00:00:00"});
        EXPECT_EQ(r.code, ExitCode::Service) << c.fault << r.err;
        EXPECT_NE(r.err.find(c.inMessage), std::string::npos) << r.err;
        EXPECT_TRUE(store::StoreLayout(home.path()).dayFiles().empty());
        const IniFile ini(home / "Tidemark2NV.ini");
        EXPECT_EQ(ini.readString("NvDataGet", "LastTime", "none"), "none");
    }
}

TEST(CliService, OddsRequestsThatFailKeepNoFile)
{
    TempDir home;
    writeSimWorld(home.path());
    ASSERT_EQ(runCli(home.path(), {"import", "--since", "2024/01/01 00:00:00"}).code, ExitCode::Ok);
    writeSimWorld(home.path(), "[Fault1]\r\nCall=NVRTOpen\r\nCode=-201\r\nAt=1\r\nCount=1000\r\n");
    const CliRun r = runCli(home.path(), {"odds", "20240112"});
    EXPECT_EQ(r.code, ExitCode::Service) << r.err;
    EXPECT_NE(r.err.find("NVRTOpenエラー:"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(store::StoreLayout(home.path()).oddsFolder("20240112")));

    // A whole year runs every stored day of it, and says so, errors or not.
    const CliRun year = runCli(home.path(), {"odds", "--year", "2024"});
    EXPECT_EQ(year.code, ExitCode::Service) << year.err;
    // No race came in: no day is counted as imported.
    EXPECT_NE(year.err.find("0日分のオッズを取り込みました。"), std::string::npos) << year.err;
    EXPECT_NE(year.err.find("オッズが揃わなかった日:1日"), std::string::npos) << year.err;
    EXPECT_FALSE(std::filesystem::exists(store::StoreLayout(home.path()).oddsFolder("20240112")));
}

TEST(CliService, ResultsFetchOnAHomeWithoutErrorLogReportsTheServiceError)
{
    TempDir home;
    writeSimWorld(home.path());
    ASSERT_EQ(runCli(home.path(), {"import", "--since", "2024/01/01 00:00:00"}).code, ExitCode::Ok);
    // The acquisition made the log the window would have made at its start, and left it empty.
    std::string log = "unread";
    ASSERT_TRUE(text::tryReadFile(home / "ErrorLog.txt", log));
    EXPECT_EQ(log, "");

    // A store filled elsewhere, with no log beside it: the service error is what is reported.
    std::filesystem::remove(home / "ErrorLog.txt");
    writeSimWorld(home.path(), "[Fault1]\r\nCall=NVRTOpen\r\nCode=-201\r\nAt=1\r\nCount=1000\r\n");
    const CliRun r = runCli(home.path(), {"results", "20240112"});
    EXPECT_EQ(r.code, ExitCode::Service) << r.err;
    EXPECT_EQ(r.err.find("No such file"), std::string::npos) << r.err;
    ASSERT_TRUE(text::tryReadFile(home / "ErrorLog.txt", log));
    EXPECT_NE(text::toUtf8(log).find("【エラー】"), std::string::npos) << text::toUtf8(log);

    // An existing log is kept whole: the next failure adds its line below the first.
    const CliRun again = runCli(home.path(), {"results", "20240112"});
    EXPECT_EQ(again.code, ExitCode::Service) << again.err;
    std::string after;
    ASSERT_TRUE(text::tryReadFile(home / "ErrorLog.txt", after));
    EXPECT_TRUE(after.starts_with(log)) << text::toUtf8(after);
    EXPECT_GT(after.size(), log.size());
}

} // namespace
} // namespace tidemark::testing
