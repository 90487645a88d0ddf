// The season export into SQLite and CSV: the tables against the records read back
// through the record views, the re-export that replaces exactly its races, the cancel
// that leaves the day being written as it was, two exports into one file, the files
// that are refused untouched, and the files a CSV export leaves.

#include "analytics/season_export.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "analytics/season_reader.h"
#include "analytics/season_rows.h"
#include "records/record_view.h"
#include "season_store_fixture.h"
#include "sqlite_reader.h"
#include "store/record_reader.h"
#include "text/file_io.h"
#include "text/number_format.h"

namespace tidemark::analytics {
namespace {

using namespace std::chrono_literals;
using testing::sqlQuery;
using testing::sqlValue;

constexpr const char* kRace1 = "2024010144030101";

// A real column with four decimals, or NULL.
std::string fixed4(const std::string& column)
{
    return "CASE WHEN " + column + " IS NULL THEN 'NULL' ELSE printf('%.4f', " + column + ") END";
}

SeasonExportOptions rangeOptions(const std::string& from, const std::string& to,
                                 std::vector<SeasonTable> tables = defaultTables())
{
    SeasonExportOptions o;
    o.fromYmd = from;
    o.toYmd = to;
    o.tables = std::move(tables);
    o.programVersion = "9.99";
    o.exportedAt = "2024-02-01 12:00:00";
    return o;
}

class SeasonExportTest : public ::testing::Test {
protected:
    testing::SeasonStore season;
    std::filesystem::path db = season.dir / "season.sqlite";

    SeasonExportResult exportRange(const std::string& from, const std::string& to,
                                   std::vector<SeasonTable> tables = defaultTables(),
                                   const SeasonExportListener& listener = {}, const std::atomic<bool>* cancel = nullptr)
    {
        auto sink = openSqliteSink(db);
        return exportSeason(season.layout, *sink, rangeOptions(from, to, std::move(tables)), listener, cancel);
    }

    std::vector<std::string> o1Lines(std::string_view key) const
    {
        return store::readLines(season.layout.oddsFile(store::StoreKind::O1, key), store::StoreKind::O1);
    }

    int filesIn(const std::filesystem::path& folder) const
    {
        int n = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder))
            ++n;
        return n;
    }
};

// What a win_place row must hold, read from the stored line in the test's own words.
std::vector<std::string> expectedWinPlace(const std::string& line, int snapshot, int horse)
{
    const records::O1View o1(line);
    auto odds = [](const records::OddsField& f) {
        return f.kind() == records::OddsKind::Odds ? text::formatFixed(f.value(), 0, 1) : std::string("NULL");
    };
    auto share = [](const records::OddsField& f, double numerator) {
        return f.kind() == records::OddsKind::Odds ? text::formatFixed(numerator / f.value(), 0, 4) : std::string("NULL");
    };
    auto pop = [](int p) { return p > 0 ? std::to_string(p) : std::string("NULL"); };
    auto status = [](const records::OddsField& f) -> std::string {
        switch (f.kind()) {
        case records::OddsKind::Odds: return "priced";
        case records::OddsKind::NoVotes: return "no_votes";
        case records::OddsKind::CancelledBeforeSale: return "cancelled_before_sale";
        case records::OddsKind::CancelledAfterSale: return "cancelled_after_sale";
        case records::OddsKind::Blank:
        case records::OddsKind::Unreadable: return "blank";
        }
        return "?";
    };
    return {std::to_string(snapshot),
            std::to_string(horse),
            odds(o1.win(horse)),
            pop(o1.winPopularity(horse)),
            status(o1.win(horse)),
            share(o1.win(horse), 80.0),
            odds(o1.placeLow(horse)),
            odds(o1.placeHigh(horse)),
            pop(o1.placePopularity(horse)),
            status(o1.placeLow(horse)),
            share(o1.placeLow(horse), 26.6),
            std::to_string(o1.winVotes()),
            std::to_string(o1.placeVotes()),
            std::to_string(o1.bracketVotes()),
            std::string(o1.winSaleFlag()),
            std::string(o1.placeSaleFlag())};
}

