#include "presentation/text_grid.h"

#include <algorithm>
#include <utility>

namespace tidemark::presentation {
namespace {

const std::string kEmpty;

CellRange merged(CellRange a, CellRange b)
{
    if (a.empty())
        return b;
    if (b.empty())
        return a;
    return {std::min(a.top, b.top), std::min(a.left, b.left), std::max(a.bottom, b.bottom),
        std::max(a.right, b.right)};
}

} // namespace

TextGrid::TextGrid(int rows, int cols)
{
    setSize(rows, cols);
}

void TextGrid::setRowCount(int rows)
{
    setSize(rows, m_cols);
}

void TextGrid::setColCount(int cols)
{
    setSize(m_rows, cols);
}

void TextGrid::setSize(int rows, int cols)
{
    rows = std::max(rows, 0);
    cols = std::max(cols, 0);
    if (rows == m_rows && cols == m_cols)
        return;
    shapeAboutToChange();

    if (cols == m_cols) {
        // Rows are contiguous: growing or cutting the tail keeps every surviving text in place.
        m_cells.resize(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols));
    } else {
        std::vector<std::string> cells(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols));
        const int keepRows = std::min(rows, m_rows);
        const int keepCols = std::min(cols, m_cols);
        for (int r = 0; r < keepRows; ++r)
            for (int c = 0; c < keepCols; ++c)
                cells[static_cast<std::size_t>(r) * static_cast<std::size_t>(cols) + static_cast<std::size_t>(c)] =
                    std::move(m_cells[index(r, c)]);
        m_cells = std::move(cells);
    }
    m_colWidths.resize(static_cast<std::size_t>(cols), m_defaultColWidth);
    m_rowHeights.resize(static_cast<std::size_t>(rows), m_defaultRowHeight);
    m_rows = rows;
    m_cols = cols;
    shapeChanged();
    keepSelectionInside();
}

const std::string& TextGrid::cell(int row, int col) const
{
    return contains(row, col) ? m_cells[index(row, col)] : kEmpty;
}

void TextGrid::setCell(int row, int col, std::string text)
{
    if (!contains(row, col))
        return;
    std::string& target = m_cells[index(row, col)];
    if (target == text)
        return;
    target = std::move(text);
    cellChanged(row, col);
}

void TextGrid::clear()
{
    clearRows(0);
}

void TextGrid::clearRows(int firstRow)
{
    firstRow = std::max(firstRow, 0);
    if (firstRow >= m_rows || m_cols == 0)
        return;
    for (auto it = m_cells.begin() + static_cast<std::ptrdiff_t>(index(firstRow, 0)); it != m_cells.end(); ++it)
        it->clear();
    cellsChanged({firstRow, 0, m_rows - 1, m_cols - 1});
}

void TextGrid::setRow(int row, const std::vector<std::string>& texts)
{
    if (row < 0 || row >= m_rows)
        return;
    for (int c = 0; c < m_cols; ++c) {
        const auto i = static_cast<std::size_t>(c);
        m_cells[index(row, c)] = i < texts.size() ? texts[i] : std::string();
    }
    cellsChanged({row, 0, row, m_cols - 1});
}

void TextGrid::swapRows(int a, int b)
{
    if (a == b || a < 0 || b < 0 || a >= m_rows || b >= m_rows)
        return;
    std::swap_ranges(m_cells.begin() + static_cast<std::ptrdiff_t>(index(a, 0)),
        m_cells.begin() + static_cast<std::ptrdiff_t>(index(a, 0) + static_cast<std::size_t>(m_cols)),
        m_cells.begin() + static_cast<std::ptrdiff_t>(index(b, 0)));
    cellsChanged({std::min(a, b), 0, std::max(a, b), m_cols - 1});
}

int TextGrid::colWidth(int col) const
{
    return col >= 0 && col < m_cols ? m_colWidths[static_cast<std::size_t>(col)] : m_defaultColWidth;
}

void TextGrid::setColWidth(int col, int width)
{
    if (col < 0 || col >= m_cols)
        return;
    int& w = m_colWidths[static_cast<std::size_t>(col)];
    if (w == width)
        return;
    w = width;
    layoutChanged();
}

void TextGrid::setDefaultColWidth(int width)
{
    m_defaultColWidth = width;
}

int TextGrid::rowHeight(int row) const
{
    return row >= 0 && row < m_rows ? m_rowHeights[static_cast<std::size_t>(row)] : m_defaultRowHeight;
}

