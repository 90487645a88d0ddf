#include "nvsim/odds_series.h"

#include <algorithm>

#include "nvsim/sim_random.h"

namespace tidemark::nvsim {

int bracketPairSlot(int a, int b) noexcept
{
    return 9 * (a - 1) - (a - 1) * a / 2 + (b - a + 1) - 1;
}

int quinellaPairSlot(int a, int b) noexcept
{
    return 18 * (a - 1) - (a - 1) * a / 2 + (b - a) - 1;
}

std::int64_t poolTenths(std::int64_t total, int num, int den, std::int64_t winnerVotes, int winners,
                        std::int64_t votes) noexcept
{
    if (votes <= 0 || winners <= 0) {
        return 0;
    }
    // 10 × (1 + (total × num/den − winnerVotes) / (winners × votes)), rounded down.
    const std::int64_t stake = static_cast<std::int64_t>(winners) * votes * den;
    const std::int64_t back = stake + total * num - winnerVotes * den;
    if (back <= 0) {
        return 10;
    }
    return std::max<std::int64_t>(10, 10 * back / stake);
}

namespace {

bool activeAt(const SimRunner& r, SimMinute at) noexcept
{
    switch (r.scratch) {
    case Scratch::None:
        return true;
    case Scratch::BeforeSale:
        return false;
    case Scratch::AfterSale:
        return at < r.scratchAt;
    }
    return true;
}

int markerOf(const SimRunner& r) noexcept
{
    return r.scratch == Scratch::BeforeSale ? kOddsBeforeSaleCancel : kOddsAfterSaleCancel;
}

// 1 + the number of entries with strictly shorter odds; ties share a rank.
template <class Container>
void rankInto(const Container& odds, Container& pops, std::size_t count)
{
    std::array<std::size_t, 153> order{};
    std::size_t priced = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (odds[i] > 0) {
            order[priced++] = i;
        } else {
            pops[i] = odds[i] == 0 ? 0 : odds[i];
        }
    }
    std::sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(priced),
              [&](std::size_t a, std::size_t b) { return odds[a] < odds[b]; });
    for (std::size_t k = 0; k < priced; ++k) {
        const std::size_t i = order[k];
        pops[i] = k > 0 && odds[order[k - 1]] == odds[i] ? pops[order[k - 1]] : static_cast<int>(k) + 1;
    }
}

// An announcement every one to three minutes from the sale start to the post (or the
// cancellation); now and then one is withdrawn and sent again.
std::vector<OddsSeries::Entry> announcements(const SimRace& race)
{
    SimRandom rng(mixSeed(race.seed, "odds"));
    std::vector<OddsSeries::Entry> entries;
    auto add = [&](SimMinute at, char kind) {
        entries.push_back({at, kind});
        if (rng.chance(0.004)) {
            entries.push_back({at, '0'});
        }
    };
    const SimMinute stop = race.cancelled ? race.cancelAt : race.postAt();
    if (race.advanceSale) {
        SimMinute t = race.advanceStart;
        while (t <= race.advanceEnd) {
            const SimMinute next = t + rng.uniform(1, 3);
            add(t, next > race.advanceEnd ? '2' : '1');
            t = next;
        }
    }
    for (SimMinute t = race.saleStart; t < stop; t += rng.uniform(1, 3)) {
        add(t, '1');
    }
    entries.push_back({stop, race.cancelled ? '9' : '3'});
    return entries;
}

std::vector<SimMinute> timesOf(const std::vector<OddsSeries::Entry>& entries)
{
    std::vector<SimMinute> out;
    out.reserve(entries.size());
    for (const auto& e : entries) {
        out.push_back(e.at);
    }
    return out;
}

} // namespace

OddsSeries::OddsSeries(const SimRace& race)
    : m_race(race)
    , m_entries(announcements(race))
    , m_market(race, timesOf(m_entries))
{
}

std::size_t OddsSeries::countUpTo(SimMinute now) const
{
    std::size_t n = 0;
    while (n < m_entries.size() && m_entries[n].at <= now) {
        ++n;
    }
    return n;
}

OddsSnapshot OddsSeries::snapshot(std::size_t index, Pools pools) const
{
    return compute(index, pools);
}

OddsSnapshot OddsSeries::closing() const
{
    return compute(m_entries.size() - 1, Pools::All);
}

