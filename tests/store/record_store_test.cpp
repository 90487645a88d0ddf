#include "store/record_store.h"

#include "store/record_reader.h"
#include "store_test_records.h"
#include "support/temp_dir.h"
#include "text/cp932.h"
#include "text/file_io.h"

#include <gtest/gtest.h>

#include <map>
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
    fs::path seFile() const { return m_store.layout().seFile(sj("2024年01月15日"), "44"); }

    TempDir m_dir;
    RecordStore m_store;
};

// --- Race cards (keyed update) ---------------------------------------------------------

TEST_F(RecordStoreTest, ImportingTheSameRaceTwiceLeavesOneLine)
{
    EXPECT_EQ(m_store.storeRa(raceCard("44", 3).line(), Origin::Import), StoreOutcome::Stored);
    const auto update = raceCard("44", 3).dataKind('2').creationDate(2024, 1, 14).raceName("NEWNAME");
    EXPECT_EQ(m_store.storeRa(update.build(), Origin::Import), StoreOutcome::Stored);

    auto lines = readLines(raFile(), StoreKind::RA);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(text::bytesAt(lines[0], 33, 7), "NEWNAME");
    // Data kind and creation date are zeroed so that lines sort by race key.
    EXPECT_EQ(text::bytesAt(lines[0], 1, 11), "RA000000000");
    // The file is whole lines of 1270 bytes, each ending in CR LF.
    EXPECT_EQ(fs::file_size(raFile()), 1272u);
}

TEST_F(RecordStoreTest, RaceCardsSortByRaceKeyWhateverTheirCreationDate)
{
    m_store.storeRa(raceCard("45", 1).creationDate(2024, 1, 1).line(), Origin::Import);
    m_store.storeRa(raceCard("44", 11).dataKind('2').creationDate(2024, 1, 14).line(), Origin::Import);
    m_store.storeRa(raceCard("44", 2).dataKind('7').creationDate(2023, 12, 1).line(), Origin::Import);
    m_store.storeRa(raceCard("30", 12).line(), Origin::Import);

    std::vector<std::string> keys;
    for (const auto& l : readLines(raFile(), StoreKind::RA))
        keys.emplace_back(text::bytesAt(l, 20, 8));
    EXPECT_EQ(keys, (std::vector<std::string>{"30010212", "44010202", "44010211", "45010201"}));
}

TEST_F(RecordStoreTest, BlankFirstRaceCardLineIsDropped)
{
    const std::string blank(lineLength(StoreKind::RA), ' ');
    text::writeFileAtomic(raFile(), blank + "\r\n" + raceCard("44", 5).build());

    m_store.storeRa(raceCard("44", 1).line(), Origin::Import);
    auto lines = readLines(raFile(), StoreKind::RA);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(text::bytesAt(lines[0], 26, 2), "01");
    EXPECT_EQ(text::bytesAt(lines[1], 26, 2), "05");
}

TEST_F(RecordStoreTest, ResultsFetchUpdatesOnlyImportedDays)
{
    EXPECT_EQ(m_store.storeRa(raceCard("44", 1).line(), Origin::ResultsFetch), StoreOutcome::NoFile);
    EXPECT_FALSE(fs::exists(raFile()));

    m_store.storeRa(raceCard("44", 1).line(), Origin::Import);
    const auto result = raceCard("44", 1).dataKind('7').creationDate(2024, 1, 15).set(100, "RESULT");
    EXPECT_EQ(m_store.storeRa(result.line(), Origin::ResultsFetch), StoreOutcome::Stored);
    auto lines = readLines(raFile(), StoreKind::RA);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(text::bytesAt(lines[0], 100, 6), "RESULT");
    EXPECT_EQ(text::bytesAt(lines[0], 3, 9), "000000000");
}

TEST_F(RecordStoreTest, MultibyteTextAtTheEndOfTheLineIsStoredWhole)
{
    // The last character ends at byte 1270, the last byte of the line.
    m_store.storeRa(raceCard("44", 1).set(1267, sj("大井")).line(), Origin::Import);
    const std::string bytes = text::readFile(raFile());
    ASSERT_EQ(bytes.size(), 1272u);
    EXPECT_EQ(bytes.substr(1266, 4), sj("大井"));
    EXPECT_EQ(bytes.substr(1270), "\r\n");
}

