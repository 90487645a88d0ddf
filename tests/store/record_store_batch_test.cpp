#include "store/record_store.h"

#include "store/record_reader.h"
#include "store_test_records.h"
#include "support/temp_dir.h"
#include "text/cp932.h"
#include "text/file_io.h"

#include <gtest/gtest.h>

#include <map>

namespace tidemark::store {
namespace {

namespace fs = std::filesystem;
using namespace testrec;
using text::sj;
using tidemark::testing::TempDir;

// Every file under `root` with its bytes.
std::map<fs::path, std::string> snapshot(const fs::path& root)
{
    std::map<fs::path, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), root)] = text::readFile(entry.path());
    return files;
}

// An import of two tracks followed by a results fetch of the same day.
void importAndFetch(RecordStore& store)
{
    for (const char* track : {"44", "45"}) {
        for (int race = 1; race <= 3; ++race) {
            store.storeRa(raceCard(track, race).runners(2).build(), Origin::Import);
            store.storeSe(runner(track, race, 1).build(), Origin::Import);
            store.storeSe(runner(track, race, 2).build(), Origin::Import);
        }
    }
    store.storeRa(raceCard("44", 2).dataKind('7').set(100, "RESULT").line(), Origin::ResultsFetch);
    store.storeSe(runner("44", 2, 1).finishPosition(1).line(), Origin::ResultsFetch);
    store.storeHr(payout("44", 2).dataKind('2').win(1, 1, 350, 1).line(), Origin::ResultsFetch);
    store.storeSe(runner("30", 1, 1).line(), Origin::ResultsFetch); // no such track file
}

TEST(RecordStoreBatch, WritesTheSameFilesAsSingleUpdates)
{
    TempDir single;
    TempDir batched;
    RecordStore a{StoreLayout(single.path())};
    RecordStore b{StoreLayout(batched.path())};
    importAndFetch(a);

    b.beginBatch();
    EXPECT_TRUE(b.inBatch());
    importAndFetch(b);
    // Nothing is on disk until the batch ends: the results fetch saw the day files
    // the import created in memory.
    EXPECT_FALSE(fs::exists(batched / "Data" / text::pathFromUtf8("2024年01月15日.nvRA")));
    b.endBatch();
    EXPECT_FALSE(b.inBatch());

    const auto expected = snapshot(single.path());
    EXPECT_EQ(expected.size(), 4u); // RA, HR and two runner files
    EXPECT_EQ(snapshot(batched.path()), expected);
}

TEST(RecordStoreBatch, RefusalsAndMissingDaysAreReportedAsWithoutABatch)
{
    TempDir dir;
    RecordStore store{StoreLayout(dir.path())};
    store.beginBatch();
    EXPECT_EQ(store.storeRa(raceCard("44", 1).line(), Origin::ResultsFetch), StoreOutcome::NoFile);
    EXPECT_EQ(store.storeSe(runner("44", 13, 1).line(), Origin::Import), StoreOutcome::OutsideSlots);
    EXPECT_EQ(store.storeRa(raceCard("44", 1).line().substr(0, 1269), Origin::Import), StoreOutcome::BadLine);
    store.endBatch();
    EXPECT_FALSE(fs::exists(dir / "Data"));
}

TEST(RecordStoreBatch, ABigBatchIsWrittenAsItGoes)
{
    TempDir dir;
    RecordStore store{StoreLayout(dir.path())};
    store.beginBatch();
    // One race card per day, for more days than the batch holds.
    for (int day = 1; day <= static_cast<int>(RecordStore::kBatchFiles) + 1; ++day)
        store.storeRa(raceCard("44", 1).date(2023, 1 + day / 29, 1 + day % 28).line(), Origin::Import);
    EXPECT_TRUE(fs::exists(dir / "Data" / text::pathFromUtf8("2023年01月02日.nvRA")));
    store.flush();
    EXPECT_EQ(StoreLayout(dir.path()).dayLabels().size(), RecordStore::kBatchFiles + 1);
    store.endBatch();
}