TEST_F(SeasonExportTest, TablesHoldWhatTheRecordsSay)
{
    const SeasonExportResult r = exportRange("20240101", "20240102");
    EXPECT_FALSE(r.cancelled);
    EXPECT_EQ(r.days, 2);
    EXPECT_EQ(r.races, 3);

    // Races: the race card with each code beside its text, texts in UTF-8; horses 2 and
    // 9 withdrawn leave 8 starters of 10.
    EXPECT_EQ(sqlQuery(db, "SELECT * FROM races WHERE race_key = '2024010144030101'"),
              (testing::SqlRows{{kRace1, "2024-01-01", "44", "大井", "3", "1", "1", "テスト記念", "10:15",
                                 "2024-01-01 10:15", "1200", "24", "ﾀﾞｰﾄ 右回り", "10", "8", "0", "1", "土", "E",
                                 "特別", "NULL", "11", "サラ２歳", "N1A", "(国際) 牡 地方全国交流", "701", "新馬",
                                 "Ｃ１", "3", "馬齢", "NULL", "NULL", "2", "ダ:稍重", "NULL"}}));
    EXPECT_EQ(sqlQuery(db, "SELECT race_number, cancelled, starters FROM races ORDER BY race_key"),
              (testing::SqlRows{{"1", "0", "8"}, {"2", "1", "0"}, {"1", "0", "8"}}));

    // Runners: the published bracket, the weight in kilograms, no position or final
    // odds for the horse scratched after the sale, and when the odds showed each one
    // withdrawn.
    EXPECT_EQ(sqlQuery(db, "SELECT horse, bracket, horse_name, sex_code, sex, age, jockey, weight_carried, "
                           "finish_position, final_win_odds, final_win_popularity, scratched, scratched_snapshot, "
                           "scratched_at FROM runners WHERE race_key = '2024010144030101' AND horse IN (2, 3, 9) "
                           "ORDER BY horse"),
              (testing::SqlRows{
                  {"2", "2", "テストホース2", "2", "牝", "2", "騎手", "54.2", "NULL", "NULL", "NULL", "1", "1",
                   "2023-12-31 20:00"},
                  {"3", "3", "テストホース3", "1", "牡", "2", "騎手", "54.3", "1", "7.0", "3", "0", "NULL", "NULL"},
                  {"9", "8", "テストホース9", "1", "牡", "2", "騎手", "54.9", "NULL", "NULL", "NULL", "1", "4",
                   "2024-01-01 10:10"}}));
    EXPECT_EQ(sqlValue(db, "SELECT count(*) FROM runners"), "26");

    // win_place: every announcement and registered runner, as the stored lines say.
    const std::vector<std::string> lines = o1Lines(kRace1);
    ASSERT_EQ(lines.size(), 5u);
    const testing::SqlRows rows =
        sqlQuery(db, "SELECT snapshot, horse, win_odds, win_popularity, win_status, " + fixed4("win_share") +
                         ", place_low, place_high, place_popularity, place_status, " + fixed4("place_share") +
                         ", win_total, place_total, bracket_total, win_sale, place_sale FROM win_place WHERE "
                         "race_key = '" +
                         std::string(kRace1) + "' ORDER BY snapshot, horse");
    ASSERT_EQ(rows.size(), 50u);
    for (int n = 0; n < 5; ++n)
        for (int h = 1; h <= 10; ++h) {
            EXPECT_EQ(rows[static_cast<std::size_t>(n * 10 + h - 1)],
                      expectedWinPlace(lines[static_cast<std::size_t>(n)], n + 1, h))
                << "snapshot " << n + 1 << " horse " << h;
        }
    // The moments: the advance sale of the evening before belongs to 2023; the last
    // announcement at or before each post is flagged.
    EXPECT_EQ(sqlQuery(db, "SELECT race_key, snapshot, announced_at, minutes_to_post FROM win_place WHERE is_last = 1 "
                           "AND horse = 1 ORDER BY race_key"),
              (testing::SqlRows{{kRace1, "5", "2024-01-01 10:15", "0"}, {"2024010245030201", "3", "2024-01-02 15:00", "0"}}));
    EXPECT_EQ(sqlQuery(db, "SELECT DISTINCT announced_at, minutes_to_post FROM win_place WHERE snapshot = 1 AND "
                           "race_key = '2024010144030101'"),
              (testing::SqlRows{{"2023-12-31 20:00", "855"}}));
    EXPECT_EQ(sqlValue(db, "SELECT count(*) FROM win_place"), "74");

    // Payouts: every shown entry of the nine kinds, combinations without blanks.
    EXPECT_EQ(sqlQuery(db, "SELECT ticket_type, combination, amount, popularity FROM payouts WHERE race_key = '" +
                               std::string(kRace1) + "' AND ticket_type IN ('win', 'place', 'bracket_quinella', "
                                                     "'trio', 'trifecta') ORDER BY amount"),
              (testing::SqlRows{{"place", "3", "210", "2"},
                                {"place", "5", "330", "4"},
                                {"place", "7", "520", "6"},
                                {"win", "3", "650", "2"},
                                {"bracket_quinella", "3-5", "1230", "5"},
                                {"trio", "3-5-7", "4560", "12"},
                                {"trifecta", "3-5-7", "20120", "44"}}));
    EXPECT_EQ(sqlValue(db, "SELECT count(DISTINCT ticket_type) FROM payouts WHERE race_key = '" + std::string(kRace1) +
                               "'"),
              "9");

    EXPECT_EQ(sqlQuery(db, "SELECT export_id, schema_version, program_version, range_from, range_to, tables, days, "
                           "races, odds_lines, skipped_lines FROM meta"),
              (testing::SqlRows{{"1", "2", "9.99", "2024-01-01", "2024-01-02", "races,runners,win_place,payouts", "2",
                                 "3", "8", "0"}}));
    EXPECT_EQ(sqlQuery(db, "SELECT day, races, odds_lines, skipped_kind + skipped_length + skipped_race_key + "
                           "skipped_time FROM meta_days ORDER BY day"),
              (testing::SqlRows{{"2024-01-01", "2", "5", "0"}, {"2024-01-02", "1", "3", "0"}}));
    // Every table has its key; the large tables only when asked for; readers share the file.
    EXPECT_EQ(sqlValue(db, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND sql LIKE '%PRIMARY KEY%'"),
              "6");
    EXPECT_EQ(sqlValue(db, "SELECT count(*) FROM sqlite_master WHERE name = 'quinella'"), "0");
    EXPECT_EQ(sqlValue(db, "PRAGMA journal_mode"), "wal");
}

// A sink that keeps every row as text, for the rows no fixture race gives.
class RowCapture final : public CountingSink {
public:
    void write(SeasonTable table, Row row) override
    {
        std::vector<std::string> out;
        for (const Value& v : row)
            out.push_back(v.isNull() ? "NULL"
                          : v.kind == Value::Kind::Text  ? std::string(v.text)
                          : v.kind == Value::Kind::Real  ? text::formatFixed(v.real, 0, 1)
                                                         : std::to_string(v.integer));
        rows[static_cast<std::size_t>(table)].push_back(std::move(out));
    }
    std::array<testing::SqlRows, kSeasonTables.size()> rows;
};

TEST(SeasonRowsTest, ABaneiRaceGivesItsMoistureAndAPostTimeThatIsNoTimeGivesNone)
{
    records::RaBuilder b = testing::SeasonStore::card(3, "83", 4, 9, "2599");
    b.moistureTenths(25);
    const std::string ra = b.build();
    analysis::RaceSlot slot;
    slot.raRecord = ra;
    const RaceFacts facts = RaceFacts::of(ra);
    EXPECT_FALSE(facts.post);
    RowCapture sink;
    writeRaceRow(slot, facts, RaceStatus::of(slot, facts, {}), sink);
    const std::vector<std::string>& row = sink.rows[0].at(0);
    EXPECT_EQ(row[3], "帯広ば");
    EXPECT_EQ(row[8], "NULL");  // post_time
    EXPECT_EQ(row[9], "NULL");  // post_at
    EXPECT_EQ(std::vector<std::string>(row.end() - 5, row.end()),
              (std::vector<std::string>{"NULL", "NULL", "NULL", "NULL", "2.5"}));
}

TEST_F(SeasonExportTest, PairTablesHoldTheSlotsThatAreNotBlank)
{
    exportRange("20240101", "20240101", {SeasonTable::BracketQuinella, SeasonTable::Quinella});
    EXPECT_EQ(sqlQuery(db, "SELECT announced_at, minutes_to_post, is_last, horse_a, horse_b, odds, popularity, status, " +
                               fixed4("share") + ", total FROM quinella ORDER BY horse_a, horse_b"),
              (testing::SqlRows{{"2024-01-01 10:10", "5", "1", "1", "2", "12.3", "3", "priced", "6.0976", "777"},
                                {"2024-01-01 10:10", "5", "1", "1", "3", "NULL", "NULL", "cancelled_before_sale", "NULL",
                                 "777"},
                                {"2024-01-01 10:10", "5", "1", "1", "10", "456.7", "40", "priced", "0.1642", "777"}}));
    EXPECT_EQ(sqlQuery(db, "SELECT snapshot, is_last, bracket_a, bracket_b, odds, popularity, total, sale FROM "
                           "bracket_quinella WHERE snapshot = 2 ORDER BY bracket_a, bracket_b"),
              (testing::SqlRows{{"2", "0", "1", "1", "6.5", "1", "600", "7"},
                                {"2", "0", "1", "2", "15.0", "2", "600", "7"},
                                {"2", "0", "3", "7", "88.8", "20", "600", "7"}}));
    EXPECT_EQ(sqlValue(db, "SELECT count(*) FROM bracket_quinella"), "15");
    EXPECT_EQ(sqlValue(db, "SELECT count(*) FROM sqlite_master WHERE name = 'win_place'"), "0");
}

TEST_F(SeasonExportTest, ExportingARangeAgainReplacesExactlyItsRaces)
{
    exportRange("20240101", "20240102");
    const std::string day2Before = sqlValue(db, "SELECT group_concat(win_odds) FROM win_place WHERE race_key LIKE "
                                                "'20240102%'");
    // The store moves on: race 1 now holds three announcements.
    season.storeOdds(season.race1Announcements(3));
    const SeasonExportResult again = exportRange("20240101", "20240101");
    EXPECT_EQ(again.days, 1);

    EXPECT_EQ(sqlValue(db, "SELECT count(*) FROM win_place WHERE race_key = '2024010144030101'"), "30");
    EXPECT_EQ(sqlValue(db, "SELECT max(snapshot) FROM win_place WHERE race_key = '2024010144030101'"), "3");
    EXPECT_EQ(sqlValue(db, "SELECT group_concat(win_odds) FROM win_place WHERE race_key LIKE '20240102%'"), day2Before);
    // Nothing doubled: races, runners and payouts hold each race once.
    EXPECT_EQ(sqlValue(db, "SELECT count(*) FROM races"), "3");
    EXPECT_EQ(sqlValue(db, "SELECT count(*) FROM runners"), "26");
    EXPECT_EQ(sqlValue(db, "SELECT count(*) FROM payouts"), "14");
    EXPECT_EQ(sqlValue(db, "SELECT group_concat(export_id) FROM meta"), "1,2");
    EXPECT_EQ(sqlValue(db, "SELECT count(*) FROM meta_days WHERE export_id = 2"), "1");

    // The same range once more changes nothing.
    exportRange("20240101", "20240102");
    exportRange("20240101", "20240102");
    EXPECT_EQ(sqlValue(db, "SELECT count(*) FROM win_place"), "54");
}

TEST_F(SeasonExportTest, ACancelKeepsFinishedDaysAndNothingOfTheDayBeingWritten)
{
    exportRange("20240101", "20240102");
    season.storeOdds(season.race1Announcements(2));
    // Day 1 (two races) is re-exported; the cancel comes after its first race.
    std::atomic<bool> cancel{false};
    std::vector<int> racesSeen;
    const SeasonExportResult r = exportRange(
        "20240101", "20240102", defaultTables(),
        [&](const SeasonExportProgress& p) {
            racesSeen.push_back(static_cast<int>(p.races));
            cancel = true;
        },
        &cancel);
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.days, 0);
    EXPECT_EQ(racesSeen, std::vector<int>{1});
    // As it was before this export: five announcements of race 1, one meta row.
    EXPECT_EQ(sqlValue(db, "SELECT count(*) FROM win_place WHERE race_key = '2024010144030101'"), "50");
    EXPECT_EQ(sqlValue(db, "SELECT count(*) FROM races"), "3");
    EXPECT_EQ(sqlValue(db, "SELECT count(*) FROM meta"), "1");

    // A first export cancelled on its second day keeps the first day, indexed, and
    // leaves no lock and no journal behind (the test's own readers leave theirs).
    for (const char* suffix : {"", "-wal", "-shm"})
        std::filesystem::remove(db.string() + suffix);
    std::atomic<bool> stop{false};
    const SeasonExportResult first = exportRange(
        "20240101", "20240102", defaultTables(),
        [&](const SeasonExportProgress& p) {
            if (p.day == 1)
                stop = true;
        },
        &stop);
    EXPECT_TRUE(first.cancelled);
    EXPECT_EQ(first.days, 1);
    EXPECT_EQ(filesIn(season.dir.path()), 3) << "Data, CSV and season.sqlite only";
    EXPECT_EQ(sqlValue(db, "SELECT count(DISTINCT substr(race_key, 1, 8)) FROM win_place"), "1");
    EXPECT_EQ(sqlValue(db, "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name = 'races_day'"), "1");
}

