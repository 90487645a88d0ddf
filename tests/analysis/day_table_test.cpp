#include <gtest/gtest.h>

#include "analysis/day_table.h"
#include "analysis/three_point_table.h"

using namespace tidemark::analysis;

TEST(DayTable, ResetDayRestoresTheNoValueMarks)
{
    DayTable t;
    ASSERT_EQ(t.slots.size(), static_cast<std::size_t>(kRaceSlots));
    RaceRecord& r = t.slots[95].record;
    r.numbersPending = true;
    r.label = "x";
    r.runnerCount = 12;
    r.popDiffWinPlace[18] = 3;
    r.ratioPseudoPlace[1] = 1.2;
    r.finalWinOdds[5] = 3.4;
    r.o1Time = "1010";
    t.resetDay();
    EXPECT_FALSE(r.numbersPending);
    EXPECT_TRUE(r.label.empty());
    EXPECT_EQ(r.runnerCount, 0);
    EXPECT_EQ(r.popDiffWinPlace[18], kNoPopDiff);
    EXPECT_DOUBLE_EQ(r.ratioPseudoPlace[1], kNoRatio);
    EXPECT_DOUBLE_EQ(r.finalWinOdds[5], 0.0);
    EXPECT_TRUE(r.o1Time.empty());
    // Blank raw records have the stored sizes.
    EXPECT_EQ(t.slots[0].raRecord, std::string(1272, ' '));
    EXPECT_EQ(t.slots[0].seRecords[18].size(), 555u);
    EXPECT_EQ(t.slots[0].o2Selected.size(), 2042u);
}

TEST(ThreePointTable, ResetGivesTheSummaryStartValues)
{
    ThreePointTable t;
    t.values(ThreePointTable::Group::Pseudo)[2].popularity[7] = 4;
    t.summary(ThreePointTable::Group::PlaceHigh).popMin[7] = 2;
    t.summary(ThreePointTable::Group::Win).popMax[1] = 9;
    t.reset();
    EXPECT_EQ(t.pseudo[2].popularity[7], 0);
    EXPECT_EQ(t.placeHighPop.popMin[7], 20);
    EXPECT_EQ(t.winPop.popMax[1], 0);
    EXPECT_EQ(t.pseudoPop.popRange[18], 20);
}
