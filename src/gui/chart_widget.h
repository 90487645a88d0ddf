#pragma once
// A line chart drawn with QPainter from a chart state of the presentation model, laid
// out by presentation::ChartCanvas: the plotting area, axes, titles, legend and lines,
// and under the pointer the crosshair with the values of the snapshot. The mouse goes to
// the canvas; a click on a legend entry or a line emphasises that series.

#include <QFontMetricsF>
#include <QPixmap>
#include <QWidget>

#include <string>
#include <unordered_map>

#include "presentation/chart_canvas.h"

namespace tidemark::gui {

class ChartWidget : public QWidget {
    Q_OBJECT
public:
    explicit ChartWidget(const presentation::ChartState& state, QWidget* parent = nullptr);

    // The state's series or axes changed: drawn again when next shown.
    void stateChanged();
    presentation::ChartCanvas& canvas() { return m_canvas; }
    // The whole chart, read-out included, onto any surface the widget's size.
    void paintChart(QPainter& painter);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Widths are remembered: a chart laid out again (the next race) measures the same
    // snapshot times, and shaping a text costs more than drawing it.
    class Measure : public presentation::ChartTextMeasure {
    public:
        explicit Measure(const QFont& font) : m_metrics(font) {}
        double width(const std::string& cp932) const override;
        double height() const override { return m_metrics.height(); }
        void setFont(const QFont& font);

    private:
        QFontMetricsF m_metrics;
        mutable std::unordered_map<std::string, double> m_widths;
    };

    void paintStill(QPainter& painter);
    void paintReadout(QPainter& painter);
    void redraw(); // the still picture is stale

    Measure m_measure;
    presentation::ChartCanvas m_canvas;
    QPixmap m_still; // everything but the read-out, which follows the pointer
    bool m_stillValid = false;
};

} // namespace tidemark::gui
