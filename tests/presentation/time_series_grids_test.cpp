#include <gtest/gtest.h>

#include "analysis/race_store_fixture.h"
#include "presentation/main_panel_model.h"
#include "presentation/main_window_model.h"
#include "presentation/time_series_grids.h"
#include "service/null_nv_link.h"
#include "support/recording_host.h"
#include "text/number_format.h"

using namespace tidemark;
using namespace tidemark::presentation;
using records::OddsField;
using text::sj;
using tidemark::testing::o1At;
using tidemark::testing::o2At;
using tidemark::testing::raceCard;
using tidemark::testing::RaceStore;
using tidemark::testing::RecordingHost;

namespace {

struct SeriesGrids : ::testing::Test {
    GridSet grids;
    SeriesGrids() { layOutAllGrids(grids); }

    const std::string& at(GridId id, int row, int col) const { return grids[id].cell(row, col); }
    std::string utf8(GridId id, int row, int col) const { return text::toUtf8(grids[id].cell(row, col)); }

    // Headers and tables of one race, as a race opening writes them.
    void open(const analysis::SnapshotSeries& series, int runners)
    {
        emptyTimeSeriesGrids(grids);
        writeTimeSeriesHeaders(grids, runners);
        writeTimeSeriesTables(grids, series, runners);
    }
};

std::string minuteKey(int i)
{
    const int hour = 9 + i / 60;
    const int minute = i % 60;
    return "0115" + std::string(hour < 10 ? "0" : "") + std::to_string(hour) + (minute < 10 ? "0" : "") +
           std::to_string(minute);
}

} // namespace

TEST_F(SeriesGrids, HeadersAndColumnCountsFollowTheField)
{
    writeTimeSeriesHeaders(grids, 10);
    EXPECT_EQ(grids[GridId::StringGrid4].colCount(), 12);
    EXPECT_EQ(grids[GridId::StringGrid5].colCount(), 22);
    EXPECT_EQ(grids[GridId::StringGrid13].colCount(), 12);
    EXPECT_EQ(grids[GridId::StringGrid6].colCount(), 38);
    EXPECT_EQ(grids[GridId::StringGrid19].colCount(), 155);
    EXPECT_EQ(utf8(GridId::StringGrid4, 0, 8), " 7(単)");
    EXPECT_EQ(utf8(GridId::StringGrid17, 0, 15), " 7(高)");
    EXPECT_EQ(utf8(GridId::StringGrid13, 0, 8), " 7(複)");
    EXPECT_EQ(utf8(GridId::StringGrid6, 0, 37), " 8- 8(枠)");
    EXPECT_EQ(utf8(GridId::StringGrid15, 0, 154), "17-18(馬)");

    // A smaller field that follows drops the headers of the horses it does not have.
    writeTimeSeriesHeaders(grids, 8);
    EXPECT_EQ(grids[GridId::StringGrid4].colCount(), 10);
    EXPECT_EQ(grids[GridId::StringGrid5].colCount(), 18);
}

