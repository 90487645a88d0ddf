#pragma once
// The SQL both database sinks speak to make their tables: quoted names, CREATE TABLE
// and CREATE INDEX of a table definition, the check that a table found in the database
// is one of ours, and the indexes of a table that starts out empty built once its rows
// are in.

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analytics/season_table.h"
#include "analytics/table_sink.h"

namespace tidemark::analytics::sql {

std::string quoted(std::string_view name);
// "win_place_race_key_announced_at".
std::string indexName(const TableDef& def, std::span<const std::string_view> columns);
// CREATE TABLE [IF NOT EXISTS] with the database's type of each column and the key.
std::string createTable(const TableDef& def, const std::function<std::string_view(ColumnType)>& typeName);
std::string createIndex(const TableDef& def, std::span<const std::string_view> columns);
std::string dropIndex(const TableDef& def, std::span<const std::string_view> columns);
// DELETE of one race's rows; `parameter` is "?" or "ANY($1::text[])".
std::string deleteRaces(const TableDef& def, std::string_view parameter);
// The columns found are the definition's, in order.
bool sameColumns(const std::vector<std::string>& present, const TableDef& def);
// "<where>: its table <name> has other columns than this program writes; ..."
std::string otherColumnsMessage(const std::string& where, const TableDef& def);

// What a sink's database answers; its failures throw SinkError.
class Database {
public:
    virtual void exec(const std::string& sql) = 0;
    // The column names of a table, in order; empty when there is no such table.
    virtual std::vector<std::string> columns(std::string_view table) = 0;
    virtual bool holdsRows(std::string_view table) = 0;
    virtual std::string_view typeName(ColumnType type) const = 0;
    // The file or database, for messages.
    virtual std::string where() const = 0;

protected:
    ~Database() = default;
};

struct TableState {
    const TableDef* def = nullptr;
    bool empty = false;           // held no row when the export began
    bool indexesDeferred = false; // its indexes are built after the rows are in
};

// Makes the table when missing, refuses one of another shape; the indexes of an empty
// table are dropped to be built at the end, those of a table with rows made when missing.
TableState prepareTable(Database& db, const TableDef& def);
// Builds the indexes a prepared table left for the end.
void buildDeferredIndexes(Database& db, TableState& table);

} // namespace tidemark::analytics::sql
