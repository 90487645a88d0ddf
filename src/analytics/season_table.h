#pragma once
// The tables a season of the store is exported as: one definition per table (its
// name, its columns with their types, its indexes), written by any sink. Rows are
// handed to a sink one at a time as a span of values that live only for the call, so
// no range of days is ever held whole.
//
// Texts in values are UTF-8 (the sinks write them as they are, or as CP932 where a
// spreadsheet asks for it); dates are "yyyy-mm-dd", times "hh:mm", moments
// "yyyy-mm-dd hh:mm"; odds are in units of 1.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tidemark::analytics {

enum class ColumnType { Text, Integer, Real };

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
    // Columns of the primary key (in order); empty when rows may repeat.
    std::span<const std::string_view> key;
    // Secondary indexes, each a list of columns.
    std::span<const std::span<const std::string_view>> indexes;
    // Large tables are written only when asked for by name.
    bool onRequestOnly = false;

    std::size_t columnCount() const { return columns.size(); }
};

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
// which tables, how many days and races.
const TableDef& metaTableDef();

} // namespace tidemark::analytics