TEST_F(SeriesGrids, O1CellsOfEveryKindOfField)
{
    analysis::SnapshotSeries series;
    series.o1Snapshots = {o1At("01151015")
                              .win(1, 2.5, 1)
                              .place(1, 1.1, 1.5, 1)
                              .win(2, OddsField::cancelledBeforeSale())
                              .place(2, OddsField::cancelledBeforeSale(), OddsField::cancelledBeforeSale())
                              .win(3, OddsField::noVotes(), 5) // a stale order beside zeros
                              .place(3, OddsField::noVotes(), OddsField::noVotes(), 4)
                              .win(4, OddsField::cancelledAfterSale())
                              .place(4, OddsField::fromOdds(20.0), OddsField::unreadable(), 3)
                              .win(5, 123.4, 9)
                              .bracketQuinella(1, 8.8, 2)
                              .bracketQuinella(2, OddsField::cancelledBeforeSale())
                              .bracketQuinella(36, 1234.5, 36)
                              .winVotes(1234567)
                              .placeVotes(500)
                              .line()};
    // Horse 2's popularity fields are blank, as the service leaves them for a scratched horse.
    series.o1Snapshots[0].replace(records::winPopularityPos(2) - 1, 2, "  ");
    series.o1Snapshots[0].replace(records::placePopularityPos(2) - 1, 2, "  ");
    open(series, 5);

    for (GridId id : {GridId::StringGrid4, GridId::StringGrid5, GridId::StringGrid6, GridId::StringGrid12,
             GridId::StringGrid13, GridId::StringGrid14, GridId::StringGrid16, GridId::StringGrid17,
             GridId::StringGrid18}) {
        EXPECT_EQ(grids[id].rowCount(), 2) << gridName(id);
        EXPECT_EQ(at(id, 1, 0), "10:15") << gridName(id);
    }
    EXPECT_EQ(at(GridId::StringGrid4, 1, 1), "  1,234,567");
    EXPECT_EQ(at(GridId::StringGrid13, 1, 1), "        500");
    EXPECT_EQ(at(GridId::StringGrid18, 1, 1), "          0"); // blank vote field

    // Win: odds "%5.1f", share 80 / odds "%5.1f", popularity "%2d".
    EXPECT_EQ(at(GridId::StringGrid4, 1, 2), "  2.5");
    EXPECT_EQ(at(GridId::StringGrid16, 1, 2), " 32.0");
    EXPECT_EQ(at(GridId::StringGrid12, 1, 2), " 1");
    EXPECT_EQ(utf8(GridId::StringGrid4, 1, 3), "発売前取消");
    EXPECT_EQ(utf8(GridId::StringGrid16, 1, 3), "発売前取消");
    EXPECT_EQ(utf8(GridId::StringGrid12, 1, 3), "　");
    EXPECT_EQ(at(GridId::StringGrid4, 1, 4), "");
    EXPECT_EQ(at(GridId::StringGrid16, 1, 4), "");
    EXPECT_EQ(at(GridId::StringGrid12, 1, 4), ""); // "0000": never an order
    EXPECT_EQ(utf8(GridId::StringGrid4, 1, 5), "発売後取消");
    EXPECT_EQ(utf8(GridId::StringGrid12, 1, 5), "　"); // the order field holds 0
    EXPECT_EQ(at(GridId::StringGrid4, 1, 6), "123.4");
    EXPECT_EQ(at(GridId::StringGrid16, 1, 6), "  0.6");

    // Place: lower in column 2h, upper in 2h + 1, "%4.1f"; share 26.6 / odds.
    EXPECT_EQ(at(GridId::StringGrid5, 1, 2), " 1.1");
    EXPECT_EQ(at(GridId::StringGrid5, 1, 3), " 1.5");
    EXPECT_EQ(at(GridId::StringGrid17, 1, 2), "24.2");
    EXPECT_EQ(at(GridId::StringGrid17, 1, 3), "17.7");
    EXPECT_EQ(utf8(GridId::StringGrid5, 1, 5), "発売前取消");
    EXPECT_EQ(utf8(GridId::StringGrid17, 1, 4), "発売前取消");
    EXPECT_EQ(utf8(GridId::StringGrid13, 1, 3), "　");
    EXPECT_EQ(at(GridId::StringGrid13, 1, 4), "");
    EXPECT_EQ(at(GridId::StringGrid5, 1, 8), "20.0");
    EXPECT_EQ(at(GridId::StringGrid5, 1, 9), ""); // damaged upper field
    EXPECT_EQ(at(GridId::StringGrid17, 1, 8), " 1.3");
    EXPECT_EQ(at(GridId::StringGrid13, 1, 5), " 3"); // ordered by the lower odds alone
    EXPECT_EQ(at(GridId::StringGrid5, 1, 10), ""); // horse 5 has no place odds
    EXPECT_EQ(utf8(GridId::StringGrid13, 1, 6), "　");

    // Bracket quinella: "%5.1f", share 75 / odds; all 36 pairs whatever the field.
    EXPECT_EQ(at(GridId::StringGrid6, 1, 2), "  8.8");
    EXPECT_EQ(at(GridId::StringGrid18, 1, 2), "  8.5");
    EXPECT_EQ(at(GridId::StringGrid14, 1, 2), " 2");
    EXPECT_EQ(utf8(GridId::StringGrid6, 1, 3), "発売前取消");
    EXPECT_EQ(utf8(GridId::StringGrid14, 1, 3), "　");
    EXPECT_EQ(at(GridId::StringGrid6, 1, 37), "1234.5");
    EXPECT_EQ(at(GridId::StringGrid14, 1, 37), "36");
    EXPECT_EQ(at(GridId::StringGrid6, 1, 20), "");
    EXPECT_EQ(utf8(GridId::StringGrid14, 1, 20), "　"); // blank pair slot
}

