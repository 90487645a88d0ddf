#include <gtest/gtest.h>

#include "analysis/anomaly_search.h"
#include "analysis/race_store_fixture.h"
#include "analysis/time_series_tables.h"
#include "records/record_builder.h"

using namespace tidemark;
using namespace tidemark::analysis;
using records::OddsField;
using tidemark::testing::o1At;
using tidemark::testing::o2At;

namespace {

using Kind = SeriesOdds::Kind;
using PopKind = SeriesPopularity::Kind;

// Win and lower place odds of horse 1 at one moment, in tenths.
std::string winPlace(std::string_view mmddhhmm, int winTenths, int lowTenths, int horse = 1)
{
    return o1At(mmddhhmm)
        .win(horse, OddsField::fromTenths(winTenths), 1)
        .place(horse, OddsField::fromTenths(lowTenths), OddsField::fromTenths(lowTenths + 10), 1)
        .line();
}

std::vector<std::string> keys(const std::vector<RatioMoment>& moments)
{
    std::vector<std::string> out;
    for (const RatioMoment& m : moments)
        out.push_back(m.key());
    return out;
}

} // namespace

TEST(SeriesFields, OddsFieldsByWhatTheyHold)
{
    EXPECT_EQ(seriesOdds("    ", 4, 80.0).kind, Kind::None);
    EXPECT_EQ(seriesOdds("----", 4, 80.0).kind, Kind::CancelledBefore);
    EXPECT_EQ(seriesOdds("*****", 5, 75.0).kind, Kind::CancelledAfter);
    EXPECT_EQ(seriesOdds("------", 6, 75.0).kind, Kind::CancelledBefore);
    // Zeros (no votes yet) and damaged text show nothing.
    EXPECT_EQ(seriesOdds("0000", 4, 80.0), SeriesOdds{});
    EXPECT_EQ(seriesOdds("12a4", 4, 80.0), SeriesOdds{});
    // A marker must fill the field: "---" in a win field is damage, not a cancellation.
    EXPECT_EQ(seriesOdds(" ---", 4, 80.0).kind, Kind::None);

    const SeriesOdds win = seriesOdds("0025", 4, 80.0);
    EXPECT_EQ(win.kind, Kind::Price);
    EXPECT_DOUBLE_EQ(win.odds, 2.5);
    EXPECT_DOUBLE_EQ(win.share, 32.0);
    const SeriesOdds place = seriesOdds("0020", 4, 26.6);
    EXPECT_DOUBLE_EQ(place.share, 13.3);
    const SeriesOdds quinella = seriesOdds("001500", 6, 75.0);
    EXPECT_DOUBLE_EQ(quinella.odds, 150.0);
    EXPECT_DOUBLE_EQ(quinella.share, 0.5);
}

TEST(SeriesFields, PopularityShownOnlyBesidePricedOdds)
{
    EXPECT_EQ(seriesPopularity("  ", "0035").kind, PopKind::NoOrder);
    EXPECT_EQ(seriesPopularity("00", "0035").kind, PopKind::NoOrder);
    EXPECT_EQ(seriesPopularity("ab", "0035").kind, PopKind::NoOrder);
    EXPECT_EQ(seriesPopularity(" 3", "0035"), (SeriesPopularity{PopKind::Order, 3}));
    EXPECT_EQ(seriesPopularity("123", "000150"), (SeriesPopularity{PopKind::Order, 123}));
    // An order beside zeros, a cancellation or a blank is never shown.
    EXPECT_EQ(seriesPopularity("05", "0000").kind, PopKind::Unpriced);
    EXPECT_EQ(seriesPopularity("05", "----").kind, PopKind::Unpriced);
    EXPECT_EQ(seriesPopularity("05", "    ").kind, PopKind::Unpriced);
}

