#include "store/record_store.h"

#include "store/record_reader.h"
#include "store_test_records.h"
#include "support/temp_dir.h"
#include "text/cp932.h"
#include "text/file_io.h"

#include <gtest/gtest.h>

#include <vector>

namespace tidemark::store {
namespace {

namespace fs = std::filesystem;
using namespace testrec;
using text::sj;
using tidemark::testing::TempDir;

class RecordStoreTest : public ::testing::Test {
protected:
    RecordStoreTest() : m_store(StoreLayout(m_dir.path())) { m_store.layout().createFolders(); }

    fs::path raFile() const { return m_store.layout().raFile(sj("2024年01月15日")); }
    fs::path hrFile() const { return m_store.layout().hrFile(sj("2024年01月15日")); }
    fs::path seFile(const char* track = "44") const
    {
        return m_store.layout().seFile(sj("2024年01月15日"), track);
    }
    static std::vector<std::string> fileLines(const fs::path& file, StoreKind kind)
    {
        return readLines(file, kind);
    }

    TempDir m_dir;
    RecordStore m_store;
};

Key race(const char* track, const char* r)
{
    Key k;
    k.track = track;
    k.race = r;
    return k;
}

// --- Race cards (keyed update) ---------------------------------------------------------

TEST_F(RecordStoreTest, ImportingTheSameRaceTwiceLeavesOneLine)
{
    const Key k = race("44", "03");
    EXPECT_EQ(m_store.storeRa(line(StoreKind::RA, k, '1', "20240110"), Origin::Import), StoreOutcome::Stored);
    const std::string update = put(line(StoreKind::RA, k, '2', "20240114"), 33, "NEWNAME");
    EXPECT_EQ(m_store.storeRa(withCrLf(update), Origin::Import), StoreOutcome::Stored);

    auto lines = fileLines(raFile(), StoreKind::RA);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(text::bytesAt(lines[0], 33, 7), "NEWNAME");
    // Data kind and creation date are zeroed so that lines sort by race key.
    EXPECT_EQ(text::bytesAt(lines[0], 1, 11), "RA000000000");
    // The file is whole lines of 1270 bytes, each ending in CR LF.
    EXPECT_EQ(fs::file_size(raFile()), 1272u);
}

TEST_F(RecordStoreTest, RaceCardsSortByRaceKeyWhateverTheirCreationDate)
{
    m_store.storeRa(line(StoreKind::RA, race("45", "01"), '1', "20240101"), Origin::Import);
    m_store.storeRa(line(StoreKind::RA, race("44", "11"), '2', "20240114"), Origin::Import);
    m_store.storeRa(line(StoreKind::RA, race("44", "02"), '7', "20231201"), Origin::Import);
    // Track codes with letters sort without regard to case: "b1" before "C1".
    m_store.storeRa(line(StoreKind::RA, race("C1", "01")), Origin::Import);
    m_store.storeRa(line(StoreKind::RA, race("b1", "01")), Origin::Import);

    std::vector<std::string> keys;
    for (const auto& l : fileLines(raFile(), StoreKind::RA))
        keys.emplace_back(text::bytesAt(l, 20, 8));
    EXPECT_EQ(keys, (std::vector<std::string>{"44010202", "44010211", "45010201", "b1010201", "C1010201"}));
}

TEST_F(RecordStoreTest, BlankFirstRaceCardLineIsDropped)
{
    const std::string blank(lineLength(StoreKind::RA), ' ');
    const std::string other = line(StoreKind::RA, race("44", "05"));
    text::writeFileAtomic(raFile(), blank + "\r\n" + other + "\r\n");

    m_store.storeRa(line(StoreKind::RA, race("44", "01")), Origin::Import);
    auto lines = fileLines(raFile(), StoreKind::RA);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(text::bytesAt(lines[0], 26, 2), "01");
    EXPECT_EQ(text::bytesAt(lines[1], 26, 2), "05");
}

TEST_F(RecordStoreTest, ResultsFetchUpdatesOnlyImportedDays)
{
    const Key k = race("44", "01");
    EXPECT_EQ(m_store.storeRa(line(StoreKind::RA, k), Origin::ResultsFetch), StoreOutcome::NoFile);
    EXPECT_FALSE(fs::exists(raFile()));

    m_store.storeRa(line(StoreKind::RA, k), Origin::Import);
    const std::string result = put(line(StoreKind::RA, k, '7', "20240115"), 100, "RESULT");
    EXPECT_EQ(m_store.storeRa(result, Origin::ResultsFetch), StoreOutcome::Stored);
    auto lines = fileLines(raFile(), StoreKind::RA);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(text::bytesAt(lines[0], 100, 6), "RESULT");
    EXPECT_EQ(text::bytesAt(lines[0], 3, 9), "000000000");
}

TEST_F(RecordStoreTest, MultibyteTextAtTheEndOfTheLineIsStoredWhole)
{
    std::string ra = line(StoreKind::RA, race("44", "01"));
    ra = put(ra, 1267, sj("大井")); // the last character ends at byte 1270
    m_store.storeRa(ra, Origin::Import);
    const std::string bytes = text::readFile(raFile());
    ASSERT_EQ(bytes.size(), 1272u);
    EXPECT_EQ(bytes.substr(1266, 4), sj("大井"));
    EXPECT_EQ(bytes.substr(1270), "\r\n");
}

// --- Payouts ---------------------------------------------------------------------------

TEST_F(RecordStoreTest, PayoutsFromTheImportAreZeroedFromTheFetchKeptAsDelivered)
{
    // The fetch creates the payout file, unlike the race-card file.
    EXPECT_EQ(m_store.storeHr(line(StoreKind::HR, race("44", "02"), '2', "20240115"), Origin::ResultsFetch),
              StoreOutcome::Stored);
    EXPECT_FALSE(fs::exists(raFile()));
    m_store.storeHr(line(StoreKind::HR, race("44", "01"), '2', "20240115"), Origin::Import);

    auto lines = fileLines(hrFile(), StoreKind::HR);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(text::bytesAt(lines[0], 1, 11), "HR000000000");
    EXPECT_EQ(text::bytesAt(lines[0], 26, 2), "01");
    EXPECT_EQ(text::bytesAt(lines[1], 1, 11), "HR220240115");

    // Either origin replaces the line of its race key, whatever its bytes 3–11.
    m_store.storeHr(put(line(StoreKind::HR, race("44", "02")), 40, "PAID"), Origin::Import);
    lines = fileLines(hrFile(), StoreKind::HR);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(text::bytesAt(lines[1], 40, 4), "PAID");
}

// --- Runners (slot file) ---------------------------------------------------------------

TEST_F(RecordStoreTest, RunnerLandsInItsSlotAndLeavesTheOthers)
{
    const std::string horse3 = put(runner(race("44", "02"), "03"), 41, sj("ハルウララ"));
    EXPECT_EQ(m_store.storeSe(horse3, Origin::Import), StoreOutcome::Stored);

    auto slots = fileLines(seFile(), StoreKind::SE);
    ASSERT_EQ(slots.size(), kRunnerSlots);
    // (race − 1) × 18 + (horse − 1): the slot the day loader reads horse 3 of race 2 from.
    EXPECT_EQ(slots[20], horse3);
    const std::string blank(lineLength(StoreKind::SE), ' ');
    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (i != 20) {
            EXPECT_EQ(slots[i], blank) << "slot " << i;
        }
    }
    EXPECT_EQ(fs::file_size(seFile()), kRunnerSlots * recordSize(StoreKind::SE));