TEST_F(SeriesGrids, HorseCancelledInTheMiddleOfTheSeries)
{
    analysis::SnapshotSeries series;
    series.o1Snapshots = {o1At("01151000").win(1, 3.0, 1).place(1, 1.2, 1.6, 1).line(),
        o1At("01151010").win(1, OddsField::cancelledAfterSale()).place(1, OddsField::cancelledAfterSale(),
                                                                        OddsField::cancelledAfterSale()).line(),
        o1At("01151020").win(1, OddsField::cancelledAfterSale()).line()};
    open(series, 1);
    EXPECT_EQ(at(GridId::StringGrid4, 1, 2), "  3.0");
    EXPECT_EQ(utf8(GridId::StringGrid4, 2, 2), "発売後取消");
    EXPECT_EQ(utf8(GridId::StringGrid17, 2, 3), "発売後取消");
    EXPECT_EQ(at(GridId::StringGrid12, 1, 2), " 1");
    EXPECT_EQ(utf8(GridId::StringGrid12, 2, 2), "　");
    EXPECT_EQ(at(GridId::StringGrid5, 3, 2), ""); // the last snapshot left the place fields blank
}

TEST_F(SeriesGrids, QuinellaCells)
{
    analysis::SnapshotSeries series;
    series.o1Snapshots = {o1At("01151000").line()};
    series.o2Snapshots = {o2At("01151000").quinella(1, 3.2, 1).quinellaVotes(50000).line(),
        o2At("01151010")
            .quinella(1, OddsField::cancelledBeforeSale())
            .quinella(2, OddsField::noVotes(), 7)
            .quinella(3, OddsField::cancelledAfterSale())
            .quinella(153, 12345.6, 153)
            .line()};
    open(series, 18);
    for (GridId id : {GridId::StringGrid7, GridId::StringGrid15, GridId::StringGrid19}) {
        EXPECT_EQ(grids[id].rowCount(), 3) << gridName(id);
        EXPECT_EQ(grids[id].colCount(), 155) << gridName(id);
        EXPECT_EQ(at(id, 2, 0), "10:10");
    }
    EXPECT_EQ(at(GridId::StringGrid7, 1, 1), "     50,000");
    EXPECT_EQ(at(GridId::StringGrid7, 1, 2), "   3.2");
    EXPECT_EQ(at(GridId::StringGrid19, 1, 2), "  23.4");
    EXPECT_EQ(at(GridId::StringGrid15, 1, 2), "  1");
    EXPECT_EQ(utf8(GridId::StringGrid7, 2, 2), "発売前取消");
    EXPECT_EQ(utf8(GridId::StringGrid19, 2, 4), "発売後取消");
    // Quinella popularity cells without an order stay empty, never "　".
    EXPECT_EQ(at(GridId::StringGrid15, 2, 2), "");
    EXPECT_EQ(at(GridId::StringGrid15, 2, 3), "");
    EXPECT_EQ(at(GridId::StringGrid15, 2, 50), "");
    EXPECT_EQ(at(GridId::StringGrid7, 2, 154), "12345.6");
    EXPECT_EQ(at(GridId::StringGrid19, 2, 154), "   0.0");
    EXPECT_EQ(at(GridId::StringGrid15, 2, 154), "153");
}

TEST_F(SeriesGrids, EmptySeriesLeaveOneEmptyDataRow)
{
    analysis::SnapshotSeries first;
    for (int i = 0; i < 5; ++i) {
        first.o1Snapshots.push_back(o1At(minuteKey(i)).win(1, 2.0, 1).line());
        first.o2Snapshots.push_back(o2At(minuteKey(i)).quinella(1, 5.0, 1).line());
    }
    open(first, 12);

    // Next race: O1 series only, no quinella file.
    analysis::SnapshotSeries second;
    second.o1Snapshots = {o1At("01151100").win(1, 4.0, 1).line()};
    open(second, 8);
    EXPECT_EQ(grids[GridId::StringGrid4].rowCount(), 2);
    EXPECT_EQ(grids[GridId::StringGrid4].colCount(), 10);
    EXPECT_EQ(at(GridId::StringGrid4, 1, 2), "  4.0");
    for (GridId id : {GridId::StringGrid7, GridId::StringGrid15, GridId::StringGrid19}) {
        EXPECT_EQ(grids[id].rowCount(), 2) << gridName(id);
        EXPECT_EQ(at(id, 1, 0), "") << gridName(id);
        EXPECT_EQ(at(id, 1, 2), "") << gridName(id);
        EXPECT_EQ(utf8(id, 0, 2), " 1- 2(馬)") << gridName(id);
    }
}

