#include <gtest/gtest.h>

#include "analysis/race_calendar.h"
#include "analysis/race_store_fixture.h"

using namespace tidemark;
using namespace tidemark::analysis;
using text::sj;
using tidemark::testing::raceCard;
using tidemark::testing::RaceStore;
using tidemark::testing::runner;

namespace {

struct DayFixture : ::testing::Test {
    RaceStore store;
    DayTable table;

    DayRead load(const std::string& utf8Label = "2024年01月15日")
    {
        clearDayRecords(table);
        table.resetDay();
        DayFiles day = dayFiles(store.layout, sj(utf8Label));
        DayRead read = readDayFile(table, day);
        readPayoutFile(table, day);
        deriveRaceRecords(table);
        return read;
    }
};

std::vector<std::string> texts(const DayRead& r)
{
    std::vector<std::string> out;
    for (const RaceListEntry& e : r.races)
        out.push_back(text::toUtf8(e.text));
    return out;
}

} // namespace

TEST(DateList, NewestFirstFromTheDayFileNames)
{
    RaceStore store;
    EXPECT_TRUE(buildDateList(store.layout).empty());
    store.write(store.data("2024年01月14日.nvRA"), "");
    store.write(store.data("2024年01月15日.nvRA"), "");
    store.write(store.data("2023年12月31日.nvRA"), "");
    store.write(store.data("2024年01月15日.nvHR"), "");
    store.write(store.data("notes.nvRA"), "");
    std::vector<std::string> labels = buildDateList(store.layout);
    ASSERT_EQ(labels.size(), 4u);
    EXPECT_EQ(labels[0], "notes.nvRA");
    EXPECT_EQ(text::toUtf8(labels[1]), "2024年01月15日");
    EXPECT_EQ(text::toUtf8(labels[2]), "2024年01月14日");
    EXPECT_EQ(text::toUtf8(labels[3]), "2023年12月31日");

    // The batch window's day: the newest not after today; past every entry when all lie ahead.
    std::vector<std::string> days(labels.begin() + 1, labels.end());
    EXPECT_EQ(newestDayNotAfter(days, "20240115"), 0);
    EXPECT_EQ(newestDayNotAfter(days, "20240114"), 1);
    EXPECT_EQ(newestDayNotAfter(days, "20240110"), 2);
    EXPECT_EQ(newestDayNotAfter(days, "20231201"), 3);
    EXPECT_EQ(text::toUtf8(dayLabelOf(2024, 1, 5)), "2024年01月05日");
}

TEST_F(DayFixture, RaceListRunnersAndFinalResults)
{
    store.dayFile({raceCard(1, 2).line(), raceCard(2, 3).line(), raceCard(1, 1, "1600", "45").line()});
    store.runnerFile({runner(1, 1).finishPosition(2).finalWinOdds(3.4).finalWinPopularity(1).line(),
                      runner(1, 2).line(), runner(2, 1).line(), runner(2, 2).line(),
                      runner(2, 3).horseName(sj("スリーロールス")).line(), runner(3, 1).line()});
    DayRead read = load();
    EXPECT_TRUE(read.runnersFound);
    EXPECT_EQ(texts(read), (std::vector<std::string>{"大井 1R", "大井 2R", "川崎 1R"}));
    EXPECT_EQ(table.raceCount, 3);
    // Race 2's horse 3 is slot (2 - 1) * 18 + 2 of the track file.
    EXPECT_EQ(text::toUtf8(std::string(text::bytesAt(table.slots[1].seRecords[3], 41, 14))), "スリーロールス");
    // Horses beyond the runner count are never read.
    EXPECT_EQ(text::trim(table.slots[0].seRecords[3]), "");
    EXPECT_EQ(table.slots[0].record.finishPosition[1], 2);
    EXPECT_DOUBLE_EQ(table.slots[0].record.finalWinOdds[1], 3.4);
    EXPECT_EQ(table.slots[0].record.finalPopularity[1], 1);
    EXPECT_EQ(text::toUtf8(table.slots[0].record.label), "2024年01月15日大井11回02日01R");
    EXPECT_EQ(table.slots[1].record.runnerCount, 3);
    // 川崎 has no runner file: its race is listed, its rows empty.
    EXPECT_EQ(text::trim(table.slots[2].seRecords[1]), "");
    EXPECT_FALSE(table.slots[0].record.numbersPending);
}

TEST_F(DayFixture, RunnersOfThePreviousDayDoNotStay)
{
    store.dayFile({raceCard(1, 1).line()});
    store.fullRunners(1, 1);
    load();
    ASSERT_NE(text::trim(table.slots[0].seRecords[1]), "");
    store.dayFile({raceCard(1, 1, "1540", "45").line()}, "2024年01月16日");
    DayRead read = load("2024年01月16日");
    EXPECT_FALSE(read.runnersFound);
    EXPECT_EQ(text::trim(table.slots[0].seRecords[1]), "");
    EXPECT_EQ(table.slots[0].record.finishPosition[1], 0);
}

