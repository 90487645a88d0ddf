#pragma once
// A QTableView set up from a TextGrid: column widths (hidden at -1), row heights, font,
// row or cell selection, no editing or resizing, and fixed rows and columns that stay in
// place while the rest scrolls (drawn by overlay views that share the model). The grid's
// row 0 is its header, drawn like any cell, so the table's own headers are hidden.

#include <QTableView>

#include <functional>
#include <utility>

namespace tidemark::gui {

class GridDelegate;
class GridTableModel;

class GridView final : public QTableView {
    Q_OBJECT

public:
    // `model` must outlive the view.
    explicit GridView(GridTableModel& model, QWidget* parent = nullptr);

    GridTableModel& gridModel() const { return m_model; }
    GridDelegate& delegate() const { return *m_delegate; }

    // The grid cell under a point of the view's viewport as the user sees it (fixed
    // cells included); (-1, -1) outside the cells.
    std::pair<int, int> cellAt(QPoint viewportPos) const;

    // Tells over which cells the pointer becomes a hand (sortable columns).
    void setHandCursorTest(std::function<bool(int row, int col)> test);

    // Width and height the whole grid needs, frame included.
    QSize fullSize() const;

    // Also keeps a scrolled cell clear of the fixed rows and columns.
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

Q_SIGNALS:
    void cellPressed(int row, int col, Qt::MouseButton button);
    void cellReleased(int row, int col, Qt::MouseButton button);
    // The user moved the selection (already recorded in the grid).
    void currentCellChanged(int row, int col);

protected:
    void updateGeometries() override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTableView* makeOverlay();
    void applyLayout();
    void applyLayoutTo(QTableView& view, int rowLimit, int colLimit) const;
    void applySelection();
    void updateOverlays();
    int fixedWidth() const;
    int fixedHeight() const;

    GridTableModel& m_model;
    GridDelegate* m_delegate;
    QTableView* m_top = nullptr;    // fixed rows
    QTableView* m_left = nullptr;   // fixed columns
    QTableView* m_corner = nullptr; // both
    std::function<bool(int, int)> m_handTest;
    bool m_applyingSelection = false;
    bool m_hiddenByGrid = false;
};

} // namespace tidemark::gui
