#include "presentation/grid_layouts.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "presentation/cell_style.h"
#include "presentation/text_grid.h"
#include "text/cp932.h"
#include "text/number_format.h"

namespace tidemark::presentation {
namespace {

using text::sj;

class Grids : public ::testing::Test {
protected:
    void SetUp() override { layOutAllGrids(grids); }

    const TextGrid& g(GridId id) const { return grids[id]; }

    std::vector<std::string> headers(GridId id) const
    {
        std::vector<std::string> out;
        for (int c = 0; c < g(id).colCount(); ++c)
            out.push_back(text::toUtf8(g(id).cell(0, c)));
        return out;
    }

    std::vector<int> widths(GridId id) const
    {
        std::vector<int> out;
        for (int c = 0; c < g(id).colCount(); ++c)
            out.push_back(g(id).colWidth(c));
        return out;
    }

    // Sum of the shown widths: one wrong width anywhere moves it.
    int shownWidth(GridId id) const
    {
        int sum = 0;
        for (int c = 0; c < g(id).colCount(); ++c)
            if (!g(id).isColHidden(c))
                sum += g(id).colWidth(c);
        return sum;
    }

    GridSet grids;
};

TEST_F(Grids, EveryGridHasItsShapeFontAndBehaviour)
{
    struct Expect {
        GridId id;
        int cols;
        const char* font;
        int fontPx;
        int rowHeight;
        int fixedCols;
        SelectionMode mode;
    };
    const char* gothic = "ＭＳ ゴシック";
    const char* pgothic = "ＭＳ Ｐゴシック";
    const Expect table[] = {
        {GridId::StringGrid2, 20, gothic, 12, 18, 2, SelectionMode::Row},
        {GridId::StringGrid26, 21, gothic, 13, 15, 0, SelectionMode::Row},
        {GridId::StringGrid8, 21, gothic, 13, 15, 0, SelectionMode::Row},
        {GridId::StringGrid9, 21, gothic, 13, 15, 0, SelectionMode::Row},
        {GridId::StringGrid10, 21, gothic, 13, 15, 0, SelectionMode::Row},
        {GridId::StringGrid11, 24, gothic, 13, 15, 0, SelectionMode::Row},
        {GridId::StringGrid27, 21, gothic, 13, 15, 0, SelectionMode::Row},
        {GridId::StringGrid30, 21, gothic, 13, 15, 0, SelectionMode::Row},
        {GridId::StringGrid20, 15, gothic, 13, 15, 0, SelectionMode::Row},
        {GridId::StringGrid23, 15, gothic, 13, 15, 0, SelectionMode::Row},
        {GridId::StringGrid4, 2, pgothic, 13, 15, 1, SelectionMode::Row},
        {GridId::StringGrid12, 2, pgothic, 13, 15, 1, SelectionMode::Row},
        {GridId::StringGrid16, 2, pgothic, 13, 15, 1, SelectionMode::Row},
        {GridId::StringGrid5, 2, gothic, 13, 15, 1, SelectionMode::Row},
        {GridId::StringGrid13, 2, gothic, 13, 15, 1, SelectionMode::Row},
        {GridId::StringGrid6, 38, gothic, 13, 15, 1, SelectionMode::Row},
        {GridId::StringGrid18, 38, gothic, 13, 15, 1, SelectionMode::Row},
        {GridId::StringGrid7, 155, gothic, 13, 15, 1, SelectionMode::Row},
        {GridId::StringGrid19, 155, gothic, 13, 15, 1, SelectionMode::Row},
        {GridId::StringGrid24, 21, gothic, 12, 15, 0, SelectionMode::Cell},
        {GridId::StringGrid25, 8, gothic, 12, 15, 0, SelectionMode::Cell},
    };
    for (const Expect& e : table) {
        SCOPED_TRACE(std::string(gridName(e.id)));
        const TextGrid& grid = g(e.id);
        EXPECT_EQ(grid.colCount(), e.cols);
        EXPECT_EQ(grid.rowCount(), 2);
        EXPECT_EQ(grid.fixedRows(), 1);
        EXPECT_EQ(grid.fixedCols(), e.fixedCols);
        EXPECT_EQ(grid.fontFamily(), sj(e.font));
        EXPECT_EQ(grid.fontPixelHeight(), e.fontPx);
        EXPECT_EQ(grid.rowHeight(1), e.rowHeight);
        EXPECT_EQ(grid.selectionMode(), e.mode);
    }
    // The proportional and the fixed-pitch family differ by one full-width "Ｐ".
    EXPECT_EQ(proportionalGothic().size(), fixedPitchGothic().size() + 2);
    EXPECT_EQ(fixedPitchGothic().size(), 13u); // a half-width blank between ＭＳ and ゴシック
    EXPECT_FALSE(g(GridId::StringGrid24).scrollBars());
    EXPECT_TRUE(g(GridId::StringGrid24).flatBorder());
    EXPECT_TRUE(g(GridId::StringGrid25).scrollBars());
}

TEST_F(Grids, GridNamesAreTheProgramsAndUnique)
{
    std::vector<std::string> names;
    for (GridId id : kAllGridIds) {
        names.emplace_back(gridName(id));
        EXPECT_EQ(names.back().rfind("StringGrid", 0), 0u);
        EXPECT_GT(g(id).colCount(), 0) << names.back();
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end());
    EXPECT_EQ(gridName(GridId::StringGrid26), "StringGrid26");
    EXPECT_EQ(gridName(GridId::StringGrid10), "StringGrid10");
}

TEST_F(Grids, RaceCardHeadersWidthsAndHiddenMiningColumns)
{
    const std::vector<std::string> expected{"枠", "馬", "馬名", "性齢", "斤量", "騎手", "調教師", "単勝", "順",
        "複勝(低)", "順", "複勝(高)", "順", "ﾀｲﾑ型", "順", "対戦型", "順", "着順", "人気", "確定ｵｯｽﾞ"};
    EXPECT_EQ(headers(GridId::StringGrid2), expected);
    const std::vector<int> w{20, 20, 150, 30, 30, 50, 50, 50, 20, 50, 20, 50, 20, -1, -1, -1, -1, 30, 30, 50};
    EXPECT_EQ(widths(GridId::StringGrid2), w);
    const TextGrid& card = g(GridId::StringGrid2);
    for (int c = 13; c <= 16; ++c)
        EXPECT_TRUE(card.isColHidden(c)) << c;
    EXPECT_FALSE(card.isColHidden(12));
    EXPECT_FALSE(card.isColHidden(17));
    EXPECT_EQ(card.rowHeight(0), 27);
    EXPECT_EQ(card.rowHeight(1), 18);
    // Half-width katakana are one byte each: widths line up only with the right forms.
    EXPECT_EQ(card.cell(0, 13).size(), 5u);
    EXPECT_EQ(card.cell(0, 19).size(), 8u);
    EXPECT_EQ(card.cell(0, 9), sj("複勝(低)"));
}

TEST_F(Grids, ThreePointGridsShareOneLayout)
{
    const std::vector<std::string> expected{"枠", "馬", "馬名", "性齢", "斤量", "騎手", "オッズ1", "得票率1", "順",
        "オッズ2", "得票率2", "順", "オッズ3", "得票率3", "順", "Min順", "Max順", "変動", "着", "人", "確ｵｯｽﾞ"};
    const std::vector<int> w{20, 20, 130, 35, 35, 60, 50, 50, 20, 50, 50, 20, 50, 50, 20, 35, 35, 30, 20, 20, 45};
    for (GridId id : {GridId::StringGrid26, GridId::StringGrid8, GridId::StringGrid9, GridId::StringGrid10}) {
        SCOPED_TRACE(std::string(gridName(id)));
        EXPECT_EQ(headers(id), expected);
        EXPECT_EQ(widths(id), w);
        EXPECT_EQ(shownWidth(id), 845);
    }
}

TEST_F(Grids, TicketTypeGrid)
{
    const auto h = headers(GridId::StringGrid11);
    ASSERT_EQ(h.size(), 24u);
    EXPECT_EQ(h[6], "単ｵｯｽﾞ");
    EXPECT_EQ(h[9], "複ｵｽﾞ低");
    EXPECT_EQ(h[12], "複ｵｽﾞ高");
    EXPECT_EQ(h[15], "馬連ｵｽﾞ");
    EXPECT_EQ(h[16], "得票率");
    EXPECT_EQ(h[17], "順");
    EXPECT_EQ(h[18], "単複差");
    EXPECT_EQ(h[19], "単連差");
    EXPECT_EQ(h[20], "連複差");
    EXPECT_EQ(h[23], "確ｵｯｽﾞ");
    EXPECT_EQ(g(GridId::StringGrid11).colWidth(2), 130);
    EXPECT_EQ(g(GridId::StringGrid11).colWidth(18), 45);
    EXPECT_EQ(shownWidth(GridId::StringGrid11), 1000);
}

TEST_F(Grids, AnomalyGrids)
{
    EXPECT_EQ(headers(GridId::StringGrid27)[9], "単÷複1");
    EXPECT_EQ(headers(GridId::StringGrid27)[16], "複ｵｯｽﾞ3");
    EXPECT_EQ(headers(GridId::StringGrid28)[7], "複ｵｯｽﾞ1");
    EXPECT_EQ(headers(GridId::StringGrid28)[17], "複÷単3");
    const std::vector<std::string> series{"Max時", "Maxｵｽﾞ", "選ｵｯｽﾞ", "Max/選", "Min時", "Minｵｽﾞ", "選ｵｯｽﾞ",
        "Min/選", "Maxｵｽﾞ", "Minｵｽﾞ", "Max/Min", "Max-Min"};
    for (GridId id : {GridId::StringGrid29, GridId::StringGrid30}) {
        const auto h = headers(id);
        EXPECT_EQ(std::vector<std::string>(h.begin() + 6, h.begin() + 18), series) << gridName(id);
        EXPECT_EQ(h[18], "着");
        EXPECT_EQ(h[20], "確ｵｯｽﾞ");
    }
    // The ratio columns 9, 13, 17 are wider on StringGrid28 and StringGrid29 only.
    for (int c : {9, 13, 17}) {
        EXPECT_EQ(g(GridId::StringGrid27).colWidth(c), 50) << c;
        EXPECT_EQ(g(GridId::StringGrid28).colWidth(c), 55) << c;
        EXPECT_EQ(g(GridId::StringGrid29).colWidth(c), 55) << c;
        EXPECT_EQ(g(GridId::StringGrid30).colWidth(c), 50) << c;
    }
    EXPECT_EQ(shownWidth(GridId::StringGrid27), 985);
    EXPECT_EQ(shownWidth(GridId::StringGrid28), 1000);
    EXPECT_EQ(shownWidth(GridId::StringGrid29), 1000);
    EXPECT_EQ(shownWidth(GridId::StringGrid30), 985);
}

TEST_F(Grids, GapGridsNameTheirOddsAndFrameTheRatio)
{
    const std::pair<GridId, const char*> odds[] = {{GridId::StringGrid20, "単ｵｯｽﾞ"}, {GridId::StringGrid21, "複(低)"},
        {GridId::StringGrid22, "複(高)"}, {GridId::StringGrid23, "馬連ｵｯｽﾞ"}};
    for (const auto& [id, header] : odds) {
        const auto h = headers(id);
        EXPECT_EQ(h[4], header) << gridName(id);
        EXPECT_EQ(h[13], header) << gridName(id);
        EXPECT_EQ(h[6], "");
        EXPECT_EQ(h[7], "断層");
        EXPECT_EQ(h[8], "");
        EXPECT_EQ(h[9], "人");
        EXPECT_EQ(h[14], "着");
    }
    EXPECT_EQ(shownWidth(GridId::StringGrid20), 590);
    EXPECT_EQ(shownWidth(GridId::StringGrid22), 590);
    EXPECT_EQ(shownWidth(GridId::StringGrid23), 610);
    EXPECT_EQ(g(GridId::StringGrid23).colWidth(13), 60);
    EXPECT_EQ(g(GridId::StringGrid20).colWidth(6), 10);
}

TEST_F(Grids, MatrixAndAdvantageList)
{
    const TextGrid& matrix = g(GridId::StringGrid24);
    EXPECT_EQ(shownWidth(GridId::StringGrid24), 17 + 20 + 112 + 18 * 40);
    for (int c = 0; c < matrix.colCount(); ++c)
        EXPECT_TRUE(matrix.cell(0, c).empty()) << c;
    TextGrid& grown = grids[GridId::StringGrid24];
    grown.setColCount(15 + 3);
    EXPECT_EQ(grown.colWidth(17), 40);

    const std::vector<std::string> expected{"枠連", "ｵｯｽﾞ", "人気", "馬連", "ｵｯｽﾞ", "人気", "ｵｯｽﾞ差", "ｵｯｽﾞ比"};
    EXPECT_EQ(headers(GridId::StringGrid25), expected);
    EXPECT_EQ(widths(GridId::StringGrid25), (std::vector<int>{40, 50, 30, 40, 50, 30, 50, 50}));
}

TEST_F(Grids, TimeSeriesGridsAtCreation)
{
    struct Expect {
        GridId id;
        int time, total, value;
    };
    const Expect table[] = {{GridId::StringGrid4, 45, 67, 45}, {GridId::StringGrid5, 45, 68, 45},
        {GridId::StringGrid6, 60, 71, 60}, {GridId::StringGrid7, 60, 90, 60}, {GridId::StringGrid12, 45, 67, 45},
        {GridId::StringGrid13, 45, 68, 45}, {GridId::StringGrid14, 60, 71, 60}, {GridId::StringGrid15, 60, 90, 60},
        {GridId::StringGrid16, 45, 67, 45}, {GridId::StringGrid17, 45, 68, 45}, {GridId::StringGrid18, 60, 71, 60},
        {GridId::StringGrid19, 60, 90, 60}};
    for (const Expect& e : table) {
        SCOPED_TRACE(std::string(gridName(e.id)));
        const TextGrid& grid = g(e.id);
        EXPECT_TRUE(isTimeSeries(e.id));
        EXPECT_EQ(grid.cell(0, 0), "");
        EXPECT_EQ(grid.cell(0, 1), sj("票数(百円)"));
        EXPECT_EQ(grid.colWidth(0), e.time);
        EXPECT_EQ(grid.colWidth(1), e.total);
        EXPECT_EQ(grid.defaultColWidth(), e.value);
        if (grid.colCount() > 2) {
            EXPECT_EQ(grid.colWidth(grid.colCount() - 1), e.value);
            EXPECT_EQ(grid.cell(0, 2), ""); // pair headers come with a race
        }
    }
    // StringGrid13 is the place popularity grid: one column per horse, yet the place widths.
    EXPECT_EQ(g(GridId::StringGrid13).colWidth(1), 68);
    EXPECT_FALSE(isTimeSeries(GridId::StringGrid26));
}

TEST_F(Grids, TimeSeriesColumnsFollowTheField)
{
    EXPECT_EQ(timeSeriesColumnCount(GridId::StringGrid4, 8), 10);
    EXPECT_EQ(timeSeriesColumnCount(GridId::StringGrid5, 8), 18);
    EXPECT_EQ(timeSeriesColumnCount(GridId::StringGrid13, 8), 10);
    EXPECT_EQ(timeSeriesColumnCount(GridId::StringGrid17, 18), 38);
    EXPECT_EQ(timeSeriesColumnCount(GridId::StringGrid6, 8), 38);
    EXPECT_EQ(timeSeriesColumnCount(GridId::StringGrid15, 3), 155);
    EXPECT_EQ(timeSeriesColumnCount(GridId::StringGrid12, 25), 20); // never past 18 horses
    EXPECT_EQ(timeSeriesColumnCount(GridId::StringGrid2, 8), 0);

    const PairLabels labels{[](int p) { return "B" + std::to_string(p); },
        [](int p) { return "Q" + std::to_string(p); }};
    TextGrid& win = grids[GridId::StringGrid4];
    layOutTimeSeriesColumns(GridId::StringGrid4, win, 8, labels);
    ASSERT_EQ(win.colCount(), 10);
    EXPECT_EQ(win.cell(0, 8), sj(" 7(単)")); // a horse below 10 starts with a blank
    EXPECT_EQ(win.cell(0, 9), sj(" 8(単)"));
    EXPECT_EQ(win.colWidth(9), 45);
    EXPECT_EQ(win.cell(0, 1), sj("票数(百円)"));

    TextGrid& place = grids[GridId::StringGrid5];
    layOutTimeSeriesColumns(GridId::StringGrid5, place, 12, labels);
    ASSERT_EQ(place.colCount(), 26);
    EXPECT_EQ(place.cell(0, 14), sj(" 7(低)"));
    EXPECT_EQ(place.cell(0, 15), sj(" 7(高)"));
    EXPECT_EQ(place.cell(0, 25), sj("12(高)"));
    // A smaller field next: no header of the earlier race survives.
    layOutTimeSeriesColumns(GridId::StringGrid5, place, 8, labels);
    EXPECT_EQ(place.colCount(), 18);
    place.setColCount(26);
    EXPECT_EQ(place.cell(0, 25), "");

    TextGrid& pop = grids[GridId::StringGrid13];
    layOutTimeSeriesColumns(GridId::StringGrid13, pop, 10, labels);
    EXPECT_EQ(pop.cell(0, 11), sj("10(複)"));

    TextGrid& bracket = grids[GridId::StringGrid14];
    layOutTimeSeriesColumns(GridId::StringGrid14, bracket, 8, labels);
    EXPECT_EQ(bracket.colCount(), 38);
    EXPECT_EQ(bracket.cell(0, 2), "B1" + sj("(枠)"));
    EXPECT_EQ(bracket.cell(0, 37), "B36" + sj("(枠)"));

    TextGrid& quinella = grids[GridId::StringGrid19];
    layOutTimeSeriesColumns(GridId::StringGrid19, quinella, 8, labels);
    EXPECT_EQ(quinella.colCount(), 155);
    EXPECT_EQ(quinella.cell(0, 154), "Q153" + sj("(馬)"));

    TextGrid& other = grids[GridId::StringGrid26];
    layOutTimeSeriesColumns(GridId::StringGrid26, other, 8, labels);
    EXPECT_EQ(other.colCount(), 21);
}

TEST_F(Grids, LayingOutAgainEmptiesTheGridAndRestoresItsLayout)
{
    TextGrid& card = grids[GridId::StringGrid2];
    card.setSize(13, 25);
    card.setCell(5, 3, "x");
    card.setCell(0, 2, "y");
    card.setColWidth(13, 40);
    card.setRowHeight(0, 10);
    card.select(5, 3);
    layOutGrid(GridId::StringGrid2, card);
    EXPECT_EQ(card.rowCount(), 2);
    EXPECT_EQ(card.colCount(), 20);
    EXPECT_EQ(card.cell(0, 2), sj("馬名"));
    EXPECT_TRUE(card.isColHidden(13));
    EXPECT_EQ(card.rowHeight(0), 27);
    EXPECT_FALSE(card.hasSelection());
    card.setRowCount(20);
    EXPECT_EQ(card.cell(5, 3), "");
    EXPECT_EQ(card.rowHeight(19), 18);
}

// ---- TextGrid ---------------------------------------------------------------------------

struct Recorder final : TextGridObserver {
    virtual ~Recorder() = default;
    std::vector<CellRange> cells;
    int shapes = 0;
    int announced = 0;
    int layouts = 0;
    int selections = 0;
    void gridCellsChanged(const TextGrid&, CellRange r) override { cells.push_back(r); }
    void gridShapeAboutToChange(const TextGrid&) override { ++announced; }
    void gridShapeChanged(const TextGrid&) override
    {
        ++shapes;
        EXPECT_EQ(announced, shapes); // never a change without its announcement
    }
    void gridLayoutChanged(const TextGrid&) override { ++layouts; }
    void gridSelectionChanged(const TextGrid&) override { ++selections; }
};

TextGrid& numbered(TextGrid& grid)
{
    for (int r = 0; r < grid.rowCount(); ++r)
        for (int c = 0; c < grid.colCount(); ++c)
            grid.setCell(r, c, std::to_string(r) + "," + std::to_string(c));
    return grid;
}

TEST(TextGrid, ResizingKeepsTheCellsInsideBothShapes)
{
    TextGrid grid(4, 5);
    numbered(grid);
    grid.setColCount(3); // narrower: rows must not shift into each other
    EXPECT_EQ(grid.cell(1, 0), "1,0");
    EXPECT_EQ(grid.cell(3, 2), "3,2");
    grid.setColCount(7); // wider again: the cut columns are gone, not resurrected
    EXPECT_EQ(grid.cell(2, 2), "2,2");
    EXPECT_EQ(grid.cell(2, 3), "");
    EXPECT_EQ(grid.cell(2, 6), "");
    EXPECT_EQ(grid.cell(3, 1), "3,1");
    grid.setRowCount(2);
    grid.setRowCount(6);
    EXPECT_EQ(grid.cell(1, 2), "1,2");
    EXPECT_EQ(grid.cell(2, 0), "");
    EXPECT_EQ(grid.cell(5, 6), "");
    grid.setSize(-3, 2);
    EXPECT_EQ(grid.rowCount(), 0);
    EXPECT_EQ(grid.cell(0, 0), "");
}

TEST(TextGrid, OutsideTheGridReadsEmptyAndWritesNothing)
{
    TextGrid grid(2, 2);
    grid.setCell(2, 0, "x");
    grid.setCell(0, -1, "x");
    grid.setCell(-1, 0, "x");
    EXPECT_EQ(grid.cell(2, 0), "");
    EXPECT_EQ(grid.cell(0, 2), "");
    EXPECT_EQ(grid.cell(-1, -1), "");
    grid.setColWidth(5, 10);
    grid.setRowHeight(-1, 10);
    EXPECT_EQ(grid.colWidth(5), grid.defaultColWidth());
    // A larger column count appears only empty.
    grid.setColCount(3);
    EXPECT_EQ(grid.cell(0, 2), "");
}

TEST(TextGrid, WidthsAndHeightsOfNewColumnsAndRows)
{
    TextGrid grid;
    grid.setDefaultColWidth(45);
    grid.setDefaultRowHeight(15);
    grid.setSize(2, 2);
    grid.setColWidth(1, 67);
    grid.setColWidth(0, TextGrid::kHidden);
    grid.setColCount(5);
    EXPECT_TRUE(grid.isColHidden(0));
    EXPECT_EQ(grid.colWidth(1), 67);
    EXPECT_EQ(grid.colWidth(4), 45);
    grid.setRowHeight(0, 27);
    grid.setRowCount(4);
    EXPECT_EQ(grid.rowHeight(0), 27);
    EXPECT_EQ(grid.rowHeight(3), 15);
    grid.setDefaultRowHeight(18); // every row, as the grid component does
    EXPECT_EQ(grid.rowHeight(0), 18);
    EXPECT_EQ(grid.rowHeight(3), 18);
}

TEST(TextGrid, RowOperations)
{
    TextGrid grid(4, 3);
    numbered(grid);
    grid.swapRows(1, 3);
    EXPECT_EQ(grid.cell(1, 0), "3,0");
    EXPECT_EQ(grid.cell(3, 2), "1,2");
    grid.setRow(2, {"a", "b"});
    EXPECT_EQ(grid.cell(2, 1), "b");
    EXPECT_EQ(grid.cell(2, 2), "");
    grid.clearRows(2);
    EXPECT_EQ(grid.cell(1, 0), "3,0");
    EXPECT_EQ(grid.cell(2, 1), "");
    EXPECT_EQ(grid.cell(3, 0), "");
    grid.clear();
    EXPECT_EQ(grid.cell(0, 0), "");
    EXPECT_EQ(grid.rowCount(), 4);
}

TEST(TextGrid, SelectionStaysInsideTheGrid)
{
    TextGrid grid(5, 4);
    Recorder rec;
    grid.setObserver(&rec);
    grid.select(3, 2);
    EXPECT_EQ(grid.selectedRow(), 3);
    EXPECT_EQ(grid.selectedCol(), 2);
    EXPECT_EQ(rec.selections, 1);
    grid.select(3, 2);
    EXPECT_EQ(rec.selections, 1);
    grid.setRowCount(3); // the selected row went with the cut
    EXPECT_FALSE(grid.hasSelection());
    EXPECT_EQ(rec.selections, 2);
    grid.select(9, 0);
    EXPECT_EQ(grid.selectedRow(), -1);
    grid.select(1, 9);
    EXPECT_EQ(grid.selectedRow(), 1);
    EXPECT_EQ(grid.selectedCol(), -1);
    const int before = rec.selections;
    grid.recordSelection(2, 1); // the view's own click is not echoed back to it
    EXPECT_EQ(grid.selectedRow(), 2);
    EXPECT_EQ(rec.selections, before);
}

TEST(TextGrid, NotificationsAreMergedInsideABatch)
{
    TextGrid grid(10, 10);
    Recorder rec;
    grid.setObserver(&rec);
    grid.setCell(2, 3, "a");
    grid.setCell(2, 3, "a"); // unchanged text: nothing to repaint
    ASSERT_EQ(rec.cells.size(), 1u);
    EXPECT_EQ(rec.cells[0], (CellRange{2, 3, 2, 3}));

    rec.cells.clear();
    {
        const TextGrid::Batch outer(grid);
        grid.setCell(1, 5, "x");
        {
            const TextGrid::Batch inner(grid);
            grid.setCell(7, 2, "y");
        }
        EXPECT_TRUE(rec.cells.empty());
        grid.setColWidth(1, 7);
        grid.setColWidth(2, 7);
    }
    ASSERT_EQ(rec.cells.size(), 1u);
    EXPECT_EQ(rec.cells[0], (CellRange{1, 2, 7, 5}));
    EXPECT_EQ(rec.layouts, 1);
    EXPECT_EQ(rec.shapes, 0);

    rec.cells.clear();
    {
        const TextGrid::Batch batch(grid);
        grid.setCell(9, 9, "z");
        grid.setRowCount(300);
        numbered(grid);
    }
    EXPECT_EQ(rec.shapes, 1); // a shape change covers every text
    EXPECT_EQ(rec.announced, 1);
    EXPECT_TRUE(rec.cells.empty());

    {
        const TextGrid::Batch batch(grid);
        grid.setCell(250, 1, "q");
        grid.setRowCount(100); // the written row went: report only what is left
        grid.setCell(5, 1, "q");
    }
    EXPECT_EQ(rec.shapes, 2);
}

// ---- default cell style -----------------------------------------------------------------

TEST(CellStyle, WithoutRaceHeadersAreSilverAndSelectionIsFramed)
{
    GridSet grids;
    layOutAllGrids(grids);
    const TextGrid& series = grids[GridId::StringGrid4];
    const CellStyle header = styleFor(GridId::StringGrid4, series, 0, 3, {});
    EXPECT_EQ(header.background, colours::silver);
    EXPECT_EQ(header.align, HAlign::Center);
    EXPECT_EQ(styleFor(GridId::StringGrid4, series, 1, 0, {}).background, colours::silver); // time column
    const CellStyle data = styleFor(GridId::StringGrid26, grids[GridId::StringGrid26], 1, 4, {});
    EXPECT_EQ(data.background, colours::white);
    EXPECT_EQ(data.textColour, colours::black);
    EXPECT_FALSE(data.bold);
    EXPECT_EQ(data.fontPixelHeight, 0);
    EXPECT_FALSE(data.ownText);
    EXPECT_EQ(data.lineCount, 0);

    StyleContext selected;
    selected.selected = true;
    // A selected row keeps its colours and is framed.
    const CellStyle picked = styleFor(GridId::StringGrid26, grids[GridId::StringGrid26], 1, 4, selected);
    EXPECT_EQ(picked.background, colours::white);
    EXPECT_EQ(picked.lineCount, 2);
    // The race card never shows its selected row: only its own bottom line.
    EXPECT_EQ(styleFor(GridId::StringGrid2, grids[GridId::StringGrid2], 1, 4, selected).lineCount, 1);
}

TEST(CellStyle, ColoursAndPixelSizes)
{
    EXPECT_EQ(colours::popularityGreen.hex(), "#8BFC8B");
    EXPECT_EQ(colours::cream.hex(), "#FFFBF0");
    EXPECT_EQ(colours::orange.red(), 255);
    EXPECT_EQ(colours::orange.green(), 128);
    EXPECT_EQ(colours::orange.blue(), 0);
    EXPECT_EQ(pointsToPixels(9), 12);
    EXPECT_EQ(pointsToPixels(10), 13);
    CellStyle s;
    for (int i = 0; i < CellStyle::kMaxLines + 2; ++i)
        s.addLine(CellEdge::Right, colours::blue, 3);
    EXPECT_EQ(s.lineCount, CellStyle::kMaxLines);
}

} // namespace
} // namespace tidemark::presentation
