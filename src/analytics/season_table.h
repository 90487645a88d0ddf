#pragma once
// The tables a season of the store is exported as: one definition per table (its
// name, its columns with their types, its indexes), written by any sink. Rows are
// handed to a sink one at a time as a span of values that live only for the call, so
// no range of days is ever held whole.
//
// Texts in values are UTF-8 (the sinks write them as they are, or as CP932 where a
// spreadsheet asks for it); dates are "yyyy-mm-dd", times "hh:mm", moments
// "yyyy-mm-dd hh:mm" (Japan time, as the records give them); odds are in units of 1
// with one decimal; flags are 0 or 1.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tidemark::analytics {

// What a column holds; each database gives it its own type (SQLite keeps dates and
// moments as ISO-8601 texts, PostgreSQL as DATE and TIMESTAMP).
enum class ColumnType {
    Text,
    Integer,
    Real,      // a derived figure (a share in percent)
    Odds,      // odds in units of 1, one decimal (tenths in the records)
    Date,      // "yyyy-mm-dd"
    Timestamp, // "yyyy-mm-dd hh:mm" or "yyyy-mm-dd hh:mm:ss", local (Japan) time
    Flag,      // 0 or 1
};

struct Column {
    std::string_view name;
    ColumnType type;
};

// One cell of a row: NULL, an integer, a real or a text (a view that lives as long as
// the call that hands the row over).
struct Value {
    enum class Kind : std::uint8_t { Null, Integer, Real, Text };

    Kind kind = Kind::Null;
    std::int64_t integer = 0;
    double real = 0.0;
    std::string_view text;

    static Value null() { return {}; }
    static Value of(std::int64_t v)
    {
        Value x;
        x.kind = Kind::Integer;
        x.integer = v;
        return x;
    }
    static Value of(double v)
    {
        Value x;
        x.kind = Kind::Real;
        x.real = v;
        return x;
    }
    static Value of(std::string_view v)
    {
        Value x;
        x.kind = Kind::Text;
        x.text = v;
        return x;
    }
    // An integer, or NULL when it is 0 (a popularity or a position the record leaves empty).
    static Value positiveOrNull(std::int64_t v) { return v > 0 ? of(v) : null(); }
    static Value flag(bool v) { return of(static_cast<std::int64_t>(v ? 1 : 0)); }
    bool isNull() const { return kind == Kind::Null; }
};

using Row = std::span<const Value>;

// The tables of the export, in the order they are written.
enum class SeasonTable { Races, Runners, WinPlace, BracketQuinella, Quinella, Payouts };
inline constexpr std::array<SeasonTable, 6> kSeasonTables{SeasonTable::Races,    SeasonTable::Runners,
                                                          SeasonTable::WinPlace, SeasonTable::BracketQuinella,
                                                          SeasonTable::Quinella, SeasonTable::Payouts};

struct TableDef {
    SeasonTable id;
    std::string_view name;
    std::span<const Column> columns;
    // Columns of the primary key (in order): no two rows share them.
    std::span<const std::string_view> key;
    // Secondary indexes, each a list of columns.
    std::span<const std::span<const std::string_view>> indexes;
    // Large tables are written only when asked for by name.
    bool onRequestOnly = false;
    // The table's columns as the first version of the export wrote them (no keys, no
    // race cards), so a file of that version is recognised and not taken for a foreign one.
    std::span<const std::string_view> firstVersionColumns = {};

    std::size_t columnCount() const { return columns.size(); }
};

// The shape of the tables this program writes; `meta.schema_version` of every export.
// 1: the first export (no keys, no race cards, no schema_version); 2: this one.
inline constexpr std::int64_t kSchemaVersion = 2;

const TableDef& tableDef(SeasonTable table);
// The table of a name ("win_place"); nullopt for any other name.
std::optional<SeasonTable> tableNamed(std::string_view name);
// races, runners, win_place and payouts: what an export writes unless told otherwise.
std::vector<SeasonTable> defaultTables();
// "races,runners,win_place" -> the tables, in the export's order, each once; nullopt
// when a name is not a table (`bad` then holds it).
std::optional<std::vector<SeasonTable>> parseTableList(std::string_view list, std::string* bad = nullptr);

// Every row of every season table carries the race key in its first column, so a race
// is replaced in every table alike.
inline constexpr std::string_view kRaceKeyColumn = "race_key";

// The meta table (no race key): one row per export, what wrote it, which range, when,
// which tables, how many days and races, how many odds lines were left out.
const TableDef& metaTableDef();
// One row per export and day: its races and odds lines, kept and left out by reason.
const TableDef& metaDaysTableDef();

} // namespace tidemark::analytics
