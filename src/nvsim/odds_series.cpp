#include "nvsim/odds_series.h"

#include <algorithm>
#include <cmath>

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

constexpr double kTwoPi = 6.283185307179586;

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

} // namespace

OddsSeries::OddsSeries(const SimRace& race) : m_race(race)
{
    SimRandom rng(mixSeed(race.seed, "odds"));
    const double size = race.banei() ? 0.6 : 1.0;
    const double scale = race.grade == '-' ? 1.0 : race.grade == 'E' ? 1.6 : 4.0;
    m_finalWinVotes = static_cast<std::int64_t>((15000 + rng.unit() * 120000) * size * scale);
    m_advanceShare = race.advanceSale ? 0.03 + 0.05 * rng.unit() : 0.0;
    for (auto& f : m_freq) {
        f = kTwoPi / (40.0 + rng.unit() * 200.0);
    }
    auto phase = [&rng] {
        const double a = rng.unit() * kTwoPi;
        return Phase{std::cos(a), std::sin(a)};
    };
    m_phase.resize(race.runners.size());
    for (auto& ph : m_phase) {
        for (auto& p : ph) {
            p = phase();
        }
    }
    m_pairPhase.resize(153);
    for (auto& p : m_pairPhase) {
        p = phase();
    }
    for (auto& p : m_bracketPhase) {
        p = phase();
    }

    auto add = [&](SimMinute at, char kind) {
        m_entries.push_back({at, kind});
        if (rng.chance(0.004)) {
            m_entries.push_back({at, '0'}); // an announcement withdrawn and sent again
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
    m_entries.push_back({stop, race.cancelled ? '9' : '3'});
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
    const Entry& e = m_entries.at(index);
    return compute(e.at, e.dataKind, pools);
}

OddsSnapshot OddsSeries::closing() const
{
    return compute(m_race.postAt(), '3', Pools::All);
}

OddsSnapshot OddsSeries::compute(SimMinute at, char kind, Pools pools) const
{
    const bool quinellaWanted = pools != Pools::WinPlaceBracket;
    const SimRace& race = m_race;
    const std::size_t n = race.runners.size();
    OddsSnapshot s;
    s.at = at;
    s.dataKind = kind;
    s.created = at;
    // Bracket quinella is sold only when more than eight horses start.
    int starters = 0;
    for (const auto& r : race.runners) {
        starters += r.scratch != Scratch::BeforeSale;
    }
    s.bracketSold = starters > 8;

    // How far the pools have filled.
    const SimMinute post = race.postAt();
    double filled;
    if (at < race.saleStart) {
        const double span = std::max<double>(1.0, static_cast<double>(race.advanceEnd - race.advanceStart));
        const double u = std::clamp(static_cast<double>(at - race.advanceStart) / span, 0.0, 1.0);
        filled = m_advanceShare * (0.1 + 0.9 * u);
    } else {
        const double span = std::max<double>(1.0, static_cast<double>(post - race.saleStart));
        const double u = std::clamp(static_cast<double>(at - race.saleStart) / span, 0.0, 1.0);
        filled = m_advanceShare + (1.0 - m_advanceShare) * (0.015 + 0.985 * std::pow(u, 2.5));
    }
    const double total = static_cast<double>(m_finalWinVotes) * filled;
    const double minutesLeft = static_cast<double>(post - at);
    const double late = 0.55 * std::pow(std::clamp(1.0 - minutesLeft / 45.0, 0.0, 1.0), 1.5);
    const double noise = 0.1 + 0.2 * std::clamp(minutesLeft / 300.0, 0.0, 1.0);
    const double tau = static_cast<double>(at - race.saleStart);
    // sin(ωτ + φ) = sin ωτ cos φ + cos ωτ sin φ
    std::array<Phase, 3> wave{};
    for (std::size_t k = 0; k < 3; ++k) {
        wave[k] = {std::cos(m_freq[k] * tau), std::sin(m_freq[k] * tau)};
    }
    auto waveAt = [&wave](std::size_t k, const Phase& p) { return wave[k].s * p.c + wave[k].c * p.s; };
    // e^x near 1 for the small pool wobbles, without a call per pair.
    auto nearOne = [](double x) { return 1.0 + x + 0.5 * x * x; };

    // The public's win shares.
    std::vector<double> share(n, 0.0);
    std::vector<bool> active(n, false);
    double shareSum = 0;
    int activeCount = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const SimRunner& r = race.runners[i];
        if (!activeAt(r, at)) {
            continue;
        }
        active[i] = true;
        ++activeCount;
        double w = (1.0 - late) * std::log(r.strength) + late * std::log(r.form);
        for (std::size_t k = 0; k < 3; ++k) {
            w += noise / static_cast<double>(k + 1) * waveAt(k, m_phase[i][k]);
        }
        share[i] = std::exp(w);
        shareSum += share[i];
    }
    for (auto& v : share) {
        v /= shareSum;
    }

    // Win and place pools.
    s.win.assign(n, kOddsBlank);
    s.winPop.assign(n, kOddsBlank);
    s.placeLow.assign(n, kOddsBlank);
    s.placeHigh.assign(n, kOddsBlank);
    s.placePop.assign(n, kOddsBlank);
    s.winVotes.assign(n, 0);
    s.placeVotes.assign(n, 0);
    std::vector<double> placeShare(n, 0.0);
    double placeSum = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (active[i]) {
            s.winVotes[i] = static_cast<std::int64_t>(std::floor(total * share[i] + 0.5));
            placeShare[i] = std::pow(share[i], 0.65);
            placeSum += placeShare[i];
            s.winTotal += s.winVotes[i];
        }
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (active[i]) {
            s.placeVotes[i] = static_cast<std::int64_t>(std::floor(total * 0.55 * placeShare[i] / placeSum + 0.5));
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
        s.win[i] = static_cast<int>(std::min<std::int64_t>(9999, poolTenths(s.winTotal, 8, 10, s.winVotes[i], 1, s.winVotes[i])));
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
    rankInto(s.win, s.winPop, n);
    rankInto(s.placeLow, s.placePop, n);

    // Quinella and bracket quinella from the same view (Harville's pair chances).
    const double quinellaTotal = total * 1.4;
    const double bracketTotal = total * 0.3;
    std::array<double, 36> bracketChance{};
    std::array<bool, 36> bracketExists{};
    std::array<bool, 36> bracketLive{};
    std::array<int, 36> bracketMarker{};
    s.quinella.fill(kOddsBlank);
    s.quinellaPop.fill(kOddsBlank);
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = i + 1; j < n; ++j) {
            const int slot = quinellaPairSlot(static_cast<int>(i) + 1, static_cast<int>(j) + 1);
            const int a = race.runners[i].bracket;
            const int b = race.runners[j].bracket;
            const int bslot = bracketPairSlot(std::min(a, b), std::max(a, b));
            bracketExists[static_cast<std::size_t>(bslot)] = true;
            if (!active[i] || !active[j]) {
                const int m = !active[i] ? markerOf(race.runners[i]) : markerOf(race.runners[j]);
                s.quinella[static_cast<std::size_t>(slot)] = m;
                if (bracketMarker[static_cast<std::size_t>(bslot)] != kOddsAfterSaleCancel) {
                    bracketMarker[static_cast<std::size_t>(bslot)] = m;
                }
                continue;
            }
            const double pi = share[i];
            const double pj = share[j];
            const double chance = pi * pj * (1.0 / (1.0 - pi) + 1.0 / (1.0 - pj));
            bracketChance[static_cast<std::size_t>(bslot)] += chance;
            bracketLive[static_cast<std::size_t>(bslot)] = true;
            if (!quinellaWanted) {
                continue;
            }
            const double wobble = nearOne(0.08 * waveAt(0, m_pairPhase[static_cast<std::size_t>(slot)]));
            const auto votes = static_cast<std::int64_t>(std::floor(quinellaTotal * chance * wobble + 0.5));
            s.quinellaVotes[static_cast<std::size_t>(slot)] = votes;
            s.quinellaTotal += votes;
        }
    }
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = i + 1; j < n; ++j) {
            const auto slot = static_cast<std::size_t>(quinellaPairSlot(static_cast<int>(i) + 1, static_cast<int>(j) + 1));
            if (quinellaWanted && active[i] && active[j]) {
                s.quinella[slot] = static_cast<int>(std::min<std::int64_t>(
                    999999, poolTenths(s.quinellaTotal, 75, 100, s.quinellaVotes[slot], 1, s.quinellaVotes[slot])));
            }
        }
    }
    if (quinellaWanted) {
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
            const double wobble = nearOne(0.06 * waveAt(1, m_bracketPhase[k]));
            s.bracketVotes[k] = static_cast<std::int64_t>(std::floor(bracketTotal * bracketChance[k] * wobble + 0.5));
            s.bracketTotal += s.bracketVotes[k];
        }
        for (std::size_t k = 0; k < 36; ++k) {
            if (bracketLive[k]) {
                s.bracket[k] = static_cast<int>(std::min<std::int64_t>(
                    99999, poolTenths(s.bracketTotal, 75, 100, s.bracketVotes[k], 1, s.bracketVotes[k])));
            }
        }
        rankInto(s.bracket, s.bracketPop, 36);
    }
    return s;
}

} // namespace tidemark::nvsim
