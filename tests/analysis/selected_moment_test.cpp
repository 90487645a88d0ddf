#include "analysis/selected_moment.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/selected_snapshot.h"
#include "records/pair_index.h"
#include "records/record_builder.h"

using namespace tidemark;
using namespace tidemark::analysis;
using records::OddsField;
using records::quinellaPairIndex;

namespace {

OddsField price(double odds) { return OddsField::fromOdds(odds); }

// A race of `runners` horses whose selected moment is `o1` and `o2`, parsed as a moment
// selection parses them.
struct Moment {
    RaceSlot slot;
    int priced = 0;
    RaceRecord& r() { return slot.record; }

    Moment(int runners, const records::O1Builder& o1, const records::O2Builder& o2 = records::O2Builder())
    {
        slot.record.runnerCount = runners;
        slot.o1Selected = o1.build();
        slot.o2Selected = o2.build();
        priced = parseSelectedOdds(slot);
    }
};

// Win and place prices of horses 1..n; the place prices are given whole.
records::O1Builder field(const std::vector<double>& win, const std::vector<double>& low,
                         const std::vector<double>& high)
{
    records::O1Builder b;
    for (std::size_t i = 0; i < win.size(); ++i) {
        const int h = static_cast<int>(i) + 1;
        b.win(h, price(win[i])).place(h, price(low[i]), price(high[i]));
    }
    return b;
}

std::vector<int> numbers(const std::vector<RankedOdds>& order)
{
    std::vector<int> out;
    for (const RankedOdds& e : order)
        out.push_back(e.number);
    return out;
}

} // namespace

// Equal win odds: the lower place odds come first, then the lower horse number. A horse
// without a lower place price gets no win popularity and none of the figures built on it.
TEST(SelectedMomentPopularity, TiesAndMissingPlacePrice)
{
    records::O1Builder o1 = field({3.5, 3.5, 3.5, 2.0, 5.0}, {1.8, 1.5, 1.5, 1.2, 2.0}, {2.5, 2.0, 2.4, 1.6, 3.0});
    o1.place(5, OddsField::cancelledBeforeSale(), OddsField::cancelledBeforeSale());
    o1.win(6, price(9.9)).place(6, OddsField::blank(), OddsField::blank());
    Moment m(6, o1);
    rankAtMoment(m.r());
    computePopularityGaps(m.r());

    EXPECT_EQ((std::vector<int>(m.r().winPopularity.begin() + 1, m.r().winPopularity.begin() + 7)),
              (std::vector<int>{4, 2, 3, 1, 0, 0}));
    // Lower place 1.5 twice: the upper price 2.0 of horse 2 before 2.4 of horse 3.
    EXPECT_EQ((std::vector<int>(m.r().placeLowPopularity.begin() + 1, m.r().placeLowPopularity.begin() + 7)),
              (std::vector<int>{4, 2, 3, 1, 0, 0}));
    EXPECT_EQ((std::vector<int>(m.r().placeHighPopularity.begin() + 1, m.r().placeHighPopularity.begin() + 7)),
              (std::vector<int>{4, 2, 3, 1, 0, 0}));
    EXPECT_EQ(m.r().popDiffWinPlace[5], kNoPopDiff);
    EXPECT_EQ(m.r().ratioWinPlace[5], kNoRatio);
    EXPECT_EQ(m.r().popDiffWinPlace[6], kNoPopDiff);
    // The place share in the ratio is (80 / odds) / 3: horse 4, (80 / 2.0) / ((80 / 1.2) / 3).
    EXPECT_NEAR(m.r().ratioWinPlace[4], 1.8, 1e-12);
    EXPECT_EQ(m.r().popDiffWinPlace[1], 0);
}