TEST_F(SeriesGrids, SixHundredSnapshotsOfEighteenRunners)
{
    analysis::SnapshotSeries series;
    for (int i = 0; i < 600; ++i) {
        records::O1Builder b = o1At(minuteKey(i));
        b.win(18, OddsField::fromTenths(100 + i), 18).place(18, OddsField::fromTenths(30), OddsField::fromTenths(45), 18);
        b.bracketQuinella(36, OddsField::fromTenths(500 + i), 36).winVotes(i);
        series.o1Snapshots.push_back(b.line());
        series.o2Snapshots.push_back(o2At(minuteKey(i)).quinella(153, OddsField::fromTenths(1000 + i), 153).line());
    }
    open(series, 18);
    EXPECT_EQ(grids[GridId::StringGrid4].rowCount(), 601);
    EXPECT_EQ(grids[GridId::StringGrid5].colCount(), 38);
    EXPECT_EQ(grids[GridId::StringGrid19].rowCount(), 601);
    EXPECT_EQ(at(GridId::StringGrid4, 600, 0), "18:59");
    EXPECT_EQ(at(GridId::StringGrid4, 600, 1), "        599");
    EXPECT_EQ(at(GridId::StringGrid4, 600, 19), " 69.9");
    EXPECT_EQ(at(GridId::StringGrid5, 600, 37), " 4.5");
    EXPECT_EQ(at(GridId::StringGrid13, 600, 19), "18");
    EXPECT_EQ(at(GridId::StringGrid6, 1, 37), " 50.0");
    EXPECT_EQ(at(GridId::StringGrid7, 600, 154), " 159.9");
    EXPECT_EQ(at(GridId::StringGrid15, 600, 154), "153");

    // Horse 18's win/place ratio peaks at the last snapshots.
    EXPECT_EQ(at(GridId::StringGrid27, 18, 6), "18:59");
    EXPECT_EQ(at(GridId::StringGrid27, 18, 7), " 69.9");
    EXPECT_EQ(at(GridId::StringGrid27, 18, 8), "  3.0");
    EXPECT_EQ(at(GridId::StringGrid27, 18, 9), "  23.30");
    EXPECT_EQ(at(GridId::StringGrid27, 18, 10), "18:58");
    EXPECT_EQ(at(GridId::StringGrid28, 18, 6), "09:00");
    EXPECT_EQ(at(GridId::StringGrid28, 18, 9), "   0.30");
}

TEST_F(SeriesGrids, RatioTableCells)
{
    analysis::SnapshotSeries series;
    series.o1Snapshots = {o1At("01151015").win(1, 12.0, 1).place(1, 3.0, 4.0, 1).win(2, 5.0, 2).place(2, 2.0, 2.5, 2)
                              .line(),
        o1At("01151020").win(1, 6.0, 1).place(1, 3.0, 4.0, 1).win(2, OddsField::cancelledAfterSale()).line()};
    const int n = 3;
    // Stale texts from an earlier race must not survive in the emptied cells.
    grids[GridId::StringGrid27].setRowCount(n + 1);
    grids[GridId::StringGrid27].setCell(1, 14, "old");
    grids[GridId::StringGrid28].setCell(1, 17, "old");
    writeTimeSeriesTables(grids, series, n);

    const auto row = [this](GridId id, int r) {
        std::vector<std::string> cells;
        for (int c = kFirstRatioCol; c < kFirstRatioCol + 12; ++c)
            cells.push_back(grids[id].cell(r, c));
        return cells;
    };
    EXPECT_EQ(row(GridId::StringGrid27, 1), (std::vector<std::string>{"10:15", " 12.0", "  3.0", "   4.00", "10:20",
                                                 "  6.0", "  3.0", "   2.00", "", "", "", ""}));
    EXPECT_EQ(row(GridId::StringGrid28, 1), (std::vector<std::string>{"10:20", "  3.0", "  6.0", "   0.50", "10:15",
                                                 "  3.0", " 12.0", "   0.25", "", "", "", ""}));
    EXPECT_EQ(row(GridId::StringGrid27, 2), (std::vector<std::string>{"10:15", "  5.0", "  2.0", "   2.50", "", "",
                                                 "", "", "", "", "", ""}));
    EXPECT_EQ(row(GridId::StringGrid27, 3), std::vector<std::string>(12, ""));
    EXPECT_EQ(grids[GridId::StringGrid28].rowCount(), n + 1);
}

