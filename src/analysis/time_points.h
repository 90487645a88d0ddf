#pragma once
// The choice of the three time points of a race: the snapshots nearest to set minute
// counts before the post time, or (the older scheme) the first, middle and last one.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tidemark::analysis {

struct TimePointOptions {
    bool notUse = false;    // Time/NotUse: first, middle and last snapshot
    bool ignoreAdvanceSale = false; // MaeUri/Ignore
    int firstMinutes = 30;  // Time/First1
    int secondMinutes = 20; // Time/Second2
    int thirdMinutes = 10;  // Time/Third3
};

struct ChosenTimePoints {
    std::optional<int> first;
    std::optional<int> second;
    std::optional<int> third;

    // The chosen snapshots in time-point order, each only when found (0 to 3 lines;
    // one snapshot may stand more than once).
    std::vector<std::string> lines(const std::vector<std::string>& list) const;
};

// Picks the three time points of `list` (the advance-sale rule is applied to it first,
// when switched on). postTime is the race's hhmm; raceDay the month and day of the
// chosen day (four digits): with the minute counts only snapshots of that day count,
// and among equally near snapshots the earliest wins.
ChosenTimePoints chooseTimePoints(std::vector<std::string>& list, std::string_view postTime,
                                  std::string_view raceDay, const TimePointOptions& options);

} // namespace tidemark::analysis