// Place fields all blank: no win or place order, yet the pseudo-quinella order stands,
// and a horse cancelled in its win field has a pseudo share but no pseudo order.
TEST(SelectedMomentPopularity, PseudoQuinellaWithoutPlacePrices)
{
    records::O1Builder o1;
    o1.win(1, price(2.0)).win(2, price(4.0)).win(3, OddsField::cancelledAfterSale());
    records::O2Builder o2;
    o2.quinella(quinellaPairIndex(1, 2), price(5.0))
        .quinella(quinellaPairIndex(1, 3), price(10.0))
        .quinella(quinellaPairIndex(2, 3), OddsField::cancelledBeforeSale());
    Moment m(3, o1, o2);
    analysePopularity(m.r());

    EXPECT_EQ(m.r().winPopularity[1], 0);
    EXPECT_EQ(m.r().placeLowPopularity[1], 0);
    EXPECT_NEAR(m.r().pseudoQuinellaShare[1], 37.5 / 5.0 + 37.5 / 10.0, 1e-12);
    EXPECT_NEAR(m.r().pseudoQuinellaOdds[1], 80.0 / 11.25, 1e-12);
    EXPECT_NEAR(m.r().pseudoQuinellaShare[3], 3.75, 1e-12);
    EXPECT_EQ(m.r().pseudoQuinellaPopularity[1], 1);
    EXPECT_EQ(m.r().pseudoQuinellaPopularity[2], 2);
    EXPECT_EQ(m.r().pseudoQuinellaPopularity[3], 0);
    // Differences need the win order, which is missing without place prices.
    EXPECT_EQ(m.r().popDiffWinPseudo[1], kNoPopDiff);
    EXPECT_EQ(m.r().ratioPseudoPlace[1], kNoRatio);
}

// Ratios and differences of all three kinds for a horse with every order.
TEST(SelectedMomentPopularity, DifferencesAndShareRatios)
{
    records::O2Builder o2;
    o2.quinella(quinellaPairIndex(1, 2), price(2.5)).quinella(quinellaPairIndex(1, 3), price(7.5));
    o2.quinella(quinellaPairIndex(2, 3), price(3.0));
    Moment m(3, field({4.0, 2.0, 6.0}, {1.5, 2.0, 1.2}, {2.0, 3.0, 1.8}), o2);
    analysePopularity(m.r());

    // Horse 2: win 1st, lower place 3rd; pseudo share 37.5/2.5 + 37.5/3 = 27.5, the top.
    EXPECT_EQ(m.r().popDiffWinPlace[2], -2);
    EXPECT_EQ(m.r().pseudoQuinellaPopularity[2], 1);
    EXPECT_EQ(m.r().popDiffWinPseudo[2], 0);
    EXPECT_EQ(m.r().popDiffPseudoPlace[2], -2);
    EXPECT_NEAR(m.r().ratioWinPlace[2], 40.0 / (40.0 / 3.0), 1e-12);
    EXPECT_NEAR(m.r().ratioWinPseudo[2], 40.0 / 27.5, 1e-12);
    EXPECT_NEAR(m.r().ratioPseudoPlace[2], 27.5 / (40.0 / 3.0), 1e-12);
}

// A pseudo-quinella price past 9999.9 still ranks after the cheaper horses.
TEST(SelectedMomentPopularity, VeryLongPseudoOddsKeepTheirOrder)
{
    records::O1Builder o1 = field({2.0, 3.0, 4.0}, {1.1, 1.2, 1.3}, {1.5, 1.6, 1.7});
    records::O2Builder o2;
    o2.quinella(quinellaPairIndex(1, 2), price(9000.0)).quinella(quinellaPairIndex(2, 3), price(9000.0));
    Moment m(3, o1, o2);
    computePseudoQuinella(m.r());
    ASSERT_GT(m.r().pseudoQuinellaOdds[1], 10000.0); // 80 / (37.5 / 9000) = 19200
    EXPECT_LT(m.r().pseudoQuinellaOdds[2], 10000.0);
    EXPECT_EQ(m.r().pseudoQuinellaPopularity[2], 1);
    EXPECT_EQ(m.r().pseudoQuinellaPopularity[1], 2); // 19200.0 with win 2.0 before horse 3's 19200.0 with 4.0
    EXPECT_EQ(m.r().pseudoQuinellaPopularity[3], 3);
}

