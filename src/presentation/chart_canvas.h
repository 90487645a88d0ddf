#pragma once
// One chart on a surface of a given size: where its plotting area, axis labels, titles
// and legend go, the lines in pixels, what the pointer reads out (a crosshair at the
// nearest snapshot with the value of every drawn series there) and which series a click
// emphasises. The chart widget paints exactly this and forwards the mouse; the sizes of
// texts come from the widget's font through ChartTextMeasure.

#include <string>
#include <vector>

#include "presentation/chart_axis.h"
#include "presentation/chart_state.h"

namespace tidemark::presentation {

class ChartTextMeasure {
public:
    virtual ~ChartTextMeasure() = default;
    virtual double width(const std::string& cp932) const = 0;
    virtual double height() const = 0; // of a line of the chart's font
};

struct ChartRect {
    double x = 0.0;
    double y = 0.0;
    double width = 0.0;
    double height = 0.0;
    double right() const { return x + width; }
    double bottom() const { return y + height; }
    bool empty() const { return width <= 0.0 || height <= 0.0; }
    bool contains(double px, double py) const { return px >= x && px <= right() && py >= y && py <= bottom(); }
};

struct ChartPixel {
    double x = 0.0;
    double y = 0.0;
};

// A labelled mark on an axis: `position` is a pixel y on the vertical axis, a pixel x
// on the horizontal one.
struct ChartMark {
    double position = 0.0;
    std::string label; // CP932; empty: a grid line only
};

struct ChartLegendEntry {
    int series = 0;
    ChartRect rect;
};

struct ChartLayout {
    double width = 0.0;
    double height = 0.0;
    ChartRect plot;
    ChartRect title;  // empty without a title
    ChartRect legend; // empty without legend entries
    std::vector<ChartLegendEntry> legendEntries;
    double swatchWidth = 0.0; // the line drawn before a legend title
    std::vector<ChartMark> valueMarks;
    // Pixel y of 0 on a normal axis that reaches below it (break-even, no difference);
    // negative when there is none.
    double zeroLine = -1.0;
    std::vector<ChartMark> xMarks;
    bool verticalTimes = false; // the horizontal labels are snapshot times, written upwards
    double xLabelTop = 0.0;     // where the horizontal labels start below the plot
    double tickLength = 0.0;
    ChartPixel valueTitle; // centre of the vertical axis title (written upwards)
    ChartPixel xTitle;     // centre of the horizontal axis title

    // Chart coordinates to pixels and back.
    double xMinimum = 0.0;
    double xMaximum = 0.0;
    double yMinimum = 0.0;
    double yMaximum = 1.0;
    bool logarithmic = false;
    double xPixel(double x) const;
    double yPixel(double y) const;
    double xAt(double pixel) const;
};

// A row of the read-out: the series' title on a chip of its colour, its value beside.
struct ChartReadoutRow {
    int series = 0;
    std::string title; // CP932
    std::string value; // CP932, the chart's decimals, thousands separated
    Rgb colour;        // of the chip
    Rgb textColour;    // of the title on the chip: black or white, whichever reads
    double y = 0.0;    // pixel y of the point (the crosshair's marker)
    ChartRect chip;
    ChartRect valueRect;
};

struct ChartHover {
    bool active = false;
    int x = 0;           // the snapshot (race) under the pointer
    double pixelX = 0.0; // the crosshair
    double pixelY = 0.0;
    std::string heading; // CP932: the snapshot's time ("レース(発走順) 57" on a number axis)
    std::vector<ChartReadoutRow> rows; // highest value first
    ChartRect box;
    ChartRect headingRect;
};

// How a series' line is drawn: while one series is emphasised the others fade.
struct ChartLineStyle {
    Rgb colour;
    int alpha = 255;
    int width = 1;
    bool front = false; // drawn after the others
};

// Black or white, whichever reads on `background`.
Rgb readableOn(Rgb background);

class ChartCanvas {
public:
    ChartCanvas(const ChartState& state, const ChartTextMeasure& measure);

    void resize(double width, double height);
    // The chart's series or axes changed: laid out again when next asked, the read-out
    // taken again at the pointer.
    void stateChanged();

    const ChartState& state() const { return m_state; }
    const ChartLayout& layout();
    // The drawn lines in pixels, one per series (empty for a series not drawn).
    const std::vector<std::vector<ChartPixel>>& lines();
    // A series is drawn when it has a legend entry (every series of a chart without a
    // legend) and points.
    bool drawn(int series) const;
    ChartLineStyle lineStyle(int series) const;

    // The pointer. Each returns true when what is drawn changed.
    bool mouseMove(double x, double y);
    bool mouseLeave();
    // A click on a legend entry or on a line emphasises that series, or ends its emphasis
    // when it is the one emphasised; a click elsewhere changes nothing.
    bool click(double x, double y);
    const ChartHover& hover();
    // The series emphasised, -1 for none. A series that is not drawn (unticked, or without
    // points in this race) is not emphasised, but is again when it is drawn.
    int emphasised() const;
    // The legend entry or line under a pixel, -1 for none.
    int seriesAt(double x, double y);

private:
    void layOut();
    void readOut();

    const ChartState& m_state;
    const ChartTextMeasure& m_measure;
    double m_width = 0.0;
    double m_height = 0.0;
    bool m_laidOut = false;
    bool m_linesDone = false;
    bool m_readOut = false;
    ChartLayout m_layout;
    std::vector<std::vector<ChartPixel>> m_lines;
    bool m_pointer = false;
    double m_pointerX = 0.0;
    double m_pointerY = 0.0;
    ChartHover m_hover;
    int m_emphasis = -1;
};

} // namespace tidemark::presentation
