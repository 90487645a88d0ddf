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
using tidemark::testing::TempDir;

class OddsFileTest : public ::testing::Test {
protected:
    OddsFileTest() : m_store(StoreLayout(m_dir.path())) { m_store.layout().createFolders(); }

    fs::path o1File() const { return m_dir / "Data" / "20240115" / "44010201.nvO1"; }

    TempDir m_dir;
    RecordStore m_store;
};

TEST_F(OddsFileTest, ReplacesTheRaceSeriesSortedWithDataKindZeroed)
{
    // Announcements arrive in any order; the date folder does not exist yet.
    const std::vector<std::string> records{
        winOdds(1, "01151030").dataKind('3').win(1, 3.5, 1).build(),
        winOdds(1, "01150930").dataKind('1').win(1, 4.2, 2).line(),
        winOdds(1, "01151000").dataKind('2').win(1, 3.9, 1).line(),
    };
    OddsWriteResult r = m_store.storeOdds(StoreKind::O1, records);
    EXPECT_TRUE(r.written);
    EXPECT_EQ(r.file, o1File());
    EXPECT_EQ(r.kept, 3);
    EXPECT_EQ(r.dropped, 0);
    EXPECT_EQ(r.refused(), 0);

    auto lines = readLines(o1File(), StoreKind::O1);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(text::bytesAt(lines[0], 28, 8), "01150930");
    EXPECT_EQ(text::bytesAt(lines[1], 28, 8), "01151000");
    EXPECT_EQ(text::bytesAt(lines[2], 28, 8), "01151030");
    for (const auto& l : lines)
        EXPECT_EQ(l[2], '0');
    EXPECT_EQ(lines[0].substr(3), records[1].substr(3));

    // The next fetch replaces the whole series with what the service returned.
    const std::vector<std::string> next{winOdds(1, "01151100").line()};
    m_store.storeOdds(StoreKind::O1, next);
    lines = readLines(o1File(), StoreKind::O1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(text::bytesAt(lines[0], 28, 8), "01151100");
}

TEST_F(OddsFileTest, CancelledOrDeletedOnlyLeavesTheFileUntouched)
{
    const std::vector<std::string> first{winOdds(1, "01150930").line()};
    m_store.storeOdds(StoreKind::O1, first);
    const std::string before = text::readFile(o1File());

    const std::vector<std::string> unusable{
        winOdds(1, "01151000").dataKind('9').line(), // race cancelled
        winOdds(1, "01151010").dataKind('0').line(), // deleted
        winOdds(0, "01151020").line(),               // no race number
        winOdds(1, "01151020").set(26, "  ").line(),
    };
    OddsWriteResult r = m_store.storeOdds(StoreKind::O1, unusable);
    EXPECT_FALSE(r.written);
    EXPECT_TRUE(r.file.empty());
    EXPECT_EQ(r.dropped, 4);
    EXPECT_EQ(text::readFile(o1File()), before);

    // A race cancelled before any odds were stored gets no file and no date folder.
    const std::vector<std::string> cancelled{winOdds(1, "01160930").date(2024, 1, 16).dataKind('9').line()};
    EXPECT_FALSE(m_store.storeOdds(StoreKind::O1, cancelled).written);
    EXPECT_FALSE(fs::exists(m_dir / "Data" / "20240116"));
    EXPECT_FALSE(m_store.storeOdds(StoreKind::O1, std::vector<std::string>{}).written);
}

TEST_F(OddsFileTest, FaultyRecordsAreRefusedWhileTheRestIsStored)
{
    const std::string good = quinellaOdds(1, "01150930").quinella(1, 12.5, 3).line();
    const std::vector<std::string> records{
        good.substr(0, 2039),                                        // short
        winOdds(1, "01150930").line(),                               // an O1 among O2 records
        quinellaOdds(1, "01150930").set(12, "2024-1-1").line(),      // not a date
        good,
        quinellaOdds(2, "01150940").line(),                          // another race's series
    };
    OddsWriteResult r = m_store.storeOdds(StoreKind::O2, records);
    EXPECT_TRUE(r.written);
    EXPECT_EQ(r.file, m_dir / "Data" / "20240115" / "44010201.nvO2");
    EXPECT_EQ(r.kept, 1);
    EXPECT_EQ(r.badLine, 1);
    EXPECT_EQ(r.wrongKind, 1);
    EXPECT_EQ(r.unsafeKey, 1);
    EXPECT_EQ(r.otherRace, 1);
    EXPECT_EQ(r.refused(), 4);
    EXPECT_EQ(fs::file_size(r.file), recordSize(StoreKind::O2));
    // Only the date folder of the race was created, holding only its file.
    std::vector<fs::path> created;
    for (const auto& entry : fs::recursive_directory_iterator(m_dir / "Data"))
        created.push_back(fs::relative(entry.path(), m_dir / "Data"));
    EXPECT_EQ(created, (std::vector<fs::path>{"20240115", fs::path("20240115") / "44010201.nvO2"}));
}

TEST_F(OddsFileTest, SortIgnoresLetterCase)
{
    // Same announcement; the lines first differ at byte 36.
    const std::vector<std::string> records{
        winOdds(1, "01150930").set(36, "C").line(),
        winOdds(1, "01150930").set(36, "b").line(),
        winOdds(1, "01150930").set(36, "a").line(),
    };
    m_store.storeOdds(StoreKind::O1, records);
    auto lines = readLines(o1File(), StoreKind::O1);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(std::string() + lines[0][35] + lines[1][35] + lines[2][35], "abC");
}

TEST_F(OddsFileTest, UnwritableDateFolderIsAFileError)
{
    text::writeFileAtomic(m_dir / "Data" / "20240115", "not a folder");
    const std::vector<std::string> records{winOdds(1, "01150930").line()};
    EXPECT_THROW(m_store.storeOdds(StoreKind::O1, records), text::FileError);
    EXPECT_EQ(text::readFile(m_dir / "Data" / "20240115"), "not a folder");
}

} // namespace
} // namespace tidemark::store
