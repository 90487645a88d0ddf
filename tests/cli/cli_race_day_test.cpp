// The race-day commands of the tool against the simulated service: `watch` on a live day
// with a clock that runs, and through a fault (its Ctrl-C: cli_interrupt_test.cpp), and
// `movers`, whose rows are worked out here from the odds files once more.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

#include "acquisition/odds_watch.h"
#include "analytics/alert_rules.h"
#include "cli/cli_fixture.h"
#include "records/keiba_func_nv.h"
#include "records/record_view.h"
#include "store/record_reader.h"
#include "store/store_layout.h"
#include "text/cp932.h"
#include "text/file_io.h"
#include "text/number_format.h"

namespace tidemark::testing {
namespace {

using cli::ExitCode;
using text::sj;

// A clock that starts at `start` and moves on `step` seconds at every reading.
cli::Clock runningClock(text::DateTime start, int step)
{
    auto at = std::make_shared<std::int64_t>(start.secondsSinceEpoch());
    return [at, step] {
        const text::DateTime t = text::DateTime::fromSecondsSinceEpoch(*at);
        *at += step;
        return t;
    };
}

CliRun runWith(const std::filesystem::path& home, std::vector<std::string> args, cli::Clock clock,
               std::function<std::function<bool()>()> catchInterrupt = {})
{
    args.insert(args.begin(), {"--home", home.string()});
    std::ostringstream out;
    std::ostringstream err;
    cli::Environment env{out, err, home, std::move(clock), false, std::move(catchInterrupt)};
    CliRun r;
    r.code = cli::run(args, env);
    r.out = out.str();
    r.err = err.str();
    return r;
}

struct Race {
    std::string key;
    int post = 0; // minutes after midnight
};

// The races of 2024-01-12 as the stored race cards give them, by post time.
std::vector<Race> storedRaces(const std::filesystem::path& home)
{
    std::vector<Race> races;
    for (const std::string& l :
         store::readLines(store::StoreLayout(home).raFile(sj("2024年01月12日")), store::StoreKind::RA)) {
        const records::RaView ra(l);
        races.push_back({std::string(ra.raceKey()), ra.startTimeNumber() / 100 * 60 + ra.startTimeNumber() % 100});
    }
    std::sort(races.begin(), races.end(), [](const Race& a, const Race& b) { return a.post < b.post; });
    return races;
}

class CliWatchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        writeSimWorld(home.path());
        // Race cards with their gates, as published by the morning of race day.
        const CliRun import = runWith(home.path(), {"import", "--since", "2024/01/01 00:00:00"},
                                      runningClock({2024, 1, 12, 8, 0, 0}, 0));
        ASSERT_EQ(import.code, ExitCode::Ok) << import.err;
        races = storedRaces(home.path());
        ASSERT_GE(races.size(), 4u);
    }

    // The clock an hour before the day's last post.
    text::DateTime hourBeforeLastPost() const
    {
        const int m = races.back().post - 60;
        return {2024, 1, 12, m / 60, m % 60, 0};
    }

    TempDir home;
    std::vector<Race> races;
};