TEST(SeriesRows, O1RowReadsEveryHorseOfTheRaceAndEveryBracketPair)
{
    const std::string line = o1At("01151015")
                                 .win(1, 2.5, 1)
                                 .place(1, 1.1, 1.4, 1)
                                 .win(2, OddsField::cancelledBeforeSale())
                                 .place(2, OddsField::cancelledBeforeSale(), OddsField::cancelledBeforeSale())
                                 .win(3, OddsField::noVotes(), 4)
                                 .win(18, 99.9, 18)
                                 .place(18, 12.0, 30.5, 17)
                                 .win(19, 5.0, 2) // beyond the record's horses: never read
                                 .bracketQuinella(1, 8.8, 2)
                                 .bracketQuinella(36, OddsField::cancelledAfterSale())
                                 .winVotes(1234567)
                                 .placeVotes(0)
                                 .line();
    const O1SeriesRow row = readO1SeriesRow(line, 18);
    EXPECT_EQ(row.time, "10:15");
    EXPECT_EQ(row.winVotes, 1234567);
    EXPECT_EQ(row.placeVotes, 0);
    EXPECT_EQ(row.bracketVotes, 0); // blank field

    EXPECT_EQ(row.win[1].kind, Kind::Price);
    EXPECT_EQ(row.winPopularity[1], (SeriesPopularity{PopKind::Order, 1}));
    EXPECT_DOUBLE_EQ(row.placeHigh[1].odds, 1.4);
    EXPECT_EQ(row.win[2].kind, Kind::CancelledBefore);
    EXPECT_EQ(row.placeHigh[2].kind, Kind::CancelledBefore);
    EXPECT_EQ(row.winPopularity[2].kind, PopKind::NoOrder);
    EXPECT_EQ(row.win[3].kind, Kind::None);
    EXPECT_EQ(row.winPopularity[3].kind, PopKind::Unpriced);
    EXPECT_DOUBLE_EQ(row.win[18].odds, 99.9);
    EXPECT_DOUBLE_EQ(row.placeLow[18].odds, 12.0);
    EXPECT_EQ(row.placePopularity[18], (SeriesPopularity{PopKind::Order, 17}));
    EXPECT_DOUBLE_EQ(row.bracket[1].share, 75.0 / 8.8);
    EXPECT_EQ(row.bracketPopularity[1].order, 2);
    EXPECT_EQ(row.bracket[36].kind, Kind::CancelledAfter);
    EXPECT_EQ(row.win[0], SeriesOdds{});

    // Horses above the race's runner count are not read.
    const O1SeriesRow ten = readO1SeriesRow(line, 10);
    EXPECT_EQ(ten.win[18], SeriesOdds{});
    EXPECT_EQ(ten.win[1].kind, Kind::Price);
    // A runner count beyond the record's 18 horses stops at 18.
    EXPECT_EQ(readO1SeriesRow(line, 99).win[18].kind, Kind::Price);
}

TEST(SeriesRows, O2RowReadsAll153Pairs)
{
    const std::string line = o2At("01151020")
                                 .quinella(1, 3.2, 1)
                                 .quinella(2, OddsField::noVotes(), 7)
                                 .quinella(153, 12345.6, 153)
                                 .quinellaVotes(98765)
                                 .line();
    const O2SeriesRow row = readO2SeriesRow(line);
    EXPECT_EQ(row.time, "10:20");
    EXPECT_EQ(row.quinellaVotes, 98765);
    EXPECT_DOUBLE_EQ(row.quinella[1].odds, 3.2);
    EXPECT_EQ(row.quinellaPopularity[1].order, 1);
    EXPECT_EQ(row.quinella[2].kind, Kind::None);
    EXPECT_EQ(row.quinellaPopularity[2].kind, PopKind::Unpriced);
    EXPECT_DOUBLE_EQ(row.quinella[153].odds, 12345.6);
    EXPECT_EQ(row.quinellaPopularity[153].order, 153);
    EXPECT_EQ(row.quinella[100].kind, Kind::None);
}

TEST(RatioSearch, KeyPiecesOfOneMoment)
{
    const RatioMoment m(120, 30, "1015");
    EXPECT_EQ(m.key(), "   4.00000 12.0  3.010:15");
    EXPECT_EQ(m.ratioText(), "   4.00");
    EXPECT_EQ(m.numeratorOddsText(), " 12.0");
    EXPECT_EQ(m.denominatorOddsText(), "  3.0");
    EXPECT_EQ(m.timeText(), "10:15");
    // The ratio is cut at two decimals, not rounded: 29 / 3 = 9.666…
    EXPECT_EQ(RatioMoment(29, 3, "0930").ratioText(), "   9.66");
    // The widest ratio the fields allow still keeps the pieces in place.
    const RatioMoment widest(9999, 1, "2359");
    EXPECT_EQ(widest.ratioText(), "9999.00");
    EXPECT_EQ(widest.numeratorOddsText(), "999.9");
    EXPECT_EQ(widest.timeText(), "23:59");
}

TEST(RatioSearch, ThreeLargestOfEachKindLargestFirst)
{
    const SnapshotList series{winPlace("01151000", 50, 20), winPlace("01151005", 120, 30),
        winPlace("01151010", 90, 30), winPlace("01151015", 40, 20), winPlace("01151020", 100, 20)};
    const auto found = searchWinPlaceRatios(series, 1);
    EXPECT_EQ(keys(found[1].winOverPlace), (std::vector<std::string>{"   5.00000 10.0  2.010:20",
                                               "   4.00000 12.0  3.010:05", "   3.00000  9.0  3.010:10"}));
    // The reverse ratio: place over win, place odds first.
    EXPECT_EQ(keys(found[1].placeOverWin), (std::vector<std::string>{"   0.50000  2.0  4.010:15",
                                               "   0.40000  2.0  5.010:00", "   0.33333  3.0  9.010:10"}));
    EXPECT_TRUE(found[0].winOverPlace.empty());
}

