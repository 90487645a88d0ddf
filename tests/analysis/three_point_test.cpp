#include "analysis/three_point_analysis.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "records/pair_index.h"
#include "records/record_builder.h"

using namespace tidemark;
using analysis::ThreePointTable;
using records::O1Builder;
using records::O2Builder;
using records::OddsField;

namespace {

// An O1 snapshot with these win odds for horses 1..n; 0 writes "0000", a negative value
// "----" (cancelled before the sale). Place fields stay blank.
std::string o1Win(const std::vector<double>& win)
{
    O1Builder b;
    b.announcement("01151010");
    for (std::size_t i = 0; i < win.size(); ++i) {
        const int h = static_cast<int>(i) + 1;
        b.win(h, win[i] < 0 ? OddsField::cancelledBeforeSale() : OddsField::fromOdds(win[i]));
    }
    return b.line();
}

std::vector<int> popularity(const ThreePointTable::Values& v, int runners)
{
    return {v.popularity.begin() + 1, v.popularity.begin() + 1 + runners};
}

double sumOf(const analysis::PerHorse<double>& values)
{
    return std::accumulate(values.begin() + 1, values.end(), 0.0);
}

} // namespace

// Equal win odds are ordered by the lower place field, then by horse number; equal place
// odds by the win field. Odds built from one pool give shares that add up to 100.
TEST(ThreePointO1, PopularityTiesAndShares)
{
    struct Horse {
        double win, low, high;
    };
    const std::vector<Horse> horses{{8.0, 2.5, 3.0}, {2.0, 1.1, 1.2}, {8.0, 2.0, 2.2}, {4.0, 2.0, 2.4},
                                    {8.0, 2.0, 2.6}, {16.0, 3.0, 4.2}, {16.0, 2.8, 4.0}};
    O1Builder b;
    for (std::size_t i = 0; i < horses.size(); ++i)
        b.win(static_cast<int>(i) + 1, horses[i].win, 0).place(static_cast<int>(i) + 1, horses[i].low, horses[i].high, 0);
    ThreePointTable::Values win, low, high;
    analysis::computeO1TimePoint(b.line(), 7, win, low, high);

    EXPECT_EQ(popularity(win, 7), (std::vector<int>{5, 1, 3, 2, 4, 7, 6}));
    EXPECT_EQ(popularity(low, 7), (std::vector<int>{5, 1, 3, 2, 4, 7, 6}));
    EXPECT_EQ(popularity(high, 7), (std::vector<int>{5, 1, 2, 3, 4, 7, 6}));

    EXPECT_DOUBLE_EQ(win.odds[2], 2.0);
    EXPECT_DOUBLE_EQ(win.share[2], 40.0);
    EXPECT_NEAR(sumOf(win.share), 100.0, 1e-9);
    EXPECT_DOUBLE_EQ(low.odds[2], 1.1);
    EXPECT_DOUBLE_EQ(low.share[2], 26.6 / 1.1);
    EXPECT_DOUBLE_EQ(high.share[6], 26.6 / 4.2);
}

// Cancelled, zero, blank and damaged fields give no odds, share or popularity, and the
// priced horses are numbered without gaps. Each figure stands on its own field.
TEST(ThreePointO1, FieldsWithoutPriceAreLeftOut)
{
    O1Builder b;
    b.win(1, 3.5, 0).place(1, 1.5, 1.8, 0);
    b.win(2, OddsField::cancelledBeforeSale()).place(2, OddsField::cancelledBeforeSale(), OddsField::cancelledBeforeSale());
    b.win(3, OddsField::cancelledAfterSale()).place(3, 1.2, 1.4, 0);
    b.win(4, OddsField::noVotes()).place(4, OddsField::noVotes(), OddsField::noVotes());
    b.set(records::winOddsPos(5), "12ab").place(5, OddsField::fromOdds(1.3), OddsField::noVotes());
    b.win(6, 2.5, 0); // place fields blank
    ThreePointTable::Values win, low, high;
    analysis::computeO1TimePoint(b.line(), 6, win, low, high);

    EXPECT_EQ(popularity(win, 6), (std::vector<int>{2, 0, 0, 0, 0, 1}));
    EXPECT_EQ(popularity(low, 6), (std::vector<int>{3, 0, 1, 0, 2, 0}));
    EXPECT_EQ(popularity(high, 6), (std::vector<int>{2, 0, 1, 0, 0, 0}));
    for (int h : {2, 3, 4, 5}) {
        EXPECT_EQ(win.odds[static_cast<std::size_t>(h)], 0.0) << h;
        EXPECT_EQ(win.share[static_cast<std::size_t>(h)], 0.0) << h;
    }
    EXPECT_EQ(low.odds[4], 0.0);
    EXPECT_EQ(high.share[5], 0.0);
    EXPECT_EQ(low.odds[6], 0.0);
}

