#include "gui/chart_widget.h"

#include <QEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <vector>

#include "gui/qt_host.h"

namespace tidemark::gui {

using presentation::ChartBackground;
using presentation::ChartPixel;
using presentation::ChartRect;

namespace {

QColor qcolour(presentation::Rgb c, int alpha = 255) { return QColor(c.red(), c.green(), c.blue(), alpha); }
QRectF qrect(const ChartRect& r) { return QRectF(r.x, r.y, r.width, r.height); }

// Grid lines and the frame: white over the shaded area, grey over a white one.
struct Look {
    QColor surround;
    QColor surroundText;
    QColor grid;
    QColor frame;
};

Look lookOf(ChartBackground background)
{
    switch (background) {
    case ChartBackground::Gradient:
        return {qcolour(presentation::kChartFrameColour), qcolour(presentation::readableOn(presentation::kChartFrameColour)),
                QColor(255, 255, 255, 170), QColor(0x30, 0x30, 0x60)};
    case ChartBackground::White:
        return {Qt::white, Qt::black, QColor(0xE0, 0xE0, 0xE0), QColor(0x80, 0x80, 0x80)};
    }
    return {Qt::white, Qt::black, Qt::lightGray, Qt::gray};
}

} // namespace

double ChartWidget::Measure::width(const std::string& cp932) const
{
    if (const auto it = m_widths.find(cp932); it != m_widths.end())
        return it->second;
    if (m_widths.size() > 4096) // read-out values come and go
        m_widths.clear();
    const double w = m_metrics.horizontalAdvance(qs(cp932));
    m_widths.emplace(cp932, w);
    return w;
}

void ChartWidget::Measure::setFont(const QFont& font)
{
    m_metrics = QFontMetricsF(font);
    m_widths.clear();
}

ChartWidget::ChartWidget(const presentation::ChartState& state, QWidget* parent)
    : QWidget(parent), m_measure(font()), m_canvas(state, m_measure)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_canvas.resize(width(), height());
}

void ChartWidget::stateChanged()
{
    m_canvas.stateChanged();
    redraw();
}

void ChartWidget::redraw()
{
    m_stillValid = false;
    update();
}

void ChartWidget::resizeEvent(QResizeEvent* event)
{
    m_canvas.resize(width(), height());
    m_stillValid = false;
    QWidget::resizeEvent(event);
}

void ChartWidget::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange) {
        m_measure.setFont(font());
        stateChanged();
    }
    QWidget::changeEvent(event);
}

void ChartWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (m_canvas.mouseMove(event->position().x(), event->position().y()))
        update();
    QWidget::mouseMoveEvent(event);
}

void ChartWidget::leaveEvent(QEvent* event)
{
    if (m_canvas.mouseLeave())
        update();
    QWidget::leaveEvent(event);
}

void ChartWidget::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_canvas.click(event->position().x(), event->position().y()))
        redraw();
    QWidget::mousePressEvent(event);
}

void ChartWidget::paintEvent(QPaintEvent*)
{
    const qreal ratio = devicePixelRatioF();
    if (!m_stillValid || m_still.size() != size() * ratio) {
        m_still = QPixmap(size() * ratio);
        m_still.setDevicePixelRatio(ratio);
        QPainter still(&m_still);
        paintStill(still);
        m_stillValid = true;
    }
    QPainter p(this);
    p.drawPixmap(0, 0, m_still);
    paintReadout(p);
}

void ChartWidget::paintChart(QPainter& painter)
{
    paintStill(painter);
    paintReadout(painter);
}