TEST(ChartSelectionLists, RaceOpeningTicksEveryHorseAndRunsEachHandler)
{
    ChartSelections charts;
    EXPECT_EQ(charts.CheckListBox7.count(), 36);
    EXPECT_EQ(charts.CheckListBox8.items.back(), "8-8");
    EXPECT_FALSE(charts.CheckListBox7.allChecked());

    charts.CheckListBox1.setItems({"x"}, false);
    std::vector<ChartList> order;
    resetChartSelections(charts, 10, [&order](ChartList l) { order.push_back(l); });
    EXPECT_EQ(order, (std::vector<ChartList>{ChartList::CheckListBox1, ChartList::CheckListBox2,
                         ChartList::CheckListBox3, ChartList::CheckListBox4, ChartList::CheckListBox5,
                         ChartList::CheckListBox6, ChartList::CheckListBox9, ChartList::RadioGroup6,
                         ChartList::RadioGroup9, ChartList::CheckListBox7, ChartList::CheckListBox8}));
    for (ChartList l : {ChartList::CheckListBox1, ChartList::CheckListBox6, ChartList::CheckListBox9}) {
        const CheckListState& list = *charts.checkList(l);
        ASSERT_EQ(list.count(), 10);
        EXPECT_TRUE(list.allChecked());
        EXPECT_EQ(text::toUtf8(list.items[9]), "10番");
    }
    EXPECT_TRUE(charts.CheckListBox7.allChecked());
    EXPECT_EQ(charts.RadioGroup6.items.size(), 10u);
    EXPECT_EQ(charts.RadioGroup9.itemIndex, 0);

    // A race without runners leaves the radio groups with nothing chosen.
    charts.RadioGroup6.itemIndex = 4;
    resetChartSelections(charts, 0);
    EXPECT_TRUE(charts.CheckListBox2.items.empty());
    EXPECT_EQ(charts.RadioGroup6.itemIndex, -1);
}

// --- through the main window ---------------------------------------------------------

TEST(MainWindowTimeSeries, RaceOpeningFillsTablesAndChartListsAndAMomentLeavesThem)
{
    RaceStore store;
    store.dayFile({raceCard(1, 12, "1040").line(), raceCard(2, 9, "1110").line()});
    store.fullRunners(2, 12);
    store.writeLines(store.o1File(1), {o1At("01151000").win(12, 7.5, 3).place(12, 2.0, 3.0, 2).line(),
                                          o1At("01151010").win(12, 9.0, 4).place(12, 1.5, 2.0, 1).line()});
    store.writeLines(store.o2File(1), {o2At("01151010").quinella(66, 4.4, 1).line()});
    RecordingHost host;
    NullNvLink link;
    MainWindowModel window(host, link, store.dir.path());
    std::vector<ChartList> redrawn;
    window.setChartRedraw([&redrawn](ChartList l) { redrawn.push_back(l); });
    window.panel().buildDateList();
    window.panel().DateComboChange(0);

    GridSet& grids = window.grids();
    EXPECT_EQ(grids[GridId::StringGrid4].rowCount(), 3);
    EXPECT_EQ(grids[GridId::StringGrid4].colCount(), 14);
    EXPECT_EQ(grids[GridId::StringGrid4].cell(2, 13), "  9.0");
    EXPECT_EQ(grids[GridId::StringGrid13].cell(1, 13), " 2");
    EXPECT_EQ(grids[GridId::StringGrid7].cell(1, 67), "   4.4");
    // The per-horse rows come first, then the ratio columns of the same rows.
    EXPECT_EQ(grids[GridId::StringGrid27].cell(12, 1), "12");
    EXPECT_EQ(grids[GridId::StringGrid27].cell(12, 6), "10:10");
    EXPECT_EQ(grids[GridId::StringGrid27].cell(12, 9), "   6.00");
    EXPECT_EQ(window.chartSelections().CheckListBox1.count(), 12);
    EXPECT_EQ(redrawn.size(), 11u);

    // Race 2 has no odds files: header row and one empty data row, headers of its 9 horses.
    window.panel().DatListClick(1);
    EXPECT_EQ(grids[GridId::StringGrid4].rowCount(), 2);
    EXPECT_EQ(grids[GridId::StringGrid4].colCount(), 11);
    EXPECT_EQ(grids[GridId::StringGrid4].cell(1, 0), "");
    EXPECT_EQ(grids[GridId::StringGrid7].cell(1, 67), "");
    EXPECT_EQ(text::toUtf8(grids[GridId::StringGrid12].cell(0, 10)), " 9(単)");
    EXPECT_EQ(grids[GridId::StringGrid27].rowCount(), 10);
    EXPECT_EQ(grids[GridId::StringGrid27].cell(9, 6), "");
    EXPECT_EQ(window.chartSelections().RadioGroup9.items.size(), 9u);

    // A moment selection leaves the tables alone.
    window.panel().DatListClick(0);
    grids[GridId::StringGrid4].setCell(1, 2, "mark");
    window.panel().TimeComboClick(0);
    EXPECT_EQ(grids[GridId::StringGrid4].cell(1, 2), "mark");
}

