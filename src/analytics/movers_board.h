#pragma once
// The movers board ("オッズ急変"): every runner (or quinella pair) of every race of a day
// whose vote share in one pool moved between two snapshots, A (the latest at or before
// T − W) and B (the latest at or before T), the biggest rise first. The pools: win and
// place (the race's O1 series, see race_share_change.h) and quinella (its O2 series). A
// row counts when its odds in the pool are priced at both snapshots; rows of equal change
// stand in race-key order, then by horse (pair) number.
//
// Place odds come as a range; the place share is taken from the lower odds, as the
// place change and every place share of the program are.

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "analysis/day_table.h"
#include "analysis/race_calendar.h"
#include "analytics/race_share_change.h"
#include "records/pair_index.h"
#include "store/store_layout.h"

namespace tidemark::analytics {

// One race of the day as the board reads it.
struct MoversRace {
    std::string raRecord; // the race card as stored
    // Horse names (CP932, trailing blanks of either width removed) by horse number 1..18;
    // empty when the runner file has none.
    std::array<std::string, kShareHorses + 1> horseNames;
    // The race's win/place and quinella odds files; empty when its key cannot name one.
    std::filesystem::path o1File;
    std::filesystem::path o2File;
};

struct MoversDay {
    std::vector<MoversRace> races; // in race-list order: race i is race-list entry i
};

// The listed races of a loaded day, with the runners' names from the day table and the
// odds files from the store.
MoversDay moversDay(const analysis::DayTable& table, const std::vector<analysis::RaceListEntry>& races,
                    const store::StoreLayout& layout);

// The pool whose shares the board compares.
enum class MoversPool { Win, Place, Quinella };
inline constexpr std::array<MoversPool, 3> kMoversPools{MoversPool::Win, MoversPool::Place, MoversPool::Quinella};

struct MoversQuery {
    MoversPool pool = MoversPool::Win;
    int atMinute = 0;       // T, minutes after midnight of the race day
    int windowMinutes = 10; // W
    std::string trackCode;  // only races of this track (two digits); empty: every track
    bool notYetRun = false; // only races whose post time is after T
    std::optional<double> minChange; // only rows whose change in the pool is at least this (points)
};

// The windows the board offers, in minutes; the first choice it opens with is 10.
inline constexpr std::array<int, 4> kMoversWindows{5, 10, 15, 30};
inline constexpr int kDefaultMoversWindow = 10;

// One entry of a pool at A and at B: a runner's win or place odds, or a pair's quinella
// odds, and the share they imply.
struct PoolChange {
    records::OddsField oddsA; // win odds, the lower place odds or the quinella odds
    records::OddsField oddsB;
    records::OddsField highA; // the upper place odds (place pool only)
    records::OddsField highB;
    double shareA = 0.0;      // percent
    double shareB = 0.0;
    double change = 0.0;      // shareB − shareA, points
};

struct MoverRow {
    int race = 0;               // index into MoversDay::races
    std::string raceKey;        // bytes 12–27 of the race card
    std::string trackCode;      // bytes 20–21
    int raceNumber = 0;
    std::string postTime;       // "hhmm" as the race card holds it
    // From the board's moment T to the post (0 or less: the race has run); none without
    // a post time.
    std::optional<int> minutesToPost;
    std::string announcementA;  // MMDDhhmm of snapshot A
    std::string announcementB;  // MMDDhhmm of snapshot B: the moment to open the race at
    int minuteA = 0;            // A and B as clock minutes of the race day
    int minuteB = 0;
    int ageB = 0;               // T − B: how many minutes old the newest odds are at T
    // The runner (win, place) as {horse, 0}, or the quinella pair.
    records::Pair entry;
    std::string horseName;      // CP932; both names, "・" between them, for a pair
    PoolChange move;            // the pool's odds and shares at A and B
    // Win and place pools: the runner's win and place at A and B (for a pair: empty).
    RunnerShareChange change;
};

struct MoversBoard {
    std::vector<MoverRow> rows;
    int oddsFiles = 0; // races of the day whose odds file of the pool exists (filtered or not)
    // Races shown whose A and B are the same announcement (nothing new within the
    // window): left out, only counted.
    int staleRaces = 0;
};

// Reads every race's odds file and builds the rows. Throws text::FileError when an odds
// file exists but cannot be read.
MoversBoard buildMoversBoard(const MoversDay& day, const MoversQuery& query);

// The board's order: larger change first, then race key, then horse (pair) number.
bool moverBefore(const MoverRow& a, const MoverRow& b) noexcept;

} // namespace tidemark::analytics
