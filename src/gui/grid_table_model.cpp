#include "gui/grid_table_model.h"

#include <algorithm>

#include "text/cp932.h"

namespace tidemark::gui {

using presentation::CellRange;
using presentation::TextGrid;

QString cp932ToQString(std::string_view cp932)
{
    const bool ascii = std::all_of(cp932.begin(), cp932.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii)
        return QString::fromLatin1(cp932.data(), static_cast<qsizetype>(cp932.size()));
    const std::string utf8 = text::toUtf8(cp932);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

GridTableModel::GridTableModel(presentation::GridId id, TextGrid& grid, QObject* parent)
    : QAbstractTableModel(parent), m_id(id), m_grid(grid)
{
    resetCache();
    m_grid.setObserver(this);
}

GridTableModel::GridTableModel(TextGrid& grid, StyleProvider provider, QObject* parent)
    : QAbstractTableModel(parent), m_grid(grid), m_styleProvider(std::move(provider))
{
    resetCache();
    m_grid.setObserver(this);
}

GridTableModel::~GridTableModel()
{
    if (m_grid.observer() == this)
        m_grid.setObserver(nullptr);
}

int GridTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_grid.rowCount();
}

int GridTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_grid.colCount();
}

QVariant GridTableModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    return displayText(index.row(), index.column());
}

Qt::ItemFlags GridTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid() || !m_grid.contains(index.row(), index.column()))
        return Qt::NoItemFlags;
    if (m_grid.isFixed(index.row(), index.column()) || m_grid.isColHidden(index.column()))
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

const QString& GridTableModel::displayText(int row, int col) const
{
    static const QString empty;
    // Between the grid's change and the end of a reset the cache may be the old size.
    if (!m_grid.contains(row, col) || m_resetting)
        return empty;
    const std::size_t i = static_cast<std::size_t>(row) * static_cast<std::size_t>(m_grid.colCount()) +
        static_cast<std::size_t>(col);
    if (i >= m_text.size())
        return empty;
    if (!m_fresh[i]) {
        const std::string& cell = m_grid.cell(row, col);
        m_text[i] = cell.empty() ? QString() : cp932ToQString(cell);
        m_fresh[i] = 1;
    }
    return m_text[i];
}

presentation::CellStyle GridTableModel::styleAt(int row, int col, bool selected) const
{
    presentation::StyleContext context;
    context.selected = selected;
    if (m_styleProvider)
        return m_styleProvider(m_grid, row, col, context);
    return presentation::styleFor(m_id.value(), m_grid, row, col, context);
}

void GridTableModel::resetCache()
{
    // Only the marks are reset: a stale text is replaced when its cell is next shown, and
    // the strings of a grid refilled at every race opening are not freed and made again.
    const std::size_t n = static_cast<std::size_t>(m_grid.rowCount()) * static_cast<std::size_t>(m_grid.colCount());
    m_text.resize(n);
    m_fresh.assign(n, 0);
}

void GridTableModel::gridCellsChanged(const TextGrid& grid, CellRange cells)
{
    if (m_resetting || cells.empty())
        return;
    const int cols = grid.colCount();
    const std::size_t total = m_fresh.size();
    const std::size_t changed = static_cast<std::size_t>(cells.bottom - cells.top + 1) *
        static_cast<std::size_t>(cells.right - cells.left + 1);
    if (changed * 2 >= total) {
        // Most of the grid: forget everything at once rather than cell by cell.
        std::fill(m_fresh.begin(), m_fresh.end(), 0);
    } else {
        for (int r = cells.top; r <= cells.bottom; ++r) {
            const std::size_t base = static_cast<std::size_t>(r) * static_cast<std::size_t>(cols);
            std::fill(m_fresh.begin() + static_cast<std::ptrdiff_t>(base + static_cast<std::size_t>(cells.left)),
                m_fresh.begin() + static_cast<std::ptrdiff_t>(base + static_cast<std::size_t>(cells.right) + 1), 0);
        }
    }
    Q_EMIT dataChanged(index(cells.top, cells.left), index(cells.bottom, cells.right), {Qt::DisplayRole});
}

void GridTableModel::gridShapeAboutToChange(const TextGrid&)
{
    beginResetModel();
    m_resetting = true;
}

void GridTableModel::gridShapeChanged(const TextGrid&)
{
    if (!m_resetting)
        beginResetModel(); // the observer was attached in the middle of a change
    resetCache();
    m_resetting = false;
    endResetModel();
}

void GridTableModel::gridLayoutChanged(const TextGrid&)
{
    Q_EMIT layoutPropertiesChanged();
}

void GridTableModel::gridSelectionChanged(const TextGrid&)
{
    Q_EMIT selectionSetByProgram();
}

} // namespace tidemark::gui
