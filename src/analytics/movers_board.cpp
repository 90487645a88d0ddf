#include "analytics/movers_board.h"

#include <algorithm>

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
        race.o1File = analysis::raceOddsFiles(layout, slot.raRecord).o1;
        day.races.push_back(std::move(race));
    }
    return day;
}

bool moverBefore(const MoverRow& a, const MoverRow& b) noexcept
{
    if (a.change.winChange != b.change.winChange)
        return a.change.winChange > b.change.winChange;
    if (a.raceKey != b.raceKey)
        return a.raceKey < b.raceKey;
    return a.change.horse < b.change.horse;
}

MoversBoard buildMoversBoard(const MoversDay& day, const MoversQuery& query)
{
    MoversBoard board;
    std::string bytes;
    std::vector<std::string_view> lines;
    for (std::size_t i = 0; i < day.races.size(); ++i) {
        const MoversRace& race = day.races[i];
        const records::RaView ra(race.raRecord);
        const int post = text::minuteOfHhmm(ra.startTime());
        const bool shown = (query.trackCode.empty() || ra.trackCode() == query.trackCode) &&
                           (!query.notYetRun || post > query.atMinute);
        if (!shown) {
            std::error_code ec;
            if (!race.o1File.empty() && std::filesystem::exists(race.o1File, ec))
                ++board.oddsFiles;
            continue;
        }
        if (!analysis::readOddsLineViews(race.o1File, bytes, lines))
            continue;
        ++board.oddsFiles;
        const RaceShareChange change = raceShareChange(lines, query.atMinute, query.windowMinutes);
        if (!change.hasBoth())
            continue;
        if (change.snapshotA == change.snapshotB) {
            ++board.staleRaces; // every change would read 0.0
            continue;
        }
        const records::O1View b(lines[static_cast<std::size_t>(change.snapshotB)]);
        for (const RunnerShareChange* runner : change.counted()) {
            if (query.minChange && runner->winChange < *query.minChange)
                continue;
            MoverRow row;
            row.race = static_cast<int>(i);
            row.raceKey = std::string(ra.raceKey());
            row.trackCode = std::string(ra.trackCode());
            row.raceNumber = ra.raceNumber();
            row.postTime = std::string(ra.startTime());
            if (post >= 0)
                row.minutesToPost = post - query.atMinute;
            row.announcementB = std::string(b.announcementTime());
            row.horseName = race.horseNames[static_cast<std::size_t>(runner->horse)];
            row.change = *runner;
            board.rows.push_back(std::move(row));
        }
    }
    std::sort(board.rows.begin(), board.rows.end(), moverBefore);
    return board;
}

} // namespace tidemark::analytics