void ChartWidget::paintStill(QPainter& p)
{
    const presentation::ChartState& state = m_canvas.state();
    const presentation::ChartLayout& L = m_canvas.layout();
    const Look look = lookOf(state.background);
    const QRectF plot = qrect(L.plot);
    const double h = m_measure.height();

    p.fillRect(QRectF(0, 0, L.width, L.height), look.surround);
    switch (state.background) {
    case ChartBackground::Gradient: {
        QLinearGradient shade(plot.topLeft(), plot.bottomLeft());
        shade.setColorAt(0.0, qcolour(presentation::kChartPlotColour));
        shade.setColorAt(1.0, qcolour(presentation::kChartGradientColour));
        p.fillRect(plot, shade);
        break;
    }
    case ChartBackground::White: p.fillRect(plot, Qt::white); break;
    }

    // Grid, frame and the labels of both axes.
    p.setPen(QPen(look.grid, 1));
    for (const presentation::ChartMark& m : L.valueMarks)
        p.drawLine(QPointF(plot.left(), m.position), QPointF(plot.right(), m.position));
    QColor timeGrid = look.grid;
    timeGrid.setAlpha(timeGrid.alpha() / 2);
    p.setPen(QPen(timeGrid, 1));
    for (const presentation::ChartMark& m : L.xMarks)
        p.drawLine(QPointF(m.position, plot.top()), QPointF(m.position, plot.bottom()));
    p.setPen(QPen(look.frame, 1));
    if (L.zeroLine >= 0.0)
        p.drawLine(QPointF(plot.left(), L.zeroLine), QPointF(plot.right(), L.zeroLine));
    p.drawRect(plot);

    p.setFont(font());
    p.setPen(look.surroundText);
    for (const presentation::ChartMark& m : L.valueMarks) {
        p.drawLine(QPointF(plot.left() - L.tickLength, m.position), QPointF(plot.left(), m.position));
        if (!m.label.empty())
            p.drawText(QRectF(0, m.position - h / 2.0, plot.left() - L.tickLength - 2.0, h),
                       Qt::AlignRight | Qt::AlignVCenter, qs(m.label));
    }
    for (const presentation::ChartMark& m : L.xMarks) {
        p.drawLine(QPointF(m.position, plot.bottom()), QPointF(m.position, plot.bottom() + L.tickLength));
        const QString label = qs(m.label);
        if (L.verticalTimes) {
            // Written upwards, ending at the axis.
            p.save();
            p.translate(m.position, L.xLabelTop);
            p.rotate(-90.0);
            p.drawText(QRectF(-L.height, -h / 2.0, L.height, h), Qt::AlignRight | Qt::AlignVCenter, label);
            p.restore();
        } else {
            p.drawText(QRectF(m.position - L.width / 2.0, L.xLabelTop, L.width, h), Qt::AlignHCenter | Qt::AlignTop,
                       label);
        }
    }
    QFont bold = font();
    bold.setBold(true);
    p.setFont(bold);
    if (!state.xAxis.title.empty())
        p.drawText(QRectF(L.xTitle.x - L.width / 2.0, L.xTitle.y - h / 2.0, L.width, h), Qt::AlignCenter,
                   qs(state.xAxis.title));
    if (!state.axis.title.empty()) {
        p.save();
        p.translate(L.valueTitle.x, L.valueTitle.y);
        p.rotate(-90.0);
        p.drawText(QRectF(-L.height / 2.0, -h / 2.0, L.height, h), Qt::AlignCenter, qs(state.axis.title));
        p.restore();
    }
    if (!L.title.empty())
        p.drawText(qrect(L.title), Qt::AlignCenter, qs(state.title));

    // The lines, an emphasised one over the others.
    const std::vector<std::vector<ChartPixel>>& lines = m_canvas.lines();
    p.save();
    p.setClipRect(plot.adjusted(-1, -1, 1, 1));
    p.setRenderHint(QPainter::Antialiasing);
    std::vector<QPointF> polyline;
    for (bool front : {false, true}) {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].empty())
                continue;
            const presentation::ChartLineStyle style = m_canvas.lineStyle(static_cast<int>(i));
            if (style.front != front)
                continue;
            polyline.clear();
            for (const ChartPixel& px : lines[i])
                polyline.emplace_back(px.x, px.y);
            p.setPen(QPen(qcolour(style.colour, style.alpha), style.width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            if (polyline.size() == 1) {
                // One snapshot: a dot, which a line of one point would not show.
                p.setBrush(qcolour(style.colour, style.alpha));
                p.drawEllipse(polyline.front(), 2.0 + style.width / 2.0, 2.0 + style.width / 2.0);
                p.setBrush(Qt::NoBrush);
                continue;
            }
            p.drawPolyline(polyline.data(), static_cast<int>(polyline.size()));
        }
    }
    p.restore();

    // The legend on a white card, so that every line colour shows on it.
    if (!L.legend.empty()) {
        p.setPen(QPen(QColor(0x80, 0x80, 0x80), 1));
        p.setBrush(QColor(255, 255, 255, 235));
        p.drawRect(qrect(L.legend));
        p.setBrush(Qt::NoBrush);
        const int emphasised = m_canvas.emphasised();
        for (const presentation::ChartLegendEntry& e : L.legendEntries) {
            const presentation::ChartSeries& s = state.series[static_cast<std::size_t>(e.series)];
            const presentation::ChartLineStyle style = m_canvas.lineStyle(e.series);
            const double mid = e.rect.y + e.rect.height / 2.0;
            p.setRenderHint(QPainter::Antialiasing, false);
            p.setPen(QPen(qcolour(s.colour, style.alpha), s.lineWidth + 1));
            p.drawLine(QPointF(e.rect.x + 2.0, mid), QPointF(e.rect.x + L.swatchWidth, mid));
            p.setFont(e.series == emphasised ? bold : font());
            p.setPen(emphasised < 0 || e.series == emphasised ? QColor(Qt::black) : QColor(0x90, 0x90, 0x90));
            p.drawText(QRectF(e.rect.x + L.swatchWidth + 4.0, e.rect.y, e.rect.width - L.swatchWidth - 4.0, e.rect.height),
                       Qt::AlignLeft | Qt::AlignVCenter, qs(s.title));
        }
    }
}

