#include "nvsim/market_path.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>

#include "nvsim/odds_series.h"
#include "nvsim/sim_math.h"
#include "nvsim/sim_random.h"

namespace tidemark::nvsim {

namespace {

constexpr double kFlatten = 0.85; // see crowdWeight
// Opinions wander around the rating: log-belief spread and how long a mood lasts.
constexpr double kOpinionSpread = 0.10;
constexpr double kOpinionMinutes = 45.0;
// How often the crowd revises its beliefs (the sums behind them are the dearest part of
// a minute of the market; the stakes between revisions carry the noise).
constexpr SimMinute kReviseMinutes = 5;
// Fixed tastes for particular pairs (a jockey's fans, a favourite number).
constexpr double kPairTaste = 0.15;
// The other pools against the win pool.
constexpr double kPlacePool = 0.7;
constexpr double kBracketPool = 0.25;
constexpr double kQuinellaPool = 1.5;
// How much of a steam's message the crowd takes up once the odds have moved.
constexpr double kFollow = 0.35;
// Stakes in votes (100 yen each): 1 vote for 1229 bettors in 2048, 2 for 512, 3 for
// 205 and 5 for 102 (60 %, 25 %, 10 %, 5 %); drawn from eleven random bits.
constexpr std::uint64_t kStakeBits = 2047;
constexpr std::uint64_t kStakeTwo = 1229;
constexpr std::uint64_t kStakeThree = 1741;
constexpr std::uint64_t kStakeFive = 1946;
constexpr double kStakeMean = 3378.0 / 2048.0;   // Σ p s
constexpr double kStakeSquare = 7672.0 / 2048.0; // Σ p s²

int stakeOf(std::uint64_t bits)
{
    const std::uint64_t b = bits & kStakeBits;
    return 1 + static_cast<int>(b >= kStakeTwo) + static_cast<int>(b >= kStakeThree) + 2 * static_cast<int>(b >= kStakeFive);
}

// e^-x for 0 <= x < 20 from a table of steps of 1/64 and four terms of the series for
// the rest: the chance of no bettor at all, asked for many thousand times a race.
double expNegative(double x)
{
    static const std::array<double, 1281> table = [] {
        std::array<double, 1281> t{};
        for (std::size_t j = 0; j < t.size(); ++j) {
            t[j] = simExp(-static_cast<double>(j) / 64.0);
        }
        return t;
    }();
    const auto j = static_cast<std::size_t>(x * 64.0);
    const double d = x - static_cast<double>(j) / 64.0;
    return table[std::min<std::size_t>(j, 1280)] * (1.0 - d * (1.0 - d * 0.5 * (1.0 - d / 3.0 * (1.0 - d * 0.25))));
}

// How the money of a race spreads over its selling period, as shares of its win pool.
struct Flow {
    double advance = 0; // the evening before (advance-sale races only)
    double opening = 0; // orders waiting when the race-day sale opens
    double steady = 0;  // a thin even flow through the day
    double swell = 0;   // rising over the last half hour or so
    double late = 0;    // the rush of the last minutes
    double swellMinutes = 30;
    double lateMinutes = 6;
};

Flow drawFlow(const SimRace& race, SimRandom& rng)
{
    Flow f;
    if (race.advanceSale) {
        f.advance = 0.04 + 0.06 * rng.unit();
    }
    f.opening = 0.06 + 0.06 * rng.unit();
    const double rest = 1.0 - f.advance - f.opening;
    f.late = rest * (0.40 + 0.20 * rng.unit());
    f.swell = rest * (0.24 + 0.12 * rng.unit());
    f.steady = rest - f.late - f.swell; // at least 4 % of the rest
    f.lateMinutes = 4.0 + 4.0 * rng.unit();
    f.swellMinutes = 20.0 + 20.0 * rng.unit();
    return f;
}

// The race's selling clock: how much of the final win pool is in by a moment.
class Clock {
public:
    Clock(const Flow& flow, const SimRace& race)
        : m_flow(flow)
        , m_race(race)
        , m_length(static_cast<double>(std::max<SimMinute>(1, race.postAt() - race.saleStart)))
        , m_swellAll(simExp(-m_length / flow.swellMinutes))
        , m_lateAll(simExp(-m_length / flow.lateMinutes))
    {
    }

