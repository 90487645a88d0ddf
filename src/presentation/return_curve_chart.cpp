#include "presentation/return_curve_chart.h"

#include <algorithm>
#include <cmath>

#include "presentation/chart_axis.h"

namespace tidemark::presentation {

ChartState returnCurveChart(const std::vector<double>& curve, const std::string& title, const std::string& xTitle)
{
    ChartState c;
    c.title = title;
    c.legend = false;
    c.valueDecimals = 0;
    ChartSeries& line = c.series.emplace_back();
    line.title = title;
    line.colour = Rgb{0xC00000};
    line.lineWidth = 2;
    line.points.reserve(curve.size() + 1);
    line.points.push_back({0, 0.0, {}});
    double low = 0.0;
    double high = 0.0;
    for (std::size_t i = 0; i < curve.size(); ++i) {
        line.points.push_back({static_cast<int>(i) + 1, curve[i], {}});
        low = std::min(low, curve[i]);
        high = std::max(high, curve[i]);
    }
    // Whole races across, at most ten round marks; yen up, the step cutting at least
    // 100 yen into at most eight parts.
    const double races = std::max(1.0, static_cast<double>(curve.size()));
    const double step = std::max(1.0, niceStep(races, 10));
    c.xAxis.title = xTitle;
    c.xAxis.numbered = true;
    c.xAxis.maximum = static_cast<int>(std::ceil(races / step) * step);
    const AxisRange range = roundRange(low, high, 100.0, 8);
    c.axis.minimum = range.minimum;
    c.axis.maximum = range.maximum;
    return c;
}

} // namespace tidemark::presentation
