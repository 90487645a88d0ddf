// Seasons of the store: the export of a simulated month (races, runners, win_place and
// payouts) into SQLite beside its floor, the same reading and row making with a sink
// that writes nothing; the peak memory of the export; the month exported again over
// itself.
//
// The month is made once by the companion tool against the simulated service (import,
// then the odds of every race) in $TMPDIR/tidemark_bench_season and kept for later runs.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "analytics/season_export.h"
#include "analytics/table_sink.h"
#include "cli/cli_app.h"
#include "store/store_layout.h"

using namespace tidemark;
namespace fs = std::filesystem;

namespace {

constexpr const char* kFrom = "20240101";
constexpr const char* kTo = "20240131";

fs::path monthFolder() { return fs::temp_directory_path() / "tidemark_bench_season"; }

// The simulated month, made when missing (about half a minute).
const store::StoreLayout& month()
{
    static const store::StoreLayout layout = [] {
        const fs::path home = monthFolder();
        if (!fs::exists(home / "month.done")) {
            fs::remove_all(home);
            fs::create_directories(home);
            std::ofstream(home / "NVSim.ini", std::ios::binary)
                << "[NVSim]\r\nSeed=4242\r\nFirstDay=20240101\r\nLastDay=20240131\r\nDownloadSpeed=0\r\n";
            std::ostringstream out;
            std::ostringstream err;
            cli::Environment env{out, err, home, [] { return text::DateTime{2024, 2, 10, 12, 0, 0}; }, false};
            const bool ok = cli::run({"import", "--since", "2024/01/01 00:00:00"}, env) == cli::ExitCode::Ok &&
                            cli::run({"odds", "--month", "202401"}, env) == cli::ExitCode::Ok;
            if (ok)
                std::ofstream(home / "month.done") << "made\n";
        }
        return store::StoreLayout(home);
    }();
    return layout;
}

analytics::SeasonExportOptions monthOptions()
{
    analytics::SeasonExportOptions o;
    o.fromYmd = kFrom;
    o.toYmd = kTo;
    o.programVersion = "bench";
    o.exportedAt = "2024-02-10 12:00:00";
    return o;
}

double peakMegabytes()
{
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word)
        if (word == "VmHWM:") {
            double kb = 0;
            status >> kb;
            return kb / 1024.0;
        }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void countRows(benchmark::State& state, std::int64_t rows, std::int64_t races)
{
    state.counters["rows_per_s"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["races"] = static_cast<double>(races);
}

// Runs first, in a fresh process: the most memory the export of the month held.
void BM_SeasonExportPeakMemory(benchmark::State& state)
{
    const store::StoreLayout& layout = month();
    const fs::path file = fs::temp_directory_path() / "tidemark_bench_peak.sqlite";
    for (auto _ : state) {
        fs::remove(file);
        auto sink = analytics::openSqliteSink(file);
        analytics::exportSeason(layout, *sink, monthOptions());
    }
    fs::remove(file);
    state.counters["peak_MB"] = peakMegabytes();
}
BENCHMARK(BM_SeasonExportPeakMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

// The floor: the same days read, the same rows made, nothing written.
void BM_SeasonExportFloor(benchmark::State& state)
{
    const store::StoreLayout& layout = month();
    analytics::SeasonExportResult r;
    for (auto _ : state) {
        analytics::CountingSink sink;
        r = analytics::exportSeason(layout, sink, monthOptions());
        benchmark::DoNotOptimize(sink.checksum());
    }
    std::int64_t rows = 0;
    for (std::int64_t n : r.rows)
        rows += n;
    countRows(state, rows, r.races);
}
BENCHMARK(BM_SeasonExportFloor)->Unit(benchmark::kMillisecond)->UseRealTime();

// The month into a new SQLite file.
void BM_SeasonExportSqlite(benchmark::State& state)
{
    const store::StoreLayout& layout = month();
    const fs::path file = fs::temp_directory_path() / "tidemark_bench_month.sqlite";
    analytics::SeasonExportResult r;
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(file);
        state.ResumeTiming();
        auto sink = analytics::openSqliteSink(file);
        r = analytics::exportSeason(layout, *sink, monthOptions());
    }
    std::int64_t rows = 0;
    for (std::int64_t n : r.rows)
        rows += n;
    countRows(state, rows, r.races);
    state.counters["file_MB"] = static_cast<double>(fs::file_size(file)) / 1e6;
    fs::remove(file);
}
BENCHMARK(BM_SeasonExportSqlite)->Unit(benchmark::kMillisecond)->UseRealTime();

// The month exported again into a file that already holds it: every race replaced.
void BM_SeasonReexportSqlite(benchmark::State& state)
{
    const store::StoreLayout& layout = month();
    const fs::path file = fs::temp_directory_path() / "tidemark_bench_again.sqlite";
    fs::remove(file);
    {
        auto sink = analytics::openSqliteSink(file);
        analytics::exportSeason(layout, *sink, monthOptions());
    }
    for (auto _ : state) {
        auto sink = analytics::openSqliteSink(file);
        analytics::exportSeason(layout, *sink, monthOptions());
    }
    fs::remove(file);
}
BENCHMARK(BM_SeasonReexportSqlite)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
