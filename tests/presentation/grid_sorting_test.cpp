#include "presentation/grid_sorting.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "presentation/text_grid.h"
#include "text/cp932.h"

using namespace tidemark;
using namespace tidemark::presentation;

namespace {

using Texts = std::vector<std::string>;

struct Fixture {
    GridSet grids;
    GridSorting sorting{grids};

    Fixture() { layOutAllGrids(grids); }

    // Rows 1.. of grid `id`: horse number, name and the figure in column `col`.
    TextGrid& fill(GridId id, int col, const std::vector<std::pair<std::string, std::string>>& numberAndFigure)
    {
        TextGrid& g = grids[id];
        g.setRowCount(static_cast<int>(numberAndFigure.size()) + 1);
        int row = 0;
        for (const auto& [number, figure] : numberAndFigure) {
            ++row;
            g.setCell(row, 1, number);
            g.setCell(row, 2, "name" + number);
            g.setCell(row, col, figure);
        }
        return g;
    }
};

Texts column(const TextGrid& g, int col)
{
    Texts out;
    for (int r = 1; r < g.rowCount(); ++r)
        out.push_back(g.cell(r, col));
    return out;
}

} // namespace

TEST(GridSorting, BlanksFirstAndTiesByHorseNumber)
{
    Fixture f;
    TextGrid& card = f.fill(GridId::StringGrid2, 8, {{" 1", " 3"}, {" 2", " "}, {" 3", " 1"}, {" 4", " "}, {" 5", " 2"},
                                                     {"10", " "}, {"11", "10"}});
    EXPECT_TRUE(f.sorting.StringGrid2MouseDown(0, 8));
    EXPECT_EQ(column(card, 1), (Texts{" 2", " 4", "10", " 3", " 5", " 1", "11"}));
    EXPECT_EQ(column(card, 8), (Texts{" ", " ", " ", " 1", " 2", " 3", "10"}));
    // The whole row moves with its key.
    EXPECT_EQ(card.cell(4, 2), "name 3");

    // Second click on the same column: descending, ties still ascending by number.
    EXPECT_TRUE(f.sorting.StringGrid2MouseDown(3, 8));
    EXPECT_EQ(column(card, 1), (Texts{"11", " 1", " 5", " 3", " 2", " 4", "10"}));

    // Sorting by the horse number restores the card's order.
    EXPECT_TRUE(f.sorting.StringGrid2MouseDown(1, 1));
    EXPECT_EQ(column(card, 1), (Texts{" 1", " 2", " 3", " 4", " 5", "10", "11"}));
}

TEST(GridSorting, DirectionFlagsPerColumnUntilTheNextRaceOpens)
{
    Fixture f;
    TextGrid& g = f.fill(GridId::StringGrid8, 8, {{" 1", " 2"}, {" 2", " 1"}, {" 3", " 3"}});
    for (int r = 1; r <= 3; ++r)
        g.setCell(r, 11, std::string(" ") + static_cast<char>('0' + r)); // column 11 in horse order

    f.sorting.StringGrid8MouseDown(1, 8); // 8 ascending
    EXPECT_EQ(column(g, 1), (Texts{" 2", " 1", " 3"}));
    f.sorting.StringGrid8MouseDown(1, 11); // 11 ascending: its own flag
    EXPECT_EQ(column(g, 1), (Texts{" 1", " 2", " 3"}));
    f.sorting.StringGrid8MouseDown(1, 8); // 8 again: descending
    EXPECT_EQ(column(g, 1), (Texts{" 3", " 1", " 2"}));
    EXPECT_FALSE(f.sorting.flags(GridId::StringGrid8)[11]);
    EXPECT_TRUE(f.sorting.flags(GridId::StringGrid8)[8]);
    EXPECT_EQ(f.sorting.sortColumn(), 8);
    EXPECT_EQ(f.sorting.threePointGrid(), 2);
    // The other three-point grids keep their own flags.
    EXPECT_TRUE(f.sorting.flags(GridId::StringGrid26)[8]);

    f.sorting.sortFlagsReset();
    EXPECT_TRUE(f.sorting.flags(GridId::StringGrid8)[11]);
    f.sorting.StringGrid8MouseDown(2, 8); // ascending again
    EXPECT_EQ(column(g, 1), (Texts{" 2", " 1", " 3"}));
}

TEST(GridSorting, RowsEqualInBothKeysEndAsTheTwoPassesLeaveThem)
{
    Fixture f;
    TextGrid& g = f.grids[GridId::StringGrid26];
    g.setRowCount(7);
    const Texts names{"A", "B", "C", "D", "E", "F"};
    const Texts keys{" 3", " 1", " 3", " 3", " 1", " 3"};
    for (int r = 1; r <= 6; ++r) {
        g.setCell(r, 1, " 1"); // equal horse numbers: the tie pass cannot separate them
        g.setCell(r, 2, names[static_cast<std::size_t>(r - 1)]);
        g.setCell(r, 15, keys[static_cast<std::size_t>(r - 1)]);
    }
    f.sorting.StringGrid26MouseDown(0, 15);
    // Not a stable order: the partition exchanges equal rows.
    EXPECT_EQ(column(g, 2), (Texts{"B", "E", "A", "C", "F", "D"}));
}