// Three points: a horse at 3, 5, 4 moves 2; one at 4, 4, 4 moves 0; a horse cancelled at
// the middle point only is summarised over the other two.
TEST(ThreePointTableTest, SummaryOverThreePoints)
{
    // Horse 3 is cancelled at the middle point only; the others move up past it.
    const std::vector<std::string> o1{o1Win({4.0, 5.0, 1.5, 2.0, 6.0}), o1Win({9.0, 8.0, -1, 2.0, 3.0}),
                                      o1Win({5.0, 6.0, 2.0, 1.5, 9.0})};
    ThreePointTable table;
    analysis::computeThreePoints(table, o1, {}, 5);

    EXPECT_EQ(popularity(table.win[0], 5), (std::vector<int>{3, 4, 1, 2, 5}));
    EXPECT_EQ(popularity(table.win[1], 5), (std::vector<int>{4, 3, 0, 1, 2}));
    EXPECT_EQ(popularity(table.win[2], 5), (std::vector<int>{3, 4, 2, 1, 5}));
    EXPECT_EQ(table.win[1].odds[3], 0.0);

    // Horse 1: 3, 4, 3; horse 3: 1, -, 2.
    EXPECT_EQ(table.winPop.popMin[1], 3);
    EXPECT_EQ(table.winPop.popMax[1], 4);
    EXPECT_EQ(table.winPop.popRange[1], 1);
    EXPECT_EQ(table.winPop.popMin[3], 1);
    EXPECT_EQ(table.winPop.popMax[3], 2);
    EXPECT_EQ(table.winPop.popRange[3], 1);

    const std::vector<std::string> moves{o1Win({3.0, 4.0, 1.0, 2.0, 5.0}), o1Win({5.0, 4.0, 1.0, 2.0, 3.0}),
                                         o1Win({4.0, 4.1, 1.0, 2.0, 3.0})};
    analysis::computeThreePoints(table, moves, {}, 5);
    EXPECT_EQ(table.win[0].popularity[1], 3);
    EXPECT_EQ(table.win[1].popularity[1], 5);
    EXPECT_EQ(table.win[2].popularity[1], 4);
    EXPECT_EQ(table.winPop.popMax[1], 5);
    EXPECT_EQ(table.winPop.popMin[1], 3);
    EXPECT_EQ(table.winPop.popRange[1], 2);
    EXPECT_EQ(table.win[0].popularity[2], 4);
    EXPECT_EQ(table.win[1].popularity[2], 4);
    EXPECT_EQ(table.win[2].popularity[2], 5);

    const std::vector<std::string> still{o1Win({4.0, 1.0, 2.0, 3.0, 5.0}), o1Win({4.0, 1.0, 2.0, 3.0, 5.0}),
                                         o1Win({4.0, 1.0, 2.0, 3.0, 5.0})};
    analysis::computeThreePoints(table, still, {}, 5);
    EXPECT_EQ(table.winPop.popRange[1], 0);
    EXPECT_EQ(table.winPop.popMin[1], 4);
}

// One time point: the other two stay empty and the summary uses the one point. No time
// point at all: every figure is empty and the summaries hold their start values, even
// after a race that had values.
TEST(ThreePointTableTest, MissingTimePoints)
{
    ThreePointTable table;
    analysis::computeThreePoints(table, {o1Win({2.0, 3.0})}, {}, 2);
    EXPECT_EQ(table.win[0].popularity[2], 2);
    EXPECT_EQ(table.win[1].popularity[2], 0);
    EXPECT_EQ(table.win[2].odds[2], 0.0);
    EXPECT_EQ(table.winPop.popMin[2], 2);
    EXPECT_EQ(table.winPop.popMax[2], 2);
    EXPECT_EQ(table.winPop.popRange[2], 0);
    EXPECT_EQ(table.pseudoPop.popRange[2], analysis::kNoPopDiff);

    analysis::computeThreePoints(table, {}, {}, 2);
    for (int t = 0; t < analysis::kTimePoints; ++t) {
        EXPECT_EQ(table.win[static_cast<std::size_t>(t)].popularity[1], 0);
        EXPECT_EQ(table.win[static_cast<std::size_t>(t)].odds[1], 0.0);
    }
    for (const auto* s : {&table.winPop, &table.placeLowPop, &table.placeHighPop, &table.pseudoPop}) {
        EXPECT_EQ(s->popMin[1], analysis::kNoPopDiff);
        EXPECT_EQ(s->popMax[1], 0);
        EXPECT_EQ(s->popRange[1], analysis::kNoPopDiff);
    }
}

