#include "nvsim/sim_nv_link.h"

#include <gtest/gtest.h>

#include <set>

#include "nvsim/odds_series.h"
#include "records/record_view.h"
#include "sim_test_support.h"
#include "text/number_format.h"

namespace tidemark::nvsim {
namespace {

using simtest::at;
using simtest::ManualClock;
using simtest::readAll;
using simtest::testConfig;

class SimNvLinkTest : public ::testing::Test {
protected:
    ManualClock clock{at(2024, 6, 12, 15, 0)};
    SimNvLink link{testConfig(), clock.fn()};

    void SetUp() override { ASSERT_EQ(link.NVInit("UNKNOWN"), 0); }

    // A race of 2024-06-12 posting after `hhmm`, not cancelled.
    const SimRace& raceAfter(int hhmm)
    {
        for (const SimRace* r : link.world().racesOn(at(2024, 6, 12))) {
            if (r->postTime > hhmm && !r->cancelled && r->saleStart < atClock(r->date, hhmm)) {
                return *r;
            }
        }
        throw std::runtime_error("no such race");
    }
};

TEST(SimNvLinkInit, EveryChannelNeedsNVInitFirst)
{
    ManualClock clock{at(2024, 6, 12, 15, 0)};
    SimNvLink link(testConfig(), clock.fn());
    int reads = 0;
    int downloads = 0;
    std::string stamp;
    std::string buf;
    std::string file;
    EXPECT_EQ(link.NVOpen("RACE", "20240601000000", 1, reads, downloads, stamp), -201);
    EXPECT_EQ(link.NVRTOpen("0B12", "20240612"), -201);
    EXPECT_EQ(link.NVStatus(), -201);
    EXPECT_EQ(link.NVGets(buf, 110000, file), -201);
    EXPECT_EQ(link.NVClose(), 0);
    EXPECT_EQ(link.NVInit("UNKNOWN"), 0);
    EXPECT_EQ(link.NVRTOpen("0B12", "20240612"), 0);
}

TEST_F(SimNvLinkTest, MisuseAnswersWithTheComponentsCodes)
{
    int reads = -5;
    int downloads = -5;
    std::string stamp = "x";
    std::string buf;
    std::string file;
    EXPECT_EQ(link.NVGets(buf, 110000, file), -203);
    EXPECT_EQ(link.NVRead(buf, 60000, file), -203);
    EXPECT_EQ(link.NVStatus(), -203);
    EXPECT_EQ(link.NVOpen("RACES", "20240601000000", 1, reads, downloads, stamp), -111);
    EXPECT_EQ(reads, 0);
    EXPECT_EQ(downloads, 0);
    EXPECT_EQ(stamp, "");
    EXPECT_EQ(link.NVOpen("RACE", "2024060100000", 1, reads, downloads, stamp), -112);
    EXPECT_EQ(link.NVOpen("RACE", "20241301000000", 1, reads, downloads, stamp), -112);
    EXPECT_EQ(link.NVOpen("RACE", "20240601000000", 0, reads, downloads, stamp), -115);
    EXPECT_EQ(link.NVRTOpen("0B11", "20240612"), -111);
    EXPECT_EQ(link.NVRTOpen("0B41", "20240612"), -114);
    EXPECT_EQ(link.NVRTOpen("0B41", "202406124401010X"), -114);
    EXPECT_EQ(link.NVRTOpen("0B41", "2024023044010101"), -114);
    EXPECT_EQ(link.NVRTOpen("0B12", "2024061"), -114);
    EXPECT_EQ(link.NVRTOpen("0B12", "20240631"), -114);
    // A well-formed key of a race that is not run: nothing to give.
    EXPECT_EQ(link.NVRTOpen("0B41", "2024061299010101"), -1);
    EXPECT_EQ(link.NVRTOpen("0B12", "20230101"), -1); // before the simulated window
}

TEST_F(SimNvLinkTest, OnlyOneTransferAtATime)
{
    int reads = 0;
    int downloads = 0;
    std::string stamp;
    ASSERT_EQ(link.NVRTOpen("0B12", "20240612"), 0);
    EXPECT_EQ(link.NVRTOpen("0B12", "20240612"), -202);
    EXPECT_EQ(link.NVOpen("RACE", "20240601000000", 1, reads, downloads, stamp), -202);
    EXPECT_EQ(link.NVClose(), 0);
    ASSERT_EQ(link.NVOpen("RACE", "20240601000000", 1, reads, downloads, stamp), 0);
    EXPECT_EQ(link.NVRTOpen("0B41", raceAfter(1500).key()), -202);
    EXPECT_EQ(link.NVOpen("RACE", "20240601000000", 1, reads, downloads, stamp), -202);
    EXPECT_EQ(link.NVClose(), 0);
    EXPECT_EQ(link.NVRTOpen("0B41", raceAfter(1500).key()), 0);
}

TEST_F(SimNvLinkTest, StoredDataDownloadsThenReadsFileByFile)
{
    int reads = 0;
    int downloads = 0;
    std::string stamp;
    ASSERT_EQ(link.NVOpen("RACE", "20240601000000", 1, reads, downloads, stamp), 0);
    ASSERT_GT(reads, 20);
    EXPECT_EQ(downloads, reads); // nothing fetched yet in this session
    EXPECT_EQ(stamp, "20240612120000"); // tomorrow's card, drawn at noon
    // The download runs over several polls, five files a poll.
    std::vector<int> polls;
    for (int s = 0; s < downloads;) {
        s = link.NVStatus();
        ASSERT_GE(s, 0);
        polls.push_back(s);
    }
    EXPECT_EQ(polls.front(), 5);
    EXPECT_EQ(static_cast<int>(polls.size()), (downloads + 4) / 5);
    EXPECT_EQ(link.NVStatus(), downloads);

    std::string buf;
    std::string file;
    std::set<std::string> files;
    std::set<std::string> kinds;
    int switches = 0;
    int records = 0;
    int n;
    while ((n = link.NVGets(buf, 110000, file)) != 0) {
        ASSERT_TRUE(n > 0 || n == -1) << n;
        if (n == -1) {
            ++switches;
            continue;
        }
        ++records;
        files.insert(file);
        ASSERT_EQ(static_cast<int>(buf.size()), n);
        ASSERT_EQ(buf.substr(buf.size() - 2), "\r\n");
        const std::string kind = buf.substr(0, 2);
        kinds.insert(kind);
        const std::size_t expected = kind == "RA" ? 1272u : kind == "SE" ? 555u : kind == "HR" ? 719u : 0u;
        ASSERT_EQ(buf.size(), expected) << kind;
        // Nothing of today's racing is in stored data before the day is done.
        if (kind == "HR") {
            EXPECT_LT(buf.substr(11, 8), "20240612");
        }
    }
    EXPECT_EQ(switches, reads); // one switch after every file, the last one included
    EXPECT_EQ(static_cast<int>(files.size()), reads);
    EXPECT_EQ(kinds, (std::set<std::string>{"HR", "RA", "SE"}));
    EXPECT_GT(records, reads * 10);
    EXPECT_EQ(link.NVGets(buf, 110000, file), 0);
    EXPECT_EQ(link.NVClose(), 0);

    // From the last stamp there is nothing newer; files already fetched need no download.
    int reads2 = 0;
    int downloads2 = 0;
    std::string stamp2;
    EXPECT_EQ(link.NVOpen("RACE", stamp, 1, reads2, downloads2, stamp2), -1);
    EXPECT_EQ(reads2, 0);
    ASSERT_EQ(link.NVOpen("RACE", "20240601000000", 1, reads2, downloads2, stamp2), 0);
    EXPECT_EQ(reads2, reads);
    EXPECT_EQ(downloads2, 0);
    EXPECT_EQ(link.NVClose(), 0);

    // The evening brings today's results.
    clock.now = at(2024, 6, 12, 23, 0);
    ASSERT_EQ(link.NVOpen("RACE", stamp, 1, reads2, downloads2, stamp2), 0);
    EXPECT_GT(reads2, 0);
    EXPECT_GT(stamp2, stamp);
    EXPECT_EQ(link.NVClose(), 0);
}

TEST_F(SimNvLinkTest, ReadingBeforeTheDownloadWaitsWithMinusThree)
{
    int reads = 0;
    int downloads = 0;
    std::string stamp;
    ASSERT_EQ(link.NVOpen("RACE", "20240610000000", 1, reads, downloads, stamp), 0);
    ASSERT_GT(downloads, 0);
    std::string buf;
    std::string file;
    int waits = 0;
    int n;
    while ((n = link.NVGets(buf, 110000, file)) == -3) {
        ++waits;
    }
    EXPECT_GT(waits, 0);
    EXPECT_GT(n, 0); // the first file arrived in the background
    EXPECT_EQ(link.NVClose(), 0);
}

TEST_F(SimNvLinkTest, CancelStopsTheStoredTransfer)
{
    int reads = 0;
    int downloads = 0;
    std::string stamp;
    ASSERT_EQ(link.NVOpen("RACE", "20240601000000", 1, reads, downloads, stamp), 0);
    EXPECT_GT(link.NVStatus(), 0);
    link.NVCancel();
    std::string buf;
    std::string file;
    EXPECT_EQ(link.NVGets(buf, 110000, file), -203);
    EXPECT_EQ(link.NVStatus(), -203);
    // Nothing stays open, so the next import can start (with or without NVClose).
    EXPECT_EQ(link.NVOpen("RACE", "20240601000000", 1, reads, downloads, stamp), 0);
    EXPECT_EQ(link.NVClose(), 0);
}

TEST_F(SimNvLinkTest, TodaysOddsGrowWithTheClock)
{
    const SimRace& race = raceAfter(1500);
    ASSERT_EQ(link.NVRTOpen("0B41", race.key()), 0);
    const auto early = readAll(link);
    EXPECT_EQ(link.NVClose(), 0);
    ASSERT_FALSE(early.empty());
    for (const auto& rec : early) {
        ASSERT_EQ(rec.size(), 962u);
        EXPECT_EQ(rec.substr(0, 2), "O1");
        EXPECT_EQ(rec.substr(11, 16), race.key());
        EXPECT_LE(rec.substr(27, 8), "06121500"); // nothing announced after now
    }
    ASSERT_EQ(link.NVRTOpen("0B42", race.key()), 0);
    const auto quinella = readAll(link);
    EXPECT_EQ(link.NVClose(), 0);
    ASSERT_EQ(quinella.size(), early.size());
    EXPECT_EQ(quinella.front().size(), 2042u);
    EXPECT_EQ(quinella.back().substr(27, 8), early.back().substr(27, 8));

    clock.now = fromSimMinute(race.postAt() + 30);
    ASSERT_EQ(link.NVRTOpen("0B41", race.key()), 0);
    const auto late = readAll(link);
    EXPECT_EQ(link.NVClose(), 0);
    EXPECT_GT(late.size(), early.size());
    EXPECT_EQ(late.back()[2], '3'); // the final announcement at the post time
    EXPECT_EQ(late.back().substr(31, 4), text::formatZeroPad(race.postTime, 4));
    // The same moments give the same bytes.
    for (std::size_t i = 0; i < early.size(); ++i) {
        ASSERT_EQ(late[i], early[i]);
    }
}

TEST_F(SimNvLinkTest, ResultsOfTheDayOnlyForRacesRun)
{
    ASSERT_EQ(link.NVRTOpen("0B12", "20240612"), 0);
    const auto afternoon = readAll(link);
    EXPECT_EQ(link.NVClose(), 0);
    int hr = 0;
    for (const auto& rec : afternoon) {
        EXPECT_EQ(rec.substr(11, 8), "20240612");
        if (rec.substr(0, 2) == "HR") {
            ++hr;
            const SimRace* race = link.world().findRace(rec.substr(11, 16));
            ASSERT_NE(race, nullptr);
            EXPECT_LE(race->resultAt(), toSimMinute(clock.now));
        }
    }
    int runBy3pm = 0;
    int all = 0;
    for (const SimRace* r : link.world().racesOn(at(2024, 6, 12))) {
        runBy3pm += !r->cancelled && r->resultAt() <= toSimMinute(clock.now);
        all += !r->cancelled;
    }
    EXPECT_EQ(hr, runBy3pm);
    EXPECT_GT(hr, 0);

    clock.now = at(2024, 6, 12, 23, 59);
    ASSERT_EQ(link.NVRTOpen("0B12", "20240612"), 0);
    const auto night = readAll(link);
    EXPECT_EQ(link.NVClose(), 0);
    hr = 0;
    for (const auto& rec : night) {
        hr += rec.substr(0, 2) == "HR";
    }
    EXPECT_EQ(hr, all);
    EXPECT_GT(night.size(), afternoon.size());
}

TEST_F(SimNvLinkTest, ATooSmallBufferLosesNoRecord)
{
    const SimRace& race = raceAfter(1500);
    ASSERT_EQ(link.NVRTOpen("0B42", race.key()), 0);
    std::string rec;
    std::string file;
    EXPECT_EQ(link.NVRead(rec, 2041, file), -402);
    EXPECT_EQ(link.NVRead(rec, 60000, file), 2042);
    const OddsSeries series(race);
    EXPECT_EQ(rec.substr(27, 8), text::formatDateTime("mmddhhnn", fromSimMinute(series.entries().front().at)));
    EXPECT_EQ(link.NVClose(), 0);
}

TEST_F(SimNvLinkTest, ARaceNotYetOnSaleOpensWithNothingToRead)
{
    clock.now = at(2024, 6, 12, 6, 0);
    const SimRace* race = link.world().racesOn(at(2024, 6, 12)).back();
    ASSERT_EQ(link.NVRTOpen("0B41", race->key()), 0);
    int last = 99;
    EXPECT_TRUE(readAll(link, &last).empty());
    EXPECT_EQ(last, 0);
    EXPECT_EQ(link.NVClose(), 0);
}

TEST(SimNvLinkDataKinds, CancelledRacesAndWithdrawnAnnouncementsAreMarked)
{
    ManualClock clock{at(2024, 12, 31, 23, 0)};
    SimNvLink link(testConfig(), clock.fn());
    ASSERT_EQ(link.NVInit("UNKNOWN"), 0);
    const SimRace* cancelled = nullptr;
    int withdrawn = 0;
    for (int d = 0; d < 180 && cancelled == nullptr; ++d) {
        for (const SimRace* r : link.world().racesOn(at(2024, 6, 1).addDays(d))) {
            if (r->cancelled && cancelled == nullptr) {
                cancelled = r;
            }
            if (d < 3) {
                const OddsSeries series(*r);
                for (const auto& e : series.entries()) {
                    withdrawn += e.dataKind == '0';
                }
            }
        }
    }
    EXPECT_GT(withdrawn, 0);
    ASSERT_NE(cancelled, nullptr);
    ASSERT_EQ(link.NVRTOpen("0B41", cancelled->key()), 0);
    const auto odds = readAll(link);
    EXPECT_EQ(link.NVClose(), 0);
    ASSERT_FALSE(odds.empty());
    EXPECT_EQ(odds.back()[2], '9');
    ASSERT_EQ(link.NVRTOpen("0B12", cancelled->dayKey()), 0);
    bool raNine = false;
    for (const auto& rec : readAll(link)) {
        if (rec.substr(11, 16) == cancelled->key()) {
            EXPECT_NE(rec.substr(0, 2), "HR");
            raNine = raNine || (rec.substr(0, 2) == "RA" && rec[2] == '9');
        }
    }
    EXPECT_TRUE(raNine);
    EXPECT_EQ(link.NVClose(), 0);
}

TEST(SimNvLinkFaults, AFaultPlanAnswersTheGivenCodeAtTheGivenCall)
{
    ManualClock clock{at(2024, 6, 12, 23, 0)};
    SimConfig config = testConfig();
    config.faults = {{"NVOpen", -301, 1, 1}, {"NVRead", -502, 4, 1}, {"NVStatus", -502, 2, 1},
                     {"nvrtopen", -504, 3, 2}};
    SimNvLink link(config, clock.fn());
    ASSERT_EQ(link.NVInit("UNKNOWN"), 0);
    int reads = 0;
    int downloads = 0;
    std::string stamp;
    EXPECT_EQ(link.NVOpen("RACE", "20240611000000", 1, reads, downloads, stamp), -301);
    ASSERT_EQ(link.NVOpen("RACE", "20240611000000", 1, reads, downloads, stamp), 0);
    EXPECT_GT(link.NVStatus(), 0);
    EXPECT_EQ(link.NVStatus(), -502);
    EXPECT_GT(link.NVStatus(), 0);
    EXPECT_EQ(link.NVClose(), 0);

    ASSERT_EQ(link.NVRTOpen("0B12", "20240612"), 0);
    std::string rec;
    std::string file;
    EXPECT_GT(link.NVRead(rec, 60000, file), 0);
    EXPECT_GT(link.NVRead(rec, 60000, file), 0);
    EXPECT_GT(link.NVRead(rec, 60000, file), 0);
    EXPECT_EQ(link.NVRead(rec, 60000, file), -502); // after three records
    EXPECT_GT(link.NVRead(rec, 60000, file), 0);    // the record was not lost
    EXPECT_EQ(link.NVClose(), 0);
    EXPECT_EQ(link.NVRTOpen("0B12", "20240612"), 0);
    EXPECT_EQ(link.NVClose(), 0);
    EXPECT_EQ(link.NVRTOpen("0B12", "20240612"), -504);
    EXPECT_EQ(link.NVRTOpen("0B12", "20240612"), -504);
    EXPECT_EQ(link.NVRTOpen("0B12", "20240612"), 0);
    EXPECT_EQ(link.NVClose(), 0);
}

TEST(SimNvLinkDeterminism, SameSeedSameClockSameBytes)
{
    ManualClock clock{at(2024, 6, 12, 18, 0)};
    auto stream = [&](std::uint32_t seed) {
        SimNvLink link(testConfig(seed), clock.fn());
        EXPECT_EQ(link.NVInit("UNKNOWN"), 0);
        int reads = 0;
        int downloads = 0;
        std::string stamp;
        EXPECT_EQ(link.NVOpen("RACE", "20240610000000", 1, reads, downloads, stamp), 0);
        std::string all = stamp;
        std::string buf;
        std::string file;
        for (int n; (n = link.NVGets(buf, 110000, file)) != 0;) {
            if (n > 0) {
                all += file + buf;
            } else if (n < -3) {
                break;
            }
        }
        link.NVClose();
        EXPECT_EQ(link.NVRTOpen("0B12", "20240612"), 0);
        for (const auto& r : readAll(link)) {
            all += r;
        }
        link.NVClose();
        return all;
    };
    const std::string a = stream(1);
    EXPECT_GT(a.size(), 100000u);
    EXPECT_EQ(a, stream(1));
    EXPECT_NE(a, stream(2));
}

} // namespace
} // namespace tidemark::nvsim
