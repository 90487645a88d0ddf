#include <gtest/gtest.h>

#include "analysis/race_store_fixture.h"
#include "records/record_builder.h"
#include "results/payout_import.h"
#include "text/cp932.h"
#include "text/file_io.h"

using namespace tidemark;
using records::HrBuilder;
using results::PayoutKind;
using text::sj;
using tidemark::testing::raceCard;
using tidemark::testing::runner;

namespace {

// A payout record of 2024-01-15 at 大井 as the results fetch stores it (unchanged).
HrBuilder fetchedPayouts(int race, std::string_view track = "44")
{
    HrBuilder b;
    b.dataKind('2').creationDate(2024, 1, 15).date(2024, 1, 15).track(track).meeting(11).day(2).race(race);
    return b;
}

// The same as the stored-data import keeps it: bytes 3-11 "000000000".
HrBuilder importedPayouts(int race, std::string_view track = "44")
{
    HrBuilder b = fetchedPayouts(race, track);
    b.set(3, "000000000");
    return b;
}

struct PayoutImport : ::testing::Test {
    tidemark::testing::RaceStore store;
    analysis::DayTable table;
    results::DayPayouts payouts;
    analysis::DayFiles day = analysis::dayFiles(store.layout, sj("2024年01月15日"));

    std::filesystem::path payoutFile() const { return store.data("2024年01月15日.nvHR"); }
    void payoutLines(const std::vector<std::string>& lines) const { store.writeLines(payoutFile(), lines); }