// Holds an export at its first day until a second one got there too, or a while passed.
struct Meeting {
    std::mutex mutex;
    std::condition_variable arrivedAll;
    int arrived = 0;
    void arrive()
    {
        std::unique_lock lock(mutex);
        ++arrived;
        arrivedAll.notify_all();
        arrivedAll.wait_for(lock, 1500ms, [&] { return arrived >= 2; });
    }
};

class MeetingSink final : public TableSink {
public:
    MeetingSink(std::unique_ptr<TableSink> sink, Meeting& meeting) : m_sink(std::move(sink)), m_meeting(meeting) {}
    void open(std::span<const SeasonTable> tables) override { m_sink->open(tables); }
    void beginDay() override
    {
        if (!m_met)
            m_meeting.arrive();
        m_met = true;
        m_sink->beginDay();
    }
    void removeRaces(std::span<const std::string> keys) override { m_sink->removeRaces(keys); }
    void write(SeasonTable table, Row row) override { m_sink->write(table, row); }
    void commitDay() override { m_sink->commitDay(); }
    void rollbackDay() noexcept override { m_sink->rollbackDay(); }
    void finish(const ExportMeta& meta) override { m_sink->finish(meta); }
    void abandon() noexcept override { m_sink->abandon(); }
    std::string describe() const override { return m_sink->describe(); }

private:
    std::unique_ptr<TableSink> m_sink;
    Meeting& m_meeting;
    bool m_met = false;
};

