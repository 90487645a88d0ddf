// The engine side of the main window on a realistic store: the date list of ten years
// of days, a day of 96 races, a click on a race of 18 runners with 150 + 150 and
// 600 + 600 snapshots in the window's model (and the floor of that: reading both odds
// files and formatting every cell of the time-series grids once), a moment selection,
// the specific-time CSV export of a day and the fill of a 300 x 155 grid;
// the cell styles of a full quinella time series; a click sort of a three-point grid.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "analysis/selected_moment.h"
#include "analysis/selected_snapshot.h"
#include "analysis/snapshot_series.h"
#include "host/silent_host.h"
#include "presentation/cell_rendering.h"
#include "presentation/grid_sorting.h"
#include "presentation/main_panel_model.h"
#include "presentation/main_window_model.h"
#include "service/null_nv_link.h"
#include "presentation/selected_moment_grids.h"
#include "presentation/text_grid.h"
#include "presentation/three_point_grids.h"
#include "records/odds_field.h"
#include "records/record_view.h"
#include "results/specific_time_export.h"
#include "store/store_layout.h"
#include "text/number_format.h"
#include "presentation/time_series_grids.h"
#include "records/pair_index.h"
#include "records/record_builder.h"
#include "text/cp932.h"
#include "text/file_io.h"

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
std::vector<std::string> o1Series(int snapshots = kSnapshots, int race = 1, std::string_view track = "44")
{
    std::vector<std::string> lines;
    for (int i = 0; i < snapshots; ++i) {
        records::O1Builder b;
        b.creationDate("20240115").date(2024, 1, 15).track(track).meeting(11).day(2).race(race);
        b.announcement(1, 15, 8 + i / 60, i % 60).winSale('7').placeSale('7').bracketSale('7');
        for (int h = 1; h <= kRunners; ++h)
            b.win(h, 1.5 + h + (i % 7) * 0.3, 0).place(h, 1.1 + h * 0.2, 1.5 + h * 0.3, 0);
        for (int k = 1; k <= 36; ++k)
            b.bracketQuinella(k, 3.0 + k + (i % 5), k);
        b.winVotes(1000000 + i).placeVotes(500000).bracketVotes(300000);
        lines.push_back(b.line());
    }
    return lines;
}

std::vector<std::string> o2Series(int snapshots = kSnapshots, int race = 1, std::string_view track = "44")
{
    std::vector<std::string> lines;
    for (int i = 0; i < snapshots; ++i) {
        records::O2Builder b;
        b.creationDate("20240115").date(2024, 1, 15).track(track).meeting(11).day(2).race(race);
        b.announcement(1, 15, 8 + i / 60, i % 60).quinellaSale('7');
        for (int k = 1; k <= 153; ++k)
            b.quinella(k, 2.0 + k * 0.7 + (i % 3), k);
        lines.push_back(b.line());
    }
    return lines;
}

