#include "gui/grid_view.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>

#include "gui/grid_delegate.h"
#include "gui/grid_table_model.h"
#include "presentation/text_grid.h"

namespace tidemark::gui {

using presentation::TextGrid;

namespace {

// The grid's widths and heights leave out the one-pixel grid line; the table's sections
// include it.
constexpr int kGridLine = 1;

void configureCommon(QTableView& view)
{
    view.horizontalHeader()->hide();
    view.verticalHeader()->hide();
    view.horizontalHeader()->setMinimumSectionSize(1);
    view.verticalHeader()->setMinimumSectionSize(1);
    view.horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.setEditTriggers(QAbstractItemView::NoEditTriggers);
    view.setSelectionMode(QAbstractItemView::SingleSelection);
    // Rows scroll whole, as the grids always did; columns smoothly, so that wide pair
    // tables do not jump by a column at a time.
    view.setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    view.setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    view.setWordWrap(false);
    view.setShowGrid(true);
    view.setGridStyle(Qt::SolidLine);
    view.setCornerButtonEnabled(false);
    view.setTabKeyNavigation(false);
    view.setDragEnabled(false);
    view.setAutoScroll(false);
}

} // namespace

GridView::GridView(GridTableModel& model, QWidget* parent)
    : QTableView(parent), m_model(model), m_delegate(new GridDelegate(model, this))
{
    configureCommon(*this);
    setStyleSheet(QStringLiteral("QTableView { gridline-color: #808080; background: #FFFFFF; }"));
    setModel(&m_model);
    setItemDelegate(m_delegate);

    m_left = makeOverlay();
    m_top = makeOverlay();
    m_corner = makeOverlay();
    viewport()->installEventFilter(this);

    // Fixed rows follow the horizontal scroll, fixed columns the vertical one.
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, m_top->horizontalScrollBar(), &QScrollBar::setValue);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, m_left->verticalScrollBar(), &QScrollBar::setValue);

    connect(&m_model, &QAbstractItemModel::modelReset, this, &GridView::applyLayout);
    connect(&m_model, &GridTableModel::layoutPropertiesChanged, this, &GridView::applyLayout);
    connect(&m_model, &GridTableModel::selectionSetByProgram, this, &GridView::applySelection);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
        if (m_applyingSelection)
            return;
        const int row = current.isValid() ? current.row() : -1;
        const int col = current.isValid() ? current.column() : -1;
        m_model.textGrid().recordSelection(row, col);
        Q_EMIT currentCellChanged(row, col);
    });

    applyLayout();
}

QTableView* GridView::makeOverlay()
{
    auto* view = new QTableView(this);
    configureCommon(*view);
    view->setModel(&m_model);
    view->setSelectionModel(selectionModel());
    view->setItemDelegate(m_delegate);
    view->setFocusPolicy(Qt::NoFocus);
    view->setFrameShape(QFrame::NoFrame);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->viewport()->installEventFilter(this);
    view->hide();
    return view;
}

void GridView::applyLayoutTo(QTableView& view, int rowLimit, int colLimit) const
{
    const TextGrid& grid = m_model.textGrid();
    QHeaderView& columns = *view.horizontalHeader();
    QHeaderView& rows = *view.verticalHeader();
    // Setting a default size resizes every section again, even to the size it has: only
    // on a change (a grid of 600 rows is laid out at every race opening).
    const int defaultHeight = grid.defaultRowHeight() + kGridLine;
    if (rows.defaultSectionSize() != defaultHeight)
        rows.setDefaultSectionSize(defaultHeight);
    const int defaultWidth = std::max(grid.defaultColWidth(), 0) + kGridLine;
    if (columns.defaultSectionSize() != defaultWidth)
        columns.setDefaultSectionSize(defaultWidth);
    for (int c = 0, n = std::min(colLimit, grid.colCount()); c < n; ++c) {
        const int width = grid.colWidth(c);
        if (view.isColumnHidden(c) != (width < 0))
            view.setColumnHidden(c, width < 0);
        if (width >= 0 && columns.sectionSize(c) != width + kGridLine)
            columns.resizeSection(c, width + kGridLine);
    }
    for (int r = 0, n = std::min(rowLimit, grid.rowCount()); r < n; ++r) {
        const int height = grid.rowHeight(r) + kGridLine;
        if (rows.sectionSize(r) != height)
            rows.resizeSection(r, height);
    }
    const QFont font = gridFont(grid.fontFamily(), grid.fontPixelHeight());
    if (view.font() != font)
        view.setFont(font);
    const auto behaviour = grid.selectionMode() == presentation::SelectionMode::Row ? QAbstractItemView::SelectRows
                                                                      : QAbstractItemView::SelectItems;
    view.setSelectionBehavior(behaviour);
}

