#include <gtest/gtest.h>

#include <cstdint>
#include <set>

#include "analysis/anomaly_search.h"
#include "analysis/race_store_fixture.h"
#include "analysis/time_series_tables.h"
#include "records/record_builder.h"
#include "records/record_view.h"

using namespace tidemark;
using namespace tidemark::analysis;
using records::OddsField;
using tidemark::testing::o1At;

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

// The cells of every kind are checked through the grids; these are the rules the
// grids' fixtures do not reach.
TEST(SeriesFields, MarkersFillTheFieldAndOrdersNeedPricedOdds)
{
    EXPECT_EQ(seriesOdds("------", 6, 75.0).kind, Kind::CancelledBefore);
    // "---" in a win field is damage, not a cancellation.
    EXPECT_EQ(seriesOdds(" ---", 4, 80.0), SeriesOdds{});
    EXPECT_EQ(seriesOdds("12a4", 4, 80.0), SeriesOdds{});
    EXPECT_DOUBLE_EQ(seriesOdds("0020", 4, 26.6).share, 13.3);

    EXPECT_EQ(seriesPopularity("ab", "0035").kind, PopKind::NoOrder);
    EXPECT_EQ(seriesPopularity("123", "000150"), (SeriesPopularity{PopKind::Order, 123}));
    EXPECT_EQ(seriesPopularity("05", "----").kind, PopKind::Unpriced);
    EXPECT_EQ(seriesPopularity("05", "    ").kind, PopKind::Unpriced);
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

namespace {

// The search as it was first written: every moment's key in an ordered set, the three
// largest kept. The search keeps only three moments as it goes and must find the same.
std::vector<RatioMoment> referenceLargest(const SnapshotList& series, int horse, bool winOverPlace)
{
    std::set<RatioMoment> moments;
    for (const std::string& line : series) {
        const records::O1View v(line);
        const std::int64_t w = v.number(records::winOddsPos(horse), 4);
        const std::int64_t l = v.number(records::placeLowPos(horse), 4);
        if (w <= 0 || l <= 0)
            continue;
        if (winOverPlace)
            moments.emplace(w, l, v.announcementHhmm());
        else
            moments.emplace(l, w, v.announcementHhmm());
    }
    std::vector<RatioMoment> out;
    for (auto it = moments.rbegin(); it != moments.rend() && out.size() < 3; ++it)
        out.push_back(*it);
    return out;
}

} // namespace

TEST(RatioSearch, KeepsTheSameThreeAsSortingEveryMoment)
{
    std::uint32_t state = 12345;
    const auto next = [&state](std::uint32_t n) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % n;
    };
    for (int round = 0; round < 40; ++round) {
        SnapshotList series;
        const int snapshots = 1 + static_cast<int>(next(120));
        // Few distinct odds and times: equal ratios, equal keys and repeated times are common.
        const std::uint32_t spread = round % 2 == 0 ? 6 : 9999;
        for (int i = 0; i < snapshots; ++i) {
            const int minute = static_cast<int>(next(30));
            const std::string key = "0115" + std::string(minute < 10 ? "100" : "10") + std::to_string(minute);
            records::O1Builder b = o1At(key);
            for (int h = 1; h <= 18; ++h) {
                const auto odds = [&](std::uint32_t roll) {
                    if (roll == 0)
                        return OddsField::noVotes();
                    if (roll == 1)
                        return OddsField::cancelledBeforeSale();
                    return OddsField::fromTenths(1 + static_cast<std::int64_t>(next(spread)) * (spread < 10 ? 10 : 1));
                };
                const OddsField low = odds(next(12));
                b.win(h, odds(next(12)), 1).place(h, low, low, 1);
            }
            series.push_back(b.line());
        }
        const auto found = searchWinPlaceRatios(series, 18);
        for (int h = 1; h <= 18; ++h) {
            const auto& horse = found[static_cast<std::size_t>(h)];
            ASSERT_EQ(keys(horse.winOverPlace), keys(referenceLargest(series, h, true))) << "round " << round;
            ASSERT_EQ(keys(horse.placeOverWin), keys(referenceLargest(series, h, false))) << "round " << round;
        }
    }
}