struct QuietHost : SilentHost {
    QuietHost() { clock = text::DateTime{}; }
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

// --- a realistic store -------------------------------------------------------------

namespace fs = std::filesystem;

constexpr const char* kTracks[] = {"30", "35", "36", "42", "43", "44", "45", "46"};

// Plain writes: the benchmarks measure reading, not how the store was filled.
void put(const fs::path& file, const std::string& bytes)
{
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
}

fs::path freshFolder(const char* name)
{
    const fs::path folder = fs::temp_directory_path() / name;
    fs::remove_all(folder);
    fs::create_directories(folder / "Data");
    return folder;
}

std::string dateText(int y, int m, int d)
{
    return text::formatZeroPad(y, 4) + text::formatZeroPad(m, 2) + text::formatZeroPad(d, 2);
}

// The day files of `tracks` tracks of 12 races each, `runners` runners a race, payouts.
void writeDay(const store::StoreLayout& layout, int y, int m, int d, int tracks, int runners)
{
    const std::string label = *store::dayLabelOfDate(dateText(y, m, d));
    std::vector<std::string> ra;
    std::vector<std::string> hr;
    for (int t = 0; t < tracks; ++t) {
        std::vector<std::string> se(216, std::string(records::kSeLineLength, ' '));
        for (int race = 1; race <= 12; ++race) {
            records::RaBuilder card;
            card.date(y, m, d).track(kTracks[t]).meeting(11).day(2).race(race).runners(runners);
            card.startTime(text::formatZeroPad(10 + race, 2) + "00");
            ra.push_back(card.line());
            for (int h = 1; h <= runners; ++h) {
                records::SeBuilder b;
                b.date(y, m, d).track(kTracks[t]).meeting(11).day(2).race(race).horse(h);
                b.bracket(records::BracketOfHorse(runners, h));
                se[static_cast<std::size_t>((race - 1) * 18 + h - 1)] = b.line();
            }
            records::HrBuilder pay;
            pay.date(y, m, d).track(kTracks[t]).meeting(11).day(2).race(race).win(1, 3, 450, 2);
            hr.push_back(pay.line());
        }
        put(layout.seFile(label, kTracks[t]), crlf(se));
    }
    put(layout.raFile(label), crlf(ra));
    put(layout.hrFile(label), crlf(hr));
}

// Every grid, list and label of a race opening that the engine has: the three-point
// analysis with its per-horse rows and the moment analysis of the newest snapshot.
struct OpeningSteps : Steps {
    void threePointAnalysis() override { runThreePointAnalysis(*panel); }
    void perHorseRows() override { writePerHorseRows(*panel, grids); }
};

void BM_BuildDateList(benchmark::State& state)
{
    const fs::path folder = freshFolder("tidemark_bench_dates");
    // Ten years of days, one race card each.
    constexpr int files = 3650;
    const text::DateTime first{2015, 1, 1};
    for (int i = 0; i < files; ++i) {
        const text::DateTime t = first.addDays(i);
        records::RaBuilder card;
        card.date(t.year, t.month, t.day).track("44").meeting(1).day(1).race(1).runners(12);
        put(folder / "Data" / (*store::dayLabelOfDate(dateText(t.year, t.month, t.day)) + ".nvRA"), crlf({card.line()}));
    }
    QuietHost host;
    IniFile ini(folder / "Tidemark2NV.ini");
    MainPanelModel panel(host, folder, ini);
    for (auto _ : state) {
        panel.buildDateList();
        benchmark::DoNotOptimize(panel.DateCombo().count());
    }
    if (panel.DateCombo().count() != files)
        state.SkipWithError("not every day listed");
    state.counters["days"] = files;
    fs::remove_all(folder);
}
BENCHMARK(BM_BuildDateList)->Unit(benchmark::kMillisecond);

void BM_LoadDay96Races(benchmark::State& state)
{
    const fs::path folder = freshFolder("tidemark_bench_day");
    writeDay(store::StoreLayout(folder), 2024, 1, 15, 8, 16);
    QuietHost host;
    IniFile ini(folder / "Tidemark2NV.ini");
    MainPanelModel panel(host, folder, ini);
    OpeningSteps steps;
    steps.panel = &panel;
    layOutAllGrids(steps.grids);
    panel.setSteps(&steps);
    panel.buildDateList();
    panel.DateComboChange(0);
    for (auto _ : state)
        panel.loadDay();
    if (panel.DatList().count() != 96)
        state.SkipWithError("the day does not list 96 races");
    fs::remove_all(folder);
}
BENCHMARK(BM_LoadDay96Races)->Unit(benchmark::kMillisecond);

// A day of one track whose races 1 and 2 have `snapshots` + `snapshots` odds announcements.
fs::path raceFolder(const char* name, int snapshots)
{
    const fs::path folder = freshFolder(name);
    const store::StoreLayout layout(folder);
    writeDay(layout, 2024, 1, 15, 1, kRunners);
    for (int race : {1, 2}) {
        const std::string key(text::bytesAt(o1Series(1, race, kTracks[0]).front(), 12, 16));
        put(layout.oddsFile(store::StoreKind::O1, key), crlf(o1Series(snapshots, race, kTracks[0])));
        put(layout.oddsFile(store::StoreKind::O2, key), crlf(o2Series(snapshots, race, kTracks[0])));
    }
    return folder;
}

// A click on a race in the race list of the main window's model: everything the window
// fills (race card, three-point analysis, per-horse rows, the moment of the newest
// snapshot, the twelve time-series grids, the ratio tables, the charts and their
// selections, the results labels). The clicks alternate between races 1 and 2, so every
// click opens a race other than the one shown.
void BM_OpenRace(benchmark::State& state)
{
    const int snapshots = static_cast<int>(state.range(0));
    const fs::path folder = raceFolder("tidemark_bench_open", snapshots);
    QuietHost host;
    NullNvLink link;
    MainWindowModel model(host, link, folder);
    model.create();
    model.MakeDataListBtnClick();
    model.panel().DateComboChange(0);
    if (model.panel().TimeCombo().count() != snapshots ||
        model.grids()[GridId::StringGrid7].rowCount() != snapshots + 1) {
        state.SkipWithError("the race did not open");
        return;
    }
    int race = 0;
    for (auto _ : state) {
        race = 1 - race;
        model.panel().DatListClick(race);
    }
    fs::remove_all(folder);
}
BENCHMARK(BM_OpenRace)->Arg(150)->Arg(600)->Unit(benchmark::kMillisecond);

// The engine's own opening steps without the time-series step and the charts, as the
// benchmark measured them before (for comparison).
void BM_OpenRaceWithoutSeries(benchmark::State& state)
{
    const int snapshots = static_cast<int>(state.range(0));
    const fs::path folder = raceFolder("tidemark_bench_open_part", snapshots);
    QuietHost host;
    IniFile ini(folder / "Tidemark2NV.ini");
    MainPanelModel panel(host, folder, ini);
    OpeningSteps steps;
    steps.panel = &panel;
    layOutAllGrids(steps.grids);
    panel.setSteps(&steps);
    panel.buildDateList();
    panel.DateComboChange(0);
    if (panel.TimeCombo().count() != snapshots) {
        state.SkipWithError("the race did not open");
        return;
    }
    for (auto _ : state)
        panel.openRace();
    fs::remove_all(folder);
}
BENCHMARK(BM_OpenRaceWithoutSeries)->Arg(150)->Arg(600)->Unit(benchmark::kMillisecond);

// The floor of a race opening: both odds files read and every cell of the twelve
// time-series grids formatted once with the general formatters into preallocated
// strings: per O1 snapshot the time, the three vote totals, win odds, share and
// popularity, place low and high odds and shares, place popularity, bracket quinella
// odds, share and popularity; per O2 snapshot the time, the vote total and quinella
// odds, share and popularity (256 + 461 texts).
void BM_OpenRaceFloor(benchmark::State& state)
{
    const int snapshots = static_cast<int>(state.range(0));
    const fs::path folder = raceFolder("tidemark_bench_floor", snapshots);
    const store::StoreLayout layout(folder);
    const std::string key(text::bytesAt(o1Series(1, 1, kTracks[0]).front(), 12, 16));
    const fs::path o1File = layout.oddsFile(store::StoreKind::O1, key);
    const fs::path o2File = layout.oddsFile(store::StoreKind::O2, key);
    constexpr std::size_t kCellsPerSnapshot = 4 + 3 * kRunners + 4 * kRunners + kRunners + 3 * 36 + 2 + 3 * 153;
    std::vector<std::string> cells(static_cast<std::size_t>(snapshots) * kCellsPerSnapshot, std::string(12, ' '));
    std::size_t i = 0;
    auto odds = [&](const records::OddsField& f, int width) { cells[i++] = text::formatFixed(f.value(), width, 1); };
    auto share = [&](const records::OddsField& f, double numerator, int width) {
        cells[i++] = text::formatFixed(f.value() > 0 ? numerator / f.value() : 0.0, width, 1);
    };
    auto order = [&](const records::RecordView& v, std::size_t pos, std::size_t len) {
        cells[i++] = text::formatInt(v.number(pos, len), static_cast<int>(len));
    };
    for (auto _ : state) {
        const std::string o1 = text::readFile(o1File);
        const std::string o2 = text::readFile(o2File);
        i = 0;
        for (std::size_t at = 0; at + records::kO1LineLength <= o1.size(); at += records::kO1LineLength + 2) {
            const std::string_view line = std::string_view(o1).substr(at, records::kO1LineLength);
            const records::O1View v(line);
            cells[i++] = analysis::hourMinuteText(line);
            cells[i++] = text::formatGrouped(static_cast<double>(v.winVotes()), 11, 0);
            cells[i++] = text::formatGrouped(static_cast<double>(v.placeVotes()), 11, 0);
            cells[i++] = text::formatGrouped(static_cast<double>(v.bracketVotes()), 11, 0);
            for (int h = 1; h <= kRunners; ++h) {
                odds(v.win(h), 5);
                share(v.win(h), 80.0, 5);
                order(v, records::winPopularityPos(h), 2);
                odds(v.placeLow(h), 4);
                odds(v.placeHigh(h), 4);
                share(v.placeLow(h), 26.6, 4);
                share(v.placeHigh(h), 26.6, 4);
                order(v, records::placePopularityPos(h), 2);
            }
            for (int k = 1; k <= 36; ++k) {
                odds(v.bracketQuinella(k), 5);
                share(v.bracketQuinella(k), 75.0, 5);
                order(v, records::bracketPopularityPos(k), 2);
            }
        }
        for (std::size_t at = 0; at + records::kO2LineLength <= o2.size(); at += records::kO2LineLength + 2) {
            const std::string_view line = std::string_view(o2).substr(at, records::kO2LineLength);
            const records::O2View v(line);
            cells[i++] = analysis::hourMinuteText(line);
            cells[i++] = text::formatGrouped(static_cast<double>(v.quinellaVotes()), 11, 0);
            for (int k = 1; k <= 153; ++k) {
                odds(v.quinella(k), 6);
                share(v.quinella(k), 75.0, 6);
                order(v, records::quinellaPopularityPos(k), 3);
            }
        }
        benchmark::DoNotOptimize(cells[i - 1]);
    }
    if (i != cells.size())
        state.SkipWithError("not every cell formatted");
    fs::remove_all(folder);
}
BENCHMARK(BM_OpenRaceFloor)->Arg(150)->Arg(600)->Unit(benchmark::kMillisecond);

void BM_SpecificTimeExport(benchmark::State& state)
{
    const fs::path folder = freshFolder("tidemark_bench_export");
    const store::StoreLayout layout(folder);
    layout.createFolders();
    writeDay(layout, 2024, 1, 15, 8, kRunners);
    results::ExportDay day;
    for (int t = 0; t < 8; ++t)
        for (int race = 1; race <= 12; ++race) {
            const auto o1 = o1Series(300, race, kTracks[t]);
            const std::string key(text::bytesAt(o1.front(), 12, 16));
            put(layout.oddsFile(store::StoreKind::O1, key), crlf(o1));
            put(layout.oddsFile(store::StoreKind::O2, key), crlf(o2Series(300, race, kTracks[t])));
            records::RaBuilder card;
            card.date(2024, 1, 15).track(kTracks[t]).meeting(11).day(2).race(race).runners(kRunners);
            card.startTime(text::formatZeroPad(10 + race, 2) + "00");
            day.slotRaceCards.push_back(card.line());
        }
    day.listedRaces = day.slotRaceCards.size();
    results::ExportChoice choice;
    choice.moment.hour = 11;
    choice.moment.minute = 30;
    QuietHost host;
    results::ExportResult result;
    for (auto _ : state)
        result = results::runSpecificTimeExport(layout, day, choice, host);
    if (!result.succeeded() || result.dataLines[0] != 96)
        state.SkipWithError("the export did not write 96 races");
    fs::remove_all(folder);
}
BENCHMARK(BM_SpecificTimeExport)->Unit(benchmark::kMillisecond);

void BM_GridFill300x155(benchmark::State& state)
{
    constexpr int kRows = 300;
    constexpr int kCols = 155;
    std::vector<std::string> texts;
    texts.reserve(kRows * kCols);
    for (int i = 0; i < kRows * kCols; ++i)
        texts.push_back(text::formatFixed(1.0 + (i % 997) * 0.1, 6, 1));
    TextGrid grid(kRows, kCols);
    for (auto _ : state) {
        TextGrid::Batch batch(grid);
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kCols; ++c)
                grid.setCell(r, c, texts[static_cast<std::size_t>(r * kCols + c)]);
    }
    benchmark::DoNotOptimize(grid.cell(kRows - 1, kCols - 1));
}
BENCHMARK(BM_GridFill300x155)->Unit(benchmark::kMillisecond);

} // namespace
