#include "analytics/backtest.h"

#include <algorithm>
#include <array>
#include <map>

#include "analysis/anomaly_search.h"
#include "analysis/selected_snapshot.h"
#include "analytics/race_share_change.h"
#include "analytics/season_export.h"
#include "analytics/season_reader.h"
#include "analytics/season_rows.h"
#include "analytics/table_sink.h"
#include "records/keiba_func_nv.h"
#include "records/record_view.h"
#include "settings/settings_keys.h"
#include "text/cp932.h"
#include "text/date_time.h"
#include "text/file_io.h"
#include "text/number_format.h"

namespace tidemark::analytics {

namespace {

using analysis::RaceSlot;
using analysis::SnapshotList;

constexpr std::int64_t kStake = 100;
constexpr std::uint64_t kBootstrapSeed = 0x5EA5011BAC7E57ull;

// splitmix64: the same stream on every machine and compiler, unlike the standard
// library's distributions.
struct SplitMix {
    std::uint64_t state;
    std::uint64_t next()
    {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 .. n − 1.
    std::size_t below(std::size_t n) { return static_cast<std::size_t>((next() >> 32) * n >> 32); }
};

double thresholdOf(const IniFile& ini, const settings::TextSetting& key)
{
    bool ok = false;
    const double v = text::readDecimal(key.read(ini), &ok);
    // An empty or invalid box counts as 0 in the window: every gap is coloured.
    return ok ? v : 0.0;
}

// The bet moment of a race, in the series as the window builds it.
struct Moment {
    int index = -1;       // in the series
    std::string key;      // MMDDhhmm
    std::int64_t stamp = 0;
};

class RaceBacktest {
public:
    RaceBacktest(const BacktestOptions& options, BacktestResult& result) : m_options(options), m_result(result) {}

    void run(StoredDay& day, const StoredRace& race)
    {
        ++m_result.racesInRange;
        RaceSlot& slot = day.slot(race);
        const RaceFacts facts = RaceFacts::of(slot.raRecord);
        if (!race.hasPayouts) {
            ++m_result.noResult;
            return;
        }
        if (!day.readOdds(race, store::StoreKind::O1, m_o1Bytes, m_o1) || m_o1.empty()) {
            ++m_result.noOdds;
            return;
        }
        const records::RaView ra(slot.raRecord);
        const int post = text::minuteOfHhmm(ra.startTime());
        if (post < 0 || !facts.post) {
            ++m_result.noMoment;
            return;
        }
        buildSeries(ra);
        const Moment moment = betMoment(post, facts);
        if (moment.index < 0) {
            ++m_result.noMoment;
            return;
        }
        // Quinella odds are read when the rule looks at them; the window stops a race
        // of more than eight runners without them all the same.
        m_o2.clear();
        bool o2Found = false;
        if (needsQuinella(m_options.rule)) {
            o2Found = day.readOdds(race, store::StoreKind::O2, m_o2Bytes, m_o2) && !m_o2.empty();
        } else {
            std::error_code ec;
            o2Found = !race.odds.o2.empty() && std::filesystem::file_size(race.odds.o2, ec) > 0 && !ec;
        }
        analysis::SelectedSnapshot snap = analysis::loadSelectedSnapshot(slot, m_o1, m_o2, moment.key);
        if (snap.outcome == analysis::SelectedSnapshot::Outcome::NoQuinellaOdds) {
            if (!o2Found) {
                ++m_result.noOdds;
                return;
            }
            snap.pricedHorses = analysis::parseSelectedOdds(slot);
        }
        analysis::analysePopularity(slot.record);
        ++m_result.racesExamined;

        const analysis::PopularityLists lists = analysis::popularityLists(slot.record);
        const std::vector<int> picks = pick(slot, lists, moment, post);
        placeBets(day, race, slot, facts, lists, moment, picks);
    }

private:
    // The series the window would build: the file's lines after the first-data cut and
    // the advance-sale rule.
    void buildSeries(const records::RaView& ra)
    {
        m_series.assign(m_o1.begin(), m_o1.end());
        if (!m_options.series.ignoreFirstTime)
            analysis::applyFirstDataCut(m_series, ra.monthDay(), m_options.series.firstTime,
                                        analysis::CutCompare::AsNumber);
        if (m_options.series.timePoints.ignoreAdvanceSale)
            analysis::applyAdvanceSaleRule(m_series);
        m_seriesViews.assign(m_series.begin(), m_series.end());
    }