namespace {

// The cell texts as first written: from the rows the analysis reads, with the general
// formatters. The grids are filled another way and must hold the same bytes.
std::string referenceOdds(const analysis::SeriesOdds& o, int width, bool share)
{
    switch (o.kind) {
    case analysis::SeriesOdds::Kind::None: return {};
    case analysis::SeriesOdds::Kind::CancelledBefore: return sj("発売前取消");
    case analysis::SeriesOdds::Kind::CancelledAfter: return sj("発売後取消");
    case analysis::SeriesOdds::Kind::Price: break;
    }
    return text::formatFixedSlowly(share ? o.share : o.odds, width, 1);
}

std::string referenceO1Popularity(const analysis::SeriesPopularity& p)
{
    switch (p.kind) {
    case analysis::SeriesPopularity::Kind::NoOrder: return sj("　");
    case analysis::SeriesPopularity::Kind::Unpriced: return {};
    case analysis::SeriesPopularity::Kind::Order: break;
    }
    return text::formatInt(p.order, 2);
}

std::string referenceQuinellaPopularity(const analysis::SeriesPopularity& p)
{
    return p.kind == analysis::SeriesPopularity::Kind::Order ? text::formatInt(p.order, 3) : std::string();
}

// Fields of every kind, odds over the whole width of each field, popularity orders
// present, missing and beside unpriced odds.
struct RandomFields {
    std::uint32_t state = 2024;
    std::uint32_t next(std::uint32_t n)
    {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % n;
    }
    OddsField odds(std::int64_t maxTenths)
    {
        switch (next(14)) {
        case 0: return OddsField::noVotes();
        case 1: return OddsField::cancelledBeforeSale();
        case 2: return OddsField::cancelledAfterSale();
        case 3: return OddsField::blank();
        case 4: return OddsField::unreadable();
        case 5: return OddsField::fromTenths(maxTenths - static_cast<std::int64_t>(next(3)));
        default: return OddsField::fromTenths(1 + static_cast<std::int64_t>(next(static_cast<std::uint32_t>(maxTenths))));
        }
    }
    int order(int max) { return next(5) == 0 ? 0 : 1 + static_cast<int>(next(static_cast<std::uint32_t>(max))); }
};

} // namespace

