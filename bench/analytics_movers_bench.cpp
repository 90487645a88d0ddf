// The movers board of a busy race day (a program of its own: it needs neither SQLite
// nor the companion tool, unlike analytics_bench): 40 races at four tracks, 18 runners each, 300
// win/place and 300 quinella announcements a race (one a minute from 09:00), the board of
// each pool (win, place, quinella) taken at 13:30 with a window of 10 minutes; and their
// floors, reading those 40 odds files and splitting them into lines, which every board
// has to do. Beside the board, the alerts of the same day: the three share rules over
// every announcement of every race (a watch started late, or the program restarted, at
// its first write of each race), and over one new announcement a race (a round of the
// watch).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "analysis/day_table.h"
#include "analysis/race_calendar.h"
#include "analysis/snapshot_series.h"
#include "analytics/alert_rules.h"
#include "analytics/movers_board.h"
#include "records/pair_index.h"
#include "records/record_builder.h"
#include "store/store_layout.h"
#include "text/cp932.h"
#include "text/file_io.h"
#include "text/number_format.h"

using namespace tidemark;

namespace {

constexpr int kTracks = 4;
constexpr int kRacesPerTrack = 10;
constexpr int kRunners = 18;
constexpr int kSnapshots = 300;
constexpr const char* kTrackCodes[kTracks] = {"42", "43", "44", "45"};
constexpr const char* kTrackNames[kTracks] = {"浦和", "船橋", "大井", "川崎"};

std::string crlf(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& l : lines)
        out += l + "\r\n";
    return out;
}

// A program folder with the day 2024-01-15, built once.
struct BusyDay {
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "tidemark_movers_bench";
    store::StoreLayout layout{folder};
    analysis::DayTable table;
    std::vector<analysis::RaceListEntry> races;
    std::vector<std::filesystem::path> o1Files;
    std::vector<std::filesystem::path> o2Files;

    BusyDay()
    {
        std::filesystem::remove_all(folder);
        text::ensureDirectory(layout.dataFolder());
        std::vector<std::string> cards;
        for (int t = 0; t < kTracks; ++t) {
            std::vector<std::string> runners(216, std::string(records::kSeLineLength, ' '));
            for (int r = 1; r <= kRacesPerTrack; ++r) {
                records::RaBuilder ra;
                ra.date(2024, 1, 15).track(kTrackCodes[t]).meeting(1).day(1).race(r).runners(kRunners);
                const int post = 14 * 60 + r * 25 + t * 5;
                ra.startTime(text::formatZeroPad(post / 60, 2) + text::formatZeroPad(post % 60, 2));
                cards.push_back(ra.line());
                for (int h = 1; h <= kRunners; ++h) {
                    records::SeBuilder se;
                    se.date(2024, 1, 15).track(kTrackCodes[t]).meeting(1).day(1).race(r).horse(h);
                    runners[static_cast<std::size_t>((r - 1) * 18 + h - 1)] = se.horseName(text::sj("ベンチホース")).line();
                }
                std::vector<std::string> series;
                std::vector<std::string> pairs;
                for (int i = 0; i < kSnapshots; ++i) {
                    records::O2Builder q;
                    q.dataKind('0').creationDate("20240115").date(2024, 1, 15).track(kTrackCodes[t]).meeting(1).day(1).race(r);
                    q.announcement(1, 15, 9 + i / 60, i % 60);
                    for (int k = 1; k <= records::kQuinellaPairCount; ++k)
                        q.quinella(k, 5.0 + k + ((i * k) % 13) * 0.3, k);
                    pairs.push_back(q.line());
                    records::O1Builder b;
                    b.dataKind('0').creationDate("20240115").date(2024, 1, 15).track(kTrackCodes[t]).meeting(1).day(1).race(r);
                    b.announcement(1, 15, 9 + i / 60, i % 60);
                    for (int h = 1; h <= kRunners; ++h)
                        b.win(h, 1.5 + h + ((i * h) % 11) * 0.4, h).place(h, 1.1 + h * 0.2, 1.5 + h * 0.3, h);
                    series.push_back(b.line());
                }
                const std::string key(text::bytesAt(cards.back(), 12, 16));
                const std::filesystem::path file = layout.oddsFile(store::StoreKind::O1, key);
                text::ensureDirectory(file.parent_path());
                text::writeFileAtomic(file, crlf(series));
                o1Files.push_back(file);
                const std::filesystem::path o2 = layout.oddsFile(store::StoreKind::O2, key);
                text::writeFileAtomic(o2, crlf(pairs));
                o2Files.push_back(o2);
            }
            text::writeFileAtomic(layout.dataFolder() / (std::string("2024年01月15日") + kTrackNames[t] + ".nvSEr"),
                                  crlf(runners));
        }
        std::sort(cards.begin(), cards.end());
        text::writeFileAtomic(layout.dataFolder() / "2024年01月15日.nvRA", crlf(cards));
        races = analysis::readDayFile(table, analysis::dayFiles(layout, text::sj("2024年01月15日"))).races;
    }
    ~BusyDay() { std::filesystem::remove_all(folder); }
};

BusyDay& day()
{
    static BusyDay d;
    return d;
}

