#include "store/store_layout.h"

#include "records/record_builder.h"
#include "support/temp_dir.h"
#include "text/cp932.h"
#include "text/file_io.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace tidemark::store {
namespace {

namespace fs = std::filesystem;
using text::sj;
using tidemark::testing::TempDir;

TEST(DayLabel, IsFourteenCp932BytesAndRoundTrips)
{
    auto label = dayLabelOfDate("20240115");
    ASSERT_TRUE(label);
    EXPECT_EQ(*label, sj("2024年01月15日"));
    EXPECT_EQ(label->size(), 14u);
    EXPECT_EQ(dateOfDayLabel(*label), "20240115");

    std::string record(40, ' ');
    record.replace(11, 8, "20231231");
    EXPECT_EQ(dayLabelOf(record), sj("2023年12月31日"));

    EXPECT_FALSE(dayLabelOfDate("2024011"));
    EXPECT_FALSE(dayLabelOfDate("2024 115"));
    EXPECT_FALSE(dayLabelOf("RA1"));
    EXPECT_FALSE(dateOfDayLabel(sj("2024年01月15")));
    EXPECT_FALSE(dateOfDayLabel(sj("2024/01/15日日")));
}

TEST(DayLabel, ComesFromTheFirstFourteenCp932BytesOfTheName)
{
    EXPECT_EQ(dayLabelOfFileName(text::pathFromUtf8("2024年01月15日.nvRA")), sj("2024年01月15日"));
    EXPECT_EQ(dayLabelOfFileName(fs::path("x") / text::pathFromUtf8("2024年01月15日大井.nvSEr")), sj("2024年01月15日"));
    EXPECT_EQ(dayLabelOfFileName("a.nvRA"), "a.nvRA");
}

TEST(StoreLayout, NamesDayFilesInUtf8AndOddsFilesByRaceKey)
{
    StoreLayout layout("/prog");
    const std::string label = sj("2024年01月15日");
    EXPECT_EQ(layout.raFile(label), text::pathFromUtf8("/prog/Data/2024年01月15日.nvRA"));
    EXPECT_EQ(layout.hrFile(label), text::pathFromUtf8("/prog/Data/2024年01月15日.nvHR"));
    EXPECT_EQ(layout.seFile(label, "44"), text::pathFromUtf8("/prog/Data/2024年01月15日大井.nvSEr"));
    EXPECT_EQ(layout.seFile(label, "48"), text::pathFromUtf8("/prog/Data/2024年01月15日名古.nvSEr"));
    // An unlisted track code names the file with four half-width blanks.
    EXPECT_EQ(layout.seFile(label, "99"), text::pathFromUtf8("/prog/Data/2024年01月15日    .nvSEr"));
    EXPECT_EQ(layout.oddsFile(StoreKind::O1, "2024011544010203"),
              fs::path("/prog/Data/20240115/44010203.nvO1"));
    EXPECT_EQ(layout.oddsFile(StoreKind::O2, "2024011544010203"),
              fs::path("/prog/Data/20240115/44010203.nvO2"));
    EXPECT_EQ(layout.csvFolder(), fs::path("/prog/CSV"));
}

TEST(StoreLayout, RecordsNameTheirFilesOnlyWithAStorableKey)
{
    StoreLayout layout("/prog");
    const std::string blankSlot(recordSize(StoreKind::RA), ' ');
    EXPECT_FALSE(layout.fileOf(StoreKind::RA, blankSlot));
    EXPECT_FALSE(layout.fileOf(StoreKind::O1, blankSlot));
    EXPECT_FALSE(layout.fileOf(StoreKind::SE, records::SeBuilder().date(2024, 1, 15).track("4/").meeting(1).day(1).race(1).line()));
    EXPECT_FALSE(layout.fileOf(StoreKind::O1, "RA1000000002024011545")); // cut short

    const std::string ra = records::RaBuilder().date(2024, 1, 15).track("45").meeting(3).day(7).race(12).build();
    EXPECT_EQ(layout.fileOf(StoreKind::RA, ra), text::pathFromUtf8("/prog/Data/2024年01月15日.nvRA"));
    EXPECT_EQ(layout.fileOf(StoreKind::HR, ra), text::pathFromUtf8("/prog/Data/2024年01月15日.nvHR"));
    EXPECT_EQ(layout.fileOf(StoreKind::SE, ra), text::pathFromUtf8("/prog/Data/2024年01月15日川崎.nvSEr"));
    // The odds files of a race come from its race card.
    EXPECT_EQ(layout.fileOf(StoreKind::O1, ra), fs::path("/prog/Data/20240115/45030712.nvO1"));
    EXPECT_EQ(layout.fileOf(StoreKind::O2, ra), fs::path("/prog/Data/20240115/45030712.nvO2"));
}

TEST(StoreLayout, RefusesNamesThatCouldLeaveTheStore)
{
    StoreLayout layout("/prog");
    EXPECT_THROW(layout.raFile("../../etc/x"), std::invalid_argument);
    EXPECT_THROW(layout.oddsFile(StoreKind::O1, "20240115/4010203"), std::invalid_argument);
    EXPECT_THROW(layout.oddsFile(StoreKind::O1, "202401154401020"), std::invalid_argument);
    EXPECT_THROW(layout.oddsFile(StoreKind::RA, "2024011544010203"), std::invalid_argument);
    EXPECT_THROW(layout.oddsFolder("2024.115"), std::invalid_argument);
}

TEST(StoreFolders, StartUpCreatesDataAndCsv)
{
    TempDir dir;
    StoreLayout layout(dir.path());
    layout.createFolders();
    EXPECT_TRUE(fs::is_directory(dir / "Data"));
    EXPECT_TRUE(fs::is_directory(dir / "CSV"));
    layout.createFolders(); // already there: nothing to do
    EXPECT_EQ(layout.dataFolder(), dir / "Data");
}

TEST(StoreFolders, AnotherSpellingOfDataIsTheSameFolder)
{
    TempDir dir;
    fs::create_directories(dir / "DATA");
    fs::create_directories(dir / "csv");
    StoreLayout layout(dir.path());
    // Compared as folders on the disk: where names ignore case (Windows) "Data" is "DATA".
    EXPECT_TRUE(fs::equivalent(layout.dataFolder(), dir / "DATA"));
    EXPECT_TRUE(fs::equivalent(layout.csvFolder(), dir / "csv"));
    layout.createFolders();
    int folders = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path()))
        ++folders;
    EXPECT_EQ(folders, 2) << "no second spelling made beside the existing folders";
    EXPECT_EQ(layout.raFile(sj("2024年01月15日")).parent_path().filename(), layout.dataFolder().filename());
    EXPECT_TRUE(fs::equivalent(layout.raFile(sj("2024年01月15日")).parent_path(), dir / "DATA"));
}

