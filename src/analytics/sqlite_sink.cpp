// The SQLite sink: one database file for analysts who want SQL without a server.
// One transaction per day with prepared statements; the indexes of a table that starts
// out empty are built once after its rows are in (much quicker than growing them row
// by row), those of a table that already holds rows are kept up to date as it goes, so
// the removal of re-exported races stays quick.

#include <sqlite3.h>

#include <string>
#include <vector>

#include "analytics/sql_schema.h"
#include "analytics/table_sink.h"

namespace tidemark::analytics {

namespace detail {
bool sqliteSinkBuilt() noexcept { return true; }
} // namespace detail

namespace {

std::string_view sqlType(ColumnType type)
{
    switch (type) {
    case ColumnType::Text: return "TEXT";
    case ColumnType::Integer: return "INTEGER";
    case ColumnType::Real: return "REAL";
    }
    return "TEXT";
}

class Statement {
public:
    Statement() = default;
    explicit Statement(sqlite3_stmt* s) : m_s(s) {}
    Statement(Statement&& o) noexcept : m_s(o.m_s) { o.m_s = nullptr; }
    Statement& operator=(Statement&& o) noexcept
    {
        std::swap(m_s, o.m_s);
        return *this;
    }
    ~Statement() { sqlite3_finalize(m_s); }
    sqlite3_stmt* get() const { return m_s; }

private:
    sqlite3_stmt* m_s = nullptr;
};

class SqliteSink final : public TableSink, private sql::Database {
public:
    explicit SqliteSink(std::filesystem::path file) : m_file(std::move(file))
    {
        const std::u8string name = m_file.u8string();
        const std::string utf8(name.begin(), name.end());
        const int rc = sqlite3_open_v2(utf8.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        if (rc != SQLITE_OK) {
            const std::string why = m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc);
            sqlite3_close(m_db);
            m_db = nullptr;
            throw SinkError(describe() + ": " + why);
        }
        sqlite3_busy_timeout(m_db, 10000);
        try {
            // Large pages suit tables that are read in long runs (and are ignored by a
            // file that already holds tables). A crash may lose the last committed day
            // but never corrupts the file; the page cache is bounded, so memory stays
            // small whatever the range.
            exec("PRAGMA page_size=65536");
            exec("PRAGMA synchronous=NORMAL");
            exec("PRAGMA cache_size=-32768");
        } catch (const SinkError&) {
            close(); // not a database
            throw;
        }
    }

    ~SqliteSink() override
    {
        if (m_db) {
            abandon();
        }
    }

    void open(std::span<const SeasonTable> tables) override
    {
        m_tables.clear();
        m_tables.resize(kSeasonTables.size());
        prepareTable(metaTableDef(), m_meta);
        for (SeasonTable t : tables)
            prepareTable(tableDef(t), m_tables[static_cast<std::size_t>(t)]);
    }

    void beginDay() override
    {
        exec("BEGIN");
        m_inDay = true;
    }

    void removeRaces(std::span<const std::string> raceKeys) override
    {
        for (Table& t : m_tables) {
            if (!t.state.def || t.state.empty)
                continue;
            for (const std::string& key : raceKeys) {
                sqlite3_bind_text(t.remove.get(), 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
                step(t.remove.get());
            }
        }
    }

    void write(SeasonTable table, Row row) override
    {
        Table& t = m_tables[static_cast<std::size_t>(table)];
        if (t.state.def)
            insert(t.insert.get(), row);
    }

    void commitDay() override
    {
        exec("COMMIT");
        m_inDay = false;
    }

    void rollbackDay() noexcept override
    {
        if (m_inDay && m_db)
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        m_inDay = false;
    }

    void finish(const ExportMeta& meta) override
    {
        exec("BEGIN");
        insert(m_meta.insert.get(), metaRow(meta));
        exec("COMMIT");
        buildDeferredIndexes();
        close();
    }

    void abandon() noexcept override
    {
        if (!m_db)
            return;
        rollbackDay();
        try {
            buildDeferredIndexes();
        } catch (const SinkError&) {
            // The rows stay; the next export builds the indexes.
        }
        close();
    }

    std::string describe() const override
    {
        const std::u8string s = m_file.u8string();
        return std::string(s.begin(), s.end());
    }

private:
    struct Table {
        sql::TableState state;
        Statement insert;
        Statement remove;
    };

    [[noreturn]] void fail(std::string_view what) const
    {
        throw SinkError(describe() + ": " + std::string(what) + ": " + (m_db ? sqlite3_errmsg(m_db) : "closed"));
    }

    void exec(const std::string& sql) override
    {
        char* message = nullptr;
        if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
            const std::string why = message ? message : "failed";
            sqlite3_free(message);
            throw SinkError(describe() + ": " + why);
        }
    }

    Statement prepare(const std::string& sql)
    {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.c_str(), static_cast<int>(sql.size()), &s, nullptr) != SQLITE_OK)
            fail(sql);
        return Statement(s);
    }

    void step(sqlite3_stmt* s)
    {
        const int rc = sqlite3_step(s);
        sqlite3_reset(s);
        if (rc != SQLITE_DONE && rc != SQLITE_ROW)
            fail("write");
    }

    void insert(sqlite3_stmt* s, Row row)
    {
        int i = 1;
        for (const Value& v : row) {
            switch (v.kind) {
            case Value::Kind::Null: sqlite3_bind_null(s, i); break;
            case Value::Kind::Integer: sqlite3_bind_int64(s, i, v.integer); break;
            case Value::Kind::Real: sqlite3_bind_double(s, i, v.real); break;
            case Value::Kind::Text:
                sqlite3_bind_text(s, i, v.text.data(), static_cast<int>(v.text.size()), SQLITE_STATIC);
                break;
            }
            ++i;
        }
        step(s);
    }

    std::vector<std::string> columns(std::string_view table) override
    {
        std::vector<std::string> names;
        Statement s = prepare("PRAGMA table_info(" + sql::quoted(table) + ")");
        while (sqlite3_step(s.get()) == SQLITE_ROW)
            names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 1)));
        return names;
    }

    bool holdsRows(std::string_view table) override
    {
        Statement s = prepare("SELECT 1 FROM " + sql::quoted(table) + " LIMIT 1");
        const int rc = sqlite3_step(s.get());
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            fail("read " + std::string(table));
        return rc == SQLITE_ROW;
    }

    std::string_view typeName(ColumnType type) const override { return sqlType(type); }
    std::string where() const override { return describe(); }

    void prepareTable(const TableDef& def, Table& t)
    {
        t.state = sql::prepareTable(*this, def);
        std::string insert = "INSERT INTO " + sql::quoted(def.name) + " VALUES (";
        for (std::size_t c = 0; c < def.columns.size(); ++c)
            insert += c ? ",?" : "?";
        t.insert = prepare(insert + ")");
        if (&def != &metaTableDef())
            t.remove = prepare(sql::deleteRaces(def, "?"));
    }

    void buildDeferredIndexes()
    {
        for (Table& t : m_tables)
            sql::buildDeferredIndexes(*this, t.state);
    }

    void close() noexcept
    {
        m_tables.clear();
        m_meta = Table{};
        sqlite3_close(m_db);
        m_db = nullptr;
    }

    std::filesystem::path m_file;
    sqlite3* m_db = nullptr;
    std::vector<Table> m_tables; // by SeasonTable
    Table m_meta;
    bool m_inDay = false;
};

} // namespace

std::unique_ptr<TableSink> openSqliteSink(const std::filesystem::path& file)
{
    return std::make_unique<SqliteSink>(file);
}

} // namespace tidemark::analytics