void ChartWidget::paintReadout(QPainter& p)
{
    const presentation::ChartHover& hover = m_canvas.hover();
    if (!hover.active)
        return;
    const presentation::ChartLayout& L = m_canvas.layout();
    const QRectF plot = qrect(L.plot);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x20, 0x20, 0x20, 200), 1, Qt::DashLine));
    p.drawLine(QPointF(hover.pixelX, plot.top()), QPointF(hover.pixelX, plot.bottom()));
    p.drawLine(QPointF(plot.left(), hover.pixelY), QPointF(plot.right(), hover.pixelY));
    p.setClipRect(plot.adjusted(-4, -4, 4, 4));
    for (const presentation::ChartReadoutRow& row : hover.rows) {
        p.setPen(QPen(Qt::white, 1.5));
        p.setBrush(qcolour(row.colour));
        p.drawEllipse(QPointF(hover.pixelX, row.y), 3.5, 3.5);
    }
    p.setClipping(false);

    p.setPen(QPen(QColor(0x70, 0x70, 0x70), 1));
    p.setBrush(qcolour(presentation::colours::tipBackground));
    p.drawRect(qrect(hover.box));
    QFont bold = font();
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(Qt::black);
    p.drawText(qrect(hover.headingRect), Qt::AlignLeft | Qt::AlignVCenter, qs(hover.heading));
    p.setFont(font());
    for (const presentation::ChartReadoutRow& row : hover.rows) {
        p.setPen(QPen(QColor(0x60, 0x60, 0x60), 1));
        p.setBrush(qcolour(row.colour));
        p.drawRect(qrect(row.chip));
        p.setPen(qcolour(row.textColour));
        p.drawText(qrect(row.chip), Qt::AlignCenter, qs(row.title));
        p.setPen(Qt::black);
        p.drawText(qrect(row.valueRect), Qt::AlignRight | Qt::AlignVCenter, qs(row.value));
    }
    p.restore();
}

} // namespace tidemark::gui
