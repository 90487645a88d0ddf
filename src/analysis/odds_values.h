#pragma once
// Odds fields as numbers, and the vote-share estimates drawn from odds.
// Odds are held in units of 1 (the record's tenths divided by 10) with two sentinels
// for fields that carry no price.

#include <string_view>

#include "records/odds_field.h"

namespace tidemark::analysis {

inline constexpr double kOddsCancelled = -1.0; // "----" or "****": horse or pair cancelled
inline constexpr double kOddsBlank = -2.0;     // blank field: no horse or pair in this slot

// Field widths of the odds kinds in O1 and O2 records.
inline constexpr int kWinFieldWidth = 4;
inline constexpr int kPlaceFieldWidth = 4;
inline constexpr int kBracketFieldWidth = 5;
inline constexpr int kQuinellaFieldWidth = 6;

enum class OddsFieldKind {
    Empty,           // nothing in the slot
    CancelledBefore, // all '-': cancelled before the sale ("発売前取消")
    CancelledAfter,  // all '*': cancelled after the sale ("発売後取消")
    Price,           // digits (all zeros: no votes yet)
    Other,           // anything else; counts as 0 odds
};

// What an odds field holds, after removing blanks at both ends. A marker counts only
// when it fills the whole field width ("-----" in a bracket field, "---" does not).
OddsFieldKind classifyOddsField(std::string_view text, int width);

// The field as read from a record of that width (a shorter text counts as padded with
// blanks): classifyOddsField and parseOddsField in one reading.
records::OddsField readOddsField(std::string_view text, int width);

// The value of an odds field: −2.0 empty, −1.0 cancelled, otherwise the digits / 10
// (0.0 for zeros and for any text that is not a plain number).
double parseOddsField(std::string_view text, int width);

// True when the field holds a number the analyses can use (a price above zero).
bool hasPrice(double odds);

// Estimated share of the pool, in percent; 0 when the odds are not above 0.
inline constexpr double kWinShareNumerator = 80.0;
inline constexpr double kPlaceShareNumerator = 26.6;
inline constexpr double kBracketShareNumerator = 75.0;
inline constexpr double kQuinellaShareNumerator = 75.0;
inline constexpr double kPseudoContributionNumerator = 37.5;
inline constexpr double kPseudoOddsNumerator = 80.0;

double winShare(double odds);
double placeShare(double odds);
double bracketShare(double odds);
double quinellaShare(double odds);
// A quinella pair's contribution to the pseudo-quinella share of each of its horses.
double pseudoQuinellaContribution(double quinellaOdds);
// Pseudo-quinella odds of a horse from its pseudo-quinella share; 0 when the share is not above 0.
double pseudoQuinellaOdds(double share);

} // namespace tidemark::analysis
