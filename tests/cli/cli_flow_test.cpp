// The tool end to end against the simulated service: import, odds, results, the
// inspection commands and the export, in one program folder built once.

#include <gtest/gtest.h>

#include <memory>

#include "analysis/snapshot_series.h"
#include "cli/cli_fixture.h"
#include "nvsim/sim_nv_link_factory.h"
#include "records/record_view.h"
#include "results/specific_time_export.h"
#include "settings/ini_file.h"
#include "store/record_reader.h"
#include "store/store_layout.h"
#include "support/recording_host.h"
#include "text/cp932.h"
#include "text/file_io.h"

namespace tidemark::testing {
namespace {

using cli::ExitCode;
using text::sj;
using text::toUtf8;

class CliFlowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_home = new TempDir;
        // A program folder with a Japanese name, as under a Windows user folder that has one:
        // every command of the flow finds and writes its files there.
        s_homePath = new std::filesystem::path(s_home->path() / text::pathFromUtf8("競馬 ユーザー"));
        std::filesystem::create_directory(home());
        writeSimWorld(home());
        s_import = new CliRun(runCli(home(), {"import", "--since", "2024/01/01 00:00:00"}));
        s_beforeOdds = new CliRun(runCli(home(), {"times", "20240112", "1"}));
        s_odds = new CliRun(runCli(home(), {"odds", "20240112"}));
    }
    static void TearDownTestSuite()
    {
        delete s_odds;
        delete s_beforeOdds;
        delete s_import;
        delete s_homePath;
        delete s_home;
    }

    static const std::filesystem::path& home() { return *s_homePath; }
    static store::StoreLayout layout() { return store::StoreLayout(home()); }
    static std::vector<std::string> raceCards()
    {
        return store::readLines(layout().raFile(sj("2024年01月12日")), store::StoreKind::RA);
    }

    static TempDir* s_home;
    static std::filesystem::path* s_homePath;
    static CliRun* s_import;
    static CliRun* s_beforeOdds;
    static CliRun* s_odds;
};

TempDir* CliFlowTest::s_home = nullptr;
std::filesystem::path* CliFlowTest::s_homePath = nullptr;
CliRun* CliFlowTest::s_import = nullptr;
CliRun* CliFlowTest::s_beforeOdds = nullptr;
CliRun* CliFlowTest::s_odds = nullptr;

TEST_F(CliFlowTest, ImportFillsTheStoreReportsProgressAndMovesLastTime)
{
    ASSERT_EQ(s_import->code, ExitCode::Ok) << s_import->err;
    EXPECT_EQ(s_import->out, "");
    EXPECT_NE(s_import->err.find("ダウンロード中．．．("), std::string::npos) << s_import->err;
    EXPECT_NE(s_import->err.find("データ作成が完了しました。"), std::string::npos);
    EXPECT_FALSE(raceCards().empty());
    const IniFile ini(home() / "Tidemark2NV.ini");
    EXPECT_GT(ini.readString("NvDataGet", "LastTime", ""), "2024/01/12 00:00:00");

    // From LastTime on nothing is newer: no failure, nothing changed.
    const auto before = text::readFile(layout().raFile(sj("2024年01月12日")));
    const CliRun again = runCli(home(), {"import"});
    EXPECT_EQ(again.code, ExitCode::Ok) << again.err;
    EXPECT_NE(again.err.find("最新のデータがありません。"), std::string::npos);
    EXPECT_EQ(text::readFile(layout().raFile(sj("2024年01月12日"))), before);
}

