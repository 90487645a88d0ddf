#include "analysis/selected_moment.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include "analysis/odds_values.h"
#include "records/pair_index.h"
#include "records/record_view.h"
#include "text/cp932.h"
#include "text/number_format.h"

namespace tidemark::analysis {

namespace {

int runnersOf(const RaceRecord& record) { return std::clamp(record.runnerCount, 0, kMaxHorses); }

// A popularity key: two prices rounded as written, then the horse number. Ordered as
// the fixed-width key texts are, without the width limit: a pseudo-quinella price of
// 10000 or more still sorts after 9999.9 and never runs into the horse number.
struct PopularityKey {
    double first;
    double second;
    int horse;
    bool operator<(const PopularityKey& o) const
    {
        return std::tie(first, second, horse) < std::tie(o.first, o.second, o.horse);
    }
};

// Walks the sorted keys: place n (from 1) is the popularity of the key's horse.
void assignPopularity(std::vector<PopularityKey>& keys, PerHorse<int>& popularity)
{
    std::sort(keys.begin(), keys.end());
    int n = 0;
    for (const PopularityKey& k : keys)
        if (k.horse > 0)
            popularity[static_cast<std::size_t>(k.horse)] = ++n;
}

bool holdsNumber(double odds) { return odds != kOddsBlank && odds != kOddsCancelled; }

// A field of a snapshot of the series as the comparison reads it: digits / 10, anything
// else 0.
double seriesPrice(const records::OddsField& field)
{
    return field.hasNumber() ? static_cast<double>(field.tenths()) / 10.0 : 0.0;
}

void consider(OddsExtremes& e, double price, std::string_view time)
{
    if (!e.counted) {
        e.counted = true;
        e.highest = e.lowest = price;
        e.highestTime = e.lowestTime = time;
        return;
    }
    if (price > e.highest) {
        e.highest = price;
        e.highestTime = time;
    }
    if (price < e.lowest) {
        e.lowest = price;
        e.lowestTime = time;
    }
}

} // namespace

StdDevKind stdDevKindOf(int setting) { return setting == 0 ? StdDevKind::Sample : StdDevKind::Population; }

double roundedTenths(double odds) { return text::readDecimal(text::formatFixed(odds, 0, 1)); }

// --- popularity, pseudo quinella, differences -----------------------------------------

void rankAtMoment(RaceRecord& r)
{
    std::vector<PopularityKey> win, low, high;
    const int runners = runnersOf(r);
    for (int h = 1; h <= runners; ++h) {
        const auto i = static_cast<std::size_t>(h);
        if (!holdsNumber(r.placeLowOdds[i]))
            continue;
        const double w = roundedTenths(r.winOdds[i]);
        const double l = roundedTenths(r.placeLowOdds[i]);
        const double u = roundedTenths(r.placeHighOdds[i]);
        if (r.winOdds[i] > 0.0)
            win.push_back({w, l, h});
        if (r.placeLowOdds[i] > 0.0)
            low.push_back({l, u, h});
        if (r.placeHighOdds[i] > 0.0)
            high.push_back({u, l, h});
    }
    assignPopularity(win, r.winPopularity);
    assignPopularity(low, r.placeLowPopularity);
    assignPopularity(high, r.placeHighPopularity);
}

void computePseudoQuinella(RaceRecord& r)
{
    PerHorse<double> sum{};
    // Pairs in index order, so each horse adds its pairs in the order of the record.
    for (int k = 1; k <= kQuinellaPairs; ++k) {
        const double v = r.quinellaOdds[static_cast<std::size_t>(k)];
        if (!(v > 0.0))
            continue;
        const records::Pair p = records::quinellaPair(k);
        sum[static_cast<std::size_t>(p.first)] += kPseudoContributionNumerator / v;
        sum[static_cast<std::size_t>(p.second)] += kPseudoContributionNumerator / v;
    }
    std::vector<PopularityKey> keys;
    for (int h = 1; h <= kMaxHorses; ++h) {
        const auto i = static_cast<std::size_t>(h);
        if (!(sum[i] > 0.0))
            continue;
        r.pseudoQuinellaShare[i] = sum[i];
        r.pseudoQuinellaOdds[i] = kPseudoOddsNumerator / sum[i];
        if (r.winOdds[i] > 0.0)
            keys.push_back({roundedTenths(r.pseudoQuinellaOdds[i]), roundedTenths(r.winOdds[i]), h});
    }
    assignPopularity(keys, r.pseudoQuinellaPopularity);
}

void computePopularityGaps(RaceRecord& r)
{
    const int runners = runnersOf(r);
    for (int h = 1; h <= runners; ++h) {
        const auto i = static_cast<std::size_t>(h);
        const double w = r.winOdds[i];
        const double l = r.placeLowOdds[i];
        const double s = r.pseudoQuinellaShare[i];
        const int wp = r.winPopularity[i];
        const int lp = r.placeLowPopularity[i];
        const int qp = r.pseudoQuinellaPopularity[i];
        // A popularity order implies odds above 0, so none of these divides by zero.
        if (wp > 0 && lp > 0) {
            r.popDiffWinPlace[i] = wp - lp;
            r.ratioWinPlace[i] = (kWinShareNumerator / w) / ((kWinShareNumerator / l) / 3.0);
        }
        if (wp > 0 && qp > 0) {
            r.popDiffWinPseudo[i] = wp - qp;
            r.ratioWinPseudo[i] = (kWinShareNumerator / w) / s;
        }
        if (qp > 0 && lp > 0) {
            r.popDiffPseudoPlace[i] = qp - lp;
            r.ratioPseudoPlace[i] = s / ((kWinShareNumerator / l) / 3.0);
        }
    }
}

void analysePopularity(RaceRecord& record)
{
    rankAtMoment(record);
    computePseudoQuinella(record);
    computePopularityGaps(record);
}

std::optional<double> winShareDeviation(const RaceRecord& r, int pricedHorses, StdDevKind kind)
{
    const int count = pricedHorses;
    if (count <= 4)
        return std::nullopt;
    // Priced horses in number order first; horses of zero odds leave their 0 at the end.
    std::vector<double> shares(static_cast<std::size_t>(count), 0.0);
    std::size_t next = 0;
    const int runners = runnersOf(r);
    for (int h = 1; h <= runners && next < shares.size(); ++h) {
        const double w = r.winOdds[static_cast<std::size_t>(h)];
        if (w > 0.0)
            shares[next++] = kWinShareNumerator / w;
    }
    double mean = 0.0;
    for (double v : shares)
        mean += v;
    mean /= count;
    double squares = 0.0;
    for (double v : shares)
        squares += (v - mean) * (v - mean);
    double divisor = 0;
    switch (kind) {
    case StdDevKind::Sample:
        divisor = count - 1;
        break;
    case StdDevKind::Population:
        divisor = count;
        break;
    }
    const double deviation = std::sqrt(squares / divisor);
    if (!(deviation > 0.0))
        return std::nullopt;
    return deviation;
}

// --- sorted lists ---------------------------------------------------------------------

std::vector<RankedOdds> rankByOdds(const double* oddsFrom1, int count)
{
    std::vector<RankedOdds> out;
    for (int i = 1; i <= count; ++i) {
        const double v = oddsFrom1[i];
        if (v > 0.0)
            out.push_back({i, roundedTenths(v)});
    }
    std::sort(out.begin(), out.end(), [](const RankedOdds& a, const RankedOdds& b) {
        return std::tie(a.odds, a.number) < std::tie(b.odds, b.number);
    });
    return out;
}

PopularityLists popularityLists(const RaceRecord& r)
{
    PopularityLists lists;
    const int runners = runnersOf(r);
    lists.win = rankByOdds(r.winOdds, runners);
    lists.placeLow = rankByOdds(r.placeLowOdds, runners);
    lists.placeHigh = rankByOdds(r.placeHighOdds, runners);
    lists.bracket = rankByOdds(r.bracketOdds, kBracketPairs);
    lists.quinella = rankByOdds(r.quinellaOdds, kQuinellaPairs);
    return lists;
}

// --- gap tables -----------------------------------------------------------------------

double GapRow::ratio() const
{
    if (!(upper.odds > 0.0) || !(lower.odds > 0.0))
        return 0.0;
    return lower.odds / upper.odds;
}

double GapRow::shownRatio() const
{
    const double r = ratio();
    return r > 0.0 ? text::readDecimal(text::formatFixed(r, 6, 1)) : 0.0;
}

bool gapMarked(double shownRatio, double threshold)
{
    return std::llround(shownRatio * 100.0) >= std::llround(threshold * 100.0);
}

GapTable gapTable(const RaceRecord& r, GapFigure figure)
{
    const int runners = runnersOf(r);
    std::vector<RankedOdds> order;
    switch (figure) {
    case GapFigure::Win:
        order = rankByOdds(r.winOdds, runners);
        break;
    case GapFigure::PlaceLow:
        order = rankByOdds(r.placeLowOdds, runners);
        break;
    case GapFigure::PlaceHigh:
        order = rankByOdds(r.placeHighOdds, runners);
        break;
    case GapFigure::PseudoQuinella:
        order = rankByOdds(r.pseudoQuinellaOdds, runners);
        break;
    }
    GapTable table;
    table.priced = static_cast<int>(order.size());
    for (std::size_t n = 1; n < order.size(); ++n)
        table.rows.push_back({static_cast<int>(n), order[n - 1], order[n]});
    return table;
}

// --- bracket quinella against quinella ------------------------------------------------

std::vector<BracketAdvantage> bracketAdvantages(const RaceSlot& slot)
{
    const RaceRecord& r = slot.record;
    const records::O1View o1(std::string_view(slot.o1Selected));
    const records::O2View o2(std::string_view(slot.o2Selected));
    std::vector<BracketAdvantage> out;
    for (int k = 1; k <= kQuinellaPairs; ++k) {
        const records::Pair horses = records::quinellaPair(k);
        const int a = records::BracketOfHorse(r.runnerCount, horses.first);
        const int b = records::BracketOfHorse(r.runnerCount, horses.second);
        const int j = records::bracketPairIndex(a, b);
        if (j < 1)
            continue;
        const double q = r.quinellaOdds[static_cast<std::size_t>(k)];
        const double w = r.bracketOdds[static_cast<std::size_t>(j)];
        if (!(q > 0.0 && q < w))
            continue;
        BracketAdvantage row;
        row.bracketA = std::min(a, b);
        row.bracketB = std::max(a, b);
        row.bracketPair = j;
        row.bracketOdds = w;
        row.bracketPopularity = o1.bracketPopularity(j);
        row.horseA = horses.first;
        row.horseB = horses.second;
        row.quinellaPair = k;
        row.quinellaOdds = q;
        row.quinellaPopularity = o2.quinellaPopularity(k);
        out.push_back(row);
    }
    std::sort(out.begin(), out.end(), [](const BracketAdvantage& x, const BracketAdvantage& y) {
        const double xw = roundedTenths(x.bracketOdds), yw = roundedTenths(y.bracketOdds);
        const double xq = roundedTenths(x.quinellaOdds), yq = roundedTenths(y.quinellaOdds);
        return std::tie(xw, x.bracketA, x.bracketB, x.bracketPopularity, xq, x.horseA, x.horseB) <
               std::tie(yw, y.bracketA, y.bracketB, y.bracketPopularity, yq, y.horseA, y.horseB);
    });
    return out;
}

// --- time difference ------------------------------------------------------------------

TimeDifferences timeDifferences(const RaceRecord& r, const SnapshotList& o1Snapshots, std::string_view key)
{
    TimeDifferences out;
    const int runners = runnersOf(r);
    std::vector<int> horses;
    for (int h = 1; h <= runners; ++h)
        if (r.winOdds[static_cast<std::size_t>(h)] > 0.0 && r.placeLowOdds[static_cast<std::size_t>(h)] > 0.0)
            horses.push_back(h);
    if (horses.empty())
        return out;
    for (const std::string& line : o1Snapshots) {
        const records::O1View s{std::string_view(line)};
        if (s.announcementTime() == key)
            continue;
        // "hh:nn" of the snapshot, copied into the extremes only where one moves.
        char hhnn[8];
        const std::string_view hh = text::bytesAt(line, 32, 2);
        const std::string_view nn = text::bytesAt(line, 34, 2);
        hh.copy(hhnn, hh.size());
        hhnn[hh.size()] = ':';
        nn.copy(hhnn + hh.size() + 1, nn.size());
        const std::string_view time(hhnn, hh.size() + 1 + nn.size());
        for (int h : horses) {
            const double w = seriesPrice(s.win(h));
            const double l = seriesPrice(s.placeLow(h));
            if (!(w > 0.0 && l > 0.0))
                continue;
            consider(out.win[static_cast<std::size_t>(h)], w, time);
            consider(out.place[static_cast<std::size_t>(h)], l, time);
        }
    }
    return out;
}

// --- the whole moment -----------------------------------------------------------------

MomentAnalysis analyseSelectedMoment(RaceSlot& slot, int pricedHorses, StdDevKind kind,
                                     const SnapshotList& o1Snapshots, std::string_view key)
{
    RaceRecord& r = slot.record;
    analysePopularity(r);
    MomentAnalysis m;
    m.deviation = winShareDeviation(r, pricedHorses, kind);
    m.lists = popularityLists(r);
    for (GapFigure f : kGapFigures)
        m.gaps[static_cast<std::size_t>(f)] = gapTable(r, f);
    m.advantages = bracketAdvantages(slot);
    m.timeDifferences = timeDifferences(r, o1Snapshots, key);
    return m;
}

} // namespace tidemark::analysis
