// Backtests on the small season of season_store_fixture.h, every figure worked out by
// hand from the odds at the bet moment and the payout records:
//
//   2024-01-01 大井 1R, post 10:15. At 10:10 (bet moment for 5 minutes) horse h is at
//     h + 3.5 (horse 2 cancelled before the sale, horse 9 just scratched), so the list
//     runs 1, 3, 4, 5 ...; at 10:00 (10 minutes) h + 3.0 with horse 9 still priced.
//     Horse 3 won (650 yen), placed 3, 5, 7 (210, 330, 520); horse 9 is refunded.
//   2024-01-02 川崎 1R, post 15:00. At 14:55 horse h is at 1.5 h, horse 5 at 4.0 (from
//     7.5 at 14:40); at 15:00 horse 8 at 1.1, which no bet may see. Horse 1 won
//     (150 yen), placed 1 and 2 (110, 130).
//   2024-01-01 大井 2R: no odds and no result.

#include "analytics/backtest.h"

#include <gtest/gtest.h>

#include "season_store_fixture.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"
#include "text/cp932.h"
#include "text/file_io.h"

namespace tidemark::analytics {
namespace {

class BacktestTest : public ::testing::Test {
protected:
    testing::SeasonStore season;

    BacktestResult run(const std::string& rule, int minutes = 5, BetKind bet = BetKind::Win)
    {
        BacktestOptions o;
        o.fromYmd = "20240101";
        o.toYmd = "20240102";
        std::string why;
        const auto parsed = parseRule(rule, &why);
        EXPECT_TRUE(parsed) << why;
        o.rule = parsed.value_or(Rule{});
        o.minutesBefore = minutes;
        o.bet = bet;
        return runBacktest(season.layout, o);
    }

