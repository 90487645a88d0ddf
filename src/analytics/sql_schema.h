#pragma once
// The SQL both database sinks speak to make their tables: quoted names, CREATE TABLE
// and CREATE INDEX of a table definition, the checks that a database is fit for an
// export before anything is written into it (tables of our shape or none, no tables of
// another version), and the indexes of a table that starts out empty built once its
// rows are in.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analytics/season_table.h"
#include "analytics/table_sink.h"

namespace tidemark::analytics::sql {

std::string quoted(std::string_view name);
// "races_day".
std::string indexName(const TableDef& def, std::span<const std::string_view> columns);
// CREATE TABLE with the database's type of each column and the primary key, then
// `options` (" WITHOUT ROWID").
std::string createTable(const TableDef& def, const std::function<std::string_view(ColumnType)>& typeName,
                        std::string_view options = {});
std::string createIndex(const TableDef& def, std::span<const std::string_view> columns);
std::string dropIndex(const TableDef& def, std::span<const std::string_view> columns);
// DELETE of one race's rows; `parameter` is "?" or "ANY($1::text[])".
std::string deleteRaces(const TableDef& def, std::string_view parameter);
// INSERT of a whole row with `?` placeholders.
std::string insertRow(const TableDef& def);

// How a table found in a database stands to its definition.
enum class Shape { Missing, Current, FirstVersion, Other };
Shape shapeOf(const std::vector<std::string>& present, const TableDef& def);
// "<where>: its table <name> has other columns than this program writes; ..."
std::string otherColumnsMessage(const std::string& where, const TableDef& def);

// What a sink's database answers; its failures throw SinkError.
class Database {
public:
    virtual void exec(const std::string& sql) = 0;
    // The column names of a table, in order; empty when there is no such table.
    virtual std::vector<std::string> columns(std::string_view table) = 0;
    virtual bool holdsRows(std::string_view table) = 0;
    // The one integer a query gives; none for NULL or no row.
    virtual std::optional<std::int64_t> integer(const std::string& sql) = 0;
    virtual std::string_view typeName(ColumnType type) const = 0;
    // The file or database, for messages.
    virtual std::string where() const = 0;
    // What the user does to export into it anew ("delete the file ...").
    virtual std::string startAfresh() const = 0;

protected:
    ~Database() = default;
};

// Every check before anything is written: the meta tables and the tables of the
// export are missing or of this version's shape, and no newer version of the program
// wrote into the database. Throws SinkError saying what to do. The number the next
// export's meta row takes.
std::int64_t checkDatabase(Database& db, std::span<const SeasonTable> tables);

struct TableState {
    const TableDef* def = nullptr;
    bool empty = false;           // held no row when the export began
    bool indexesDeferred = false; // its indexes are built after the rows are in
};

// Makes a checked table when missing; the indexes of an empty table are dropped to be
// built at the end, those of a table with rows made when missing.
TableState prepareTable(Database& db, const TableDef& def, std::string_view options = {});
// Builds the indexes a prepared table left for the end.
void buildDeferredIndexes(Database& db, TableState& table);

} // namespace tidemark::analytics::sql
