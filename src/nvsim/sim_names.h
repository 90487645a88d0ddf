#pragma once
// Plausible Japanese names for the simulated world: horses, trainers, jockeys and the
// names of special races. Every text is CP932 and full-width.

#include <string>
#include <vector>

#include "nvsim/sim_random.h"

namespace tidemark::nvsim {

// A katakana horse name of 2 to 9 characters (at most 18 bytes).
std::string horseName(SimRandom& rng);

// A short person name as the cards print it: surname and given name cut to four
// full-width characters, filled with full-width blanks to exactly 8 bytes.
std::string personShortName(SimRandom& rng);

// The name of a special race, such as "ゴールドジュニア特別"; without the suffix.
std::string specialRaceStem(SimRandom& rng);

// The local name of a graded race at a track (one of a few per track).
std::string gradedRaceName(SimRandom& rng, const std::string& trackCode);

// A roster of `count` distinct short names drawn from `rng`.
std::vector<std::string> roster(SimRandom& rng, int count);

} // namespace tidemark::nvsim