TEST_F(CliFlowTest, DaysAndRacesAsTheListsShowThem)
{
    const CliRun days = runCli(home(), {"days"});
    EXPECT_EQ(days.code, ExitCode::Ok);
    EXPECT_EQ(days.out, "2024年01月12日\n");
    const CliRun cp932 = runCli(home(), {"--encoding", "cp932", "days"});
    EXPECT_EQ(cp932.out, sj("2024年01月12日") + "\n");

    const CliRun races = runCli(home(), {"races", "20240112"});
    ASSERT_EQ(races.code, ExitCode::Ok) << races.err;
    const auto lines = outputLines(races.out);
    const auto cards = raceCards();
    ASSERT_EQ(lines.size(), cards.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const records::RecordView ra(cards[i]);
        EXPECT_TRUE(lines[i].starts_with(std::to_string(i + 1) + "\t")) << lines[i];
        EXPECT_TRUE(lines[i].ends_with(std::to_string(ra.raceNumber()) + "R")) << lines[i];
    }
    // The day label names the same day; a race without odds says nothing more.
    const CliRun byLabel = runCli(home(), {"races", "2024年01月12日"});
    EXPECT_EQ(byLabel.out, races.out);
    EXPECT_EQ(races.err, "");
}

TEST_F(CliFlowTest, TimesListTheSnapshotsAfterTheOddsImport)
{
    ASSERT_EQ(s_beforeOdds->code, ExitCode::Ok);
    EXPECT_EQ(s_beforeOdds->out, "");
    EXPECT_NE(s_beforeOdds->err.find("当レースはオッズが未取得です。"), std::string::npos);

    ASSERT_EQ(s_odds->code, ExitCode::Ok) << s_odds->err;
    EXPECT_NE(s_odds->err.find("エラー発生Rはありませんでした。"), std::string::npos) << s_odds->err;

    const auto cards = raceCards();
    const CliRun times = runCli(home(), {"times", "20240112", "1"});
    ASSERT_EQ(times.code, ExitCode::Ok) << times.err;
    const auto lines = outputLines(times.out);
    ASSERT_FALSE(lines.empty());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_TRUE(lines[i].starts_with("01/12 ")) << lines[i];
        if (i > 0) {
            EXPECT_LT(lines[i - 1], lines[i]);
        }
    }
    // The newest announcement of the race's odds file closes the list.
    const auto o1 = store::readLines(*layout().fileOf(store::StoreKind::O1, cards.front()), store::StoreKind::O1);
    ASSERT_FALSE(o1.empty());
    EXPECT_EQ(toUtf8(analysis::timeListText(o1.back())), lines.back());

    // track-code:race-number names the same race.
    const records::RecordView first(cards.front());
    const std::string byCode = std::string(first.trackCode()) + ":" + std::to_string(first.raceNumber());
    EXPECT_EQ(runCli(home(), {"times", "20240112", byCode}).out, times.out);
}

TEST_F(CliFlowTest, CsvWritesTheFourFilesOfTheEngineExport)
{
    ASSERT_EQ(s_odds->code, ExitCode::Ok);
    TempDir out;
    const CliRun csv = runCli(home(), {"csv", "20240112", "--kind", "0", "--time", "1300", "--what", "popularity",
                                       "--out", (out / "sub").string()});
    ASSERT_EQ(csv.code, ExitCode::Ok) << csv.err;
    const auto paths = outputLines(csv.out);
    ASSERT_EQ(paths.size(), 4u);
    EXPECT_EQ(std::filesystem::path(paths[0]), out / "sub" / "TAN20240112NIN.CSV");
    EXPECT_EQ(std::filesystem::path(paths[3]), out / "sub" / "UMA20240112NIN.CSV");

    // Byte for byte what the export writes for the same day and choice.
    results::ExportDay day;
    day.slotRaceCards = raceCards();
    day.listedRaces = day.slotRaceCards.size();
    results::ExportChoice choice;
    choice.moment = {results::MomentKind::RaceDayClock, 13, 0, 10};
    choice.item = results::ExportItem::Popularity;
    RecordingHost host;
    TempDir expected;
    const auto result = results::runSpecificTimeExport(layout(), day, choice, host, expected.path());
    ASSERT_TRUE(result.succeeded());
    for (const auto& file : result.written) {
        EXPECT_EQ(text::readFile(out / "sub" / file.filename()), text::readFile(file)) << file;
    }
    EXPECT_GT(result.dataLines[0], 0);

    // Without --out the files go to the program's CSV folder; the settings of the
    // window's last choice are the defaults.
    IniFile ini(home() / "Tidemark2NV.ini");
    ini.writeInteger("CSVTime", "b4hasso", 7);
    const CliRun defaults = runCli(home(), {"csv", "20240112", "--kind", "2"});
    ASSERT_EQ(defaults.code, ExitCode::Ok) << defaults.err;
    EXPECT_TRUE(std::filesystem::exists(layout().csvFolder() / "TAN20240112OZ.CSV"));
    choice = {};
    choice.moment.kind = results::MomentKind::BeforePost;
    choice.moment.minutesBeforePost = 7;
    TempDir expected7;
    results::runSpecificTimeExport(layout(), day, choice, host, expected7.path());
    EXPECT_EQ(text::readFile(layout().csvFolder() / "TAN20240112OZ.CSV"),
              text::readFile(expected7 / "TAN20240112OZ.CSV"));
}

