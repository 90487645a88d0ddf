#pragma once
// A line chart as the models hold it and the chart widget draws it: the series with
// their colours, widths and legend entries, the horizontal axis (the snapshots with
// their times, or plain numbers), the vertical axis with its concrete range and kind,
// and the look of the plotting area. Every race chart and the backtest's return curve
// is one of these; how it is laid out on a surface is chart_canvas.h's job.

#include <string>
#include <vector>

#include "presentation/cell_style.h"

namespace tidemark::presentation {

struct ChartPoint {
    int x = 0;         // snapshot index in the race's series (race index on the return curve)
    double y = 0.0;
    std::string label; // "hh:nn" of the snapshot
    bool operator==(const ChartPoint&) const = default;
};

struct ChartSeries {
    std::string title; // CP932: "1" … "18", "1-1" … "8-8", "最高", "最低"
    Rgb colour;
    int lineWidth = 1; // pixels
    bool inLegend = false;
    std::vector<ChartPoint> points; // ascending x, one point per x at most
};

// The vertical axis as it is to be drawn: the range is always concrete (the model decides
// the logarithmic floor and the automatic range), so the view only applies it.
struct ChartAxis {
    std::string title; // CP932: "オッズ" or "得票率"
    bool logarithmic = false;
    bool automatic = false; // Chart12: the bottom follows the data
    double minimum = 0.0;
    double maximum = 1000.0;
};

// The horizontal axis: x = 0, 1, 2 … are the snapshots in order, each labelled by its
// time written vertically; or, numbered, x runs from 0 to `maximum` under round numbers.
struct ChartXAxis {
    std::string title; // CP932: "時間"
    std::vector<std::string> labels;
    bool numbered = false;
    int maximum = 0;
    int count() const { return numbered ? maximum + 1 : static_cast<int>(labels.size()); }
};

enum class ChartBackground {
    White,
    Gradient, // #FF8080 plotting area in a #0080FF frame, shading towards #FFE0DF
};

struct ChartState {
    std::string title; // CP932; the race charts have none
    std::vector<ChartSeries> series;
    ChartXAxis xAxis;
    ChartAxis axis;
    ChartBackground background = ChartBackground::White;
    bool legend = true;    // false: every series is drawn, no legend
    int valueDecimals = 1; // of the values read out under the pointer
};

// Colours of the plotting area of Chart1, Chart6 and Chart12.
inline constexpr Rgb kChartPlotColour{0xFF8080};
inline constexpr Rgb kChartFrameColour{0x0080FF};
inline constexpr Rgb kChartGradientColour{0xFFE0DF};

// A logarithmic axis cannot reach 0: its bottom is 1 on the odds charts (no odds are
// below 1.0) and 0.1 on the vote-share and difference charts. A maximum not above the
// floor shows one decade above it.
inline constexpr double kOddsLogFloor = 1.0;
inline constexpr double kShareLogFloor = 0.1;

} // namespace tidemark::presentation