    // "race key/horse/outcome/return" of every bet, in order.
    static std::vector<std::string> betsOf(const BacktestResult& r)
    {
        std::vector<std::string> out;
        for (const Bet& b : r.bets) {
            const char* outcome = b.outcome == BetOutcome::Hit ? "hit" : b.outcome == BetOutcome::Miss ? "miss" : "refund";
            out.push_back(b.raceKey.substr(0, 8) + "/" + std::to_string(b.horse) + "/" + outcome + "/" +
                          std::to_string(b.payout));
        }
        return out;
    }
};

TEST_F(BacktestTest, TheFavouriteAtTheBetMomentAndNothingLater)
{
    const BacktestResult r = run("favourite");
    EXPECT_EQ(r.days, 2);
    EXPECT_EQ(r.racesInRange, 3);
    EXPECT_EQ(r.racesExamined, 2);
    EXPECT_EQ(r.noResult, 1);
    // Not horse 8, the favourite of 15:00, after the bet.
    EXPECT_EQ(betsOf(r), (std::vector<std::string>{"20240101/1/miss/0", "20240102/1/hit/150"}));
    EXPECT_EQ(r.total.bets, 2);
    EXPECT_EQ(r.total.hits, 1);
    EXPECT_EQ(r.total.stake, 200);
    EXPECT_EQ(r.total.payout, 150);
    EXPECT_DOUBLE_EQ(r.total.roi(), -0.25);
    EXPECT_DOUBLE_EQ(r.total.strikeRate(), 0.5);

    const Bet& first = r.bets.front();
    EXPECT_EQ(first.momentKey, "01011010");
    EXPECT_EQ(first.minutesToPost, 5);
    EXPECT_DOUBLE_EQ(first.odds, 4.5);
    EXPECT_EQ(first.popularity, 1);
    EXPECT_EQ(text::toUtf8(first.horseName), "テストホース1");
    EXPECT_EQ(first.finish, 4);

    // Split by track: one race each; by band: both favourites.
    ASSERT_EQ(r.byTrack.size(), 2u);
    EXPECT_EQ(text::toUtf8(r.byTrack[0].name), "大井");
    EXPECT_EQ(r.byTrack[0].tally.payout, 0);
    EXPECT_EQ(text::toUtf8(r.byTrack[1].name), "川崎");
    EXPECT_EQ(r.byTrack[1].tally.payout, 150);
    ASSERT_EQ(r.byBand.size(), 1u);
    EXPECT_EQ(r.byBand[0].name, "1");
    EXPECT_EQ(r.byBand[0].tally.bets, 2);
}

TEST_F(BacktestTest, ARecordOfAnotherRaceFiledWithTheRaceIsNotItsOdds)
{
    // A 大井 record of 14:55 with horse 8 the favourite, sorted first into 川崎 1R's
    // file: the race's own 14:55 stays the bet moment, as the export sees it.
    const std::filesystem::path file = season.layout.oddsFile(store::StoreKind::O1, "2024010245030201");
    records::O1Builder foreign = testing::SeasonStore::o1(2, "44", 1, "20240102", "01021455");
    for (int h = 1; h <= 8; ++h)
        foreign.win(h, h == 8 ? 1.1 : 9.9, h == 8 ? 1 : h + 1).place(h, 1.1, 1.3, h);
    text::writeFileAtomic(file, foreign.build() + "\r\n" + text::readFile(file));

    const BacktestResult r = run("favourite");
    EXPECT_EQ(betsOf(r), (std::vector<std::string>{"20240101/1/miss/0", "20240102/1/hit/150"}));
}

TEST_F(BacktestTest, PlaceBetsArePaidByThePlacePayout)
{
    const BacktestResult r = run("popularity:2", 5, BetKind::Place);
    // 大井: horse 3 (second at 6.5) placed, 210 yen; 川崎: horse 2 (3.0) placed, 130 yen.
    EXPECT_EQ(betsOf(r), (std::vector<std::string>{"20240101/3/hit/210", "20240102/2/hit/130"}));
    EXPECT_DOUBLE_EQ(r.bets[0].odds, 1.3); // its lower place odds
    EXPECT_DOUBLE_EQ(r.total.roi(), 0.7);

    const BacktestResult win = run("popularity:2");
    EXPECT_EQ(betsOf(win), (std::vector<std::string>{"20240101/3/hit/650", "20240102/2/miss/0"}));
    EXPECT_EQ(win.byBand[0].name, "2-3");
}

TEST_F(BacktestTest, ARunnerScratchedAfterTheBetIsRefunded)
{
    // Ten minutes before the post horse 9 is still priced (12.0), eighth in the list.
    const BacktestResult r = run("popularity:8", 10);
    EXPECT_EQ(betsOf(r), (std::vector<std::string>{"20240101/9/refund/100", "20240102/8/miss/0"}));
    EXPECT_EQ(r.total.refunds, 1);
    EXPECT_EQ(r.total.hits, 0);
    EXPECT_EQ(r.total.payout, 100);
    EXPECT_EQ(r.bets[0].momentKey, "01011000");
}

TEST_F(BacktestTest, SteamIsTheRiseOfTheWinShareBeforeTheMoment)
{
    // Horse 5 of 川崎: 80 / 7.5 = 10.7 % at 14:40, 80 / 4.0 = 20 % at 14:55, +9.3 points.
    EXPECT_EQ(betsOf(run("steam:9:15")), (std::vector<std::string>{"20240102/5/miss/0"}));
    EXPECT_TRUE(run("steam:9.5:15").bets.empty());
    // Any window back to 14:40 compares the same two announcements; one that reaches
    // before the first announcement of the day has nothing to compare with.
    EXPECT_EQ(betsOf(run("steam:1:10")), (std::vector<std::string>{"20240102/5/miss/0"}));
    EXPECT_TRUE(run("steam:1:16").bets.empty());
}

TEST_F(BacktestTest, GapBetsBackTheRunnerAboveEveryColouredGap)
{
    // 川崎 at 14:55: 1.5 > 3.0 (2.0) > 4.0 > 4.5 > 6.0 > 9.0 (1.5) ...: horses 1 and 4
    // stand above the two gaps of 1.5 or more. 大井 at 10:10: 4.5 > 6.5 is 1.44, shown 1.4.
    EXPECT_EQ(betsOf(run("gap")), (std::vector<std::string>{"20240102/1/hit/150", "20240102/4/miss/0"}));
    EXPECT_EQ(betsOf(run("gap:win:1.4")),
              (std::vector<std::string>{"20240101/1/miss/0", "20240102/1/hit/150", "20240102/4/miss/0"}));
    EXPECT_EQ(betsOf(run("gap:win:1.45")), (std::vector<std::string>{"20240102/1/hit/150", "20240102/4/miss/0"}));

    // The table's box in the settings, when the rule names none.
    IniFile ini(season.dir / "Tidemark2NV.ini");
    settings::DansoBorderRatio.write(ini, "2.0");
    BacktestOptions o;
    o.readSettings(ini);
    EXPECT_DOUBLE_EQ(o.gapThreshold(), 2.0);
    o.fromYmd = "20240101";
    o.toYmd = "20240102";
    o.rule = *parseRule("gap");
    EXPECT_EQ(betsOf(runBacktest(season.layout, o)), (std::vector<std::string>{"20240102/1/hit/150"}));
}

TEST_F(BacktestTest, AnomalyTablesFlagAtTheMoment)
{
    // 単÷複 of 川崎's horse 8: 12.0 / 1.1 = 10.90 (cut to two decimals).
    EXPECT_EQ(betsOf(run("winplace:10.9")), (std::vector<std::string>{"20240102/8/miss/0"}));
    EXPECT_TRUE(run("winplace:10.91").bets.empty());
    // 複÷単 of 大井's horse 1 at its best: 1.1 / 3.0 in the advance sale = 0.36; of
    // 川崎's horses 1 and 2: 1.1 / 1.5 = 0.73 and 1.1 / 3.0 = 0.36.
    EXPECT_EQ(betsOf(run("placewin:0.36")),
              (std::vector<std::string>{"20240101/1/miss/0", "20240102/1/hit/150", "20240102/2/miss/0"}));
    EXPECT_EQ(betsOf(run("placewin:0.37")), (std::vector<std::string>{"20240102/1/hit/150"}));

    // 枠連 1-2 (15.0) pays more than 馬連 1-2 (12.3), ratio 1.22; horse 2 cannot be backed.
    EXPECT_EQ(betsOf(run("bracket")), (std::vector<std::string>{"20240101/1/miss/0"}));
    EXPECT_EQ(betsOf(run("bracket:1.2")), (std::vector<std::string>{"20240101/1/miss/0"}));
    EXPECT_TRUE(run("bracket:1.3").bets.empty());
}

TEST(BacktestRulesTest, RulesReadAndWriteBack)
{
    for (const char* text : {"favourite", "popularity:3", "steam:2.5:10", "winplace:20", "placewin:0.5", "gap:win",
                             "gap:quinella:1.8", "bracket", "bracket:1.2"}) {
        const auto rule = parseRule(text);
        ASSERT_TRUE(rule) << text;
        EXPECT_EQ(ruleText(*rule), text);
    }
    EXPECT_EQ(ruleText(*parseRule("winplace")), "winplace:20");
    std::string why;
    for (const char* bad : {"popularity", "popularity:0", "popularity:x", "steam:5", "steam:0:10", "steam:5:0",
                            "gap:show", "gap:win:abc", "fav", "bracket:1:2", "favourite:1"}) {
        EXPECT_FALSE(parseRule(bad, &why)) << bad;
        EXPECT_FALSE(why.empty()) << bad;
    }
}

TEST(BacktestRulesTest, BootstrapIntervalIsFixedAndHoldsTheRoi)
{
    std::vector<RaceResult> races;
    for (int i = 0; i < 200; ++i)
        races.push_back({"r" + std::to_string(i), i, 100, i % 5 == 0 ? 380 : 0}); // 76 % return
    const Interval a = bootstrapRoi(races);
    const Interval b = bootstrapRoi(races);
    ASSERT_TRUE(a.valid);
    EXPECT_EQ(a.low, b.low);
    EXPECT_EQ(a.high, b.high);
    EXPECT_LT(a.low, -0.24);
    EXPECT_GT(a.high, -0.24);
    EXPECT_GT(a.low, -0.6);
    EXPECT_LT(a.high, 0.2);
    // All races alike: no spread.
    std::vector<RaceResult> same(50, RaceResult{"x", 0, 100, 120});
    const Interval flat = bootstrapRoi(same);
    EXPECT_DOUBLE_EQ(flat.low, 0.2);
    EXPECT_DOUBLE_EQ(flat.high, 0.2);
    EXPECT_FALSE(bootstrapRoi({RaceResult{"x", 0, 100, 0}}).valid);
}

TEST_F(BacktestTest, BetsCsvListsEveryBet)
{
    const std::string csv = betsCsv(run("favourite"));
    EXPECT_EQ(csv, "day,race_key,track,race,post_time,bet_at,minutes_to_post,horse,horse_name,odds,popularity,"
                   "finish,outcome,stake,return\r\n"
                   "2024-01-01,2024010144030101,大井,1,10:15,2024-01-01 10:10,5,1,テストホース1,4.5,1,4,miss,100,0\r\n"
                   "2024-01-02,2024010245030201,川崎,1,15:00,2024-01-02 14:55,5,1,テストホース1,1.5,1,1,hit,100,150\r\n");
}

TEST_F(BacktestTest, ACancelStopsBetweenRaces)
{
    std::stop_source cancel;
    BacktestOptions o;
    o.fromYmd = "20240101";
    o.toYmd = "20240102";
    int calls = 0;
    const BacktestResult r = runBacktest(
        season.layout, o,
        [&](const BacktestProgress& p) {
            ++calls;
            if (p.races == 1)
                cancel.request_stop();
        },
        cancel.get_token());
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.racesInRange, 1);
    EXPECT_EQ(r.days, 0);
}

} // namespace
} // namespace tidemark::analytics
