#include "nvsim/market_path.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>

#include "nvsim/odds_series.h"
#include "nvsim/sim_math.h"
#include "nvsim/sim_records.h"
#include "records/record_view.h"
#include "sim_test_support.h"

namespace tidemark::nvsim {
namespace {

using records::O1View;
using records::O2View;
using simtest::at;
using simtest::ManualClock;
using simtest::readAll;
using simtest::testConfig;

std::vector<const SimRace*> racesOfDays(const SimWorld& world, const text::DateTime& first, int days)
{
    std::vector<const SimRace*> out;
    for (int d = 0; d < days; ++d) {
        for (const SimRace* r : world.racesOn(first.addDays(d))) {
            out.push_back(r);
        }
    }
    return out;
}

double share(int tenths)
{
    return tenths > 0 ? 800.0 / tenths : 0.0;
}

bool scratchedIn(const std::string& o1, int runners, int horse)
{
    const std::string line = o1.substr(0, o1.size() - 2);
    return O1View(line).win(horse).kind() == records::OddsKind::CancelledAfterSale && horse <= runners;
}

TEST(SimMarket, NoPoolTotalFallsBetweenAnnouncementsExceptAtARefund)
{
    // A week of every race as the real-time channel gives it, both record kinds.
    ManualClock clock{at(2024, 6, 17, 23, 59)};
    SimNvLink link(testConfig(), clock.fn());
    ASSERT_EQ(link.NVInit("UNKNOWN"), 0);
    int announcements = 0;
    int refunds = 0;
    for (const SimRace* race : racesOfDays(link.world(), at(2024, 6, 10), 7)) {
        ASSERT_EQ(link.NVRTOpen("0B41", race->key()), 0);
        const auto o1 = readAll(link);
        link.NVClose();
        ASSERT_EQ(link.NVRTOpen("0B42", race->key()), 0);
        const auto o2 = readAll(link);
        link.NVClose();
        ASSERT_EQ(o1.size(), o2.size()) << race->key();
        for (std::size_t i = 1; i < o1.size(); ++i) {
            ++announcements;
            bool newScratch = false;
            for (int h = 1; h <= race->runnerCount(); ++h) {
                newScratch = newScratch
                    || (scratchedIn(o1[i], race->runnerCount(), h) && !scratchedIn(o1[i - 1], race->runnerCount(), h));
            }
            const std::string before = o1[i - 1].substr(0, 960);
            const std::string now = o1[i].substr(0, 960);
            const O1View a(before);
            const O1View b(now);
            const std::string quinellaBefore = o2[i - 1].substr(0, 2040);
            const std::string quinellaNow = o2[i].substr(0, 2040);
            const std::int64_t totals[4][2] = {{a.winVotes(), b.winVotes()},
                                               {a.placeVotes(), b.placeVotes()},
                                               {a.bracketVotes(), b.bracketVotes()},
                                               {O2View(quinellaBefore).quinellaVotes(), O2View(quinellaNow).quinellaVotes()}};
            for (int pool = 0; pool < 4; ++pool) {
                if (totals[pool][1] < totals[pool][0]) {
                    EXPECT_TRUE(newScratch) << race->key() << " pool " << pool << " at " << b.announcementTime();
                }
            }
            // The win pool of a withdrawn runner is refunded, so there it does fall.
            if (newScratch && totals[0][1] < totals[0][0]) {
                ++refunds;
            }
        }
    }
    EXPECT_GT(announcements, 40000);
    EXPECT_GT(refunds, 0);
}

// The figures a bettor would look at, over a week of the world: how late the money
// comes, how often favourites and long shots win, how the odds wander.
TEST(SimMarket, AWeekOfRacesLooksLikeATote)
{
    const SimWorld world(20100201, at(2024, 1, 1), at(2024, 12, 31));
    double lateShare = 0;
    int races = 0;
    double favouriteWins = 0;
    double longWins = 0;
    double longImplied = 0;
    double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
    double pairs = 0;
    int rising = 0;
    for (const SimRace* race : racesOfDays(world, at(2024, 6, 3), 7)) {
        if (race->cancelled) {
            continue;
        }
        ++races;
        const OddsSeries series(*race);
        const std::size_t n = series.entries().size();
        std::vector<OddsSnapshot> snaps;
        for (std::size_t i = 0; i < n; ++i) {
            snaps.push_back(series.snapshot(i, OddsSeries::Pools::WinPlaceBracket));
        }
        const OddsSnapshot& close = snaps.back();
        std::int64_t tenBefore = 0;
        for (const auto& s : snaps) {
            if (s.at <= race->postAt() - 10) {
                tenBefore = s.winTotal;
            }
        }
        lateShare += static_cast<double>(close.winTotal - tenBefore) / static_cast<double>(close.winTotal);
        const auto favourite = std::min_element(close.win.begin(), close.win.end(), [](int x, int y) {
            return (x > 0 ? x : 1 << 30) < (y > 0 ? y : 1 << 30);
        });
        favouriteWins += race->runners[static_cast<std::size_t>(favourite - close.win.begin())].finish == 1;
        bool rose = false;
        for (std::size_t h = 0; h < race->runners.size(); ++h) {
            const int odds = close.win[h];
            if (odds >= 300) {
                longImplied += 8.0 / odds;
                longWins += race->runners[h].finish == 1;
            }
            double previous = 0;
            bool havePrevious = false;
            for (std::size_t i = 1; i < n; ++i) {
                const int o0 = snaps[i - 1].win[h];
                const int o1 = snaps[i].win[h];
                if (o0 <= 0 || o1 <= 0) {
                    havePrevious = false;
                    continue;
                }
                const double change = std::log(static_cast<double>(o1) / o0);
                if (havePrevious) {
                    sx += previous;
                    sy += change;
                    sxx += previous * previous;
                    syy += change * change;
                    sxy += previous * change;
                    ++pairs;
                }
                previous = change;
                havePrevious = true;
                for (std::size_t j = i; j-- > 0 && snaps[i].at - snaps[j].at <= 10;) {
                    rose = rose || (snaps[j].win[h] > 0 && share(o1) - share(snaps[j].win[h]) >= 5.0);
                }
            }
        }
        rising += rose;
    }
    ASSERT_GT(races, 250);
    EXPECT_GE(lateShare / races, 0.30);
    EXPECT_LE(lateShare / races, 0.65);
    EXPECT_GE(favouriteWins / races, 0.28);
    EXPECT_LE(favouriteWins / races, 0.47);
    EXPECT_LT(longWins, longImplied); // long shots are overbet
    const double lag1 = (sxy - sx * sy / pairs) / std::sqrt((sxx - sx * sx / pairs) * (syy - sy * sy / pairs));
    EXPECT_GT(lag1, -0.3);
    EXPECT_LT(lag1, 0.3);
    EXPECT_GE(static_cast<double>(rising) / races, 0.05);
    EXPECT_LE(static_cast<double>(rising) / races, 0.30);
}

// The win share of a runner at the last announcement before `at` (0 when none).
double shareBefore(const OddsSeries& series, std::size_t horse, SimMinute at)
{
    const auto& e = series.entries();
    const auto after = std::find_if(e.begin(), e.end(), [at](const OddsSeries::Entry& x) { return x.at >= at; });
    if (after == e.begin()) {
        return 0;
    }
    const auto index = static_cast<std::size_t>(after - e.begin()) - 1;
    return share(series.snapshot(index, OddsSeries::Pools::WinPlaceBracket).win[horse]);
}

TEST(SimMarket, SteamComesAtTheRateAskedAndItsRunnersBeatTheOddsBeforeIt)
{
    const text::DateTime from = at(2024, 6, 3);
    const SimWorld off(20100201, from, from.addDays(13), SteamPlan{0, 100});
    const SimWorld usual(20100201, from, from.addDays(13));
    const SimWorld always(20100201, from, from.addDays(13), SteamPlan{100, 100});
    const auto quiet = racesOfDays(off, from, 14);
    const auto some = racesOfDays(usual, from, 14);
    const auto every = racesOfDays(always, from, 14);
    ASSERT_EQ(quiet.size(), every.size());
    int planted = 0;
    int runs = 0;
    double wins = 0;
    double impliedBefore = 0;
    int risen = 0;
    for (std::size_t k = 0; k < every.size(); ++k) {
        const SimRace& a = *every[k];
        EXPECT_EQ(quiet[k]->steamHorse, 0);
        // A lower rate picks from the same races, and the same runner in each.
        if (some[k]->steamHorse != 0) {
            EXPECT_EQ(some[k]->steamHorse, a.steamHorse) << a.key();
            ++planted;
        }
        if (a.cancelled) {
            continue;
        }
        ++runs;
        if (a.steamHorse == 0) {
            // Nothing planted: the same race, run the same way.
            for (std::size_t h = 0; h < a.runners.size(); ++h) {
                EXPECT_EQ(a.runners[h].finish, quiet[k]->runners[h].finish) << a.key();
            }
            continue;
        }
        const auto h = static_cast<std::size_t>(a.steamHorse - 1);
        EXPECT_EQ(a.runners[h].scratch, Scratch::None);
        EXPECT_GE(a.steamAt, a.saleStart + 10);
        EXPECT_LT(a.steamAt, a.postAt());
        const OddsSeries series(a);
        const double before = shareBefore(series, h, a.steamAt);
        const double after = shareBefore(series, h, a.steamAt + a.steamMinutes + 1);
        risen += after - before >= 3.0;
        impliedBefore += before / 100.0;
        wins += a.runners[h].finish == 1;
    }
    EXPECT_GT(planted, runs * 5 / 100);
    EXPECT_LT(planted, runs * 16 / 100);
    const int steamed = static_cast<int>(std::count_if(every.begin(), every.end(), [](const SimRace* r) { return r->steamHorse != 0; }));
    ASSERT_GT(steamed, runs / 2);
    EXPECT_GT(risen, steamed * 3 / 4);          // the block moves the odds within minutes
    EXPECT_GT(wins, 1.4 * impliedBefore);       // and the runners win more than those odds said
}

TEST(SimMarket, PoolsFollowTheTrackAndTheCard)
{
    // Ohi, the biggest night track, against Kasamatsu, a small day track; and the last
    // races of a card against the first.
    const SimWorld world(20100201, at(2024, 1, 1), at(2024, 12, 31));
    std::vector<std::int64_t> ohi;
    std::vector<std::int64_t> kasamatsu;
    std::int64_t early = 0;
    std::int64_t late = 0;
    for (const SimRace* race : racesOfDays(world, at(2024, 6, 3), 14)) {
        if (race->cancelled || (race->track != "44" && race->track != "47")) {
            continue;
        }
        const std::int64_t pool = OddsSeries(*race).closing().winTotal;
        (race->track == "44" ? ohi : kasamatsu).push_back(pool);
        early += race->raceNo <= 3 ? pool : 0;
        late += race->raceNo >= 9 ? pool : 0;
    }
    ASSERT_GE(ohi.size(), 10u);
    ASSERT_GE(kasamatsu.size(), 10u);
    std::sort(ohi.begin(), ohi.end());
    std::sort(kasamatsu.begin(), kasamatsu.end());
    EXPECT_GT(ohi[ohi.size() / 2], 3 * kasamatsu[kasamatsu.size() / 2]);
    EXPECT_GT(late, early);
}

TEST(SimMath, OwnFunctionsAreAccurateAndBitForBitTheSameEverywhere)
{
    for (double x = -30; x < 30; x += 0.37) {
        EXPECT_NEAR(simExp(x) / std::exp(x), 1.0, 1e-14) << x;
    }
    for (double x = 1e-9; x < 1e9; x *= 3.1) {
        EXPECT_NEAR(simLog(x), std::log(x), 1e-14 * std::max(1.0, std::fabs(std::log(x)))) << x;
    }
    for (double u = -1.5; u < 1.5; u += 0.013) {
        EXPECT_NEAR(simCos2Pi(u), std::cos(6.283185307179586 * u), 1e-14) << u;
    }
    // Pinned bits: a compiler that fused a multiply and an add, or a change of the
    // series, would show here first.
    EXPECT_EQ(std::bit_cast<std::uint64_t>(simExp(0.3)), 0x3ff599058c8c1a96u);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(simExp(-2.5)), 0x3fb50385c094f425u);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(simLog(0.7)), 0xbfd6d3c324e13f4fu);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(simLog(1e-5)), 0xc027069e2aa2aa5bu);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(simCos2Pi(0.4)), 0xbfe9e3779b97f4a8u);
}