TEST_F(SeasonExportTest, TwoExportsAtOnceTakeTheFileInTurnAndNeverDoubleARow)
{
    // Both reach their first day together if they can: the second one waits for the
    // first to give the file up, then replaces its races.
    Meeting meeting;
    std::string errors[2];
    std::atomic<int> waited{0};
    auto one = [&](int i) {
        SinkOptions options;
        options.lockWait = 20s;
        options.waiting = [&](const std::string&) { ++waited; };
        try {
            MeetingSink sink(openSqliteSink(db, options), meeting);
            exportSeason(season.layout, sink,
                         rangeOptions("20240101", "20240102", {SeasonTable::WinPlace, SeasonTable::Payouts}));
        } catch (const std::exception& e) {
            errors[i] = e.what();
        }
    };
    std::thread a(one, 0);
    std::thread b(one, 1);
    a.join();
    b.join();
    EXPECT_EQ(errors[0] + errors[1], "");
    EXPECT_EQ(waited.load(), 1);
    EXPECT_EQ(sqlValue(db, "SELECT count(*) FROM win_place"), "74");
    EXPECT_EQ(sqlValue(db, "SELECT count(*) FROM payouts"), "14");
    EXPECT_EQ(sqlValue(db, "SELECT count(*) FROM meta"), "2");

    // One that may not wait long enough refuses and says who holds the file.
    std::string refusal;
    exportRange("20240101", "20240101", defaultTables(), [&](const SeasonExportProgress& p) {
        if (p.races != 1)
            return;
        SinkOptions brief;
        brief.lockWait = 100ms;
        try {
            auto second = openSqliteSink(db, brief);
            exportSeason(season.layout, *second, rangeOptions("20240101", "20240101"));
        } catch (const SinkBusy& e) {
            refusal = e.what();
        }
    });
    EXPECT_NE(refusal.find("an export (process "), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("is writing into it; try again when it has finished"), std::string::npos) << refusal;

    // The key refuses a second row of a runner at one snapshot.
    auto sink = openSqliteSink(season.dir / "keys.sqlite");
    sink->open(std::vector<SeasonTable>{SeasonTable::WinPlace});
    sink->beginDay();
    std::array<Value, 20> row;
    row[0] = Value::of(std::string_view(kRace1));
    row[1] = Value::of(std::int64_t{1});
    row[5] = Value::of(std::int64_t{3});
    sink->write(SeasonTable::WinPlace, row);
    try {
        sink->write(SeasonTable::WinPlace, row);
        ADD_FAILURE() << "a row was written twice";
    } catch (const SinkError& e) {
        EXPECT_NE(std::string(e.what()).find("a row of race 2024010144030101 is in win_place twice"), std::string::npos)
            << e.what();
    }
}

