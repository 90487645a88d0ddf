// The movers board over a small store: which rows it holds, in which order, what each
// row says, and what its filters leave.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/race_calendar.h"
#include "analysis/race_store_fixture.h"
#include "analytics/movers_board.h"
#include "text/file_io.h"

namespace tidemark::analytics {
namespace {

using records::O1Builder;
using testing::RaceStore;
using testing::o1At;
using testing::raceCard;
using testing::runner;
using text::sj;

class MoversBoardTest : public ::testing::Test {
protected:
    MoversBoardTest()
    {
        // 大井 (44) races 1-3 and 川崎 (45) race 1, post times 10:30, 11:00, 11:30, 10:45.
        const auto kawasaki = [] {
            records::RaBuilder b;
            b.date(2024, 1, 15).track("45").meeting(11).day(2).race(1).runners(12).startTime("1045");
            return b;
        }();
        store.dayFile({raceCard(1, 12, "1030").line(), raceCard(2, 12, "1100").line(), raceCard(3, 12, "1130").line(),
                       kawasaki.line()});
        std::vector<std::string> ooi;
        for (int race = 1; race <= 3; ++race)
            for (int h = 1; h <= 4; ++h)
                ooi.push_back(runner(race, h).horseName(sj("ウマ") + std::to_string(race) + std::to_string(h)).line());
        // Padded with full-width blanks, as the service pads names.
        ooi[0] = runner(1, 1).horseName(sj("ハヤテ　　　　")).line();
        store.runnerFile(ooi);
        records::SeBuilder k;
        k.date(2024, 1, 15).track("45").meeting(11).day(2).race(1).horse(2).horseName(sj("カワサキ"));
        store.runnerFile({k.line()}, "川崎");

        // Race 1: horse 1 from 8.0 to 4.0 (+10.0), horse 2 from 4.0 to 5.0 (-4.0),
        // horse 3 unchanged, horse 4 cancelled at B.
        store.writeLines(store.o1File(1),
                         {o1At("01151000", 1).win(1, 8.0, 3).win(2, 4.0, 1).win(3, 10.0, 4).win(4, 6.0, 2).line(),
                          o1At("01151005", 1).win(1, 7.0, 3).win(2, 4.0, 1).win(3, 10.0, 4).win(4, 6.0, 2).line(),
                          o1At("01151010", 1)
                              .win(1, 4.0, 1).place(1, 1.5, 2.0, 1).win(2, 5.0, 2).win(3, 10.0, 4)
                              .win(4, records::OddsField::cancelledAfterSale()).line()});
        // Race 2: horse 2 from 10.0 to 8.0 (+2.0), horse 1 from 20.0 to 10.0 (+4.0).
        store.writeLines(store.o1File(2), {o1At("01151000", 2).win(1, 20.0, 4).win(2, 10.0, 3).line(),
                                           o1At("01151010", 2).win(1, 10.0, 3).win(2, 8.0, 2).line()});
        // Race 3 has no odds yet. 川崎 1: horse 2 from 8.0 to 4.0 (+10.0, ties 大井 1's horse 1).
        const auto kw = [](std::string_view at, double odds) {
            O1Builder b;
            b.dataKind('0').creationDate("20240115").date(2024, 1, 15).track("45").meeting(11).day(2).race(1);
            return b.announcement(at).win(2, odds, 1).line();
        };
        const std::filesystem::path kwFile = store.layout.dataFolder() / "20240115" / "45110201.nvO1";
        store.writeLines(kwFile, {kw("01151000", 8.0), kw("01151010", 4.0)});
    }

    MoversDay day()
    {
        analysis::DayTable table;
        const analysis::DayRead read =
            analysis::readDayFile(table, analysis::dayFiles(store.layout, sj("2024年01月15日")));
        return moversDay(table, read.races, store.layout);
    }

    static MoversQuery at(int hour, int minute, int window = 10)
    {
        MoversQuery q;
        q.atMinute = minuteOfDay(hour, minute);
        q.windowMinutes = window;
        return q;
    }

