#pragma once
// The backtest's curve of the cumulative return as a chart: one line from 0 before the
// first race through the net return after each race with bets, races in the order they
// were run on the horizontal axis, yen on the vertical one with round ends through 0
// (the break-even line).

#include <string>
#include <vector>

#include "presentation/chart_state.h"

namespace tidemark::presentation {

// `curve`: the net return (yen) after each race; `title` above the chart (CP932),
// `xTitle` under its horizontal axis.
ChartState returnCurveChart(const std::vector<double>& curve, const std::string& title, const std::string& xTitle);

} // namespace tidemark::presentation
