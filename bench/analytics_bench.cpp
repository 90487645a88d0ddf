// Seasons of the store: the export of a simulated month (races, runners, win_place and
// payouts) into SQLite beside SQLite's own insert of exactly the same rows (made first,
// off the clock) in turns in the same run; the reading and row making alone with a sink
// that writes nothing; the peak memory of the export; the month exported again over
// itself; backtests of the month.
//
// The month is made once by the companion tool against the simulated service (import,
// then the odds of every race) in $TMPDIR/tidemark_bench_season and kept for later runs.

#include <benchmark/benchmark.h>

#include "peak_memory.h"

#include <chrono>
#include <ctime>
#include <deque>
#include <functional>
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
#include "analytics/sql_schema.h"
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

// The rows of one day as the export hands them to its sink, kept with their texts, so
// that SQLite alone can be given exactly the same rows.
class DayRows final : public analytics::TableSink {
public:
    void open(std::span<const analytics::SeasonTable>) override {}
    void beginDay() override
    {
        for (auto& t : values)
            t.clear();
        texts.clear();
    }
    void removeRaces(std::span<const std::string>) override {}
    void write(analytics::SeasonTable table, analytics::Row row) override
    {
        auto& out = values[static_cast<std::size_t>(table)];
        for (analytics::Value v : row) {
            if (v.kind == analytics::Value::Kind::Text)
                v.text = texts.emplace_back(v.text);
            out.push_back(v);
        }
    }
    void commitDay() override { onDay(); }
    void rollbackDay() noexcept override {}
    void finish(const analytics::ExportMeta&) override {}
    void abandon() noexcept override {}
    std::string describe() const override { return "memory"; }

    std::function<void()> onDay;
    std::array<std::vector<analytics::Value>, analytics::kSeasonTables.size()> values;
    std::deque<std::string> texts;
};

double cpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// SQLite's own insert of the export's rows: the same file settings, the same tables
// (the export's own CREATE TABLE), a transaction a day, prepared statements, the index
// of the race day built at the end; nothing read or made while the clock runs.
struct SqliteFloor {
    sqlite3* db = nullptr;
    std::array<sqlite3_stmt*, analytics::kSeasonTables.size()> insert{};

    explicit SqliteFloor(const fs::path& file)
    {
        sqlite3_open(file.string().c_str(), &db);
        sqlite3_exec(db, "PRAGMA page_size=65536; PRAGMA synchronous=NORMAL; PRAGMA cache_size=-32768; "
                         "PRAGMA journal_mode=WAL",
                     nullptr, nullptr, nullptr);
        for (analytics::SeasonTable t : analytics::defaultTables()) {
            const analytics::TableDef& def = analytics::tableDef(t);
            const std::string create = analytics::sql::createTable(
                def,
                [](analytics::ColumnType c) -> std::string_view {
                    switch (c) {
                    case analytics::ColumnType::Text:
                    case analytics::ColumnType::Date:
                    case analytics::ColumnType::Timestamp: return "TEXT";
                    case analytics::ColumnType::Integer:
                    case analytics::ColumnType::Flag: return "INTEGER";
                    case analytics::ColumnType::Real:
                    case analytics::ColumnType::Odds: return "REAL";
                    }
                    return "TEXT";
                },
                " WITHOUT ROWID");
            sqlite3_exec(db, create.c_str(), nullptr, nullptr, nullptr);
            const std::string sql = analytics::sql::insertRow(def);
            sqlite3_prepare_v2(db, sql.c_str(), -1, &insert[static_cast<std::size_t>(t)], nullptr);
        }
    }
    ~SqliteFloor() { close(); }

