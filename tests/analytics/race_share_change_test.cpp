// The share change of one race: which two snapshots are compared, when a runner counts
// and what its change is, against shares worked out here from the odds put in.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analytics/race_share_change.h"
#include "records/record_builder.h"

namespace tidemark::analytics {
namespace {

using records::O1Builder;
using records::OddsField;

// A snapshot of race 44-1-1-5 on 2024-01-15, announced on month/day at hh:mm.
O1Builder snap(int hour, int minute, int month = 1, int day = 15)
{
    O1Builder b;
    b.date(2024, 1, 15).track("44").meeting(1).day(1).race(5).announcement(month, day, hour, minute);
    return b;
}

std::vector<std::string> lines(std::initializer_list<O1Builder> snaps)
{
    std::vector<std::string> out;
    for (const O1Builder& b : snaps)
        out.push_back(b.line());
    return out;
}

TEST(RaceShareChange, ComparesTheLatestSnapshotsAtTAndTMinusW)
{
    const auto series = lines({
        snap(10, 0).win(1, 8.0, 3).place(1, 2.0, 3.0, 3),
        snap(10, 8).win(1, 5.0, 2).place(1, 1.9, 2.5, 2),  // A for T 10:20, W 10
        snap(10, 15).win(1, 4.5, 2).place(1, 1.4, 2.2, 1),
        snap(10, 19).win(1, 4.0, 1).place(1, 1.3, 2.0, 1), // B
        snap(10, 25).win(1, 2.0, 1).place(1, 1.1, 1.5, 1), // after T
    });
    const RaceShareChange c = raceShareChange(series, minuteOfDay(10, 20), 10);
    ASSERT_TRUE(c.hasBoth());
    EXPECT_EQ(c.snapshotA, 1);
    EXPECT_EQ(c.snapshotB, 3);
    EXPECT_EQ(c.minuteA, minuteOfDay(10, 8));
    EXPECT_EQ(c.minuteB, minuteOfDay(10, 19));
    const RunnerShareChange& r = c.runner(1);
    EXPECT_TRUE(r.counts);
    EXPECT_EQ(r.a.win.tenths(), 50);
    EXPECT_EQ(r.b.win.tenths(), 40);
    EXPECT_DOUBLE_EQ(r.a.winShare, 80.0 / 5.0);
    EXPECT_DOUBLE_EQ(r.b.winShare, 80.0 / 4.0);
    EXPECT_DOUBLE_EQ(r.winChange, 80.0 / 4.0 - 80.0 / 5.0);
    EXPECT_TRUE(r.placeCounts);
    EXPECT_DOUBLE_EQ(r.placeChange, 26.6 / 1.3 - 26.6 / 1.9);

    // A moment exactly at an announcement takes it, for B and for A alike.
    const RaceShareChange exact = raceShareChange(series, minuteOfDay(10, 25), 10);
    EXPECT_EQ(exact.snapshotB, 4);
    EXPECT_EQ(exact.snapshotA, 2);
    // A window of 0 (or less) compares B with itself.
    const RaceShareChange none = raceShareChange(series, minuteOfDay(10, 20), 0);
    EXPECT_EQ(none.snapshotA, none.snapshotB);
    EXPECT_TRUE(none.runner(1).counts);
    EXPECT_EQ(none.runner(1).winChange, 0.0);
}

TEST(RaceShareChange, OfTwoAnnouncementsOfOneMinuteTheLaterLineIsTheLatest)
{
    const auto series = lines({
        snap(10, 0).win(1, 6.0, 1),
        snap(10, 10).win(1, 5.0, 1),
        snap(10, 10).win(1, 4.0, 1),
    });
    const RaceShareChange c = raceShareChange(series, minuteOfDay(10, 12), 5);
    EXPECT_EQ(c.snapshotB, 2);
    EXPECT_EQ(c.runner(1).b.win.tenths(), 40);
    EXPECT_EQ(c.snapshotA, 0);
}

TEST(RaceShareChange, SnapshotsOfTheDayBeforeAreNeverChosen)
{
    // Advance sale the evening before: its times of day are later than T, and earlier
    // than T - W, but they are another day's market.
    const auto series = lines({
        snap(9, 55, 1, 14).win(1, 3.0, 1),
        snap(20, 30, 1, 14).win(1, 3.0, 1),
        snap(10, 5).win(1, 6.0, 1),
        snap(10, 20).win(1, 4.0, 1),
    });
    const RaceShareChange c = raceShareChange(series, minuteOfDay(10, 20), 10);
    EXPECT_EQ(c.snapshotB, 3);
    EXPECT_EQ(c.snapshotA, 2);
    EXPECT_DOUBLE_EQ(c.runner(1).winChange, 80.0 / 4.0 - 80.0 / 6.0);

    // T - W before the race day's first announcement: no A, so nobody counts, but B is
    // still there to show.
    const RaceShareChange early = raceShareChange(series, minuteOfDay(10, 10), 10);
    EXPECT_EQ(early.snapshotA, RaceShareChange::kNone);
    EXPECT_EQ(early.minuteA, RaceShareChange::kNone);
    EXPECT_EQ(early.snapshotB, 2);
    EXPECT_FALSE(early.hasBoth());
    EXPECT_FALSE(early.runner(1).counts);
    EXPECT_TRUE(early.counted().empty());
    EXPECT_EQ(early.runner(1).b.win.tenths(), 60);

    // Before anything of the race day: neither.
    const RaceShareChange before = raceShareChange(series, minuteOfDay(10, 0), 10);
    EXPECT_EQ(before.snapshotB, RaceShareChange::kNone);
    EXPECT_TRUE(before.runner(1).b.win.isBlank());
}

TEST(RaceShareChange, ARunnerCountsOnlyWhenPricedAtBothSnapshots)
{
    const auto series = lines({
        snap(10, 0)
            .win(1, 5.0, 1).place(1, 2.0, 3.0, 1)
            .win(2, OddsField::noVotes()).place(2, OddsField::noVotes(), OddsField::noVotes())
            .win(3, 9.0, 3).place(3, 3.0, 4.0, 3)
            .win(4, 12.0, 4).place(4, OddsField::noVotes(), OddsField::noVotes())
            .win(5, 20.0, 5).place(5, 5.0, 7.0, 5),
        snap(10, 10)
            .win(1, 4.0, 1).place(1, 1.8, 2.6, 1)
            .win(2, 30.0, 6).place(2, 6.0, 9.0, 6)                                   // zero at A
            .win(3, OddsField::cancelledAfterSale()).place(3, OddsField::cancelledAfterSale(), OddsField::cancelledAfterSale())
            .win(4, 10.0, 3).place(4, 2.5, 3.5, 3)                                   // place zero at A
            .win(5, 25.0, 6).set(records::placeLowPos(5), "??0?"),                  // place damaged at B
    });
    const RaceShareChange c = raceShareChange(series, minuteOfDay(10, 10), 10);
    ASSERT_TRUE(c.hasBoth());
    EXPECT_TRUE(c.runner(1).counts);
    EXPECT_FALSE(c.runner(2).counts);
    EXPECT_EQ(c.runner(2).winChange, 0.0);
    EXPECT_EQ(c.runner(2).a.winShare, 0.0);
    EXPECT_FALSE(c.runner(3).counts); // cancelled at B
    EXPECT_TRUE(c.runner(4).counts);
    EXPECT_FALSE(c.runner(4).placeCounts);
    EXPECT_EQ(c.runner(4).placeChange, 0.0);
    EXPECT_DOUBLE_EQ(c.runner(4).winChange, 80.0 / 10.0 - 80.0 / 12.0);
    EXPECT_TRUE(c.runner(5).counts);
    EXPECT_FALSE(c.runner(5).placeCounts);
    EXPECT_FALSE(c.runner(6).counts); // an empty slot
    EXPECT_TRUE(c.runner(6).b.win.isBlank());

    std::vector<int> counted;
    for (const RunnerShareChange* r : c.counted())
        counted.push_back(r->horse);
    EXPECT_EQ(counted, (std::vector<int>{1, 4, 5}));
    // A falling price is a rising share, and the other way round.
    EXPECT_GT(c.runner(1).winChange, 0.0);
    EXPECT_LT(c.runner(5).winChange, 0.0);
}

TEST(RaceShareChange, DamagedAnnouncements)
{
    // A snapshot whose time is not a time of day is never chosen; a short line neither
    // breaks the reading nor counts.
    auto series = lines({snap(10, 0).win(1, 5.0, 1), snap(10, 5).win(1, 4.0, 1)});
    series.push_back(snap(10, 6).win(1, 3.0, 1).announcement("0115 9x7").line());
    series.push_back(series[1].substr(0, 40));
    const RaceShareChange c = raceShareChange(series, minuteOfDay(10, 30), 10);
    EXPECT_EQ(c.snapshotB, 3); // the short line keeps its time of day, but no prices
    EXPECT_FALSE(c.runner(1).counts);
    series.pop_back();
    const RaceShareChange d = raceShareChange(series, minuteOfDay(10, 12), 10);
    EXPECT_EQ(d.snapshotB, 1);
    EXPECT_EQ(d.snapshotA, 0);
    EXPECT_DOUBLE_EQ(d.runner(1).winChange, 80.0 / 4.0 - 80.0 / 5.0);
}

} // namespace
} // namespace tidemark::analytics