// Eighteen runners: every horse and the last pair take part.
TEST(SelectedMomentPopularity, EighteenRunners)
{
    records::O1Builder o1;
    records::O2Builder o2;
    for (int h = 1; h <= 18; ++h)
        o1.win(h, price(100.0 - h)).place(h, price(20.0 - h / 2.0), price(30.0));
    o2.quinella(quinellaPairIndex(17, 18), price(3.0));
    Moment m(18, o1, o2);
    analysePopularity(m.r());
    EXPECT_EQ(m.r().winPopularity[18], 1);
    EXPECT_EQ(m.r().winPopularity[1], 18);
    EXPECT_EQ(m.r().placeLowPopularity[18], 1);
    EXPECT_EQ(m.r().pseudoQuinellaPopularity[17], 2);
    EXPECT_EQ(m.r().pseudoQuinellaPopularity[18], 1);
    EXPECT_EQ(m.r().pseudoQuinellaPopularity[16], 0);
}

// Shares 40, 20, 10, 8 and 5: sample 14.24, population 12.74; a cancelled sixth horse
// does not count; a "0000" sixth horse counts as a share of 0; four priced horses show none.
TEST(SelectedMomentDeviation, SampleAndPopulation)
{
    const std::vector<double> win{2.0, 4.0, 8.0, 10.0, 16.0};
    records::O1Builder five = field(win, {1, 1, 1, 1, 1}, {1, 1, 1, 1, 1});
    Moment m5(6, records::O1Builder(five).win(6, OddsField::cancelledBeforeSale()));
    EXPECT_EQ(m5.priced, 5);
    EXPECT_NEAR(*winShareDeviation(m5.r(), m5.priced, StdDevKind::Sample), 14.2408, 1e-4);
    EXPECT_NEAR(*winShareDeviation(m5.r(), m5.priced, StdDevKind::Population), 12.7373, 1e-4);

    Moment m6(6, records::O1Builder(five).win(6, OddsField::noVotes()));
    EXPECT_EQ(m6.priced, 6);
    EXPECT_NEAR(*winShareDeviation(m6.r(), m6.priced, StdDevKind::Sample), 14.4280, 1e-4);
    EXPECT_NEAR(*winShareDeviation(m6.r(), m6.priced, StdDevKind::Population), 13.1709, 1e-4);

    Moment m4(4, field({2.0, 4.0, 8.0, 10.0}, {1, 1, 1, 1}, {1, 1, 1, 1}));
    EXPECT_FALSE(winShareDeviation(m4.r(), m4.priced, StdDevKind::Sample).has_value());

    Moment same(5, field({5, 5, 5, 5, 5}, {1, 1, 1, 1, 1}, {1, 1, 1, 1, 1}));
    EXPECT_FALSE(winShareDeviation(same.r(), same.priced, StdDevKind::Population).has_value());
}

// Sorted lists: equal odds by number; pairs by index; cancelled, blank and zero prices
// are left out.
TEST(SelectedMomentLists, PopularityLists)
{
    records::O1Builder o1 = field({2.3, 5.0, 2.3, 9.0}, {1.1, 1.5, 1.2, 2.0}, {1.4, 2.0, 1.3, 3.0});
    o1.win(4, OddsField::noVotes());
    o1.bracketQuinella(records::bracketPairIndex(1, 2), price(12.0))
        .bracketQuinella(records::bracketPairIndex(3, 4), price(6.5))
        .bracketQuinella(records::bracketPairIndex(1, 1), OddsField::cancelledAfterSale());
    records::O2Builder o2;
    o2.quinella(quinellaPairIndex(1, 2), price(8.0)).quinella(quinellaPairIndex(3, 4), price(8.0));
    Moment m(4, o1, o2);
    const PopularityLists lists = popularityLists(m.r());
    EXPECT_EQ(numbers(lists.win), (std::vector<int>{1, 3, 2}));
    EXPECT_EQ(numbers(lists.placeHigh), (std::vector<int>{3, 1, 2, 4}));
    EXPECT_EQ(numbers(lists.bracket),
              (std::vector<int>{records::bracketPairIndex(3, 4), records::bracketPairIndex(1, 2)}));
    EXPECT_EQ(numbers(lists.quinella), (std::vector<int>{quinellaPairIndex(1, 2), quinellaPairIndex(3, 4)}));
    EXPECT_EQ(lists.quinella[1].odds, 8.0);
}

