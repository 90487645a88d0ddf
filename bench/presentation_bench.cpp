// A moment selection of a full race: 18 runners, 600 snapshots of the series; the cell
// styles of a full quinella time series; a click sort of a three-point grid.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "analysis/selected_moment.h"
#include "analysis/selected_snapshot.h"
#include "host/host.h"
#include "presentation/cell_rendering.h"
#include "presentation/grid_sorting.h"
#include "presentation/main_panel_model.h"
#include "presentation/selected_moment_grids.h"
#include "presentation/time_series_grids.h"
#include "records/pair_index.h"
#include "records/record_builder.h"
#include "text/file_io.h"
#include "text/number_format.h"

using namespace tidemark;
using namespace tidemark::presentation;

namespace {

constexpr int kRunners = 18;
constexpr int kSnapshots = 600;

std::string crlf(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& l : lines)
        out += l + "\r\n";
    return out;
}

// Snapshot i at 08:00 + i minutes; every horse, bracket pair and quinella pair priced.
std::vector<std::string> o1Series()
{
    std::vector<std::string> lines;
    for (int i = 0; i < kSnapshots; ++i) {
        records::O1Builder b;
        b.creationDate("20240115").date(2024, 1, 15).track("44").meeting(11).day(2).race(1);
        b.announcement(1, 15, 8 + i / 60, i % 60);
        for (int h = 1; h <= kRunners; ++h)
            b.win(h, 1.5 + h + (i % 7) * 0.3, 0).place(h, 1.1 + h * 0.2, 1.5 + h * 0.3, 0);
        for (int k = 1; k <= 36; ++k)
            b.bracketQuinella(k, 3.0 + k + (i % 5), k);
        b.winVotes(1000000 + i).placeVotes(500000).bracketVotes(300000);
        lines.push_back(b.line());
    }
    return lines;
}

std::vector<std::string> o2Series()
{
    std::vector<std::string> lines;
    for (int i = 0; i < kSnapshots; ++i) {
        records::O2Builder b;
        b.creationDate("20240115").date(2024, 1, 15).track("44").meeting(11).day(2).race(1);
        b.announcement(1, 15, 8 + i / 60, i % 60);
        for (int k = 1; k <= 153; ++k)
            b.quinella(k, 2.0 + k * 0.7 + (i % 3), k);
        lines.push_back(b.line());
    }
    return lines;
}

class QuietHost : public Host {
public:
    void information(std::string_view) override {}
    bool confirm(std::string_view) override { return true; }
    void message(std::string_view) override {}
    void beep() override {}
    void processEvents() override {}
    void setBusyCursor(bool) override {}
    void startTimer(TimerId, int, std::function<void()>) override {}
    void stopTimer(TimerId) override {}
    bool openWithDefault(const std::string&) override { return false; }
    void drawTransientText(int, int, std::string_view) override {}
    void setClipboardText(std::string_view) override {}
    text::DateTime now() const override { return text::DateTime{}; }
};

struct Steps : RaceViewSteps {
    MainPanelModel* panel = nullptr;
    GridSet grids;
    SelectedMomentView view;
    void momentSelectionStarting() override { beginMomentSelection(grids, view, panel->TimeCombo().text()); }
    void selectedMomentAnalysis(const analysis::SelectedSnapshot& s) override
    {
        runSelectedMoment(*panel, grids, view, s, SelectedMomentOptions{});
    }
};

// The analysis and the grid filling of one moment, the odds already in memory.
void BM_MomentAnalysisAndGrids(benchmark::State& state)
{
    const std::vector<std::string> o1 = o1Series();
    const std::vector<std::string> o2 = o2Series();
    analysis::RaceSlot slot;
    slot.record.runnerCount = kRunners;
    slot.o1Selected = o1.back() + "\r\n";
    slot.o2Selected = o2.back() + "\r\n";
    const int priced = analysis::parseSelectedOdds(slot);
    GridSet grids;
    layOutAllGrids(grids);
    SelectedMomentView view;
    MainPanelLabels labels;
    const std::string key(records::O1View(o1.back()).announcementTime());
    for (auto _ : state) {
        slot.record.resetSelectedMoment();
        analysis::parseSelectedOdds(slot);
        const analysis::MomentAnalysis m =
            analysis::analyseSelectedMoment(slot, priced, analysis::StdDevKind::Sample, o1, key);
        fillSelectedMoment(grids, view, labels, slot, m, "01/15 17:59", SelectedMomentOptions{});
        benchmark::DoNotOptimize(grids[GridId::StringGrid2].cell(1, 7));
    }
}
BENCHMARK(BM_MomentAnalysisAndGrids)->Unit(benchmark::kMillisecond);