    // A second runner keeps the first; an update of the same horse replaces it.
    const std::string horse1 = runner(race("44", "01"), "01");
    m_store.storeSe(horse1, Origin::Import);
    const std::string horse3Result = put(horse3, 335, "01");
    EXPECT_EQ(m_store.storeSe(horse3Result, Origin::ResultsFetch), StoreOutcome::Stored);
    slots = fileLines(seFile(), StoreKind::SE);
    EXPECT_EQ(slots[0], horse1);
    EXPECT_EQ(slots[20], horse3Result);
    EXPECT_EQ(slots[21], blank);
}

TEST_F(RecordStoreTest, RunnersGoToTheFileOfTheirTrack)
{
    m_store.storeSe(runner(race("44", "01"), "01"), Origin::Import);
    m_store.storeSe(runner(race("45", "01"), "01"), Origin::Import);
    m_store.storeSe(runner(race("99", "01"), "01"), Origin::Import);
    EXPECT_TRUE(fs::exists(m_dir / "Data" / "2024年01月15日大井.nvSEr"));
    EXPECT_TRUE(fs::exists(m_dir / "Data" / "2024年01月15日川崎.nvSEr"));
    EXPECT_TRUE(fs::exists(m_dir / "Data" / "2024年01月15日    .nvSEr"));
}

TEST_F(RecordStoreTest, ResultsFetchWritesRunnersOnlyIntoAnExistingFile)
{
    EXPECT_EQ(m_store.storeSe(runner(race("44", "01"), "01"), Origin::ResultsFetch), StoreOutcome::NoFile);
    EXPECT_FALSE(fs::exists(seFile()));
}

TEST_F(RecordStoreTest, RunnersWithoutASlotNeverOverwriteAnother)
{
    const std::string horse1 = runner(race("44", "01"), "01");
    m_store.storeSe(horse1, Origin::Import);
    const std::string before = text::readFile(seFile());

    // Race 13 horse 1 would be slot 216, race 0 horse 19 slot 0 of race 2 ...
    EXPECT_EQ(m_store.storeSe(runner(race("44", "13"), "01"), Origin::Import), StoreOutcome::OutsideSlots);
    EXPECT_EQ(m_store.storeSe(runner(race("44", "00"), "19"), Origin::Import), StoreOutcome::OutsideSlots);
    EXPECT_EQ(m_store.storeSe(runner(race("44", "01"), "19"), Origin::Import), StoreOutcome::OutsideSlots);
    EXPECT_EQ(m_store.storeSe(runner(race("44", "02"), "00"), Origin::Import), StoreOutcome::OutsideSlots);
    EXPECT_EQ(m_store.storeSe(runner(race("44", "02"), "  "), Origin::Import), StoreOutcome::OutsideSlots);
    EXPECT_EQ(text::readFile(seFile()), before);
}

TEST_F(RecordStoreTest, ShortRunnerFileIsFilledUpToItsSlots)
{
    const std::string horse1 = runner(race("44", "01"), "01");
    text::writeFileAtomic(seFile(), horse1 + "\r\n");
    m_store.storeSe(runner(race("44", "12"), "18"), Origin::ResultsFetch);
    auto slots = fileLines(seFile(), StoreKind::SE);
    ASSERT_EQ(slots.size(), kRunnerSlots);
    EXPECT_EQ(slots[0], horse1);
    EXPECT_EQ(text::bytesAt(slots[215], 26, 5), "12 18");
}

// --- Refusals --------------------------------------------------------------------------

TEST_F(RecordStoreTest, FaultyRecordsAreRefusedAndCounted)
{
    StoreTally tally;
    const Key k = race("44", "01");
    const std::string ra = line(StoreKind::RA, k);
    tally.add(m_store.storeRa(ra.substr(0, 1269), Origin::Import));             // short
    tally.add(m_store.storeRa(ra + "X", Origin::Import));                       // long
    tally.add(m_store.storeRa(ra.substr(0, 1269) + "\n", Origin::Import));      // line break inside
    tally.add(m_store.storeRa(ra + "\n\r", Origin::Import));                    // not CR LF
    tally.add(m_store.storeRa(put(ra, 12, "2024/1/5"), Origin::Import));        // date not digits
    tally.add(m_store.storeRa(put(ra, 20, "/x"), Origin::Import));              // track not a code
    tally.add(m_store.storeRa(put(ra, 26, " 1"), Origin::Import));              // race not digits
    tally.add(m_store.storeRa(line(StoreKind::HR, k).substr(0, 1270), Origin::Import));
    tally.add(m_store.storeHr(ra, Origin::Import));                             // an RA as HR
    tally.add(m_store.storeSe(put(runner(k, "01"), 12, "../../.."), Origin::Import));
    tally.add(m_store.storeSe(runner(race("44", "14"), "01"), Origin::Import));

    EXPECT_EQ(tally.badLine, 4);
    EXPECT_EQ(tally.unsafeKey, 4);
    EXPECT_EQ(tally.wrongKind, 2);
    EXPECT_EQ(tally.outsideSlots, 1);
    EXPECT_EQ(tally.refused(), 11);
    EXPECT_EQ(tally.stored, 0);
    // Nothing reached the disk.
    EXPECT_TRUE(fs::is_empty(m_dir / "Data"));

    tally.add(m_store.storeRa(withCrLf(ra), Origin::Import));
    tally.add(m_store.storeRa(ra, Origin::ResultsFetch));
    EXPECT_EQ(tally.stored, 2);
    EXPECT_TRUE(isRefusal(StoreOutcome::UnsafeKey));
    EXPECT_FALSE(isRefusal(StoreOutcome::NoFile));
}

TEST_F(RecordStoreTest, FileErrorEndsTheStepAndKeepsWhatWasWritten)
{
    m_store.storeRa(line(StoreKind::RA, race("44", "01")), Origin::Import);
    const std::string before = text::readFile(raFile());
    // A folder where the payout file should be makes the write fail.
    fs::create_directories(hrFile());
    EXPECT_THROW(m_store.storeHr(line(StoreKind::HR, race("44", "01")), Origin::Import), text::FileError);
    EXPECT_EQ(text::readFile(raFile()), before);
    // No temporary file is left beside the store files.
    for (const auto& entry : fs::directory_iterator(m_dir / "Data"))
        EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
}

TEST(RecordStoreFolders, WritersCreateAMissingStoreFolder)
{
    TempDir dir;
    RecordStore store{StoreLayout(dir.path())};
    Key k;
    EXPECT_EQ(store.storeRa(line(StoreKind::RA, k), Origin::Import), StoreOutcome::Stored);
    EXPECT_TRUE(fs::exists(dir / "Data" / "2024年01月15日.nvRA"));
}

} // namespace
} // namespace tidemark::store
