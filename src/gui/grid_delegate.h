#pragma once
// Paints a grid cell exactly as its CellStyle says: fill, text (the cell's own or the
// style's, one or more lines) from the top of the cell, alignment, weight, size and the
// extra lines along its edges. Nothing is edited in place.

#include <QFont>
#include <QStyledItemDelegate>

#include <string>

namespace tidemark::presentation {
struct CellStyle;
}

namespace tidemark::gui {

class GridTableModel;

// The screen font for one of the program's font families (CP932 name) at a character
// height in pixels: the Windows font when installed, else a Japanese font of the same
// kind (fixed-pitch or proportional), so that a half-width character is half a full one.
QFont gridFont(const std::string& cp932Family, int pixelHeight);

class GridDelegate final : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit GridDelegate(const GridTableModel& model, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget*, const QStyleOptionViewItem&, const QModelIndex&) const override { return nullptr; }

    // Paints one cell into `rect` (the cell without its grid lines).
    void paintCell(QPainter* painter, const QRect& rect, int row, int col, bool selected) const;

private:
    const QFont& baseFont() const;

    const GridTableModel& m_model;
    mutable QFont m_font;
    mutable std::string m_fontFamily;
    mutable int m_fontPixels = -1;
};

} // namespace tidemark::gui
