#include "analytics/alert_rules.h"

#include <algorithm>
#include <cmath>

#include "analysis/snapshot_series.h"
#include "analytics/race_share_change.h"
#include "records/keiba_func_nv.h"
#include "records/record_view.h"
#include "store/record_reader.h"
#include "text/cp932.h"
#include "text/date_time.h"
#include "text/number_format.h"

namespace tidemark::analytics {

using text::sj;

namespace {

// A change compared with P as the alert line shows it: to the tenth, so that a rise
// shown as +5.0 meets a P of 5.
constexpr double kTenthSlack = 0.05;

struct KindName {
    AlertKind kind;
    const char* name;
};
constexpr KindName kKindNames[] = {
    {AlertKind::Rise, "rise"},   {AlertKind::Fall, "fall"},   {AlertKind::PlaceAgainstWin, "place"},
    {AlertKind::OddsBelow, "below"}, {AlertKind::OddsAbove, "above"},
};

std::vector<std::string_view> splitCommas(std::string_view s)
{
    std::vector<std::string_view> out;
    for (;;) {
        const std::size_t c = s.find(',');
        out.push_back(s.substr(0, c));
        if (c == std::string_view::npos)
            return out;
        s.remove_prefix(c + 1);
    }
}

bool digitsOnly(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<int> parseWhole(std::string_view s, int min, int max)
{
    if (!digitsOnly(s) || s.size() > 3)
        return std::nullopt;
    const int n = static_cast<int>(text::readInt(s));
    if (n < min || n > max)
        return std::nullopt;
    return n;
}

std::string signedPoints(double points)
{
    const double tenths = std::round(points * 10.0);
    return (tenths > 0 ? "+" : tenths < 0 ? "-" : "") + text::formatFixed(std::fabs(tenths) / 10.0, 0, 1);
}

std::string windowText(int minutes) { return " (" + std::to_string(minutes) + sj("分)"); }

bool fail(std::string* error, std::string why)
{
    if (error)
        *error = std::move(why);
    return false;
}

} // namespace

std::optional<int> parseTenths(std::string_view s)
{
    const std::size_t dot = s.find('.');
    const std::string_view whole = s.substr(0, dot);
    const std::string_view frac = dot == std::string_view::npos ? std::string_view() : s.substr(dot + 1);
    if (!digitsOnly(whole) || whole.size() > 4 || (dot != std::string_view::npos && (frac.size() != 1 || !digitsOnly(frac))))
        return std::nullopt;
    return static_cast<int>(text::readInt(whole) * 10 + (frac.empty() ? 0 : frac[0] - '0'));
}

std::string tenthsText(int tenths)
{
    return std::to_string(tenths / 10) + (tenths % 10 != 0 ? "." + std::to_string(tenths % 10) : std::string());
}

std::string formatAlertRule(const AlertRule& rule)
{
    std::string name;
    for (const KindName& k : kKindNames)
        if (k.kind == rule.kind)
            name = k.name;
    if (rule.sharesRule())
        return name + "," + tenthsText(rule.pointsTenths) + "," + std::to_string(rule.windowMinutes);
    return name + "," + tenthsText(rule.oddsTenths) + "," + rule.raceKey + "," + std::to_string(rule.horse);
}

std::optional<AlertRule> parseAlertRule(std::string_view textIn, std::string* error)
{
    const std::vector<std::string_view> f = splitCommas(textIn);
    AlertRule rule;
    bool known = false;
    for (const KindName& k : kKindNames)
        if (f[0] == k.name) {
            rule.kind = k.kind;
            known = true;
        }
    if (!known) {
        fail(error, "unknown alert kind '" + std::string(f[0]) + "' (rise, fall, place, below or above)");
        return std::nullopt;
    }
    if (rule.sharesRule()) {
        if (f.size() > 3) {
            fail(error, "too many fields (" + std::string(f[0]) + ",P,W)");
            return std::nullopt;
        }
        if (f.size() > 1) {
            const std::optional<int> p = parseTenths(f[1]);
            if (!p || *p < 1 || *p > AlertRule::kMaxPointsTenths) {
                fail(error, "malformed points '" + std::string(f[1]) + "' (0.1-99.9)");
                return std::nullopt;
            }
            rule.pointsTenths = *p;
        }
        if (f.size() > 2) {
            const std::optional<int> w = parseWhole(f[2], 1, AlertRule::kMaxWindow);
            if (!w) {
                fail(error, "malformed window '" + std::string(f[2]) + "' (minutes, 1-60)");
                return std::nullopt;
            }
            rule.windowMinutes = *w;
        }
        return rule;
    }
    if (f.size() != 4) {
        fail(error, "an odds rule has four fields (" + std::string(f[0]) + ",ODDS,RACE,HORSE)");
        return std::nullopt;
    }
    const std::optional<int> x = parseTenths(f[1]);
    if (!x || *x < 10 || *x > AlertRule::kMaxOddsTenths) {
        fail(error, "malformed odds '" + std::string(f[1]) + "' (1.0-9999.9)");
        return std::nullopt;
    }
    if (!digitsOnly(f[2]) || f[2].size() != 16) {
        fail(error, "malformed race key '" + std::string(f[2]) + "' (16 digits)");
        return std::nullopt;
    }
    const std::optional<int> h = parseWhole(f[3], 1, kShareHorses);
    if (!h) {
        fail(error, "malformed horse '" + std::string(f[3]) + "' (1-18)");
        return std::nullopt;
    }
    rule.oddsTenths = *x;
    rule.raceKey = std::string(f[2]);
    rule.horse = *h;
    return rule;
}

std::string alertRuleText(const AlertRule& rule)
{
    const std::string p = tenthsText(rule.pointsTenths);
    const std::string within = " (" + std::to_string(rule.windowMinutes) + sj("分以内)");
    switch (rule.kind) {
    case AlertKind::Rise: return sj("単勝支持率 ") + p + sj("ポイント以上上昇") + within;
    case AlertKind::Fall: return sj("単勝支持率 ") + p + sj("ポイント以上下落") + within;
    case AlertKind::PlaceAgainstWin: return sj("複勝支持率が単勝と逆行 ") + p + sj("ポイント以上") + within;
    case AlertKind::OddsBelow:
    case AlertKind::OddsAbove: break;
    }
    const std::string_view key = rule.raceKey;
    const std::string race = key.size() == 16
                                 ? KeibaFuncNV::TrackName(key.substr(8, 2), 2) + " " +
                                       std::to_string(text::readInt(key.substr(14, 2))) + "R "
                                 : std::string();
    return race + std::to_string(rule.horse) + sj("番 単勝オッズ ") + tenthsText(rule.oddsTenths) +
           (rule.kind == AlertKind::OddsBelow ? sj("倍を下回る") : sj("倍を上回る"));
}

std::string alertOddsText(const records::OddsField& odds)
{
    return odds.kind() == records::OddsKind::Odds ? text::formatFixed(odds.value(), 0, 1) : std::string("-");
}

std::string alertRaceText(const Alert& a)
{
    return KeibaFuncNV::TrackName(a.trackCode, 2) + " " + std::to_string(a.raceNumber) + "R";
}

std::string alertLine(const Alert& a)
{
    return text::hhColonNn(a.minute) + "\t" + alertRaceText(a) + "\t" + std::to_string(a.horse) + "\t" + a.what +
           "\t" + alertOddsText(a.before) + "\t" + alertOddsText(a.after);
}

// --- the monitor --------------------------------------------------------------------

void AlertMonitor::setRules(std::vector<AlertRule> rules)
{
    m_rules = std::move(rules);
    m_fired.clear();
}

void AlertMonitor::reset()
{
    m_fired.clear();
    m_seen.clear();
}

bool AlertMonitor::fire(std::size_t rule, const std::string& raceKey, int horse, bool holds)
{
    const auto key = std::make_tuple(rule, raceKey, horse);
    if (!holds) {
        m_fired.erase(key); // cleared: the next time it holds, it fires again
        return false;
    }
    return m_fired.insert(key).second;
}

std::vector<Alert> AlertMonitor::evaluate(std::string_view raRecord, std::span<const std::string_view> series)
{
    std::vector<Alert> out;
    const std::string key(records::RaView(raRecord).raceKey());
    std::size_t& seen = m_seen[key];
    if (series.size() < seen)
        seen = 0;
    for (std::size_t i = seen; i < series.size(); ++i) {
        const int minute = raceDayMinute(series[i]);
        // Up to this line only: the announcement is judged as it stood when it came in.
        if (minute >= 0)
            judge(raRecord, series.first(i + 1), minute, out);
    }
    seen = series.size();
    return out;
}

std::vector<Alert> AlertMonitor::evaluate(std::string_view raRecord, const std::vector<std::string>& series)
{
    const std::vector<std::string_view> views(series.begin(), series.end());
    return evaluate(raRecord, std::span<const std::string_view>(views));
}

void AlertMonitor::judge(std::string_view raRecord, std::span<const std::string_view> series, int minute,
                         std::vector<Alert>& out)
{
    const records::RaView ra(raRecord);
    const std::string raceKey(ra.raceKey());
    const records::O1View b(series.back());
    auto alertOf = [&](std::size_t rule, int horse) {
        Alert a;
        a.rule = rule;
        a.kind = m_rules[rule].kind;
        a.raceKey = raceKey;
        a.trackCode = std::string(ra.trackCode());
        a.raceNumber = ra.raceNumber();
        a.horse = horse;
        a.minute = minute;
        a.announcement = std::string(b.announcementTime());
        a.after = b.win(horse);
        return a;
    };
    for (std::size_t r = 0; r < m_rules.size(); ++r) {
        const AlertRule& rule = m_rules[r];
        const double p = rule.pointsTenths / 10.0 - kTenthSlack;
        if (rule.sharesRule()) {
            const RaceShareChange c = raceShareChange(series, minute, rule.windowMinutes);
            if (!c.hasBoth())
                continue;
            for (int h = 1; h <= kShareHorses; ++h) {
                const RunnerShareChange& m = c.runner(h);
                bool holds = false;
                switch (rule.kind) {
                case AlertKind::Rise:
                    if (!m.counts)
                        continue;
                    holds = m.winChange >= p;
                    break;
                case AlertKind::Fall:
                    if (!m.counts)
                        continue;
                    holds = m.winChange <= -p;
                    break;
                case AlertKind::PlaceAgainstWin:
                    if (!m.counts || !m.placeCounts)
                        continue;
                    holds = m.winChange * m.placeChange < 0 && std::fabs(m.placeChange - m.winChange) >= p;
                    break;
                case AlertKind::OddsBelow:
                case AlertKind::OddsAbove: break;
                }
                if (!fire(r, raceKey, h, holds))
                    continue;
                Alert a = alertOf(r, h);
                a.before = m.a.win;
                a.winChange = m.winChange;
                a.placeChange = m.placeChange;
                if (rule.kind == AlertKind::PlaceAgainstWin)
                    a.what = sj("複勝支持率 ") + signedPoints(m.placeChange) + sj(" 単勝支持率 ") +
                             signedPoints(m.winChange) + sj("ポイント") + windowText(rule.windowMinutes);
                else
                    a.what = sj("単勝支持率 ") + signedPoints(m.winChange) + sj("ポイント") + windowText(rule.windowMinutes);
                out.push_back(std::move(a));
            }
            continue;
        }
        if (rule.raceKey != raceKey)
            continue;
        const records::OddsField now = b.win(rule.horse);
        if (now.kind() != records::OddsKind::Odds)
            continue; // not priced: neither fires nor clears
        const bool below = rule.kind == AlertKind::OddsBelow;
        const bool holds = below ? now.tenths() < rule.oddsTenths : now.tenths() > rule.oddsTenths;
        // The announcement before this one, on the race day.
        const int prevIndex = latestSnapshotAt(series.first(series.size() - 1), minute);
        records::OddsField before;
        if (prevIndex != RaceShareChange::kNone)
            before = records::O1View(series[static_cast<std::size_t>(prevIndex)]).win(rule.horse);
        // A crossing needs the odds before it on the other side; odds already past X
        // when first seen are taken as fired, so that only a real crossing speaks.
        const bool crossed = before.kind() == records::OddsKind::Odds &&
                             (below ? before.tenths() >= rule.oddsTenths : before.tenths() <= rule.oddsTenths);
        if (!fire(r, raceKey, rule.horse, holds) || !crossed)
            continue;
        Alert a = alertOf(r, rule.horse);
        a.before = before;
        a.what = sj("単勝オッズ ") + tenthsText(rule.oddsTenths) + (below ? sj("倍を下回る") : sj("倍を上回る"));
        out.push_back(std::move(a));
    }
}

std::vector<Alert> AlertMonitor::evaluateStored(const store::StoreLayout& layout, std::string_view raceKey)
{
    if (raceKey.size() != 16)
        return {};
    const std::optional<std::string> label = store::dayLabelOfDate(raceKey.substr(0, 8));
    if (!label)
        return {};
    std::vector<std::string> cards;
    if (!store::tryReadRecords(layout.raFile(*label), store::StoreKind::RA, cards))
        return {};
    const auto card = std::find_if(cards.begin(), cards.end(),
                                   [&](const std::string& ra) { return records::RaView(ra).raceKey() == raceKey; });
    if (card == cards.end())
        return {};
    std::string bytes;
    std::vector<std::string_view> lines;
    if (!analysis::readOddsLineViews(analysis::raceOddsFiles(layout, *card).o1, bytes, lines))
        return {};
    return evaluate(*card, lines);
}

} // namespace tidemark::analytics
