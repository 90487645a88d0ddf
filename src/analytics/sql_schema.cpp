#include "analytics/sql_schema.h"

#include <algorithm>

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

std::string tableList()
{
    std::string out;
    for (SeasonTable t : kSeasonTables)
        out += std::string(tableDef(t).name) + ", ";
    return out + std::string(metaTableDef().name) + ", " + std::string(metaDaysTableDef().name);
}

[[noreturn]] void olderVersion(Database& db)
{
    throw SinkError(db.where() + ": its tables were written by an earlier version of this program (schema 1, "
                                 "without keys or race cards); this version writes schema " +
                    std::to_string(kSchemaVersion) + " and never mixes the two. " + db.startAfresh() + " (tables " +
                    tableList() + ").");
}

} // namespace

std::string createTable(const TableDef& def, const std::function<std::string_view(ColumnType)>& typeName,
                        std::string_view options)
{
    std::string sql = "CREATE TABLE IF NOT EXISTS " + sql::quoted(def.name) + " (";
    for (std::size_t c = 0; c < def.columns.size(); ++c)
        sql += (c ? ", " : "") + sql::quoted(def.columns[c].name) + " " + std::string(typeName(def.columns[c].type));
    if (!def.key.empty())
        sql += ", PRIMARY KEY (" + columnList(def.key) + ")";
    return sql + ")" + std::string(options);
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

std::string insertRow(const TableDef& def)
{
    std::string sql = "INSERT INTO " + sql::quoted(def.name) + " VALUES (";
    for (std::size_t c = 0; c < def.columns.size(); ++c)
        sql += c ? ",?" : "?";
    return sql + ")";
}

Shape shapeOf(const std::vector<std::string>& present, const TableDef& def)
{
    if (present.empty())
        return Shape::Missing;
    auto same = [&](auto columns, auto nameOf) {
        return present.size() == columns.size() &&
               std::equal(present.begin(), present.end(), columns.begin(),
                          [&](const std::string& a, const auto& b) { return a == nameOf(b); });
    };
    if (same(def.columns, [](const Column& c) { return c.name; }))
        return Shape::Current;
    if (!def.firstVersionColumns.empty() && same(def.firstVersionColumns, [](std::string_view n) { return n; }))
        return Shape::FirstVersion;
    return Shape::Other;
}

std::string otherColumnsMessage(const std::string& where, const TableDef& def)
{
    return where + ": its table " + std::string(def.name) +
           " has other columns than this program writes; export into another database or file";
}

std::int64_t checkDatabase(Database& db, std::span<const SeasonTable> tables)
{
    std::vector<const TableDef*> defs{&metaTableDef(), &metaDaysTableDef()};
    for (SeasonTable t : tables)
        defs.push_back(&tableDef(t));
    bool metaPresent = false;
    for (const TableDef* def : defs) {
        switch (shapeOf(db.columns(def->name), *def)) {
        case Shape::Missing: break;
        case Shape::Current: metaPresent = metaPresent || def == &metaTableDef(); break;
        case Shape::FirstVersion: olderVersion(db);
        case Shape::Other: throw SinkError(otherColumnsMessage(db.where(), *def));
        }
    }
    if (!metaPresent)
        return 1;
    const std::int64_t newest = db.integer("SELECT max(\"schema_version\") FROM \"meta\"").value_or(kSchemaVersion);
    if (newest > kSchemaVersion)
        throw SinkError(db.where() + ": written by a newer version of this program (schema " + std::to_string(newest) +
                        "); this version writes schema " + std::to_string(kSchemaVersion) +
                        ". Export with the newer version, or into another database or file.");
    return db.integer("SELECT max(\"export_id\") FROM \"meta\"").value_or(0) + 1;
}

TableState prepareTable(Database& db, const TableDef& def, std::string_view options)
{
    if (db.columns(def.name).empty())
        db.exec(createTable(def, [&db](ColumnType t) { return db.typeName(t); }, options));
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
