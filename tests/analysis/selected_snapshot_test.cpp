#include <gtest/gtest.h>

#include "analysis/race_store_fixture.h"
#include "analysis/odds_values.h"
#include "analysis/selected_snapshot.h"

using namespace tidemark;
using namespace tidemark::analysis;
using records::OddsField;
using tidemark::testing::o1At;
using tidemark::testing::o2At;
using tidemark::testing::raceCard;
using tidemark::testing::RaceStore;

namespace {

struct SelectedFixture : ::testing::Test {
    RaceStore store;
    RaceSlot slot;
    RaceOddsFiles files;

    void race(int runners)
    {
        slot.raRecord = raceCard(1, runners).build();
        slot.record.runnerCount = runners;
        files = raceOddsFiles(store.layout, slot.raRecord);
    }
};

} // namespace

TEST_F(SelectedFixture, FirstRecordOfTheKeyIsParsed)
{
    race(3);
    store.writeLines(files.o1,
                     {o1At("01151000").win(1, 2.5, 1).line(),
                      o1At("01151010")
                          .win(1, 3.5, 1)
                          .win(2, OddsField::noVotes())
                          .win(3, OddsField::cancelledBeforeSale())
                          .place(1, 1.2, 1.8, 1)
                          .place(2, OddsField::noVotes(), OddsField::blank())
                          .place(3, OddsField::cancelledAfterSale(), OddsField::fromOdds(9.9))
                          .bracketQuinella(1, 12.3, 1)
                          .line(),
                      o1At("01151010").win(1, 9.9, 1).line()});
    store.writeLines(files.o2, {o2At("01151000").quinella(1, 50.0, 1).line(),
                                o2At("01151010").quinella(1, 45.5, 1).quinella(2, OddsField::cancelledAfterSale()).line()});

    SelectedSnapshot r = loadSelectedSnapshot(slot, files, "01151010");
    EXPECT_EQ(r.outcome, SelectedSnapshot::Outcome::Ready);
    EXPECT_TRUE(r.o1Found);
    const RaceRecord& rec = slot.record;
    EXPECT_DOUBLE_EQ(rec.winOdds[1], 3.5); // the first of the two 10:10 snapshots
    EXPECT_DOUBLE_EQ(rec.winOdds[2], 0.0);
    EXPECT_DOUBLE_EQ(rec.winOdds[3], kOddsCancelled);
    EXPECT_DOUBLE_EQ(rec.winOdds[4], 0.0); // beyond the runners: untouched
    // Zeros count as a priced horse, a cancellation does not.
    EXPECT_EQ(r.pricedHorses, 2);
    EXPECT_DOUBLE_EQ(rec.placeLowOdds[1], 1.2);
    EXPECT_DOUBLE_EQ(rec.placeHighOdds[1], 1.8);
    // Upper price beside a lower number: a non-number reads 0, not blank.
    EXPECT_DOUBLE_EQ(rec.placeLowOdds[2], 0.0);
    EXPECT_DOUBLE_EQ(rec.placeHighOdds[2], 0.0);
    // A cancelled lower field stands for the upper one too.
    EXPECT_DOUBLE_EQ(rec.placeLowOdds[3], kOddsCancelled);
    EXPECT_DOUBLE_EQ(rec.placeHighOdds[3], kOddsCancelled);
    EXPECT_DOUBLE_EQ(rec.bracketOdds[1], 12.3);
    EXPECT_DOUBLE_EQ(rec.bracketOdds[2], kOddsBlank);
    EXPECT_DOUBLE_EQ(rec.quinellaOdds[1], 45.5);
    EXPECT_DOUBLE_EQ(rec.quinellaOdds[2], kOddsCancelled);
    EXPECT_DOUBLE_EQ(rec.quinellaOdds[3], kOddsBlank);
    EXPECT_EQ(rec.o1Time, "1010");
    EXPECT_EQ(rec.o2Time, "1010");
    EXPECT_EQ(slot.o1Selected.size(), kO1Size);
    EXPECT_EQ(slot.o1Selected.substr(kO1Size - 2), "\r\n");
}