    // The latest announcement of the race day at or before M minutes before the post,
    // chosen as the movers board chooses its snapshots.
    Moment betMoment(int post, const RaceFacts& facts) const
    {
        Moment m;
        m.index = latestSnapshotAt(m_seriesViews, post - m_options.minutesBefore);
        if (m.index < 0)
            return m;
        const records::O1View v(m_seriesViews[static_cast<std::size_t>(m.index)]);
        m.key = std::string(v.announcementTime());
        m.stamp = facts.announced(m.key).value_or(0);
        return m;
    }

    std::vector<int> pick(const RaceSlot& slot, const analysis::PopularityLists& lists, const Moment& moment,
                          int post)
    {
        const analysis::RaceRecord& r = slot.record;
        std::vector<int> horses;
        const Rule& rule = m_options.rule;
        switch (rule.kind) {
        case RuleKind::Favourite:
            if (!lists.win.empty())
                horses.push_back(lists.win.front().number);
            break;
        case RuleKind::Popularity:
            if (static_cast<int>(lists.win.size()) >= rule.popularity)
                horses.push_back(lists.win[static_cast<std::size_t>(rule.popularity - 1)].number);
            break;
        case RuleKind::Steam: {
            // The movers board reads the file's own series.
            const RaceShareChange change = raceShareChange(m_o1, post - m_options.minutesBefore, rule.minutes);
            for (const RunnerShareChange* c : change.counted())
                if (c->horse <= r.runnerCount && c->winChange >= rule.points)
                    horses.push_back(c->horse);
            break;
        }
        case RuleKind::WinOverPlace:
        case RuleKind::PlaceOverWin: {
            // The anomaly table as it stood at the bet moment: the announcements up to it.
            SnapshotList upTo(m_series.begin(), m_series.begin() + moment.index + 1);
            const auto table = analysis::searchWinPlaceRatios(upTo, r.runnerCount);
            for (int h = 1; h <= std::min(r.runnerCount, analysis::kMaxHorses); ++h) {
                const auto& moments = rule.kind == RuleKind::WinOverPlace ? table[static_cast<std::size_t>(h)].winOverPlace
                                                                          : table[static_cast<std::size_t>(h)].placeOverWin;
                if (!moments.empty() && text::readDecimal(moments.front().ratioText()) >= rule.ratio)
                    horses.push_back(h);
            }
            break;
        }
        case RuleKind::Gap: {
            const double threshold = m_options.gapThreshold();
            for (const analysis::GapRow& row : analysis::gapTable(r, rule.figure).rows)
                if (analysis::gapMarked(row.shownRatio(), threshold))
                    horses.push_back(row.upper.number);
            break;
        }
        case RuleKind::BracketOverQuinella:
            for (const analysis::BracketAdvantage& a : analysis::bracketAdvantages(slot)) {
                if (a.ratio() < rule.ratio)
                    continue;
                horses.push_back(a.horseA);
                horses.push_back(a.horseB);
            }
            break;
        }
        std::sort(horses.begin(), horses.end());
        horses.erase(std::unique(horses.begin(), horses.end()), horses.end());
        return horses;
    }

