// The simulated market measured as a bettor would measure a real one: a month of the
// simulated service is taken in through the program's own imports (the stored-data
// import, then the batch odds import of every day) into a fresh program folder, and the
// figures are read back from the store files alone. Each figure is printed beside its
// target. The planted informed money is then checked against what the world knows.
//
//   market_figures [--seed N] [--month YYYYMM] [--steam-rate R] [--steam-strength S]
//                  [--keep DIR]
//
// The defaults are the simulated service's own (seed 20100201, steam 10 % / 100 %) over
// June 2024. --keep leaves the program folder in DIR for other readers.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "acquisition/batch_odds_import.h"
#include "acquisition/nv_channel.h"
#include "acquisition/stored_data_import.h"
#include "host/silent_host.h"
#include "nvsim/sim_nv_link.h"
#include "records/record_view.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"
#include "store/record_reader.h"
#include "store/record_store.h"
#include "store/store_layout.h"
#include "text/date_time.h"
#include "text/number_format.h"

using namespace tidemark;
namespace fs = std::filesystem;

namespace {

struct Options {
    std::uint32_t seed = nvsim::SimConfig{}.seed;
    int year = 2024;
    int month = 6;
    int steamRate = nvsim::SimConfig{}.steamRate;
    int steamStrength = nvsim::SimConfig{}.steamStrength;
    fs::path keep;
};

bool parse(int argc, char** argv, Options& o)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string_view key = argv[i];
        const char* value = argv[i + 1];
        if (key == "--seed") {
            o.seed = static_cast<std::uint32_t>(std::strtoul(value, nullptr, 10));
        } else if (key == "--month") {
            const long ym = std::strtol(value, nullptr, 10);
            o.year = static_cast<int>(ym / 100);
            o.month = static_cast<int>(ym % 100);
        } else if (key == "--steam-rate") {
            o.steamRate = std::atoi(value);
        } else if (key == "--steam-strength") {
            o.steamStrength = std::atoi(value);
        } else if (key == "--keep") {
            o.keep = value;
        } else {
            return false;
        }
    }
    return argc % 2 == 1 && o.month >= 1 && o.month <= 12;
}

// One announcement as the store holds it.
struct Snapshot {
    std::int64_t minute = 0; // minutes since 1970 on the local clock
    std::vector<int> tenths; // per horse: > 0 odds, 0 no votes, < 0 withdrawn or blank
    bool scratched[19] = {};  // "****" in the win field
    std::int64_t totals[4] = {}; // win, place, bracket quinella, quinella (quinella from O2)
};

struct Race {
    std::string key;
    std::string track;
    int runners = 0;
    std::int64_t post = 0;
    std::vector<int> finish; // per horse, 0 when none
    std::vector<Snapshot> o1;
    std::vector<std::int64_t> o2Minutes;
    std::vector<std::int64_t> o2Totals;
    bool hasResult() const { return std::find(finish.begin(), finish.end(), 1) != finish.end(); }
};

std::int64_t minuteOf(int year, int month, int day, int hour, int minute)
{
    text::DateTime t;
    t.year = year;
    t.month = month;
    t.day = day;
    return t.dayNumber() * 1440 + hour * 60 + minute;
}

std::int64_t announcementMinute(const records::OddsRecordView& v, int raceYear, int raceMonth)
{
    // An advance sale on the evening of 31 December belongs to the year before.
    const int year = v.announcementMonth() > raceMonth ? raceYear - 1 : raceYear;
    return minuteOf(year, v.announcementMonth(), v.announcementDay(), v.announcementHour(), v.announcementMinute());
}