void GridView::applyLayout()
{
    const TextGrid& grid = m_model.textGrid();
    const int rows = grid.rowCount();
    const int cols = grid.colCount();
    const int fixedRows = std::min(grid.fixedRows(), rows);
    const int fixedCols = std::min(grid.fixedCols(), cols);

    applyLayoutTo(*this, rows, cols);
    applyLayoutTo(*m_top, fixedRows, cols);
    applyLayoutTo(*m_left, rows, fixedCols);
    applyLayoutTo(*m_corner, fixedRows, fixedCols);

    const Qt::ScrollBarPolicy bars = grid.scrollBars() ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    setHorizontalScrollBarPolicy(bars);
    setVerticalScrollBarPolicy(bars);
    if (grid.flatBorder())
        setFrameStyle(QFrame::Box | QFrame::Plain);
    else
        setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);

    // Hidden while the program refills it; shown again only if the grid hid it.
    if (!grid.visible() && !isHidden()) {
        m_hiddenByGrid = true;
        hide();
    } else if (grid.visible() && m_hiddenByGrid) {
        m_hiddenByGrid = false;
        show();
    }

    updateOverlays();
    applySelection();
    viewport()->update();
}

int GridView::fixedWidth() const
{
    const TextGrid& grid = m_model.textGrid();
    int width = 0;
    for (int c = 0, n = std::min(grid.fixedCols(), grid.colCount()); c < n; ++c)
        if (!isColumnHidden(c))
            width += columnWidth(c);
    return width;
}

int GridView::fixedHeight() const
{
    const TextGrid& grid = m_model.textGrid();
    int height = 0;
    for (int r = 0, n = std::min(grid.fixedRows(), grid.rowCount()); r < n; ++r)
        height += rowHeight(r);
    return height;
}

void GridView::updateOverlays()
{
    if (!m_top)
        return; // still being built
    const QRect area = viewport()->geometry();
    const int width = std::min(fixedWidth(), area.width());
    const int height = std::min(fixedHeight(), area.height());

    m_top->setGeometry(area.x(), area.y(), area.width(), height);
    m_left->setGeometry(area.x(), area.y(), width, area.height());
    m_corner->setGeometry(area.x(), area.y(), width, height);
    m_top->setVisible(height > 0);
    m_left->setVisible(width > 0);
    m_corner->setVisible(width > 0 && height > 0);
    m_corner->raise();

    m_top->verticalScrollBar()->setValue(0);
    m_left->horizontalScrollBar()->setValue(0);
    m_top->horizontalScrollBar()->setValue(horizontalScrollBar()->value());
    m_left->verticalScrollBar()->setValue(verticalScrollBar()->value());
}

void GridView::updateGeometries()
{
    QTableView::updateGeometries();
    updateOverlays();
}

void GridView::applySelection()
{
    const TextGrid& grid = m_model.textGrid();
    m_applyingSelection = true;
    if (!grid.hasSelection()) {
        selectionModel()->clear();
    } else {
        // A row, or a cell that cannot be reached, is selected through the row's first
        // reachable cell.
        int col = grid.selectedCol();
        if (col < 0 || grid.isFixed(grid.selectedRow(), col) || grid.isColHidden(col)) {
            col = 0;
            for (int c = grid.colCount() - 1; c >= grid.fixedCols(); --c)
                if (!grid.isColHidden(c))
                    col = c;
        }
        const QModelIndex index = m_model.index(grid.selectedRow(), std::max(col, 0));
        QItemSelectionModel::SelectionFlags flags = QItemSelectionModel::ClearAndSelect;
        if (grid.selectionMode() == presentation::SelectionMode::Row)
            flags |= QItemSelectionModel::Rows;
        selectionModel()->setCurrentIndex(index, flags);
    }
    m_applyingSelection = false;
}

QModelIndex GridView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex next = QTableView::moveCursor(action, modifiers);
    // The keyboard never lands on a fixed cell or a hidden column.
    if (next.isValid() && !(m_model.flags(next) & Qt::ItemIsSelectable))
        return currentIndex();
    return next;
}

