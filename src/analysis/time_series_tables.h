#pragma once
// One row of the time-series tables per snapshot of the race being viewed: the odds, the
// estimated vote share and the popularity order of every horse (win, place) and every
// pair (bracket quinella, quinella) as that announcement gave them, plus the pool's vote
// total. Nothing is carried from one snapshot to the next: a field that is blank,
// cancelled or zero gives no value in its own row only.

#include <cstdint>
#include <string>
#include <string_view>

#include "analysis/day_table.h"

namespace tidemark::analysis {

// What one odds field of a snapshot shows in the odds and share tables.
struct SeriesOdds {
    enum class Kind {
        None,            // blank, zero or not a number: an empty cell
        CancelledBefore, // "----": "発売前取消"
        CancelledAfter,  // "****": "発売後取消"
        Price,           // odds above 0
    };
    Kind kind = Kind::None;
    double odds = 0.0;  // units of 1; above 0 only for Price
    double share = 0.0; // estimated share of the pool in percent; Price only

    bool operator==(const SeriesOdds&) const = default;
};

// What one popularity field of a snapshot shows in the popularity tables.
struct SeriesPopularity {
    enum class Kind {
        NoOrder,  // blank, 0 or not a number
        Unpriced, // an order, but the odds beside it are not above 0: the order is not shown
        Order,
    };
    Kind kind = Kind::NoOrder;
    int order = 0; // Order only

    bool operator==(const SeriesPopularity&) const = default;
};

// An O1 snapshot (win, place, bracket quinella). Horses above the runner count and
// element 0 of every array stay at their defaults.
struct O1SeriesRow {
    std::string time; // "hh:nn" of the announcement
    std::int64_t winVotes = 0;     // vote totals in units of 100 yen; 0 when not a number
    std::int64_t placeVotes = 0;
    std::int64_t bracketVotes = 0;
    PerHorse<SeriesOdds> win{};
    PerHorse<SeriesOdds> placeLow{};
    PerHorse<SeriesOdds> placeHigh{};
    PerHorse<SeriesPopularity> winPopularity{};
    PerHorse<SeriesPopularity> placePopularity{}; // ordered by the lower place odds
    PerBracketPair<SeriesOdds> bracket{};
    PerBracketPair<SeriesPopularity> bracketPopularity{};
};

// An O2 snapshot (quinella, all 153 pairs whatever the field size).
struct O2SeriesRow {
    std::string time;
    std::int64_t quinellaVotes = 0;
    PerQuinellaPair<SeriesOdds> quinella{};
    PerQuinellaPair<SeriesPopularity> quinellaPopularity{};
};

// The odds of one field of `width` bytes; `shareNumerator` turns a price into a share
// (80 win, 26.6 place, 75 bracket quinella and quinella).
SeriesOdds seriesOdds(std::string_view field, int width, double shareNumerator);

// The popularity of one field, shown only when the odds field beside it read as an
// integer is above 0 (so "0000" never shows an order, whatever the record says).
SeriesPopularity seriesPopularity(std::string_view popularityField, std::string_view oddsField);

// A snapshot line read for the tables; `runnerCount` is clamped to 0..18.
O1SeriesRow readO1SeriesRow(std::string_view snapshot, int runnerCount);
O2SeriesRow readO2SeriesRow(std::string_view snapshot);
// The same into a row read before (every element is written), for a whole series.
void readO1SeriesRow(O1SeriesRow& row, std::string_view snapshot, int runnerCount);
void readO2SeriesRow(O2SeriesRow& row, std::string_view snapshot);

} // namespace tidemark::analysis
