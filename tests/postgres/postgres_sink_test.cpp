// The season export into a real PostgreSQL server: a throw-away cluster of Debian's
// server packages, started for this program by pg_test_server.sh in a folder of its own
// (a unix socket there, no TCP port, not as root) and stopped after the last test,
// whether the tests passed or not. Without the server binaries every test is skipped
// and says why.

#include <gtest/gtest.h>

#include <libpq-fe.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "analytics/season_export.h"
#include "analytics/season_store_fixture.h"
#include "cli/cli_fixture.h"

namespace tidemark::testing {
namespace {

using SqlRows = std::vector<std::vector<std::string>>;

std::string g_conninfo;
std::string g_unavailable;

std::filesystem::path serverFolder()
{
    if (const char* dir = std::getenv("TIDEMARK_PG_DIR"))
        return dir;
    std::random_device rd;
    return std::filesystem::temp_directory_path() / ("tidemark-pg-" + std::to_string(rd()));
}

std::string script()
{
    const char* s = std::getenv("TIDEMARK_PG_SCRIPT");
    return s ? s : "tests/postgres/pg_test_server.sh";
}

class PostgresServer : public ::testing::Environment {
public:
    void SetUp() override
    {
        m_dir = serverFolder();
        const int rc = std::system(("bash '" + script() + "' start '" + m_dir.string() + "'").c_str());
        const int status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
        if (status == 77) {
            g_unavailable = "no PostgreSQL server binaries on this machine (Debian package postgresql)";
            return;
        }
        if (status != 0) {
            g_unavailable = "the test server did not start (see the lines above)";
            m_failed = true;
            return;
        }
        std::ifstream in(m_dir / "conninfo");
        std::getline(in, g_conninfo);
    }
    void TearDown() override
    {
        if (g_unavailable.empty() || m_failed)
            std::system(("bash '" + script() + "' stop '" + m_dir.string() + "'").c_str());
    }

private:
    std::filesystem::path m_dir;
    bool m_failed = false;
};

// A fresh database per test, dropped after it.
class PostgresTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (g_conninfo.empty()) {
            if (g_unavailable.find("did not start") != std::string::npos)
                FAIL() << g_unavailable;
            GTEST_SKIP() << g_unavailable;
        }
        m_name = "season_" + std::to_string(++s_count);
        admin("CREATE DATABASE " + m_name);
        dsn = g_conninfo.substr(0, g_conninfo.find("dbname=")) + "dbname=" + m_name;
    }
    void TearDown() override
    {
        if (!m_name.empty())
            admin("DROP DATABASE IF EXISTS " + m_name + " WITH (FORCE)");
    }

    const std::string& name() const { return m_name; }
    // A statement in the test's database.
    void run(const std::string& sql) const
    {
        PGconn* c = PQconnectdb(dsn.c_str());
        PGresult* r = PQexec(c, sql.c_str());
        EXPECT_EQ(PQresultStatus(r), PGRES_COMMAND_OK) << sql << ": " << PQerrorMessage(c);
        PQclear(r);
        PQfinish(c);
    }

    static void admin(const std::string& sql)
    {
        PGconn* c = PQconnectdb(g_conninfo.c_str());
        PGresult* r = PQexec(c, sql.c_str());
        EXPECT_EQ(PQresultStatus(r), PGRES_COMMAND_OK) << sql << ": " << PQerrorMessage(c);
        PQclear(r);
        PQfinish(c);
    }

    // Every value of a query as text, "NULL" for NULL.
    SqlRows query(const std::string& sql) const
    {
        SqlRows rows;
        PGconn* c = PQconnectdb(dsn.c_str());
        PGresult* r = PQexec(c, sql.c_str());
        if (PQresultStatus(r) != PGRES_TUPLES_OK)
            ADD_FAILURE() << sql << ": " << PQerrorMessage(c);
        for (int i = 0; i < PQntuples(r); ++i) {
            std::vector<std::string> row;
            for (int j = 0; j < PQnfields(r); ++j)
                row.emplace_back(PQgetisnull(r, i, j) ? "NULL" : PQgetvalue(r, i, j));
            rows.push_back(std::move(row));
        }
        PQclear(r);
        PQfinish(c);
        return rows;
    }
    std::string value(const std::string& sql) const
    {
        const SqlRows rows = query(sql);
        return rows.size() == 1 && rows[0].size() == 1 ? rows[0][0] : "(" + std::to_string(rows.size()) + " rows)";
    }

