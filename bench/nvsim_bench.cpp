// How long the simulated service takes to serve what the program asks of it at once:
// the whole odds series of every race of a day (the batch odds import of one day),
// and a stored-data import of a month.

#include <benchmark/benchmark.h>

#include "nvsim/sim_nv_link.h"

namespace {

using tidemark::nvsim::SimConfig;
using tidemark::nvsim::SimNvLink;
using tidemark::text::DateTime;

DateTime moment(int y, int mo, int d, int h)
{
    DateTime t;
    t.year = y;
    t.month = mo;
    t.day = d;
    t.hour = h;
    t.minute = t.second = 0;
    return t;
}

SimConfig config()
{
    SimConfig c;
    c.seed = 7;
    c.firstDay = moment(2024, 5, 1, 0);
    c.downloadSpeed = 0;
    return c;
}

std::size_t drain(SimNvLink& link)
{
    std::size_t bytes = 0;
    std::string rec;
    std::string file;
    for (int n; (n = link.NVRead(rec, 110000, file)) != 0;) {
        if (n > 0) {
            bytes += rec.size();
        } else if (n < -3) {
            break;
        }
    }
    return bytes;
}

void BM_DayOfOdds(benchmark::State& state)
{
    const DateTime now = moment(2024, 6, 12, 23);
    SimNvLink link(config(), [now] { return now; });
    link.NVInit("UNKNOWN");
    const auto races = link.world().racesOn(moment(2024, 6, 12, 0));
    std::size_t bytes = 0;
    for (auto _ : state) {
        for (const auto* race : races) {
            for (const char* dataSpec : {"0B41", "0B42"}) {
                link.NVRTOpen(dataSpec, race->key());
                bytes += drain(link);
                link.NVClose();
            }
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    state.counters["races"] = static_cast<double>(races.size());
}
BENCHMARK(BM_DayOfOdds)->Unit(benchmark::kMillisecond);

void BM_MonthOfStoredData(benchmark::State& state)
{
    const DateTime now = moment(2024, 6, 30, 23);
    for (auto _ : state) {
        SimNvLink link(config(), [now] { return now; }); // a fresh world: nothing generated yet
        link.NVInit("UNKNOWN");
        int reads = 0;
        int downloads = 0;
        std::string stamp;
        link.NVOpen("RACE", "20240601000000", 1, reads, downloads, stamp);
        benchmark::DoNotOptimize(drain(link));
        link.NVClose();
    }
}
BENCHMARK(BM_MonthOfStoredData)->Unit(benchmark::kMillisecond);

} // namespace