    double taken(SimMinute t) const
    {
        double c = 0;
        if (m_race.advanceSale && t >= m_race.advanceStart) {
            const double span = static_cast<double>(std::max<SimMinute>(1, m_race.advanceEnd - m_race.advanceStart));
            const double u = std::min(1.0, static_cast<double>(t - m_race.advanceStart) / span);
            c += m_flow.advance * (0.35 + 0.65 * (0.5 * u + 0.5 * u * u));
        }
        if (t >= m_race.saleStart) {
            const double left = static_cast<double>(std::max<SimMinute>(0, m_race.postAt() - t));
            const double since = m_length - left;
            c += m_flow.opening + m_flow.steady * since / m_length
                + m_flow.swell * (simExp(-left / m_flow.swellMinutes) - m_swellAll) / (1.0 - m_swellAll)
                + m_flow.late * (simExp(-left / m_flow.lateMinutes) - m_lateAll) / (1.0 - m_lateAll);
        }
        return c;
    }

private:
    const Flow& m_flow;
    const SimRace& m_race;
    double m_length;
    double m_swellAll;
    double m_lateAll;
};

// Bettors at the windows: how many votes a given expectation of money brings.
class Bettors {
public:
    explicit Bettors(std::uint64_t seed) : m_rng(seed) {}

    // Standard normal (Marsaglia's polar method, both values used).
    double normal()
    {
        if (m_hasSpare) {
            m_hasSpare = false;
            return m_spare;
        }
        for (;;) {
            const double a = 2.0 * m_rng.unit() - 1.0;
            const double b = 2.0 * m_rng.unit() - 1.0;
            const double s = a * a + b * b;
            if (s > 0.0 && s < 1.0) {
                const double f = std::sqrt(-2.0 * simLog(s) / s);
                m_spare = b * f;
                m_hasSpare = true;
                return a * f;
            }
        }
    }

    // The money `expected` votes' worth of bettors bring to the entries of one pool,
    // each bettor choosing an entry in proportion to `belief` and staking from the stake
    // table: a Poisson number of bettors in all, so the entries' votes are independent
    // compound Poisson draws. Few bettors are placed one by one; many are drawn entry by
    // entry, beyond a few dozen by the normal likeness of the sum.
    // `count` entries of a pool: their beliefs and the slots of `votes` they add to.
    void spread(double expected, const double* belief, const std::size_t* slots, std::size_t count, std::int32_t* votes)
    {
        if (!(expected > 0.0) || count == 0) {
            return;
        }
        const double bettors = expected / kStakeMean;
        double total = 0;
        for (std::size_t i = 0; i < count; ++i) {
            total += belief[i];
            m_cumulative[i] = total;
        }
        if (!(total > 0.0)) {
            return;
        }
        if (bettors < static_cast<double>(count)) {
            const auto end = m_cumulative.begin() + static_cast<std::ptrdiff_t>(count);
            for (std::int64_t k = poisson(bettors); k > 0; --k) {
                const std::uint64_t x = m_rng.next();
                const double u = static_cast<double>(x >> 11) * (1.0 / 9007199254740992.0) * total;
                auto at = std::min<std::size_t>(count - 1,
                    static_cast<std::size_t>(std::upper_bound(m_cumulative.begin(), end, u) - m_cumulative.begin()));
                while (belief[at] <= 0.0 && at > 0) {
                    --at; // u rounded onto the end of the last entry
                }
                votes[slots[at]] += stakeOf(x);
            }
            return;
        }
        const double scale = expected / total;
        for (std::size_t i = 0; i < count; ++i) {
            if (belief[i] > 0.0) {
                votes[slots[i]] += static_cast<std::int32_t>(compound(scale * belief[i]));
            }
        }
    }

private:
    std::int64_t poisson(double mean)
    {
        if (mean >= 20.0) {
            const double x = mean + std::sqrt(mean) * normal();
            return x > 0.0 ? static_cast<std::int64_t>(x + 0.5) : 0;
        }
        const double u = m_rng.unit();
        double p = expNegative(mean);
        double cumulative = p;
        std::int64_t count = 0;
        while (u > cumulative && count < 100) {
            ++count;
            p *= mean / static_cast<double>(count);
            cumulative += p;
        }
        return count;
    }

