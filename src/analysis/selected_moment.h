#pragma once
// The race as it stood at the selected moment: popularity orders of win and both place
// prices, the pseudo-quinella figure of every horse, the gaps between the orders of the
// ticket types and the ratios of their vote shares, the spread of the win shares, the
// sorted popularity lists, the gaps between horses next to each other in popularity,
// the quinella pairs that pay less than their bracket pair, and how far each horse's
// price moved over the series against the moment.
//
// Everything reads the selected-moment odds of the race record (loadSelectedSnapshot)
// and writes only the selected-moment fields of the record.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/day_table.h"
#include "analysis/snapshot_series.h"

namespace tidemark::analysis {

// The standard deviation of the race card, setting StdDev/kind.
enum class StdDevKind {
    Sample,     // 0, "標本標準偏差(STDEV)": divided by count − 1
    Population, // 1, "母集団標準偏差(STDEVP)": divided by count
};
StdDevKind stdDevKindOf(int setting);

// Odds as the popularity keys hold them: rounded to one decimal the way they are written.
double roundedTenths(double odds);

// --- popularity, pseudo quinella, differences -----------------------------------------

// Popularity orders at the moment. Only horses whose lower place field holds a number
// (neither blank nor cancelled) take part; each order runs by increasing odds, equal
// odds by the other price of the horse and then by horse number.
void rankAtMoment(RaceRecord& record);

// Pseudo-quinella share (Σ 37.5 / quinella odds over the horse's pairs) and odds
// (80 / share) of horses 1..18, and its popularity among the horses with win odds.
void computePseudoQuinella(RaceRecord& record);

// Differences of the popularity orders and ratios of the vote shares (place share taken
// as (80 / odds) / 3); the no-value marks stay where an order is missing.
void computePopularityGaps(RaceRecord& record);

// The three steps above, in order.
void analysePopularity(RaceRecord& record);

// Spread of the win shares 80 / odds over the `pricedHorses` horses whose win field is
// neither blank nor cancelled; horses whose odds are 0 count as share 0. Nothing with
// four priced horses or fewer, or when the spread is not above 0.
std::optional<double> winShareDeviation(const RaceRecord& record, int pricedHorses, StdDevKind kind);

// --- sorted lists ---------------------------------------------------------------------

// One place of a popularity order: a horse number or a pair index and its odds, rounded
// to the one decimal the order is kept in.
struct RankedOdds {
    int number = 0;
    double odds = 0.0;
    bool operator==(const RankedOdds&) const = default;
};

// Entries 1..count of `odds` (1-based) whose odds are above 0, by increasing rounded
// odds, equal odds by number.
template <std::size_t N>
std::vector<RankedOdds> rankByOdds(const std::array<double, N>& odds, int count);

struct PopularityLists {
    std::vector<RankedOdds> win;       // horses
    std::vector<RankedOdds> placeLow;  // horses
    std::vector<RankedOdds> placeHigh; // horses
    std::vector<RankedOdds> bracket;   // bracket pairs 1..36
    std::vector<RankedOdds> quinella;  // quinella pairs 1..153
};
PopularityLists popularityLists(const RaceRecord& record);

// --- gap tables -----------------------------------------------------------------------

enum class GapFigure { Win, PlaceLow, PlaceHigh, PseudoQuinella };
inline constexpr std::array<GapFigure, 4> kGapFigures{GapFigure::Win, GapFigure::PlaceLow, GapFigure::PlaceHigh,
                                                      GapFigure::PseudoQuinella};

// Two horses next to each other in popularity: `position` is the upper horse's place.
struct GapRow {
    int position = 0;
    RankedOdds upper;
    RankedOdds lower;
    // lower / upper odds; 0 when either is not above 0.
    double ratio() const;
    // The ratio as the gap table shows it ("%6.1f"): what its colouring compares.
    double shownRatio() const;
};

// The gap table's mark: a ratio as shown (one decimal) at or above the threshold of the
// table's box (settings Danso, two decimals). The window colours such a cell red.
bool gapMarked(double shownRatio, double threshold);

struct GapTable {
    int priced = 0;           // horses with odds above 0
    std::vector<GapRow> rows; // priced − 1 rows (none with fewer than two)
};
GapTable gapTable(const RaceRecord& record, GapFigure figure);

// --- bracket quinella against quinella ------------------------------------------------

// A quinella pair that pays less than the bracket pair of the same two horses.
struct BracketAdvantage {
    int bracketA = 0;
    int bracketB = 0;
    int bracketPair = 0;
    double bracketOdds = 0.0; // W
    int bracketPopularity = 0;
    int horseA = 0;
    int horseB = 0;
    int quinellaPair = 0;
    double quinellaOdds = 0.0; // Q
    int quinellaPopularity = 0;

    double difference() const { return bracketOdds - quinellaOdds; }
    double ratio() const { return bracketOdds / quinellaOdds; }
};

// Every quinella pair with 0 < Q < W, by W, then bracket pair, bracket popularity, Q and
// quinella pair. Popularities are read from the selected O1 / O2 records of the slot.
std::vector<BracketAdvantage> bracketAdvantages(const RaceSlot& slot);

// --- time difference ------------------------------------------------------------------

// The highest and the lowest price of one horse over the snapshots of the series other
// than the selected moment, each with its announcement time "hh:mm".
struct OddsExtremes {
    bool counted = false; // at least one snapshot priced both win and lower place
    double highest = 0.0;
    std::string highestTime;
    double lowest = 0.0;
    std::string lowestTime;
};

struct TimeDifferences {
    PerHorse<OddsExtremes> win;
    PerHorse<OddsExtremes> place; // lower place odds
};

// For horses whose win and lower place odds are both above 0 at the moment; `key` is the
// moment's MMDDhhmm. The first snapshot wins ties.
TimeDifferences timeDifferences(const RaceRecord& record, const SnapshotList& o1Snapshots, std::string_view key);

// --- the whole moment -----------------------------------------------------------------

struct MomentAnalysis {
    std::optional<double> deviation;
    PopularityLists lists;
    std::array<GapTable, 4> gaps; // by kGapFigures
    std::vector<BracketAdvantage> advantages;
    TimeDifferences timeDifferences;

    const GapTable& gap(GapFigure f) const { return gaps[static_cast<std::size_t>(f)]; }
};

// Runs the analysis of a loaded moment: the record's popularity fields first, then every
// derived list. `pricedHorses` is the count loadSelectedSnapshot reported.
MomentAnalysis analyseSelectedMoment(RaceSlot& slot, int pricedHorses, StdDevKind kind,
                                     const SnapshotList& o1Snapshots, std::string_view key);

// --- template -------------------------------------------------------------------------

std::vector<RankedOdds> rankByOdds(const double* oddsFrom1, int count);

template <std::size_t N>
std::vector<RankedOdds> rankByOdds(const std::array<double, N>& odds, int count)
{
    const int n = count < 0 ? 0 : (count > static_cast<int>(N) - 1 ? static_cast<int>(N) - 1 : count);
    return rankByOdds(odds.data(), n);
}

} // namespace tidemark::analysis