    analytics::SeasonExportResult exportRange(const std::string& to, const std::atomic<bool>* cancel = nullptr,
                                              const analytics::SeasonExportListener& listener = {})
    {
        analytics::SeasonExportOptions o;
        o.fromYmd = "20240101";
        o.toYmd = to;
        o.exportedAt = "2024-02-01 12:00:00";
        o.programVersion = "9.99";
        auto sink = analytics::openPostgresSink(dsn);
        return analytics::exportSeason(season.layout, *sink, o, listener, cancel);
    }

    SeasonStore season;
    std::string dsn;

private:
    std::string m_name;
    static inline int s_count = 0;
};

TEST_F(PostgresTest, TheTablesAsInEveryOtherSinkWithTheDatabasesOwnTypes)
{
    const analytics::SeasonExportResult r = exportRange("20240102");
    EXPECT_EQ(r.days, 2);
    EXPECT_EQ(query("SELECT race_key, day, track_name, race_name, post_time, post_at, distance, runners, starters, "
                    "cancelled, grade, race_kind FROM races WHERE race_key = '2024010144030101'"),
              (SqlRows{{"2024010144030101", "2024-01-01", "大井", "テスト記念", "10:15", "2024-01-01 10:15:00", "1200",
                        "10", "8", "f", "特別", "サラ２歳"}}));
    EXPECT_EQ(query("SELECT horse, horse_name, weight_carried, finish_position, final_win_odds, scratched, "
                    "scratched_at FROM runners WHERE race_key = '2024010144030101' AND horse IN (4, 9) ORDER BY horse"),
              (SqlRows{{"4", "テスト\"4\",改", "54.4", "5", "8.0", "f", "NULL"},
                       {"9", "テストホース9", "54.9", "NULL", "NULL", "t", "2024-01-01 10:10:00"}}));
    EXPECT_EQ(query("SELECT announced_at, minutes_to_post, is_last, win_odds, win_status, round(win_share::numeric, 3) "
                    "FROM win_place WHERE race_key = '2024010144030101' AND horse = 9 ORDER BY snapshot"),
              (SqlRows{{"2023-12-31 20:00:00", "855", "f", "11.0", "priced", "7.273"},
                       {"2024-01-01 09:30:00", "45", "f", "11.5", "priced", "6.957"},
                       {"2024-01-01 10:00:00", "15", "f", "12.0", "priced", "6.667"},
                       {"2024-01-01 10:10:00", "5", "f", "NULL", "cancelled_after_sale", "NULL"},
                       {"2024-01-01 10:15:00", "0", "t", "NULL", "cancelled_after_sale", "NULL"}}));
    EXPECT_EQ(value("SELECT count(*) FROM win_place"), "74");
    EXPECT_EQ(value("SELECT string_agg(combination, ' ' ORDER BY combination) FROM payouts WHERE ticket_type = "
                    "'place'"),
              "1 2 3 5 7");
    EXPECT_EQ(query("SELECT column_name, data_type FROM information_schema.columns WHERE (table_name, column_name) IN "
                    "(('races', 'day'), ('win_place', 'announced_at'), ('win_place', 'win_odds'), "
                    "('win_place', 'is_last')) ORDER BY column_name"),
              (SqlRows{{"announced_at", "timestamp without time zone"},
                       {"day", "date"},
                       {"is_last", "boolean"},
                       {"win_odds", "numeric"}}));
    EXPECT_EQ(value("SELECT count(*) FROM information_schema.table_constraints WHERE constraint_type = 'PRIMARY KEY' "
                    "AND table_schema = 'public'"),
              "6");
    EXPECT_EQ(query("SELECT export_id, schema_version, range_from, range_to, days, races FROM meta"),
              (SqlRows{{"1", "2", "2024-01-01", "2024-01-02", "2", "3"}}));
    EXPECT_EQ(value("SELECT string_agg(day::text || ':' || odds_lines, ' ' ORDER BY day) FROM meta_days"),
              "2024-01-01:5 2024-01-02:3");
}