    // Races 1..n of 大井, 12 runners each, loaded as the day load does.
    void loadRaces(int n)
    {
        std::vector<std::string> cards;
        for (int r = 1; r <= n; ++r)
            cards.push_back(raceCard(r).line());
        store.dayFile(cards);
        store.fullRunners(n, 12);
        loadDay();
    }
    void loadDay()
    {
        table.resetDay();
        payouts.clear();
        analysis::clearDayRecords(table);
        analysis::readDayFile(table, day);
    }
    results::PayoutImportResult import(int selectedSlot = -1)
    {
        return results::importDayPayouts(table, payouts, day, selectedSlot);
    }
    const results::PayoutItem& win(int slot, int index = 1) const
    {
        return payouts.table(slot).entry(PayoutKind::Win, index);
    }
};

TEST_F(PayoutImport, FindsLinesOfBothOriginsByRaceKey)
{
    loadRaces(3);
    // Sorted by whole line, the imported lines come first whatever their race: the file
    // holds race 3 (import), then races 1 and 3 again (fetch). The later line of race 3 wins.
    payoutLines({importedPayouts(3).win(1, 9, 990, 8).line(), fetchedPayouts(1).win(1, 4, 250, 1).line(),
                 fetchedPayouts(3).win(1, 5, 310, 2).line()});

    const results::PayoutImportResult r = import();
    EXPECT_TRUE(r.payoutFileFound);
    EXPECT_FALSE(r.raceCardsMoved);
    EXPECT_EQ(win(0), (results::PayoutItem{4, "", 1, 250}));
    EXPECT_EQ(win(1), results::PayoutItem{});
    EXPECT_EQ(win(2), (results::PayoutItem{5, "", 2, 310}));
    EXPECT_TRUE(payouts.payoutsLoaded(0));
    EXPECT_FALSE(payouts.payoutsLoaded(1));
    EXPECT_TRUE(payouts.payoutsLoaded(2));
    EXPECT_EQ(records::RecordView(table.slots[0].hrRecord).raceNumber(), 1);
    EXPECT_EQ(table.slots[1].hrRecord, std::string(analysis::kHrSize, ' '));
}

TEST_F(PayoutImport, KeyMustMatchWholeNotJustTrackAndRace)
{
    loadRaces(2);
    HrBuilder otherDay = fetchedPayouts(1).win(1, 7, 700, 7);
    otherDay.date(2024, 1, 16);
    HrBuilder otherMeeting = fetchedPayouts(2).win(1, 8, 800, 8);
    otherMeeting.meeting(12);
    HrBuilder otherTrack = fetchedPayouts(2, "45").win(1, 6, 600, 6);
    payoutLines({otherDay.line(), otherMeeting.line(), otherTrack.line()});
    // The day load matched these by track and race; the import must not.
    table.slots[0].hrRecord = otherDay.build();

    import();
    EXPECT_TRUE(payouts.table(0).empty());
    EXPECT_TRUE(payouts.table(1).empty());
    EXPECT_FALSE(payouts.payoutsLoaded(0));
    EXPECT_EQ(table.slots[0].hrRecord, std::string(analysis::kHrSize, ' '));
}

TEST_F(PayoutImport, UsesTheFirst96PayoutLinesOnly)
{
    loadRaces(2);
    std::vector<std::string> lines;
    for (int i = 0; i < 95; ++i) {
        HrBuilder b = fetchedPayouts(1 + i % 12, "30"); // another track's races
        lines.push_back(b.line());
    }
    lines.push_back(fetchedPayouts(1).win(1, 2, 200, 1).line());  // line 96: used
    lines.push_back(fetchedPayouts(2).win(1, 3, 300, 1).line());  // line 97: beyond the limit
    payoutLines(lines);

    import();
    EXPECT_EQ(win(0).horse, 2);
    EXPECT_TRUE(payouts.table(1).empty());
}

TEST_F(PayoutImport, MissingPayoutFileKeepsRecordsAndTables)
{
    loadRaces(1);
    table.slots[0].hrRecord = fetchedPayouts(1).win(1, 4, 250, 1).build();

    const results::PayoutImportResult r = import(0);
    EXPECT_FALSE(r.payoutFileFound);
    EXPECT_FALSE(r.selectedArrived);
    EXPECT_TRUE(payouts.table(0).empty());
    EXPECT_FALSE(payouts.payoutsLoaded(0));
    EXPECT_EQ(records::RecordView(table.slots[0].hrRecord).raceNumber(), 1);
}

TEST_F(PayoutImport, SelectedRaceArrivesOnceUntilTheDayIsReset)
{
    loadRaces(3);
    payoutLines({fetchedPayouts(1).win(1, 4, 250, 1).line()});
    EXPECT_FALSE(import(1).selectedArrived); // race 2 selected, payouts only for race 1
    EXPECT_FALSE(import(-1).selectedArrived);

    payoutLines({fetchedPayouts(1).win(1, 4, 250, 1).line(), fetchedPayouts(2).win(1, 6, 420, 3).line()});
    EXPECT_TRUE(import(1).selectedArrived);
    EXPECT_FALSE(import(1).selectedArrived); // already there
    EXPECT_EQ(win(1).horse, 6);

    loadDay();
    EXPECT_FALSE(payouts.payoutsLoaded(1));
    EXPECT_TRUE(import(1).selectedArrived);
}

TEST_F(PayoutImport, FinalResultsOfAFullFieldFromTheRunnerSlots)
{
    store.dayFile({raceCard(1, 12).line(), raceCard(2, 18).line()});
    std::vector<std::string> runners;
    for (int h = 1; h <= 12; ++h)
        runners.push_back(runner(1, h).line());
    for (int h = 1; h <= 18; ++h)
        runners.push_back(runner(2, h).line());
    store.runnerFile(runners);
    loadDay();

    // The results arrive: race 2 horse 18 (slot block 35) wins, horse 1 is second.
    runners.back() = runner(2, 18).finishPosition(1).finalWinPopularity(12).finalWinOdds(45.6).line();
    runners[12] = runner(2, 1).finishPosition(2).finalWinPopularity(1).finalWinOdds(1.8).line();
    store.runnerFile(runners);

    const results::PayoutImportResult r = import();
    EXPECT_TRUE(r.raceCardsFound);
    EXPECT_FALSE(r.payoutFileFound);
    const analysis::RaceRecord& rec = table.slots[1].record;
    EXPECT_EQ(rec.finishPosition[18], 1);
    EXPECT_EQ(rec.finalPopularity[18], 12);
    EXPECT_DOUBLE_EQ(rec.finalWinOdds[18], 45.6);
    EXPECT_EQ(rec.finishPosition[1], 2);
    EXPECT_DOUBLE_EQ(rec.finalWinOdds[1], 1.8);
    EXPECT_EQ(table.slots[0].record.finishPosition[1], 0);
}

TEST_F(PayoutImport, MissingRaceCardsOrRunnersLeaveTheSlotsAsTheyWere)
{
    loadRaces(2);
    table.slots[1].seRecords[3] = runner(2, 3).finishPosition(1).build();
    std::filesystem::remove(store.data("2024年01月15日大井.nvSEr"));
    EXPECT_TRUE(import().raceCardsFound);
    EXPECT_EQ(table.slots[1].record.finishPosition[3], 1);

    std::filesystem::remove(day.dayFile);
    payoutLines({fetchedPayouts(2).win(1, 3, 180, 1).line()});
    const results::PayoutImportResult r = import();
    EXPECT_FALSE(r.raceCardsFound);
    EXPECT_FALSE(r.raceCardsMoved);
    EXPECT_EQ(table.raceCount, 2);
    EXPECT_EQ(win(1).horse, 3); // matched against the race cards the slots still hold
    EXPECT_EQ(table.slots[1].record.finishPosition[3], 1);
}

TEST_F(PayoutImport, ReportsRaceCardsThatMovedSinceTheDayLoad)
{
    store.dayFile({raceCard(1).line(), raceCard(3).line()});
    store.fullRunners(3, 12);
    loadDay();
    EXPECT_FALSE(import().raceCardsMoved);

    // The results fetch filed race 2 between them: race 3 is now in slot 2.
    store.dayFile({raceCard(1).line(), raceCard(2).line(), raceCard(3).line()});
    payoutLines({fetchedPayouts(3).win(1, 1, 120, 1).line()});
    const results::PayoutImportResult r = import();
    EXPECT_TRUE(r.raceCardsMoved);
    EXPECT_EQ(table.raceCount, 3);
    EXPECT_EQ(win(2).horse, 1);
    EXPECT_TRUE(payouts.table(1).empty());
}

TEST_F(PayoutImport, UnreadablePayoutFileStopsWithoutLosingRecords)
{
    loadRaces(1);
    payoutLines({fetchedPayouts(1).win(1, 4, 250, 1).line()});
    import();
    ASSERT_EQ(win(0).horse, 4);

    std::filesystem::remove(payoutFile());
    std::filesystem::create_directory(payoutFile()); // exists, cannot be read as a file
    EXPECT_THROW(import(), text::FileError);
    EXPECT_EQ(win(0).horse, 4);
    EXPECT_EQ(records::RecordView(table.slots[0].hrRecord).raceNumber(), 1);
}

TEST_F(PayoutImport, TrailingPartialBlockAndBlankLinesAreNoPayouts)
{
    loadRaces(1);
    const std::string blank(records::kHrLineLength, ' ');
    store.write(payoutFile(), blank + "\r\n" + fetchedPayouts(1).win(1, 4, 250, 1).build() + "HR2" /* cut */);
    import();
    EXPECT_EQ(win(0).horse, 4);
    EXPECT_FALSE(payouts.payoutsLoaded(1)); // the blank line matched no empty slot
}

} // namespace
