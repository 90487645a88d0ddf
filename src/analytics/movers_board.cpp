#include "analytics/movers_board.h"

#include <algorithm>

#include "analysis/odds_values.h"
#include "analysis/snapshot_series.h"
#include "records/record_view.h"
#include "text/cp932.h"
#include "text/date_time.h"

namespace tidemark::analytics {

MoversDay moversDay(const analysis::DayTable& table, const std::vector<analysis::RaceListEntry>& races,
                    const store::StoreLayout& layout)
{
    MoversDay day;
    day.races.reserve(races.size());
    for (const analysis::RaceListEntry& entry : races) {
        MoversRace race;
        // Kept in its place, so that a row's race is the race-list entry of the same index.
        if (!table.validSlot(entry.slot)) {
            day.races.push_back(std::move(race));
            continue;
        }
        const analysis::RaceSlot& slot = table.slots[static_cast<std::size_t>(entry.slot)];
        race.raRecord = slot.raRecord;
        for (const std::string& se : slot.seRecords) {
            const records::SeView v(se);
            const int horse = v.horseNumber();
            if (horse >= 1 && horse <= kShareHorses)
                race.horseNames[static_cast<std::size_t>(horse)] = std::string(text::trimBlanks(v.horseName()));
        }
        const analysis::RaceOddsFiles files = analysis::raceOddsFiles(layout, slot.raRecord);
        race.o1File = files.o1;
        race.o2File = files.o2;
        day.races.push_back(std::move(race));
    }
    return day;
}

bool moverBefore(const MoverRow& a, const MoverRow& b) noexcept
{
    if (a.move.change != b.move.change)
        return a.move.change > b.move.change;
    if (a.raceKey != b.raceKey)
        return a.raceKey < b.raceKey;
    return a.entry < b.entry;
}

namespace {

bool priced(const records::OddsField& f) noexcept { return f.kind() == records::OddsKind::Odds; }

// A quinella pair at A and B, when priced at both.
std::optional<PoolChange> pairChange(const records::O2View& a, const records::O2View& b, int pair)
{
    PoolChange m;
    m.oddsA = a.quinella(pair);
    m.oddsB = b.quinella(pair);
    if (!priced(m.oddsA) || !priced(m.oddsB))
        return std::nullopt;
    m.shareA = analysis::quinellaShare(m.oddsA.value());
    m.shareB = analysis::quinellaShare(m.oddsB.value());
    m.change = m.shareB - m.shareA;
    return m;
}

// The pool's view of a runner that counts there; none when it does not.
std::optional<PoolChange> runnerChange(const RunnerShareChange& r, MoversPool pool)
{
    PoolChange m;
    if (pool == MoversPool::Place) {
        if (!r.placeCounts)
            return std::nullopt;
        m.oddsA = r.a.placeLow;
        m.oddsB = r.b.placeLow;
        m.shareA = r.a.placeShare;
        m.shareB = r.b.placeShare;
        m.change = r.placeChange;
        return m;
    }
    if (!r.counts)
        return std::nullopt;
    m.oddsA = r.a.win;
    m.oddsB = r.b.win;
    m.shareA = r.a.winShare;
    m.shareB = r.b.winShare;
    m.change = r.winChange;
    return m;
}

std::string pairNames(const MoversRace& race, const records::Pair& p)
{
    return race.horseNames[static_cast<std::size_t>(p.first)] + text::sj("・") +
           race.horseNames[static_cast<std::size_t>(p.second)];
}

} // namespace

MoversBoard buildMoversBoard(const MoversDay& day, const MoversQuery& query)
{
    MoversBoard board;
    const bool quinella = query.pool == MoversPool::Quinella;
    std::string bytes;
    std::vector<std::string_view> lines;
    for (std::size_t i = 0; i < day.races.size(); ++i) {
        const MoversRace& race = day.races[i];
        const std::filesystem::path& file = quinella ? race.o2File : race.o1File;
        const records::RaView ra(race.raRecord);
        const int post = text::minuteOfHhmm(ra.startTime());
        const bool shown = (query.trackCode.empty() || ra.trackCode() == query.trackCode) &&
                           (!query.notYetRun || post > query.atMinute);
        if (!shown) {
            std::error_code ec;
            if (!file.empty() && std::filesystem::exists(file, ec))
                ++board.oddsFiles;
            continue;
        }
        if (!analysis::readOddsLineViews(file, bytes, lines))
            continue;
        ++board.oddsFiles;
        const int snapshotB = latestSnapshotAt(lines, query.atMinute);
        const int snapshotA =
            snapshotB == RaceShareChange::kNone
                ? RaceShareChange::kNone
                : latestSnapshotAt(lines, query.atMinute - std::max(0, query.windowMinutes));
        if (snapshotA == RaceShareChange::kNone)
            continue;
        if (snapshotA == snapshotB) {
            ++board.staleRaces; // every change would read 0.0
            continue;
        }
        const std::string_view lineA = lines[static_cast<std::size_t>(snapshotA)];
        const std::string_view lineB = lines[static_cast<std::size_t>(snapshotB)];
        MoverRow proto;
        proto.race = static_cast<int>(i);
        proto.raceKey = std::string(ra.raceKey());
        proto.trackCode = std::string(ra.trackCode());
        proto.raceNumber = ra.raceNumber();
        proto.postTime = std::string(ra.startTime());
        if (post >= 0)
            proto.minutesToPost = post - query.atMinute;
        proto.announcementA = std::string(records::OddsRecordView(lineA).announcementTime());
        proto.announcementB = std::string(records::OddsRecordView(lineB).announcementTime());
        proto.minuteA = raceDayMinute(lineA);
        proto.minuteB = raceDayMinute(lineB);
        proto.ageB = query.atMinute - proto.minuteB;
        const auto keep = [&](MoverRow&& row) {
            if (!query.minChange || row.move.change >= *query.minChange)
                board.rows.push_back(std::move(row));
        };

        if (quinella) {
            const records::O2View a(lineA);
            const records::O2View b(lineB);
            for (int k = 1; k <= records::kQuinellaPairCount; ++k) {
                const std::optional<PoolChange> m = pairChange(a, b, k);
                if (!m)
                    continue;
                MoverRow row = proto;
                row.entry = records::quinellaPair(k);
                row.horseName = pairNames(race, row.entry);
                row.move = *m;
                keep(std::move(row));
            }
            continue;
        }
        const RaceShareChange change = raceShareChange(lines, query.atMinute, query.windowMinutes);
        for (int h = 1; h <= kShareHorses; ++h) {
            const RunnerShareChange& runner = change.runner(h);
            const std::optional<PoolChange> m = runnerChange(runner, query.pool);
            if (!m)
                continue;
            MoverRow row = proto;
            row.entry = records::Pair{h, 0};
            row.horseName = race.horseNames[static_cast<std::size_t>(h)];
            row.move = *m;
            if (query.pool == MoversPool::Place) {
                row.move.highA = runner.a.placeHigh;
                row.move.highB = runner.b.placeHigh;
            }
            row.change = runner;
            keep(std::move(row));
        }
    }
    std::sort(board.rows.begin(), board.rows.end(), moverBefore);
    return board;
}

} // namespace tidemark::analytics