TEST_F(SelectedFixture, QuinellaFallsBackToTheSamePositionOrTheLast)
{
    race(10);
    store.writeLines(files.o1, {o1At("01151000").line(), o1At("01151010").line(), o1At("01151020").line()});
    store.writeLines(files.o2, {o2At("01150959").quinella(1, 10.0, 1).line(), o2At("01151011").quinella(1, 20.0, 1).line()});

    loadSelectedSnapshot(slot, files, "01151010");
    EXPECT_DOUBLE_EQ(slot.record.quinellaOdds[1], 20.0); // position 1 of the O2 file
    EXPECT_EQ(slot.record.o2Time, "1011");                // the time of the record used
    loadSelectedSnapshot(slot, files, "01151020");
    EXPECT_EQ(slot.record.o2Time, "1011"); // position 2 is beyond the file: the last

    // A moment no longer in the O1 file: blanks everywhere, O2 from the end.
    SelectedSnapshot r = loadSelectedSnapshot(slot, files, "01151130");
    EXPECT_EQ(r.outcome, SelectedSnapshot::Outcome::Ready);
    EXPECT_FALSE(r.o1Found);
    EXPECT_EQ(r.pricedHorses, 0);
    EXPECT_DOUBLE_EQ(slot.record.winOdds[1], kOddsBlank);
    EXPECT_DOUBLE_EQ(slot.record.placeHighOdds[1], kOddsBlank);
    EXPECT_EQ(slot.record.o1Time, "");
    EXPECT_EQ(slot.record.o2Time, "1011");
}

TEST_F(SelectedFixture, MissingFilesAndTheEightRunnerRule)
{
    race(8);
    EXPECT_EQ(loadSelectedSnapshot(slot, files, "01151000").outcome, SelectedSnapshot::Outcome::NoWinPlaceOdds);

    store.writeLines(files.o1, {o1At("01151000").win(1, 2.0, 1).line()});
    SelectedSnapshot r = loadSelectedSnapshot(slot, files, "01151000");
    EXPECT_EQ(r.outcome, SelectedSnapshot::Outcome::Ready);
    EXPECT_DOUBLE_EQ(slot.record.winOdds[1], 2.0);
    EXPECT_DOUBLE_EQ(slot.record.quinellaOdds[1], kOddsBlank);
    EXPECT_EQ(slot.record.o2Time, "");

    race(9);
    EXPECT_EQ(loadSelectedSnapshot(slot, files, "01151000").outcome, SelectedSnapshot::Outcome::NoQuinellaOdds);
    // The stop comes before the odds are read: no moment is loaded, so no time labels.
    EXPECT_EQ(slot.record.o1Time, "");
    // An O2 file without records is no better than none (and never indexed at -1).
    store.write(files.o2, "");
    EXPECT_EQ(loadSelectedSnapshot(slot, files, "01151000").outcome, SelectedSnapshot::Outcome::NoQuinellaOdds);
    EXPECT_EQ(noQuinellaOddsText(), text::sj("該当レースの馬連オッズが見つかりません。"));
    EXPECT_EQ(noWinPlaceOddsText(), text::sj("該当レースの単複枠オッズが見つかりません。"));
}

TEST_F(SelectedFixture, ResetBeforeEachMomentAndShortLines)
{
    race(2);
    slot.record.winPopularity[1] = 3;
    slot.record.ratioWinPlace[1] = 1.5;
    slot.record.popDiffWinPlace[1] = 2;
    // A line cut inside horse 2's win field.
    const std::string whole = o1At("01151000").win(1, 4.0, 1).win(2, 5.0, 2).line();
    store.writeLines(files.o1, {whole.substr(0, 55)});
    store.writeLines(files.o2, {o2At("01151000").line()});
    SelectedSnapshot r = loadSelectedSnapshot(slot, files, "01151000");
    EXPECT_EQ(r.outcome, SelectedSnapshot::Outcome::Ready);
    EXPECT_EQ(slot.record.winPopularity[1], 0);
    EXPECT_DOUBLE_EQ(slot.record.ratioWinPlace[1], kNoRatio);
    EXPECT_EQ(slot.record.popDiffWinPlace[1], kNoPopDiff);
    EXPECT_DOUBLE_EQ(slot.record.winOdds[1], 4.0);
    EXPECT_DOUBLE_EQ(slot.record.winOdds[2], 0.0); // "0" + blanks: damaged, counts 0
    EXPECT_EQ(slot.o1Selected.size(), kO1Size);
}
