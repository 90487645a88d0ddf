// The season export's reading of one race over arbitrary bytes, all in memory: a race
// card (part 0), its .nvO1 file (part 1) and .nvO2 file (part 2), its runner records one
// a line (part 3) and its payout record (part 4). The odds lines are sorted into the
// race's own and the rest, and every row of every table is made as the export makes it
// into a sink that checks what any database will demand of it: the table's columns, the
// key of each row never given twice, texts of valid UTF-8 without control bytes (which
// PostgreSQL refuses), a moment on every odds row.

#include "analytics/season_reader.h"
#include "analytics/season_rows.h"
#include "fuzz_support.h"
#include "records/record_view.h"
#include "results/payout_table.h"

#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <unordered_set>
#include <vector>

using namespace tidemark;
using namespace tidemark::analytics;

namespace {

bool validText(std::string_view s)
{
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x20 || c == 0x7F)
            return false;
        const std::size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (n == 0 || i + n > s.size())
            return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) >> 6) != 0x2)
                return false;
        i += n;
    }
    return true;
}

// FNV-1a over the key columns of a row.
void mix(std::uint64_t& h, std::string_view bytes)
{
    for (const char c : bytes)
        h = (h ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
    h = (h ^ 0xFF) * 0x100000001B3ull; // the end of a value
}

class CheckingSink final : public CountingSink {
public:
    void write(SeasonTable table, Row row) override
    {
        const TableDef& def = tableDef(table);
        if (row.size() != def.columns.size())
            fuzz::broken("a row with another number of values than its table's columns");
        std::uint64_t key = 0xCBF29CE484222325ull;
        const std::vector<bool>& inKey = keyColumns(table);
        for (std::size_t c = 0; c < row.size(); ++c) {
            const Value& v = row[c];
            if (v.kind == Value::Kind::Text && !validText(v.text)) {
                const std::string column(def.columns[c].name);
                ::write(2, column.data(), column.size());
                fuzz::broken(": a text that is not clean UTF-8");
            }
            if (!inKey[c])
                continue;
            if (v.isNull())
                fuzz::broken("a key column without a value");
            if (v.kind == Value::Kind::Text)
                mix(key, v.text);
            else
                mix(key, std::string_view(reinterpret_cast<const char*>(&v.integer), sizeof v.integer));
        }
        if (!m_keys[static_cast<std::size_t>(table)].insert(key).second)
            fuzz::broken("a key given twice");
        if ((table == SeasonTable::WinPlace || table == SeasonTable::Quinella) && row[2].isNull())
            fuzz::broken("an odds row without its moment");
        CountingSink::write(table, row);
    }

    // Ready for the next input; the sets keep their room.
    void reset()
    {
        static_cast<CountingSink&>(*this) = CountingSink();
        for (auto& k : m_keys)
            k.clear();
    }

private:
    // Which columns of a table make its key.
    static const std::vector<bool>& keyColumns(SeasonTable table)
    {
        static const auto columns = [] {
            std::array<std::vector<bool>, kSeasonTables.size()> out;
            for (SeasonTable t : kSeasonTables) {
                const TableDef& def = tableDef(t);
                for (const Column& c : def.columns)
                    out[static_cast<std::size_t>(t)].push_back(
                        std::find(def.key.begin(), def.key.end(), c.name) != def.key.end());
            }
            return out;
        }();
        return columns[static_cast<std::size_t>(table)];
    }

    std::array<std::unordered_set<std::uint64_t>, kSeasonTables.size()> m_keys;
};

void checkLines(std::string_view bytes, store::StoreKind kind, const RaceFacts& facts,
                std::vector<std::string_view>& lines)
{
    OddsLineTally tally;
    keepRaceOddsLines(bytes, kind, facts, lines, tally);
    if (tally.kept != static_cast<std::int64_t>(lines.size()))
        fuzz::broken("the lines kept are not the lines counted");
    for (std::string_view line : lines) {
        const records::OddsRecordView v(line);
        if (line.size() != store::lineLength(kind) || v.recordKind() != store::kindId(kind) ||
            v.raceKey() != facts.raceKey || !facts.announced(v.announcementTime()))
            fuzz::broken("a line kept that is no announcement of the race");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto parts = fuzz::splitParts(data, size);
    const std::string ra(fuzz::partOr(parts, 0));
    // The season reader lists only races whose key may name files (digits).
    if (!records::hasSafeKey(ra))
        return 0;
    const RaceFacts facts = RaceFacts::of(ra);

    analysis::RaceSlot slot;
    slot.raRecord = ra;
    std::vector<std::string_view> seLines;
    analysis::splitOddsLines(fuzz::partOr(parts, 3), seLines);
    for (std::size_t h = 1; h <= seLines.size() && h <= static_cast<std::size_t>(analysis::kMaxHorses); ++h)
        slot.seRecords[h] = std::string(seLines[h - 1]);

    std::vector<std::string_view> o1;
    std::vector<std::string_view> o2;
    checkLines(fuzz::partOr(parts, 1), store::StoreKind::O1, facts, o1);
    checkLines(fuzz::partOr(parts, 2), store::StoreKind::O2, facts, o2);

    static CheckingSink sink;
    sink.reset();
    const RaceStatus status = RaceStatus::of(slot, facts, o1);
    if (status.starters < 0 || status.lastBeforePost > static_cast<std::int64_t>(o1.size()))
        fuzz::broken("starters or the last snapshot out of range");
    writeRaceRow(slot, facts, status, sink);
    writeRunnerRows(slot, facts, status, sink);
    writePayoutRows(facts, results::payoutTableOf(fuzz::partOr(parts, 4)), sink);
    writeWinPlaceRows(facts, o1, sink);
    writeBracketRows(facts, o1, sink);
    writeQuinellaRows(facts, o2, sink);
    if (sink.rows(SeasonTable::WinPlace) != static_cast<std::int64_t>(o1.size()) * facts.runners)
        fuzz::broken("win_place rows are not one per announcement and runner");
    return 0;
}