TEST_F(CliFlowTest, ResultsFetchOfAStoredDay)
{
    const CliRun results = runCli(home(), {"results", "20240112"});
    EXPECT_EQ(results.code, ExitCode::Ok) << results.err;
    EXPECT_NE(results.err.find("払戻データ取得中"), std::string::npos);
    EXPECT_EQ(runCli(home(), {"results", "20240113"}).code, ExitCode::NotFound);
}

TEST_F(CliFlowTest, UnknownDayRaceOrMalformedArgumentsWriteNothing)
{
    TempDir out;
    const std::string outDir = (out / "csv").string();
    struct Case {
        std::vector<std::string> args;
        ExitCode code;
        const char* inMessage;
    };
    const std::vector<Case> cases{
        {{"races", "20240113"}, ExitCode::NotFound, "unknown day 20240113"},
        {{"races", "2024年01月13日"}, ExitCode::NotFound, "unknown day"},
        {{"times", "20240112", "0"}, ExitCode::NotFound, "unknown race 0"},
        {{"times", "20240112", "99"}, ExitCode::NotFound, "unknown race 99"},
        {{"times", "20240112", "99:1"}, ExitCode::NotFound, "unknown race 99:1"},
        {{"times", "20240112", "44:x"}, ExitCode::Usage, "malformed race"},
        {{"times", "20240112", "R1"}, ExitCode::Usage, "malformed race"},
        {{"times", "20240112"}, ExitCode::Usage, "missing argument"},
        {{"csv", "20240112", "--out", outDir}, ExitCode::Usage, "--kind"},
        {{"csv", "20240112", "--kind", "3", "--out", outDir}, ExitCode::Usage, "--kind 3"},
        {{"csv", "20240112", "--kind", "0", "--time", "2460", "--out", outDir}, ExitCode::Usage, "--time 2460"},
        {{"csv", "20240112", "--kind", "0", "--time", "930", "--out", outDir}, ExitCode::Usage, "--time 930"},
        {{"csv", "20240112", "--kind", "2", "--minutes", "2", "--out", outDir}, ExitCode::Usage, "--minutes 2"},
        {{"csv", "20240112", "--kind", "0", "--what", "votes", "--out", outDir}, ExitCode::Usage, "--what votes"},
        {{"csv", "20240113", "--kind", "0", "--out", outDir}, ExitCode::NotFound, "unknown day"},
        {{"import", "--since", "2024/13/01 00:00:00"}, ExitCode::Usage, "--since"},
        {{"odds", "20240112", "--month", "202401"}, ExitCode::Usage, "one of"},
        {{"odds", "--month", "202413"}, ExitCode::Usage, "--month 202413"},
        {{"odds", "--month", "202402"}, ExitCode::NotFound, "202402"},
        {{"odds", "--year", "24"}, ExitCode::Usage, "--year 24"},
    };
    const auto before = text::readFile(layout().raFile(sj("2024年01月12日")));
    for (const Case& c : cases) {
        const CliRun r = runCli(home(), c.args);
        EXPECT_EQ(r.code, c.code) << c.args.back() << "\n" << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(outputLines(r.err).size(), 1u) << r.err;
        EXPECT_NE(r.err.find(c.inMessage), std::string::npos) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(outDir));
    EXPECT_EQ(text::readFile(layout().raFile(sj("2024年01月12日"))), before);
}

} // namespace
} // namespace tidemark::testing