    std::int64_t compound(double expected)
    {
        const double bettors = expected / kStakeMean;
        if (bettors >= 10.0) {
            const double x = expected + std::sqrt(bettors * kStakeSquare) * normal();
            return x > 0.0 ? static_cast<std::int64_t>(x + 0.5) : 0;
        }
        std::int64_t sum = 0;
        std::uint64_t bits = 0;
        int chunks = 0;
        for (std::int64_t k = poisson(bettors); k > 0; --k) {
            if (chunks == 0) {
                bits = m_rng.next(); // five stakes a draw
                chunks = 5;
            }
            sum += stakeOf(bits);
            bits >>= 11;
            --chunks;
        }
        return sum;
    }

    SimRandom m_rng;
    std::array<double, 153> m_cumulative{};
    bool m_hasSpare = false;
    double m_spare = 0;
};

// Harville: the chance of finishing within the first `places` (2 or 3) when each
// place goes to one of the rest in proportion to their win chances.
void placeChances(const std::array<double, 18>& b, const std::array<double, 18>& rest, std::size_t n, int places,
                  std::array<double, 18>& out)
{
    double second = 0;
    for (std::size_t j = 0; j < n; ++j) {
        second += b[j] * rest[j];
    }
    std::array<double, 18> pairsWith{};
    double allPairs = 0;
    if (places >= 3) {
        for (std::size_t j = 0; j < n; ++j) {
            if (b[j] <= 0) {
                continue;
            }
            const double first = b[j] * rest[j];
            for (std::size_t k = 0; k < n; ++k) {
                if (k == j || b[k] <= 0) {
                    continue;
                }
                const double c = first * b[k] / std::max(1e-12, 1.0 - b[j] - b[k]);
                allPairs += c;
                pairsWith[j] += c;
                pairsWith[k] += c;
            }
        }
    }
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = b[i] <= 0 ? 0.0 : b[i] * (1.0 + second - b[i] * rest[i] + allPairs - pairsWith[i]);
    }
}

// One race's market while its announcements are made: who runs, what the crowd
// believes, the votes so far. The draws are made in the one order the race's streams
// fix, so a race has the same votes on every machine.
class Market {
public:
    Market(const SimRace& race, SimMinute opening)
        : m_race(race)
        , m_n(race.runners.size())
        , m_flow(flowOf(race))
        , m_clock(m_flow, race)
        , m_bettors(mixSeed(race.seed, "bettors"))
        , m_revised(opening)
        , m_steamed(race.steamHorse > 0 ? static_cast<std::size_t>(race.steamHorse - 1) : race.runners.size())
        , m_pool(race.poolVotes)
        , m_before(opening)
    {
        enterRunners();
        buildPairs();
        drawTastes();
        applyTastes();
        for (std::size_t i = 0; i < m_n; ++i) {
            m_runnerIndex[i] = i;
        }
    }

    // The pools at the announcement at t (moments in order).
    void announce(SimMinute t)
    {
        if (withdrawScratched(t)) {
            m_reconsider = true;
            buildPairs();
            applyTastes();
            refundLostPairs();
        }
        if (m_reconsider || t - m_revised >= kReviseMinutes) {
            makeUpMinds(t);
        }
        takeMoney(t);
        landSteam(t);
        m_before = t;
    }

