#include "analysis/three_point_analysis.h"

#include <algorithm>
#include <set>

#include "analysis/odds_values.h"
#include "records/pair_index.h"
#include "records/record_view.h"
#include "text/number_format.h"

namespace tidemark::analysis {

namespace {

// Keys in ascending text order; each key ends in (or holds) the horse number.
using WorkList = std::set<std::string>;

// Where the "%2d" horse number stands in a key (0-based).
constexpr std::size_t kO1KeyHorseAt = 8;
constexpr std::size_t kPseudoKeyHorseAt = 14;

int clampRunners(int runnerCount) { return std::clamp(runnerCount, 0, kMaxHorses); }

// Only a real price is counted: a damaged field is no price, rather than odds of 0
// that would divide a share by zero.
bool priced(const records::OddsField& field) { return field.kind() == records::OddsKind::Odds; }

double oddsOf(const records::OddsField& field) { return static_cast<double>(field.tenths()) / 10.0; }

std::string o1Key(std::string_view first, std::string_view second, int horse)
{
    std::string key;
    key.reserve(10);
    key.append(first).append(second).append(text::formatInt(horse, 2));
    return key;
}

// Position n = 1, 2, … in key order becomes the popularity of the key's horse.
void rankByKeys(const WorkList& keys, std::size_t horseAt, PerHorse<int>& popularity)
{
    int n = 0;
    for (const std::string& key : keys) {
        ++n;
        const auto horse = static_cast<int>(text::readInt(std::string_view(key).substr(horseAt, 2)));
        if (horse > 0 && horse <= kMaxHorses)
            popularity[static_cast<std::size_t>(horse)] = n;
    }
}

} // namespace

void computeO1TimePoint(std::string_view o1Snapshot, int runnerCount, ThreePointTable::Values& win,
                        ThreePointTable::Values& placeLow, ThreePointTable::Values& placeHigh)
{
    const records::O1View o1(o1Snapshot);
    WorkList winKeys;
    WorkList lowKeys;
    WorkList highKeys;
    const int runners = clampRunners(runnerCount);
    for (int h = 1; h <= runners; ++h) {
        const auto i = static_cast<std::size_t>(h);
        const std::string_view w = o1.winField(h);
        const std::string_view l = o1.placeLowField(h);
        const std::string_view u = o1.placeHighField(h);
        if (const records::OddsField f = records::OddsField::parse(w); priced(f)) {
            win.odds[i] = oddsOf(f);
            win.share[i] = winShare(win.odds[i]);
            winKeys.insert(o1Key(w, l, h));
        }
        if (const records::OddsField f = records::OddsField::parse(l); priced(f)) {
            placeLow.odds[i] = oddsOf(f);
            placeLow.share[i] = placeShare(placeLow.odds[i]);
            lowKeys.insert(o1Key(l, w, h));
        }
        if (const records::OddsField f = records::OddsField::parse(u); priced(f)) {
            placeHigh.odds[i] = oddsOf(f);
            placeHigh.share[i] = placeShare(placeHigh.odds[i]);
            highKeys.insert(o1Key(u, w, h));
        }
    }
    rankByKeys(winKeys, kO1KeyHorseAt, win.popularity);
    rankByKeys(lowKeys, kO1KeyHorseAt, placeLow.popularity);
    rankByKeys(highKeys, kO1KeyHorseAt, placeHigh.popularity);
}

void computePseudoTimePoint(std::string_view o2Snapshot, int runnerCount, const PerHorse<double>& winOdds,
                            ThreePointTable::Values& pseudo)
{
    const records::O2View o2(o2Snapshot);
    const int runners = clampRunners(runnerCount);
    PerHorse<double> sum{};
    for (int k = 1; k <= kQuinellaPairs; ++k) {
        const records::OddsField field = o2.quinella(k);
        if (!priced(field))
            continue;
        const double contribution = pseudoQuinellaContribution(oddsOf(field));
        const records::Pair pair = records::quinellaPair(k);
        for (const int horse : {pair.first, pair.second})
            if (horse >= 1 && horse <= runners)
                sum[static_cast<std::size_t>(horse)] += contribution;
    }

    WorkList keys;
    for (int h = 1; h <= runners; ++h) {
        const auto i = static_cast<std::size_t>(h);
        if (sum[i] <= 0.0)
            continue;
        pseudo.share[i] = sum[i];
        pseudo.odds[i] = pseudoQuinellaOdds(sum[i]);
        const double win = winOdds[i] > 0.0 ? winOdds[i] : 0.0;
        keys.insert(text::formatFixed(pseudo.odds[i], 8, 1) + text::formatFixed(win, 6, 1) + text::formatInt(h, 2));
    }
    rankByKeys(keys, kPseudoKeyHorseAt, pseudo.popularity);
}

void summarisePopularity(const std::array<ThreePointTable::Values, kTimePoints>& values, int points,
                         int runnerCount, ThreePointTable::PopSummary& summary)
{
    const int count = std::clamp(points, 0, kTimePoints);
    const int runners = clampRunners(runnerCount);
    for (int h = 1; h <= runners; ++h) {
        const auto i = static_cast<std::size_t>(h);
        int lowest = kNoPopDiff;
        int highest = 0;
        for (int t = 0; t < count; ++t) {
            const int p = values[static_cast<std::size_t>(t)].popularity[i];
            if (p <= 0)
                continue;
            lowest = std::min(lowest, p);
            highest = std::max(highest, p);
        }
        if (lowest < kNoPopDiff && highest > 0) {
            summary.popMin[i] = lowest;
            summary.popMax[i] = highest;
            summary.popRange[i] = highest - lowest;
        } else {
            summary.popMin[i] = kNoPopDiff;
            summary.popMax[i] = 0;
            summary.popRange[i] = kNoPopDiff;
        }
    }
}

void computeThreePoints(ThreePointTable& table, const std::vector<std::string>& chosenO1,
                        const std::vector<std::string>& chosenO2, int runnerCount)
{
    table.reset();
    const int o1Points = static_cast<int>(std::min<std::size_t>(chosenO1.size(), kTimePoints));
    const int o2Points = static_cast<int>(std::min<std::size_t>(chosenO2.size(), kTimePoints));

    for (int t = 0; t < o1Points; ++t) {
        const auto i = static_cast<std::size_t>(t);
        computeO1TimePoint(chosenO1[i], runnerCount, table.win[i], table.placeLow[i], table.placeHigh[i]);
    }
    summarisePopularity(table.win, o1Points, runnerCount, table.winPop);
    summarisePopularity(table.placeLow, o1Points, runnerCount, table.placeLowPop);
    summarisePopularity(table.placeHigh, o1Points, runnerCount, table.placeHighPop);

    for (int t = 0; t < o2Points; ++t) {
        const auto i = static_cast<std::size_t>(t);
        computePseudoTimePoint(chosenO2[i], runnerCount, table.win[i].odds, table.pseudo[i]);
    }
    summarisePopularity(table.pseudo, o2Points, runnerCount, table.pseudoPop);
}

} // namespace tidemark::analysis