TEST_F(CliWatchTest, WatchFetchesTheRacesToComeUntilTheLastPost)
{
    const text::DateTime start = hourBeforeLastPost();
    const CliRun r = runWith(home.path(), {"watch", "20240112", "--every", "5", "--ahead", "30", "--near", "4"},
                             runningClock(start, 5));
    ASSERT_EQ(r.code, ExitCode::Ok) << r.err;
    EXPECT_NE(r.err.find("every minute in their last 4 minutes"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("the day's last post has passed"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("オッズ監視中："), std::string::npos) << r.err;
    const store::StoreLayout layout(home.path());
    const int startMinute = start.hour * 60 + start.minute;
    for (const Race& race : races) {
        // The races to come, and those run within the last minutes (their final odds).
        const bool watched = race.post > startMinute - acquisition::OddsWatch::kFinalWaitMinutes;
        EXPECT_EQ(std::filesystem::exists(layout.oddsFile(store::StoreKind::O1, race.key)), watched) << race.key;
        if (!watched)
            continue;
        // The watch read the race once more after its post: the file ends with the
        // final announcement, made at the post.
        const auto lines = store::readLines(layout.oddsFile(store::StoreKind::O1, race.key), store::StoreKind::O1);
        ASSERT_FALSE(lines.empty());
        const records::O1View last(lines.back());
        const int lastMinute = last.announcementHour() * 60 + last.announcementMinute();
        EXPECT_EQ(lastMinute, race.post) << race.key;
    }
    expectWholeOddsFiles(home.path(), "20240112");
}

TEST_F(CliWatchTest, AFailedRequestIsReportedAndTheWatchGoesOn)
{
    writeSimWorld(home.path(), "[Fault1]\r\nCall=NVRTOpen\r\nCode=-301\r\nAt=1\r\nCount=1\r\n");
    text::writeFileAtomic(home / "ErrorLog.txt", ""); // the window has run here before
    const CliRun r = runWith(home.path(), {"watch", "20240112", "--every", "5", "--ahead", "30"},
                             runningClock(hourBeforeLastPost(), 5));
    EXPECT_EQ(r.code, ExitCode::Service) << r.err;
    EXPECT_NE(r.err.find("ｵｯｽﾞ監視エラー："), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("the data service failed for 1 request(s)"), std::string::npos) << r.err;
    EXPECT_NE(text::readFile(home / "ErrorLog.txt").find(sj("ｵｯｽﾞ監視エラー：")), std::string::npos);
    // Every race to come still has its odds: the faulted one from a later round.
    const store::StoreLayout layout(home.path());
    const int startMinute = hourBeforeLastPost().hour * 60 + hourBeforeLastPost().minute;
    for (const Race& race : races) {
        if (race.post > startMinute) {
            EXPECT_TRUE(std::filesystem::exists(layout.oddsFile(store::StoreKind::O1, race.key))) << race.key;
        }
    }
}

TEST_F(CliWatchTest, WatchRefusesAnotherDayAndOutOfRangeTimes)
{
    const cli::Clock later = runningClock({2024, 1, 13, 12, 0, 0}, 0);
    const CliRun notToday = runWith(home.path(), {"watch", "20240112"}, later);
    EXPECT_EQ(notToday.code, ExitCode::Usage);
    EXPECT_NE(notToday.err.find("is not today (20240113)"), std::string::npos) << notToday.err;
    const cli::Clock today = runningClock({2024, 1, 12, 12, 0, 0}, 0);
    EXPECT_EQ(runWith(home.path(), {"watch", "20240112", "--every", "0"}, today).code, ExitCode::Usage);
    EXPECT_EQ(runWith(home.path(), {"watch", "20240112", "--every", "31"}, today).code, ExitCode::Usage);
    EXPECT_EQ(runWith(home.path(), {"watch", "20240112", "--ahead", "241"}, today).code, ExitCode::Usage);
    EXPECT_EQ(runWith(home.path(), {"watch", "20240112", "--ahead", "x"}, today).code, ExitCode::Usage);
    for (const char* k : {"31", "-1"}) {
        const CliRun bad = runWith(home.path(), {"watch", "20240112", "--near", k}, today);
        EXPECT_EQ(bad.code, ExitCode::Usage);
        EXPECT_NE(bad.err.find("malformed --near"), std::string::npos) << bad.err;
    }
    EXPECT_EQ(runWith(home.path(), {"watch", "20240111"}, today).code, ExitCode::NotFound);
    EXPECT_FALSE(std::filesystem::exists(store::StoreLayout(home.path()).oddsFolder("20240112")));
}

TEST_F(CliWatchTest, WatchPrintsEveryAlertOnceAsTheStoredAnnouncementsRaiseIt)
{
    const CliRun r = runWith(home.path(),
                             {"watch", "20240112", "--every", "5", "--ahead", "30", "--alert", "rise,1,10", "--alert",
                              "fall,1", "--alert", "above,9999.9,1,1"},
                             runningClock(hourBeforeLastPost(), 5));
    ASSERT_EQ(r.code, ExitCode::Ok) << r.err;
    // The same rules over the files as they ended: every announcement judged as it came
    // in, so the lines are the same, race by race.
    analytics::AlertMonitor monitor({*analytics::parseAlertRule("rise,1,10"), *analytics::parseAlertRule("fall,1")});
    std::vector<std::string> expected;
    for (const Race& race : races)
        for (const analytics::Alert& a : monitor.evaluateStored(store::StoreLayout(home.path()), race.key))
            expected.push_back(text::toUtf8(analytics::alertLine(a)));
    ASSERT_FALSE(expected.empty());
    std::vector<std::string> printed;
    std::istringstream out(r.out);
    for (std::string line; std::getline(out, line);)
        printed.push_back(line);
    std::sort(expected.begin(), expected.end());
    std::sort(printed.begin(), printed.end());
    EXPECT_EQ(printed, expected);

    const cli::Clock today = runningClock({2024, 1, 12, 12, 0, 0}, 0);
    const CliRun bad = runWith(home.path(), {"watch", "20240112", "--alert", "rise,0"}, today);
    EXPECT_EQ(bad.code, ExitCode::Usage);
    EXPECT_NE(bad.err.find("malformed --alert rise,0"), std::string::npos) << bad.err;
    EXPECT_EQ(runWith(home.path(), {"watch", "20240112", "--alert", "below,4.5,99,1"}, today).code, ExitCode::Usage);
}

// --- movers -------------------------------------------------------------------------

class CliMoversTest : public ::testing::Test {
public:
    static const std::filesystem::path& home() { return s_home->path(); }

protected:
    static void SetUpTestSuite()
    {
        s_home = new TempDir;
        writeSimWorld(s_home->path());
        runCli(s_home->path(), {"import", "--since", "2024/01/01 00:00:00"});
        runCli(s_home->path(), {"odds", "20240112"});
    }
    static void TearDownTestSuite() { delete s_home; }

    static TempDir* s_home;
};

TempDir* CliMoversTest::s_home = nullptr;

struct Expected {
    std::string key;
    int horse = 0;
    double change = 0.0;
    std::string text; // the change as printed
};

// The board at `at` (minutes) with window `w`, worked out from the odds files by hand:
// the latest race-day snapshot by T - W and by T, win odds priced at both, 80 / odds.
std::vector<Expected> expectedBoard(int at, int w)
{
    std::vector<Expected> rows;
    const store::StoreLayout layout(CliMoversTest::home());
    for (const std::string& card :
         store::readLines(layout.raFile(sj("2024年01月12日")), store::StoreKind::RA)) {
        const records::RaView ra(card);
        const auto file = layout.oddsFile(store::StoreKind::O1, std::string(ra.raceKey()));
        if (!std::filesystem::exists(file))
            continue;
        const auto lines = store::readLines(file, store::StoreKind::O1);
        const auto latestBy = [&lines](int minute) {
            int found = -1;
            for (std::size_t i = 0; i < lines.size(); ++i) {
                const records::O1View v(lines[i]);
                const bool raceDay = v.announcementMonth() == 1 && v.announcementDay() == 12;
                if (raceDay && v.announcementHour() * 60 + v.announcementMinute() <= minute)
                    found = static_cast<int>(i); // the file runs in time order
            }
            return found;
        };
        const int a = latestBy(at - w);
        const int b = latestBy(at);
        if (a < 0 || b < 0 || a == b) // the same announcement at A and B: nothing new
            continue;
        const records::O1View va(lines[static_cast<std::size_t>(a)]);
        const records::O1View vb(lines[static_cast<std::size_t>(b)]);
        for (int h = 1; h <= 18; ++h) {
            const records::OddsField oa = va.win(h);
            const records::OddsField ob = vb.win(h);
            if (oa.kind() != records::OddsKind::Odds || ob.kind() != records::OddsKind::Odds)
                continue;
            const double change = 80.0 / (ob.tenths() / 10.0) - 80.0 / (oa.tenths() / 10.0);
            const double tenths = std::round(change * 10.0);
            const std::string text = tenths == 0.0 ? "0.0"
                                                   : (tenths > 0 ? "+" : "-") +
                                                         text::formatFixed(std::fabs(tenths) / 10.0, 0, 1);
            rows.push_back({std::string(ra.raceKey()), h, change, text});
        }
    }
    std::sort(rows.begin(), rows.end(), [](const Expected& x, const Expected& y) {
        if (x.change != y.change)
            return x.change > y.change;
        return x.key != y.key ? x.key < y.key : x.horse < y.horse;
    });
    return rows;
}

std::vector<std::vector<std::string>> tabRows(const std::string& out)
{
    std::vector<std::vector<std::string>> rows;
    for (std::string line : outputLines(out)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::vector<std::string> cells;
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            cells.push_back(line.substr(start, tab - start));
        cells.push_back(line.substr(start));
        rows.push_back(cells);
    }
    return rows;
}

TEST_F(CliMoversTest, TheBoardsRowsAreTheOnesTheOddsFilesGive)
{
    for (const auto& [at, window] : {std::pair{"1500", 10}, std::pair{"1130", 5}, std::pair{"2000", 30}}) {
        SCOPED_TRACE(at);
        const CliRun r = runCli(home(), {"movers", "20240112", "--at", at, "--window", std::to_string(window)});
        ASSERT_EQ(r.code, ExitCode::Ok) << r.err;
        const auto rows = tabRows(r.out);
        ASSERT_GE(rows.size(), 2u);
        EXPECT_EQ(rows[0][0], "[オッズ急変]2024年01月12日 " + std::string(at).insert(2, ":") + " (" +
                                  std::to_string(window) + "分前と比較)");
        EXPECT_EQ(rows[1][0], "場");
        const int minute = std::stoi(std::string(at).substr(0, 2)) * 60 + std::stoi(std::string(at).substr(2));
        const std::vector<Expected> expected = expectedBoard(minute, window);
        ASSERT_EQ(rows.size(), expected.size() + 2);
        ASSERT_FALSE(expected.empty());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const auto& row = rows[i + 2];
            ASSERT_EQ(row.size(), 15u);
            EXPECT_EQ(row[0], text::toUtf8(KeibaFuncNV::TrackName(std::string(expected[i].key.substr(8, 2)), 2)));
            EXPECT_EQ(std::stoi(row[1]), std::stoi(expected[i].key.substr(14, 2))) << i;
            EXPECT_EQ(std::stoi(row[4]), expected[i].horse) << i;
            EXPECT_EQ(row[10], expected[i].text) << i;
        }
    }
}

TEST_F(CliMoversTest, TopEncodingAndRefusals)
{
    const CliRun all = runCli(home(), {"movers", "20240112", "--at", "1500"});
    const CliRun top = runCli(home(), {"movers", "20240112", "--at", "1500", "--top", "3"});
    ASSERT_EQ(top.code, ExitCode::Ok) << top.err;
    ASSERT_EQ(outputLines(top.out).size(), 5u); // title, header, three rows
    EXPECT_EQ(all.out.rfind(top.out, 0), 0u);
    const CliRun cp932 = runCli(home(), {"--encoding", "cp932", "movers", "20240112", "--at", "1500"});
    EXPECT_EQ(text::toUtf8(cp932.out), all.out);

    EXPECT_EQ(runCli(home(), {"movers", "20240112"}).code, ExitCode::Usage);
    EXPECT_EQ(runCli(home(), {"movers", "20240112", "--at", "2460"}).code, ExitCode::Usage);
    EXPECT_EQ(runCli(home(), {"movers", "20240112", "--at", "1500", "--window", "20"}).code, ExitCode::Usage);
    EXPECT_EQ(runCli(home(), {"movers", "20240112", "--at", "1500", "--top", "0"}).code, ExitCode::Usage);
    EXPECT_EQ(runCli(home(), {"movers", "20240111", "--at", "1500"}).code, ExitCode::NotFound);

    // A day without odds files says so.
    TempDir bare;
    writeSimWorld(bare.path());
    runCli(bare.path(), {"import", "--since", "2024/01/01 00:00:00"});
    const CliRun none = runCli(bare.path(), {"movers", "20240112", "--at", "1500"});
    EXPECT_EQ(none.code, ExitCode::NotFound);
    EXPECT_NE(none.err.find("no odds are stored for the day 20240112"), std::string::npos) << none.err;
    EXPECT_EQ(none.out, "");
}

} // namespace
} // namespace tidemark::testing