TEST_F(RecordStoreTest, StoringWhatIsAlreadyThereWritesNothing)
{
    // Every replacement of a file goes through a temporary file; an unchanged file is
    // never written, so no temporary file is made for it.
    std::map<fs::path, int> writes;
    text::setDiskStepHookForTesting([&](text::DiskStep step, const fs::path& p) {
        if (step == text::DiskStep::CreateTemp)
            ++writes[p];
        return 0;
    });
    struct Unhook {
        ~Unhook() { text::setDiskStepHookForTesting({}); }
    } unhook;
    m_store.storeRa(raceCard("44", 1).line(), Origin::Import);
    m_store.storeSe(runner("44", 1, 1).line(), Origin::Import);
    ASSERT_EQ(writes[raFile()], 1);
    ASSERT_EQ(writes[seFile()], 1);

    EXPECT_EQ(m_store.storeRa(raceCard("44", 1).dataKind('2').line(), Origin::Import), StoreOutcome::Stored);
    EXPECT_EQ(m_store.storeSe(runner("44", 1, 1).line(), Origin::Import), StoreOutcome::Stored);
    EXPECT_EQ(writes[raFile()], 1);
    EXPECT_EQ(writes[seFile()], 1);

    m_store.storeSe(runner("44", 1, 1).finishPosition(2).line(), Origin::Import);
    EXPECT_EQ(writes[seFile()], 2);
    EXPECT_EQ(text::bytesAt(readLines(seFile(), StoreKind::SE).at(0), 335, 2), "02");
}

// --- Payouts ---------------------------------------------------------------------------

TEST_F(RecordStoreTest, PayoutsFromTheImportAreZeroedFromTheFetchKeptAsDelivered)
{
    // The fetch creates the payout file, unlike the race-card file.
    const auto fetched = payout("44", 2).dataKind('2').creationDate(2024, 1, 15).win(1, 3, 450, 2);
    EXPECT_EQ(m_store.storeHr(fetched.line(), Origin::ResultsFetch), StoreOutcome::Stored);
    EXPECT_FALSE(fs::exists(raFile()));
    m_store.storeHr(payout("44", 1).dataKind('2').line(), Origin::Import);

    auto lines = readLines(hrFile(), StoreKind::HR);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(text::bytesAt(lines[0], 1, 11), "HR000000000");
    EXPECT_EQ(text::bytesAt(lines[0], 26, 2), "01");
    EXPECT_EQ(lines[1], fetched.line());

    // Either origin replaces the line of its race key, whatever its bytes 3–11.
    const auto corrected = payout("44", 2).win(1, 3, 460, 2);
    m_store.storeHr(corrected.line(), Origin::Import);
    lines = readLines(hrFile(), StoreKind::HR);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(text::bytesAt(lines[1], 12, 706), text::bytesAt(corrected.line(), 12, 706));
}

// --- Runners (slot file) ---------------------------------------------------------------

TEST_F(RecordStoreTest, RunnerLandsInItsSlotAndLeavesTheOthers)
{
    const std::string horse3 = runner("44", 2, 3).horseName(sj("ハルウララ")).line();
    EXPECT_EQ(m_store.storeSe(horse3, Origin::Import), StoreOutcome::Stored);

    auto slots = readLines(seFile(), StoreKind::SE);
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
    const std::string horse1 = runner("44", 1, 1).line();
    m_store.storeSe(horse1, Origin::Import);
    const std::string horse3Result = runner("44", 2, 3).horseName(sj("ハルウララ")).finishPosition(1).line();
    EXPECT_EQ(m_store.storeSe(horse3Result, Origin::ResultsFetch), StoreOutcome::Stored);
    slots = readLines(seFile(), StoreKind::SE);
    EXPECT_EQ(slots[0], horse1);
    EXPECT_EQ(slots[20], horse3Result);
    EXPECT_EQ(slots[21], blank);
}

TEST_F(RecordStoreTest, ResultsFetchWritesRunnersOnlyIntoAnExistingFile)
{
    EXPECT_EQ(m_store.storeSe(runner("44", 1, 1).line(), Origin::ResultsFetch), StoreOutcome::NoFile);
    EXPECT_FALSE(fs::exists(seFile()));
}

