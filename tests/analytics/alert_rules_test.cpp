// Race-day alerts over one race's announcements: which rule fires for which horse at
// which announcement, once until it clears, with the odds before and after; the rules'
// text form; the race read from the store.

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "analysis/race_store_fixture.h"
#include "analytics/alert_rules.h"
#include "text/cp932.h"
#include "text/date_time.h"

namespace tidemark::analytics {
namespace {

using testing::o1At;
using testing::raceCard;
using text::sj;

constexpr const char* kRaceKey = "2024011544110205"; // 大井 5R of 2024-01-15

// Win odds (and horse 5's lower place odds) of horses 1-5 at 10:00, 10:05 ... 10:40.
// Worked shares (80 / odds): horse 1 10.0, 13.3, 20, 20, 20, 32, 16, 17.8, 18.2;
// horse 2 20, 20, then 10; horse 3 5, 5, then 10 (+5.0 exactly); horse 4 8, 8, then
// 12.9 (+4.9); horse 5 win 8, 8, then 6.4 (-1.6) while its place share (26.6 / odds)
// goes 13.3, 13.3, then 19.0 (+5.7): 7.3 points against the win share.
std::vector<std::string> series(int race = 5)
{
    const double h1[] = {8.0, 6.0, 4.0, 4.0, 4.0, 2.5, 5.0, 4.5, 4.4};
    // An advance-sale announcement of the day before: another market, never compared.
    std::vector<std::string> out{o1At("01141700", race).win(1, 80.0, 9).win(2, 4.0, 1).line()};
    for (int i = 0; i < 9; ++i) {
        const int minute = 10 * 60 + 5 * i;
        const std::string at = "0115" + std::to_string(minute / 60) + (minute % 60 < 10 ? "0" : "") +
                               std::to_string(minute % 60);
        const bool late = i >= 2;
        out.push_back(o1At(at, race)
                          .win(1, h1[i], 1)
                          .win(2, late ? 8.0 : 4.0, 2)
                          .win(3, late ? 8.0 : 16.0, 3)
                          .win(4, late ? 6.2 : 10.0, 4)
                          .win(5, late ? 12.5 : 10.0, 5)
                          .place(5, late ? 1.4 : 2.0, 3.0, 1)
                          .line());
    }
    return out;
}

std::vector<AlertRule> rules()
{
    std::vector<AlertRule> r;
    for (const char* text : {"rise,5,10", "fall", "place,5,10", "below,4.5,2024011544110205,1",
                             "above,7,2024011544110205,2"}) {
        std::string error;
        const std::optional<AlertRule> rule = parseAlertRule(text, &error);
        EXPECT_TRUE(rule) << text << ": " << error;
        if (rule)
            r.push_back(*rule);
    }
    return r;
}

struct Seen {
    std::string time;
    std::size_t rule;
    int horse;
    std::string before;
    std::string after;
    bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Seen& s)
{
    return os << s.time << " rule " << s.rule << " horse " << s.horse << " " << s.before << "->" << s.after;
}

std::vector<Seen> seen(const std::vector<Alert>& alerts)
{
    std::vector<Seen> out;
    for (const Alert& a : alerts)
        out.push_back({text::hhColonNn(a.minute), a.rule, a.horse, alertOddsText(a.before), alertOddsText(a.after)});
    return out;
}

// Worked out by hand from series() for rules() at W = 10: A is the latest announcement
// at or before B - 10 minutes.
const std::vector<Seen> kExpected{
        {"10:10", 0, 1, "8.0", "4.0"},  // +10.0
        {"10:10", 0, 3, "16.0", "8.0"}, // +5.0: at least P
        {"10:10", 1, 2, "4.0", "8.0"},  // -10.0
        {"10:10", 2, 5, "10.0", "12.5"},
        {"10:10", 3, 1, "6.0", "4.0"},  // the announcement before, not A
        {"10:10", 4, 2, "4.0", "8.0"},
        // 10:15 all still hold; 10:20 every share rule clears (no change in 10 minutes).
        {"10:25", 0, 1, "4.0", "2.5"},  // +12.0
        // 10:30 horse 1 back over 4.5: cleared; 4.5 at 10:35 is not below 4.5.
        {"10:35", 1, 1, "2.5", "4.5"},  // 32 -> 17.8
        {"10:40", 3, 1, "4.5", "4.4"},
};

TEST(AlertRules, EachRuleFiresOnceAtItsAnnouncementAndAgainOnlyAfterClearing)
{
    const std::string ra = raceCard(5, 12, "1045").line();
    const std::vector<std::string> all = series();
    const std::vector<Seen>& expected = kExpected;

    // As the watch writes them: the file one announcement longer each time.
    AlertMonitor live(rules());
    std::vector<Alert> got;
    for (std::size_t n = 1; n <= all.size(); ++n) {
        const std::vector<std::string> prefix(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(n));
        for (Alert& a : live.evaluate(ra, prefix))
            got.push_back(std::move(a));
    }
    EXPECT_EQ(seen(got), expected);

    // The whole day at once judges every announcement as it stood when it came in.
    AlertMonitor late(rules());
    const std::vector<Alert> once = late.evaluate(ra, all);
    EXPECT_EQ(seen(once), expected);
    // Seen lines are not judged again; a file replaced by a shorter one is judged from
    // its start, where every rule clears again before 10:10 comes.
    EXPECT_TRUE(late.evaluate(ra, all).empty());
    const std::vector<std::string> shorter(all.begin(), all.begin() + 5); // up to 10:15
    EXPECT_EQ(seen(late.evaluate(ra, shorter)), std::vector<Seen>(expected.begin(), expected.begin() + 6));

    // What the alert says and where it leads.
    const Alert& rise = once[0];
    EXPECT_EQ(rise.raceKey, kRaceKey);
    EXPECT_EQ(rise.announcement, "01151010");
    EXPECT_DOUBLE_EQ(rise.winChange, 80.0 / 4.0 - 80.0 / 8.0);
    EXPECT_EQ(alertLine(rise), sj("10:10\t大井 5R\t1\t単勝支持率 +10.0ポイント (10分)\t8.0\t4.0"));
    EXPECT_DOUBLE_EQ(once[3].placeChange, 26.6 / 1.4 - 26.6 / 2.0);
    EXPECT_EQ(once[3].what, sj("複勝支持率 +5.7 単勝支持率 -1.6ポイント (10分)"));
    EXPECT_EQ(once[4].what, sj("単勝オッズ 4.5倍を下回る"));
    EXPECT_EQ(once[7].what, sj("単勝支持率 -14.2ポイント (10分)"));

    // Another race is not the odds rules' race: only the share rules speak there.
    std::vector<Seen> shares;
    std::copy_if(expected.begin(), expected.end(), std::back_inserter(shares), [](const Seen& e) { return e.rule < 3; });
    EXPECT_EQ(seen(AlertMonitor(rules()).evaluate(raceCard(6, 12, "1115").line(), series(6))), shares);
}

TEST(AlertRules, TextFormRoundTripsAndRefusesWhatIsOutOfRange)
{
    for (const AlertRule& r : rules())
        EXPECT_EQ(parseAlertRule(formatAlertRule(r)), r) << formatAlertRule(r);
    const std::optional<AlertRule> fall = parseAlertRule("fall");
    ASSERT_TRUE(fall);
    EXPECT_EQ(fall->pointsTenths, 50);
    EXPECT_EQ(fall->windowMinutes, 10);
    EXPECT_EQ(parseAlertRule("rise,2.5,15")->pointsTenths, 25);
    for (const char* bad : {"", "jump", "rise,0", "rise,100", "rise,5,0", "rise,5,61", "rise,5,10,1", "rise,5.25",
                            "rise,-5", "below,4.5,2024011544110205", "below,0.9,2024011544110205,1",
                            "below,4.5,20240115441102,1", "below,4.5,2024011544110205,19", "above,x,2024011544110205,1"}) {
        std::string error;
        EXPECT_FALSE(parseAlertRule(bad, &error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    EXPECT_EQ(alertRuleText(*parseAlertRule("below,4.5,2024011544110205,7")), sj("大井 5R 7番 単勝オッズ 4.5倍を下回る"));
    EXPECT_EQ(alertRuleText(*parseAlertRule("rise")), sj("単勝支持率 5ポイント以上上昇 (10分以内)"));
}

TEST(AlertRules, TheStoredRaceIsReadByItsKey)
{
    testing::RaceStore store;
    store.dayFile({raceCard(4, 12, "1015").line(), raceCard(5, 12, "1045").line()});
    store.writeLines(store.o1File(5), series());
    AlertMonitor monitor(rules());
    EXPECT_EQ(seen(monitor.evaluateStored(store.layout, kRaceKey)), kExpected);
    // A race without odds, a key of no stored day and a malformed key raise nothing.
    EXPECT_TRUE(monitor.evaluateStored(store.layout, "2024011544110204").empty());
    EXPECT_TRUE(monitor.evaluateStored(store.layout, "2024011644110205").empty());
    EXPECT_TRUE(monitor.evaluateStored(store.layout, "20240115").empty());
}

} // namespace
} // namespace tidemark::analytics