    void placeBets(const StoredDay& day, const StoredRace& race, const RaceSlot& slot, const RaceFacts& facts,
                   const analysis::PopularityLists& lists, const Moment& moment, const std::vector<int>& horses)
    {
        const analysis::RaceRecord& r = slot.record;
        const bool win = m_options.bet == BetKind::Win;
        const records::O1View closing(m_o1.back());
        const results::PayoutTable& payouts = day.payouts(race);
        RaceResult raceResult{race.raceKey, *facts.post, 0, 0};
        for (const int h : horses) {
            if (h < 1 || h > std::min(r.runnerCount, analysis::kMaxHorses))
                continue;
            const double odds = win ? r.winOdds[static_cast<std::size_t>(h)] : r.placeLowOdds[static_cast<std::size_t>(h)];
            if (!(odds > 0.0))
                continue; // not on sale at the moment: no bet can be placed
            const records::SeView se(slot.seRecords[static_cast<std::size_t>(h)]);
            Bet bet;
            bet.dayLabel = day.label();
            bet.raceKey = race.raceKey;
            bet.trackCode = facts.trackCode;
            bet.raceNumber = records::RaView(slot.raRecord).raceNumber();
            bet.postTime = stampText(*facts.post).substr(11);
            bet.momentKey = moment.key;
            bet.at = moment.stamp;
            bet.minutesToPost = static_cast<int>(*facts.post - moment.stamp);
            bet.horse = h;
            bet.horseName = std::string(text::trimBlanks(se.horseName()));
            bet.odds = odds;
            for (std::size_t i = 0; i < lists.win.size(); ++i)
                if (lists.win[i].number == h)
                    bet.popularity = static_cast<int>(i + 1);
            bet.finish = se.finishPosition();
            bet.stake = kStake;
            if (closing.win(h).isCancelled() || se.finalWinOddsField().isCancelled()) {
                bet.outcome = BetOutcome::Refund;
                bet.payout = kStake;
            } else {
                for (const results::PayoutItem& item : payouts.entries(win ? records::PayoutKind::Win
                                                                            : records::PayoutKind::Place))
                    if (item.horse == h)
                        bet.payout += item.amount;
                bet.outcome = bet.payout > 0 ? BetOutcome::Hit : BetOutcome::Miss;
            }
            raceResult.stake += bet.stake;
            raceResult.payout += bet.payout;
            m_result.bets.push_back(std::move(bet));
        }
        if (raceResult.stake > 0)
            m_result.races.push_back(std::move(raceResult));
    }