TEST_F(SeasonExportTest, AFileThatFailsACheckIsRefusedAndLeftAsItWas)
{
    auto withSql = [&](const std::filesystem::path& file, const char* sql) {
        sqlite3* raw = nullptr;
        sqlite3_open(file.string().c_str(), &raw);
        sqlite3_exec(raw, sql, nullptr, nullptr, nullptr);
        sqlite3_close(raw);
    };
    auto refusalOf = [&](const std::filesystem::path& file) {
        try {
            auto sink = openSqliteSink(file);
            exportSeason(season.layout, *sink, rangeOptions("20240101", "20240102"));
        } catch (const SinkError& e) {
            return std::string(e.what());
        }
        return std::string("not refused");
    };
    auto schemaOf = [&](const std::filesystem::path& file) {
        return sqlQuery(file, "SELECT type, name FROM sqlite_master ORDER BY name");
    };

    // Another program's table of the same name.
    const std::filesystem::path other = season.dir / "other.sqlite";
    withSql(other, "CREATE TABLE runners (race TEXT, name TEXT)");
    EXPECT_NE(refusalOf(other).find("its table runners has other columns"), std::string::npos);
    EXPECT_EQ(schemaOf(other), (testing::SqlRows{{"table", "runners"}}));
    EXPECT_EQ(sqlValue(other, "PRAGMA journal_mode"), "delete");

    // A file of the first version of the export: what to do, and no table of the new shape.
    const std::filesystem::path older = season.dir / "older.sqlite";
    withSql(older, "CREATE TABLE meta (exported_at TEXT, program_version TEXT, range_from TEXT, range_to TEXT, "
                   "tables TEXT, days INTEGER, races INTEGER); CREATE TABLE races (race_key TEXT, day TEXT, "
                   "track_code TEXT, track_name TEXT, meeting INTEGER, day_number INTEGER, race_number INTEGER, "
                   "race_name TEXT, post_time TEXT, distance INTEGER, course_code TEXT, runners INTEGER, PRIMARY KEY "
                   "(race_key))");
    const std::string why = refusalOf(older);
    EXPECT_NE(why.find("written by an earlier version of this program (schema 1"), std::string::npos) << why;
    EXPECT_NE(why.find("Export into another file (--out), or delete this one"), std::string::npos) << why;
    EXPECT_EQ(schemaOf(older), (testing::SqlRows{{"table", "meta"}, {"table", "races"}, {"index", "sqlite_autoindex_races_1"}}));

    // One a newer version wrote into.
    exportRange("20240101", "20240101");
    withSql(db, "UPDATE meta SET schema_version = 3");
    EXPECT_NE(refusalOf(db).find("written by a newer version of this program (schema 3)"), std::string::npos);
    EXPECT_EQ(sqlValue(db, "SELECT count(*) FROM meta"), "1");

    // No lock left by a refusal; a file that is no database at all.
    EXPECT_FALSE(std::filesystem::exists(season.dir / "other.sqlite.lock"));
    text::writeFileAtomic(season.dir / "notes.txt", std::string(4096, 'x'));
    EXPECT_THROW(openSqliteSink(season.dir / "notes.txt"), SinkError);
}

