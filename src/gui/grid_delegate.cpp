#include "gui/grid_delegate.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStringList>

#include "gui/grid_table_model.h"
#include "presentation/cell_style.h"
#include "presentation/grid_layouts.h"

namespace tidemark::gui {

using presentation::CellEdge;
using presentation::CellStyle;
using presentation::HAlign;

namespace {

QColor toQColor(presentation::Rgb rgb)
{
    return QColor(rgb.red(), rgb.green(), rgb.blue());
}

} // namespace

QFont gridFont(const std::string& cp932Family, int pixelHeight)
{
    QFont font;
    if (cp932Family == presentation::proportionalGothic()) {
        font.setFamilies({QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"), QStringLiteral("IPA Pゴシック"),
            QStringLiteral("Noto Sans CJK JP"), QStringLiteral("VL PGothic")});
        font.setStyleHint(QFont::SansSerif);
    } else if (cp932Family == presentation::fixedPitchGothic()) {
        font.setFamilies({QStringLiteral("MS Gothic"), QStringLiteral("IPAGothic"), QStringLiteral("IPAゴシック"),
            QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("VL Gothic")});
        font.setStyleHint(QFont::TypeWriter);
        font.setFixedPitch(true);
    } else if (!cp932Family.empty()) {
        font.setFamily(cp932ToQString(cp932Family));
    }
    font.setPixelSize(pixelHeight > 0 ? pixelHeight : 13);
    // Grid texts line up by character cells; no kerning or hinting shifts between them.
    font.setKerning(false);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

GridDelegate::GridDelegate(const GridTableModel& model, QObject* parent)
    : QStyledItemDelegate(parent), m_model(model)
{
}

const QFont& GridDelegate::baseFont() const
{
    const presentation::TextGrid& grid = m_model.textGrid();
    if (grid.fontFamily() != m_fontFamily || grid.fontPixelHeight() != m_fontPixels) {
        m_fontFamily = grid.fontFamily();
        m_fontPixels = grid.fontPixelHeight();
        m_font = gridFont(m_fontFamily, m_fontPixels);
    }
    return m_font;
}

void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (index.model() != &m_model)
        return;
    paintCell(painter, option.rect, index.row(), index.column(), option.state.testFlag(QStyle::State_Selected));
}

void GridDelegate::paintCell(QPainter* painter, const QRect& rect, int row, int col, bool selected) const
{
    const CellStyle style = m_model.styleAt(row, col, selected);

    painter->save();
    painter->setClipRect(rect);
    painter->fillRect(rect, toQColor(style.background));

    const QString text = style.ownText ? cp932ToQString(style.text) : m_model.displayText(row, col);
    if (!text.isEmpty()) {
        QFont font = baseFont();
        if (style.fontPixelHeight > 0)
            font.setPixelSize(style.fontPixelHeight);
        font.setBold(style.bold);
        painter->setFont(font);
        painter->setPen(toQColor(style.textColour));
        const QFontMetrics metrics(font);
        const int lineHeight = metrics.height();
        int flags = Qt::AlignTop | Qt::TextSingleLine;
        QRect line = rect;
        switch (style.align) {
        case HAlign::Left:
            flags |= Qt::AlignLeft;
            line.setLeft(rect.left() + style.offsetX);
            break;
        case HAlign::Center:
            flags |= Qt::AlignHCenter;
            break;
        case HAlign::Right:
            flags |= Qt::AlignRight;
            line.setRight(rect.right() - style.offsetX);
            break;
        }
        line.setTop(rect.top() + style.offsetY);
        const QStringList lines = style.ownText ? text.split(QLatin1Char('\n')) : QStringList{text};
        for (const QString& part : lines) {
            painter->drawText(line, flags, part);
            line.translate(0, lineHeight);
        }
    }

    for (int i = 0; i < style.lineCount; ++i) {
        const presentation::CellLine& l = style.lines[static_cast<std::size_t>(i)];
        QRect edge = rect;
        switch (l.edge) {
        case CellEdge::Top: edge.setHeight(l.width); break;
        case CellEdge::Bottom: edge.setTop(rect.bottom() - l.width + 1); break;
        case CellEdge::Left: edge.setWidth(l.width); break;
        case CellEdge::Right: edge.setLeft(rect.right() - l.width + 1); break;
        }
        painter->fillRect(edge, toQColor(l.colour));
    }
    painter->restore();
}

QSize GridDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const
{
    const presentation::TextGrid& grid = m_model.textGrid();
    return {std::max(grid.colWidth(index.column()), 0), grid.rowHeight(index.row())};
}

} // namespace tidemark::gui
