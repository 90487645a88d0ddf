// The season export into SQLite and CSV: the tables against the records read back
// through the record views, the re-export that replaces exactly its races, the cancel
// that leaves the day being written as it was, and the files a CSV export leaves.

#include "analytics/season_export.h"

#include <gtest/gtest.h>

#include <atomic>

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

using testing::sqlQuery;
using testing::sqlValue;

class SeasonExportTest : public ::testing::Test {
protected:
    testing::SeasonStore season;
    std::filesystem::path db = season.dir / "season.sqlite";

    SeasonExportResult exportRange(const std::string& from, const std::string& to,
                                   std::vector<SeasonTable> tables = defaultTables(),
                                   const SeasonExportListener& listener = {}, const std::atomic<bool>* cancel = nullptr)
    {
        SeasonExportOptions o;
        o.fromYmd = from;
        o.toYmd = to;
        o.tables = std::move(tables);
        o.programVersion = "9.99";
        o.exportedAt = "2024-02-01 12:00:00";
        auto sink = openSqliteSink(db);
        return exportSeason(season.layout, *sink, o, listener, cancel);
    }

    std::vector<std::string> o1Lines(std::string_view key) const
    {
        return store::readLines(season.layout.oddsFile(store::StoreKind::O1, key), store::StoreKind::O1);
    }
};

constexpr const char* kRace1 = "2024010144030101";

// What a win_place row must hold, read from the stored line in the test's own words.
std::vector<std::string> expectedWinPlace(const std::string& line, int snapshot, int horse)
{
    const records::O1View o1(line);
    auto odds = [](const records::OddsField& f) {
        return f.kind() == records::OddsKind::Odds ? text::formatFixed(f.value(), 0, 1) : std::string("NULL");
    };
    auto pop = [](int p) { return p > 0 ? std::to_string(p) : std::string("NULL"); };
    std::string status;
    switch (o1.win(horse).kind()) {
    case records::OddsKind::Odds: status = "priced"; break;
    case records::OddsKind::NoVotes: status = "no_votes"; break;
    case records::OddsKind::CancelledBeforeSale: status = "cancelled_before_sale"; break;
    case records::OddsKind::CancelledAfterSale: status = "cancelled_after_sale"; break;
    case records::OddsKind::Blank:
    case records::OddsKind::Unreadable: status = "blank"; break;
    }
    return {std::to_string(snapshot),
            std::to_string(horse),
            odds(o1.win(horse)),
            pop(o1.winPopularity(horse)),
            odds(o1.placeLow(horse)),
            odds(o1.placeHigh(horse)),
            pop(o1.placePopularity(horse)),
            status,
            std::to_string(o1.winVotes()),
            std::to_string(o1.placeVotes()),
            std::to_string(o1.bracketVotes())};
}