TEST_F(SeriesGrids, EveryCellEqualsTheStraightforwardFormatting)
{
    RandomFields random;
    analysis::O1SeriesRow reused;
    for (int runners : {18, 7, 12}) {
        analysis::SnapshotSeries series;
        const int snapshots = runners == 7 ? 3 : 140;
        for (int i = 0; i < snapshots; ++i) {
            records::O1Builder b = o1At(minuteKey(i));
            for (int h = 1; h <= runners; ++h) {
                b.win(h, random.odds(9999), random.order(18));
                b.place(h, random.odds(9999), random.odds(9999), random.order(18));
            }
            for (int k = 1; k <= 36; ++k)
                b.bracketQuinella(k, random.odds(99999), random.order(36));
            b.winVotes(random.next(2000000000)).placeVotes(random.next(1000)).bracketVotes(0);
            series.o1Snapshots.push_back(b.line());
            records::O2Builder q = o2At(minuteKey(i));
            for (int k = 1; k <= 153; ++k)
                q.quinella(k, random.odds(999999), random.order(153));
            q.quinellaVotes(random.next(2000000000));
            series.o2Snapshots.push_back(q.line());
        }
        open(series, runners);

        for (int r = 1; r <= snapshots; ++r) {
            const std::string& line = series.o1Snapshots[static_cast<std::size_t>(r - 1)];
            const analysis::O1SeriesRow row = analysis::readO1SeriesRow(line, runners);
            // A row read into one used before (by a larger field) equals a fresh one.
            analysis::readO1SeriesRow(reused, line, runners);
            ASSERT_EQ(reused.win, row.win);
            ASSERT_EQ(reused.placeHigh, row.placeHigh);
            ASSERT_EQ(reused.placePopularity, row.placePopularity);
            ASSERT_EQ(reused.bracketPopularity, row.bracketPopularity);
            for (GridId id : {GridId::StringGrid4, GridId::StringGrid5, GridId::StringGrid6, GridId::StringGrid12,
                     GridId::StringGrid13, GridId::StringGrid14, GridId::StringGrid16, GridId::StringGrid17,
                     GridId::StringGrid18})
                ASSERT_EQ(at(id, r, 0), row.time);
            ASSERT_EQ(at(GridId::StringGrid4, r, 1), text::formatGrouped(static_cast<double>(row.winVotes), 11, 0));
            ASSERT_EQ(at(GridId::StringGrid17, r, 1), text::formatGrouped(static_cast<double>(row.placeVotes), 11, 0));
            ASSERT_EQ(at(GridId::StringGrid14, r, 1), text::formatGrouped(static_cast<double>(row.bracketVotes), 11, 0));
            for (int h = 1; h <= runners; ++h) {
                const auto i = static_cast<std::size_t>(h);
                ASSERT_EQ(at(GridId::StringGrid4, r, h + 1), referenceOdds(row.win[i], 5, false)) << r << " " << h;
                ASSERT_EQ(at(GridId::StringGrid16, r, h + 1), referenceOdds(row.win[i], 5, true)) << r << " " << h;
                ASSERT_EQ(at(GridId::StringGrid12, r, h + 1), referenceO1Popularity(row.winPopularity[i]));
                ASSERT_EQ(at(GridId::StringGrid5, r, 2 * h), referenceOdds(row.placeLow[i], 4, false));
                ASSERT_EQ(at(GridId::StringGrid5, r, 2 * h + 1), referenceOdds(row.placeHigh[i], 4, false));
                ASSERT_EQ(at(GridId::StringGrid17, r, 2 * h), referenceOdds(row.placeLow[i], 4, true));
                ASSERT_EQ(at(GridId::StringGrid17, r, 2 * h + 1), referenceOdds(row.placeHigh[i], 4, true));
                ASSERT_EQ(at(GridId::StringGrid13, r, h + 1), referenceO1Popularity(row.placePopularity[i]));
            }
            for (int k = 1; k <= 36; ++k) {
                const auto i = static_cast<std::size_t>(k);
                ASSERT_EQ(at(GridId::StringGrid6, r, k + 1), referenceOdds(row.bracket[i], 5, false));
                ASSERT_EQ(at(GridId::StringGrid18, r, k + 1), referenceOdds(row.bracket[i], 5, true));
                ASSERT_EQ(at(GridId::StringGrid14, r, k + 1), referenceO1Popularity(row.bracketPopularity[i]));
            }
            const analysis::O2SeriesRow q =
                analysis::readO2SeriesRow(series.o2Snapshots[static_cast<std::size_t>(r - 1)]);
            ASSERT_EQ(at(GridId::StringGrid7, r, 0), q.time);
            ASSERT_EQ(at(GridId::StringGrid19, r, 1), text::formatGrouped(static_cast<double>(q.quinellaVotes), 11, 0));
            for (int k = 1; k <= 153; ++k) {
                const auto i = static_cast<std::size_t>(k);
                ASSERT_EQ(at(GridId::StringGrid7, r, k + 1), referenceOdds(q.quinella[i], 6, false)) << r << " " << k;
                ASSERT_EQ(at(GridId::StringGrid19, r, k + 1), referenceOdds(q.quinella[i], 6, true)) << r << " " << k;
                ASSERT_EQ(at(GridId::StringGrid15, r, k + 1), referenceQuinellaPopularity(q.quinellaPopularity[i]));
            }
        }
        EXPECT_EQ(grids[GridId::StringGrid7].rowCount(), snapshots + 1);
        EXPECT_EQ(grids[GridId::StringGrid4].colCount(), runners + 2);
    }
}