// 18 runners fill horses 17 and 18; with 16 registered runners the slots above 16 are
// never read even when the snapshot holds them.
TEST(ThreePointTableTest, EighteenRunners)
{
    std::vector<double> win;
    for (int h = 1; h <= 18; ++h)
        win.push_back(100.0 - 5.0 * h); // horse 18 is the favourite
    ThreePointTable table;
    analysis::computeThreePoints(table, {o1Win(win)}, {}, 18);
    for (int h = 1; h <= 18; ++h)
        EXPECT_EQ(table.win[0].popularity[static_cast<std::size_t>(h)], 19 - h) << h;
    EXPECT_DOUBLE_EQ(table.win[0].odds[18], 10.0);

    analysis::computeThreePoints(table, {o1Win(win)}, {}, 16);
    EXPECT_EQ(table.win[0].popularity[17], 0);
    EXPECT_EQ(table.win[0].popularity[18], 0);
    EXPECT_EQ(table.win[0].popularity[16], 1);
    EXPECT_EQ(table.winPop.popMin[17], analysis::kNoPopDiff);
}

// Pseudo quinella: every priced pair gives 37.5 / odds to each of its horses, so the
// shares add up to 75 / odds over the pairs; cancelled and zero pairs give nothing.
// Equal pseudo odds are ordered by the win odds of the same time point, then by number.
TEST(ThreePointPseudo, SharesOddsAndTies)
{
    O2Builder q;
    q.quinella(records::quinellaPairIndex(1, 2), 5.0, 0);
    q.quinella(records::quinellaPairIndex(1, 3), 10.0, 0);
    q.quinella(records::quinellaPairIndex(1, 4), OddsField::cancelledBeforeSale());
    q.quinella(records::quinellaPairIndex(2, 3), 15.0, 0);
    q.quinella(records::quinellaPairIndex(2, 4), OddsField::noVotes());
    q.quinella(records::quinellaPairIndex(3, 4), 7.5, 0);

    analysis::PerHorse<double> noWin{};
    ThreePointTable::Values pseudo;
    analysis::computePseudoTimePoint(q.line(), 4, noWin, pseudo);
    EXPECT_DOUBLE_EQ(pseudo.share[1], 37.5 / 5.0 + 37.5 / 10.0);
    EXPECT_DOUBLE_EQ(pseudo.share[2], 37.5 / 5.0 + 37.5 / 15.0);
    EXPECT_DOUBLE_EQ(pseudo.share[4], 37.5 / 7.5);
    EXPECT_NEAR(sumOf(pseudo.share), 75.0 * (1 / 5.0 + 1 / 10.0 + 1 / 15.0 + 1 / 7.5), 1e-9);
    EXPECT_DOUBLE_EQ(pseudo.odds[2], 8.0);
    EXPECT_DOUBLE_EQ(pseudo.odds[4], 16.0);
    // Horses 1 and 3 both have 11.25 %: without win odds the number decides.
    EXPECT_EQ(popularity(pseudo, 4), (std::vector<int>{1, 3, 2, 4}));

    analysis::PerHorse<double> win{};
    win[1] = 6.0;
    win[3] = 3.0;
    ThreePointTable::Values ranked;
    analysis::computePseudoTimePoint(q.line(), 4, win, ranked);
    EXPECT_EQ(popularity(ranked, 4), (std::vector<int>{2, 3, 1, 4}));
}

// The O1 and O2 time points are paired by position: three O1 points and one O2 point
// give pseudo figures at the first point only, ranked with the first point's win odds.
TEST(ThreePointPseudo, PairedWithTheO1PointsByPosition)
{
    O2Builder q;
    q.announcement("01151035"); // a later time than the O1 points: paired all the same
    q.quinella(records::quinellaPairIndex(1, 2), 4.0, 0);
    q.quinella(records::quinellaPairIndex(1, 3), 8.0, 0);
    q.quinella(records::quinellaPairIndex(2, 3), 8.0, 0);
    // Horses 1 and 2 tie on pseudo odds; the first point's win odds favour horse 2, the
    // later points horse 1.
    const std::vector<std::string> o1{o1Win({5.0, 3.0, 9.0}), o1Win({2.0, 3.0, 9.0}), o1Win({2.0, 3.0, 9.0})};
    ThreePointTable table;
    analysis::computeThreePoints(table, o1, {q.line()}, 3);

    EXPECT_EQ(popularity(table.pseudo[0], 3), (std::vector<int>{2, 1, 3}));
    EXPECT_EQ(table.pseudo[1].popularity[1], 0);
    EXPECT_EQ(table.pseudo[2].share[1], 0.0);
    EXPECT_EQ(table.pseudoPop.popRange[1], 0);
    EXPECT_EQ(table.pseudoPop.popMax[3], 3);

    // Without any O2 point the pseudo figures stay empty while win is filled.
    analysis::computeThreePoints(table, o1, {}, 3);
    EXPECT_EQ(table.pseudo[0].popularity[1], 0);
    EXPECT_EQ(table.pseudoPop.popMin[1], analysis::kNoPopDiff);
    EXPECT_EQ(table.win[2].popularity[1], 1);
}