TEST_F(SeasonExportTest, TablesHoldWhatTheRecordsSay)
{
    const SeasonExportResult r = exportRange("20240101", "20240102");
    EXPECT_FALSE(r.cancelled);
    EXPECT_EQ(r.days, 2);
    EXPECT_EQ(r.races, 3);

    // Races: one row per listed race, texts in UTF-8.
    EXPECT_EQ(sqlQuery(db, "SELECT * FROM races WHERE race_key = '2024010144030101'"),
              (testing::SqlRows{{kRace1, "2024-01-01", "44", "大井", "3", "1", "1", "テスト記念", "10:15", "1200", "24",
                                 "10"}}));
    EXPECT_EQ(sqlValue(db, "SELECT count(*) FROM races"), "3");

    // Runners: the published bracket, the weight in kilograms, no position or final
    // odds for the horse scratched after the sale.
    EXPECT_EQ(sqlQuery(db, "SELECT horse, bracket, horse_name, jockey, weight_carried, finish_position, "
                           "final_win_odds, final_win_popularity FROM runners WHERE race_key = '2024010144030101' "
                           "AND horse IN (3, 9) ORDER BY horse"),
              (testing::SqlRows{{"3", "3", "テストホース3", "騎手", "54.3", "1", "7.0", "3"},
                                {"9", "8", "テストホース9", "騎手", "54.9", "NULL", "NULL", "NULL"}}));
    EXPECT_EQ(sqlValue(db, "SELECT count(*) FROM runners"), "26");

    // win_place: every announcement and registered runner, as the stored lines say.
    const std::vector<std::string> lines = o1Lines(kRace1);
    ASSERT_EQ(lines.size(), 5u);
    const testing::SqlRows rows =
        sqlQuery(db, "SELECT snapshot, horse, win_odds, win_popularity, place_low, place_high, place_popularity, "
                     "status, win_total, place_total, bracket_total FROM win_place WHERE race_key = '" +
                         std::string(kRace1) + "' ORDER BY snapshot, horse");
    ASSERT_EQ(rows.size(), 50u);
    for (int n = 0; n < 5; ++n)
        for (int h = 1; h <= 10; ++h) {
            EXPECT_EQ(rows[static_cast<std::size_t>(n * 10 + h - 1)], expectedWinPlace(lines[static_cast<std::size_t>(n)], n + 1, h)) << "snapshot " << n + 1
                                                                                              << " horse " << h;
        }
    // The statuses the fixture planted, and their moments: the advance sale of the
    // evening before belongs to 2023.
    EXPECT_EQ(sqlQuery(db, "SELECT announced_at, minutes_to_post, status FROM win_place WHERE race_key = '" +
                               std::string(kRace1) + "' AND horse IN (2, 9, 10) AND snapshot IN (1, 2, 4) "
                                                     "ORDER BY snapshot, horse"),
              (testing::SqlRows{{"2023-12-31 20:00", "855", "cancelled_before_sale"},
                                {"2023-12-31 20:00", "855", "priced"},
                                {"2023-12-31 20:00", "855", "priced"},
                                {"2024-01-01 09:30", "45", "cancelled_before_sale"},
                                {"2024-01-01 09:30", "45", "priced"},
                                {"2024-01-01 09:30", "45", "no_votes"},
                                {"2024-01-01 10:10", "5", "cancelled_before_sale"},
                                {"2024-01-01 10:10", "5", "cancelled_after_sale"},
                                {"2024-01-01 10:10", "5", "priced"}}));
    EXPECT_EQ(sqlValue(db, "SELECT count(*) FROM win_place"), "74");

    // Payouts: every shown entry of the nine kinds, combinations without blanks.
    EXPECT_EQ(sqlQuery(db, "SELECT ticket_type, combination, amount, popularity FROM payouts WHERE race_key = '" +
                               std::string(kRace1) + "' AND ticket_type IN ('win', 'place', 'bracket_quinella', "
                                                     "'trio', 'trifecta') ORDER BY rowid"),
              (testing::SqlRows{{"win", "3", "650", "2"},
                                {"place", "3", "210", "2"},
                                {"place", "5", "330", "4"},
                                {"place", "7", "520", "6"},
                                {"bracket_quinella", "3-5", "1230", "5"},
                                {"trio", "3-5-7", "4560", "12"},
                                {"trifecta", "3-5-7", "20120", "44"}}));
    EXPECT_EQ(sqlValue(db, "SELECT count(DISTINCT ticket_type) FROM payouts WHERE race_key = '" + std::string(kRace1) +
                               "'"),
              "9");

    EXPECT_EQ(sqlQuery(db, "SELECT program_version, range_from, range_to, tables, days, races FROM meta"),
              (testing::SqlRows{{"9.99", "2024-01-01", "2024-01-02", "races,runners,win_place,payouts", "2", "3"}}));
    EXPECT_EQ(sqlValue(db, "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name = "
                           "'win_place_race_key_announced_at'"),
              "1");
    // The large tables only when asked for.
    EXPECT_EQ(sqlValue(db, "SELECT count(*) FROM sqlite_master WHERE name = 'quinella'"), "0");
}

TEST_F(SeasonExportTest, PairTablesHoldTheSlotsThatAreNotBlank)
{
    exportRange("20240101", "20240101", {SeasonTable::BracketQuinella, SeasonTable::Quinella});
    EXPECT_EQ(sqlQuery(db, "SELECT announced_at, horse_a, horse_b, odds, popularity, status, total FROM quinella "
                           "ORDER BY horse_a, horse_b"),
              (testing::SqlRows{{"2024-01-01 10:10", "1", "2", "12.3", "3", "priced", "777"},
                                {"2024-01-01 10:10", "1", "3", "NULL", "NULL", "cancelled_before_sale", "777"},
                                {"2024-01-01 10:10", "1", "10", "456.7", "40", "priced", "777"}}));
    EXPECT_EQ(sqlQuery(db, "SELECT snapshot, bracket_a, bracket_b, odds, popularity, total FROM bracket_quinella "
                           "WHERE snapshot = 2 ORDER BY bracket_a, bracket_b"),
              (testing::SqlRows{{"2", "1", "1", "6.5", "1", "600"},
                                {"2", "1", "2", "15.0", "2", "600"},
                                {"2", "3", "7", "88.8", "20", "600"}}));
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
    EXPECT_EQ(sqlValue(db, "SELECT count(*) FROM meta"), "2");

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

    // A first export cancelled on its second day keeps the first day, indexed.
    std::filesystem::remove(db);
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
    EXPECT_EQ(sqlValue(db, "SELECT count(DISTINCT substr(race_key, 1, 8)) FROM win_place"), "1");
    EXPECT_EQ(sqlValue(db, "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name = "
                           "'win_place_race_key_announced_at'"),
              "1");
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

    exportRange("20240101", "20240101");
    EXPECT_EQ(sqlValue(db, "SELECT count(*) FROM win_place WHERE race_key = '2024010144030101'"), "50");
    EXPECT_EQ(sqlValue(db, "SELECT count(*) FROM win_place WHERE announced_at IS NULL OR minutes_to_post < 0 OR "
                           "win_total = 0"),
              "0");
    EXPECT_EQ(sqlValue(db, "SELECT coalesce(post_time, 'none') FROM races WHERE race_key = '2024010144030102'"), "none");
}