TEST(StoreFolders, DayListingIsEveryNvRaFileInNameOrder)
{
    TempDir dir;
    StoreLayout layout(dir.path());
    EXPECT_TRUE(layout.dayLabels().empty()); // no store folder yet

    layout.createFolders();
    for (const char* name : {"2024年01月15日.nvRA", "2023年12月31日.nvRA", "2024年01月14日.NVRA",
                             "2024年01月15日.nvHR", "2024年01月15日大井.nvSEr",
                             "2024年01月16日.nvRA.tmp~"})
        text::writeFileAtomic(dir / "Data" / text::pathFromUtf8(name), "");
    fs::create_directories(dir / "Data" / text::pathFromUtf8("2024年01月17日.nvRA")); // a folder is no day file
    fs::create_directories(dir / "Data" / "20240115");

    const std::vector<std::string> expected{sj("2023年12月31日"), sj("2024年01月14日"), sj("2024年01月15日")};
    EXPECT_EQ(layout.dayLabels(), expected);
    ASSERT_EQ(layout.dayFiles().size(), 3u);
    EXPECT_EQ(layout.dayFiles().back(), dir / "Data" / text::pathFromUtf8("2024年01月15日.nvRA"));
}

TEST(StoreFolders, UnreadableStoreFolderIsAFileErrorNotAnEmptyList)
{
    TempDir dir;
    text::writeFileAtomic(dir / "Data", "a file where the store folder belongs");
    EXPECT_THROW(StoreLayout(dir.path()).dayLabels(), text::FileError);
    EXPECT_THROW(StoreLayout(dir.path()).createFolders(), text::FileError);
}

} // namespace
} // namespace tidemark::store
