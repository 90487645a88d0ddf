#include "analytics/race_share_change.h"

#include "analysis/odds_values.h"
#include "records/record_view.h"
#include "text/date_time.h"

namespace tidemark::analytics {

namespace {

// Minutes after midnight of a snapshot announced on its race's day; kNone for one of an
// earlier day (advance sale) or with a time that is no time of day.
int raceDayMinute(const records::OddsRecordView& v) noexcept
{
    const std::string_view at = v.announcementTime();
    if (at.substr(0, 4) != v.monthDay())
        return RaceShareChange::kNone;
    const int minute = text::minuteOfHhmm(at.substr(4));
    return minute < 0 ? RaceShareChange::kNone : minute;
}

RunnerOdds runnerAt(const records::O1View& v, int horse)
{
    RunnerOdds r;
    r.win = v.win(horse);
    r.placeLow = v.placeLow(horse);
    r.placeHigh = v.placeHigh(horse);
    if (r.winPriced())
        r.winShare = analysis::winShare(r.win.value());
    if (r.placePriced())
        r.placeShare = analysis::placeShare(r.placeLow.value());
    return r;
}

} // namespace

int raceDayMinute(std::string_view oddsLine) noexcept { return raceDayMinute(records::OddsRecordView(oddsLine)); }

std::vector<const RunnerShareChange*> RaceShareChange::counted() const
{
    std::vector<const RunnerShareChange*> out;
    for (int h = 1; h <= kShareHorses; ++h)
        if (runner(h).counts)
            out.push_back(&runner(h));
    return out;
}

int latestSnapshotAt(std::span<const std::string_view> series, int atMinute)
{
    int best = RaceShareChange::kNone;
    int bestMinute = RaceShareChange::kNone;
    for (std::size_t i = 0; i < series.size(); ++i) {
        // Only the heading is read, which O1 and O2 lines share.
        const records::OddsRecordView v(series[i]);
        const int minute = raceDayMinute(v);
        // ">=": of two announcements of the same minute the later line is the latest.
        if (minute != RaceShareChange::kNone && minute <= atMinute && minute >= bestMinute) {
            best = static_cast<int>(i);
            bestMinute = minute;
        }
    }
    return best;
}

RaceShareChange raceShareChange(std::span<const std::string_view> series, int atMinute, int windowMinutes)
{
    RaceShareChange out;
    for (int h = 0; h <= kShareHorses; ++h)
        out.runners[static_cast<std::size_t>(h)].horse = h;
    out.snapshotB = latestSnapshotAt(series, atMinute);
    if (out.snapshotB == RaceShareChange::kNone)
        return out;
    out.snapshotA = latestSnapshotAt(series, atMinute - (windowMinutes > 0 ? windowMinutes : 0));
    const records::O1View b(series[static_cast<std::size_t>(out.snapshotB)]);
    out.minuteB = raceDayMinute(b);
    records::O1View a;
    if (out.snapshotA != RaceShareChange::kNone) {
        a = records::O1View(series[static_cast<std::size_t>(out.snapshotA)]);
        out.minuteA = raceDayMinute(a);
    }
    for (int h = 1; h <= kShareHorses; ++h) {
        RunnerShareChange& r = out.runners[static_cast<std::size_t>(h)];
        r.b = runnerAt(b, h);
        if (out.snapshotA == RaceShareChange::kNone)
            continue;
        r.a = runnerAt(a, h);
        r.counts = r.a.winPriced() && r.b.winPriced();
        if (r.counts)
            r.winChange = r.b.winShare - r.a.winShare;
        r.placeCounts = r.a.placePriced() && r.b.placePriced();
        if (r.placeCounts)
            r.placeChange = r.b.placeShare - r.a.placeShare;
    }
    return out;
}

RaceShareChange raceShareChange(const std::vector<std::string>& series, int atMinute, int windowMinutes)
{
    std::vector<std::string_view> views(series.begin(), series.end());
    return raceShareChange(std::span<const std::string_view>(views), atMinute, windowMinutes);
}

} // namespace tidemark::analytics