TEST_F(SeasonExportTest, OddsLinesThatAreNoAnnouncementOfTheRaceAreLeftOutAndCounted)
{
    // Appended to 大井 1R's file: a record of 川崎 1R, one cut short, bytes that are no
    // record and one announced at 10:99; and a post time "2599" on 大井 2R.
    const std::filesystem::path file = season.layout.oddsFile(store::StoreKind::O1, kRace1);
    testing::O1Builder foreign = testing::SeasonStore::o1(2, "45", 1, "20240102", "01021440");
    testing::O1Builder late = testing::SeasonStore::o1(1, "44", 1, "20240101", "01011099");
    for (int h = 1; h <= 10; ++h) {
        foreign.win(h, 3.0, h);
        late.win(h, 3.0, h);
    }
    const std::string cut = o1Lines(kRace1)[2].substr(0, 500);
    text::writeFileAtomic(file, text::readFile(file) + foreign.build() + "\r\n" + cut + "\r\n" +
                                    std::string(960, '\x9f') + "\r\n" + late.build() + "\r\n");
    season.store.storeRa(testing::SeasonStore::card(1, "44", 2, 8, "2599").build(), store::Origin::Import);

    StoredDay day;
    day.load(season.layout, season.layout.dayLabels().front());
    std::string bytes;
    std::vector<std::string_view> lines;
    ASSERT_TRUE(day.readOdds(day.races().front(), store::StoreKind::O1, bytes, lines));
    EXPECT_EQ(lines.size(), 5u);
    EXPECT_EQ(day.oddsLines().kept, 5);
    EXPECT_EQ(day.oddsLines().skipped, (std::array<std::int64_t, kOddsLineFaults>{1, 1, 1, 1}));
    EXPECT_FALSE(day.races()[1].facts.post);

    const SeasonExportResult r = exportRange("20240101", "20240101");
    EXPECT_EQ(r.oddsLines.skippedTotal(), 4);
    EXPECT_EQ(sqlValue(db, "SELECT count(*) FROM win_place WHERE race_key = '2024010144030101'"), "50");
    EXPECT_EQ(sqlValue(db, "SELECT count(*) FROM win_place WHERE announced_at IS NULL OR minutes_to_post < 0 OR "
                           "win_total = 0"),
              "0");
    EXPECT_EQ(sqlQuery(db, "SELECT post_time, post_at FROM races WHERE race_key = '2024010144030102'"),
              (testing::SqlRows{{"NULL", "NULL"}}));
    EXPECT_EQ(sqlQuery(db, "SELECT odds_lines, skipped_kind, skipped_length, skipped_race_key, skipped_time FROM "
                           "meta_days"),
              (testing::SqlRows{{"5", "1", "1", "1", "1"}}));
    EXPECT_EQ(sqlValue(db, "SELECT skipped_lines FROM meta"), "4");
}