std::vector<Race> readStore(const store::StoreLayout& layout)
{
    std::vector<Race> out;
    for (const std::string& label : layout.dayLabels()) {
        for (const std::string& raRecord : store::readDayRaces(layout.raFile(label))) {
            const std::string raLine = raRecord.substr(0, raRecord.size() - 2);
            const records::RaView ra(raLine);
            Race race;
            race.key = std::string(ra.raceKey());
            race.track = race.key.substr(8, 2);
            race.runners = ra.runnerCount();
            const int year = static_cast<int>(text::readInt(race.key.substr(0, 4)));
            const int month = static_cast<int>(text::readInt(race.key.substr(4, 2)));
            const int day = static_cast<int>(text::readInt(race.key.substr(6, 2)));
            const int raceNo = static_cast<int>(text::readInt(race.key.substr(14, 2)));
            race.post = minuteOf(year, month, day, ra.startTimeNumber() / 100, ra.startTimeNumber() % 100);
            race.finish.assign(static_cast<std::size_t>(race.runners) + 1, 0);
            const auto slots = store::readRunnerSlots(layout.seFile(label, race.track));
            for (int h = 1; h <= race.runners; ++h) {
                const auto slot = static_cast<std::size_t>((raceNo - 1) * 18 + h - 1);
                if (slot < slots.size()) {
                    const std::string seLine = slots[slot].substr(0, slots[slot].size() - 2);
                    const records::SeView se(seLine);
                    if (se.raceKey() == race.key && se.horseNumber() == h) {
                        race.finish[static_cast<std::size_t>(h)] = se.finishPosition();
                    }
                }
            }
            for (const std::string& line : store::readLines(layout.oddsFile(store::StoreKind::O1, race.key), store::StoreKind::O1)) {
                const records::O1View v(line);
                Snapshot s;
                s.minute = announcementMinute(v, year, month);
                s.tenths.assign(static_cast<std::size_t>(race.runners) + 1, -1);
                for (int h = 1; h <= race.runners; ++h) {
                    const records::OddsField f = v.win(h);
                    s.tenths[static_cast<std::size_t>(h)] = f.kind() == records::OddsKind::Odds ? static_cast<int>(f.tenths())
                        : f.kind() == records::OddsKind::NoVotes ? 0 : -1;
                    s.scratched[h] = f.kind() == records::OddsKind::CancelledAfterSale;
                }
                s.totals[0] = v.winVotes();
                s.totals[1] = v.placeVotes();
                s.totals[2] = v.bracketVotes();
                race.o1.push_back(std::move(s));
            }
            for (const std::string& line : store::readLines(layout.oddsFile(store::StoreKind::O2, race.key), store::StoreKind::O2)) {
                const records::O2View v(line);
                race.o2Minutes.push_back(announcementMinute(v, year, month));
                race.o2Totals.push_back(v.quinellaVotes());
            }
            out.push_back(std::move(race));
        }
    }
    return out;
}

double share(int tenths)
{
    return tenths > 0 ? 800.0 / tenths : 0.0;
}

const char* verdict(bool met)
{
    return met ? "met" : "NOT MET";
}

struct Falls {
    long checked = 0;
    long atScratch = 0;
    long elsewhere = 0;
};

// Totals of one pool between consecutive announcements; a fall is allowed only where a
// runner is newly shown withdrawn after the sale (its votes are refunded).
void countFalls(const Race& race, Falls& f)
{
    for (std::size_t i = 1; i < race.o1.size(); ++i) {
        bool newScratch = false;
        for (int h = 1; h <= race.runners; ++h) {
            newScratch = newScratch || (race.o1[i].scratched[h] && !race.o1[i - 1].scratched[h]);
        }
        for (int p = 0; p < 3; ++p) {
            ++f.checked;
            if (race.o1[i].totals[p] < race.o1[i - 1].totals[p]) {
                ++(newScratch ? f.atScratch : f.elsewhere);
            }
        }
    }
    // The quinella file runs on the same announcements; a fall there is matched to the
    // O1 announcement of the same moment.
    for (std::size_t i = 1; i < race.o2Totals.size(); ++i) {
        ++f.checked;
        if (race.o2Totals[i] >= race.o2Totals[i - 1]) {
            continue;
        }
        bool newScratch = false;
        for (std::size_t j = 1; j < race.o1.size(); ++j) {
            if (race.o1[j].minute == race.o2Minutes[i]) {
                for (int h = 1; h <= race.runners; ++h) {
                    newScratch = newScratch || (race.o1[j].scratched[h] && !race.o1[j - 1].scratched[h]);
                }
            }
        }
        ++(newScratch ? f.atScratch : f.elsewhere);
    }
}

