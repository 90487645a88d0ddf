#pragma once
// A grid of text cells as the main window shows them: every figure is stored as the
// formatted CP932 text it is shown with, because sorting, colouring and the clipboard
// copy all read the text back. Row 0 is the header; a column width of -1 hides the
// column from the screen while its cells stay filled, sorted and copied.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tidemark::presentation {

enum class SelectionMode {
    Row,  // a click selects the whole row (race card, horse and time-series grids)
    Cell, // a click selects one cell (matrix, advantage list)
};

// Inclusive rectangle of cells, rows and columns from 0.
struct CellRange {
    int top = 0;
    int left = 0;
    int bottom = -1;
    int right = -1;

    bool empty() const { return bottom < top || right < left; }
    bool operator==(const CellRange&) const = default;
};

class TextGrid;

// What a view needs to know to follow a grid. Called after the change; a view repaints
// only what it is told. Inside a TextGrid::Batch the calls are held back and merged.
class TextGridObserver {
public:
    // Texts inside `cells` changed; the shape did not.
    virtual void gridCellsChanged(const TextGrid& grid, CellRange cells) = 0;
    // Row or column count is about to change (once per batch, before its first change),
    // then did change (texts may have moved or gone). Always called in pairs.
    virtual void gridShapeAboutToChange(const TextGrid& grid) = 0;
    virtual void gridShapeChanged(const TextGrid& grid) = 0;
    // Widths, heights, fixed rows/columns, font, selection mode, scroll bars or visibility.
    virtual void gridLayoutChanged(const TextGrid& grid) = 0;
    // The selected cell or row was set by the program.
    virtual void gridSelectionChanged(const TextGrid& grid) = 0;

protected:
    ~TextGridObserver() = default;
};

class TextGrid {
public:
    static constexpr int kHidden = -1; // column width that hides a column

    TextGrid() = default;
    TextGrid(int rows, int cols);
    TextGrid(const TextGrid&) = delete;
    TextGrid& operator=(const TextGrid&) = delete;

    // --- shape and texts -------------------------------------------------------------
    int rowCount() const { return m_rows; }
    int colCount() const { return m_cols; }
    // Counts below 0 count as 0. Cells inside both the old and the new shape keep their
    // text; cells a grid grows into are empty. New rows take the default row height,
    // new columns the default column width.
    void setRowCount(int rows);
    void setColCount(int cols);
    void setSize(int rows, int cols);

    // Reading outside the grid gives an empty text; writing outside it is ignored.
    const std::string& cell(int row, int col) const;
    void setCell(int row, int col, std::string text);
    // The same for a text that is not a string yet: copied into the cell's own storage,
    // so refilling a grid reuses the cells' memory.
    void writeCell(int row, int col, std::string_view text)
    {
        if (!contains(row, col))
            return;
        std::string& target = m_cells[index(row, col)];
        if (target == text)
            return;
        target.assign(text);
        cellChanged(row, col);
    }
    bool contains(int row, int col) const { return row >= 0 && col >= 0 && row < m_rows && col < m_cols; }

    // Empties every cell, header included, keeping the shape.
    void clear();
    // Empties rows [firstRow, rowCount).
    void clearRows(int firstRow);
    // One whole row as the cells of columns 0.., missing texts treated as empty.
    void setRow(int row, const std::vector<std::string>& texts);
    void swapRows(int a, int b);

    // --- layout ----------------------------------------------------------------------
    int colWidth(int col) const;
    void setColWidth(int col, int width);
    bool isColHidden(int col) const { return colWidth(col) < 0; }
    int defaultColWidth() const { return m_defaultColWidth; }
    // Only columns added later take the new default.
    void setDefaultColWidth(int width);

    int rowHeight(int row) const;
    void setRowHeight(int row, int height);
    int defaultRowHeight() const { return m_defaultRowHeight; }
    // Sets the height of every existing row as well, as the grid component does.
    void setDefaultRowHeight(int height);

    int fixedRows() const { return m_fixedRows; }
    int fixedCols() const { return m_fixedCols; }
    void setFixedRows(int rows);
    void setFixedCols(int cols);
    bool isFixed(int row, int col) const { return row < m_fixedRows || col < m_fixedCols; }

    // Font family as the program names it (CP932, "ＭＳ ゴシック") and its character
    // height in pixels at 96 dots per inch.
    const std::string& fontFamily() const { return m_fontFamily; }
    int fontPixelHeight() const { return m_fontPixelHeight; }
    void setFont(std::string family, int pixelHeight);

    SelectionMode selectionMode() const { return m_selectionMode; }
    void setSelectionMode(SelectionMode mode);

    bool scrollBars() const { return m_scrollBars; }
    bool flatBorder() const { return m_flatBorder; }
    void setScrollBars(bool on);
    void setFlatBorder(bool on);

    // Hidden while it is refilled, so no half-filled grid is painted.
    bool visible() const { return m_visible; }
    void setVisible(bool visible);

    // --- selection -------------------------------------------------------------------
    // -1 means none. In row mode the selected column is ignored by the view.
    int selectedRow() const { return m_selRow; }
    int selectedCol() const { return m_selCol; }
    bool hasSelection() const { return m_selRow >= 0; }
    // Out-of-range positions clear the selection.
    void select(int row, int col = -1);
    void clearSelection() { select(-1, -1); }
    // What the view reports after a click: records it without telling the view again.
    void recordSelection(int row, int col);

    // --- notification ----------------------------------------------------------------
    void setObserver(TextGridObserver* observer) { m_observer = observer; }
    TextGridObserver* observer() const { return m_observer; }

    // Holds notifications back until the outermost batch ends, then reports once:
    // a shape change (which covers all texts) or the merged rectangle of changed cells,
    // then layout, then selection.
    class Batch {
    public:
        explicit Batch(TextGrid& grid) : m_grid(grid) { ++m_grid.m_batchDepth; }
        ~Batch() { m_grid.endBatch(); }
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        TextGrid& m_grid;
    };

private:
    std::size_t index(int row, int col) const
    {
        return static_cast<std::size_t>(row) * static_cast<std::size_t>(m_cols) + static_cast<std::size_t>(col);
    }
    void endBatch();
    void cellsChanged(CellRange range);
    void cellChanged(int row, int col)
    {
        // Inside a batch most cells fall within what is already pending.
        if (m_batchDepth > 0 && row >= m_pendingCells.top && row <= m_pendingCells.bottom &&
            col >= m_pendingCells.left && col <= m_pendingCells.right)
            return;
        cellsChanged({row, col, row, col});
    }
    void shapeAboutToChange();
    void shapeChanged();
    void layoutChanged();
    void selectionChanged();
    void keepSelectionInside();

    int m_rows = 0;
    int m_cols = 0;
    std::vector<std::string> m_cells; // row-major, m_rows * m_cols
    std::vector<int> m_colWidths;
    std::vector<int> m_rowHeights;
    int m_defaultColWidth = 64;
    int m_defaultRowHeight = 24;
    int m_fixedRows = 1;
    int m_fixedCols = 0;
    std::string m_fontFamily;
    int m_fontPixelHeight = 13;
    SelectionMode m_selectionMode = SelectionMode::Row;
    bool m_scrollBars = true;
    bool m_flatBorder = false;
    bool m_visible = true;
    int m_selRow = -1;
    int m_selCol = -1;

    TextGridObserver* m_observer = nullptr;
    int m_batchDepth = 0;
    bool m_pendingShape = false; // announced to the observer, reported at the batch end
    bool m_pendingLayout = false;
    bool m_pendingSelection = false;
    CellRange m_pendingCells;
};

} // namespace tidemark::presentation
