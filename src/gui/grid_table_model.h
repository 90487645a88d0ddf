#pragma once
// Shows one TextGrid to Qt's item views without an item object per cell: the grid's
// texts are read in place and turned into QString only for cells that are painted,
// once per change of the cell.

#include <QAbstractTableModel>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "presentation/cell_style.h"
#include "presentation/grid_layouts.h"
#include "presentation/text_grid.h"

namespace tidemark::gui {

class GridTableModel final : public QAbstractTableModel, private presentation::TextGridObserver {
    Q_OBJECT

public:
    using StyleProvider = std::function<presentation::CellStyle(
        const presentation::TextGrid&, int row, int col, const presentation::StyleContext&)>;

    // Follows `grid` (which must outlive the model) as its observer.
    GridTableModel(presentation::GridId id, presentation::TextGrid& grid, QObject* parent = nullptr);
    // A grid of another window, painted by its own window model's rules.
    GridTableModel(presentation::TextGrid& grid, StyleProvider provider, QObject* parent = nullptr);
    ~GridTableModel() override;

    // The main window's grid shown (only such a model has one).
    presentation::GridId gridId() const { return m_id.value(); }
    presentation::TextGrid& textGrid() const { return m_grid; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Fixed cells and hidden columns can be neither selected nor reached; nothing is editable.
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The cell text for the screen; an empty string outside the grid.
    const QString& displayText(int row, int col) const;
    // How the cell is painted: the grid's style rules unless a provider is set.
    presentation::CellStyle styleAt(int row, int col, bool selected) const;
    void setStyleProvider(StyleProvider provider) { m_styleProvider = std::move(provider); }

Q_SIGNALS:
    // Widths, heights, fixed rows and columns, font, selection mode, scroll bars or
    // visibility of the grid changed.
    void layoutPropertiesChanged();
    // The program set the grid's selected cell or row.
    void selectionSetByProgram();

private:
    void gridCellsChanged(const presentation::TextGrid& grid, presentation::CellRange cells) override;
    void gridShapeAboutToChange(const presentation::TextGrid& grid) override;
    void gridShapeChanged(const presentation::TextGrid& grid) override;
    void gridLayoutChanged(const presentation::TextGrid& grid) override;
    void gridSelectionChanged(const presentation::TextGrid& grid) override;

    void resetCache();

    std::optional<presentation::GridId> m_id;
    presentation::TextGrid& m_grid;
    StyleProvider m_styleProvider;
    bool m_resetting = false;

    // Converted texts, row-major like the grid; m_fresh says which entries hold the
    // current text.
    mutable std::vector<QString> m_text;
    mutable std::vector<std::uint8_t> m_fresh;
};

// CP932 cell text to QString; plain ASCII without a round trip through the converter.
QString cp932ToQString(std::string_view cp932);

} // namespace tidemark::gui