// The first rise of a runner's win share by `points` within `window` minutes, looking
// only at announcements from `from` on; the index of the announcement before the rise.
struct Rise {
    int horse = 0;
    std::size_t before = 0;
    std::size_t after = 0;
};

std::vector<Rise> rises(const Race& race, double points, std::int64_t window, std::int64_t from)
{
    std::vector<Rise> out;
    for (int h = 1; h <= race.runners; ++h) {
        const auto hi = static_cast<std::size_t>(h);
        bool found = false;
        for (std::size_t j = 0; j < race.o1.size() && !found; ++j) {
            const int now = race.o1[j].tenths[hi];
            if (now <= 0 || race.o1[j].minute < from) {
                continue;
            }
            for (std::size_t i = j; i-- > 0;) {
                if (race.o1[j].minute - race.o1[i].minute > window) {
                    break;
                }
                const int then = race.o1[i].tenths[hi];
                if (then > 0 && race.o1[i].minute >= from && share(now) - share(then) >= points) {
                    out.push_back({h, i, j});
                    found = true;
                    break;
                }
            }
        }
    }
    return out;
}

int winnerCount(const Race& race)
{
    return static_cast<int>(std::count(race.finish.begin(), race.finish.end(), 1));
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!parse(argc, argv, o)) {
        std::fprintf(stderr, "usage: market_figures [--seed N] [--month YYYYMM] [--steam-rate R] "
                             "[--steam-strength S] [--keep DIR]\n");
        return 2;
    }
    const fs::path folder = o.keep.empty() ? fs::temp_directory_path() / "tidemark_market_figures" : o.keep;
    fs::remove_all(folder);
    fs::create_directories(folder);

    text::DateTime first;
    first.year = o.year;
    first.month = o.month;
    first.day = 1;
    text::DateTime last = first;
    while (text::isValidDate(last.year, last.month, last.day + 1)) {
        ++last.day;
    }
    nvsim::SimConfig config;
    config.seed = o.seed;
    config.firstDay = first;
    config.lastDay = last;
    config.downloadSpeed = 0;
    config.steamRate = o.steamRate;
    config.steamStrength = o.steamStrength;

    SilentHost host;
    host.clock = last.addDays(1);
    host.clock.hour = 23;
    nvsim::SimNvLink sim(config, [&host] { return host.clock; });
    sim.NVInit("UNKNOWN");
    const auto started = std::chrono::steady_clock::now();

    // The stored-data import, as the "データ取込" window runs it.
    store::RecordStore store{store::StoreLayout(folder)};
    store.layout().createFolders();
    acquisition::NvChannel channel(sim);
    {
        IniFile ini(folder / "Tidemark2NV.ini");
        settings::writeLastTime(ini, text::formatDateTime("yyyy/mm/dd hh:nn:ss", first.addDays(-5)));
        acquisition::StoredDataImport import(channel, host, store, ini);
        import.open();
        import.start();
        while (import.phase() == acquisition::StoredDataImport::Phase::Downloading) {
            host.fire(TimerId::TimerNVStatus);
        }
    }
    // The batch odds import of every stored day.
    acquisition::BatchOddsImport batch(channel, host, store);
    std::vector<std::string> labels = store.layout().dayLabels();
    std::reverse(labels.begin(), labels.end());
    batch.setDateList(labels);
    int errors = 0;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        batch.selectDay(static_cast<int>(i));
        batch.importDay();
        errors += batch.racesWithError();
    }
    const double importSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    const std::vector<Race> races = readStore(store.layout());
    std::printf("Simulated market, seed %u, %04d-%02d, steam %d %% of races at %d %%: %zu days, %zu races; "
                "imported in %.1f s (%d races with an error)\n\n",
                o.seed, o.year, o.month, o.steamRate, o.steamStrength, labels.size(), races.size(), importSeconds, errors);

    Falls falls;
    int resulted = 0;
    double lateShareSum = 0;
    double fifteenShareSum = 0;
    int lateRaces = 0;
    double favouriteWins = 0;
    double longWins = 0;
    double longImplied = 0;
    int longRunners = 0;
    double sxy = 0, sxx = 0, syy = 0, sx = 0, sy = 0;
    long pairs = 0;
    int risingRaces = 0;
    int racesWithOdds = 0;
    std::map<std::string, std::vector<std::int64_t>> poolsByTrack;
    struct Band {
        double lo, hi;
        int runners = 0;
        double wins = 0, implied = 0;
    };
    std::vector<Band> bands = {{1, 2}, {2, 5}, {5, 10}, {10, 30}, {30, 100}, {100, 1000}};
    int gapMin = 1000, gapMax = 0;

    for (const Race& race : races) {
        if (race.o1.empty()) {
            continue;
        }
        ++racesWithOdds;
        countFalls(race, falls);
        if (!rises(race, 5.0, 10, 0).empty()) {
            ++risingRaces;
        }
        for (std::size_t i = 1; i < race.o1.size(); ++i) {
            if (race.o1[i].minute - race.o1[i - 1].minute < 200) { // not across the night
                gapMin = std::min<int>(gapMin, static_cast<int>(race.o1[i].minute - race.o1[i - 1].minute));
                gapMax = std::max<int>(gapMax, static_cast<int>(race.o1[i].minute - race.o1[i - 1].minute));
            }
        }
        // Successive changes of each runner's log win odds.
        for (int h = 1; h <= race.runners; ++h) {
            double previousChange = 0;
            bool havePrevious = false;
            int previousOdds = 0;
            for (const Snapshot& s : race.o1) {
                const int odds = s.tenths[static_cast<std::size_t>(h)];
                if (odds <= 0) {
                    havePrevious = false;
                    previousOdds = 0;
                    continue;
                }
                if (previousOdds > 0) {
                    const double change = std::log(static_cast<double>(odds) / previousOdds);
                    if (havePrevious) {
                        sx += previousChange;
                        sy += change;
                        sxx += previousChange * previousChange;
                        syy += change * change;
                        sxy += previousChange * change;
                        ++pairs;
                    }
                    previousChange = change;
                    havePrevious = true;
                }
                previousOdds = odds;
            }
        }
        if (!race.hasResult()) {
            continue;
        }
        ++resulted;
        const Snapshot& close = race.o1.back();
        poolsByTrack[race.track].push_back(close.totals[0]);
        // The part of the final win pool bet in the last ten minutes.
        std::int64_t tenBefore = 0;
        std::int64_t fifteenBefore = 0;
        for (const Snapshot& s : race.o1) {
            if (s.minute <= race.post - 10) {
                tenBefore = s.totals[0];
            }
            if (s.minute <= race.post - 15) {
                fifteenBefore = s.totals[0];
            }
        }
        if (close.totals[0] > 0) {
            lateShareSum += static_cast<double>(close.totals[0] - tenBefore) / static_cast<double>(close.totals[0]);
            fifteenShareSum += static_cast<double>(close.totals[0] - fifteenBefore) / static_cast<double>(close.totals[0]);
            ++lateRaces;
        }
        // The favourite: the lowest final win odds (shared when tied).
        int lowest = 0;
        for (int h = 1; h <= race.runners; ++h) {
            const int t = close.tenths[static_cast<std::size_t>(h)];
            if (t > 0 && (lowest == 0 || t < lowest)) {
                lowest = t;
            }
        }
        int tied = 0;
        double favouriteWon = 0;
        for (int h = 1; h <= race.runners; ++h) {
            if (close.tenths[static_cast<std::size_t>(h)] == lowest) {
                ++tied;
                favouriteWon += race.finish[static_cast<std::size_t>(h)] == 1;
            }
        }
        favouriteWins += tied > 0 ? favouriteWon / tied : 0;
        const double perWinner = 1.0 / std::max(1, winnerCount(race));
        for (int h = 1; h <= race.runners; ++h) {
            const int t = close.tenths[static_cast<std::size_t>(h)];
            if (t <= 0) {
                continue;
            }
            const double won = race.finish[static_cast<std::size_t>(h)] == 1 ? perWinner : 0.0;
            const double odds = t / 10.0;
            if (odds >= 30.0) {
                ++longRunners;
                longWins += won;
                longImplied += 0.8 / odds;
            }
            for (Band& b : bands) {
                if (odds >= b.lo && odds < b.hi) {
                    ++b.runners;
                    b.wins += won;
                    b.implied += 0.8 / odds;
                }
            }
        }
    }

    const double lateShare = lateRaces > 0 ? 100.0 * lateShareSum / lateRaces : 0;
    const double favourite = resulted > 0 ? 100.0 * favouriteWins / resulted : 0;
    const double n = static_cast<double>(pairs);
    const double lag1 = pairs > 1 ? (sxy - sx * sy / n) / std::sqrt((sxx - sx * sx / n) * (syy - sy * sy / n)) : 0;
    const double rising = racesWithOdds > 0 ? 100.0 * risingRaces / racesWithOdds : 0;

    std::printf("%-64s %-16s %-14s %s\n", "figure", "target", "measured", "");
    std::printf("%-64s %-16s %-14s %s\n", "races with results read from the store", ">= 300",
                std::to_string(resulted).c_str(), verdict(resulted >= 300));
    std::printf("%-64s %-16s %-14s %s\n", "pool totals that fall between announcements, not at a scratch", "0",
                (std::to_string(falls.elsewhere) + " of " + std::to_string(falls.checked)).c_str(),
                verdict(falls.elsewhere == 0));
    std::printf("%-64s %-16s %-14s\n", "  (falls at an after-sale scratch: refunds)", "", std::to_string(falls.atScratch).c_str());
    std::printf("%-64s %-16s %-14.1f %s\n", "share of the final win pool bet in the last 10 minutes (%)", "30 - 65", lateShare,
                verdict(lateShare >= 30 && lateShare <= 65));
    std::printf("%-64s %-16s %-14.1f %s\n", "  the same in the last 15 minutes (%)", "> 50",
                lateRaces > 0 ? 100.0 * fifteenShareSum / lateRaces : 0.0,
                verdict(lateRaces > 0 && fifteenShareSum / lateRaces > 0.5));
    std::printf("%-64s %-16s %-14.1f %s\n", "favourite (lowest final win odds) wins (% of races)", "30 - 45", favourite,
                verdict(favourite >= 30 && favourite <= 45));
    std::printf("%-64s %-16s %-14s %s\n", "long shots (final odds >= 30): wins / wins 80/odds implies", "< 1",
                (text::formatFixed(longWins, 0, 1) + " / " + text::formatFixed(longImplied, 0, 1)).c_str(),
                verdict(longWins < longImplied));
    std::printf("%-64s %-16s %-14.3f %s\n", "lag-1 correlation of changes of log win odds", "-0.3 - 0.3", lag1,
                verdict(lag1 > -0.3 && lag1 < 0.3));
    std::printf("%-64s %-16s %-14.1f %s\n", "races where a win share rises >= 5 points within 10 minutes (%)", "5 - 30",
                rising, verdict(rising >= 5 && rising <= 30));
    std::printf("%-64s %-16s %-14s\n", "minutes between announcements (same day)", "1 - 3",
                (std::to_string(gapMin) + " - " + std::to_string(gapMax)).c_str());

    std::printf("\nCalibration of the final win odds (all runners of races with results)\n");
    std::printf("%-16s %8s %10s %10s %8s\n", "final odds", "runners", "wins", "80/odds", "ratio");
    for (const Band& b : bands) {
        std::printf("%6.0f - %-7.0f %8d %10.1f %10.1f %8.2f\n", b.lo, b.hi, b.runners, b.wins, b.implied,
                    b.implied > 0 ? b.wins / b.implied : 0.0);
    }

    std::printf("\nFinal win pools by track (votes of 100 yen)\n%-6s %6s %10s %10s %10s\n", "track", "races", "smallest",
                "median", "largest");
    for (auto& [track, pools] : poolsByTrack) {
        std::sort(pools.begin(), pools.end());
        std::printf("%-6s %6zu %10lld %10lld %10lld\n", track.c_str(), pools.size(), static_cast<long long>(pools.front()),
                    static_cast<long long>(pools[pools.size() / 2]), static_cast<long long>(pools.back()));
    }

    // What a movers rule finds in the last 30 minutes: runners whose share rose by 5
    // points within 10 minutes, against the odds before the rise and at the close.
    int movers = 0;
    double moverWins = 0, moverBefore = 0, moverClose = 0;
    for (const Race& race : races) {
        if (race.o1.empty() || !race.hasResult()) {
            continue;
        }
        const double perWinner = 1.0 / std::max(1, winnerCount(race));
        for (const Rise& r : rises(race, 5.0, 10, race.post - 30)) {
            const auto h = static_cast<std::size_t>(r.horse);
            ++movers;
            moverWins += race.finish[h] == 1 ? perWinner : 0.0;
            moverBefore += share(race.o1[r.before].tenths[h]) / 100.0;
            moverClose += share(std::max(1, race.o1.back().tenths[h])) / 100.0;
        }
    }
    std::printf("\nRunners whose win share rose >= 5 points within 10 minutes in the last 30 minutes\n");
    std::printf("  %d runners, %.1f wins; the odds before the rise imply %.1f, the final odds %.1f\n", movers, moverWins,
                moverBefore, moverClose);

    // The planted signal, from the world's own record of it.
    int planted = 0;
    double plantedWins = 0, plantedBefore = 0, plantedClose = 0, plantedRise = 0;
    for (const Race& race : races) {
        const nvsim::SimRace* world = sim.world().findRace(race.key);
        if (world == nullptr || world->steamHorse == 0 || race.o1.empty() || !race.hasResult()) {
            continue;
        }
        const auto h = static_cast<std::size_t>(world->steamHorse);
        const std::int64_t steamMinute = nvsim::toSimMinute(nvsim::fromSimMinute(world->steamAt));
        int before = 0;
        int after = 0;
        for (const Snapshot& s : race.o1) {
            if (s.minute < steamMinute && s.tenths[h] > 0) {
                before = s.tenths[h];
            }
            if (s.minute <= steamMinute + world->steamMinutes + 1 && s.tenths[h] > 0) {
                after = s.tenths[h];
            }
        }
        if (before <= 0) {
            continue;
        }
        ++planted;
        plantedWins += race.finish[h] == 1 ? 1.0 / std::max(1, winnerCount(race)) : 0.0;
        plantedBefore += share(before) / 100.0;
        plantedClose += share(std::max(1, race.o1.back().tenths[h])) / 100.0;
        plantedRise += share(after) - share(before);
    }
    std::printf("\nPlanted steam (from the world): %d races with results\n", planted);
    if (planted > 0) {
        std::printf("  the steamed runners won %.1f times; the odds before the steam imply %.1f, the final odds %.1f;\n"
                    "  their win share rose by %.1f points on average during the block\n",
                    plantedWins, plantedBefore, plantedClose, plantedRise / planted);
    }
    if (o.keep.empty()) {
        fs::remove_all(folder);
    }
    return 0;
}
