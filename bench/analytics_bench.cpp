// Seasons of the store: the export of a simulated month (races, runners, win_place and
// payouts) into SQLite beside its floor, the same reading and row making with a sink
// that writes nothing, and beside SQLite's own floor, the same number of rows of the
// same shape inserted with nothing read; the peak memory of the export; the month
// exported again over itself; backtests of the month.
//
// The month is made once by the companion tool against the simulated service (import,
// then the odds of every race) in $TMPDIR/tidemark_bench_season and kept for later runs.

#include <benchmark/benchmark.h>

#include "peak_memory.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sqlite3.h>

#include "analytics/backtest.h"
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
            cli::Environment env{out, err, home, [] { return text::DateTime{2024, 2, 10, 12, 0, 0}; }, false, {}};
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

// The scaled run, only with TIDEMARK_BENCH_YEAR=1 (it makes a simulated year, about 5 GB
// of store, once, in $TMPDIR/tidemark_bench_year, and takes minutes): the year exported
// month by month into one growing SQLite file, as a season database is kept current,
// then the whole year in one export into a new file. Counters: the first and the last
// month's seconds (a growing file must not make later months slower), rows, races, the
// file's size and the peak memory.
void BM_SeasonExportYear(benchmark::State& state)
{
    const char* wanted = std::getenv("TIDEMARK_BENCH_YEAR");
    if (!wanted || std::string(wanted) != "1") {
        state.SkipWithError("set TIDEMARK_BENCH_YEAR=1 to make and export a simulated year");
        for (auto _ : state) {
        }
        return;
    }
    const fs::path home = fs::temp_directory_path() / "tidemark_bench_year";
    if (!fs::exists(home / "year.done")) {
        fs::remove_all(home);
        fs::create_directories(home);
        std::ofstream(home / "NVSim.ini", std::ios::binary)
            << "[NVSim]\r\nSeed=4242\r\nFirstDay=20240101\r\nLastDay=20241231\r\nDownloadSpeed=0\r\n";
        std::ostringstream out;
        std::ostringstream err;
        cli::Environment env{out, err, home, [] { return text::DateTime{2025, 1, 10, 12, 0, 0}; }, false, {}};
        if (cli::run({"import", "--since", "2024/01/01 00:00:00"}, env) != cli::ExitCode::Ok ||
            cli::run({"odds", "--year", "2024"}, env) != cli::ExitCode::Ok) {
            state.SkipWithError("the simulated year could not be made");
            return;
        }
        std::ofstream(home / "year.done") << "made\n";
    }
    const store::StoreLayout layout(home);
    const fs::path growing = fs::temp_directory_path() / "tidemark_bench_year_growing.sqlite";
    const fs::path whole = fs::temp_directory_path() / "tidemark_bench_year_whole.sqlite";
    double firstMonth = 0.0;
    double lastMonth = 0.0;
    std::int64_t rows = 0;
    std::int64_t races = 0;
    for (auto _ : state) {
        fs::remove(growing);
        for (int m = 1; m <= 12; ++m) {
            analytics::SeasonExportOptions o = monthOptions();
            char from[9];
            char to[9];
            std::snprintf(from, sizeof from, "2024%02d01", m);
            std::snprintf(to, sizeof to, "2024%02d31", m);
            o.fromYmd = from;
            o.toYmd = to;
            const auto start = std::chrono::steady_clock::now();
            auto sink = analytics::openSqliteSink(growing);
            const analytics::SeasonExportResult r = analytics::exportSeason(layout, *sink, o);
            sink.reset();
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (m == 1)
                firstMonth = seconds;
            lastMonth = seconds;
            races += r.races;
            for (std::int64_t n : r.rows)
                rows += n;
        }
        fs::remove(whole);
        analytics::SeasonExportOptions o = monthOptions();
        o.fromYmd = "20240101";
        o.toYmd = "20241231";
        auto sink = analytics::openSqliteSink(whole);
        analytics::exportSeason(layout, *sink, o);
    }
    state.counters["first_month_s"] = firstMonth;
    state.counters["last_month_s"] = lastMonth;
    state.counters["races"] = static_cast<double>(races);
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["growing_file_GB"] = static_cast<double>(fs::file_size(growing)) / 1e9;
    state.counters["whole_file_GB"] = static_cast<double>(fs::file_size(whole)) / 1e9;
    state.counters["store_GB"] = [&] {
        std::uintmax_t bytes = 0;
        for (const auto& e : fs::recursive_directory_iterator(layout.dataFolder()))
            if (e.is_regular_file())
                bytes += e.file_size();
        return static_cast<double>(bytes) / 1e9;
    }();
    state.counters["peak_MB"] = peakMegabytes();
    fs::remove(growing);
    fs::remove(whole);
}
BENCHMARK(BM_SeasonExportYear)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// SQLite alone: as many rows as the month's win_place, of its columns and sizes,
// inserted in daily transactions and indexed after, nothing read.
void BM_SqliteWriteFloor(benchmark::State& state)
{
    const fs::path file = fs::temp_directory_path() / "tidemark_bench_floor.sqlite";
    constexpr int kDays = 31;
    constexpr int kRaces = 28;
    constexpr int kSnapshots = 174;
    constexpr int kHorses = 11;
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(file);
        state.ResumeTiming();
        sqlite3* db = nullptr;
        sqlite3_open(file.string().c_str(), &db);
        sqlite3_exec(db, "PRAGMA page_size=65536; PRAGMA synchronous=NORMAL; PRAGMA cache_size=-32768;", nullptr,
                     nullptr, nullptr);
        sqlite3_exec(db,
                     "CREATE TABLE win_place (race_key TEXT, snapshot INTEGER, announced_at TEXT, minutes_to_post "
                     "INTEGER, horse INTEGER, win_odds REAL, win_popularity INTEGER, place_low REAL, place_high REAL, "
                     "place_popularity INTEGER, status TEXT, win_total INTEGER, place_total INTEGER, bracket_total "
                     "INTEGER)",
                     nullptr, nullptr, nullptr);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO win_place VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)", -1, &st, nullptr);
        char key[17];
        char at[17];
        for (int day = 1; day <= kDays; ++day) {
            sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
            for (int race = 1; race <= kRaces; ++race) {
                std::snprintf(key, sizeof key, "202401%02d44%02d01%02d", day, race, race % 12 + 1);
                for (int s = 1; s <= kSnapshots; ++s) {
                    std::snprintf(at, sizeof at, "2024-01-%02d %02d:%02d", day, 9 + s / 60, s % 60);
                    for (int h = 1; h <= kHorses; ++h) {
                        sqlite3_bind_text(st, 1, key, 16, SQLITE_STATIC);
                        sqlite3_bind_int64(st, 2, s);
                        sqlite3_bind_text(st, 3, at, 16, SQLITE_STATIC);
                        sqlite3_bind_int64(st, 4, 300 - s);
                        sqlite3_bind_int64(st, 5, h);
                        sqlite3_bind_double(st, 6, 1.0 + (h * 37 % 500) / 10.0);
                        sqlite3_bind_int64(st, 7, h);
                        sqlite3_bind_double(st, 8, 1.3);
                        sqlite3_bind_double(st, 9, 2.5);
                        sqlite3_bind_int64(st, 10, h);
                        sqlite3_bind_text(st, 11, "priced", 6, SQLITE_STATIC);
                        sqlite3_bind_int64(st, 12, 123456 + s);
                        sqlite3_bind_int64(st, 13, 45678 + s);
                        sqlite3_bind_int64(st, 14, 7890 + s);
                        sqlite3_step(st);
                        sqlite3_reset(st);
                    }
                }
            }
            sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        }
        sqlite3_finalize(st);
        sqlite3_exec(db, "CREATE INDEX win_place_race_key_announced_at ON win_place (race_key, announced_at)", nullptr,
                     nullptr, nullptr);
        sqlite3_close(db);
    }
    countRows(state, static_cast<std::int64_t>(kDays) * kRaces * kSnapshots * kHorses, kDays * kRaces);
    fs::remove(file);
}
BENCHMARK(BM_SqliteWriteFloor)->Unit(benchmark::kMillisecond)->UseRealTime();

// A backtest of the month, by rule: the baseline, the flags that read the moment, the
// one that searches the series, and the steam of the movers board.
void BM_BacktestMonth(benchmark::State& state, const char* rule)
{
    const store::StoreLayout& layout = month();
    analytics::BacktestOptions o;
    o.fromYmd = kFrom;
    o.toYmd = kTo;
    o.rule = *analytics::parseRule(rule);
    analytics::BacktestResult r;
    for (auto _ : state)
        r = analytics::runBacktest(layout, o);
    state.counters["races"] = static_cast<double>(r.racesExamined);
    state.counters["bets"] = static_cast<double>(r.total.bets);
}
BENCHMARK_CAPTURE(BM_BacktestMonth, favourite, "favourite")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_BacktestMonth, gap, "gap")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_BacktestMonth, bracket, "bracket")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_BacktestMonth, winplace, "winplace")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_BacktestMonth, steam, "steam:5:10")->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