TEST(RatioSearch, OnlyPricedWinAndPlaceCount)
{
    SnapshotList series{winPlace("01151000", 80, 20),
        o1At("01151005").win(1, OddsField::noVotes()).place(1, 2.0, 3.0, 1).line(),
        o1At("01151010").win(1, 9.0, 1).place(1, OddsField::noVotes(), OddsField::noVotes()).line(),
        o1At("01151015").win(1, OddsField::cancelledAfterSale()).place(1, 2.0, 3.0, 1).line(),
        o1At("01151020").line()};
    auto found = searchWinPlaceRatios(series, 1);
    ASSERT_EQ(found[1].winOverPlace.size(), 1u);
    EXPECT_EQ(found[1].winOverPlace[0].timeText(), "10:00");

    // A horse scratched from the start never enters the search.
    series = {o1At("01151000").win(1, OddsField::cancelledBeforeSale()).line()};
    found = searchWinPlaceRatios(series, 1);
    EXPECT_TRUE(found[1].winOverPlace.empty());
    EXPECT_TRUE(found[1].placeOverWin.empty());
}

TEST(RatioSearch, EqualRatiosFallBackOnOddsThenTimeAndSameTextsCountOnce)
{
    // 4.0 at 10:00 (8.0/2.0), 10:10 (12.0/3.0) and 10:05 (8.0/2.0); 10:10 is repeated exactly.
    const SnapshotList series{winPlace("01151000", 80, 20), winPlace("01151010", 120, 30),
        winPlace("01151005", 80, 20), winPlace("01151010", 120, 30), winPlace("01151015", 40, 20)};
    const auto found = searchWinPlaceRatios(series, 1);
    ASSERT_EQ(found[1].winOverPlace.size(), 3u);
    EXPECT_EQ(found[1].winOverPlace[0].key(), "   4.00000 12.0  3.010:10");
    EXPECT_EQ(found[1].winOverPlace[1].key(), "   4.00000  8.0  2.010:05");
    EXPECT_EQ(found[1].winOverPlace[2].key(), "   4.00000  8.0  2.010:00");
}

TEST(RatioSearch, TwoSnapshotsGiveTwoMoments)
{
    const auto found = searchWinPlaceRatios({winPlace("01151000", 80, 20), winPlace("01151005", 60, 20)}, 1);
    EXPECT_EQ(found[1].winOverPlace.size(), 2u);
    EXPECT_EQ(found[1].placeOverWin.size(), 2u);
}

TEST(RatioSearch, HundredsOfSnapshotsAndEighteenRunners)
{
    SnapshotList series;
    for (int i = 0; i < 600; ++i) {
        const int minute = i % 60;
        const std::string time = "0115" + std::string(i / 60 < 10 ? "0" : "") + std::to_string(i / 60 + 0) +
                                 (minute < 10 ? "0" : "") + std::to_string(minute);
        records::O1Builder b = o1At(time);
        // Horse 18: win odds grow with the snapshot, place odds stay; horse 1 the reverse.
        b.win(18, OddsField::fromTenths(100 + i), 1).place(18, OddsField::fromTenths(20), OddsField::fromTenths(30), 1);
        b.win(1, OddsField::fromTenths(50), 1).place(1, OddsField::fromTenths(10 + i), OddsField::fromTenths(700), 1);
        series.push_back(b.line());
    }
    const auto found = searchWinPlaceRatios(series, 18);
    ASSERT_EQ(found[18].winOverPlace.size(), 3u);
    EXPECT_EQ(found[18].winOverPlace[0].numeratorOddsText(), " 69.9"); // snapshot 599
    EXPECT_EQ(found[18].winOverPlace[0].timeText(), "09:59");
    EXPECT_EQ(found[18].winOverPlace[2].numeratorOddsText(), " 69.7");
    EXPECT_EQ(found[1].placeOverWin[0].numeratorOddsText(), " 60.9"); // place 60.9 over win 5.0
    EXPECT_EQ(found[1].placeOverWin[0].ratioText(), "  12.18");
    for (int h = 2; h <= 17; ++h)
        EXPECT_TRUE(found[static_cast<std::size_t>(h)].winOverPlace.empty()) << h;
}
