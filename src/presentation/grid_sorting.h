#pragma once
// Click sorting of the horse grids: the race card, the four "３系列オッズ表" grids, the
// ticket-type comparison and the four anomaly grids. A click on a sortable column flips
// that column's direction and sorts the data rows by its texts, rows with equal texts
// ordered by the horse number (by the name when the horse number was clicked). Whole
// rows move; no text changes. Other grids are not sortable.
//
// The main window forwards the mouse events of these grids (cell under the pointer,
// -1 outside the cells) to the handlers of the same name, calls sortFlagsReset() at every
// race opening, and asks sortableCell() for the pointer shape on mouse moves.

#include <array>
#include <string>

#include "presentation/grid_layouts.h"

namespace tidemark::presentation {

class TextGrid;

// Sorts rows 1..rowCount-1 of `grid` by the texts of column `col` (byte by byte, unsigned,
// a prefix first), descending when `descending`, by a recursive Hoare quicksort; then each
// run of rows with equal texts is sorted ascending by column 2 when `col` is 1, otherwise
// by column 1. Rows equal in both keep the order the two passes leave them in.
void sortGridRows(TextGrid& grid, int col, bool descending);

// Whether a press (a release for StringGrid30) on cell (row, col) of `id` sorts: a
// sortable column of a sortable grid, on any row, or only on the header row of the
// anomaly grids. Cells outside the grid and hidden columns never sort.
bool sortableCell(GridId id, const TextGrid& grid, int row, int col);
bool isSortableGrid(GridId id);

class GridSorting {
public:
    static constexpr int kFlagColumns = 24;
    using Flags = std::array<bool, kFlagColumns>; // true = descending

    explicit GridSorting(GridSet& grids);

    // Race opening: every flag of every grid back to descending, so the first click on a
    // column sorts it ascending.
    void sortFlagsReset();

    // --- mouse events -------------------------------------------------------------------
    // A press over grid `id`: sorts when the cell is sortable there (all sortable grids but
    // StringGrid30, which sorts on release). True when it sorted.
    bool mouseDown(GridId id, int row, int col);
    // A release: StringGrid30 sorts; StringGrid2 drops its selection so no row stays
    // highlighted. True when it sorted.
    bool mouseUp(GridId id, int row, int col);
    // The hand pointer over a sortable cell, the arrow elsewhere.
    bool handCursorAt(GridId id, int row, int col) const;

    bool StringGrid2MouseDown(int row, int col) { return mouseDown(GridId::StringGrid2, row, col); }
    void StringGrid2MouseUp(int row, int col) { mouseUp(GridId::StringGrid2, row, col); }
    bool StringGrid26MouseDown(int row, int col) { return mouseDown(GridId::StringGrid26, row, col); }
    bool StringGrid8MouseDown(int row, int col) { return mouseDown(GridId::StringGrid8, row, col); }
    bool StringGrid9MouseDown(int row, int col) { return mouseDown(GridId::StringGrid9, row, col); }
    bool StringGrid10MouseDown(int row, int col) { return mouseDown(GridId::StringGrid10, row, col); }
    bool StringGrid11MouseDown(int row, int col) { return mouseDown(GridId::StringGrid11, row, col); }
    bool StringGrid27MouseDown(int row, int col) { return mouseDown(GridId::StringGrid27, row, col); }
    bool StringGrid28MouseDown(int row, int col) { return mouseDown(GridId::StringGrid28, row, col); }
    bool StringGrid29MouseDown(int row, int col) { return mouseDown(GridId::StringGrid29, row, col); }
    bool StringGrid30MouseUp(int row, int col) { return mouseUp(GridId::StringGrid30, row, col); }

    // --- the sort commands of the hidden page, run after a click recorded its column ---
    void SortBtnClick();     // StringGrid2
    void SortBtn3KClick();   // the three-point grid of the last click
    void SortBakenBtnClick(); // StringGrid11
    void SortBtnIjoClick();  // the anomaly grid of the last click

    // --- state ----------------------------------------------------------------------------
    const Flags& flags(GridId id) const; // all false for a grid that does not sort
    int sortColumn() const { return m_sortCol; }
    int threePointGrid() const { return m_threePointGrid; } // 1..4: StringGrid26, 8, 9, 10
    int anomalyGrid() const { return m_anomalyGrid; }       // 1..4: StringGrid27 … 30

private:
    bool clicked(GridId id, int row, int col);
    Flags* flagsOf(GridId id);
    void sortBy(GridId id);

    GridSet& m_grids;
    Flags m_raceCard{};
    std::array<Flags, 4> m_threePoint{};
    Flags m_ticketType{};
    std::array<Flags, 4> m_anomaly{};
    int m_sortCol = 0;
    int m_threePointGrid = 1;
    int m_anomalyGrid = 1;
};

} // namespace tidemark::presentation