TEST_F(PostgresTest, OneExportAtATimeAndNothingWrittenIntoADatabaseThatFailsACheck)
{
    // An export holding the database: a second one waits, then refuses and names it.
    {
        auto first = analytics::openPostgresSink(dsn);
        first->open(analytics::defaultTables());
        analytics::SinkOptions brief;
        brief.lockWait = std::chrono::milliseconds(300);
        std::string told;
        brief.waiting = [&](const std::string& holder) { told = holder; };
        auto second = analytics::openPostgresSink(dsn, brief);
        try {
            second->open(analytics::defaultTables());
            ADD_FAILURE() << "two exports held the database";
        } catch (const analytics::SinkBusy& e) {
            EXPECT_NE(std::string(e.what()).find("is writing into it"), std::string::npos) << e.what();
        }
        EXPECT_NE(told.find("an export (process "), std::string::npos) << told;
    }
    // Given up with its connection: the next one takes it at once.
    exportRange("20240101");
    EXPECT_EQ(value("SELECT count(*) FROM meta"), "1");

    // A table of another shape, or tables of the first version: refused, and not a
    // table, index or row added.
    admin("DROP DATABASE IF EXISTS " + name() + " WITH (FORCE)");
    admin("CREATE DATABASE " + name());
    run("CREATE TABLE runners (race text, name text)");
    EXPECT_THROW(exportRange("20240102"), analytics::SinkError);
    EXPECT_EQ(value("SELECT string_agg(table_name, ',') FROM information_schema.tables WHERE table_schema = "
                    "'public'"),
              "runners");
    run("DROP TABLE runners; CREATE TABLE meta (exported_at text, program_version text, range_from text, range_to "
        "text, tables text, days bigint, races bigint)");
    try {
        exportRange("20240102");
        ADD_FAILURE() << "a database of the first version was written into";
    } catch (const analytics::SinkError& e) {
        EXPECT_NE(std::string(e.what()).find("or drop its tables and export the whole range again"), std::string::npos)
            << e.what();
    }
    EXPECT_EQ(value("SELECT string_agg(table_name, ',') FROM information_schema.tables WHERE table_schema = "
                    "'public'"),
              "meta");
}

TEST_F(PostgresTest, AgainReplacesItsRacesAndACancelKeepsTheDayAsItWas)
{
    exportRange("20240102");
    season.storeOdds(season.race1Announcements(3));
    exportRange("20240101");
    EXPECT_EQ(value("SELECT count(*) FROM win_place WHERE race_key = '2024010144030101'"), "30");
    EXPECT_EQ(value("SELECT count(*) FROM win_place"), "54");
    EXPECT_EQ(value("SELECT count(*) FROM runners"), "26");
    EXPECT_EQ(value("SELECT count(*) FROM meta"), "2");

    season.storeOdds(season.race1Announcements(2));
    std::atomic<bool> cancel{false};
    const auto r = exportRange("20240102", &cancel, [&](const analytics::SeasonExportProgress&) { cancel = true; });
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(value("SELECT count(*) FROM win_place WHERE race_key = '2024010144030101'"), "30");
    EXPECT_EQ(value("SELECT count(*) FROM meta"), "2");
}

TEST_F(PostgresTest, TheToolExportsThroughTheConnectionString)
{
    const CliRun r = runCli(season.dir.path(), {"export", "--from", "20240102", "--to", "20240102", "--format",
                                                "postgres", "--dsn", dsn, "--tables", "races,payouts"});
    ASSERT_EQ(r.code, cli::ExitCode::Ok) << r.err;
    EXPECT_NE(r.out.find("PostgreSQL season_"), std::string::npos) << r.out;
    EXPECT_EQ(value("SELECT count(*) FROM payouts"), "3");
    EXPECT_EQ(value("SELECT count(*) FROM information_schema.tables WHERE table_name = 'win_place'"), "0");
}

} // namespace
} // namespace tidemark::testing

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new tidemark::testing::PostgresServer);
    return RUN_ALL_TESTS();
}
