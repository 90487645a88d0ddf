#include "results/specific_time_export.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "export_day_fixture.h"
#include "support/recording_host.h"
#include "text/file_io.h"

namespace tidemark::results {
namespace {

using namespace testday;
namespace fs = std::filesystem;

const std::string kHeader18 =
    R"("年","月","日","場所","回次","日次","R","レース名","頭数","G","競走種","条件","重量","コース","距離","発表日","発表時刻","総票数")";

std::string numberCells(int n)
{
    std::string s;
    for (int i = 1; i <= n; ++i)
        s += ",\"" + std::to_string(i) + "\"";
    return s;
}

class ExportTest : public ::testing::Test {
protected:
    ExportResult run(ExportChoice choice = {})
    {
        return runSpecificTimeExport(fx.layout, fx.day, choice, host);
    }
    std::string file(std::string_view name) const { return text::readFile(fx.csv(name)); }

    ExportDayFixture fx;
    testing::RecordingHost host;
};

TEST_F(ExportTest, WinFileOfTheDayByteForByte)
{
    const ExportResult r = run();
    ASSERT_TRUE(r.succeeded()) << r.message;

    // Race 1: the 09:31 snapshot (nearest to 09:30; the 01/14 one at 09:30 is another
    // day); race 2 (ばんえい): its first snapshot, after the moment; race 3: exact 09:30;
    // race 4 has no odds; race 5 is not in the race list.
    const std::string expected = sj(
        kHeader18 + numberCells(18) + "\r\n" +
        R"("2024","01","15","大井"," 1"," 2"," 1","冬桜賞","10","G1   ","サラ３上","1勝ｸﾗｽ","馬齢","ダ右　","1200",)"
        R"("01/15","09:31","     123456","  2.3","  5.0",""," 12.5",""," 99.9","  1.5"," 30.0","","120.0")" +
        emptyCells(8) + "\r\n" +
        R"("2024","01","15","    "," 3"," 4"," 2","ばんえい記念"," 8","　　 ","　　　　","","",""," 200",)"
        R"("01/15","10:00","       5000","  4.5","  1.2")" +
        emptyCells(16) + "\r\n" +
        R"("2024","01","15","大井"," 1"," 2"," 3","","18","　　 ","　　　　","","","","    ",)"
        R"("01/15","09:30","           ","  3.3")" +
        emptyCells(16) + R"(,"999.9")" + "\r\n");
    EXPECT_EQ(file("TAN20240115OZ.CSV"), expected);
}

TEST_F(ExportTest, PlaceBracketAndQuinellaFilesOfTheDay)
{
    ASSERT_TRUE(run().succeeded());

    // Place: low and high per horse; race 2 is not on sale for place and gets no line.
    const auto place = linesOf(file("FUK20240115OZ.CSV"));
    ASSERT_EQ(place.size(), 3u);
    std::string placeHeader = kHeader18;
    for (int h = 1; h <= 18; ++h)
        placeHeader += ",\"" + std::to_string(h) + "(低)\",\"" + std::to_string(h) + "(高)\"";
    EXPECT_EQ(place[0], sj(placeHeader));
    EXPECT_EQ(place[1], sj(R"("2024","01","15","大井"," 1"," 2"," 1","冬桜賞","10","G1   ","サラ３上","1勝ｸﾗｽ","馬齢","ダ右　","1200",)"
                           R"("01/15","09:31","      45678","  1.1","  1.5","  1.8","  3.0")") +
                            emptyCells(32));
    EXPECT_EQ(cellsOf(place[2]).size(), 18u + 36u);

    // Bracket quinella: a blank and the pair label in the header (" 1- 1" with two
    // leading blanks), six-character odds cells.
    const auto bracket = linesOf(file("WAK20240115OZ.CSV"));
    ASSERT_EQ(bracket.size(), 4u);
    const auto header = cellsOf(bracket[0]);
    ASSERT_EQ(header.size(), 18u + 36u);
    EXPECT_EQ(header[18], "  1- 1");
    EXPECT_EQ(header[26], "  2- 2");
    EXPECT_EQ(header[53], "  8- 8");
    const auto raceA = cellsOf(bracket[1]);
    EXPECT_EQ(raceA[17], "       7890");
    EXPECT_EQ(raceA[18], "");
    EXPECT_EQ(raceA[19], "  15.2");
    EXPECT_EQ(raceA[26], "   8.0");
    EXPECT_EQ(raceA[53], ""); // cancelled after the sale
    EXPECT_EQ(cellsOf(bracket[2])[25], "  45.6");
    EXPECT_EQ(cellsOf(bracket[3])[53], " 123.4");

    // Quinella: 153 pairs, seven-character cells; race 2 has no quinella file.
    const auto quinella = linesOf(file("UMA20240115OZ.CSV"));
    ASSERT_EQ(quinella.size(), 3u);
    const auto qHeader = cellsOf(quinella[0]);
    ASSERT_EQ(qHeader.size(), 18u + 153u);
    EXPECT_EQ(qHeader[18], "  1- 2");
    EXPECT_EQ(qHeader[34], "  1-18");
    EXPECT_EQ(qHeader[35], "  2- 3");
    EXPECT_EQ(qHeader[170], " 17-18");
    const auto qA = cellsOf(quinella[1]);
    ASSERT_EQ(qA.size(), 171u);
    EXPECT_EQ(qA[16], "09:31");
    EXPECT_EQ(qA[17], "      98765");
    EXPECT_EQ(qA[18], "   12.3");
    EXPECT_EQ(qA[19], ""); // cancelled before the sale
    const auto qC = cellsOf(quinella[2]);
    EXPECT_EQ(qC[6], " 3");
    EXPECT_EQ(qC[18], "    5.5");
    EXPECT_EQ(qC[170], "12345.6");
}

TEST_F(ExportTest, PopularityFilesNameTheirModeAndHoldOrders)
{
    ExportChoice choice;
    choice.item = ExportItem::Popularity;
    const ExportResult r = run(choice);
    ASSERT_TRUE(r.succeeded());
    ASSERT_EQ(r.written.size(), 4u);
    EXPECT_EQ(r.written[0].filename(), "TAN20240115NIN.CSV");
    EXPECT_EQ(r.written[1].filename(), "FUK20240115NIN.CSV");
    EXPECT_EQ(r.written[2].filename(), "WAK20240115NIN.CSV");
    EXPECT_EQ(r.written[3].filename(), "UMA20240115NIN.CSV");

    const auto win = linesOf(file("TAN20240115NIN.CSV"));
    ASSERT_EQ(win.size(), 4u);
    EXPECT_EQ(win[1].substr(win[1].find("\"     123456\"")),
              R"("     123456"," 2"," 3",""," 5",""," 7"," 1"," 6",""," 8")" + emptyCells(8));

    const auto place = linesOf(file("FUK20240115NIN.CSV"));
    EXPECT_EQ(place[0], sj(kHeader18 + numberCells(18)));
    const auto placeA = cellsOf(place[1]);
    ASSERT_EQ(placeA.size(), 36u);
    EXPECT_EQ(placeA[18], " 1");
    EXPECT_EQ(placeA[19], " 3");
    EXPECT_EQ(placeA[20], ""); // cancelled horse, order 0

    const auto bracketC = cellsOf(linesOf(file("WAK20240115NIN.CSV"))[3]);
    EXPECT_EQ(bracketC[53], "36");
    const auto quinellaC = cellsOf(linesOf(file("UMA20240115NIN.CSV"))[2]);
    EXPECT_EQ(quinellaC[18], "  1");
    EXPECT_EQ(quinellaC[170], "153");
}

TEST_F(ExportTest, PumpsEventsPerRaceAndOpensEachFileAfterWritingIt)
{
    ExportChoice choice;
    choice.openFiles = true;
    const ExportResult r = run(choice);
    ASSERT_TRUE(r.succeeded());
    EXPECT_EQ(host.eventPumps, 4); // one per listed race
    ASSERT_EQ(host.opened.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(host.opened[i], r.written[i].string());
    EXPECT_EQ(r.dataLines, (std::array<int, 4>{3, 2, 3, 2}));
    EXPECT_TRUE(r.notOpened.empty());

    host.openSucceeds = false;
    EXPECT_EQ(run(choice).notOpened.size(), 4u);
}

TEST_F(ExportTest, DayWithoutOddsGivesFourHeaderOnlyFiles)
{
    fx.day.slotRaceCards = {ExportDayFixture::raceD()};
    fx.day.listedRaces = 1;
    const ExportResult r = run();
    ASSERT_TRUE(r.succeeded());
    EXPECT_EQ(file("TAN20240115OZ.CSV"), sj(kHeader18 + numberCells(18) + "\r\n"));
    EXPECT_EQ(linesOf(file("FUK20240115OZ.CSV")).size(), 1u);
    EXPECT_EQ(linesOf(file("WAK20240115OZ.CSV")).size(), 1u);
    EXPECT_EQ(linesOf(file("UMA20240115OZ.CSV")).size(), 1u);
    EXPECT_EQ(r.dataLines, (std::array<int, 4>{0, 0, 0, 0}));
}

TEST_F(ExportTest, FilesTakeTheirDateFromSlotZero)
{
    const std::string nextDay = RaBuilder().date(2024, 1, 16).track("44").meeting(1).day(3).race(1).line();
    fx.day.slotRaceCards = {nextDay, ExportDayFixture::raceA()};
    fx.day.listedRaces = 2;
    const ExportResult r = run();
    ASSERT_TRUE(r.succeeded());
    EXPECT_EQ(r.written[0].filename(), "TAN20240116OZ.CSV");
    EXPECT_EQ(linesOf(file("TAN20240116OZ.CSV")).size(), 2u); // race A of the 15th
}

TEST_F(ExportTest, NoRaceCardGivesNoFilesAndSaysSo)
{
    fx.day.slotRaceCards = {std::string(1270, ' ')};
    fx.day.listedRaces = 0;
    const ExportResult r = run();
    EXPECT_EQ(r.failure, ExportFailure::NoRaceDay);
    EXPECT_EQ(r.message, noRaceDayMessage());
    EXPECT_TRUE(r.written.empty());
    EXPECT_TRUE(fs::is_empty(fx.layout.csvFolder()));

    fx.day.slotRaceCards.clear();
    EXPECT_EQ(run().failure, ExportFailure::NoRaceDay);
}

TEST_F(ExportTest, UnwritableCsvFolderStopsWithThePlatformMessage)
{
    fs::remove(fx.layout.csvFolder());
    text::writeFileAtomic(fx.layout.csvFolder(), "not a folder");
    const ExportResult r = run();
    EXPECT_EQ(r.failure, ExportFailure::File);
    EXPECT_FALSE(r.message.empty());
    EXPECT_TRUE(r.written.empty());
}

TEST_F(ExportTest, FileThatCannotBeReplacedStopsTheRestAndKeepsEarlierFiles)
{
    fs::create_directory(fx.csv("FUK20240115OZ.CSV")); // a folder where the file goes
    ExportChoice choice;
    choice.openFiles = true;
    const ExportResult r = run(choice);
    EXPECT_EQ(r.failure, ExportFailure::File);
    EXPECT_NE(r.message.find("FUK20240115OZ.CSV"), std::string::npos);
    ASSERT_EQ(r.written.size(), 1u);
    EXPECT_TRUE(fs::is_regular_file(fx.csv("TAN20240115OZ.CSV")));
    EXPECT_FALSE(fs::exists(fx.csv("WAK20240115OZ.CSV")));
    EXPECT_FALSE(fs::exists(fx.csv("UMA20240115OZ.CSV")));
    EXPECT_EQ(host.opened.size(), 1u); // only what was written
}

TEST_F(ExportTest, CsvFolderRemovedSinceStartIsMadeAgain)
{
    fs::remove(fx.layout.csvFolder());
    ASSERT_TRUE(run().succeeded());
    EXPECT_TRUE(fs::is_regular_file(fx.csv("UMA20240115OZ.CSV")));
}

TEST_F(ExportTest, UnreadableOddsFileStopsBeforeAnythingIsWritten)
{
    const fs::path o1 = *fx.layout.fileOf(store::StoreKind::O1, ExportDayFixture::raceD());
    fs::create_directories(o1); // a folder in place of race 4's odds file
    const ExportResult r = run();
    EXPECT_EQ(r.failure, ExportFailure::File);
    EXPECT_TRUE(fs::is_empty(fx.layout.csvFolder()));
}

TEST_F(ExportTest, PreviousDayAndBeforePostMoments)
{
    // Previous day at 09:30: only the advance-sale snapshot of race 1 (01/14 09:30).
    ExportChoice previous;
    previous.moment.kind = MomentKind::PreviousDayClock;
    ASSERT_TRUE(run(previous).succeeded());
    const auto win = linesOf(file("TAN20240115OZ.CSV"));
    ASSERT_EQ(win.size(), 2u);
    EXPECT_EQ(cellsOf(win[1])[15], "01/14");
    EXPECT_EQ(cellsOf(win[1])[18], "  9.9");

    // 35 minutes before each post: race 1 (10:05) → 09:30 → the 09:31 snapshot; race 2
    // (10:15) → 09:40 → 10:00; race 3 (10:40) → 10:05 → 09:35.
    ExportChoice before;
    before.moment.kind = MomentKind::BeforePost;
    before.moment.minutesBeforePost = 35;
    ASSERT_TRUE(run(before).succeeded());
    const auto beforeWin = linesOf(file("TAN20240115OZ.CSV"));
    ASSERT_EQ(beforeWin.size(), 4u);
    EXPECT_EQ(cellsOf(beforeWin[1])[16], "09:31");
    EXPECT_EQ(cellsOf(beforeWin[2])[16], "10:00");
    EXPECT_EQ(cellsOf(beforeWin[3])[16], "09:35");
}

// ---- the moment of a race and the snapshot chosen for it ---------------------------

TEST(TargetMoment, ThreeKinds)
{
    const std::string race = RaBuilder().date(2024, 3, 1).track("44").race(1).startTime("1005").line();
    MomentChoice m;
    m.hour = 7;
    m.minute = 5;
    EXPECT_EQ(targetMoment(race, m), "03010705");
    m.kind = MomentKind::PreviousDayClock;
    EXPECT_EQ(targetMoment(race, m), "02290705"); // leap day
    m.kind = MomentKind::BeforePost;
    m.minutesBeforePost = 10;
    EXPECT_EQ(targetMoment(race, m), "03010955");

    const std::string newYear = RaBuilder().date(2024, 1, 1).track("44").race(1).line();
    m.kind = MomentKind::PreviousDayClock;
    EXPECT_EQ(targetMoment(newYear, m), "12310705");
    // No post time: there is no moment before it.
    m.kind = MomentKind::BeforePost;
    EXPECT_EQ(targetMoment(newYear, m), "");
    // No race card date: no moment of any kind.
    m.kind = MomentKind::RaceDayClock;
    EXPECT_EQ(targetMoment(std::string(1270, ' '), m), "");
}

std::vector<std::string> snapshots(std::initializer_list<std::string_view> times)
{
    std::vector<std::string> lines;
    for (std::string_view t : times)
        lines.push_back(o1("44", 1, 2, 1, t).line());
    return lines;
}

TEST(ChooseSnapshot, NearestOnTheTargetDay)
{
    const auto lines = snapshots({"01150900", "01150930", "01150945", "01151200"});
    EXPECT_EQ(chooseSnapshot(lines, "01150930"), 1u); // exact
    EXPECT_EQ(chooseSnapshot(lines, "01150940"), 2u); // between, nearer after
    EXPECT_EQ(chooseSnapshot(lines, "01150912"), 0u); // between, nearer before
    EXPECT_EQ(chooseSnapshot(lines, "01150600"), 0u); // before the first
    EXPECT_EQ(chooseSnapshot(lines, "01152359"), 3u); // after the last
    EXPECT_EQ(chooseSnapshot(lines, "01160930"), std::nullopt); // no snapshot that day
    EXPECT_EQ(chooseSnapshot(lines, ""), std::nullopt);
}

TEST(ChooseSnapshot, TiesKeepTheEarlierLineOfTheFile)
{
    // Three minutes either side, the later time first in the file.
    const auto lines = snapshots({"01150933", "01150927"});
    EXPECT_EQ(chooseSnapshot(lines, "01150930"), 0u);
    const auto sorted = snapshots({"01150927", "01150933"});
    EXPECT_EQ(chooseSnapshot(sorted, "01150930"), 0u);
}

TEST(ChooseSnapshot, OtherDaysNeverCountAndNineHundredNinetyNineMinutesIsTheLimit)
{
    const auto lines = snapshots({"03011000", "02290005"});
    EXPECT_EQ(chooseSnapshot(lines, "02291000"), 1u); // 03/01 at the very minute is ignored
    const auto far = snapshots({"01150000"});
    EXPECT_EQ(chooseSnapshot(far, "01151639"), 0u); // 999 minutes
    EXPECT_EQ(chooseSnapshot(far, "01151640"), std::nullopt); // 1000 minutes
}

// ---- cells ------------------------------------------------------------------------

TEST(ExportCells, OddsAndPopularityFormats)
{
    EXPECT_EQ(oddsCell("0012"), "  1.2");
    EXPECT_EQ(oddsCell("1234"), "123.4");
    EXPECT_EQ(oddsCell("01234"), " 123.4");
    EXPECT_EQ(oddsCell("999999"), "99999.9");
    EXPECT_EQ(oddsCell("000010"), "    1.0");
    for (std::string_view empty : {"0000", "----", "****", "    ", "-----", "*****", "00000", "------", "******",
                                   "000000", "12a4", "--  "})
        EXPECT_EQ(oddsCell(empty), "") << empty;
    EXPECT_EQ(popularityCell("03"), " 3");
    EXPECT_EQ(popularityCell("12"), "12");
    EXPECT_EQ(popularityCell("007"), "  7");
    EXPECT_EQ(popularityCell("00"), "");
    EXPECT_EQ(popularityCell("  "), "");
    EXPECT_EQ(popularityCell("ab"), "");
}

TEST(ExportCells, RaceNameLosesBlanksAndAQuoteCannotBreakTheColumns)
{
    // Full-width blanks go; a trail byte 0x81 followed by '@' is not a full-width blank.
    const std::string tricky = std::string("\x8C\x81") + "@" + sj("杯");
    const std::string race = RaBuilder().date(2024, 1, 15).track("44").race(1).shortRaceName(tricky).line();
    EXPECT_EQ(raceCells(race)[7], tricky);

    const std::string quoted = RaBuilder().date(2024, 1, 15).track("44").race(1).shortRaceName("A\"B,C").line();
    const std::string snap = o1("44", 1, 2, 1, "01150930").winSale('7').line();
    const std::string line = dataLine(TicketFile::Win, ExportItem::Odds, quoted, snap);
    EXPECT_NE(line.find(R"(,"A""B,C",)"), std::string::npos);
}

TEST(LoadSnapshotLines, LineEndsAndMissingFile)
{
    testing::TempDir dir;
    std::vector<std::string> lines;
    EXPECT_FALSE(loadSnapshotLines(dir / "none.nvO1", lines));
    text::writeFileAtomic(dir / "a.nvO1", "one\r\ntwo\nthree\rfour");
    ASSERT_TRUE(loadSnapshotLines(dir / "a.nvO1", lines));
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "three", "four"}));

