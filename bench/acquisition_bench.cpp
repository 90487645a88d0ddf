// The write path of the imports against the simulated service at full speed: a day of
// race cards, runners and payouts stored record by record and in one batch, the
// stored-data import of a 30-day world (and, for comparison, the same records stored
// one by one), and the batch odds import of a day of 36 races.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/batch_odds_import.h"
#include "acquisition/nv_channel.h"
#include "acquisition/stored_data_import.h"
#include "host/silent_host.h"
#include "nvsim/sim_nv_link.h"
#include "records/record_builder.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"
#include "store/record_store.h"
#include "store/store_layout.h"
#include "text/cp932.h"

using namespace tidemark;
namespace fs = std::filesystem;

namespace {

// Answers every box, runs the status timer on demand.
struct QuietHost : SilentHost {
    QuietHost() { clock = text::DateTime{2024, 6, 1, 12, 0, 0}; }
};

// Counts the records the service hands out.
class CountingLink : public NvLink {
public:
    explicit CountingLink(NvLink& inner) : m_inner(inner) {}
    long records = 0;
    int NVInit(std::string_view id) override { return m_inner.NVInit(id); }
    int NVSetUIProperties() override { return m_inner.NVSetUIProperties(); }
    int NVOpen(std::string_view s, std::string_view f, int o, int& rc, int& dc, std::string& st) override
    {
        return m_inner.NVOpen(s, f, o, rc, dc, st);
    }
    int NVStatus() override { return m_inner.NVStatus(); }
    int NVGets(std::string& b, int size, std::string& f) override
    {
        const int n = m_inner.NVGets(b, size, f);
        records += n > 0 ? 1 : 0;
        return n;
    }
    int NVRead(std::string& r, int size, std::string& f) override { return m_inner.NVRead(r, size, f); }
    int NVRTOpen(std::string_view s, std::string_view k) override { return m_inner.NVRTOpen(s, k); }
    int NVClose() override { return m_inner.NVClose(); }
    void NVCancel() override { m_inner.NVCancel(); }

private:
    NvLink& m_inner;
};

fs::path freshFolder(const char* name)
{
    const fs::path folder = fs::temp_directory_path() / name;
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

// A day of 36 races (three tracks of 12), 12 runners each, with payouts: 540 records.
std::vector<std::string> dayRecords()
{
    std::vector<std::string> out;
    for (const char* track : {"42", "44", "45"}) {
        for (int race = 1; race <= 12; ++race) {
            records::RaBuilder ra;
            ra.date(2024, 1, 15).track(track).meeting(1).day(1).race(race).runners(12).startTime("1500");
            out.push_back(ra.build());
            for (int h = 1; h <= 12; ++h) {
                records::SeBuilder se;
                se.date(2024, 1, 15).track(track).meeting(1).day(1).race(race).horse(h);
                out.push_back(se.build());
            }
            records::HrBuilder hr;
            hr.date(2024, 1, 15).track(track).meeting(1).day(1).race(race).win(1, 3, 450, 2);
            out.push_back(hr.build());
        }
    }
    return out;
}

void storeAll(store::RecordStore& s, const std::vector<std::string>& recs)
{
    for (const std::string& r : recs) {
        switch (r[1]) {
        case 'A': s.storeRa(r, store::Origin::Import); break;
        case 'E': s.storeSe(r, store::Origin::Import); break;
        case 'R': s.storeHr(r, store::Origin::Import); break;
        default: break;
        }
    }
}

void BM_StoreDaySingleWrites(benchmark::State& state)
{
    const auto recs = dayRecords();
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path folder = freshFolder("tidemark_bench_store_single");
        store::RecordStore s{store::StoreLayout(folder)};
        state.ResumeTiming();
        storeAll(s, recs);
    }
    state.counters["records_per_s"] =
        benchmark::Counter(static_cast<double>(recs.size()), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_StoreDaySingleWrites)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_StoreDayBatch(benchmark::State& state)
{
    const auto recs = dayRecords();
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path folder = freshFolder("tidemark_bench_store_batch");
        store::RecordStore s{store::StoreLayout(folder)};
        state.ResumeTiming();
        store::StoreBatch batch(s);
        storeAll(s, recs);
        batch.commit();
    }
    state.counters["records_per_s"] =
        benchmark::Counter(static_cast<double>(recs.size()), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_StoreDayBatch)->Unit(benchmark::kMillisecond)->UseRealTime();

nvsim::SimConfig worldConfig(int days)
{
    nvsim::SimConfig c;
    c.seed = 7;
    c.firstDay = text::DateTime{2024, 5, 1};
    c.lastDay = text::DateTime{2024, 5, days};
    c.downloadSpeed = 0;
    return c;
}

// Runs one stored-data import from 2024/05/01 into a fresh program folder.
long runImport(nvsim::SimNvLink& sim, QuietHost& host, const fs::path& folder)
{
    CountingLink counting(sim);
    acquisition::NvChannel channel(counting);
    store::RecordStore s{store::StoreLayout(folder)};
    s.layout().createFolders();
    IniFile ini(folder / "Tidemark2NV.ini");
    settings::writeLastTime(ini, "2024/05/01 00:00:00");
    acquisition::StoredDataImport import(channel, host, s, ini);
    import.open();
    import.start();
    while (import.phase() == acquisition::StoredDataImport::Phase::Downloading)
        host.fire(TimerId::TimerNVStatus);
    return counting.records;
}

void BM_StoredDataImport30Days(benchmark::State& state)
{
    QuietHost host;
    nvsim::SimNvLink sim(worldConfig(30), [&host] { return host.clock; });
    sim.NVInit("UNKNOWN");
    runImport(sim, host, freshFolder("tidemark_bench_import")); // the world is generated once
    long records = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path folder = freshFolder("tidemark_bench_import");
        state.ResumeTiming();
        records = runImport(sim, host, folder);
    }
    if (!host.lastMessage.empty())
        state.SkipWithError("the import failed");
    state.counters["records"] = static_cast<double>(records);
    state.counters["records_per_s"] =
        benchmark::Counter(static_cast<double>(records), benchmark::Counter::kIsIterationInvariantRate);
    fs::remove_all(fs::temp_directory_path() / "tidemark_bench_import");
}
BENCHMARK(BM_StoredDataImport30Days)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same transfer with every record stored on its own (the write path before the
// batches), over 2 days to keep the run short.
void BM_StoredDataSingleWrites1Day(benchmark::State& state)
{
    QuietHost host;
    nvsim::SimNvLink sim(worldConfig(1), [&host] { return host.clock; });
    sim.NVInit("UNKNOWN");
    long records = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path folder = freshFolder("tidemark_bench_single");
        store::RecordStore s{store::StoreLayout(folder)};
        int rc = 0;
        int dc = 0;
        std::string stamp;
        sim.NVOpen("RACE", "20240501000000", 1, rc, dc, stamp);
        std::vector<std::string> recs;
        std::string buffer;
        std::string file;
        for (int n; (n = sim.NVGets(buffer, 110000, file)) != 0 && n > -3;) {
            if (n > 0)
                recs.push_back(buffer.substr(0, static_cast<std::size_t>(n)));
            buffer.clear();
        }
        sim.NVClose();
        records = static_cast<long>(recs.size());
        state.ResumeTiming();
        storeAll(s, recs);
    }
    state.counters["records"] = static_cast<double>(records);
    state.counters["records_per_s"] =
        benchmark::Counter(static_cast<double>(records), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_StoredDataSingleWrites1Day)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_BatchOddsImportDay(benchmark::State& state)
{
    QuietHost host;
    nvsim::SimNvLink sim(worldConfig(30), [&host] { return host.clock; });
    sim.NVInit("UNKNOWN");
    // The day of the world whose race count is nearest to 36 (three tracks of 12).
    text::DateTime day{2024, 5, 1};
    std::size_t most = 0;
    for (int d = 1; d <= 29; ++d) {
        const text::DateTime t{2024, 5, d};
        const std::size_t n = sim.world().racesOn(t).size();
        auto off = [](std::size_t races) { return races > 36 ? races - 36 : 36 - races; };
        if (most == 0 || off(n) < off(most)) {
            most = n;
            day = t;
        }
    }
    host.clock = day;
    host.clock.hour = 23;
    const fs::path folder = freshFolder("tidemark_bench_odds");
    runImport(sim, host, folder);
    store::RecordStore s{store::StoreLayout(folder)};
    acquisition::NvChannel channel(sim);
    acquisition::BatchOddsImport batch(channel, host, s);
    batch.setDateList(s.layout().dayLabels());
    const std::string label = *store::dayLabelOfDate(text::formatDateTime("yyyymmdd", day));
    batch.showFor(label);
    if (batch.selectedLabel() != label) {
        state.SkipWithError("the day is not in the store");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(folder / "Data" / text::formatDateTime("yyyymmdd", day));
        state.ResumeTiming();
        batch.importDay();
    }
    state.counters["races"] = static_cast<double>(most);
    state.counters["races_tried"] = batch.racesTried();
    fs::remove_all(folder);
}
BENCHMARK(BM_BatchOddsImportDay)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
