#include "analytics/sql_schema.h"

namespace tidemark::analytics::sql {

std::string quoted(std::string_view name) { return "\"" + std::string(name) + "\""; }

std::string indexName(const TableDef& def, std::span<const std::string_view> columns)
{
    std::string name(def.name);
    for (std::string_view c : columns)
        name += "_" + std::string(c);
    return name;
}

namespace {

std::string columnList(std::span<const std::string_view> columns)
{
    std::string out;
    for (std::size_t c = 0; c < columns.size(); ++c)
        out += (c ? ", " : "") + sql::quoted(columns[c]);
    return out;
}

} // namespace

std::string createTable(const TableDef& def, const std::function<std::string_view(ColumnType)>& typeName)
{
    std::string sql = "CREATE TABLE IF NOT EXISTS " + sql::quoted(def.name) + " (";
    for (std::size_t c = 0; c < def.columns.size(); ++c)
        sql += (c ? ", " : "") + sql::quoted(def.columns[c].name) + " " + std::string(typeName(def.columns[c].type));
    if (!def.key.empty())
        sql += ", PRIMARY KEY (" + columnList(def.key) + ")";
    return sql + ")";
}

std::string createIndex(const TableDef& def, std::span<const std::string_view> columns)
{
    return "CREATE INDEX IF NOT EXISTS " + sql::quoted(indexName(def, columns)) + " ON " + sql::quoted(def.name) + " (" +
           columnList(columns) + ")";
}

std::string dropIndex(const TableDef& def, std::span<const std::string_view> columns)
{
    return "DROP INDEX IF EXISTS " + sql::quoted(indexName(def, columns));
}

std::string deleteRaces(const TableDef& def, std::string_view parameter)
{
    return "DELETE FROM " + sql::quoted(def.name) + " WHERE " + sql::quoted(kRaceKeyColumn) + " = " + std::string(parameter);
}

bool sameColumns(const std::vector<std::string>& present, const TableDef& def)
{
    if (present.size() != def.columns.size())
        return false;
    for (std::size_t c = 0; c < present.size(); ++c)
        if (present[c] != def.columns[c].name)
            return false;
    return true;
}

std::string otherColumnsMessage(const std::string& where, const TableDef& def)
{
    return where + ": its table " + std::string(def.name) +
           " has other columns than this program writes; export into another database or file";
}

TableState prepareTable(Database& db, const TableDef& def)
{
    const std::vector<std::string> present = db.columns(def.name);
    if (present.empty())
        db.exec(createTable(def, [&db](ColumnType t) { return db.typeName(t); }));
    else if (!sameColumns(present, def))
        throw SinkError(otherColumnsMessage(db.where(), def));
    TableState t;
    t.def = &def;
    t.empty = !db.holdsRows(def.name);
    t.indexesDeferred = t.empty;
    for (std::span<const std::string_view> columns : def.indexes)
        db.exec(t.indexesDeferred ? dropIndex(def, columns) : createIndex(def, columns));
    return t;
}

void buildDeferredIndexes(Database& db, TableState& table)
{
    if (!table.def || !table.indexesDeferred)
        return;
    for (std::span<const std::string_view> columns : table.def->indexes)
        db.exec(createIndex(*table.def, columns));
    table.indexesDeferred = false;
}

} // namespace tidemark::analytics::sql
