// The steam rule against the simulated market's planted signal: in some races a block
// of informed money lands on one runner minutes before the post, and that runner wins
// more often than its odds say. Backed at the bet moment after such a rise, steam
// runners must win clearly more often than their odds imply (80 / odds, the program's
// share); with the plant switched off (NVSim.ini SteamRate=0) rises are the crowd's own
// drift and no such excess may show. Every figure is computed here from the backtest's
// bets, none is pinned.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "analytics/backtest.h"
#include "cli/cli_fixture.h"
#include "nvsim/sim_config.h"

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
    double implied = 0.0; // wins the odds at the bet moment imply
};

SteamFigures steamBets(int rate, int strength)
{
    testing::TempDir home;
    {
        std::ofstream ini(home / "NVSim.ini", std::ios::binary);
        ini << "[NVSim]\r\nSeed=4242\r\nFirstDay=20240108\r\nLastDay=20240114\r\nDownloadSpeed=0\r\n"
            << "SteamRate=" << rate << "\r\nSteamStrength=" << strength << "\r\n";
    }
    EXPECT_EQ(testing::runCli(home.path(), {"import", "--since", "2024/01/08 00:00:00"}).code, cli::ExitCode::Ok);
    EXPECT_EQ(testing::runCli(home.path(), {"odds", "--month", "202401"}).code, cli::ExitCode::Ok);
    BacktestOptions o;
    o.fromYmd = "20240108";
    o.toYmd = "20240114";
    o.rule = *parseRule("steam:4:15");
    const BacktestResult r = runBacktest(store::StoreLayout(home.path()), o);
    SteamFigures f;
    f.bets = r.total.bets - r.total.refunds;
    f.hits = r.total.hits;
    for (const Bet& b : r.bets)
        if (b.outcome != BetOutcome::Refund)
            f.implied += 0.8 / b.odds;
    return f;
}

TEST(SteamSignal, FoundWhenPlantedAndNotWhenSwitchedOff)
{
    if constexpr (!kPlantsSteam<nvsim::SimConfig>) {
        GTEST_SKIP() << "this simulated market plants no steam (no SteamRate in NVSim.ini)";
    } else {
        const SteamFigures on = steamBets(40, 150);
        ASSERT_GE(on.bets, 15) << "too few steam bets to judge";
        EXPECT_GT(on.hits, 1.5 * on.implied) << on.hits << " wins of " << on.bets << ", " << on.implied << " implied";

        const SteamFigures off = steamBets(0, 0);
        // No excess beyond chance: within two standard deviations of what the odds imply.
        EXPECT_LT(off.hits, off.implied + 2.0 * std::sqrt(off.implied) + 1.0)
            << off.hits << " wins of " << off.bets << ", " << off.implied << " implied";
    }
}

} // namespace
} // namespace tidemark::analytics