    // The votes so far: win, place, bracket quinella, quinella.
    void writeRow(std::int32_t* row) const
    {
        std::copy_n(m_win.begin(), m_n, row);
        std::copy_n(m_place.begin(), m_n, row + m_n);
        std::copy(m_bracket.begin(), m_bracket.end(), row + 2 * m_n);
        std::copy(m_quinella.begin(), m_quinella.end(), row + 2 * m_n + 36);
    }

private:
    struct Pair {
        std::size_t a, b; // runner indexes
        std::size_t slot; // quinella slot
        std::size_t tie;  // index into the bracket lists
        double taste;
    };

    static Flow flowOf(const SimRace& race)
    {
        SimRandom shape(mixSeed(race.seed, "market"));
        return drawFlow(race, shape);
    }

    // The runners' ratings and first opinions, and who is in the race when the sale opens.
    void enterRunners()
    {
        int starters = 0;
        for (std::size_t i = 0; i < m_n; ++i) {
            const SimRunner& r = m_race.runners[i];
            m_rating[i] = kFlatten * simLog(r.strength);
            m_opinion[i] = kOpinionSpread * m_bettors.normal();
            m_follow[i] = 1.0;
            m_active[i] = r.scratch != Scratch::BeforeSale;
            starters += m_active[i];
        }
        m_bracketSold = starters > 8;
    }

    // Who is in the race decides the pairs; rebuilt when a runner is withdrawn.
    void buildPairs()
    {
        m_pairs.clear();
        m_brackets = 0;
        std::array<std::size_t, 36> at{};
        at.fill(36);
        for (std::size_t i = 0; i < m_n; ++i) {
            for (std::size_t j = i + 1; j < m_n; ++j) {
                if (!m_active[i] || !m_active[j]) {
                    continue;
                }
                const int x = m_race.runners[i].bracket;
                const int y = m_race.runners[j].bracket;
                const auto bslot = static_cast<std::size_t>(bracketPairSlot(std::min(x, y), std::max(x, y)));
                if (at[bslot] == 36) {
                    at[bslot] = m_brackets;
                    m_bracketSlots[m_brackets++] = bslot;
                }
                m_pairs.push_back({i, j, static_cast<std::size_t>(quinellaPairSlot(static_cast<int>(i) + 1, static_cast<int>(j) + 1)),
                                   at[bslot], 1.0});
            }
        }
    }

    // Fixed tastes for particular pairs, drawn once for every pair of the card.
    void drawTastes()
    {
        for (const Pair& p : m_pairs) {
            m_pairTaste[p.slot] = simExp(kPairTaste * m_bettors.normal());
        }
        for (auto& t : m_slotTaste) {
            t = simExp(kPairTaste * m_bettors.normal());
        }
    }

    void applyTastes()
    {
        for (Pair& p : m_pairs) {
            p.taste = m_pairTaste[p.slot];
        }
        for (std::size_t m = 0; m < m_brackets; ++m) {
            m_bracketTaste[m] = m_slotTaste[m_bracketSlots[m]];
        }
    }

    // A runner withdrawn while the pools were open: every ticket on it is refunded.
    bool withdrawScratched(SimMinute t)
    {
        bool withdrawn = false;
        for (std::size_t i = 0; i < m_n; ++i) {
            const SimRunner& r = m_race.runners[i];
            if (m_active[i] && r.scratch == Scratch::AfterSale && t >= r.scratchAt) {
                m_active[i] = false;
                m_win[i] = m_place[i] = 0;
                withdrawn = true;
            }
        }
        return withdrawn;
    }

