#include "presentation/chart_axis.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "text/number_format.h"

namespace tidemark::presentation {
namespace {

// Rounding slack of the tick arithmetic.
constexpr double kSlack = 1e-9;

// Minutes since midnight of an "hh:nn" label, -1 for anything else.
int minuteOfDay(const std::string& label)
{
    const auto digit = [&label](std::size_t i) { return label[i] >= '0' && label[i] <= '9'; };
    if (label.size() < 5 || label[2] != ':' || !digit(0) || !digit(1) || !digit(3) || !digit(4))
        return -1;
    return ((label[0] - '0') * 10 + (label[1] - '0')) * 60 + (label[3] - '0') * 10 + (label[4] - '0');
}

std::vector<AxisTick> linearTicks(double minimum, double maximum, double length, double spacing)
{
    const int parts = std::clamp(static_cast<int>(length / std::max(spacing, 1.0)), 1, 1000);
    const double step = std::max(1.0, niceStep(maximum - minimum, parts));
    std::vector<AxisTick> out;
    // Counted, not summed up to the maximum: far from 0 a step can vanish in rounding.
    const double first = std::ceil(minimum / step - kSlack);
    for (int n = 0; n <= parts + 1; ++n) {
        const double k = first + n;
        if (!(k * step <= maximum + step * kSlack))
            break;
        const double v = k == 0.0 ? 0.0 : k * step;
        out.push_back({v, axisLabel(v)});
    }
    return out;
}

std::vector<AxisTick> logTicks(double minimum, double maximum, double length, double spacing)
{
    if (minimum <= 0.0)
        minimum = kShareLogFloor;
    // Within the decades a double holds.
    const double lo = std::clamp(std::log10(minimum), -300.0, 300.0);
    double hi = std::clamp(std::log10(maximum), -300.0, 300.0);
    if (!(hi > lo))
        hi = lo + 1.0;
    const double perDecade = length / (hi - lo);
    std::vector<double> multiples{1.0};
    int every = 1;
    if (perDecade * std::log10(2.0) >= spacing)
        multiples = {1.0, 2.0, 5.0};
    else if (perDecade < spacing)
        every = static_cast<int>(std::min(1000.0, std::ceil(spacing / std::max(perDecade, 1e-6))));
    std::vector<AxisTick> out;
    for (int d = static_cast<int>(std::floor(lo)); d <= static_cast<int>(std::ceil(hi)); ++d) {
        if (((d % every) + every) % every != 0)
            continue;
        for (double m : multiples) {
            const double v = m * std::pow(10.0, d);
            if (v < minimum * (1.0 - kSlack) || v > maximum * (1.0 + kSlack))
                continue;
            // "#,##0" would write a tick below 1 as 0, a value such an axis never
            // shows: those get the one decimal place they need.
            const int decimals = v >= 1.0 - kSlack ? 0 : static_cast<int>(std::ceil(-std::log10(v) - kSlack));
            out.push_back({v, text::formatGrouped(v, 0, decimals)});
        }
    }
    return out;
}

} // namespace

std::string axisLabel(double value) { return text::formatGrouped(value, 0, 0); }

double niceStep(double span, int parts)
{
    if (!(span > 0.0) || parts < 1)
        return 1.0;
    const double raw = span / parts;
    const double base = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0})
        if (m * base * (1.0 + kSlack) >= raw)
            return m * base;
    return 10.0 * base;
}

std::vector<AxisTick> valueTicks(const ChartAxis& axis, double length, double spacing)
{
    if (!std::isfinite(axis.minimum) || !std::isfinite(axis.maximum))
        return {};
    if (!(axis.maximum > axis.minimum) && !axis.logarithmic)
        return {{axis.minimum, axisLabel(axis.minimum)}};
    return axis.logarithmic ? logTicks(axis.minimum, axis.maximum, length, spacing)
                            : linearTicks(axis.minimum, axis.maximum, length, spacing);
}

AxisRange roundRange(double low, double high, double minimumSpan, int parts)
{
    low = std::min(low, 0.0);
    high = std::max(high, 0.0);
    const double step = niceStep(std::max(minimumSpan, high - low), parts);
    AxisRange r;
    r.minimum = std::floor(low / step) * step - (low < 0.0 ? step : 0.0);
    r.maximum = std::max(std::ceil(high / step) * step + (high > 0.0 ? step : 0.0), r.minimum + step);
    return r;
}

std::vector<int> thinTimeLabels(const std::vector<std::string>& labels, double spacing, double thickness)
{
    const int n = static_cast<int>(labels.size());
    if (n == 0)
        return {};
    std::vector<int> minutes(labels.size());
    std::transform(labels.begin(), labels.end(), minutes.begin(), minuteOfDay);
    const auto fits = [&](int from, int to) { return (to - from) * spacing >= thickness; };

    // A period whose labels mostly fit is kept; the few that would touch their
    // neighbour (a lone early snapshot, a burst of announcements) are left out.
    static constexpr std::array<int, 14> kPeriods{1, 2, 5, 10, 15, 20, 30, 60, 120, 180, 240, 360, 720, 1440};
    std::vector<int> chosen;
    for (int period : kPeriods) {
        chosen.assign(1, 0);
        int candidates = 0;
        int skipped = 0;
        for (int j = 1; j < n; ++j) {
            const int a = minutes[static_cast<std::size_t>(j - 1)];
            const int b = minutes[static_cast<std::size_t>(j)];
            if (a >= 0 && b >= 0 && a / period == b / period)
                continue;
            ++candidates;
            if (fits(chosen.back(), j))
                chosen.push_back(j);
            else
                ++skipped;
        }
        if (skipped * 5 <= candidates)
            break;
    }
    // The latest announcement is the one a bettor looks for: it is written, in place of
    // the label before it where both do not fit.
    if (chosen.back() != n - 1) {
        if (fits(chosen.back(), n - 1))
            chosen.push_back(n - 1);
        else if (chosen.size() >= 2 && fits(chosen[chosen.size() - 2], n - 1))
            chosen.back() = n - 1;
    }
    return chosen;
}

} // namespace tidemark::presentation
