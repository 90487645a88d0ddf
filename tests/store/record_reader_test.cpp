#include "store/record_reader.h"

#include "store/record_store.h"
#include "store_test_records.h"
#include "support/temp_dir.h"
#include "text/cp932.h"
#include "text/file_io.h"

#include <gtest/gtest.h>

namespace tidemark::store {
namespace {

namespace fs = std::filesystem;
using namespace testrec;
using tidemark::testing::TempDir;

std::string repeatLines(StoreKind kind, int count)
{
    std::string bytes;
    for (int i = 1; i <= count; ++i) {
        Key k;
        k.race = std::string(1, static_cast<char>('0' + i / 10 % 10)) + static_cast<char>('0' + i % 10);
        bytes += withCrLf(line(kind, k));
    }
    return bytes;
}

TEST(RecordReader, MissingFileReadsAsEmpty)
{
    TempDir dir;
    std::vector<std::string> out{"stale"};
    EXPECT_FALSE(tryReadRecords(dir / "none.nvRA", StoreKind::RA, out));
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(readDayRaces(dir / "none.nvRA").empty());
    EXPECT_TRUE(readLines(dir / "none.nvO1", StoreKind::O1).empty());
}

TEST(RecordReader, ReadsFixedSizeRecordsAndIgnoresATrailingPart)
{
    TempDir dir;
    const fs::path file = dir / "x.nvHR";
    text::writeFileAtomic(file, repeatLines(StoreKind::HR, 3) + "HR0000");
    std::vector<std::string> out;
    EXPECT_TRUE(tryReadRecords(file, StoreKind::HR, out));
    ASSERT_EQ(out.size(), 3u);
    for (const auto& r : out) {
        EXPECT_EQ(r.size(), recordSize(StoreKind::HR));
        EXPECT_EQ(r.substr(r.size() - 2), "\r\n");
    }
    EXPECT_EQ(text::bytesAt(out[2], 26, 2), "03");

    auto lines = readLines(file, StoreKind::HR, 2);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].size(), lineLength(StoreKind::HR));

    // A file shorter than one record holds none.
    text::writeFileAtomic(file, "HR");
    EXPECT_TRUE(tryReadRecords(file, StoreKind::HR, out));
    EXPECT_TRUE(out.empty());
}

TEST(RecordReader, DayFilesAreReadUpToNinetySixRaces)
{
    TempDir dir;
    const fs::path ra = dir / "d.nvRA";
    text::writeFileAtomic(ra, repeatLines(StoreKind::RA, 100));
    EXPECT_EQ(readDayRaces(ra).size(), kMaxDayRaces);
    EXPECT_EQ(readRecords(ra, StoreKind::RA).size(), 100u);
    const fs::path hr = dir / "d.nvHR";
    text::writeFileAtomic(hr, repeatLines(StoreKind::HR, 97));
    EXPECT_EQ(readDayPayouts(hr).size(), kMaxDayRaces);
}

TEST(RecordReader, ReadsBackWhatTheWritersStored)
{
    TempDir dir;
    RecordStore store{StoreLayout(dir.path())};
    Key k;
    k.race = "02";
    const std::string horse = put(runner(k, "03"), 41, text::sj("ハルウララ"));
    store.storeSe(horse, Origin::Import);
    store.storeRa(line(StoreKind::RA, k), Origin::Import);

    const std::string label = text::sj("2024年01月15日");
    auto slots = readRunnerSlots(store.layout().seFile(label, "44"));
    ASSERT_EQ(slots.size(), kRunnerSlots);
    EXPECT_EQ(slots[*runnerSlot(2, 3)], withCrLf(horse));

    auto races = readDayRaces(store.layout().raFile(label));
    ASSERT_EQ(races.size(), 1u);
    EXPECT_EQ(text::bytesAt(races[0], 12, 16), k.key());
}

TEST(RecordReader, UnreadableFileIsAFileError)
{
    TempDir dir;
    fs::create_directories(dir / "d.nvRA");
    EXPECT_THROW(readDayRaces(dir / "d.nvRA"), text::FileError);
}

} // namespace
} // namespace tidemark::store