    // After a withdrawal: the pairs with the runner, and a bracket pair left without two
    // runners to make it, are refunded.
    void refundLostPairs()
    {
        std::array<std::int32_t, 153> keptQuinella{};
        for (const Pair& p : m_pairs) {
            keptQuinella[p.slot] = m_quinella[p.slot];
        }
        m_quinella = keptQuinella;
        std::array<std::int32_t, 36> keptBracket{};
        for (std::size_t m = 0; m < m_brackets; ++m) {
            keptBracket[m_bracketSlots[m]] = m_bracket[m_bracketSlots[m]];
        }
        m_bracket = keptBracket;
    }

    // The crowd makes up its mind afresh every few minutes: opinions wander, and the
    // place and pair chances follow from the win chances by Harville's sums.
    void makeUpMinds(SimMinute t)
    {
        const double minutes = static_cast<double>(t - m_revised);
        const double keep = simExp(-minutes / kOpinionMinutes);
        const double shock = kOpinionSpread * std::sqrt(1.0 - keep * keep);
        int running = 0;
        double sum = 0;
        for (std::size_t i = 0; i < m_n; ++i) {
            m_opinion[i] = keep * m_opinion[i] + shock * m_bettors.normal();
            m_belief[i] = m_active[i] ? simExp(m_rating[i] + m_opinion[i]) * m_follow[i] : 0.0;
            sum += m_belief[i];
            running += m_active[i];
        }
        std::array<double, 18> rest{}; // 1 / (1 - b)
        for (std::size_t i = 0; i < m_n; ++i) {
            m_belief[i] /= sum;
            rest[i] = m_active[i] ? 1.0 / (1.0 - m_belief[i]) : 0.0;
        }
        placeChances(m_belief, rest, m_n, running >= 8 ? 3 : 2, m_placeBelief);
        m_quinellaBelief.resize(m_pairs.size());
        m_quinellaSlots.resize(m_pairs.size());
        m_bracketBelief.fill(0.0);
        for (std::size_t q = 0; q < m_pairs.size(); ++q) {
            const Pair& p = m_pairs[q];
            const double both = m_belief[p.a] * m_belief[p.b] * (rest[p.a] + rest[p.b]);
            m_quinellaBelief[q] = both * p.taste;
            m_quinellaSlots[q] = p.slot;
            m_bracketBelief[p.tie] += both;
        }
        for (std::size_t m = 0; m < m_brackets; ++m) {
            m_bracketBelief[m] *= m_bracketTaste[m];
        }
        m_revised = t;
        m_reconsider = false;
    }

    // The money come in since the last announcement, spread over the pools as the crowd
    // believes.
    void takeMoney(SimMinute t)
    {
        const double takenNow = m_clock.taken(t);
        const double money = m_pool * (takenNow - m_takenBefore);
        if (money > 0) {
            m_bettors.spread(money, m_belief.data(), m_runnerIndex.data(), m_n, m_win.data());
            m_bettors.spread(kPlacePool * money, m_placeBelief.data(), m_runnerIndex.data(), m_n, m_place.data());
            if (m_bracketSold) {
                m_bettors.spread(kBracketPool * money, m_bracketBelief.data(), m_bracketSlots.data(), m_brackets,
                                 m_bracket.data());
            }
            m_bettors.spread(kQuinellaPool * money, m_quinellaBelief.data(), m_quinellaSlots.data(), m_pairs.size(),
                             m_quinella.data());
        }
        m_takenBefore = takenNow;
    }

