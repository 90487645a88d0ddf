// The season commands of the tool: export, backtest and csv over a range, on the small
// season of tests/analytics/season_store_fixture.h; what they print, what they write,
// and how they refuse.

#include <gtest/gtest.h>

#include <memory>

#include "analytics/season_store_fixture.h"
#include "analytics/sqlite_reader.h"
#include "cli/cli_fixture.h"
#include "text/cp932.h"
#include "text/file_io.h"
#include "text/file_lock.h"

namespace tidemark::testing {
namespace {

using cli::ExitCode;

class CliSeasonTest : public ::testing::Test {
protected:
    SeasonStore season;
    const std::filesystem::path& home() const { return season.dir.path(); }
    CliRun run(std::vector<std::string> args) { return runCli(home(), std::move(args)); }
};

TEST_F(CliSeasonTest, ExportWritesTheRangeAndSaysWhatItWrote)
{
    const std::filesystem::path db = home() / "out" / "season.db";
    std::filesystem::create_directories(db.parent_path());
    const CliRun r = run({"export", "--from", "20240101", "--to", "20240102", "--out", db.string()});
    ASSERT_EQ(r.code, ExitCode::Ok) << r.err;
    EXPECT_EQ(r.out, db.string() + "\ndays\t2\nraces\t3\nrunners\t26\nwin_place\t74\npayouts\t14\nskipped_lines\t0\n");
    EXPECT_NE(r.err.find("2024年01月02日 (2/2 days done): 3 races, 117 rows"), std::string::npos) << r.err;
    EXPECT_EQ(sqlValue(db, "SELECT count(*) FROM win_place"), "74");
    EXPECT_EQ(sqlValue(db, "SELECT range_to FROM meta"), "2024-01-02");

    // The default file is season.sqlite in the program folder; --tables chooses.
    const CliRun q = run({"export", "--from", "20240101", "--to", "20240101", "--tables", "quinella,races"});
    ASSERT_EQ(q.code, ExitCode::Ok) << q.err;
    EXPECT_EQ(sqlValue(home() / "season.sqlite", "SELECT count(*) FROM quinella"), "3");
    EXPECT_EQ(sqlValue(home() / "season.sqlite", "SELECT tables FROM meta"), "races,quinella");
}

TEST_F(CliSeasonTest, CsvExportForExcelWithAByteOrderMarkOrForSpreadsheetsInCp932)
{
    const std::filesystem::path folder = home() / "tables";
    const std::vector<std::string> races{"export", "--from", "20240101", "--to", "20240101", "--format", "csv",
                                         "--out", folder.string(), "--tables", "races"};
    const std::string row = "2024010144030101,2024-01-01,44,大井,3,1,1,テスト記念,10:15,2024-01-01 10:15,1200,24,";
    ASSERT_EQ(run(races).code, ExitCode::Ok);
    EXPECT_TRUE(text::readFile(folder / "races.csv").starts_with("\xEF\xBB\xBFrace_key,"));

    std::vector<std::string> plain = races;
    plain.push_back("--no-bom");
    ASSERT_EQ(run(plain).code, ExitCode::Ok);
    EXPECT_TRUE(text::readFile(folder / "races.csv").starts_with("race_key,"));

    std::vector<std::string> cp932 = races;
    cp932.insert(cp932.begin(), {"--encoding", "cp932"});
    const CliRun r = run(cp932);
    ASSERT_EQ(r.code, ExitCode::Ok) << r.err;
    const std::string bytes = text::readFile(folder / "races.csv");
    EXPECT_TRUE(bytes.starts_with("race_key,"));
    EXPECT_NE(bytes.find("\r\n" + text::sj(row)), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(folder / "runners.csv"));

    // A folder that cannot be made fails as an export's destination does.
    text::writeFileAtomic(home() / "blocked", "a file");
    std::vector<std::string> blocked = races;
    blocked[8] = (home() / "blocked" / "tables").string();
    const CliRun no = run(blocked);
    EXPECT_EQ(no.code, ExitCode::Database) << no.err;
    EXPECT_NE(no.err.find("blocked"), std::string::npos) << no.err;
}

TEST_F(CliSeasonTest, ExportRefusals)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> usage{
        {{"export", "--from", "20240101"}, "give both --from"},
        {{"export", "--from", "20240102", "--to", "20240101"}, "lies before --from"},
        {{"export", "--from", "20240132", "--to", "20240201"}, "malformed --from"},
        {{"export", "--from", "20240101", "--to", "20240102", "--tables", "races,odds"}, "unknown table odds"},
        {{"export", "--from", "20240101", "--to", "20240102", "--format", "parquet"}, "malformed --format"},
        {{"export", "--from", "20240101", "--to", "20240102", "--dsn", "dbname=x"}, "--dsn is for --format postgres"},
#if TIDEMARK_TEST_POSTGRES
        {{"export", "--from", "20240101", "--to", "20240102", "--format", "postgres", "--out", "x"}, "not to --out"},
#else
        {{"export", "--from", "20240101", "--to", "20240102", "--format", "postgres", "--out", "x"},
         "postgres is not available in this build"},
#endif
        {{"--encoding", "cp932", "export", "--from", "20240101", "--to", "20240102"}, "is for --format csv"},
        {{"export", "--from", "20240101", "--to", "20240102", "--no-bom"}, "--no-bom is for --format csv"},
        {{"export", "--from", "20240101", "--to", "20240102", "--no-bom=1"}, "takes no value"},
        {{"export", "--from", "20240101", "--to", "20240102", "--wait", "3601"}, "malformed --wait 3601"},
    };
    for (const auto& [args, message] : usage) {
        const CliRun r = run(args);
        EXPECT_EQ(r.code, ExitCode::Usage) << args.back();
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    }
    const CliRun none = run({"export", "--from", "20240103", "--to", "20240104"});
    EXPECT_EQ(none.code, ExitCode::NotFound);
    EXPECT_NE(none.err.find("no stored day between 2024-01-03 and 2024-01-04"), std::string::npos) << none.err;
    EXPECT_FALSE(std::filesystem::exists(home() / "season.sqlite"));

