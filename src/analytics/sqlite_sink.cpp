// The SQLite sink: one database file for analysts who want SQL without a server, in WAL
// mode so a notebook may read it while an export writes. One transaction per day with
// prepared statements; the tables are clustered on their keys (WITHOUT ROWID), so a
// race's rows lie together and the key costs no second tree. The indexes of a table that
// starts out empty are built once after its rows are in (much quicker than growing them
// row by row), those of a table that already holds rows are kept up to date as it goes.
//
// The export takes the file for itself with a lock file beside it ("<file>.lock"),
// checks every table before it writes anything, and only then turns the file to WAL
// and makes its tables, so a foreign file it refuses is left exactly as it was.

#include <sqlite3.h>

#include <string>
#include <vector>

#include "analytics/sql_schema.h"
#include "analytics/table_sink.h"
#include "text/file_io.h"

namespace tidemark::analytics {

namespace detail {
bool sqliteSinkBuilt() noexcept { return true; }
} // namespace detail

namespace {

std::string_view sqlType(ColumnType type)
{
    switch (type) {
    case ColumnType::Text:
    case ColumnType::Date:
    case ColumnType::Timestamp: return "TEXT";
    case ColumnType::Integer:
    case ColumnType::Flag: return "INTEGER";
    case ColumnType::Real:
    case ColumnType::Odds: return "REAL";
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
    SqliteSink(std::filesystem::path file, SinkOptions options) : m_file(std::move(file)), m_options(std::move(options))
    {
        const std::string utf8 = text::utf8Path(m_file);
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
            // small whatever the range. Nothing here writes to the file.
            exec("PRAGMA page_size=65536");
            exec("PRAGMA synchronous=NORMAL");
            exec("PRAGMA cache_size=-32768");
            exec("SELECT count(*) FROM sqlite_master"); // fails on a file that is no database
        } catch (const SinkError&) {
            close();
            throw;
        }
    }

    ~SqliteSink() override { abandon(); }

    void open(std::span<const SeasonTable> tables) override
    {
        m_lock = takeExportLock(lockFile(), describe(), exportLockHolder(), m_options);
        m_nextExportId = sql::checkDatabase(*this, tables);
        // Readers go on reading while the export writes; a file system that cannot
        // share memory keeps the rollback journal, which only makes readers wait.
        exec("PRAGMA journal_mode=WAL");
        m_tables.clear();
        m_tables.resize(kSeasonTables.size());
        exec("BEGIN");
        try {
            prepareTable(metaTableDef(), m_meta);
            prepareTable(metaDaysTableDef(), m_metaDays);
            for (SeasonTable t : tables)
                prepareTable(tableDef(t), m_tables[static_cast<std::size_t>(t)]);
            exec("COMMIT");
        } catch (const SinkError&) {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
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
                continue; // empty when this export, which holds the file alone, began
            for (const std::string& key : raceKeys) {
                sqlite3_bind_text(t.remove.get(), 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
                step(t.remove.get(), *t.state.def);
            }
        }
    }

    void write(SeasonTable table, Row row) override
    {
        Table& t = m_tables[static_cast<std::size_t>(table)];
        if (t.state.def)
            insert(t.insert.get(), *t.state.def, row);
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
        insert(m_meta.insert.get(), metaTableDef(), metaRow(meta, m_nextExportId));
        for (const ExportMeta::Day& day : meta.dayRows)
            insert(m_metaDays.insert.get(), metaDaysTableDef(), metaDayRow(day, m_nextExportId));
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

    std::string describe() const override { return text::utf8Path(m_file); }

private:
    struct Table {
        sql::TableState state;
        Statement insert;
        Statement remove;
    };

    std::filesystem::path lockFile() const
    {
        std::filesystem::path lock = m_file;
        lock += ".lock";
        return lock;
    }

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

    void step(sqlite3_stmt* s, const TableDef& def, Row row = {})
    {
        const int rc = sqlite3_step(s);
        sqlite3_reset(s);
        if (rc == SQLITE_DONE || rc == SQLITE_ROW)
            return;
        if ((rc & 0xff) == SQLITE_CONSTRAINT && !row.empty() && row[0].kind == Value::Kind::Text)
            fail("a row of race " + std::string(row[0].text) + " is in " + std::string(def.name) + " twice");
        fail("write into " + std::string(def.name));
    }

    void insert(sqlite3_stmt* s, const TableDef& def, Row row)
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
        step(s, def, row);
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

    std::optional<std::int64_t> integer(const std::string& sql) override
    {
        Statement s = prepare(sql);
        const int rc = sqlite3_step(s.get());
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            fail(sql);
        if (rc != SQLITE_ROW || sqlite3_column_type(s.get(), 0) == SQLITE_NULL)
            return std::nullopt;
        return sqlite3_column_int64(s.get(), 0);
    }

    std::string_view typeName(ColumnType type) const override { return sqlType(type); }
    std::string where() const override { return describe(); }
    std::string startAfresh() const override
    {
        return "Export into another file (--out), or delete this one and export the whole range again: everything "
               "in it comes from the store";
    }

    void prepareTable(const TableDef& def, Table& t)
    {
        t.state = sql::prepareTable(*this, def, " WITHOUT ROWID");
        t.insert = prepare(sql::insertRow(def));
        if (&def != &metaTableDef() && &def != &metaDaysTableDef())
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
        m_metaDays = Table{};
        sqlite3_close(m_db);
        m_db = nullptr;
        m_lock.release();
    }

    std::filesystem::path m_file;
    SinkOptions m_options;
    sqlite3* m_db = nullptr;
    text::FileLock m_lock;
    std::vector<Table> m_tables; // by SeasonTable
    Table m_meta;
    Table m_metaDays;
    std::int64_t m_nextExportId = 1;
    bool m_inDay = false;
};

} // namespace

std::unique_ptr<TableSink> openSqliteSink(const std::filesystem::path& file, const SinkOptions& options)
{
    return std::make_unique<SqliteSink>(file, options);
}

} // namespace tidemark::analytics