void TextGrid::setRowHeight(int row, int height)
{
    if (row < 0 || row >= m_rows)
        return;
    int& h = m_rowHeights[static_cast<std::size_t>(row)];
    if (h == height)
        return;
    h = height;
    layoutChanged();
}

void TextGrid::setDefaultRowHeight(int height)
{
    m_defaultRowHeight = height;
    std::fill(m_rowHeights.begin(), m_rowHeights.end(), height);
    layoutChanged();
}

void TextGrid::setFixedRows(int rows)
{
    rows = std::max(rows, 0);
    if (rows == m_fixedRows)
        return;
    m_fixedRows = rows;
    layoutChanged();
}

void TextGrid::setFixedCols(int cols)
{
    cols = std::max(cols, 0);
    if (cols == m_fixedCols)
        return;
    m_fixedCols = cols;
    layoutChanged();
}

void TextGrid::setFont(std::string family, int pixelHeight)
{
    if (family == m_fontFamily && pixelHeight == m_fontPixelHeight)
        return;
    m_fontFamily = std::move(family);
    m_fontPixelHeight = pixelHeight;
    layoutChanged();
}

void TextGrid::setSelectionMode(SelectionMode mode)
{
    if (mode == m_selectionMode)
        return;
    m_selectionMode = mode;
    layoutChanged();
}

void TextGrid::setScrollBars(bool on)
{
    if (on == m_scrollBars)
        return;
    m_scrollBars = on;
    layoutChanged();
}

void TextGrid::setFlatBorder(bool on)
{
    if (on == m_flatBorder)
        return;
    m_flatBorder = on;
    layoutChanged();
}

void TextGrid::setVisible(bool visible)
{
    if (visible == m_visible)
        return;
    m_visible = visible;
    layoutChanged();
}

void TextGrid::select(int row, int col)
{
    if (row < 0 || row >= m_rows) {
        row = -1;
        col = -1;
    } else if (col < 0 || col >= m_cols) {
        col = -1;
    }
    if (row == m_selRow && col == m_selCol)
        return;
    m_selRow = row;
    m_selCol = col;
    selectionChanged();
}

void TextGrid::recordSelection(int row, int col)
{
    if (!contains(row, std::max(col, 0))) {
        m_selRow = -1;
        m_selCol = -1;
        return;
    }
    m_selRow = row;
    m_selCol = col < m_cols ? col : -1;
}

void TextGrid::keepSelectionInside()
{
    if (m_selRow >= m_rows || m_selCol >= m_cols) {
        m_selRow = -1;
        m_selCol = -1;
        selectionChanged();
    }
}

void TextGrid::cellsChanged(CellRange range)
{
    if (m_batchDepth > 0) {
        m_pendingCells = merged(m_pendingCells, range);
        return;
    }
    if (m_observer)
        m_observer->gridCellsChanged(*this, range);
}

void TextGrid::shapeAboutToChange()
{
    if (m_batchDepth > 0) {
        if (std::exchange(m_pendingShape, true))
            return;
    }
    if (m_observer)
        m_observer->gridShapeAboutToChange(*this);
}

void TextGrid::shapeChanged()
{
    if (m_batchDepth > 0)
        return; // reported when the batch ends
    if (m_observer)
        m_observer->gridShapeChanged(*this);
}

void TextGrid::layoutChanged()
{
    if (m_batchDepth > 0) {
        m_pendingLayout = true;
        return;
    }
    if (m_observer)
        m_observer->gridLayoutChanged(*this);
}

void TextGrid::selectionChanged()
{
    if (m_batchDepth > 0) {
        m_pendingSelection = true;
        return;
    }
    if (m_observer)
        m_observer->gridSelectionChanged(*this);
}

void TextGrid::endBatch()
{
    if (--m_batchDepth > 0)
        return;
    const bool shape = std::exchange(m_pendingShape, false);
    const bool layout = std::exchange(m_pendingLayout, false);
    const bool selection = std::exchange(m_pendingSelection, false);
    CellRange cells = std::exchange(m_pendingCells, CellRange{});
    if (!m_observer)
        return;
    if (shape) {
        m_observer->gridShapeChanged(*this);
    } else if (!cells.empty()) {
        // Rows or columns may have gone since the cells were written.
        cells.bottom = std::min(cells.bottom, m_rows - 1);
        cells.right = std::min(cells.right, m_cols - 1);
        if (!cells.empty())
            m_observer->gridCellsChanged(*this, cells);
    }
    if (layout)
        m_observer->gridLayoutChanged(*this);
    if (selection)
        m_observer->gridSelectionChanged(*this);
}

} // namespace tidemark::presentation