    RaceStore store;
};

// "44:1/1" for race key ...44..01, horse 1: what a row is, in short.
std::vector<std::string> keys(const MoversBoard& board)
{
    std::vector<std::string> out;
    for (const MoverRow& r : board.rows)
        out.push_back(r.trackCode + ":" + std::to_string(r.raceNumber) + "/" + std::to_string(r.change.horse));
    return out;
}

TEST_F(MoversBoardTest, RowsRunFromTheBiggestRiseWithTiesInRaceKeyOrder)
{
    const MoversDay d = day();
    ASSERT_EQ(d.races.size(), 4u);
    const MoversBoard board = buildMoversBoard(d, at(10, 10));
    EXPECT_EQ(board.oddsFiles, 3);
    // +10.0 twice (44 before 45), +4.0, +2.0, 0.0, -4.0; the cancelled horse is left out.
    EXPECT_EQ(keys(board), (std::vector<std::string>{"44:1/1", "45:1/2", "44:2/1", "44:2/2", "44:1/3", "44:1/2"}));

    const MoverRow& top = board.rows.front();
    EXPECT_EQ(top.horseName, sj("ハヤテ"));
    EXPECT_EQ(top.postTime, "1030");
    EXPECT_EQ(top.minutesToPost, 20);
    EXPECT_EQ(top.announcementB, "01151010");
    EXPECT_EQ(top.change.a.win.tenths(), 80);
    EXPECT_EQ(top.change.b.win.tenths(), 40);
    EXPECT_DOUBLE_EQ(top.change.winChange, 80.0 / 4.0 - 80.0 / 8.0);
    EXPECT_FALSE(top.change.placeCounts); // no place odds at A
    EXPECT_EQ(board.rows[1].horseName, sj("カワサキ"));
    EXPECT_EQ(board.rows[2].horseName, sj("ウマ21"));
    EXPECT_EQ(board.rows[2].minutesToPost, 50);

    // Five minutes later A moves on to 10:05 in race 1 and stays at 10:00 in the others.
    const MoversBoard later = buildMoversBoard(d, at(10, 15));
    EXPECT_DOUBLE_EQ(later.rows.front().change.winChange, 80.0 / 4.0 - 80.0 / 8.0);
    EXPECT_EQ(later.rows.front().announcementA, "01151000");
    EXPECT_EQ(later.rows.front().ageB, 5); // B at 10:10, the board at 10:15
    const auto it = std::find_if(later.rows.begin(), later.rows.end(),
                                 [](const MoverRow& r) { return r.raceNumber == 1 && r.trackCode == "44" && r.change.horse == 1; });
    ASSERT_NE(it, later.rows.end());
    EXPECT_DOUBLE_EQ(it->change.winChange, 80.0 / 4.0 - 80.0 / 7.0);
    EXPECT_EQ(it->announcementA, "01151005");
    EXPECT_EQ(it->minuteA, minuteOfDay(10, 5));
    EXPECT_EQ(it->minuteB, minuteOfDay(10, 10));
}

TEST_F(MoversBoardTest, PlaceAndQuinellaPoolsCompareTheirOwnShares)
{
    // Race 2 with place ranges: horse 1 from 2.0-3.0 to 1.5-2.5, horse 2 from 3.0-4.0 to 4.0-6.0.
    store.writeLines(store.o1File(2),
                     {o1At("01151000", 2).win(1, 20.0, 4).place(1, 2.0, 3.0, 1).win(2, 10.0, 3).place(2, 3.0, 4.0, 2).line(),
                      o1At("01151010", 2).win(1, 10.0, 3).place(1, 1.5, 2.5, 1).win(2, 8.0, 2).place(2, 4.0, 6.0, 2).line()});
    // Race 1's quinella: 1-2 from 5.0 to 4.0, 2-3 from 12.0 to 15.0, 1-3 priced at B only.
    using records::quinellaPairIndex;
    store.writeLines(store.o2File(1), {testing::o2At("01151000", 1)
                                           .quinella(quinellaPairIndex(1, 2), 5.0, 1)
                                           .quinella(quinellaPairIndex(2, 3), 12.0, 2)
                                           .line(),
                                       testing::o2At("01151008", 1)
                                           .quinella(quinellaPairIndex(1, 2), 4.0, 1)
                                           .quinella(quinellaPairIndex(2, 3), 15.0, 3)
                                           .quinella(quinellaPairIndex(1, 3), 30.0, 4)
                                           .line()});
    const MoversDay d = day();
    MoversQuery q = at(10, 10);
    q.pool = MoversPool::Place;
    const MoversBoard place = buildMoversBoard(d, q);
    // Race 1's horse 1 has place odds at B only; the shares come from the lower odds.
    ASSERT_EQ(keys(place), (std::vector<std::string>{"44:2/1", "44:2/2"}));
    EXPECT_DOUBLE_EQ(place.rows[0].move.change, 26.6 / 1.5 - 26.6 / 2.0);
    EXPECT_DOUBLE_EQ(place.rows[0].move.shareA, 26.6 / 2.0);
    EXPECT_EQ(place.rows[0].move.highB.tenths(), 25);
    EXPECT_DOUBLE_EQ(place.rows[0].change.winChange, 80.0 / 10.0 - 80.0 / 20.0); // beside it, the win
    EXPECT_DOUBLE_EQ(place.rows[1].move.change, 26.6 / 4.0 - 26.6 / 3.0);

    q.pool = MoversPool::Quinella;
    const MoversBoard pairs = buildMoversBoard(d, q);
    EXPECT_EQ(pairs.oddsFiles, 1); // only race 1 has quinella odds
    ASSERT_EQ(pairs.rows.size(), 2u);
    const MoverRow& top = pairs.rows[0];
    EXPECT_EQ(top.entry, (records::Pair{1, 2}));
    EXPECT_DOUBLE_EQ(top.move.change, 75.0 / 4.0 - 75.0 / 5.0);
    EXPECT_DOUBLE_EQ(top.move.shareB, 75.0 / 4.0);
    EXPECT_EQ(top.horseName, sj("ハヤテ・ウマ12"));
    EXPECT_EQ(top.announcementA, "01151000");
    EXPECT_EQ(top.announcementB, "01151008");
    EXPECT_EQ(top.ageB, 2);
    EXPECT_EQ(pairs.rows[1].entry, (records::Pair{2, 3}));
    EXPECT_DOUBLE_EQ(pairs.rows[1].move.change, 75.0 / 15.0 - 75.0 / 12.0);
    q.minChange = 0.0;
    EXPECT_EQ(buildMoversBoard(d, q).rows.size(), 1u);
}

TEST_F(MoversBoardTest, RacesWithNothingNewInTheWindowAreCountedNotListed)
{
    // 10:25 looking back 10 minutes: every race's latest announcement is 10:10 at A and B.
    const MoversBoard quiet = buildMoversBoard(day(), at(10, 25));
    EXPECT_TRUE(quiet.rows.empty());
    EXPECT_EQ(quiet.staleRaces, 3);
    EXPECT_EQ(quiet.oddsFiles, 3);
    EXPECT_EQ(buildMoversBoard(day(), at(10, 10)).staleRaces, 0);
}

TEST_F(MoversBoardTest, FiltersByTrackRacesToRunAndMinimumChange)
{
    const MoversDay d = day();
    MoversQuery q = at(10, 10);
    q.trackCode = "45";
    EXPECT_EQ(keys(buildMoversBoard(d, q)), (std::vector<std::string>{"45:1/2"}));
    EXPECT_EQ(buildMoversBoard(d, q).oddsFiles, 3); // what the day has, whatever is shown

    q = at(10, 10);
    q.minChange = 2.0;
    EXPECT_EQ(keys(buildMoversBoard(d, q)), (std::vector<std::string>{"44:1/1", "45:1/2", "44:2/1", "44:2/2"}));
    q.minChange = -100.0;
    EXPECT_EQ(buildMoversBoard(d, q).rows.size(), 6u);

    // At 10:40 the 10:30 race has run; the others have not. The post minute itself
    // counts as run.
    q = at(10, 40, 40);
    q.notYetRun = true;
    EXPECT_EQ(keys(buildMoversBoard(d, q)), (std::vector<std::string>{"45:1/2", "44:2/1", "44:2/2"}));
    q = at(10, 30);
    q.notYetRun = true;
    for (const MoverRow& r : buildMoversBoard(d, q).rows)
        EXPECT_NE(r.postTime, "1030");
}

TEST_F(MoversBoardTest, RacesWithoutTwoSnapshotsGiveNoRows)
{
    const MoversDay d = day();
    // Before 10:10 minus the window nothing of the day was announced: no A anywhere.
    EXPECT_TRUE(buildMoversBoard(d, at(10, 5, 10)).rows.empty());
    EXPECT_TRUE(buildMoversBoard(d, at(9, 0)).rows.empty());

    // A day whose races have no odds files at all.
    std::filesystem::remove_all(store.layout.dataFolder() / "20240115");
    const MoversBoard none = buildMoversBoard(day(), at(12, 0));
    EXPECT_EQ(none.oddsFiles, 0);
    EXPECT_TRUE(none.rows.empty());
}

TEST_F(MoversBoardTest, AnUnreadableOddsFileIsAFileError)
{
    const MoversDay d = day();
    std::filesystem::remove(store.o1File(2));
    std::filesystem::create_directories(store.o1File(2)); // a folder where the file should be
    EXPECT_THROW(buildMoversBoard(d, at(10, 10)), text::FileError);
}

} // namespace
} // namespace tidemark::analytics
