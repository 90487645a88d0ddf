#pragma once
// The SQL both database sinks speak to make their tables: quoted names, CREATE TABLE
// and CREATE INDEX of a table definition, and the check that a table found in the
// database is one of ours.

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analytics/season_table.h"

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

} // namespace tidemark::analytics::sql