    // The index of the race day, then the file closed.
    void close()
    {
        if (!db)
            return;
        for (sqlite3_stmt*& s : insert) {
            sqlite3_finalize(s);
            s = nullptr;
        }
        sqlite3_exec(db, "CREATE INDEX races_day ON races (day)", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        db = nullptr;
    }

    void day(const DayRows& rows)
    {
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        for (analytics::SeasonTable t : analytics::defaultTables()) {
            sqlite3_stmt* s = insert[static_cast<std::size_t>(t)];
            const std::size_t columns = analytics::tableDef(t).columnCount();
            const auto& values = rows.values[static_cast<std::size_t>(t)];
            for (std::size_t at = 0; at < values.size(); at += columns) {
                for (std::size_t c = 0; c < columns; ++c) {
                    const analytics::Value& v = values[at + c];
                    const int i = static_cast<int>(c + 1);
                    switch (v.kind) {
                    case analytics::Value::Kind::Null: sqlite3_bind_null(s, i); break;
                    case analytics::Value::Kind::Integer: sqlite3_bind_int64(s, i, v.integer); break;
                    case analytics::Value::Kind::Real: sqlite3_bind_double(s, i, v.real); break;
                    case analytics::Value::Kind::Text:
                        sqlite3_bind_text(s, i, v.text.data(), static_cast<int>(v.text.size()), SQLITE_STATIC);
                        break;
                    }
                }
                sqlite3_step(s);
                sqlite3_reset(s);
            }
        }
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    }
};

// The export of the month into a new SQLite file beside SQLite's own insert of the same
// rows into a new file, in turns within each iteration, so both see the same load.
// Counters: the seconds of each (wall and CPU) and their ratios; the target is a ratio
// of at most 1.1.
void BM_SeasonExportBesideSqliteFloor(benchmark::State& state)
{
    const store::StoreLayout& layout = month();
    const fs::path exported = fs::temp_directory_path() / "tidemark_bench_export.sqlite";
    const fs::path floor = fs::temp_directory_path() / "tidemark_bench_floor.sqlite";
    auto removeAll = [](const fs::path& f) {
        for (const char* suffix : {"", "-wal", "-shm", ".lock"})
            fs::remove(f.string() + suffix);
    };
    double exportWall = 0, exportCpu = 0, floorWall = 0, floorCpu = 0;
    std::int64_t rows = 0;
    for (auto _ : state) {
        // SQLite alone: each day's rows made first, off the clock, then inserted.
        removeAll(floor);
        {
            SqliteFloor sqlite(floor);
            DayRows day;
            day.onDay = [&] {
                const auto wall = std::chrono::steady_clock::now();
                const double cpu = cpuSeconds();
                sqlite.day(day);
                floorWall += std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
                floorCpu += cpuSeconds() - cpu;
            };
            analytics::exportSeason(layout, day, monthOptions());
            const auto wall = std::chrono::steady_clock::now();
            const double cpu = cpuSeconds();
            sqlite.close();
            floorWall += std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
            floorCpu += cpuSeconds() - cpu;
        }

        // The export: reading, rows and the sink, all on the clock.
        removeAll(exported);
        const auto wall = std::chrono::steady_clock::now();
        const double cpu = cpuSeconds();
        auto sink = analytics::openSqliteSink(exported);
        const analytics::SeasonExportResult r = analytics::exportSeason(layout, *sink, monthOptions());
        sink.reset();
        exportWall += std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
        exportCpu += cpuSeconds() - cpu;
        rows = 0;
        for (std::int64_t n : r.rows)
            rows += n;
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count());
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["export_s"] = exportWall / n;
    state.counters["floor_s"] = floorWall / n;
    state.counters["export_cpu_s"] = exportCpu / n;
    state.counters["floor_cpu_s"] = floorCpu / n;
    state.counters["ratio"] = exportWall / floorWall;
    state.counters["ratio_cpu"] = exportCpu / floorCpu;
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["file_MB"] = static_cast<double>(fs::file_size(exported)) / 1e6;
    removeAll(exported);
    removeAll(floor);
}
BENCHMARK(BM_SeasonExportBesideSqliteFloor)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

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