// TimeComboClick of the main panel: the snapshot read from the race's odds files, the
// analysis and every grid, label and list of the moment.
void BM_TimeComboClick(benchmark::State& state)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "tidemark_moment_bench";
    std::filesystem::remove_all(folder);
    const std::filesystem::path data = folder / "Data";
    text::ensureDirectory(data / "20240115");
    records::RaBuilder ra;
    ra.date(2024, 1, 15).track("44").meeting(11).day(2).race(1).runners(kRunners).startTime("1800");
    text::writeFileAtomic(data / "2024年01月15日.nvRA", crlf({ra.line()}));
    std::vector<std::string> se(216, std::string(records::kSeLineLength, ' '));
    for (int h = 1; h <= kRunners; ++h) {
        records::SeBuilder b;
        b.date(2024, 1, 15).track("44").meeting(11).day(2).race(1).horse(h).bracket(records::BracketOfHorse(kRunners, h));
        se[static_cast<std::size_t>(h - 1)] = b.line();
    }
    text::writeFileAtomic(data / "2024年01月15日大井.nvSEr", crlf(se));
    text::writeFileAtomic(data / "20240115" / "44110201.nvO1", crlf(o1Series()));
    text::writeFileAtomic(data / "20240115" / "44110201.nvO2", crlf(o2Series()));

    QuietHost host;
    IniFile ini(folder / "Tidemark2NV.ini");
    MainPanelModel panel(host, folder, ini);
    Steps steps;
    steps.panel = &panel;
    layOutAllGrids(steps.grids);
    panel.setSteps(&steps);
    panel.buildDateList();
    panel.DateComboChange(0);
    if (panel.TimeCombo().count() != kSnapshots) {
        state.SkipWithError("the race did not open");
        return;
    }
    int i = 0;
    for (auto _ : state) {
        panel.TimeComboClick(i);
        i = (i + 97) % kSnapshots;
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_TimeComboClick)->Unit(benchmark::kMillisecond);

// The time-series step of a race opening: the twelve series grids, the win/place ratio
// search and its two tables, and the chart selections.
void BM_TimeSeriesTables(benchmark::State& state)
{
    analysis::SnapshotSeries series;
    series.o1Snapshots = o1Series();
    series.o2Snapshots = o2Series();
    GridSet grids;
    layOutAllGrids(grids);
    ChartSelections charts;
    for (auto _ : state) {
        emptyTimeSeriesGrids(grids);
        writeTimeSeriesHeaders(grids, kRunners);
        writeTimeSeriesTables(grids, series, kRunners);
        resetChartSelections(charts, kRunners);
        benchmark::DoNotOptimize(grids[GridId::StringGrid19].cell(kSnapshots, 154));
    }
}
BENCHMARK(BM_TimeSeriesTables)->Unit(benchmark::kMillisecond);

} // namespace

// --- cell styles and sorting ---------------------------------------------------------------

namespace {

// Every cell of the quinella time series (601 rows x 155 columns), as a full repaint
// after a race switch would ask for them.
void BM_StyleQuinellaSeries(benchmark::State& state)
{
    GridSet grids;
    layOutAllGrids(grids);
    TextGrid& g = grids[GridId::StringGrid7];
    g.setSize(kSnapshots + 1, 155);
    for (int r = 1; r <= kSnapshots; ++r)
        for (int c = 1; c < 155; ++c)
            g.setCell(r, c, text::formatFixed(1.0 + (r * c) % 500 / 10.0, 7, 1));
    RenderContext render;
    StyleContext context;
    context.render = &render;
    for (auto _ : state) {
        int red = 0;
        for (int r = 0; r <= kSnapshots; ++r)
            for (int c = 0; c < 155; ++c)
                red += styleFor(GridId::StringGrid7, g, r, c, context).textColour == colours::red;
        benchmark::DoNotOptimize(red);
    }
    state.SetItemsProcessed(state.iterations() * (kSnapshots + 1) * 155);
}
BENCHMARK(BM_StyleQuinellaSeries)->Unit(benchmark::kMillisecond);

// A click on a popularity column of a three-point grid of 18 horses.
void BM_SortThreePointGrid(benchmark::State& state)
{
    GridSet grids;
    layOutAllGrids(grids);
    TextGrid& g = grids[GridId::StringGrid26];
    g.setRowCount(kRunners + 1);
    for (int h = 1; h <= kRunners; ++h) {
        g.setCell(h, 1, text::formatInt(h, 2));
        g.setCell(h, 8, text::formatInt((h * 7) % kRunners + 1, 2));
    }
    GridSorting sorting(grids);
    for (auto _ : state)
        sorting.StringGrid26MouseDown(0, 8);
}
BENCHMARK(BM_SortThreePointGrid)->Unit(benchmark::kMicrosecond);

} // namespace
