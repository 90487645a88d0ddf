// The PostgreSQL sink, through libpq: for teams who share one season database. A day's
// rows are gathered per table and sent with COPY in the day's transaction (far quicker
// than a statement per row); the re-exported races are deleted first in the same
// transaction. As in the SQLite sink, the indexes of a table that starts out empty are
// built once at the end.
//
// Days are DATE, moments TIMESTAMP (without a time zone: Japan time, as the records
// give them), odds NUMERIC(6,1), flags BOOLEAN. An export takes the database for itself
// with a session advisory lock, which the server drops when the connection ends however
// it ends; the connection's application_name says who holds it. Every check is made
// before anything is written, and the tables are made in one transaction.

#include <libpq-fe.h>

#include <charconv>
#include <optional>
#include <string>
#include <vector>

#include "analytics/sql_schema.h"
#include "analytics/table_sink.h"

namespace tidemark::analytics {

namespace detail {
bool postgresSinkBuilt() noexcept { return true; }
} // namespace detail

namespace {

std::string_view sqlType(ColumnType type)
{
    switch (type) {
    case ColumnType::Text: return "text";
    case ColumnType::Integer: return "bigint";
    case ColumnType::Real: return "double precision";
    case ColumnType::Odds: return "numeric(6,1)";
    case ColumnType::Date: return "date";
    case ColumnType::Timestamp: return "timestamp";
    case ColumnType::Flag: return "boolean";
    }
    return "text";
}

// The advisory lock of a season export ("tidmxprt" in ASCII, split as pg_locks shows it);
// locks are per database, so each database has its own.
constexpr std::int64_t kExportLockKey = 0x7469646D78707274;
constexpr const char* kTakeLock = "SELECT pg_try_advisory_lock(8388346202289107572)";
constexpr const char* kLockHolder =
    "SELECT a.application_name FROM pg_locks l JOIN pg_stat_activity a ON a.pid = l.pid WHERE l.locktype = "
    "'advisory' AND l.granted AND l.classid = 1953064045 AND l.objid = 2020635252 AND l.database = (SELECT oid "
    "FROM pg_database WHERE datname = current_database()) LIMIT 1";
static_assert(kExportLockKey == 8388346202289107572 && (kExportLockKey >> 32) == 1953064045 &&
              (kExportLockKey & 0xFFFFFFFF) == 2020635252);

// One value in COPY's text format.
void appendCopyValue(std::string& out, const Value& v)
{
    char buf[32];
    switch (v.kind) {
    case Value::Kind::Null: out += "\\N"; break;
    case Value::Kind::Integer: out.append(buf, std::to_chars(buf, buf + sizeof buf, v.integer).ptr); break;
    case Value::Kind::Real: out.append(buf, std::to_chars(buf, buf + sizeof buf, v.real).ptr); break;
    case Value::Kind::Text:
        for (const char c : v.text) {
            switch (c) {
            case '\\': out += "\\\\"; break;
            case '\t': out += "\\t"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            default: out += c; break;
            }
        }
        break;
    }
}

class Result {
public:
    explicit Result(PGresult* r) : m_r(r) {}
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;
    ~Result() { PQclear(m_r); }
    PGresult* get() const { return m_r; }
    ExecStatusType status() const { return PQresultStatus(m_r); }

private:
    PGresult* m_r;
};

class PostgresSink final : public TableSink, private sql::Database {
public:
    PostgresSink(const std::string& conninfo, SinkOptions options)
        : m_conn(PQconnectdb(conninfo.c_str())), m_options(std::move(options))
    {
        if (!m_conn || PQstatus(m_conn) != CONNECTION_OK) {
            const std::string why = m_conn ? PQerrorMessage(m_conn) : "out of memory";
            PQfinish(m_conn);
            m_conn = nullptr;
            throw SinkError("PostgreSQL: " + trimmed(why));
        }
        m_where = std::string(PQdb(m_conn)) + " on " + (PQhost(m_conn) ? PQhost(m_conn) : "the local server");
        if (PQsetClientEncoding(m_conn, "UTF8") != 0)
            fail("client encoding UTF8");
        exec("SET client_min_messages = warning");
    }