// FNV-1a over the bytes of records.
std::uint64_t digest(std::uint64_t h, const std::string& bytes)
{
    for (unsigned char c : bytes) {
        h = (h ^ c) * 1099511628211ull;
    }
    return h;
}

TEST(SimMarket, TheSameSeedGivesTheSameRecordsOnEveryMachine)
{
    // Every fourth odds announcement and every payout of one day of seed 3 (the closing
    // pools are the end of every race's whole market). The world's arithmetic
    // is its own (no library exp, log or cos; no fused multiply-adds), so this number
    // is the same on every compiler and system; it changes only with the model.
    const SimWorld world(3, at(2024, 1, 1), at(2024, 12, 31));
    std::uint64_t h = 1469598103934665603ull;
    for (const SimRace* race : world.racesOn(at(2024, 6, 12))) {
        const OddsSeries series(*race);
        for (std::size_t i = 0; i < series.entries().size(); i += 4) {
            const OddsSnapshot s = series.snapshot(i);
            h = digest(h, o1Record(*race, s));
            h = digest(h, o2Record(*race, s));
        }
        if (!race->cancelled) {
            h = digest(h, hrRecord(*race, series.closing(), race->resultAt(), false));
        }
    }
    EXPECT_EQ(h, 0x3fedc52b487516f3u) << std::hex << h;
}

} // namespace
} // namespace tidemark::nvsim