    // The export reads views of the lines; they split every ending alike, also runs of
    // ends, a CR before a CR LF, an end at the very end and a file of long lines.
    std::string bytes;
    std::vector<std::string_view> views;
    std::string longLines;
    for (int i = 0; i < 300; ++i)
        longLines += std::string(2041, static_cast<char>('a' + i % 26)) + (i % 3 == 0 ? "\n" : "\r\n");
    for (const std::string& content : {std::string("one\r\ntwo\nthree\rfour"), std::string("\n\n\r\r\nx\r"),
             std::string("a\r\n"), std::string(""), std::string("\r"), longLines}) {
        text::writeFileAtomic(dir / "b.nvO1", content);
        ASSERT_TRUE(loadSnapshotLines(dir / "b.nvO1", lines));
        ASSERT_TRUE(loadSnapshotLines(dir / "b.nvO1", bytes, views));
        EXPECT_EQ(bytes, content);
        EXPECT_EQ(std::vector<std::string>(views.begin(), views.end()), lines);
        EXPECT_EQ(chooseSnapshot(std::span<const std::string_view>(views), "01150930"), chooseSnapshot(lines, "01150930"));
    }
    EXPECT_FALSE(loadSnapshotLines(dir / "none.nvO1", bytes, views));
}

} // namespace
} // namespace tidemark::results
