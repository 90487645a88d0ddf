// The steam rule against the simulated market's planted signal: in some races a block
// of informed money lands on one runner minutes before the post, and that runner wins
// more often than the odds before the block implied. The runners the rule backs must
// win clearly more often than their win shares before the rise (80 / odds at the start
// of the window, as the movers board reads them) say; with the plant switched off
// (NVSim.ini SteamRate=0) the crowd's own drift makes no such rises and the rule finds
// (next to) nothing. Every figure is computed here from the bets and the store's odds
// files, none is pinned.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>

#include "analysis/snapshot_series.h"
#include "analytics/backtest.h"
#include "analytics/race_share_change.h"
#include "cli/cli_fixture.h"
#include "nvsim/sim_config.h"
#include "text/date_time.h"

namespace tidemark::analytics {
namespace {

// Whether the simulated market plants steam (settings SteamRate and SteamStrength).
template <class Config>
constexpr bool kPlantsSteam = requires(Config c) {
    c.steamRate;
    c.steamStrength;
};

struct SteamFigures {
    int bets = 0;
    int hits = 0;
    double impliedBefore = 0.0; // wins the odds before the rise imply
};

constexpr int kAt = 5;      // bet moment: minutes before the post
constexpr int kWindow = 15; // the rise is measured over these minutes

SteamFigures steamBets(int rate, int strength)
{
    testing::TempDir home;
    {
        std::ofstream ini(home / "NVSim.ini", std::ios::binary);
        ini << "[NVSim]\r\nSeed=4242\r\nFirstDay=20240108\r\nLastDay=20240112\r\nDownloadSpeed=0\r\n"
            << "SteamRate=" << rate << "\r\nSteamStrength=" << strength << "\r\n";
    }
    EXPECT_EQ(testing::runCli(home.path(), {"import", "--since", "2024/01/08 00:00:00"}).code, cli::ExitCode::Ok);
    EXPECT_EQ(testing::runCli(home.path(), {"odds", "--month", "202401"}).code, cli::ExitCode::Ok);
    BacktestOptions o;
    o.fromYmd = "20240108";
    o.toYmd = "20240112";
    o.minutesBefore = kAt;
    o.rule = *parseRule("steam:4:" + std::to_string(kWindow));
    const store::StoreLayout layout(home.path());
    const BacktestResult r = runBacktest(layout, o);
    SteamFigures f;
    for (const Bet& b : r.bets) {
        if (b.outcome == BetOutcome::Refund)
            continue;
        ++f.bets;
        f.hits += b.outcome == BetOutcome::Hit ? 1 : 0;
        // The runner's share at the start of the window, from its race's odds file.
        std::vector<std::string> lines;
        analysis::readOddsLines(layout.oddsFile(store::StoreKind::O1, b.raceKey), lines);
        const int post = text::minuteOfHhmm(b.postTime.substr(0, 2) + b.postTime.substr(3, 2));
        const RaceShareChange change = raceShareChange(lines, post - kAt, kWindow);
        f.impliedBefore += change.runner(b.horse).a.winShare / 100.0;
    }
    return f;
}

TEST(SteamSignal, FoundWhenPlantedAndNotWhenSwitchedOff)
{
    if constexpr (!kPlantsSteam<nvsim::SimConfig>) {
        GTEST_SKIP() << "this simulated market plants no steam (no SteamRate in NVSim.ini)";
    } else {
        const SteamFigures on = steamBets(40, 150);
        ASSERT_GE(on.bets, 15) << "too few steam bets to judge";
        // Beyond chance (one-sided 95 %: 1.64 standard deviations of a count that
        // follows the shares), and at least 40 % more wins than the shares before the
        // rise imply.
        const double sd = std::sqrt(on.impliedBefore);
        EXPECT_GT(on.hits, on.impliedBefore + 1.64 * sd) << on.hits << " wins of " << on.bets;
        EXPECT_GT(on.hits, 1.4 * on.impliedBefore) << on.hits << " wins, " << on.impliedBefore << " implied";

        const SteamFigures off = steamBets(0, 0);
        EXPECT_LE(off.bets, std::max(2, on.bets / 10)) << "rises of 4 points in " << kWindow << " minutes without a plant";
    }
}

} // namespace
} // namespace tidemark::analytics
