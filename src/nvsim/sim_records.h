#pragma once
// The simulated world written as the service's records: CP932, exact lengths, CR LF.

#include <string>

#include "nvsim/odds_series.h"
#include "nvsim/sim_world.h"

namespace tidemark::nvsim {

// How far a race card has come: entries without gates, the drawn card, the result.
enum class CardStage { Entries, Drawn, Result };

// Data kinds as the service sends them.
char raDataKind(const SimRace& race, CardStage stage);

std::string raRecord(const SimRace& race, CardStage stage, SimMinute created);
// `closing` is needed for the result stage (final odds and popularity).
std::string seRecord(const SimRace& race, const SimRunner& runner, CardStage stage, SimMinute created,
                     const OddsSnapshot* closing);
// Payouts of a race that has run; `realTime` marks the prompt report of race day.
std::string hrRecord(const SimRace& race, const OddsSnapshot& closing, SimMinute created, bool realTime);
std::string o1Record(const SimRace& race, const OddsSnapshot& snapshot);
std::string o2Record(const SimRace& race, const OddsSnapshot& snapshot);

} // namespace tidemark::nvsim