// Gap rows pair each horse with the next in popularity; equal odds make a gap of 1 and
// keep number order; one priced horse gives no row; pseudo odds are compared as rounded.
TEST(SelectedMomentGaps, RowsRatiosAndEdges)
{
    records::O1Builder o1 = field({4.0, 2.0, 4.0, 10.0}, {1.5, 1.1, 1.5, 3.0}, {2, 2, 2, 4});
    o1.win(4, OddsField::cancelledBeforeSale());
    records::O2Builder o2;
    o2.quinella(quinellaPairIndex(1, 2), price(3.0)).quinella(quinellaPairIndex(1, 3), price(9.0));
    Moment m(4, o1, o2);
    analysePopularity(m.r());

    const GapTable win = gapTable(m.r(), GapFigure::Win);
    EXPECT_EQ(win.priced, 3);
    ASSERT_EQ(win.rows.size(), 2u);
    EXPECT_EQ(win.rows[0].upper.number, 2);
    EXPECT_EQ(win.rows[0].lower.number, 1);
    EXPECT_DOUBLE_EQ(win.rows[0].ratio(), 2.0);
    EXPECT_EQ(win.rows[1].position, 2);
    EXPECT_EQ(win.rows[1].lower.number, 3);
    EXPECT_DOUBLE_EQ(win.rows[1].ratio(), 1.0);

    // Pseudo odds: horse 1 = 80 / 16.67 = 4.8, horse 2 = 80 / 12.5 = 6.4, horse 3 = 19.2.
    const GapTable pseudo = gapTable(m.r(), GapFigure::PseudoQuinella);
    ASSERT_EQ(pseudo.rows.size(), 2u);
    EXPECT_DOUBLE_EQ(pseudo.rows[0].upper.odds, 4.8);
    EXPECT_DOUBLE_EQ(pseudo.rows[0].ratio(), 6.4 / 4.8);

    Moment one(3, records::O1Builder().win(2, price(3.0)));
    const GapTable single = gapTable(one.r(), GapFigure::Win);
    EXPECT_EQ(single.priced, 1);
    EXPECT_TRUE(single.rows.empty());
}