OddsSnapshot OddsSeries::compute(std::size_t index, Pools pools) const
{
    const Entry& e = m_entries.at(index);
    const SimMinute at = e.at;
    const bool quinellaWanted = pools != Pools::WinPlaceBracket;
    const bool winWanted = pools != Pools::Quinella;
    const SimRace& race = m_race;
    const std::size_t n = race.runners.size();
    OddsSnapshot s;
    s.at = at;
    s.dataKind = e.dataKind;
    s.created = at;
    // Bracket quinella is sold only when more than eight horses start.
    int starters = 0;
    for (const auto& r : race.runners) {
        starters += r.scratch != Scratch::BeforeSale;
    }
    s.bracketSold = starters > 8;

    std::vector<bool> active(n, false);
    int activeCount = 0;
    for (std::size_t i = 0; i < n; ++i) {
        active[i] = activeAt(race.runners[i], at);
        activeCount += active[i];
    }
    const auto winVotes = m_market.win(index);
    const auto placeVotes = m_market.place(index);
    const auto bracketVotes = m_market.bracket(index);
    const auto quinellaVotes = m_market.quinella(index);

    // Win and place pools.
    s.win.assign(n, kOddsBlank);
    s.winPop.assign(n, kOddsBlank);
    s.placeLow.assign(n, kOddsBlank);
    s.placeHigh.assign(n, kOddsBlank);
    s.placePop.assign(n, kOddsBlank);
    s.winVotes.assign(n, 0);
    s.placeVotes.assign(n, 0);
    for (std::size_t i = 0; i < n; ++i) {
        if (active[i]) {
            s.winVotes[i] = winVotes[i];
            s.placeVotes[i] = placeVotes[i];
            s.winTotal += s.winVotes[i];
            s.placeTotal += s.placeVotes[i];
        }
    }
    s.placesPaid = activeCount >= 8 ? 3 : 2;
    std::vector<std::int64_t> others;
    for (std::size_t i = 0; i < n; ++i) {
        if (!active[i]) {
            const int m = markerOf(race.runners[i]);
            s.win[i] = s.winPop[i] = s.placeLow[i] = s.placeHigh[i] = s.placePop[i] = m;
            continue;
        }
        if (!winWanted) {
            continue;
        }
        s.win[i] = static_cast<int>(std::min<std::int64_t>(9999, poolTenths(s.winTotal, 8, 10, s.winVotes[i], 1, s.winVotes[i])));
        // The place range: the other placed horses the most and the least backed.
        others.clear();
        for (std::size_t j = 0; j < n; ++j) {
            if (active[j] && j != i) {
                others.push_back(s.placeVotes[j]);
            }
        }
        std::sort(others.begin(), others.end());
        const auto k = static_cast<std::size_t>(s.placesPaid - 1);
        std::int64_t heavy = s.placeVotes[i];
        std::int64_t light = s.placeVotes[i];
        for (std::size_t j = 0; j < k && j < others.size(); ++j) {
            light += others[j];
            heavy += others[others.size() - 1 - j];
        }
        const auto v = s.placeVotes[i];
        s.placeLow[i] = static_cast<int>(std::min<std::int64_t>(9999, poolTenths(s.placeTotal, 8, 10, heavy, s.placesPaid, v)));
        s.placeHigh[i] = static_cast<int>(std::min<std::int64_t>(9999, poolTenths(s.placeTotal, 8, 10, light, s.placesPaid, v)));
        s.placeHigh[i] = std::max(s.placeHigh[i], s.placeLow[i]);
    }
    if (winWanted) {
        rankInto(s.win, s.winPop, n);
        rankInto(s.placeLow, s.placePop, n);
    }

    // Quinella, and the bracket pairs the horse pairs make.
    std::array<bool, 36> bracketExists{};
    std::array<bool, 36> bracketLive{};
    std::array<int, 36> bracketMarker{};
    s.quinella.fill(kOddsBlank);
    s.quinellaPop.fill(kOddsBlank);
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = i + 1; j < n; ++j) {
            const auto slot = static_cast<std::size_t>(quinellaPairSlot(static_cast<int>(i) + 1, static_cast<int>(j) + 1));
            const int a = race.runners[i].bracket;
            const int b = race.runners[j].bracket;
            const auto bslot = static_cast<std::size_t>(bracketPairSlot(std::min(a, b), std::max(a, b)));
            bracketExists[bslot] = true;
            if (!active[i] || !active[j]) {
                const int m = !active[i] ? markerOf(race.runners[i]) : markerOf(race.runners[j]);
                s.quinella[slot] = m;
                if (bracketMarker[bslot] != kOddsAfterSaleCancel) {
                    bracketMarker[bslot] = m;
                }
                continue;
            }
            bracketLive[bslot] = true;
            s.quinellaVotes[slot] = quinellaVotes[slot];
            s.quinellaTotal += s.quinellaVotes[slot];
        }
    }
    if (quinellaWanted) {
        for (std::size_t i = 0; i < n; ++i) {
            for (std::size_t j = i + 1; j < n; ++j) {
                const auto slot = static_cast<std::size_t>(quinellaPairSlot(static_cast<int>(i) + 1, static_cast<int>(j) + 1));
                if (active[i] && active[j]) {
                    s.quinella[slot] = static_cast<int>(std::min<std::int64_t>(
                        999999, poolTenths(s.quinellaTotal, 75, 100, s.quinellaVotes[slot], 1, s.quinellaVotes[slot])));
                }
            }
        }
        rankInto(s.quinella, s.quinellaPop, 153);
    }

    s.bracket.fill(kOddsBlank);
    s.bracketPop.fill(kOddsBlank);
    if (s.bracketSold) {
        for (std::size_t k = 0; k < 36; ++k) {
            if (!bracketExists[k]) {
                continue;
            }
            if (!bracketLive[k]) {
                s.bracket[k] = bracketMarker[k];
                continue;
            }
            s.bracketVotes[k] = bracketVotes[k];
            s.bracketTotal += s.bracketVotes[k];
        }
        if (winWanted) {
            for (std::size_t k = 0; k < 36; ++k) {
                if (bracketLive[k]) {
                    s.bracket[k] = static_cast<int>(std::min<std::int64_t>(
                        99999, poolTenths(s.bracketTotal, 75, 100, s.bracketVotes[k], 1, s.bracketVotes[k])));
                }
            }
            rankInto(s.bracket, s.bracketPop, 36);
        }
    }
    return s;
}

} // namespace tidemark::nvsim