    ~PostgresSink() override { abandon(); }

    void open(std::span<const SeasonTable> tables) override
    {
        takeLock();
        m_nextExportId = sql::checkDatabase(*this, tables);
        m_tables.assign(kSeasonTables.size(), Table{});
        exec("BEGIN");
        try {
            prepareTable(metaTableDef(), m_meta);
            prepareTable(metaDaysTableDef(), m_metaDays);
            for (SeasonTable t : tables)
                prepareTable(tableDef(t), m_tables[static_cast<std::size_t>(t)]);
            exec("COMMIT");
        } catch (const SinkError&) {
            PQclear(PQexec(m_conn, "ROLLBACK"));
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
        if (raceKeys.empty())
            return;
        // Race keys are digits: the array literal needs no quoting.
        std::string array = "{";
        for (std::size_t i = 0; i < raceKeys.size(); ++i)
            array += (i ? "," : "") + raceKeys[i];
        array += "}";
        for (Table& t : m_tables) {
            if (!t.state.def || t.state.empty)
                continue;
            const char* values[] = {array.c_str()};
            const std::string statement = sql::deleteRaces(*t.state.def, "ANY($1::text[])");
            Result r(PQexecParams(m_conn, statement.c_str(), 1, nullptr, values, nullptr, nullptr, 0));
            if (r.status() != PGRES_COMMAND_OK)
                fail("remove races from " + std::string(t.state.def->name));
        }
    }

    void write(SeasonTable table, Row row) override
    {
        Table& t = m_tables[static_cast<std::size_t>(table)];
        if (t.state.def)
            appendRow(t.pending, row);
    }

    void commitDay() override
    {
        for (Table& t : m_tables)
            if (t.state.def)
                copy(t);
        exec("COMMIT");
        m_inDay = false;
    }

    void rollbackDay() noexcept override
    {
        for (Table& t : m_tables)
            t.pending.clear();
        if (m_inDay && m_conn)
            PQclear(PQexec(m_conn, "ROLLBACK"));
        m_inDay = false;
    }

    void finish(const ExportMeta& meta) override
    {
        appendRow(m_meta.pending, metaRow(meta, m_nextExportId));
        for (const ExportMeta::Day& day : meta.dayRows)
            appendRow(m_metaDays.pending, metaDayRow(day, m_nextExportId));
        exec("BEGIN");
        m_inDay = true;
        copy(m_meta);
        copy(m_metaDays);
        exec("COMMIT");
        m_inDay = false;
        buildDeferredIndexes();
        PQfinish(m_conn);
        m_conn = nullptr;
    }

    void abandon() noexcept override
    {
        if (!m_conn)
            return;
        rollbackDay();
        try {
            buildDeferredIndexes();
        } catch (const SinkError&) {
            // The rows stay; the next export builds the indexes.
        }
        PQfinish(m_conn);
        m_conn = nullptr;
    }

    std::string describe() const override { return "PostgreSQL " + m_where; }

private:
    struct Table {
        sql::TableState state;
        std::string pending; // COPY lines of the day
    };

    static std::string trimmed(std::string s)
    {
        while (!s.empty() && (s.back() == '\n' || s.back() == ' '))
            s.pop_back();
        return s;
    }

    [[noreturn]] void fail(const std::string& what) const
    {
        throw SinkError(describe() + ": " + what + ": " + trimmed(m_conn ? PQerrorMessage(m_conn) : "closed"));
    }

    void exec(const std::string& sql) override
    {
        Result r(PQexec(m_conn, sql.c_str()));
        if (r.status() != PGRES_COMMAND_OK && r.status() != PGRES_TUPLES_OK)
            fail(sql);
    }

    static void appendRow(std::string& out, Row row)
    {
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c)
                out += '\t';
            appendCopyValue(out, row[c]);
        }
        out += '\n';
    }

