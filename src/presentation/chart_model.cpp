#include "presentation/chart_model.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "analysis/odds_values.h"
#include "host/host.h"
#include "records/pair_index.h"
#include "records/record_view.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"
#include "text/cp932.h"
#include "text/file_io.h"

namespace tidemark::presentation {
namespace {

using analysis::OddsFieldKind;
using records::O1View;

// Line colours and widths of horses 1-18.
constexpr std::array<std::uint32_t, 18> kHorseColours{0xFF0000, 0x800000, 0x000000, 0xFFFF00, 0x808000, 0x00FF00,
    0x808080, 0x00FFFF, 0x000080, 0xFF00FF, 0x400080, 0x0000FF, 0x008080, 0x400080, 0x008000, 0xC0C0C0, 0xFF0000,
    0x0000FF};
constexpr int kWideHorse = 4;

// Bracket pairs 1-1 … 8-8 in pair order.
constexpr std::array<std::uint32_t, 36> kBracketColours{
    0x000000, 0x808080, 0xC0C0C0, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, // 1-1 … 1-8
    0xFF8000, 0x800000, 0x400080, 0x008000, 0x808000, 0x000080, 0x808000,           // 2-2 … 2-8
    0x000080, 0x800080, 0x008080, 0xFF0000, 0x800000, 0x008000,                     // 3-3 … 3-8
    0x808000, 0x000080, 0x000080, 0x800080, 0x008080,                               // 4-4 … 4-8
    0x808080, 0x808080, 0x400080, 0xFF0000,                                         // 5-5 … 5-8
    0x00FF00, 0xFFFF00, 0x0000FF,                                                   // 6-6 … 6-8
    0x0000FF, 0xFF00FF,                                                             // 7-7, 7-8
    0x00FFFF};                                                                      // 8-8
constexpr int kWidePairA = 6;  // 1-6
constexpr int kWidePairB = 32; // 6-7

std::vector<ChartSeries> horseSeries()
{
    std::vector<ChartSeries> out(records::kHorseCount);
    for (int h = 1; h <= records::kHorseCount; ++h) {
        ChartSeries& s = out[static_cast<std::size_t>(h - 1)];
        s.title = std::to_string(h);
        s.colour = Rgb{kHorseColours[static_cast<std::size_t>(h - 1)]};
        s.lineWidth = h == kWideHorse ? 2 : 1;
    }
    return out;
}

std::vector<ChartSeries> bracketSeries()
{
    std::vector<ChartSeries> out(records::kBracketPairCount);
    for (int k = 1; k <= records::kBracketPairCount; ++k) {
        ChartSeries& s = out[static_cast<std::size_t>(k - 1)];
        s.title = bracketPairItem(k);
        s.colour = Rgb{kBracketColours[static_cast<std::size_t>(k - 1)]};
        s.lineWidth = (k == kWidePairA || k == kWidePairB) ? 2 : 1;
    }
    return out;
}

std::vector<ChartSeries> comparisonSeries()
{
    std::vector<ChartSeries> out(2);
    out[0].title = text::sj("最高");
    out[0].colour = colours::red;
    out[1].title = text::sj("最低");
    out[1].colour = colours::blue;
    for (ChartSeries& s : out)
        s.inLegend = true;
    return out;
}

// A field that can be drawn: not empty and not a cancellation marker of its width.
bool usable(std::string_view field, int width)
{
    const OddsFieldKind kind = analysis::classifyOddsField(field, width);
    switch (kind) {
    case OddsFieldKind::Empty:
    case OddsFieldKind::CancelledBefore:
    case OddsFieldKind::CancelledAfter: return false;
    case OddsFieldKind::Price:
    case OddsFieldKind::Other: return true;
    }
    return false;
}

// The value of a usable field in units of 1 (a damaged field reads as 0).
std::optional<double> fieldOdds(std::string_view field, int width)
{
    // One reading of the field gives both what usable() asks and the value.
    const records::OddsField f = analysis::readOddsField(field, width);
    switch (f.kind()) {
    case records::OddsKind::Blank:
    case records::OddsKind::CancelledBeforeSale:
    case records::OddsKind::CancelledAfterSale: return std::nullopt;
    case records::OddsKind::Odds:
    case records::OddsKind::NoVotes:
    case records::OddsKind::Unreadable: break;
    }
    return std::max(0.0, f.value());
}

enum class Field { Win, PlaceLow, PlaceHigh };

std::optional<double> horseOdds(const O1View& v, Field field, int horse)
{
    switch (field) {
    case Field::Win: return fieldOdds(v.winField(horse), analysis::kWinFieldWidth);
    case Field::PlaceLow: return fieldOdds(v.placeLowField(horse), analysis::kPlaceFieldWidth);
    case Field::PlaceHigh: return fieldOdds(v.placeHighField(horse), analysis::kPlaceFieldWidth);
    }
    return std::nullopt;
}

// Odds as drawn, or the vote share `numerator / odds` (only for odds above 0).
std::optional<double> plotted(std::optional<double> odds, std::optional<double> shareNumerator)
{
    if (!odds || !shareNumerator)
        return odds;
    if (*odds <= 0.0)
        return std::nullopt;
    return *shareNumerator / *odds;
}

struct HorseChartPlan {
    Field field;
    std::optional<double> shareNumerator;
};

HorseChartPlan horsePlan(ChartId chart)
{
    switch (chart) {
    case ChartId::Chart1: return {Field::Win, std::nullopt};
    case ChartId::Chart3: return {Field::PlaceLow, std::nullopt};
    case ChartId::Chart4: return {Field::PlaceHigh, std::nullopt};
    case ChartId::Chart6: return {Field::Win, analysis::kWinShareNumerator};
    case ChartId::Chart7: return {Field::PlaceLow, analysis::kPlaceShareNumerator};
    case ChartId::Chart8: return {Field::PlaceHigh, analysis::kPlaceShareNumerator};
    case ChartId::Chart2:
    case ChartId::Chart5:
    case ChartId::Chart9:
    case ChartId::Chart10:
    case ChartId::Chart12: break;
    }
    return {Field::Win, std::nullopt};
}

constexpr std::array<settings::IntSetting, 3> kYmaxSettings{
    settings::GraphYmax1, settings::GraphYmax2, settings::GraphYmax4};
constexpr std::array<settings::IntSetting, 3> kLogSettings{
    settings::GraphLogAxisY1, settings::GraphLogAxisY2, settings::GraphLogAxisY4};

std::vector<std::string> sjList(std::initializer_list<const char*> utf8)
{
    std::vector<std::string> out;
    for (const char* s : utf8)
        out.push_back(text::sj(s));
    return out;
}

} // namespace

const char* chartName(ChartId chart)
{
    switch (chart) {
    case ChartId::Chart1: return "Chart1";
    case ChartId::Chart2: return "Chart2";
    case ChartId::Chart3: return "Chart3";
    case ChartId::Chart4: return "Chart4";
    case ChartId::Chart5: return "Chart5";
    case ChartId::Chart6: return "Chart6";
    case ChartId::Chart7: return "Chart7";
    case ChartId::Chart8: return "Chart8";
    case ChartId::Chart9: return "Chart9";
    case ChartId::Chart10: return "Chart10";
    case ChartId::Chart12: return "Chart12";
    }
    return "";
}

ChartModel::ChartModel(Host& host, IniFile& ini) : m_host(host), m_ini(ini)
{
    for (ChartId id : kAllCharts) {
        ChartState& c = state(id);
        switch (id) {
        case ChartId::Chart2:
        case ChartId::Chart10: c.series = bracketSeries(); break;
        case ChartId::Chart5:
        case ChartId::Chart9: c.series = comparisonSeries(); break;
        case ChartId::Chart1:
        case ChartId::Chart3:
        case ChartId::Chart4:
        case ChartId::Chart6:
        case ChartId::Chart7:
        case ChartId::Chart8:
        case ChartId::Chart12: c.series = horseSeries(); break;
        }
        const bool share = std::find(kShareCharts.begin(), kShareCharts.end(), id) != kShareCharts.end();
        c.axis.title = text::sj(share ? "得票率" : "オッズ");
        c.xAxis.title = timeAxisTitle();
        c.axis.automatic = id == ChartId::Chart12;
        c.background = (id == ChartId::Chart1 || id == ChartId::Chart6 || id == ChartId::Chart12)
            ? ChartBackground::Gradient
            : ChartBackground::White;
    }
    m_sliders[index(AxisGroup::Odds)] = ChartSlider{500, 1, 1000, 10};
    m_sliders[index(AxisGroup::Share)] = ChartSlider{50, 1, 100, 10};
    m_sliders[index(AxisGroup::Difference)] = ChartSlider{50, 1, 100, 10};

    // The stored range and axis kind, applied as if the user had set them. Nothing is
    // written back: the file already holds what was read.
    for (AxisGroup g : {AxisGroup::Odds, AxisGroup::Share, AxisGroup::Difference}) {
        ChartSlider& s = m_sliders[index(g)];
        s.position = std::clamp(kYmaxSettings[index(g)].read(m_ini), s.minimum, s.maximum);
        m_axisKinds[index(g)] = kLogSettings[index(g)].read(m_ini) == 1 ? 1 : 0;
        applyAxis(g);
    }
}

const ChartState& ChartModel::chart(ChartId id) const { return m_charts[static_cast<std::size_t>(id)]; }

// --- race-opening steps --------------------------------------------------------------------

void ChartModel::empty()
{
    m_snapshots.clear();
    m_timeLabels.clear();
    showTimeLabels();
    for (ChartId id : kAllCharts) {
        for (ChartSeries& s : state(id).series)
            s.points.clear();
        if (id == ChartId::Chart12)
            applyAutomaticAxis();
        notifyChart(id);
    }
}

void ChartModel::setSnapshots(const analysis::SnapshotList& o1Snapshots)
{
    m_snapshots = o1Snapshots;
    m_timeLabels.clear();
    for (const std::string& s : m_snapshots)
        m_timeLabels.push_back(analysis::hourMinuteText(s));
    showTimeLabels();
}

// Every chart runs over the same snapshots.
void ChartModel::showTimeLabels()
{
    for (ChartId id : kAllCharts)
        state(id).xAxis.labels = m_timeLabels;
}

ChartRedraw ChartModel::redrawHandler()
{
    // The caller has just rebuilt that list: the view shows it before its chart.
    return [this](ChartList list) {
        notifySelections();
        redraw(list);
    };
}

void ChartModel::fill(const analysis::SnapshotList& o1Snapshots, int runnerCount)
{
    setSnapshots(o1Snapshots);
    resetChartSelections(m_selections, runnerCount, [this](ChartList list) { redraw(list); });
    notifySelections();
}

void ChartModel::redraw(ChartList list)
{
    switch (list) {
    case ChartList::CheckListBox1: refillHorseChart(ChartId::Chart1, m_selections.CheckListBox1); break;
    case ChartList::CheckListBox2: refillHorseChart(ChartId::Chart3, m_selections.CheckListBox2); break;
    case ChartList::CheckListBox3: refillHorseChart(ChartId::Chart4, m_selections.CheckListBox3); break;
    case ChartList::CheckListBox4: refillHorseChart(ChartId::Chart6, m_selections.CheckListBox4); break;
    case ChartList::CheckListBox5: refillHorseChart(ChartId::Chart7, m_selections.CheckListBox5); break;
    case ChartList::CheckListBox6: refillHorseChart(ChartId::Chart8, m_selections.CheckListBox6); break;
    case ChartList::CheckListBox7: refillBracketChart(ChartId::Chart2, m_selections.CheckListBox7); break;
    case ChartList::CheckListBox8: refillBracketChart(ChartId::Chart10, m_selections.CheckListBox8); break;
    case ChartList::CheckListBox9: refillDifferenceChart(); break;
    case ChartList::RadioGroup6: refillPlaceComparison(ChartId::Chart5, m_selections.RadioGroup6); break;
    case ChartList::RadioGroup9: refillPlaceComparison(ChartId::Chart9, m_selections.RadioGroup9); break;
    }
}

// --- refills -------------------------------------------------------------------------------

void ChartModel::refillHorseChart(ChartId id, const CheckListState& list)
{
    if (m_snapshots.empty())
        return;
    const HorseChartPlan plan = horsePlan(id);
    ChartState& c = state(id);
    for (ChartSeries& s : c.series) {
        s.inLegend = false;
        s.points.clear();
    }
    const int items = std::min(list.count(), static_cast<int>(c.series.size()));
    for (int i = 1; i <= items; ++i) {
        ChartSeries& s = c.series[static_cast<std::size_t>(i - 1)];
        s.inLegend = true;
        if (!list.checked[static_cast<std::size_t>(i - 1)])
            continue;
        s.points.reserve(m_snapshots.size());
        for (std::size_t j = 0; j < m_snapshots.size(); ++j) {
            const O1View v(m_snapshots[j]);
            if (const std::optional<double> y = plotted(horseOdds(v, plan.field, i), plan.shareNumerator))
                s.points.push_back({static_cast<int>(j), *y, m_timeLabels[j]});
        }
    }
    notifyChart(id);
}

void ChartModel::refillBracketChart(ChartId id, const CheckListState& list)
{
    if (m_snapshots.empty())
        return;
    const std::optional<double> numerator = id == ChartId::Chart10
        ? std::optional<double>(analysis::kBracketShareNumerator)
        : std::nullopt;
    ChartState& c = state(id);
    for (ChartSeries& s : c.series) {
        s.inLegend = false;
        s.points.clear();
    }
    const int items = std::min(list.count(), static_cast<int>(c.series.size()));
    for (int k = 1; k <= items; ++k) {
        ChartSeries& s = c.series[static_cast<std::size_t>(k - 1)];
        s.inLegend = true;
        if (!list.checked[static_cast<std::size_t>(k - 1)])
            continue;
        s.points.reserve(m_snapshots.size());
        for (std::size_t j = 0; j < m_snapshots.size(); ++j) {
            const O1View v(m_snapshots[j]);
            const std::optional<double> odds = fieldOdds(v.bracketField(k), analysis::kBracketFieldWidth);
            if (const std::optional<double> y = plotted(odds, numerator))
                s.points.push_back({static_cast<int>(j), *y, m_timeLabels[j]});
        }
    }
    notifyChart(id);
}

void ChartModel::refillPlaceComparison(ChartId id, const RadioGroupState& group)
{
    if (m_snapshots.empty())
        return;
    ChartState& c = state(id);
    for (ChartSeries& s : c.series)
        s.points.clear();
    const int horse = group.itemIndex + 1;
    const O1View last(m_snapshots.back());
    // A horse without a usable last place price (scratched, or no horse chosen) has no
    // lines; the previous horse's lines must not stay under the new choice.
    if (horse >= 1 && usable(last.placeLowField(horse), analysis::kPlaceFieldWidth)) {
        const std::optional<double> numerator = id == ChartId::Chart9
            ? std::optional<double>(analysis::kPlaceShareNumerator)
            : std::nullopt;
        for (std::size_t j = 0; j < m_snapshots.size(); ++j) {
            const O1View v(m_snapshots[j]);
            if (const std::optional<double> y = plotted(horseOdds(v, Field::PlaceHigh, horse), numerator))
                c.series[0].points.push_back({static_cast<int>(j), *y, m_timeLabels[j]});
            if (const std::optional<double> y = plotted(horseOdds(v, Field::PlaceLow, horse), numerator))
                c.series[1].points.push_back({static_cast<int>(j), *y, m_timeLabels[j]});
        }
    }
    notifyChart(id);
}

void ChartModel::refillDifferenceChart()
{
    if (m_snapshots.empty())
        return;
    const CheckListState& list = m_selections.CheckListBox9;
    ChartState& c = state(ChartId::Chart12);
    for (ChartSeries& s : c.series) {
        s.inLegend = false;
        s.points.clear();
    }
    c.valueDecimals = m_differenceMode == 1 ? 0 : 1; // popularities are whole numbers
    const int items = std::min(list.count(), static_cast<int>(c.series.size()));
    for (int i = 1; i <= items; ++i) {
        ChartSeries& s = c.series[static_cast<std::size_t>(i - 1)];
        s.inLegend = true;
        if (!list.checked[static_cast<std::size_t>(i - 1)])
            continue;
        for (std::size_t j = 0; j < m_snapshots.size(); ++j) {
            const O1View v(m_snapshots[j]);
            const std::optional<double> w = horseOdds(v, Field::Win, i);
            const std::optional<double> l = horseOdds(v, Field::PlaceLow, i);
            if (!w || !l)
                continue;
            if (m_differenceMode == 0) {
                if (*w > 0.0 && *l > 0.0)
                    s.points.push_back({static_cast<int>(j),
                        analysis::kWinShareNumerator / *w - (analysis::kWinShareNumerator / *l) / 3.0,
                        m_timeLabels[j]});
            } else {
                const int a = v.winPopularity(i);
                const int b = v.placePopularity(i);
                if (a > 0 && b > 0)
                    s.points.push_back({static_cast<int>(j), static_cast<double>(a - b), m_timeLabels[j]});
            }
        }
    }
    applyAutomaticAxis();
    notifyChart(ChartId::Chart12);
}

// --- axes ----------------------------------------------------------------------------------

void ChartModel::applyAxis(AxisGroup group)
{
    if (group == AxisGroup::Difference) {
        applyAutomaticAxis();
        return;
    }
    const bool log = m_axisKinds[index(group)] == 1;
    const double floor = group == AxisGroup::Odds ? kOddsLogFloor : kShareLogFloor;
    double maximum = m_sliders[index(group)].position;
    if (log && maximum <= floor)
        maximum = floor * 10.0;
    for (ChartId id : group == AxisGroup::Odds ? kOddsCharts : kShareCharts) {
        ChartAxis& a = state(id).axis;
        a.logarithmic = log;
        a.minimum = log ? floor : 0.0;
        a.maximum = maximum;
        notifyAxis(id);
    }
}

// Chart12 finds its bottom in the lines (differences go below zero); the slider sets
// its top.
void ChartModel::applyAutomaticAxis()
{
    ChartAxis& a = state(ChartId::Chart12).axis;
    a.logarithmic = m_axisKinds[index(AxisGroup::Difference)] == 1;
    a.maximum = m_sliders[index(AxisGroup::Difference)].position;
    if (a.logarithmic) {
        a.minimum = kShareLogFloor;
        if (a.maximum <= a.minimum)
            a.maximum = a.minimum * 10.0;
    } else {
        double lowest = 0.0;
        for (const ChartSeries& s : state(ChartId::Chart12).series)
            for (const ChartPoint& p : s.points)
                lowest = std::min(lowest, p.y);
        a.minimum = std::floor(lowest);
        if (a.minimum >= a.maximum)
            a.minimum = a.maximum - 1.0;
    }
    notifyAxis(ChartId::Chart12);
}

void ChartModel::sliderChanged(AxisGroup group, int position)
{
    ChartSlider& s = m_sliders[index(group)];
    s.position = std::clamp(position, s.minimum, s.maximum);
    applyAxis(group);
    notifyControls();
    writeSetting(group, false, s.position);
}

void ChartModel::axisKindChanged(AxisGroup group, int itemIndex)
{
    if (itemIndex != 0 && itemIndex != 1)
        return;
    m_axisKinds[index(group)] = itemIndex;
    applyAxis(group);
    notifyControls();
    writeSetting(group, true, itemIndex);
}

void ChartModel::writeSetting(AxisGroup group, bool kind, int value)
{
    try {
        (kind ? kLogSettings : kYmaxSettings)[index(group)].write(m_ini, value);
        m_settingsFailed = false;
    } catch (const text::FileError& e) {
        // A slider sends a change for every step: one report per failure, not per step.
        if (!m_settingsFailed) {
            m_settingsFailed = true;
            m_host.beep();
            m_host.message(text::fromUtf8(e.what()));
        }
    }
}

// --- handlers ------------------------------------------------------------------------------

void ChartModel::CheckListBoxClickCheck(ChartList list, int itemIndex, bool checked)
{
    CheckListState* l = m_selections.checkList(list);
    if (!l || itemIndex < 0 || itemIndex >= l->count())
        return;
    l->checked[static_cast<std::size_t>(itemIndex)] = checked;
    notifySelections();
    redraw(list);
}

void ChartModel::SelectAllClick(ChartList list)
{
    CheckListState* l = m_selections.checkList(list);
    if (!l)
        return;
    l->checkAll(true);
    notifySelections();
    redraw(list);
}

void ChartModel::ClearAllClick(ChartList list)
{
    CheckListState* l = m_selections.checkList(list);
    if (!l)
        return;
    l->checkAll(false);
    notifySelections();
    redraw(list);
}

void ChartModel::RadioGroup6Click(int itemIndex)
{
    RadioGroupState& g = m_selections.RadioGroup6;
    if (itemIndex < 0 || itemIndex >= static_cast<int>(g.items.size()))
        return;
    g.itemIndex = itemIndex;
    notifySelections();
    redraw(ChartList::RadioGroup6);
}

void ChartModel::RadioGroup9Click(int itemIndex)
{
    RadioGroupState& g = m_selections.RadioGroup9;
    if (itemIndex < 0 || itemIndex >= static_cast<int>(g.items.size()))
        return;
    g.itemIndex = itemIndex;
    notifySelections();
    redraw(ChartList::RadioGroup9);
}

void ChartModel::RadioGroup2Click(int itemIndex)
{
    if (itemIndex != 0 && itemIndex != 1)
        return;
    m_differenceMode = itemIndex;
    notifyControls();
    refillDifferenceChart();
}

void ChartModel::RadioGroup11Click(int itemIndex) { axisKindChanged(AxisGroup::Odds, itemIndex); }
void ChartModel::RadioGroup12Click(int itemIndex) { axisKindChanged(AxisGroup::Share, itemIndex); }
void ChartModel::RadioGroup1Click(int itemIndex) { axisKindChanged(AxisGroup::Difference, itemIndex); }
void ChartModel::TrackBar1Change(int position) { sliderChanged(AxisGroup::Odds, position); }
void ChartModel::TrackBar2Change(int position) { sliderChanged(AxisGroup::Share, position); }
void ChartModel::TrackBar3Change(int position) { sliderChanged(AxisGroup::Difference, position); }

// --- texts ---------------------------------------------------------------------------------

std::string ChartModel::maxYLabel(AxisGroup group) const { return std::to_string(slider(group).position); }

std::string ChartModel::pageCaption() { return text::sj("グラフ"); }
std::vector<std::string> ChartModel::pageCaptions() { return sjList({"オッズ", "得票率", "単複差"}); }
std::vector<std::string> ChartModel::oddsTabCaptions()
{
    return sjList({"単勝", "複勝(低)", "複勝(高)", "複勝高低比較", "枠連"});
}
std::vector<std::string> ChartModel::shareTabCaptions() { return oddsTabCaptions(); }
std::string ChartModel::axisKindCaption() { return text::sj("軸種類"); }
std::vector<std::string> ChartModel::axisKindItems() { return sjList({"通常軸", "対数軸"}); }
std::string ChartModel::maxCaption() { return text::sj("縦軸最大値調整"); }
std::string ChartModel::horseGroupCaption() { return text::sj("馬番"); }
std::string ChartModel::ticketGroupCaption() { return text::sj("馬券種"); }
std::vector<std::string> ChartModel::differenceModeItems() { return sjList({"得票率差", "人気差"}); }
std::string ChartModel::selectAllCaption() { return text::sj("全選択"); }
std::string ChartModel::clearAllCaption() { return text::sj("全クリア"); }
std::string ChartModel::timeAxisTitle() { return text::sj("時間"); }
std::string ChartModel::scaleLow(AxisGroup) { return "1"; }
std::string ChartModel::scaleHigh(AxisGroup group) { return group == AxisGroup::Odds ? "1000" : "100"; }

// --- notifications -------------------------------------------------------------------------

void ChartModel::notifyChart(ChartId id)
{
    if (m_observer)
        m_observer->chartChanged(id);
}
void ChartModel::notifyAxis(ChartId id)
{
    if (m_observer)
        m_observer->axisChanged(id);
}
void ChartModel::notifySelections()
{
    if (m_observer)
        m_observer->selectionsChanged();
}
void ChartModel::notifyControls()
{
    if (m_observer)
        m_observer->controlsChanged();
}

} // namespace tidemark::presentation
