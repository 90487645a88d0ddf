#include "presentation/chart_canvas.h"

#include <algorithm>
#include <cmath>

#include "text/number_format.h"

namespace tidemark::presentation {
namespace {

constexpr double kMargin = 6.0;
constexpr double kGap = 4.0;
constexpr double kTick = 4.0;
constexpr double kSwatch = 18.0;     // the line before a legend title
constexpr double kPad = 4.0;         // inside the legend and the read-out
constexpr double kPointerSlack = 3.0; // around the plotting area, still over the chart
constexpr double kLineReach = 4.0;   // how far from a line a click still hits it
constexpr int kFadedAlpha = 60;

double distanceToSegment(ChartPixel p, ChartPixel a, ChartPixel b)
{
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0.0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / length2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

const ChartPoint* pointAt(const ChartSeries& s, int x)
{
    const auto it = std::lower_bound(s.points.begin(), s.points.end(), x,
                                     [](const ChartPoint& p, int v) { return p.x < v; });
    return it != s.points.end() && it->x == x ? &*it : nullptr;
}

} // namespace

double ChartLayout::xPixel(double x) const
{
    if (!(xMaximum > xMinimum))
        return plot.x + plot.width / 2.0;
    return plot.x + (x - xMinimum) / (xMaximum - xMinimum) * plot.width;
}

double ChartLayout::yPixel(double y) const
{
    double f = 0.0;
    if (logarithmic) {
        const double lo = std::log10(yMinimum);
        const double hi = std::log10(yMaximum);
        f = hi > lo ? (std::log10(std::max(y, 1e-300)) - lo) / (hi - lo) : 0.0;
    } else {
        f = yMaximum > yMinimum ? (y - yMinimum) / (yMaximum - yMinimum) : 0.0;
    }
    return plot.bottom() - f * plot.height;
}

double ChartLayout::xAt(double pixel) const
{
    if (!(xMaximum > xMinimum) || plot.width <= 0.0)
        return xMinimum;
    return xMinimum + (pixel - plot.x) / plot.width * (xMaximum - xMinimum);
}

Rgb readableOn(Rgb c)
{
    // Perceived brightness (ITU-R BT.601 weights).
    const double luma = 0.299 * c.red() + 0.587 * c.green() + 0.114 * c.blue();
    return luma >= 140.0 ? colours::black : colours::white;
}

ChartCanvas::ChartCanvas(const ChartState& state, const ChartTextMeasure& measure)
    : m_state(state), m_measure(measure)
{
}

void ChartCanvas::resize(double width, double height)
{
    if (width == m_width && height == m_height)
        return;
    m_width = width;
    m_height = height;
    stateChanged();
}

void ChartCanvas::stateChanged()
{
    m_laidOut = false;
    m_linesDone = false;
    m_readOut = false;
}

bool ChartCanvas::drawn(int series) const
{
    if (series < 0 || series >= static_cast<int>(m_state.series.size()))
        return false;
    const ChartSeries& s = m_state.series[static_cast<std::size_t>(series)];
    return (s.inLegend || !m_state.legend) && !s.points.empty();
}

int ChartCanvas::emphasised() const { return drawn(m_emphasis) ? m_emphasis : -1; }

ChartLineStyle ChartCanvas::lineStyle(int series) const
{
    const ChartSeries& s = m_state.series.at(static_cast<std::size_t>(series));
    ChartLineStyle style{s.colour, 255, s.lineWidth, false};
    const int e = emphasised();
    if (e == series) {
        style.width = s.lineWidth + 1;
        style.front = true;
    } else if (e >= 0) {
        style.alpha = kFadedAlpha;
        style.width = 1;
    }
    return style;
}

// --- layout ----------------------------------------------------------------------------

const ChartLayout& ChartCanvas::layout()
{
    if (!m_laidOut)
        layOut();
    return m_layout;
}

void ChartCanvas::layOut()
{
    m_laidOut = true;
    ChartLayout& L = m_layout;
    L = ChartLayout{};
    L.width = m_width;
    L.height = m_height;
    L.tickLength = kTick;
    const double h = m_measure.height();
    double top = kMargin;
    double bottom = m_height - kMargin;
    double left = kMargin;
    double right = m_width - kMargin;

    if (!m_state.title.empty()) {
        L.title = {0.0, top, m_width, h};
        top += h + kGap;
    }

    // The legend at the right, in as many columns as its entries need.
    if (m_state.legend) {
        std::vector<int> entries;
        double widest = 0.0;
        for (int i = 0; i < static_cast<int>(m_state.series.size()); ++i) {
            const ChartSeries& s = m_state.series[static_cast<std::size_t>(i)];
            if (!s.inLegend)
                continue;
            entries.push_back(i);
            widest = std::max(widest, m_measure.width(s.title));
        }
        if (!entries.empty()) {
            const int n = static_cast<int>(entries.size());
            const double rowHeight = h + 2.0;
            const double entryWidth = kSwatch + kGap + widest + 2.0 * kGap;
            const int fit = std::max(1, static_cast<int>((bottom - top - 2.0 * kPad) / rowHeight));
            const int columns = (n + fit - 1) / fit;
            const int rows = (n + columns - 1) / columns;
            L.swatchWidth = kSwatch;
            L.legend.width = columns * entryWidth + 2.0 * kPad;
            L.legend.height = rows * rowHeight + 2.0 * kPad;
            L.legend.x = right - L.legend.width;
            L.legend.y = top + std::max(0.0, (bottom - top - L.legend.height) / 2.0);
            for (int k = 0; k < n; ++k)
                L.legendEntries.push_back({entries[static_cast<std::size_t>(k)],
                                           {L.legend.x + kPad + (k / rows) * entryWidth,
                                            L.legend.y + kPad + (k % rows) * rowHeight, entryWidth, rowHeight}});
            right = L.legend.x - kGap;
        }
    }

    // Below the plot: the axis title, above it the labels.
    const ChartXAxis& xa = m_state.xAxis;
    L.verticalTimes = !xa.numbered;
    double labelExtent = h;
    double lastLabelHalf = h / 2.0;
    if (L.verticalTimes) {
        // Room for a time even without snapshots: the plot keeps its place between races.
        labelExtent = m_measure.width("00:00");
        const std::string* previous = nullptr;
        for (const std::string& label : xa.labels) {
            if (previous && *previous == label)
                continue;
            labelExtent = std::max(labelExtent, m_measure.width(label));
            previous = &label;
        }
    } else {
        lastLabelHalf = m_measure.width(axisLabel(xa.maximum)) / 2.0;
    }
    if (!xa.title.empty()) {
        L.xTitle.y = bottom - h / 2.0;
        bottom -= h + kGap;
    }
    bottom -= labelExtent + kTick + 2.0;
    top += h / 2.0; // the top value label stands half above the plot

    // At the left: the axis title written upwards, then the value labels.
    const double plotHeight = std::max(1.0, bottom - top);
    const std::vector<AxisTick> ticks =
        valueTicks(m_state.axis, plotHeight, m_state.axis.logarithmic ? h + 4.0 : 2.0 * h);
    double labelWidth = 0.0;
    for (const AxisTick& t : ticks)
        labelWidth = std::max(labelWidth, m_measure.width(t.label));
    if (!m_state.axis.title.empty()) {
        L.valueTitle.x = left + h / 2.0;
        left += h + kGap;
    }
    left += labelWidth + 2.0 + kTick;
    right -= lastLabelHalf;

    L.plot = {left, top, std::max(1.0, right - left), plotHeight};
    L.valueTitle.y = L.plot.y + L.plot.height / 2.0;
    L.xTitle.x = L.plot.x + L.plot.width / 2.0;
    L.xLabelTop = L.plot.bottom() + kTick + 2.0;
    L.logarithmic = m_state.axis.logarithmic;
    L.yMinimum = m_state.axis.minimum;
    L.yMaximum = m_state.axis.maximum;
    if (L.logarithmic && !(L.yMinimum > 0.0))
        L.yMinimum = kShareLogFloor;
    L.xMinimum = 0.0;
    L.xMaximum = std::max(0, xa.count() - 1);
    for (const AxisTick& t : ticks)
        L.valueMarks.push_back({L.yPixel(t.value), t.label});
    if (!L.logarithmic && L.yMinimum < 0.0 && L.yMaximum > 0.0)
        L.zeroLine = L.yPixel(0.0);

    if (L.verticalTimes) {
        const int n = static_cast<int>(xa.labels.size());
        const double spacing = n > 1 ? L.plot.width / (n - 1) : L.plot.width;
        for (int j : thinTimeLabels(xa.labels, spacing, h + 2.0))
            L.xMarks.push_back({L.xPixel(j), xa.labels[static_cast<std::size_t>(j)]});
    } else {
        ChartAxis numbers;
        numbers.minimum = 0.0;
        numbers.maximum = xa.maximum;
        for (const AxisTick& t : valueTicks(numbers, L.plot.width, 2.0 * lastLabelHalf + 2.0 * h))
            L.xMarks.push_back({L.xPixel(t.value), t.label});
    }
}

const std::vector<std::vector<ChartPixel>>& ChartCanvas::lines()
{
    if (m_linesDone && m_laidOut)
        return m_lines;
    const ChartLayout& L = layout();
    m_linesDone = true;
    m_lines.resize(m_state.series.size());
    for (std::size_t i = 0; i < m_state.series.size(); ++i) {
        std::vector<ChartPixel>& line = m_lines[i];
        line.clear();
        if (!drawn(static_cast<int>(i)))
            continue;
        const ChartSeries& s = m_state.series[i];
        line.reserve(s.points.size());
        for (const ChartPoint& p : s.points)
            if (showable(m_state.axis, p.y))
                line.push_back({L.xPixel(p.x), L.yPixel(p.y)});
    }
    return m_lines;
}

// --- pointer ---------------------------------------------------------------------------

bool ChartCanvas::mouseMove(double x, double y)
{
    const bool wasActive = hover().active;
    const int before = m_hover.x;
    m_pointer = true;
    m_pointerX = x;
    m_pointerY = y;
    m_readOut = false;
    const ChartHover& now = hover();
    // The read-out follows the pointer's height too.
    return now.active || wasActive != now.active || before != now.x;
}

bool ChartCanvas::mouseLeave()
{
    const bool wasActive = hover().active;
    m_pointer = false;
    m_readOut = false;
    return wasActive;
}

const ChartHover& ChartCanvas::hover()
{
    if (!m_readOut || !m_laidOut)
        readOut();
    return m_hover;
}

void ChartCanvas::readOut()
{
    const ChartLayout& L = layout();
    m_readOut = true;
    m_hover = ChartHover{};
    const int count = m_state.xAxis.count();
    ChartRect reach = L.plot;
    reach.x -= kPointerSlack;
    reach.y -= kPointerSlack;
    reach.width += 2.0 * kPointerSlack;
    reach.height += 2.0 * kPointerSlack;
    if (!m_pointer || count <= 0 || !reach.contains(m_pointerX, m_pointerY))
        return;

    ChartHover& H = m_hover;
    H.active = true;
    H.x = std::clamp(static_cast<int>(std::lround(L.xAt(m_pointerX))), 0, count - 1);
    H.pixelX = L.xPixel(H.x);
    H.pixelY = std::clamp(m_pointerY, L.plot.y, L.plot.bottom());
    H.heading = L.verticalTimes ? m_state.xAxis.labels[static_cast<std::size_t>(H.x)]
                                : m_state.xAxis.title + " " + axisLabel(H.x);
    std::vector<std::pair<double, int>> values;
    for (int i = 0; i < static_cast<int>(m_state.series.size()); ++i) {
        if (!drawn(i))
            continue;
        const ChartPoint* p = pointAt(m_state.series[static_cast<std::size_t>(i)], H.x);
        if (p && showable(m_state.axis, p->y))
            values.emplace_back(p->y, i);
    }
    std::stable_sort(values.begin(), values.end(), [](const auto& a, const auto& b) { return a.first > b.first; });

    // The box: the heading, then the rows in as many columns as the height needs.
    const double h = m_measure.height();
    const double rowHeight = h + 4.0;
    double chipWidth = 0.0;
    double valueWidth = 0.0;
    for (const auto& [y, i] : values) {
        const ChartSeries& s = m_state.series[static_cast<std::size_t>(i)];
        ChartReadoutRow row;
        row.series = i;
        row.title = s.title;
        row.value = text::formatGrouped(y, 0, m_state.valueDecimals);
        row.colour = s.colour;
        row.textColour = readableOn(s.colour);
        row.y = L.yPixel(y);
        chipWidth = std::max(chipWidth, m_measure.width(row.title) + 2.0 * kGap);
        valueWidth = std::max(valueWidth, m_measure.width(row.value));
        H.rows.push_back(std::move(row));
    }
    const int n = static_cast<int>(H.rows.size());
    const double headingHeight = h + 2.0 * kPad;
    const int fit = std::max(1, static_cast<int>((m_height - 2.0 * kMargin - headingHeight - 2.0 * kPad) / rowHeight));
    const int columns = n > 0 ? (n + fit - 1) / fit : 0;
    const int rows = columns > 0 ? (n + columns - 1) / columns : 0;
    const double columnWidth = chipWidth + kGap + valueWidth + 2.0 * kPad;
    H.box.width = std::max(m_measure.width(H.heading) + 2.0 * kPad, columns * columnWidth + kPad);
    H.box.height = headingHeight + rows * rowHeight + (rows > 0 ? kPad : 0.0);
    // Beside the crosshair, on the side with room; level with the pointer.
    H.box.x = H.pixelX + 12.0;
    if (H.box.right() > m_width - kMargin)
        H.box.x = H.pixelX - 12.0 - H.box.width;
    H.box.x = std::max(kMargin, H.box.x);
    H.box.y = std::clamp(H.pixelY - H.box.height / 2.0, kMargin, std::max(kMargin, m_height - kMargin - H.box.height));
    H.headingRect = {H.box.x + kPad, H.box.y + kPad, H.box.width - 2.0 * kPad, h};
    for (int k = 0; k < n; ++k) {
        ChartReadoutRow& row = H.rows[static_cast<std::size_t>(k)];
        const double x = H.box.x + kPad + (k / rows) * columnWidth;
        const double y = H.box.y + headingHeight + (k % rows) * rowHeight;
        row.chip = {x, y, chipWidth, rowHeight - 2.0};
        row.valueRect = {x + chipWidth + kGap, y, valueWidth, rowHeight - 2.0};
    }
}

int ChartCanvas::seriesAt(double x, double y)
{
    const ChartLayout& L = layout();
    for (const ChartLegendEntry& e : L.legendEntries)
        if (e.rect.contains(x, y))
            return e.series;
    if (!L.plot.contains(x, y))
        return -1;
    const std::vector<std::vector<ChartPixel>>& all = lines();
    int best = -1;
    double nearest = 0.0;
    for (std::size_t i = 0; i < all.size(); ++i) {
        const std::vector<ChartPixel>& line = all[i];
        const double reach = kLineReach + m_state.series[i].lineWidth / 2.0;
        for (std::size_t k = 0; k < line.size(); ++k) {
            const ChartPixel& a = line[k];
            const ChartPixel& b = k + 1 < line.size() ? line[k + 1] : line[k];
            // Segments far to either side of the click cannot be near it.
            if (std::max(a.x, b.x) < x - reach || std::min(a.x, b.x) > x + reach)
                continue;
            const double d = distanceToSegment({x, y}, a, b);
            if (d <= reach && (best < 0 || d < nearest)) {
                best = static_cast<int>(i);
                nearest = d;
            }
        }
    }
    return best;
}

bool ChartCanvas::click(double x, double y)
{
    const int series = seriesAt(x, y);
    if (series < 0 || !drawn(series))
        return false;
    m_emphasis = emphasised() == series ? -1 : series;
    return true;
}

} // namespace tidemark::presentation
