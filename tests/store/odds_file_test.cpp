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
    Key m_key;
};

TEST_F(OddsFileTest, ReplacesTheRaceSeriesSortedWithDataKindZeroed)
{
    // Announcements arrive in any order; the date folder does not exist yet.
    const std::vector<std::string> records{
        withCrLf(odds(StoreKind::O1, m_key, "01151030", '3')),
        odds(StoreKind::O1, m_key, "01150930", '1'),
        odds(StoreKind::O1, m_key, "01151000", '2'),
    };
    OddsWriteResult r = m_store.storeOdds(StoreKind::O1, records);
    EXPECT_TRUE(r.written);
    EXPECT_EQ(r.file, o1File());
    EXPECT_EQ(r.kept, 3);
    EXPECT_EQ(r.refused(), 0);

    auto lines = readLines(o1File(), StoreKind::O1);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(text::bytesAt(lines[0], 28, 8), "01150930");
    EXPECT_EQ(text::bytesAt(lines[1], 28, 8), "01151000");
    EXPECT_EQ(text::bytesAt(lines[2], 28, 8), "01151030");
    for (const auto& l : lines)
        EXPECT_EQ(l[2], '0');

    // The next fetch replaces the whole series with what the service returned.
    const std::vector<std::string> next{odds(StoreKind::O1, m_key, "01151100")};
    m_store.storeOdds(StoreKind::O1, next);
    lines = readLines(o1File(), StoreKind::O1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(text::bytesAt(lines[0], 28, 8), "01151100");
}

TEST_F(OddsFileTest, CancelledOrDeletedOnlyLeavesTheFileUntouched)
{
    const std::vector<std::string> first{odds(StoreKind::O1, m_key, "01150930")};
    m_store.storeOdds(StoreKind::O1, first);
    const std::string before = text::readFile(o1File());

    Key noRace = m_key;
    noRace.race = "00";
    const std::vector<std::string> unusable{
        odds(StoreKind::O1, m_key, "01151000", '9'),
        odds(StoreKind::O1, m_key, "01151010", '0'),
        odds(StoreKind::O1, noRace, "01151020", '1'),
    };
    OddsWriteResult r = m_store.storeOdds(StoreKind::O1, unusable);
    EXPECT_FALSE(r.written);
    EXPECT_TRUE(r.file.empty());
    EXPECT_EQ(r.dropped, 3);
    EXPECT_EQ(text::readFile(o1File()), before);

    // A race cancelled before any odds were stored gets no file and no date folder.
    Key other = m_key;
    other.date = "20240116";
    const std::vector<std::string> cancelled{odds(StoreKind::O1, other, "01160930", '9')};
    EXPECT_FALSE(m_store.storeOdds(StoreKind::O1, cancelled).written);
    EXPECT_FALSE(fs::exists(m_dir / "Data" / "20240116"));
    EXPECT_FALSE(m_store.storeOdds(StoreKind::O1, std::vector<std::string>{}).written);
}

TEST_F(OddsFileTest, FaultyRecordsAreRefusedWhileTheRestIsStored)
{
    Key otherRace = m_key;
    otherRace.race = "02";
    Key badDate = m_key;
    badDate.date = "2024-1-1";
    const std::string good = odds(StoreKind::O2, m_key, "01150930");
    const std::vector<std::string> records{
        good.substr(0, 2039),                           // short
        odds(StoreKind::O1, m_key, "01150930"),          // an O1 among O2 records
        odds(StoreKind::O2, badDate, "01150930"),        // not a date
        good,
        odds(StoreKind::O2, otherRace, "01150940"),      // another race's series
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
    EXPECT_FALSE(fs::exists(m_dir / "Data" / "20240115" / "44010202.nvO2"));
    // Only the date folder of the race was created.
    std::vector<fs::path> created;
    for (const auto& entry : fs::directory_iterator(m_dir / "Data"))
        created.push_back(entry.path().filename());
    EXPECT_EQ(created, std::vector<fs::path>{"20240115"});
}

TEST_F(OddsFileTest, SortIgnoresLetterCase)
{
    const std::vector<std::string> records{
        put(odds(StoreKind::O1, m_key, "01150930"), 36, "C"),
        put(odds(StoreKind::O1, m_key, "01150930"), 36, "b"),
    };
    m_store.storeOdds(StoreKind::O1, records);
    auto lines = readLines(o1File(), StoreKind::O1);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0][35], 'b');
    EXPECT_EQ(lines[1][35], 'C');
}

TEST_F(OddsFileTest, UnwritableDateFolderIsAFileError)
{
    text::writeFileAtomic(m_dir / "Data" / "20240115", "not a folder");
    const std::vector<std::string> records{odds(StoreKind::O1, m_key, "01150930")};
    EXPECT_THROW(m_store.storeOdds(StoreKind::O1, records), text::FileError);
}

} // namespace
} // namespace tidemark::store
