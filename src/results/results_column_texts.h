#pragma once
// The result columns of the horse grids (race card, three-time-point, anomaly and
// ticket-type grids): final finishing position, final popularity and final win odds of
// one horse as the grids show them once the race has run.

#include <string>

#include "analysis/day_table.h"

namespace tidemark::results {

// What a grid shows for final win odds that are not above 0: the race card and the
// three-time-point grids a full-width blank "　", the ticket-type grid a half-width " ".
enum class MissingOddsText { FullWidthBlank, HalfWidthBlank };

struct ResultsColumnTexts {
    std::string position;   // "%2d"; "　" when not above 0
    std::string popularity; // "%2d"; "　" when not above 0
    std::string winOdds;    // "%6.1f"; the missing-odds text when not above 0

    bool operator==(const ResultsColumnTexts&) const = default;
};

// Horse 1..18 of the race; a horse outside that range shows as missing.
ResultsColumnTexts resultsColumnTexts(const analysis::RaceRecord& race, int horse,
                                      MissingOddsText missingOdds = MissingOddsText::FullWidthBlank);

} // namespace tidemark::results
