#include <gtest/gtest.h>

#include "analysis/race_store_fixture.h"
#include "analysis/snapshot_series.h"
#include "analysis/time_points.h"

using namespace tidemark::analysis;
using tidemark::testing::o1At;

namespace {

std::vector<std::string> at(std::initializer_list<const char*> mmddhhmm, const char* created = "20240115")
{
    std::vector<std::string> l;
    for (const char* t : mmddhhmm)
        l.push_back(o1At(t, 1, created).line());
    return l;
}

struct Picked {
    int first, second, third;
    bool operator==(const Picked&) const = default;
};

Picked indices(const ChosenTimePoints& c)
{
    return {c.first.value_or(-1), c.second.value_or(-1), c.third.value_or(-1)};
}

} // namespace

TEST(TimePoints, NearestToThirtyTwentyTenMinutesBeforeThePost)
{
    auto l = at({"01151000", "01151010", "01151020", "01151030"});
    EXPECT_EQ(indices(chooseTimePoints(l, "1040", "0115", {})), (Picked{1, 2, 3}));

    // Set minute counts move the targets; the distance is unlimited.
    TimePointOptions o;
    o.firstMinutes = 59;
    o.secondMinutes = 45;
    o.thirdMinutes = 3;
    EXPECT_EQ(indices(chooseTimePoints(l, "1040", "0115", o)), (Picked{0, 0, 3}));
    // Every snapshot long before the post: the latest is nearest to each target.
    EXPECT_EQ(indices(chooseTimePoints(l, "1540", "0115", {})), (Picked{3, 3, 3}));
}

TEST(TimePoints, TiesGoToTheEarlierLineAndOneLineMayServeSeveralPoints)
{
    // 10:15 and 10:25 are both 5 minutes from 10:20.
    auto l = at({"01151015", "01151025"});
    EXPECT_EQ(indices(chooseTimePoints(l, "1040", "0115", {})), (Picked{0, 0, 1}));
    // Two lines of the same time: the first of them.
    auto same = at({"01151030", "01151030"});
    EXPECT_EQ(indices(chooseTimePoints(same, "1040", "0115", {})), (Picked{0, 0, 0}));
}

TEST(TimePoints, SingleAndTwoSnapshotsInBothSchemes)
{
    auto one = at({"01151000"});
    EXPECT_EQ(chooseTimePoints(one, "1040", "0115", {}).lines(one).size(), 3u);
    TimePointOptions notUse;
    notUse.notUse = true;
    EXPECT_EQ(indices(chooseTimePoints(one, "1040", "0115", notUse)), (Picked{0, 0, 0}));
    auto two = at({"01151000", "01151010"});
    EXPECT_EQ(indices(chooseTimePoints(two, "1040", "0115", notUse)), (Picked{0, 1, 1}));
    auto five = at({"01150900", "01150910", "01150920", "01150930", "01150940"});
    EXPECT_EQ(indices(chooseTimePoints(five, "1040", "0115", notUse)), (Picked{0, 2, 4}));
}

TEST(TimePoints, OnlyRaceDayLinesCountWithMinuteCounts)
{
    auto l = at({"01141030", "01141035"}, "20240114");
    for (const std::string& s : at({"01150900"}))
        l.push_back(s);
    // The day before is nearer to the targets by clock time but never chosen.
    EXPECT_EQ(indices(chooseTimePoints(l, "1040", "0115", {})), (Picked{2, 2, 2}));

    auto before = at({"01141030", "01141035"}, "20240114");
    EXPECT_TRUE(chooseTimePoints(before, "1040", "0115", {}).lines(before).empty());
    // The older scheme has no such filter.
    TimePointOptions notUse;
    notUse.notUse = true;
    EXPECT_EQ(indices(chooseTimePoints(before, "1040", "0115", notUse)), (Picked{0, 1, 1}));
}

TEST(TimePoints, BlankPostTimeChoosesNothing)
{
    auto l = at({"01151000", "01151010"});
    ChosenTimePoints c = chooseTimePoints(l, "    ", "0115", {});
    EXPECT_FALSE(c.first || c.second || c.third);
    EXPECT_TRUE(c.lines(l).empty());
}

TEST(TimePoints, SecondNeverAfterThird)
{
    // A file whose lines are not in time order: 10:30 first, then 10:20.
    auto l = at({"01151030", "01151020"});
    ChosenTimePoints c = chooseTimePoints(l, "1040", "0115", {});
    EXPECT_EQ(indices(c), (Picked{1, 0, 0}));
}

TEST(TimePoints, AdvanceSaleRuleIsAppliedToTheList)
{
    auto l = at({"01141030"}, "20240114");
    for (const std::string& s : at({"01151000", "01151030"}))
        l.push_back(s);
    TimePointOptions o;
    o.notUse = true;
    o.ignoreAdvanceSale = true;
    ChosenTimePoints c = chooseTimePoints(l, "1040", "0115", o);
    ASSERT_EQ(l.size(), 2u);
    EXPECT_EQ(indices(c), (Picked{0, 1, 1}));
    EXPECT_EQ(announcementTime(c.lines(l)[0]), "01151000");
}