void GridView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    QTableView::scrollTo(index, hint);
    if (!index.isValid())
        return;
    const TextGrid& grid = m_model.textGrid();
    // A scrolling cell must not end up under the fixed rows or columns.
    const QRect rect = visualRect(index);
    const int width = fixedWidth();
    if (index.column() >= grid.fixedCols() && rect.left() < width)
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() - (width - rect.left()));
    // Rows scroll one at a time: step back until the row clears the fixed rows.
    const int height = fixedHeight();
    if (index.row() >= grid.fixedRows()) {
        QScrollBar& bar = *verticalScrollBar();
        while (bar.value() > bar.minimum() && visualRect(index).top() < height)
            bar.setValue(bar.value() - 1);
    }
}

std::pair<int, int> GridView::cellAt(QPoint viewportPos) const
{
    for (const QTableView* overlay : {static_cast<const QTableView*>(m_corner), static_cast<const QTableView*>(m_top),
             static_cast<const QTableView*>(m_left)}) {
        if (overlay->isHidden())
            continue;
        // Overlays sit over the viewport at its origin.
        const QRect area(QPoint(0, 0), overlay->size());
        if (area.contains(viewportPos)) {
            const QModelIndex index = overlay->indexAt(viewportPos);
            return index.isValid() ? std::pair{index.row(), index.column()} : std::pair{-1, -1};
        }
    }
    const QModelIndex index = indexAt(viewportPos);
    return index.isValid() ? std::pair{index.row(), index.column()} : std::pair{-1, -1};
}

void GridView::setHandCursorTest(std::function<bool(int row, int col)> test)
{
    m_handTest = std::move(test);
    const bool track = static_cast<bool>(m_handTest);
    for (QTableView* view : {static_cast<QTableView*>(this), m_top, m_left, m_corner})
        view->viewport()->setMouseTracking(track);
    if (!track)
        viewport()->unsetCursor();
}

bool GridView::eventFilter(QObject* watched, QEvent* event)
{
    // The scroll area also filters its own scroll bars through here: only the viewports
    // of the grid and its overlays are ours.
    if (!m_corner) // still being built
        return QTableView::eventFilter(watched, event);
    const bool overlay = watched == m_top->viewport() || watched == m_left->viewport() || watched == m_corner->viewport();
    if (!overlay && watched != viewport())
        return QTableView::eventFilter(watched, event);
    const QEvent::Type type = event->type();
    if (type == QEvent::Wheel && overlay) {
        // The fixed rows and columns scroll only with the grid: the wheel over them
        // moves the grid's own scroll bar.
        const QPoint delta = static_cast<QWheelEvent*>(event)->angleDelta();
        QScrollBar* bar = std::abs(delta.x()) > std::abs(delta.y()) ? horizontalScrollBar() : verticalScrollBar();
        QCoreApplication::sendEvent(bar, event);
        return true;
    }
    // A quick second press arrives as a double-click event, not a press: it is a press all
    // the same (a header pressed twice sorts twice).
    const bool press = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
    if (press || type == QEvent::MouseButtonRelease || type == QEvent::MouseMove) {
        auto* widget = qobject_cast<QWidget*>(watched);
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (widget) {
            // Every viewport (own and overlays) starts at the main viewport's origin.
            const QPoint pos = widget->mapTo(this, mouse->position().toPoint()) - viewport()->geometry().topLeft();
            const auto [row, col] = cellAt(pos);
            if (press) {
                Q_EMIT cellPressed(row, col, mouse->button());
            } else if (type == QEvent::MouseButtonRelease) {
                Q_EMIT cellReleased(row, col, mouse->button());
            } else if (m_handTest) {
                const bool hand = row >= 0 && m_handTest(row, col);
                widget->setCursor(hand ? Qt::PointingHandCursor : Qt::ArrowCursor);
            }
        }
    }
    return QTableView::eventFilter(watched, event);
}

QSize GridView::fullSize() const
{
    const TextGrid& grid = m_model.textGrid();
    int width = 0;
    for (int c = 0; c < grid.colCount(); ++c)
        if (!isColumnHidden(c))
            width += columnWidth(c);
    int height = 0;
    for (int r = 0; r < grid.rowCount(); ++r)
        height += rowHeight(r);
    const int frame = 2 * frameWidth();
    return {width + frame, height + frame};
}

} // namespace tidemark::gui