TEST(RecordStoreBatch, AFileErrorStillWritesTheOtherFiles)
{
    TempDir dir;
    RecordStore store{StoreLayout(dir.path())};
    store.layout().createFolders();
    // A folder in the way of the payout file's temporary file makes its write fail.
    fs::path blocked = store.layout().hrFile(sj("2024年01月15日"));
    blocked += ".tmp~";
    fs::create_directories(blocked);
    store.beginBatch();
    store.storeHr(payout("44", 1).line(), Origin::Import);
    store.storeRa(raceCard("44", 1).line(), Origin::Import);
    store.storeSe(runner("44", 1, 1).line(), Origin::Import);
    EXPECT_THROW(store.endBatch(), text::FileError);
    EXPECT_FALSE(fs::exists(store.layout().hrFile(sj("2024年01月15日"))));
    EXPECT_EQ(readDayRaces(store.layout().raFile(sj("2024年01月15日"))).size(), 1u);
    EXPECT_EQ(readRunnerSlots(store.layout().seFile(sj("2024年01月15日"), "44")).size(), kRunnerSlots);
    // The batch is empty afterwards: ending the store writes nothing more.
    EXPECT_NO_THROW(store.flush());
}

TEST(RecordStoreBatch, AllOrNoneReplacesNoFileWhenOneCannotBeWritten)
{
    TempDir dir;
    RecordStore store{StoreLayout(dir.path())};
    store.layout().createFolders();
    const fs::path ra = store.layout().raFile(sj("2024年01月15日"));
    store.storeRa(raceCard("44", 1).line(), Origin::Import);
    const auto before = snapshot(dir.path());
    fs::path blocked = store.layout().hrFile(sj("2024年01月15日"));
    blocked += ".tmp~";
    fs::create_directories(blocked);

    store.beginBatch();
    store.storeRa(raceCard("44", 2).line(), Origin::Import);
    store.storeSe(runner("44", 2, 1).line(), Origin::Import);
    store.storeHr(payout("44", 2).line(), Origin::Import);
    EXPECT_THROW(store.flushAllOrNone(), text::FileError);
    // Neither the race card nor the runner went in, and no temporary file is left.
    EXPECT_EQ(snapshot(dir.path()), before);
    EXPECT_NO_THROW(store.flush()); // the batch was emptied

    fs::remove(blocked);
    store.storeRa(raceCard("44", 2).line(), Origin::Import);
    store.storeHr(payout("44", 2).line(), Origin::Import);
    store.flushAllOrNone();
    EXPECT_EQ(readDayRaces(ra).size(), 2u);
    EXPECT_TRUE(fs::exists(store.layout().hrFile(sj("2024年01月15日"))));
    store.endBatch();
}

TEST(RecordStoreBatch, ScopedBatchesNestAndWriteWhenLeft)
{
    TempDir dir;
    RecordStore store{StoreLayout(dir.path())};
    const fs::path ra = dir / "Data" / text::pathFromUtf8("2024年01月15日.nvRA");
    {
        StoreBatch outer(store);
        {
            StoreBatch inner(store);
            store.storeRa(raceCard("44", 1).line(), Origin::Import);
            inner.commit();
        }
        EXPECT_TRUE(store.inBatch());
        EXPECT_FALSE(fs::exists(ra));
        // Left without commit, as on an error: what the batch holds is written.
    }
    EXPECT_FALSE(store.inBatch());
    EXPECT_EQ(readDayRaces(ra).size(), 1u);

    {
        RecordStore leftOpen{StoreLayout(dir.path())};
        leftOpen.beginBatch();
        leftOpen.storeRa(raceCard("44", 2).line(), Origin::Import);
    }
    EXPECT_EQ(readDayRaces(ra).size(), 2u);
}

} // namespace
} // namespace tidemark::store
