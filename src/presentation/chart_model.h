#pragma once
// The page "グラフ" (TabSheet42) without widgets: every line chart of the race opened last
// (Chart1-Chart10, Chart12) with its series, colours, legend entries and vertical axis,
// and the controls beside them (check lists, horse selectors, axis-kind groups, sliders).
// The lines follow the O1 snapshots of the race: one point per snapshot whose field can
// be drawn, x = the snapshot's place in the series.
//
// The main window runs the two race-opening steps:
//   raceViewsCleared -> empty()
//   timeSeriesTables -> fill(series.o1Snapshots, runnerCount)
// Slider positions and axis kinds live in the settings (section Graph); the constructor
// restores them, and every change writes them back.

#include <array>
#include <string>
#include <vector>

#include "analysis/snapshot_series.h"
#include "presentation/chart_selections.h"
#include "presentation/chart_state.h"

namespace tidemark {
class Host;
class IniFile;
} // namespace tidemark

namespace tidemark::presentation {

enum class ChartId { Chart1, Chart2, Chart3, Chart4, Chart5, Chart6, Chart7, Chart8, Chart9, Chart10, Chart12 };

inline constexpr std::array<ChartId, 11> kAllCharts{ChartId::Chart1, ChartId::Chart2, ChartId::Chart3,
    ChartId::Chart4, ChartId::Chart5, ChartId::Chart6, ChartId::Chart7, ChartId::Chart8, ChartId::Chart9,
    ChartId::Chart10, ChartId::Chart12};
// The odds page ("オッズ", TrackBar1 / RadioGroup11) and the vote-share page ("得票率",
// TrackBar2 / RadioGroup12), in the order of their tabs.
inline constexpr std::array<ChartId, 5> kOddsCharts{ChartId::Chart1, ChartId::Chart3, ChartId::Chart4,
    ChartId::Chart5, ChartId::Chart2};
inline constexpr std::array<ChartId, 5> kShareCharts{ChartId::Chart6, ChartId::Chart7, ChartId::Chart8,
    ChartId::Chart9, ChartId::Chart10};

// "Chart1" … "Chart12".
const char* chartName(ChartId chart);

struct ChartSlider {
    int position = 0;
    int minimum = 1;
    int maximum = 100;
    int tickFrequency = 10;
};

// The groups and sliders of the page.
enum class AxisGroup {
    Odds,       // TrackBar1, RadioGroup11, MaxYLabel1, Graph/Ymax1, Graph/LogAxisY1
    Share,      // TrackBar2, RadioGroup12, MaxYLabel2, Graph/Ymax2, Graph/LogAxisY2
    Difference, // TrackBar3, RadioGroup1 (hidden), MaxYLabel3, Graph/Ymax4, Graph/LogAxisY4
};

// What the model tells its view.
class ChartObserver {
public:
    virtual ~ChartObserver() = default;
    virtual void chartChanged(ChartId /*chart*/) {}   // series points or legend entries
    virtual void axisChanged(ChartId /*chart*/) {}    // range or axis kind
    virtual void selectionsChanged() {}               // check lists and radio groups
    virtual void controlsChanged() {}                 // sliders, MaxYLabel1-3, axis-kind groups
};

class ChartModel {
public:
    // Restores the sliders and axis kinds from the settings and applies them, as the
    // window's creation does. Settings that cannot be written are reported through the
    // host (once, until a write succeeds again).
    ChartModel(Host& host, IniFile& ini);

    void setObserver(ChartObserver* observer) { m_observer = observer; }

    // --- race-opening steps ------------------------------------------------------------
    // Every series of every chart loses its points; legend entries and selections stay.
    void empty();
    // The race's O1 series: the selections are rebuilt for `runnerCount` horses (all
    // ticked, horse 1 chosen) and every chart is refilled once.
    void fill(const analysis::SnapshotList& o1Snapshots, int runnerCount);
    // For a caller that rebuilds the selections itself (runTimeSeriesTables): take the
    // series, then pass redrawHandler() as the lists' handler.
    void setSnapshots(const analysis::SnapshotList& o1Snapshots);
    ChartRedraw redrawHandler();
    // The handler of a list: refills the chart the list drives.
    void redraw(ChartList list);