TEST_F(SeasonExportTest, CsvFilesAppearWholeWithAHeaderAndQuotedTexts)
{
    const std::filesystem::path folder = season.dir / "csv";
    const SeasonExportOptions o = rangeOptions("20240101", "20240101");
    {
        auto sink = openCsvSink(folder, CsvEncoding::Utf8);
        exportSeason(season.layout, *sink, o);
    }
    // UTF-8 with a byte-order mark, so that Excel reads it as UTF-8.
    const std::string races = text::readFile(folder / "races.csv");
    EXPECT_TRUE(races.starts_with("\xEF\xBB\xBFrace_key,day,track_code,track_name,meeting,day_number,race_number,"
                                  "race_name,post_time,post_at,distance,course_code,course,runners,starters,"))
        << races;
    EXPECT_NE(races.find("\r\n2024010144030101,2024-01-01,44,大井,3,1,1,テスト記念,10:15,2024-01-01 10:15,1200,24,"),
              std::string::npos)
        << races;
    const std::string runners = text::readFile(folder / "runners.csv");
    EXPECT_NE(runners.find("2024010144030101,4,4,\"テスト\"\"4\"\",改\",2,牝,2,騎手,調教師,54.4,5,"), std::string::npos);
    EXPECT_NE(runners.find("2024010144030101,9,8,テストホース9,1,牡,2,騎手,調教師,54.9,,,,1,4,2024-01-01 10:10\r\n"),
              std::string::npos);
    const std::string winPlace = text::readFile(folder / "win_place.csv");
    EXPECT_NE(winPlace.find("2024010144030101,1,2023-12-31 20:00,855,0,2,,,cancelled_before_sale,,,,,"
                            "cancelled_before_sale,,1000,500,300,7,7\r\n"),
              std::string::npos);
    EXPECT_EQ(text::readFile(folder / "meta_days.csv"), "\xEF\xBB\xBF" "export_id,day,races,odds_lines,skipped_kind,"
                                                        "skipped_length,skipped_race_key,skipped_time\r\n"
                                                        "1,2024-01-01,2,5,0,0,0,0\r\n");

    // --no-bom; and for spreadsheets CP932, the same bytes the records hold, no mark.
    const std::filesystem::path plain = season.dir / "plain";
    const std::filesystem::path cp932 = season.dir / "csv932";
    {
        auto sink = openCsvSink(plain, CsvEncoding::Utf8, false);
        exportSeason(season.layout, *sink, o);
        auto sjis = openCsvSink(cp932, CsvEncoding::Cp932);
        exportSeason(season.layout, *sjis, o);
    }
    EXPECT_EQ(text::readFile(plain / "races.csv"), races.substr(3));
    const std::string races932 = text::readFile(cp932 / "races.csv");
    EXPECT_TRUE(races932.starts_with("race_key,"));
    EXPECT_NE(races932.find(text::sj(",大井,3,1,1,テスト記念,")), std::string::npos);

    // A cancelled export leaves the folder's files as they were, removes what a killed
    // one left behind, and leaves no stray file.
    text::writeFileAtomic(folder / "win_place.csv.tmp~", "half a season");
    std::atomic<bool> cancel{true};
    {
        auto sink = openCsvSink(folder, CsvEncoding::Utf8);
        EXPECT_TRUE(exportSeason(season.layout, *sink, rangeOptions("20240101", "20240102"), {}, &cancel).cancelled);
    }
    EXPECT_EQ(text::readFile(folder / "races.csv"), races);
    EXPECT_EQ(filesIn(folder), 6); // races, runners, win_place, payouts, meta, meta_days

    // A folder that cannot be made is the sink's failure, as its interface says.
    text::writeFileAtomic(season.dir / "taken", "a file");
    auto blocked = openCsvSink(season.dir / "taken" / "csv", CsvEncoding::Utf8);
    EXPECT_THROW(exportSeason(season.layout, *blocked, o), SinkError);
}

TEST(SeasonDaysTest, TheStoredDaysOfARangeOldestFirst)
{
    testing::SeasonStore season;
    auto utf8 = [](const std::vector<std::string>& labels) {
        std::vector<std::string> out;
        for (const std::string& l : labels)
            out.push_back(text::toUtf8(l));
        return out;
    };
    EXPECT_EQ(utf8(storedDaysInRange(season.layout, "20240101", "20240131")),
              (std::vector<std::string>{"2024年01月01日", "2024年01月02日", "2024年01月05日"}));
    EXPECT_EQ(utf8(storedDaysInRange(season.layout, "20240102", "20240105")),
              (std::vector<std::string>{"2024年01月02日", "2024年01月05日"}));
    EXPECT_TRUE(storedDaysInRange(season.layout, "20240103", "20240104").empty());
    EXPECT_TRUE(dateOfYmd("20240229"));
    EXPECT_FALSE(dateOfYmd("20230229"));
    EXPECT_FALSE(dateOfYmd("2024011"));
}

} // namespace
} // namespace tidemark::analytics
