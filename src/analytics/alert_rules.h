#pragma once
// Race-day alerts: rules the user sets, evaluated over a race's stored win/place
// snapshots (the O1 lines of its odds file) at each announcement as it comes in.
//
//   rise   the win share rose by at least P points within W minutes
//   fall   the win share fell by at least P points within W minutes
//   place  the place share moved against the win share: the two changes within W
//          minutes have opposite signs and lie at least P points apart
//   below  the win odds of one horse of one race went from X or more to under X
//   above  the win odds of one horse of one race went from X or less to over X
//
// "Within W minutes" compares the announcement B with A, the latest announcement at or
// before B − W, as the movers board does (race_share_change.h); shares are the
// program's own estimates (80 / win odds, 26.6 / lower place odds, in percent).
//
// A rule fires once per horse and race: having fired, it stays quiet for that horse
// until its condition no longer holds at a later announcement (it clears), and may fire
// again after that. An announcement at which a runner cannot be judged (no A yet, odds
// not priced at A or B) neither fires nor clears. Texts are CP932.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "records/odds_field.h"
#include "store/store_layout.h"

namespace tidemark::analytics {

enum class AlertKind { Rise, Fall, PlaceAgainstWin, OddsBelow, OddsAbove };

struct AlertRule {
    static constexpr int kDefaultPointsTenths = 50; // P: 5.0 points
    static constexpr int kDefaultWindow = 10;       // W: 10 minutes
    static constexpr int kMaxPointsTenths = 999;
    static constexpr int kMaxWindow = 60;
    static constexpr int kMaxOddsTenths = 99999; // 9999.9, the widest win odds

    AlertKind kind = AlertKind::Rise;
    int pointsTenths = kDefaultPointsTenths; // P in tenths of a point (share rules)
    int windowMinutes = kDefaultWindow;      // W (share rules)
    std::string raceKey;                     // 16 digits (odds rules)
    int horse = 0;                           // 1..18 (odds rules)
    int oddsTenths = 0;                      // X in tenths (odds rules)

    bool sharesRule() const noexcept { return kind == AlertKind::Rise || kind == AlertKind::Fall || kind == AlertKind::PlaceAgainstWin; }
    bool operator==(const AlertRule&) const = default;
};

// The rule as text: "rise,5,10", "fall,2.5,15", "place,5,10", "below,4.5,RACEKEY,7",
// "above,20,RACEKEY,7" (kind, P, W / kind, X, race key, horse). ASCII; settings keep it.
std::string formatAlertRule(const AlertRule& rule);
// The rule of a text as formatAlertRule writes it (P and W may be left out: the
// defaults). nullopt, with the reason in English in `error`, for anything else or a
// value out of range: P 0.1-99.9, W 1-60, X 1.0-9999.9, horse 1-18.
std::optional<AlertRule> parseAlertRule(std::string_view text, std::string* error = nullptr);
// "0.1"-"99.9" in tenths; nullopt for anything else (at most one decimal).
std::optional<int> parseTenths(std::string_view text);
// 52 -> "5.2", 50 -> "5".
std::string tenthsText(int tenths);

// What the rule watches, for a list of rules: "単勝支持率 5ポイント以上上昇 (10分以内)".
std::string alertRuleText(const AlertRule& rule);

struct Alert {
    std::size_t rule = 0;     // index of the rule that fired
    AlertKind kind = AlertKind::Rise;
    std::string raceKey;      // 16 digits
    std::string trackCode;    // two digits
    int raceNumber = 0;
    int horse = 0;
    int minute = 0;           // announcement minute of B (after midnight of the race day)
    std::string announcement; // MMDDhhmm of B: the moment to open the race at
    records::OddsField before; // win odds at A (share rules) or the announcement before (odds rules)
    records::OddsField after;  // win odds at B
    double winChange = 0.0;    // points, A to B (share rules)
    double placeChange = 0.0;  // points, A to B (place rule)
    std::string what;          // CP932: "単勝支持率 +5.2ポイント (10分)"
};

// "10:19\t大井 5R\t7\t単勝支持率 +5.2ポイント (10分)\t8.0\t4.0": the alert as one line,
// fields separated by TAB (CP932).
std::string alertLine(const Alert& alert);
// "大井 5R"
std::string alertRaceText(const Alert& alert);
// "8.0", or "-" when the odds are not priced.
std::string alertOddsText(const records::OddsField& odds);

// The rules and what they have fired, race by race, over one day's announcements.
class AlertMonitor {
public:
    explicit AlertMonitor(std::vector<AlertRule> rules = {}) : m_rules(std::move(rules)) {}

    // New rules start with nothing fired.
    void setRules(std::vector<AlertRule> rules);
    const std::vector<AlertRule>& rules() const noexcept { return m_rules; }
    // Forgets what has fired and which announcements were seen.
    void reset();

    // The race (its race card) and its win/place series in file order, line ends
    // removed. Announcements not seen before are judged one by one, in order; the
    // alerts they raise are returned in that order. A series shorter than the one seen
    // before (a file replaced) is judged again from its start; what had fired stays.
    std::vector<Alert> evaluate(std::string_view raRecord, std::span<const std::string_view> series);
    std::vector<Alert> evaluate(std::string_view raRecord, const std::vector<std::string>& series);

    // The race `raceKey` (bytes 12–27 of its card) as stored: its card from the day
    // file, its series from its odds file. No alerts when either is missing. Throws
    // text::FileError when a file exists but cannot be read.
    std::vector<Alert> evaluateStored(const store::StoreLayout& layout, std::string_view raceKey);

private:
    void judge(std::string_view raRecord, std::span<const std::string_view> series, int minute,
               std::vector<Alert>& out);
    // Fires when `holds` and the rule has not fired for the horse since it last cleared.
    bool fire(std::size_t rule, const std::string& raceKey, int horse, bool holds);

    std::vector<AlertRule> m_rules;
    std::set<std::tuple<std::size_t, std::string, int>> m_fired; // rule, race key, horse
    std::map<std::string, std::size_t> m_seen;                   // race key -> lines judged
};

} // namespace tidemark::analytics