    // --- handlers -------------------------------------------------------------------------
    // A tick toggled in CheckListBox1-9 (index 0-based).
    void CheckListBoxClickCheck(ChartList list, int index, bool checked);
    // "全選択" / "全クリア" under a check list.
    void SelectAllClick(ChartList list);
    void ClearAllClick(ChartList list);
    void RadioGroup6Click(int index);
    void RadioGroup9Click(int index);
    void RadioGroup2Click(int index); // "得票率差" / "人気差"
    void RadioGroup11Click(int index);
    void RadioGroup12Click(int index);
    void RadioGroup1Click(int index);
    void TrackBar1Change(int position);
    void TrackBar2Change(int position);
    void TrackBar3Change(int position);

    // --- state shown by the view ----------------------------------------------------------
    const ChartState& chart(ChartId id) const;
    const ChartSelections& selections() const { return m_selections; }
    ChartSelections& selections() { return m_selections; }
    const analysis::SnapshotList& snapshots() const { return m_snapshots; }
    // The horizontal axis of every chart: "hh:nn" of every snapshot, x = index.
    const std::vector<std::string>& timeLabels() const { return m_timeLabels; }

    const ChartSlider& TrackBar1() const { return m_sliders[0]; }
    const ChartSlider& TrackBar2() const { return m_sliders[1]; }
    const ChartSlider& TrackBar3() const { return m_sliders[2]; }
    const ChartSlider& slider(AxisGroup group) const { return m_sliders[index(group)]; }
    // MaxYLabel1-3: the slider position as text.
    std::string maxYLabel(AxisGroup group) const;
    // Item index of RadioGroup11 / RadioGroup12 / RadioGroup1: 0 "通常軸", 1 "対数軸".
    int axisKind(AxisGroup group) const { return m_axisKinds[index(group)]; }
    int RadioGroup2Index() const { return m_differenceMode; }
    bool RadioGroup1Visible() const { return false; }

    // Fixed captions (CP932).
    static std::string pageCaption();        // "グラフ"
    static std::vector<std::string> pageCaptions();          // "オッズ", "得票率", "単複差"
    static std::vector<std::string> oddsTabCaptions();       // "単勝" … "枠連"
    static std::vector<std::string> shareTabCaptions();
    static std::string axisKindCaption();    // "軸種類"
    static std::vector<std::string> axisKindItems();          // "通常軸", "対数軸"
    static std::string maxCaption();         // "縦軸最大値調整"
    static std::string horseGroupCaption();  // "馬番"
    static std::string ticketGroupCaption(); // "馬券種"
    static std::vector<std::string> differenceModeItems();    // "得票率差", "人気差"
    static std::string selectAllCaption();   // "全選択"
    static std::string clearAllCaption();    // "全クリア"
    static std::string timeAxisTitle();      // "時間"
    // Scale labels beside a slider: "1" and "1000" / "100".
    static std::string scaleLow(AxisGroup group);
    static std::string scaleHigh(AxisGroup group);
    // Pattern of the vertical axis labels: "#,##0".
    static std::string valueLabelFormat() { return "#,##0"; }

private:
    static constexpr int index(AxisGroup g) { return static_cast<int>(g); }
    ChartState& state(ChartId id) { return m_charts[static_cast<std::size_t>(id)]; }

    void refillHorseChart(ChartId chart, const CheckListState& list);
    void refillBracketChart(ChartId chart, const CheckListState& list);
    void refillPlaceComparison(ChartId chart, const RadioGroupState& group);
    void refillDifferenceChart();
    void applyAxis(AxisGroup group);
    void applyAutomaticAxis();
    void showTimeLabels();
    void sliderChanged(AxisGroup group, int position);
    void axisKindChanged(AxisGroup group, int index);
    void writeSetting(AxisGroup group, bool kind, int value);
    void notifyChart(ChartId id);
    void notifyAxis(ChartId id);
    void notifySelections();
    void notifyControls();

    Host& m_host;
    IniFile& m_ini;
    ChartObserver* m_observer = nullptr;
    bool m_settingsFailed = false;

    std::array<ChartState, 11> m_charts;
    ChartSelections m_selections;
    analysis::SnapshotList m_snapshots;
    std::vector<std::string> m_timeLabels;

    std::array<ChartSlider, 3> m_sliders;
    std::array<int, 3> m_axisKinds{1, 0, 0};
    int m_differenceMode = 0;
};

} // namespace tidemark::presentation