    // A server that is not there; a build without libpq (Windows) says so instead.
    const CliRun pg = run({"export", "--from", "20240101", "--to", "20240102", "--format", "postgres", "--dsn",
                           "host=" + (home() / "nowhere").string() + " port=1 connect_timeout=2"});
#if TIDEMARK_TEST_POSTGRES
    EXPECT_EQ(pg.code, ExitCode::Database) << pg.err;
    EXPECT_NE(pg.err.find("PostgreSQL"), std::string::npos) << pg.err;
#else
    EXPECT_EQ(pg.code, ExitCode::Usage) << pg.err;
    EXPECT_NE(pg.err.find("postgres is not available in this build"), std::string::npos) << pg.err;
#endif
}

TEST_F(CliSeasonTest, AnExportIntoAFileAnotherHoldsWaitsThenRefuses)
{
    const std::filesystem::path db = home() / "season.sqlite";
    text::FileLock held = text::FileLock::tryTake(home() / "season.sqlite.lock", "an export (process 77, since 11:58)");
    ASSERT_TRUE(held.held());
    const CliRun r = run({"export", "--from", "20240101", "--to", "20240102", "--wait", "1"});
    EXPECT_EQ(r.code, ExitCode::Database) << r.err;
    EXPECT_NE(r.err.find("waiting for an export (process 77, since 11:58) to finish (at most 1 s)"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find(db.string() + ": an export (process 77, since 11:58) is writing into it; try again when it "
                                       "has finished"),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(std::filesystem::exists(db) && std::filesystem::file_size(db) > 0);
    held.release();
    EXPECT_EQ(run({"export", "--from", "20240101", "--to", "20240102", "--wait", "0"}).code, ExitCode::Ok);
}

TEST_F(CliSeasonTest, CtrlCKeepsTheDaysFinishedAndSaysSo)
{
    // Ctrl-C as the listener sees it after the first day.
    auto afterCalls = [](int calls) {
        return [calls] {
            auto seen = std::make_shared<int>(0);
            return std::function<bool()>([seen, calls] { return ++*seen > calls; });
        };
    };
    const std::filesystem::path db = home() / "season.sqlite";
    const CliRun r = runCli(home(), {"export", "--from", "20240101", "--to", "20240102"}, true, afterCalls(2));
    EXPECT_EQ(r.code, ExitCode::Interrupted) << r.err;
    EXPECT_EQ(outputLines(r.out)[1], "days\t1");
    EXPECT_NE(r.err.find("interrupted: 1 of 2 day(s) kept (2024年01月01日 .. 2024年01月01日), 2024年01月02日 left as it "
                         "was, the indexes built"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(sqlValue(db, "SELECT group_concat(DISTINCT day) FROM races"), "2024-01-01");
    EXPECT_EQ(sqlValue(db, "SELECT count(*) FROM sqlite_master WHERE name = 'races_day'"), "1");

    // The CSV files appear whole or not at all.
    const std::filesystem::path folder = home() / "tables";
    const CliRun csv = runCli(home(), {"export", "--from", "20240101", "--to", "20240102", "--format", "csv", "--out",
                                       folder.string()},
                              true, afterCalls(2));
    EXPECT_EQ(csv.code, ExitCode::Interrupted) << csv.err;
    EXPECT_NE(csv.err.find("interrupted: no file was written, the folder is as it was"), std::string::npos) << csv.err;
    EXPECT_TRUE(std::filesystem::is_empty(folder));
}

TEST_F(CliSeasonTest, BacktestPrintsTheSummaryTheSplitsAndTheBets)
{
    const std::filesystem::path bets = home() / "bets.csv";
    const CliRun r = run({"backtest", "--from", "20240101", "--to", "20240102", "--rule", "popularity:2", "--bet",
                          "place", "--csv", bets.string()});
    ASSERT_EQ(r.code, ExitCode::Ok) << r.err;
    const std::vector<std::string> lines = outputLines(r.out);
    ASSERT_EQ(lines.size(), 24u);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 17),
              (std::vector<std::string>{
                  "rule\tpopularity:2",
                  "range\t2024-01-01 .. 2024-01-02 (2 days)",
                  "bet\tplace, 100 yen at the latest announcement 5 minutes or more before the post",
                  "races\t3",
                  "races examined\t2",
                  "skipped\t0 without odds, 1 without a result, 0 without an announcement by the bet moment",
                  "races with a bet\t2",
                  "bets\t2",
                  "hits\t2",
                  "refunds\t0",
                  "strike rate\t100.0%",
                  "stake\t200",
                  "return\t340",
                  "roi\t70.0%",
                  "roi 95% interval\t30.0% .. 110.0% (bootstrap over the races, fixed seed)",
                  "",
                  "by track",
              }));
    EXPECT_EQ(lines[18], "大井\t1\t1\t1\t100.0%\t100\t210\t110.0%");
    EXPECT_EQ(lines[19], "川崎\t1\t1\t1\t100.0%\t100\t130\t30.0%");
    EXPECT_EQ(lines[23], "2-3\t2\t2\t2\t100.0%\t200\t340\t70.0%");
    EXPECT_EQ(outputLines(text::readFile(bets)).size(), 3u);
    EXPECT_NE(r.err.find("2 bets written to"), std::string::npos);

    const std::vector<std::pair<std::vector<std::string>, std::string>> usage{
        {{"backtest", "--from", "20240101", "--to", "20240102"}, "needs --rule"},
        {{"backtest", "--from", "20240101", "--to", "20240102", "--rule", "hunch"}, "unknown rule hunch"},
        {{"backtest", "--from", "20240101", "--to", "20240102", "--rule", "steam:5"}, "steam:P:W needs"},
        {{"backtest", "--from", "20240101", "--to", "20240102", "--rule", "favourite", "--bet", "show"}, "--bet show"},
        {{"backtest", "--from", "20240101", "--to", "20240102", "--rule", "favourite", "--at", "-3"}, "--at -3"},
    };
    for (const auto& [args, message] : usage) {
        const CliRun bad = run(args);
        EXPECT_EQ(bad.code, ExitCode::Usage) << args.back();
        EXPECT_NE(bad.err.find(message), std::string::npos) << bad.err;
    }

    // A file that cannot be written is said before the run.
    const std::string nowhere = (home() / "missing" / "bets.csv").string();
    const CliRun unwritable = run({"backtest", "--from", "20240101", "--to", "20240102", "--rule", "favourite", "--csv",
                                   nowhere});
    EXPECT_EQ(unwritable.code, ExitCode::File) << unwritable.err;
    EXPECT_NE(unwritable.err.find(nowhere), std::string::npos) << unwritable.err;
    EXPECT_EQ(unwritable.err.find("days,"), std::string::npos) << unwritable.err;
    EXPECT_TRUE(unwritable.out.empty()) << unwritable.out;
}

TEST_F(CliSeasonTest, CsvOverARangeWritesOneSetPerDay)
{
    const std::filesystem::path out = home() / "csv";
    const CliRun r = run({"csv", "--from", "20240101", "--to", "20240105", "--kind", "2", "--minutes", "5", "--out",
                          out.string()});
    ASSERT_EQ(r.code, ExitCode::Ok) << r.err;
    // Three stored days; the last lists no race (its runners were never imported).
    EXPECT_EQ(outputLines(r.out).size(), 8u);
    for (const char* name : {"TAN20240101OZ.CSV", "UMA20240101OZ.CSV", "FUK20240102OZ.CSV", "WAK20240102OZ.CSV"})
        EXPECT_TRUE(std::filesystem::exists(out / name)) << name;
    EXPECT_FALSE(std::filesystem::exists(out / "TAN20240105OZ.CSV"));
    EXPECT_NE(r.err.find("2024年01月05日 (3/3)"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("2024年01月05日 has no race to export"), std::string::npos) << r.err;

    EXPECT_EQ(run({"csv", "20240101", "--from", "20240101", "--to", "20240102", "--kind", "0"}).code, ExitCode::Usage);
    EXPECT_EQ(run({"csv", "--kind", "0"}).code, ExitCode::Usage);
}

TEST_F(CliSeasonTest, HelpNamesTheTablesAndEveryRule)
{
    const CliRun e = run({"export", "--help"});
    for (const char* name : {"races", "runners", "win_place", "bracket_quinella", "quinella", "payouts", "meta"})
        EXPECT_NE(e.out.find(name), std::string::npos) << name;
    const CliRun b = run({"backtest", "--help"});
    for (const char* rule : {"favourite", "popularity:K", "steam:P:W", "winplace[:R]", "placewin[:R]",
                             "gap[:TABLE[:T]]", "bracket[:R]", "単÷複", "断層表", "枠連馬連有利度比較"})
        EXPECT_NE(b.out.find(rule), std::string::npos) << rule;
    EXPECT_NE(run({"--help"}).out.find("7  the database"), std::string::npos);
}

} // namespace
} // namespace tidemark::testing