TEST_F(DayFixture, PendingGateNumbersAndRaceNumberZero)
{
    std::string noNumber = runner(1, 2).line();
    store.dayFile({raceCard(1, 2).line(), raceCard(0, 2).line()});
    store.runnerFile({runner(1, 1).line()});
    // Horse 2's slot holds a runner without a number yet.
    std::vector<std::string> slots(216, std::string(records::kSeLineLength, ' '));
    slots[0] = runner(1, 1).line();
    slots[1] = noNumber.replace(28, 2, "  ");
    store.writeLines(store.data("2024年01月15日大井.nvSEr"), slots);
    DayRead read = load();
    EXPECT_TRUE(table.slots[0].record.numbersPending);
    // A race number of zero is listed with blanks and reads no runner slots.
    ASSERT_EQ(read.races.size(), 2u);
    EXPECT_EQ(text::toUtf8(read.races[1].text), "大井  R");
    EXPECT_EQ(text::trim(table.slots[1].seRecords[1]), "");
}

TEST_F(DayFixture, BadDayFiles)
{
    // A blank first race card: not listed, and the list still points at the right slots.
    store.dayFile({std::string(records::kRaLineLength, ' '), raceCard(1).line(), raceCard(2).line()});
    store.fullRunners(2, 12);
    DayRead read = load();
    ASSERT_EQ(read.races.size(), 2u);
    EXPECT_EQ(read.races[0].slot, 1);
    EXPECT_EQ(read.races[1].slot, 2);
    EXPECT_EQ(table.raceCount, 3);

    // More than 96 lines: the first 96 are the day.
    std::vector<std::string> many;
    for (int i = 0; i < 100; ++i)
        many.push_back(raceCard(1 + i % 12, 12, "1540", i < 96 ? "44" : "45").line());
    store.dayFile(many);
    read = load();
    EXPECT_EQ(table.raceCount, 96);
    EXPECT_EQ(read.races.size(), 96u);

    // A year of "0000" is no race; an empty file no day.
    store.dayFile({raceCard(1).set(12, "0000").line()});
    EXPECT_TRUE(load().races.empty());
    store.write(store.data("2024年01月15日.nvRA"), "");
    read = load();
    EXPECT_TRUE(read.races.empty());
    EXPECT_EQ(table.raceCount, 0);
}

TEST_F(DayFixture, RunnerFileOfTheWrongSize)
{
    store.dayFile({raceCard(1, 3).line(), raceCard(2, 3).line()});
    // Only two whole slots and a cut third one.
    std::string bytes = tidemark::testing::joinCrLf({runner(1, 1).line(), runner(1, 2).line()}) + "SE1";
    store.write(store.data("2024年01月15日大井.nvSEr"), bytes);
    DayRead read = load();
    EXPECT_TRUE(read.runnersFound);
    EXPECT_EQ(std::string(text::bytesAt(table.slots[0].seRecords[2], 29, 2)), "02");
    EXPECT_EQ(text::trim(table.slots[0].seRecords[3]), "");
    EXPECT_EQ(text::trim(table.slots[1].seRecords[1]), "");
}

TEST_F(DayFixture, PayoutsGoToTheRaceOfTheSameTrackAndNumber)
{
    store.dayFile({raceCard(1).line(), raceCard(2).line(), raceCard(1, 12, "1540", "45").line()});
    store.fullRunners(2, 12);
    records::HrBuilder hr2;
    hr2.date(2024, 1, 15).track("44").meeting(11).day(2).race(2).win(1, 3, 150, 1);
    records::HrBuilder hrKawasaki;
    hrKawasaki.date(2024, 1, 15).track("45").meeting(11).day(2).race(1).win(1, 7, 990, 4);
    records::HrBuilder stray;
    stray.date(2024, 1, 15).track("46").meeting(1).day(1).race(1);
    store.writeLines(store.data("2024年01月15日.nvHR"), {hr2.line(), hrKawasaki.line(), stray.line()});
    load();
    EXPECT_EQ(text::trim(table.slots[0].hrRecord), "");
    EXPECT_EQ(table.slots[1].hrRecord, hr2.build());
    EXPECT_EQ(table.slots[2].hrRecord, hrKawasaki.build());
}

TEST_F(DayFixture, NextRaceByPostTime)
{
    store.dayFile({raceCard(1, 12, "0955").line(), raceCard(2, 12, "1005").line(), raceCard(3, 12, "1030").line(),
                   raceCard(4, 12, "1030").line()});
    store.fullRunners(4, 12);
    DayRead read = load();
    EXPECT_EQ(nextRaceEntry(table, read.races, "0958"), 1);
    // A race starting this minute is no longer a candidate.
    EXPECT_EQ(nextRaceEntry(table, read.races, "1005"), 2);
    // Equal post times: the earlier entry.
    EXPECT_EQ(nextRaceEntry(table, read.races, "1029"), 2);
    EXPECT_EQ(nextRaceEntry(table, read.races, "1030"), -1);
    EXPECT_EQ(nextRaceEntry(table, read.races, "0800"), 0);
}

TEST(DayFilesOf, LabelsThatCannotNameAFile)
{
    RaceStore store;
    DayFiles day = dayFiles(store.layout, "../x");
    EXPECT_TRUE(day.dayFile.empty());
    DayTable table;
    EXPECT_TRUE(readDayFile(table, day).races.empty());
    EXPECT_FALSE(readPayoutFile(table, day));
}
