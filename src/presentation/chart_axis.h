#pragma once
// The axes of every chart, the race charts and the backtest's return curve alike: round
// steps, the ticks of a normal and of a logarithmic vertical axis with their "#,##0"
// labels, the points a logarithmic axis can show, the round range of a curve, and which
// snapshot times under a chart are written so that no two overlap.

#include <string>
#include <vector>

#include "presentation/chart_state.h"

namespace tidemark::presentation {

struct AxisTick {
    double value = 0.0;
    std::string label; // "#,##0"
};

// "#,##0": thousands separated, no decimals ("1,000", "-3").
std::string axisLabel(double value);

// The smallest of 1, 2 and 5 times a power of ten that cuts `span` into at most `parts`
// parts.
double niceStep(double span, int parts);

// The ticks of a vertical axis drawn `length` pixels high whose labels must stand at
// least `spacing` pixels apart. A normal axis has a round step of at least 1 (its labels
// have no decimals); a logarithmic one the powers of ten, with 2 and 5 times them where
// a decade has room, and only every n-th power where decades are tight. A logarithmic
// tick below 1 is written with the decimal it needs ("0.1", "0.5"): "#,##0" would write
// it as 0, which such an axis never shows.
std::vector<AxisTick> valueTicks(const ChartAxis& axis, double length, double spacing);

// Whether a point can be drawn on the axis: a logarithmic axis has no place for 0 or
// below (a positive value under its floor is drawn off the bottom, as one above the
// maximum is drawn off the top).
inline bool showable(const ChartAxis& axis, double y) { return !axis.logarithmic || y > 0.0; }

// A range with round ends around `low` … `high` that holds 0, with a step of room past
// each end that has values, the step cutting at least `minimumSpan` into at most
// `parts` parts.
struct AxisRange {
    double minimum = 0.0;
    double maximum = 0.0;
};
AxisRange roundRange(double low, double high, double minimumSpan, int parts);

// The snapshot times to write under a chart whose snapshots stand `spacing` pixels
// apart, each label `thickness` pixels across: the first snapshot of each period of a
// round number of minutes (1, 2, 5, 10, 15, 30 … the shortest for which nearly all fit),
// the first and the last snapshot, never two closer than `thickness`. Returns indexes
// into `labels` ("hh:nn"), ascending.
std::vector<int> thinTimeLabels(const std::vector<std::string>& labels, double spacing, double thickness);

} // namespace tidemark::presentation
