#include "presentation/grid_sorting.h"

#include <algorithm>
#include <initializer_list>
#include <string>

#include "presentation/text_grid.h"

namespace tidemark::presentation {

namespace {

constexpr std::array<GridId, 4> kThreePointOrder{GridId::StringGrid26, GridId::StringGrid8, GridId::StringGrid9,
                                                 GridId::StringGrid10};
constexpr std::array<GridId, 4> kAnomalyOrder{GridId::StringGrid27, GridId::StringGrid28, GridId::StringGrid29,
                                              GridId::StringGrid30};

int positionIn(const std::array<GridId, 4>& order, GridId id)
{
    for (std::size_t i = 0; i < order.size(); ++i)
        if (order[i] == id)
            return static_cast<int>(i) + 1;
    return 0;
}

bool listed(std::initializer_list<int> cols, int col)
{
    return std::find(cols.begin(), cols.end(), col) != cols.end();
}

bool sortableColumn(GridId id, int col)
{
    switch (id) {
    case GridId::StringGrid2: return listed({1, 8, 10, 12, 14, 16, 17, 18, 19}, col);
    case GridId::StringGrid26:
    case GridId::StringGrid8:
    case GridId::StringGrid9:
    case GridId::StringGrid10: return listed({1, 8, 11, 14, 15, 16, 17, 18, 19}, col);
    case GridId::StringGrid11: return listed({1, 8, 11, 14, 17, 21, 22}, col);
    case GridId::StringGrid27:
    case GridId::StringGrid28: return listed({1, 9, 13, 17, 18, 19}, col);
    case GridId::StringGrid29:
    case GridId::StringGrid30: return listed({1, 9, 13, 16, 17, 18, 19}, col);
    default: return false;
    }
}

bool headerOnly(GridId id) { return positionIn(kAnomalyOrder, id) != 0; }

// Hoare partition on whole rows, the pivot text copied once per call.
void quickSort(TextGrid& grid, int left, int right, int col, bool descending)
{
    const std::string pivot = grid.cell((left + right) / 2, col);
    int i = left;
    int j = right;
    do {
        if (descending) {
            while (grid.cell(i, col) > pivot)
                ++i;
            while (pivot > grid.cell(j, col))
                --j;
        } else {
            while (grid.cell(i, col) < pivot)
                ++i;
            while (pivot < grid.cell(j, col))
                --j;
        }
        if (i <= j) {
            grid.swapRows(i, j);
            ++i;
            --j;
        }
    } while (i <= j);
    if (left < j)
        quickSort(grid, left, j, col, descending);
    if (i < right)
        quickSort(grid, i, right, col, descending);
}

} // namespace

void sortGridRows(TextGrid& grid, int col, bool descending)
{
    const int last = grid.rowCount() - 1;
    if (last < 1 || col < 0 || col >= grid.colCount())
        return;
    const TextGrid::Batch batch(grid);
    quickSort(grid, 1, last, col, descending);

    const int tieCol = col == 1 ? 2 : 1;
    if (tieCol >= grid.colCount())
        return;
    int start = 1;
    while (start <= last) {
        int end = start;
        while (end + 1 <= last && grid.cell(end + 1, col) == grid.cell(start, col))
            ++end;
        if (end > start)
            quickSort(grid, start, end, tieCol, false);
        start = end + 1;
    }
}

bool isSortableGrid(GridId id)
{
    return id == GridId::StringGrid2 || id == GridId::StringGrid11 || positionIn(kThreePointOrder, id) != 0 ||
        positionIn(kAnomalyOrder, id) != 0;
}

bool sortableCell(GridId id, const TextGrid& grid, int row, int col)
{
    if (!grid.contains(row, col) || grid.isColHidden(col) || !sortableColumn(id, col))
        return false;
    return !headerOnly(id) || row == 0;
}

GridSorting::GridSorting(GridSet& grids) : m_grids(grids)
{
    sortFlagsReset();
}

void GridSorting::sortFlagsReset()
{
    m_raceCard.fill(true);
    m_ticketType.fill(true);
    for (Flags& f : m_threePoint)
        f.fill(true);
    for (Flags& f : m_anomaly)
        f.fill(true);
}

GridSorting::Flags* GridSorting::flagsOf(GridId id)
{
    if (id == GridId::StringGrid2)
        return &m_raceCard;
    if (id == GridId::StringGrid11)
        return &m_ticketType;
    if (const int p = positionIn(kThreePointOrder, id))
        return &m_threePoint[static_cast<std::size_t>(p - 1)];
    if (const int p = positionIn(kAnomalyOrder, id))
        return &m_anomaly[static_cast<std::size_t>(p - 1)];
    return nullptr;
}

const GridSorting::Flags& GridSorting::flags(GridId id) const
{
    static const Flags none{};
    const Flags* f = const_cast<GridSorting*>(this)->flagsOf(id);
    return f ? *f : none;
}

bool GridSorting::handCursorAt(GridId id, int row, int col) const
{
    return sortableCell(id, m_grids[id], row, col);
}

bool GridSorting::clicked(GridId id, int row, int col)
{
    Flags* f = flagsOf(id);
    if (!f || !sortableCell(id, m_grids[id], row, col))
        return false;
    (*f)[static_cast<std::size_t>(col)] = !(*f)[static_cast<std::size_t>(col)];
    m_sortCol = col;
    if (const int p = positionIn(kThreePointOrder, id)) {
        m_threePointGrid = p;
        SortBtn3KClick();
    } else if (const int q = positionIn(kAnomalyOrder, id)) {
        m_anomalyGrid = q;
        SortBtnIjoClick();
    } else if (id == GridId::StringGrid2) {
        SortBtnClick();
    } else {
        SortBakenBtnClick();
    }
    return true;
}

bool GridSorting::mouseDown(GridId id, int row, int col)
{
    if (id == GridId::StringGrid30)
        return false; // sorts on release
    return clicked(id, row, col);
}

bool GridSorting::mouseUp(GridId id, int row, int col)
{
    if (id == GridId::StringGrid2) {
        m_grids[id].clearSelection();
        return false;
    }
    if (id != GridId::StringGrid30)
        return false;
    return clicked(id, row, col);
}

void GridSorting::sortBy(GridId id)
{
    const Flags* f = flagsOf(id);
    if (!f || m_sortCol < 0 || m_sortCol >= kFlagColumns)
        return;
    sortGridRows(m_grids[id], m_sortCol, (*f)[static_cast<std::size_t>(m_sortCol)]);
}

void GridSorting::SortBtnClick()
{
    sortBy(GridId::StringGrid2);
}

void GridSorting::SortBtn3KClick()
{
    sortBy(kThreePointOrder[static_cast<std::size_t>(std::clamp(m_threePointGrid, 1, 4) - 1)]);
}

void GridSorting::SortBakenBtnClick()
{
    sortBy(GridId::StringGrid11);
}

void GridSorting::SortBtnIjoClick()
{
    sortBy(kAnomalyOrder[static_cast<std::size_t>(std::clamp(m_anomalyGrid, 1, 4) - 1)]);
}

} // namespace tidemark::presentation
