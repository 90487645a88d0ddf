#pragma once
// Payouts of a race that has run: win, place, bracket quinella and quinella from the
// closing pools (so they match the last odds shown), the other kinds from the chances
// the closing win pool implies. Dead heats pay every winning combination.

#include <vector>

#include "nvsim/odds_series.h"
#include "nvsim/sim_world.h"
#include "records/record_view.h"

namespace tidemark::nvsim {

// Empty for a cancelled race.
std::vector<records::PayoutEntry> payoutsOf(const SimRace& race, const OddsSnapshot& closing);

} // namespace tidemark::nvsim
