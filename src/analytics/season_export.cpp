#include "analytics/season_export.h"

#include <algorithm>

#include "analysis/snapshot_series.h"
#include "analytics/season_reader.h"
#include "analytics/season_rows.h"

namespace tidemark::analytics {

namespace {

// Passes the rows on and counts them.
class RowTally final : public TableSink {
public:
    explicit RowTally(TableSink& sink) : m_sink(sink) {}

    void open(std::span<const SeasonTable> tables) override { m_sink.open(tables); }
    void beginDay() override
    {
        m_day = {};
        m_sink.beginDay();
    }
    void removeRaces(std::span<const std::string> raceKeys) override { m_sink.removeRaces(raceKeys); }
    void write(SeasonTable table, Row row) override
    {
        ++m_day[static_cast<std::size_t>(table)];
        m_sink.write(table, row);
    }
    void commitDay() override { m_sink.commitDay(); }
    void rollbackDay() noexcept override { m_sink.rollbackDay(); }
    void finish(const ExportMeta& meta) override { m_sink.finish(meta); }
    void abandon() noexcept override { m_sink.abandon(); }
    std::string describe() const override { return m_sink.describe(); }

    const std::array<std::int64_t, kSeasonTables.size()>& day() const { return m_day; }
    std::int64_t dayRows() const
    {
        std::int64_t n = 0;
        for (std::int64_t r : m_day)
            n += r;
        return n;
    }

private:
    TableSink& m_sink;
    std::array<std::int64_t, kSeasonTables.size()> m_day{};
};

bool cancelled(const std::atomic<bool>* cancel) { return cancel && cancel->load(std::memory_order_relaxed); }

} // namespace

std::string isoDate(std::string_view s)
{
    if (s.size() != 8)
        return std::string(s);
    return std::string(s.substr(0, 4)) + "-" + std::string(s.substr(4, 2)) + "-" + std::string(s.substr(6, 2));
}

SeasonExportResult exportSeason(const store::StoreLayout& layout, TableSink& sink, const SeasonExportOptions& options,
                                const SeasonExportListener& listener, const std::atomic<bool>* cancel)
{
    const std::vector<std::string> days = storedDaysInRange(layout, options.fromYmd, options.toYmd);
    auto wants = [&](SeasonTable t) {
        return std::find(options.tables.begin(), options.tables.end(), t) != options.tables.end();
    };
    const bool races = wants(SeasonTable::Races);
    const bool runners = wants(SeasonTable::Runners);
    const bool payouts = wants(SeasonTable::Payouts);
    const bool winPlace = wants(SeasonTable::WinPlace);
    const bool bracket = wants(SeasonTable::BracketQuinella);
    const bool quinella = wants(SeasonTable::Quinella);
    // The win odds say who was withdrawn and when, which races and runners tell.
    const bool o1Needed = races || runners || winPlace || bracket;

    RowTally out(sink);
    SeasonExportResult result;
    SeasonExportProgress progress;
    progress.days = static_cast<int>(days.size());
    ExportMeta meta;
    StoredDay day;
    std::string bytes;
    std::vector<std::string_view> lines;
    std::vector<std::string> keys;
    std::vector<const StoredRace*> dayRaces;
    std::int64_t committedRows = 0;

    try {
        out.open(options.tables);
        for (const std::string& label : days) {
            day.load(layout, label);
            // Each race once, should a damaged day file list one twice.
            keys.clear();
            dayRaces.clear();
            for (const StoredRace& race : day.races()) {
                if (std::find(keys.begin(), keys.end(), race.raceKey) != keys.end())
                    continue;
                keys.push_back(race.raceKey);
                dayRaces.push_back(&race);
            }
            progress.dayLabel = label;
            out.beginDay();
            out.removeRaces(keys);
            for (const StoredRace* race : dayRaces) {
                if (cancelled(cancel))
                    break;
                const analysis::RaceSlot& slot = day.slot(*race);
                const RaceFacts& facts = race->facts;
                if (!o1Needed || !day.readOdds(*race, store::StoreKind::O1, bytes, lines))
                    lines.clear();
                const RaceStatus status = RaceStatus::of(slot, facts, lines);
                if (races)
                    writeRaceRow(slot, facts, status, out);
                if (runners)
                    writeRunnerRows(slot, facts, status, out);
                if (payouts)
                    writePayoutRows(facts, day.payouts(*race), out);
                if (winPlace)
                    writeWinPlaceRows(facts, lines, out);
                if (bracket)
                    writeBracketRows(facts, lines, out);
                if (quinella && day.readOdds(*race, store::StoreKind::O2, bytes, lines))
                    writeQuinellaRows(facts, lines, out);
                ++progress.races;
                progress.rows = committedRows + out.dayRows();
                progress.oddsLines = day.oddsLines();
                if (listener)
                    listener(progress);
            }
            if (cancelled(cancel)) {
                out.rollbackDay();
                out.abandon();
                result.cancelled = true;
                return result;
            }
            out.commitDay();
            ++result.days;
            result.races += static_cast<std::int64_t>(dayRaces.size());
            for (std::size_t t = 0; t < result.rows.size(); ++t)
                result.rows[t] += out.day()[t];
            result.oddsLines.add(day.oddsLines());
            ExportMeta::Day row;
            row.day = isoDate(day.date());
            row.races = static_cast<std::int64_t>(dayRaces.size());
            row.oddsLines = day.oddsLines().kept;
            row.skipped = day.oddsLines().skipped;
            meta.dayRows.push_back(std::move(row));
            committedRows += out.dayRows();
            progress.rows = committedRows;
            progress.oddsLines = day.oddsLines();
            ++progress.day;
            if (listener)
                listener(progress);
        }
        meta.exportedAt = options.exportedAt;
        meta.programVersion = options.programVersion;
        meta.rangeFrom = isoDate(options.fromYmd);
        meta.rangeTo = isoDate(options.toYmd);
        for (SeasonTable t : options.tables)
            meta.tables += (meta.tables.empty() ? "" : ",") + std::string(tableDef(t).name);
        meta.days = result.days;
        meta.races = result.races;
        progress.finishing = true;
        if (listener)
            listener(progress);
        out.finish(meta);
    } catch (...) {
        out.rollbackDay();
        out.abandon();
        throw;
    }
    return result;
}

} // namespace tidemark::analytics