TEST_F(SeasonExportTest, AFileOfAnotherShapeIsRefused)
{
    // Another program's table of the same name.
    const std::filesystem::path other = season.dir / "other.sqlite";
    {
        auto sink = openSqliteSink(other);
        (void)sink;
    }
    sqlite3* raw = nullptr;
    sqlite3_open(other.string().c_str(), &raw);
    sqlite3_exec(raw, "CREATE TABLE runners (race TEXT, name TEXT)", nullptr, nullptr, nullptr);
    sqlite3_close(raw);
    SeasonExportOptions o;
    o.fromYmd = "20240101";
    o.toYmd = "20240102";
    auto sink = openSqliteSink(other);
    try {
        exportSeason(season.layout, *sink, o);
        FAIL() << "the foreign table was written into";
    } catch (const SinkError& e) {
        EXPECT_NE(std::string(e.what()).find("runners has other columns"), std::string::npos) << e.what();
    }
    EXPECT_EQ(sqlQuery(other, "SELECT * FROM runners").size(), 0u);

    // A file that is no database at all.
    text::writeFileAtomic(season.dir / "notes.txt", std::string(4096, 'x'));
    EXPECT_THROW(openSqliteSink(season.dir / "notes.txt"), SinkError);
}

TEST_F(SeasonExportTest, CsvFilesAppearWholeWithAHeaderAndQuotedTexts)
{
    const std::filesystem::path folder = season.dir / "csv";
    SeasonExportOptions o;
    o.fromYmd = "20240101";
    o.toYmd = "20240101";
    {
        auto sink = openCsvSink(folder, CsvEncoding::Utf8);
        exportSeason(season.layout, *sink, o);
    }
    const std::string races = text::readFile(folder / "races.csv");
    EXPECT_TRUE(races.starts_with("race_key,day,track_code,track_name,meeting,day_number,race_number,race_name,"
                                  "post_time,distance,course_code,runners\r\n"
                                  "2024010144030101,2024-01-01,44,大井,3,1,1,テスト記念,10:15,1200,24,10\r\n"))
        << races;
    const std::string runners = text::readFile(folder / "runners.csv");
    EXPECT_NE(runners.find("2024010144030101,4,4,\"テスト\"\"4\"\",改\",騎手,調教師,54.4,5,"), std::string::npos);
    EXPECT_NE(runners.find("2024010144030101,9,8,テストホース9,騎手,調教師,54.9,,,\r\n"), std::string::npos);
    const std::string winPlace = text::readFile(folder / "win_place.csv");
    EXPECT_NE(winPlace.find("2024010144030101,1,2023-12-31 20:00,855,2,,,,,,cancelled_before_sale,1000,500,300\r\n"),
              std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(folder / "meta.csv"));

    // For spreadsheets: CP932, the same bytes the records hold.
    const std::filesystem::path cp932 = season.dir / "csv932";
    {
        auto sink = openCsvSink(cp932, CsvEncoding::Cp932);
        exportSeason(season.layout, *sink, o);
    }
    EXPECT_NE(text::readFile(cp932 / "races.csv").find(text::sj(",大井,3,1,1,テスト記念,")), std::string::npos);

    // A cancelled export leaves the folder's files as they were, and no stray file.
    std::atomic<bool> cancel{true};
    o.toYmd = "20240102";
    {
        auto sink = openCsvSink(folder, CsvEncoding::Utf8);
        EXPECT_TRUE(exportSeason(season.layout, *sink, o, {}, &cancel).cancelled);
    }
    EXPECT_EQ(text::readFile(folder / "races.csv"), races);
    int files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder))
        ++files;
    EXPECT_EQ(files, 5); // races, runners, win_place, payouts, meta
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