// The board of one pool: every entry of every race counts, none is lost.
void boardOf(benchmark::State& state, analytics::MoversPool pool, std::size_t entriesPerRace)
{
    BusyDay& d = day();
    const analytics::MoversDay movers = analytics::moversDay(d.table, d.races, d.layout);
    analytics::MoversQuery q;
    q.pool = pool;
    q.atMinute = 13 * 60 + 30;
    q.windowMinutes = 10;
    std::size_t rows = 0;
    for (auto _ : state) {
        const analytics::MoversBoard board = analytics::buildMoversBoard(movers, q);
        rows = board.rows.size();
        benchmark::DoNotOptimize(board.rows.data());
    }
    state.counters["rows"] = static_cast<double>(rows);
    if (rows != static_cast<std::size_t>(kTracks * kRacesPerTrack) * entriesPerRace)
        state.SkipWithError("the board lost entries");
}

void BM_MoversBoard40x300(benchmark::State& state) { boardOf(state, analytics::MoversPool::Win, kRunners); }
BENCHMARK(BM_MoversBoard40x300)->Unit(benchmark::kMillisecond);
void BM_MoversBoardPlace40x300(benchmark::State& state) { boardOf(state, analytics::MoversPool::Place, kRunners); }
BENCHMARK(BM_MoversBoardPlace40x300)->Unit(benchmark::kMillisecond);
void BM_MoversBoardQuinella40x300(benchmark::State& state)
{
    boardOf(state, analytics::MoversPool::Quinella, records::kQuinellaPairCount);
}
BENCHMARK(BM_MoversBoardQuinella40x300)->Unit(benchmark::kMillisecond);

// What every board reads: the 40 odds files of its pool, split into lines.
void floorOf(benchmark::State& state, const std::vector<std::filesystem::path>& files)
{
    std::string bytes;
    std::vector<std::string_view> lines;
    for (auto _ : state) {
        std::size_t total = 0;
        for (const std::filesystem::path& f : files) {
            analysis::readOddsLineViews(f, bytes, lines);
            total += lines.size();
        }
        benchmark::DoNotOptimize(total);
    }
}
void BM_MoversBoardFloor40x300(benchmark::State& state) { floorOf(state, day().o1Files); }
BENCHMARK(BM_MoversBoardFloor40x300)->Unit(benchmark::kMillisecond);
void BM_MoversBoardQuinellaFloor40x300(benchmark::State& state) { floorOf(state, day().o2Files); }
BENCHMARK(BM_MoversBoardQuinellaFloor40x300)->Unit(benchmark::kMillisecond);

// The day's race cards and win/place series, race by race, as the alerts take them.
struct AlertDay {
    std::vector<std::string> cards;
    std::vector<std::vector<std::string>> series;
};

const AlertDay& alertDay()
{
    static const AlertDay a = [] {
        BusyDay& d = day();
        AlertDay out;
        std::string bytes;
        std::vector<std::string_view> lines;
        for (const analysis::RaceListEntry& e : d.races) {
            const std::string& ra = d.table.slots[static_cast<std::size_t>(e.slot)].raRecord;
            analysis::readOddsLineViews(d.layout.oddsFile(store::StoreKind::O1, text::bytesAt(ra, 12, 16)), bytes, lines);
            out.cards.push_back(ra);
            out.series.emplace_back(lines.begin(), lines.end());
        }
        return out;
    }();
    return a;
}

// The three share rules at their defaults (5 points within 10 minutes).
std::vector<analytics::AlertRule> shareRules()
{
    std::vector<analytics::AlertRule> rules(3);
    rules[0].kind = analytics::AlertKind::Rise;
    rules[1].kind = analytics::AlertKind::Fall;
    rules[2].kind = analytics::AlertKind::PlaceAgainstWin;
    return rules;
}

// A monitor that has seen nothing: every announcement of every race is judged.
void BM_AlertsEveryAnnouncement40x300(benchmark::State& state)
{
    const AlertDay& a = alertDay();
    std::size_t alerts = 0;
    for (auto _ : state) {
        analytics::AlertMonitor monitor(shareRules());
        alerts = 0;
        for (std::size_t r = 0; r < a.cards.size(); ++r)
            alerts += monitor.evaluate(a.cards[r], a.series[r]).size();
        benchmark::DoNotOptimize(alerts);
    }
    state.counters["alerts"] = static_cast<double>(alerts);
    if (a.cards.size() != static_cast<std::size_t>(kTracks * kRacesPerTrack))
        state.SkipWithError("races lost");
}
BENCHMARK(BM_AlertsEveryAnnouncement40x300)->Unit(benchmark::kMillisecond);

// A round of the watch: every race has one announcement more than the monitor has seen
// (the copy of the primed monitor is part of the figure).
void BM_AlertsOneNewAnnouncement40x300(benchmark::State& state)
{
    const AlertDay& a = alertDay();
    analytics::AlertMonitor primed(shareRules());
    for (std::size_t r = 0; r < a.cards.size(); ++r)
        primed.evaluate(a.cards[r], std::vector<std::string>(a.series[r].begin(), a.series[r].end() - 1));
    for (auto _ : state) {
        analytics::AlertMonitor monitor = primed;
        std::size_t alerts = 0;
        for (std::size_t r = 0; r < a.cards.size(); ++r)
            alerts += monitor.evaluate(a.cards[r], a.series[r]).size();
        benchmark::DoNotOptimize(alerts);
    }
}
BENCHMARK(BM_AlertsOneNewAnnouncement40x300)->Unit(benchmark::kMillisecond);

} // namespace