TEST(GridSorting, HorseNumberTiesAreOrderedByName)
{
    Fixture f;
    TextGrid& g = f.grids[GridId::StringGrid11];
    g.setRowCount(4);
    g.setRow(1, {"1", " 5", "Zeta"});
    g.setRow(2, {"1", " 5", "Alpha"});
    g.setRow(3, {"1", " 2", "Mid"});
    f.sorting.StringGrid11MouseDown(2, 1);
    EXPECT_EQ(column(g, 2), (Texts{"Mid", "Alpha", "Zeta"}));
}

TEST(GridSorting, ByteOrderOfTheTexts)
{
    // A shorter text before a longer one with the same start; high bytes (CP932) after ASCII.
    Fixture f;
    TextGrid& g = f.fill(GridId::StringGrid11, 21,
                         {{" 1", text::sj("　")}, {" 2", "10"}, {" 3", "1"}, {" 4", " 9"}, {" 5", ""}});
    f.sorting.StringGrid11MouseDown(0, 21);
    EXPECT_EQ(column(g, 1), (Texts{" 5", " 4", " 3", " 2", " 1"}));
}

TEST(GridSorting, AnomalyGridsSortFromTheirHeaderOnly)
{
    Fixture f;
    TextGrid& g = f.fill(GridId::StringGrid29, 9, {{" 1", "  2.00"}, {" 2", "  1.50"}});
    EXPECT_FALSE(f.sorting.handCursorAt(GridId::StringGrid29, 1, 9));
    EXPECT_TRUE(f.sorting.handCursorAt(GridId::StringGrid29, 0, 9));
    EXPECT_FALSE(f.sorting.StringGrid29MouseDown(1, 9));
    EXPECT_EQ(column(g, 1), (Texts{" 1", " 2"}));
    EXPECT_TRUE(f.sorting.flags(GridId::StringGrid29)[9]); // untouched
    EXPECT_TRUE(f.sorting.StringGrid29MouseDown(0, 9));
    EXPECT_EQ(column(g, 1), (Texts{" 2", " 1"}));
    EXPECT_EQ(f.sorting.anomalyGrid(), 3);

    // StringGrid30 sorts when the button is released, not when it is pressed.
    TextGrid& place = f.fill(GridId::StringGrid30, 16, {{" 1", "  2.00"}, {" 2", "  1.50"}});
    EXPECT_FALSE(f.sorting.mouseDown(GridId::StringGrid30, 0, 16));
    EXPECT_EQ(column(place, 1), (Texts{" 1", " 2"}));
    EXPECT_TRUE(f.sorting.StringGrid30MouseUp(0, 16));
    EXPECT_EQ(column(place, 1), (Texts{" 2", " 1"}));
    EXPECT_EQ(f.sorting.anomalyGrid(), 4);
    // Column 16 sorts on the time-difference grids only.
    EXPECT_FALSE(f.sorting.StringGrid27MouseDown(0, 16));
}

TEST(GridSorting, ClicksThatDoNothing)
{
    Fixture f;
    TextGrid& card = f.fill(GridId::StringGrid2, 7, {{" 1", "  9.9"}, {" 2", "  1.1"}});
    card.setCell(1, 14, "h1");
    card.setCell(2, 14, "h2");
    EXPECT_FALSE(f.sorting.StringGrid2MouseDown(1, 7));  // odds: not sortable
    EXPECT_FALSE(f.sorting.StringGrid2MouseDown(1, 14)); // hidden: out of the mouse's reach
    EXPECT_FALSE(f.sorting.StringGrid2MouseDown(-1, -1));
    EXPECT_FALSE(f.sorting.StringGrid2MouseDown(5, 8)); // below the last row
    EXPECT_FALSE(f.sorting.mouseDown(GridId::StringGrid4, 0, 2));
    EXPECT_FALSE(f.sorting.handCursorAt(GridId::StringGrid20, 0, 1));
    EXPECT_EQ(column(card, 1), (Texts{" 1", " 2"}));
    EXPECT_EQ(f.sorting.sortColumn(), 0);
    EXPECT_TRUE(f.sorting.flags(GridId::StringGrid2)[14]);

    // Hidden cells are sorted with their rows.
    card.setCell(1, 17, " 2");
    card.setCell(2, 17, " 1");
    EXPECT_TRUE(f.sorting.StringGrid2MouseDown(0, 17));
    EXPECT_EQ(column(card, 14), (Texts{"h2", "h1"}));

    // One data row stays as it is.
    TextGrid& one = f.fill(GridId::StringGrid10, 8, {{" 7", " 1"}});
    EXPECT_TRUE(f.sorting.StringGrid10MouseDown(0, 8));
    EXPECT_EQ(one.cell(1, 1), " 7");
    EXPECT_EQ(one.cell(1, 2), "name 7");
}

TEST(GridSorting, TheRaceCardDropsItsSelectionOnRelease)
{
    Fixture f;
    TextGrid& card = f.fill(GridId::StringGrid2, 8, {{" 1", " 1"}, {" 2", " 2"}});
    card.select(2);
    f.sorting.StringGrid2MouseUp(2, 3);
    EXPECT_FALSE(card.hasSelection());
    TextGrid& other = f.fill(GridId::StringGrid26, 8, {{" 1", " 1"}});
    other.select(1);
    f.sorting.mouseUp(GridId::StringGrid26, 1, 3);
    EXPECT_TRUE(other.hasSelection());
}
