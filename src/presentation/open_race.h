#pragma once
// What a double-click in a side window (the backtest's bets, the movers board) asks of
// the main window.

#include <functional>
#include <string>

namespace tidemark::presentation {

// Opens the race `raceKey` (16 digits) of the day `dayLabel` at its announcement
// `momentKey` (MMDDhhmm); false when that race or moment is no longer stored.
using OpenRace =
    std::function<bool(const std::string& dayLabel, const std::string& raceKey, const std::string& momentKey)>;

} // namespace tidemark::presentation
