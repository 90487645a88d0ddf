#pragma once
// Backtests of a betting rule over a season of the store: for every race of the range
// with odds and a result, the rule picks runners at the latest announcement of the race
// day at or before M minutes before the post (the bet moment), each pick is a bet of
// 100 yen on win or place, paid by the race's payout record (a runner scratched after
// the bet is refunded). What the rule sees is what the window would show at the bet
// moment: the race opened with the program's settings (first-data cut, advance-sale
// rule), the moment selected, the analyses of that moment; nothing announced later.
//
// Results: the races examined and skipped, bets, hits, stake, return, the return on
// investment with a 95 % bootstrap interval (races resampled, fixed seed), the same
// split by track and by popularity band, every bet, and the races with bets in the
// order they were run.

#include <array>
#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

#include "analysis/snapshot_series.h"
#include "analytics/backtest_rules.h"
#include "store/store_layout.h"

namespace tidemark {
class IniFile;
}

namespace tidemark::analytics {

enum class BetKind { Win, Place };

struct BacktestOptions {
    std::string fromYmd; // "yyyymmdd", both included
    std::string toYmd;
    Rule rule;
    int minutesBefore = 5;
    BetKind bet = BetKind::Win;
    // The window's settings: the series as the window builds it, the gap thresholds.
    analysis::SeriesOptions series;
    std::array<double, 4> gapThresholds{1.5, 1.5, 1.5, 1.5}; // by analysis::kGapFigures

    // The settings the window reads at the moment of use (Time, MaeUri, Danso).
    void readSettings(const IniFile& ini);
    // The threshold the gap rule uses: the rule's own, else its table's box.
    double gapThreshold() const;
};

enum class BetOutcome { Hit, Miss, Refund };

struct Bet {
    std::string dayLabel;   // the stored day (CP932)
    std::string raceKey;    // 16 digits
    std::string trackCode;
    int raceNumber = 0;
    std::string postTime;   // "hh:mm"
    std::string momentKey;  // MMDDhhmm of the bet moment
    std::int64_t at = 0;    // the bet moment, minutes since 1970 (MinuteStamp)
    int minutesToPost = 0;
    int horse = 0;
    std::string horseName;  // CP932, as stored (blanks trimmed)
    double odds = 0.0;      // win odds, or the lower place odds of a place bet
    int popularity = 0;     // the runner's place in the win popularity list; 0 none
    int finish = 0;         // finishing position; 0 none
    BetOutcome outcome = BetOutcome::Miss;
    std::int64_t stake = 100;
    std::int64_t payout = 0; // yen returned (100 for a refund)
};

struct Tally {
    int races = 0; // races with at least one bet
    int bets = 0;
    int hits = 0;
    int refunds = 0;
    std::int64_t stake = 0;
    std::int64_t payout = 0;

    void add(const Bet& bet);
    double strikeRate() const { return bets ? static_cast<double>(hits) / bets : 0.0; }
    // (return − stake) / stake.
    double roi() const { return stake ? static_cast<double>(payout - stake) / static_cast<double>(stake) : 0.0; }
};

struct Interval {
    bool valid = false;
    double low = 0.0;
    double high = 0.0;
};

struct Split {
    std::string name; // CP932: a track name, or a popularity band ("1", "2-3", ... "10-")
    Tally tally;
};

// One race with bets, for the curve of the return.
struct RaceResult {
    std::string raceKey;
    std::int64_t postStamp = 0; // the post, minutes since 1970
    std::int64_t stake = 0;
    std::int64_t payout = 0;
};

struct BacktestResult {
    bool cancelled = false;
    int days = 0;
    int racesInRange = 0;
    int racesExamined = 0; // with odds, a result and a bet moment
    int noOdds = 0;        // no win/place odds (or no quinella odds the moment needs)
    int noResult = 0;      // no payout record
    int noMoment = 0;      // no announcement of the race day by the bet moment, or no post time
    Tally total;
    Interval roiInterval;
    std::vector<Split> byTrack; // by track code
    std::vector<Split> byBand;  // by popularity band, favourites first
    std::vector<Bet> bets;      // in the order the races were run
    std::vector<RaceResult> races;
};

struct BacktestProgress {
    int day = 0;  // days finished
    int days = 0; // days in the range
    int races = 0;
    int bets = 0;
};

using BacktestListener = std::function<void(const BacktestProgress&)>;

// The popularity band of a place in the win popularity list: "1", "2-3", "4-6", "7-9",
// "10-"; "-" for none.
std::string_view popularityBand(int popularity);

// The 95 % interval of the return on investment over `races` resampled with
// replacement `resamples` times (a fixed seed: the same races give the same interval).
Interval bootstrapRoi(const std::vector<RaceResult>& races, int resamples = 2000);

// Runs the backtest. Throws text::FileError when a store file cannot be read. A stop is
// honoured between races (and before a day is read) and gives the result so far, marked
// cancelled.
BacktestResult runBacktest(const store::StoreLayout& layout, const BacktestOptions& options,
                           const BacktestListener& listener = {}, std::stop_token stop = {});

// The bets as CSV lines (UTF-8, header first, CR LF): day, race_key, track, race,
// post_time, bet_at, minutes_to_post, horse, horse_name, odds, popularity, finish,
// outcome (hit, miss, refund), stake, return.
std::string betsCsv(const BacktestResult& result);

} // namespace tidemark::analytics
