#pragma once
// The snapshot of the moment the user selected: located in the race's odds files by
// its announcement time and turned into the selected-moment odds of the race record.

#include <span>
#include <string>
#include <string_view>

#include "analysis/day_table.h"
#include "analysis/snapshot_series.h"

namespace tidemark::analysis {

struct SelectedSnapshot {
    enum class Outcome {
        Ready,            // analysis of the moment may go on
        NoWinPlaceOdds,   // no O1 file: "該当レースの単複枠オッズが見つかりません。"
        NoQuinellaOdds,   // no O2 records and more than 8 runners: "該当レースの馬連オッズが見つかりません。"
    };
    Outcome outcome = Outcome::Ready;
    int pricedHorses = 0; // horses whose win field is neither blank nor cancelled (zeros count)
    bool o1Found = false; // a snapshot of the key was in the O1 file
};

// Information texts of the two stops.
std::string noWinPlaceOddsText();
std::string noQuinellaOddsText();

// Loads the snapshot of `key` (MMDDhhmm) for the race in `slot`: the first O1 record of
// that time, the first O2 record of that time or else the O2 record at the same place
// in its file (or the last), then the odds of horses 1..runnerCount and of every pair.
// Throws text::FileError when a file exists but cannot be read.
SelectedSnapshot loadSelectedSnapshot(RaceSlot& slot, const RaceOddsFiles& files, std::string_view key);
// The same over the lines of the two files, already read (an empty o2Lines: no quinella
// odds). For a reader that goes through many moments of one race or many races.
SelectedSnapshot loadSelectedSnapshot(RaceSlot& slot, std::span<const std::string_view> o1Lines,
                                      std::span<const std::string_view> o2Lines, std::string_view key);

// Parses o1Selected / o2Selected of the slot into its record (steps shared with tests).
int parseSelectedOdds(RaceSlot& slot);

} // namespace tidemark::analysis