// Bracket pair against quinella pair of the same horses in an 18-runner race (horses 1-12
// two to a bracket, 13-15 in bracket 7, 16-18 in bracket 8): listed only when the quinella
// pays strictly less; the same bracket counts; ordered by bracket odds, bracket pair, then
// quinella odds.
TEST(SelectedMomentAdvantage, ListedOnlyWhenBracketPaysMore)
{
    records::O1Builder o1;
    o1.bracketQuinella(records::bracketPairIndex(1, 2), price(10.0), 4)
        .bracketQuinella(records::bracketPairIndex(1, 3), price(10.0), 5)
        .bracketQuinella(records::bracketPairIndex(8, 8), price(30.0), 20)
        .bracketQuinella(records::bracketPairIndex(2, 3), price(5.0), 1);
    records::O2Builder o2;
    o2.quinella(quinellaPairIndex(1, 3), price(8.0), 3)       // brackets 1-2
        .quinella(quinellaPairIndex(2, 4), price(7.0), 2)      // brackets 1-2, cheaper: first
        .quinella(quinellaPairIndex(1, 5), price(9.5), 6)      // brackets 1-3 at the same 10.0
        .quinella(quinellaPairIndex(16, 17), price(25.0), 112) // 8-8
        .quinella(quinellaPairIndex(17, 18), price(30.0), 120) // 8-8, equal: not listed
        .quinella(quinellaPairIndex(3, 5), price(6.0), 9)      // 2-3 at 5.0 pays less: not listed
        .quinella(quinellaPairIndex(5, 9), price(6.9), 10)     // 3-5 has no bracket price
        .quinella(quinellaPairIndex(1, 2), price(9.0), 7);     // 1-1 has no bracket price
    Moment m(18, o1, o2);
    const std::vector<BracketAdvantage> rows = bracketAdvantages(m.slot);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].quinellaPair, quinellaPairIndex(2, 4));
    EXPECT_EQ(rows[0].bracketA, 1);
    EXPECT_EQ(rows[0].bracketB, 2);
    EXPECT_EQ(rows[0].bracketPopularity, 4);
    EXPECT_EQ(rows[0].quinellaPopularity, 2);
    EXPECT_EQ(rows[1].quinellaPair, quinellaPairIndex(1, 3));
    EXPECT_DOUBLE_EQ(rows[1].difference(), 2.0);
    EXPECT_DOUBLE_EQ(rows[1].ratio(), 1.25);
    EXPECT_EQ(rows[2].bracketB, 3);
    EXPECT_EQ(rows[3].bracketA, 8);
    EXPECT_EQ(rows[3].bracketB, 8);
    EXPECT_EQ(rows[3].horseA, 16);
    EXPECT_EQ(rows[3].quinellaPopularity, 112);

    // The same prices with 8 runners: each horse its own bracket, so 1-2 and 1-3 meet
    // the bracket pairs of their own numbers, and horses 16-18 do not run.
    Moment eight(8, o1, o2);
    const std::vector<BracketAdvantage> few = bracketAdvantages(eight.slot);
    ASSERT_EQ(few.size(), 2u);
    EXPECT_EQ(few[0].quinellaPair, quinellaPairIndex(1, 2));
    EXPECT_EQ(few[1].quinellaPair, quinellaPairIndex(1, 3));
}

// Highest and lowest price over the other snapshots: the selected one is skipped, lines
// without both prices are skipped, and the first line wins ties.
TEST(SelectedMomentTimeDifference, ExtremesOverTheSeries)
{
    const auto snap = [](const char* time, double win, double low) {
        records::O1Builder b;
        b.announcement(time).win(1, price(win)).place(1, price(low), price(low * 2));
        b.win(2, price(5.0)).place(2, price(2.0), price(3.0));
        return b.line();
    };
    SnapshotList series{snap("01151000", 4.0, 1.5), snap("01151010", 6.0, 1.5), snap("01151020", 6.0, 1.2),
                        snap("01151030", 3.0, 1.8)};
    records::O1Builder cancelled;
    cancelled.announcement("01151025").win(1, OddsField::cancelledBeforeSale()).place(1, price(1.0), price(2.0));
    series.insert(series.begin() + 3, cancelled.line());

    Moment m(2, records::O1Builder().announcement("01151030").win(1, price(3.0)).place(1, price(1.8), price(3.6)));
    const TimeDifferences d = timeDifferences(m.r(), series, "01151030");
    const OddsExtremes& w = d.win[1];
    ASSERT_TRUE(w.counted);
    EXPECT_EQ(w.highest, 6.0);
    EXPECT_EQ(w.highestTime, "10:10");
    EXPECT_EQ(w.lowest, 4.0);
    EXPECT_EQ(w.lowestTime, "10:00");
    EXPECT_EQ(d.place[1].highest, 1.5);
    EXPECT_EQ(d.place[1].highestTime, "10:00");
    EXPECT_EQ(d.place[1].lowest, 1.2);
    EXPECT_EQ(d.place[1].lowestTime, "10:20");
    // Horse 2 has no price at the moment.
    EXPECT_FALSE(d.win[2].counted);

    // A single snapshot, the selected one: nothing to compare with.
    const TimeDifferences alone = timeDifferences(m.r(), {series.back()}, "01151030");
    EXPECT_FALSE(alone.win[1].counted);
    EXPECT_FALSE(alone.place[1].counted);
}