    void copy(Table& t)
    {
        if (t.pending.empty())
            return;
        const std::string name(t.state.def->name);
        Result start(PQexec(m_conn, ("COPY " + sql::quoted(name) + " FROM STDIN").c_str()));
        if (start.status() != PGRES_COPY_IN)
            fail("copy into " + name);
        bool sent = PQputCopyData(m_conn, t.pending.data(), static_cast<int>(t.pending.size())) == 1;
        t.pending.clear();
        sent = PQputCopyEnd(m_conn, sent ? nullptr : "not sent") == 1 && sent;
        Result done(PQgetResult(m_conn));
        bool ok = done.status() == PGRES_COMMAND_OK;
        // Drain what else the copy answered.
        while (PGresult* more = PQgetResult(m_conn))
            PQclear(more);
        if (!sent || !ok)
            fail("copy into " + name);
    }

    std::vector<std::string> columns(std::string_view table) override
    {
        const std::string name(table);
        const char* values[] = {name.c_str()};
        Result r(PQexecParams(m_conn,
                              "SELECT column_name FROM information_schema.columns WHERE table_schema = "
                              "current_schema() AND table_name = $1 ORDER BY ordinal_position",
                              1, nullptr, values, nullptr, nullptr, 0));
        if (r.status() != PGRES_TUPLES_OK)
            fail("read the columns of " + name);
        std::vector<std::string> names;
        for (int i = 0; i < PQntuples(r.get()); ++i)
            names.emplace_back(PQgetvalue(r.get(), i, 0));
        return names;
    }

    bool holdsRows(std::string_view table) override
    {
        Result r(PQexec(m_conn, ("SELECT 1 FROM " + sql::quoted(table) + " LIMIT 1").c_str()));
        if (r.status() != PGRES_TUPLES_OK)
            fail("read " + std::string(table));
        return PQntuples(r.get()) > 0;
    }

    // The one value of a query, as text; none for NULL or no row.
    std::optional<std::string> text(const char* sql)
    {
        Result r(PQexec(m_conn, sql));
        if (r.status() != PGRES_TUPLES_OK)
            fail(sql);
        if (PQntuples(r.get()) < 1 || PQgetisnull(r.get(), 0, 0))
            return std::nullopt;
        return std::string(PQgetvalue(r.get(), 0, 0));
    }

    std::optional<std::int64_t> integer(const std::string& sql) override
    {
        const std::optional<std::string> v = text(sql.c_str());
        if (!v)
            return std::nullopt;
        std::int64_t n = 0;
        std::from_chars(v->data(), v->data() + v->size(), n);
        return n;
    }

    std::string_view typeName(ColumnType type) const override { return sqlType(type); }
    std::string where() const override { return describe(); }
    std::string startAfresh() const override
    {
        return "Export into another database (--dsn), or drop its tables and export the whole range again: "
               "everything in them comes from the store";
    }

    void takeLock()
    {
        // Who holds the lock, for the export that finds it taken.
        exec("SET application_name = '" + exportLockHolder() + "'");
        waitForExportLock(
            [this](std::string& holderNow) {
                if (text(kTakeLock).value_or("f") == "t")
                    return true;
                holderNow = text(kLockHolder).value_or(std::string());
                return false;
            },
            describe(), m_options);
    }

    void prepareTable(const TableDef& def, Table& t) { t.state = sql::prepareTable(*this, def); }


    void buildDeferredIndexes()
    {
        for (Table& t : m_tables)
            sql::buildDeferredIndexes(*this, t.state);
    }

    PGconn* m_conn = nullptr;
    SinkOptions m_options;
    std::string m_where;
    std::vector<Table> m_tables; // by SeasonTable
    Table m_meta;
    Table m_metaDays;
    std::int64_t m_nextExportId = 1;
    bool m_inDay = false;
};

} // namespace

std::unique_ptr<TableSink> openPostgresSink(const std::string& conninfo, const SinkOptions& options)
{
    return std::make_unique<PostgresSink>(conninfo, options);
}

} // namespace tidemark::analytics