    const BacktestOptions& m_options;
    BacktestResult& m_result;
    std::string m_o1Bytes;
    std::string m_o2Bytes;
    std::vector<std::string_view> m_o1;
    std::vector<std::string_view> m_o2;
    SnapshotList m_series;
    std::vector<std::string_view> m_seriesViews;
};

constexpr std::string_view kBands[] = {"1", "2-3", "4-6", "7-9", "10-", "-"};

// Index into kBands of a place in the popularity list.
std::size_t bandIndex(int p)
{
    if (p < 1)
        return 5;
    if (p == 1)
        return 0;
    if (p <= 3)
        return 1;
    if (p <= 6)
        return 2;
    return p <= 9 ? 3 : 4;
}

// Adds a bet to a tally, counting its race once (a race's bets come together).
void addTo(Tally& t, std::string& lastRace, const Bet& bet)
{
    if (lastRace != bet.raceKey)
        ++t.races;
    lastRace = bet.raceKey;
    t.add(bet);
}

// The tallies of the bets, in all and split by track and by popularity band.
void tally(BacktestResult& result)
{
    std::map<std::string, std::pair<Tally, std::string>> tracks; // by code: tally, last race
    std::map<std::size_t, std::pair<Tally, std::string>> bands;
    std::string lastRace;
    for (const Bet& bet : result.bets) {
        addTo(result.total, lastRace, bet);
        auto& t = tracks[bet.trackCode];
        addTo(t.first, t.second, bet);
        auto& b = bands[bandIndex(bet.popularity)];
        addTo(b.first, b.second, bet);
    }
    for (auto& [code, t] : tracks)
        result.byTrack.push_back({std::string(text::trim(KeibaFuncNV::TrackName(code, 0))), t.first});
    for (auto& [index, t] : bands)
        result.byBand.push_back({std::string(kBands[index]), t.first});
}

} // namespace

void BacktestOptions::readSettings(const IniFile& ini)
{
    series = analysis::readSeriesOptions(ini);
    gapThresholds = {thresholdOf(ini, settings::DansoBorderRatio), thresholdOf(ini, settings::DansoBorderRatioF1),
                     thresholdOf(ini, settings::DansoBorderRatioF2), thresholdOf(ini, settings::DansoBorderRatioUR)};
}

double BacktestOptions::gapThreshold() const
{
    if (rule.threshold)
        return *rule.threshold;
    return gapThresholds[static_cast<std::size_t>(rule.figure)];
}

void Tally::add(const Bet& bet)
{
    ++bets;
    stake += bet.stake;
    payout += bet.payout;
    switch (bet.outcome) {
    case BetOutcome::Hit: ++hits; break;
    case BetOutcome::Refund: ++refunds; break;
    case BetOutcome::Miss: break;
    }
}

std::string_view popularityBand(int p) { return kBands[bandIndex(p)]; }

Interval bootstrapRoi(const std::vector<RaceResult>& races, int resamples)
{
    Interval out;
    if (races.size() < 2 || resamples < 40)
        return out;
    SplitMix rng{kBootstrapSeed};
    std::vector<double> rois;
    rois.reserve(static_cast<std::size_t>(resamples));
    for (int b = 0; b < resamples; ++b) {
        std::int64_t stake = 0;
        std::int64_t payout = 0;
        for (std::size_t i = 0; i < races.size(); ++i) {
            const RaceResult& r = races[rng.below(races.size())];
            stake += r.stake;
            payout += r.payout;
        }
        rois.push_back(stake ? static_cast<double>(payout - stake) / static_cast<double>(stake) : 0.0);
    }
    std::sort(rois.begin(), rois.end());
    const std::size_t n = rois.size();
    out.valid = true;
    out.low = rois[n * 25 / 1000];
    out.high = rois[(n * 975 + 999) / 1000 - 1];
    return out;
}

BacktestResult runBacktest(const store::StoreLayout& layout, const BacktestOptions& options,
                           const BacktestListener& listener, std::stop_token stop)
{
    BacktestResult result;
    const std::vector<std::string> days = storedDaysInRange(layout, options.fromYmd, options.toYmd);
    BacktestProgress progress;
    progress.days = static_cast<int>(days.size());
    StoredDay day;
    RaceBacktest race(options, result);
    for (const std::string& label : days) {
        if (stop.stop_requested()) {
            result.cancelled = true;
            break;
        }
        day.load(layout, label);
        // The day's races in the order they were run.
        std::vector<const StoredRace*> order;
        for (const StoredRace& r : day.races())
            order.push_back(&r);
        std::stable_sort(order.begin(), order.end(), [&](const StoredRace* a, const StoredRace* b) {
            return records::RaView(day.slot(*a).raRecord).startTimeNumber() <
                   records::RaView(day.slot(*b).raRecord).startTimeNumber();
        });
        for (const StoredRace* r : order) {
            if (stop.stop_requested()) {
                result.cancelled = true;
                break;
            }
            race.run(day, *r);
            ++progress.races;
            progress.bets = static_cast<int>(result.bets.size());
            if (listener)
                listener(progress);
        }
        if (result.cancelled)
            break;
        ++result.days;
        ++progress.day;
        if (listener)
            listener(progress);
    }
    tally(result);
    result.roiInterval = bootstrapRoi(result.races);
    return result;
}

std::string betsCsv(const BacktestResult& result)
{
    static constexpr std::array<std::string_view, 15> kHeader{
        "day",   "race_key",   "track", "race",       "post_time", "bet_at",  "minutes_to_post", "horse",
        "horse_name", "odds", "popularity", "finish", "outcome", "stake", "return"};
    std::string out;
    std::array<Value, kHeader.size()> row;
    for (std::size_t c = 0; c < kHeader.size(); ++c)
        row[c] = Value::of(kHeader[c]);
    appendCsvLine(out, row);
    for (const Bet& b : result.bets) {
        const std::string day = isoDate(std::string_view(b.raceKey).substr(0, 8));
        const std::string track = tableText(KeibaFuncNV::TrackName(b.trackCode, 0));
        const std::string at = stampText(b.at);
        const std::string name = tableText(b.horseName);
        // The odds as announced, one decimal ("10.0", not the real number's "10").
        const std::string odds = text::formatFixed(b.odds, 0, 1);
        const std::string_view outcome = b.outcome == BetOutcome::Hit    ? "hit"
                                         : b.outcome == BetOutcome::Miss ? "miss"
                                                                          : "refund";
        row = {Value::of(std::string_view(day)),
               Value::of(std::string_view(b.raceKey)),
               Value::of(std::string_view(track)),
               Value::of(static_cast<std::int64_t>(b.raceNumber)),
               Value::of(std::string_view(b.postTime)),
               Value::of(std::string_view(at)),
               Value::of(static_cast<std::int64_t>(b.minutesToPost)),
               Value::of(static_cast<std::int64_t>(b.horse)),
               Value::of(std::string_view(name)),
               Value::of(std::string_view(odds)),
               Value::positiveOrNull(b.popularity),
               Value::positiveOrNull(b.finish),
               Value::of(outcome),
               Value::of(static_cast<std::int64_t>(b.stake)),
               Value::of(static_cast<std::int64_t>(b.payout))};
        appendCsvLine(out, row);
    }
    return out;
}

} // namespace tidemark::analytics