TEST_F(RecordStoreTest, RunnersWithoutASlotNeverOverwriteAnother)
{
    m_store.storeSe(runner("44", 1, 1).line(), Origin::Import);
    const std::string before = text::readFile(seFile());

    // Race 13 horse 1 would be slot 216 (past the file), race 1 horse 19 slot 0 of race 2.
    EXPECT_EQ(m_store.storeSe(runner("44", 13, 1).line(), Origin::Import), StoreOutcome::OutsideSlots);
    EXPECT_EQ(m_store.storeSe(runner("44", 1, 19).line(), Origin::Import), StoreOutcome::OutsideSlots);
    EXPECT_EQ(m_store.storeSe(runner("44", 0, 18).line(), Origin::Import), StoreOutcome::OutsideSlots);
    EXPECT_EQ(m_store.storeSe(runner("44", 2, 0).line(), Origin::Import), StoreOutcome::OutsideSlots);
    EXPECT_EQ(m_store.storeSe(runner("44", 2, 1).set(29, "  ").line(), Origin::Import),
              StoreOutcome::OutsideSlots);
    EXPECT_EQ(text::readFile(seFile()), before);
}

TEST_F(RecordStoreTest, ShortRunnerFileIsFilledUpToItsSlots)
{
    const std::string horse1 = runner("44", 1, 1).line();
    text::writeFileAtomic(seFile(), horse1 + "\r\n");
    m_store.storeSe(runner("44", 12, 18).line(), Origin::ResultsFetch);
    auto slots = readLines(seFile(), StoreKind::SE);
    ASSERT_EQ(slots.size(), kRunnerSlots);
    EXPECT_EQ(slots[0], horse1);
    EXPECT_EQ(text::bytesAt(slots[215], 26, 5), "12 18");
}

// --- Refusals --------------------------------------------------------------------------

TEST_F(RecordStoreTest, FaultyRecordsAreRefusedAndCounted)
{
    StoreTally tally;
    const std::string ra = raceCard("44", 1).line();
    tally.add(m_store.storeRa(ra.substr(0, 1269), Origin::Import));                        // short
    tally.add(m_store.storeRa(ra + "X", Origin::Import));                                  // long
    tally.add(m_store.storeRa(ra.substr(0, 1269) + "\n", Origin::Import));                 // line break inside
    tally.add(m_store.storeRa(ra + "\n\r", Origin::Import));                               // not CR LF
    tally.add(m_store.storeRa(raceCard("44", 1).set(12, "2024/1/5").line(), Origin::Import)); // date
    tally.add(m_store.storeRa(raceCard("/x", 1).line(), Origin::Import));                  // track
    tally.add(m_store.storeRa(raceCard("44", 1).set(26, " 1").line(), Origin::Import));    // race
    tally.add(m_store.storeRa(payout("44", 1).line(), Origin::Import));                    // an HR as RA
    tally.add(m_store.storeHr(ra, Origin::Import));                                        // an RA as HR
    tally.add(m_store.storeSe(runner("44", 1, 1).set(12, "../../..").line(), Origin::Import));
    tally.add(m_store.storeSe(runner("44", 14, 1).line(), Origin::Import));

    EXPECT_EQ(tally.badLine, 4);
    EXPECT_EQ(tally.unsafeKey, 4);
    EXPECT_EQ(tally.wrongKind, 2);
    EXPECT_EQ(tally.outsideSlots, 1);
    EXPECT_EQ(tally.refused(), 11);
    EXPECT_EQ(tally.stored, 0);
    // Nothing reached the disk.
    EXPECT_TRUE(fs::is_empty(m_dir / "Data"));

    tally.add(m_store.storeRa(ra + "\r\n", Origin::Import));
    tally.add(m_store.storeRa(ra, Origin::ResultsFetch));
    EXPECT_EQ(tally.stored, 2);
    EXPECT_TRUE(isRefusal(StoreOutcome::UnsafeKey));
    EXPECT_FALSE(isRefusal(StoreOutcome::NoFile));
}

TEST_F(RecordStoreTest, FileErrorEndsTheStepAndKeepsWhatWasWritten)
{
    m_store.storeRa(raceCard("44", 1).line(), Origin::Import);
    const std::string before = text::readFile(raFile());
    // A folder where the payout file should be makes the write fail.
    fs::create_directories(hrFile());
    EXPECT_THROW(m_store.storeHr(payout("44", 1).line(), Origin::Import), text::FileError);
    EXPECT_EQ(text::readFile(raFile()), before);
    // No temporary file is left beside the store files.
    for (const auto& entry : fs::directory_iterator(m_dir / "Data"))
        EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
}

TEST(RecordStoreFolders, WritersCreateAMissingStoreFolder)
{
    TempDir dir;
    RecordStore store{StoreLayout(dir.path())};
    EXPECT_EQ(store.storeRa(raceCard("44", 1).line(), Origin::Import), StoreOutcome::Stored);
    EXPECT_TRUE(fs::exists(dir / "Data" / text::pathFromUtf8("2024年01月15日.nvRA")));
}

} // namespace
} // namespace tidemark::store
