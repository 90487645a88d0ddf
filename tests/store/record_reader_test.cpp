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

// `count` race cards (or payouts) of races 1, 2, ... as a day file holds them.
template <class Builder>
std::string dayFile(int count)
{
    std::string bytes;
    for (int race = 1; race <= count; ++race)
        bytes += onDay(Builder(), "44", race).build();
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
    text::writeFileAtomic(file, dayFile<HrBuilder>(3) + "HR0000");
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
    text::writeFileAtomic(ra, dayFile<RaBuilder>(100));
    EXPECT_EQ(readDayRaces(ra).size(), kMaxDayRaces);
    EXPECT_EQ(readRecords(ra, StoreKind::RA).size(), 100u);
    const fs::path hr = dir / "d.nvHR";
    text::writeFileAtomic(hr, dayFile<HrBuilder>(97));
    EXPECT_EQ(readDayPayouts(hr).size(), kMaxDayRaces);
}

TEST(RecordReader, ReadsBackWhatTheWritersStored)
{
    TempDir dir;
    RecordStore store{StoreLayout(dir.path())};
    const std::string horse = runner("44", 2, 3).horseName(text::sj("ハルウララ")).build();
    store.storeSe(horse, Origin::Import);
    store.storeRa(raceCard("44", 2).line(), Origin::Import);

    const std::string label = text::sj("2024年01月15日");
    auto slots = readRunnerSlots(store.layout().seFile(label, "44"));
    ASSERT_EQ(slots.size(), kRunnerSlots);
    EXPECT_EQ(slots[*runnerSlot(2, 3)], horse);

    auto races = readDayRaces(store.layout().raFile(label));
    ASSERT_EQ(races.size(), 1u);
    EXPECT_EQ(text::bytesAt(races[0], 12, 16), "2024011544010202");
}

TEST(RecordReader, UnreadableFileIsAFileError)
{
    TempDir dir;
    fs::create_directories(dir / "d.nvRA");
    EXPECT_THROW(readDayRaces(dir / "d.nvRA"), text::FileError);
}

} // namespace
} // namespace tidemark::store
