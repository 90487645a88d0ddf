#pragma once
// Odds, vote shares and popularity orders of every horse at the three chosen time points
// of a race: win, lower place, upper place and pseudo quinella (a per-horse figure drawn
// from the 153 quinella odds), and how far each horse's popularity moved over the points.
//
// Popularity is the order of increasing odds. Ties are broken by a second figure and then
// by horse number: the key of each horse is a fixed-width text, so text order is
// numeric order.

#include <string>
#include <string_view>
#include <vector>

#include "analysis/three_point_table.h"

namespace tidemark::analysis {

// The O1 figures of one time point: win, lower place and upper place odds, shares and
// popularity of horses 1..runnerCount from one O1 snapshot (a record line). A field
// gives values only when it holds a price above zero; blank, cancelled ("----", "****"),
// zero or damaged fields leave odds, share and popularity of that figure at 0.
void computeO1TimePoint(std::string_view o1Snapshot, int runnerCount, ThreePointTable::Values& win,
                        ThreePointTable::Values& placeLow, ThreePointTable::Values& placeHigh);

// The pseudo-quinella figures of one time point from one O2 snapshot: each horse's share
// is the sum of 37.5 / odds over the priced quinella pairs it is in, its odds 80 / share.
// winOdds are the win odds of the same time point (0 when there are none); they break
// ties of the pseudo odds.
void computePseudoTimePoint(std::string_view o2Snapshot, int runnerCount, const PerHorse<double>& winOdds,
                            ThreePointTable::Values& pseudo);

// Smallest and largest popularity number of every horse over the first `points` time
// points, and their difference. A horse without any popularity keeps popMin 20, popMax 0
// and popRange 20 (no value).
void summarisePopularity(const std::array<ThreePointTable::Values, kTimePoints>& values, int points,
                         int runnerCount, ThreePointTable::PopSummary& summary);

// The whole table of a race, rebuilt from scratch: win and place from chosenO1[t],
// pseudo quinella from chosenO2[t]. The two lists are paired by position only, even when
// their announcement times differ; entries beyond the third are ignored.
void computeThreePoints(ThreePointTable& table, const std::vector<std::string>& chosenO1,
                        const std::vector<std::string>& chosenO2, int runnerCount);

} // namespace tidemark::analysis