    // Steam: the informed block lands over its few minutes, sized to carry the runner's
    // share of the win pool to what its backers know; the crowd partly follows from then on.
    void landSteam(SimMinute t)
    {
        if (m_steamed >= m_n || !m_active[m_steamed]) {
            return;
        }
        const SimMinute from = std::max(m_before, m_race.steamAt);
        const SimMinute to = std::min(t, m_race.steamAt + m_race.steamMinutes);
        if (to <= from) {
            return;
        }
        if (m_steamBlock < 0) {
            const std::int64_t total =
                std::accumulate(m_win.begin(), m_win.begin() + static_cast<std::ptrdiff_t>(m_n), std::int64_t{0});
            const double share = total > 0 ? static_cast<double>(m_win[m_steamed]) / static_cast<double>(total) : 0.0;
            const double g = m_race.steamBoost;
            const double target = raisedShare(share, g);
            m_steamBlock = std::max(0.0, (target * static_cast<double>(total) - static_cast<double>(m_win[m_steamed]))
                / (1.0 - target));
            m_follow[m_steamed] = 1.0 + kFollow * (g - 1.0);
            m_reconsider = true;
        }
        const double part = m_steamBlock * static_cast<double>(to - from) / static_cast<double>(m_race.steamMinutes);
        m_win[m_steamed] += static_cast<std::int32_t>(part + 0.5);
        m_place[m_steamed] += static_cast<std::int32_t>(0.5 * part + 0.5);
        // Its quinella pairs in proportion to what they hold.
        std::int64_t held = 0;
        for (const Pair& p : m_pairs) {
            held += p.a == m_steamed || p.b == m_steamed ? m_quinella[p.slot] : 0;
        }
        for (const Pair& p : m_pairs) {
            if (held > 0 && (p.a == m_steamed || p.b == m_steamed)) {
                m_quinella[p.slot] += static_cast<std::int32_t>(
                    0.8 * part * static_cast<double>(m_quinella[p.slot]) / static_cast<double>(held) + 0.5);
            }
        }
    }

    const SimRace& m_race;
    const std::size_t m_n;
    const Flow m_flow;
    const Clock m_clock; // reads m_flow
    Bettors m_bettors;

    // The runners, and the pairs they make, while they are in the race.
    std::array<double, 18> m_rating{};
    std::array<double, 18> m_opinion{};
    std::array<double, 18> m_follow{};
    std::array<bool, 18> m_active{};
    bool m_bracketSold = false;
    std::vector<Pair> m_pairs;
    std::array<std::size_t, 36> m_bracketSlots{}; // the bracket pairs the live horse pairs make
    std::array<double, 36> m_bracketTaste{};
    std::size_t m_brackets = 0;
    std::array<double, 153> m_pairTaste{};
    std::array<double, 36> m_slotTaste{};

    // Votes so far (pools stay far below 2^31 votes, 200 billion yen).
    std::array<std::int32_t, 18> m_win{};
    std::array<std::int32_t, 18> m_place{};
    std::array<std::int32_t, 36> m_bracket{};
    std::array<std::int32_t, 153> m_quinella{};
    // What the crowd believes.
    std::array<double, 18> m_belief{};
    std::array<double, 18> m_placeBelief{};
    std::array<std::size_t, 18> m_runnerIndex{};
    std::vector<double> m_quinellaBelief;
    std::vector<std::size_t> m_quinellaSlots;
    std::array<double, 36> m_bracketBelief{};

    SimMinute m_revised;       // when the crowd last made up its mind
    bool m_reconsider = true;  // a runner withdrawn, a steam: at once
    const std::size_t m_steamed;
    double m_steamBlock = -1; // sized when it starts
    const double m_pool;
    double m_takenBefore = 0;
    SimMinute m_before;
};

} // namespace

double crowdWeight(double strength)
{
    return simExp(kFlatten * simLog(strength));
}

double raisedShare(double share, double g)
{
    return g * share / (1.0 + (g - 1.0) * share);
}

MarketPath::MarketPath(const SimRace& race, const std::vector<SimMinute>& times)
    : m_runners(race.runners.size())
    , m_stride(2 * race.runners.size() + 36 + 153)
    , m_count(times.size())
{
    m_votes = std::make_unique_for_overwrite<std::int32_t[]>(m_count * m_stride); // every row is written below
    if (m_count == 0) {
        return;
    }
    Market market(race, times.front());
    for (std::size_t k = 0; k < m_count; ++k) {
        market.announce(times[k]);
        market.writeRow(m_votes.get() + k * m_stride);
    }
}

} // namespace tidemark::nvsim
