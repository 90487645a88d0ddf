#pragma once
// The movers board ("オッズ急変"): every runner of every race of a day whose win vote
// share moved between two snapshots, A (the latest at or before T − W) and B (the latest
// at or before T), the biggest rise first. One row per runner that counts (win odds priced
// at both snapshots, see race_share_change.h); rows of equal change stand in race-key
// order, then by horse number.

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "analysis/day_table.h"
#include "analysis/race_calendar.h"
#include "analytics/race_share_change.h"
#include "store/store_layout.h"

namespace tidemark::analytics {

// One race of the day as the board reads it.
struct MoversRace {
    std::string raRecord; // the race card as stored
    // Horse names (CP932, trailing blanks of either width removed) by horse number 1..18;
    // empty when the runner file has none.
    std::array<std::string, kShareHorses + 1> horseNames;
    // The race's win/place odds file; empty when its key cannot name one.
    std::filesystem::path o1File;
};

struct MoversDay {
    std::vector<MoversRace> races; // in race-list order: race i is race-list entry i
};

// The listed races of a loaded day, with the runners' names from the day table and the
// odds files from the store.
MoversDay moversDay(const analysis::DayTable& table, const std::vector<analysis::RaceListEntry>& races,
                    const store::StoreLayout& layout);

struct MoversQuery {
    int atMinute = 0;       // T, minutes after midnight of the race day
    int windowMinutes = 10; // W
    std::string trackCode;  // only races of this track (two digits); empty: every track
    bool notYetRun = false; // only races whose post time is after T
    std::optional<double> minChange; // only rows whose win change is at least this (points)
};

// The windows the board offers, in minutes; the first choice it opens with is 10.
inline constexpr std::array<int, 4> kMoversWindows{5, 10, 15, 30};
inline constexpr int kDefaultMoversWindow = 10;

struct MoverRow {
    int race = 0;               // index into MoversDay::races
    std::string raceKey;        // bytes 12–27 of the race card
    std::string trackCode;      // bytes 20–21
    int raceNumber = 0;
    std::string postTime;       // "hhmm" as the race card holds it
    // From the board's moment T to the post (0 or less: the race has run); none without
    // a post time.
    std::optional<int> minutesToPost;
    std::string announcementB;  // MMDDhhmm of snapshot B: the moment to open the race at
    std::string horseName;      // CP932
    RunnerShareChange change;   // horse, odds and shares at A and B, the changes
};

struct MoversBoard {
    std::vector<MoverRow> rows;
    int oddsFiles = 0; // races of the day whose win/place odds file exists (filtered or not)
    // Races shown whose A and B are the same announcement (nothing new within the
    // window): left out, only counted.
    int staleRaces = 0;
};

// Reads every race's odds file and builds the rows. Throws text::FileError when an odds
// file exists but cannot be read.
MoversBoard buildMoversBoard(const MoversDay& day, const MoversQuery& query);

// The board's order: larger change first, then race key, then horse number.
bool moverBefore(const MoverRow& a, const MoverRow& b) noexcept;

} // namespace tidemark::analytics
