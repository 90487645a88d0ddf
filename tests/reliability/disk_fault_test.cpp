// Writes that fail on the disk: a file system that fills up (the process's file-size
// limit makes every write beyond it fail as a full disk would) and a file that cannot
// be replaced. The operation ends with the platform's message and every file written
// before stays whole: its old content or its new one, never a part, and no temporary
// file is left behind.

#include "records/record_builder.h"
#include "results/specific_time_export.h"
#include "settings/ini_file.h"
#include "store/record_reader.h"
#include "store/record_store.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"
#include "text/cp932.h"
#include "text/file_io.h"
#include "tree_snapshot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <sys/resource.h>

namespace tidemark::reliability {
namespace {

namespace fs = std::filesystem;
using records::O1Builder;
using records::RaBuilder;
using records::SeBuilder;
using store::Origin;
using store::StoreKind;
using text::sj;

// Within its scope no file can grow beyond `bytes`: a write past it fails with EFBIG,
// like a write to a full disk, instead of stopping the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = SIG_DFL;
};

RaBuilder ra(int race) { return RaBuilder().date(2024, 1, 15).track("44").meeting(1).day(1).race(race).runners(12); }
SeBuilder se(int race, int horse)
{
    return SeBuilder().date(2024, 1, 15).track("44").meeting(1).day(1).race(race).horse(horse).horseName(sj("テスト"));
}
O1Builder o1(int race, int minute)
{
    O1Builder b;
    b.date(2024, 1, 15).track("44").meeting(1).day(1).race(race).announcement(1, 15, 10, minute).winSale('7').win(1, 3.5, 1);
    return b;
}

// Every store file is whole records of its kind and no temporary file is left.
void expectStoreWhole(const fs::path& data)
{
    for (const auto& e : fs::recursive_directory_iterator(data)) {
        if (e.is_directory())
            continue;
        const std::string ext = e.path().extension().string();
        StoreKind kind = StoreKind::RA;
        if (ext == ".nvSEr") kind = StoreKind::SE;
        else if (ext == ".nvHR") kind = StoreKind::HR;
        else if (ext == ".nvO1") kind = StoreKind::O1;
        else if (ext == ".nvO2") kind = StoreKind::O2;
        else
            ASSERT_EQ(ext, ".nvRA") << "left behind: " << e.path();
        EXPECT_EQ(fs::file_size(e.path()) % store::recordSize(kind), 0u) << e.path();
    }
}

class DiskFaultTest : public ::testing::Test {
protected:
    DiskFaultTest() : m_layout(m_dir.path()) { m_layout.createFolders(); }

    fs::path seFile() const { return m_layout.seFile(sj("2024年01月15日"), "44"); }
    fs::path raFile() const { return m_layout.raFile(sj("2024年01月15日")); }

    testing::TempDir m_dir;
    store::StoreLayout m_layout;
};

TEST_F(DiskFaultTest, AFullDiskEndsTheWriteWithThePlatformMessageAndKeepsTheOldFile)
{
    store::RecordStore store(m_layout);
    ASSERT_EQ(store.storeSe(se(1, 1).line(), Origin::Import), store::StoreOutcome::Stored);
    ASSERT_EQ(store.storeRa(ra(1).line(), Origin::Import), store::StoreOutcome::Stored);
    const TreeSnapshot before = TreeSnapshot::of(m_layout.dataFolder(), {});

    {
        // A runner file is 216 × 555 bytes; a race-card file of two races fits.
        FileSizeLimit full(20000);
        try {
            store.storeSe(se(2, 5).line(), Origin::Import);
            ADD_FAILURE() << "a write beyond the disk succeeded";
        } catch (const text::FileError& e) {
            EXPECT_NE(std::string(e.what()).find(text::systemMessage(EFBIG)), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(seFile().string()), std::string::npos) << e.what();
        }
        EXPECT_EQ(TreeSnapshot::of(m_layout.dataFolder(), {}).differences(before), std::vector<std::string>{});
        // A small file still goes in.
        EXPECT_EQ(store.storeRa(ra(2).line(), Origin::Import), store::StoreOutcome::Stored);
    }
    EXPECT_EQ(store::readLines(raFile(), StoreKind::RA).size(), 2u);
    // With room again the same record is stored, and the earlier slot is still there.
    ASSERT_EQ(store.storeSe(se(2, 5).line(), Origin::Import), store::StoreOutcome::Stored);
    const auto slots = store::readLines(seFile(), StoreKind::SE);
    ASSERT_EQ(slots.size(), store::kRunnerSlots);
    EXPECT_EQ(slots[0], se(1, 1).line());
    EXPECT_EQ(slots[18 + 4], se(2, 5).line());
    expectStoreWhole(m_layout.dataFolder());
}

TEST_F(DiskFaultTest, ABatchThatHitsAFullDiskStillWritesEveryOtherFileWhole)
{
    store::RecordStore store(m_layout);
    {
        store::StoreBatch batch(store);
        for (int race = 1; race <= 3; ++race) {
            store.storeRa(ra(race).line(), Origin::Import);
            store.storeSe(se(race, 1).line(), Origin::Import);
            store.storeHr(records::HrBuilder().date(2024, 1, 15).track("44").meeting(1).day(1).race(race).win(1, 1, 150, 1).line(),
                          Origin::Import);
        }
        FileSizeLimit full(20000);
        EXPECT_THROW(batch.commit(), text::FileError);
    }
    // The race cards and payouts fitted; the runner file did not and is not there at all.
    EXPECT_EQ(store::readLines(raFile(), StoreKind::RA).size(), 3u);
    EXPECT_EQ(store::readLines(m_layout.hrFile(sj("2024年01月15日")), StoreKind::HR).size(), 3u);
    EXPECT_FALSE(fs::exists(seFile()));
    expectStoreWhole(m_layout.dataFolder());
}

TEST_F(DiskFaultTest, AnOddsSeriesThatDoesNotFitLeavesThePreviousSeries)
{
    store::RecordStore store(m_layout);
    std::vector<std::string> first, longer;
    for (int m = 0; m < 10; ++m)
        first.push_back(o1(1, m).line());
    for (int m = 0; m < 50; ++m)
        longer.push_back(o1(1, m).line());
    ASSERT_TRUE(store.storeOdds(StoreKind::O1, first).written);
    const fs::path file = *m_layout.fileOf(StoreKind::O1, first.front());
    const std::string old = text::readFile(file);
    {
        FileSizeLimit full(20000);
        EXPECT_THROW(store.storeOdds(StoreKind::O1, longer), text::FileError);
    }
    EXPECT_EQ(text::readFile(file), old);
    expectStoreWhole(m_layout.dataFolder());
    // An odds folder that cannot be made (a file stands in its place) fails the same way.
    text::writeFileAtomic(m_layout.dataFolder() / "20240116", "not a folder");
    std::vector<std::string> nextDay{o1(1, 0).date(2024, 1, 16).line()};
    EXPECT_THROW(store.storeOdds(StoreKind::O1, nextDay), text::FileError);
    EXPECT_EQ(text::readFile(m_layout.dataFolder() / "20240116"), "not a folder");
}

TEST_F(DiskFaultTest, ANewOddsFolderAndTheFileInItAreFlushedInTheirFolders)
{
    store::RecordStore store(m_layout);
    std::vector<std::pair<text::DiskStep, fs::path>> steps;
    text::setDiskStepHookForTesting([&](text::DiskStep step, const fs::path& p) {
        steps.emplace_back(step, p);
        return 0;
    });
    std::vector<std::string> series{o1(1, 20).line()};
    const bool written = store.storeOdds(StoreKind::O1, series).written;
    text::setDiskStepHookForTesting({});
    ASSERT_TRUE(written);
    const fs::path folder = m_layout.dataFolder() / "20240115";
    const fs::path file = *m_layout.fileOf(StoreKind::O1, series.front());
    using S = text::DiskStep;
    const std::vector<std::pair<text::DiskStep, fs::path>> expected{
        {S::MakeFolder, folder}, {S::SyncFolder, m_layout.dataFolder()}, {S::CreateTemp, file},
        {S::WriteTemp, file},    {S::SyncTemp, file},                    {S::Rename, file},
        {S::SyncFolder, folder}};
    EXPECT_EQ(steps, expected);

    // A folder flush the disk refuses ends the next write with the platform's message;
    // the file already holds its new series, whole.
    std::vector<std::string> longer{o1(1, 20).line(), o1(1, 21).line()};
    text::setDiskStepHookForTesting([](text::DiskStep step, const fs::path&) { return step == S::SyncFolder ? EIO : 0; });
    try {
        store.storeOdds(StoreKind::O1, longer);
        ADD_FAILURE() << "a write whose folder was not flushed was reported done";
    } catch (const text::FileError& e) {
        EXPECT_NE(std::string(e.what()).find(text::systemMessage(EIO)), std::string::npos) << e.what();
    }
    text::setDiskStepHookForTesting({});
    EXPECT_EQ(store::readLines(file, StoreKind::O1).size(), 2u);
    expectStoreWhole(m_layout.dataFolder());
}

TEST_F(DiskFaultTest, ABatchFlushesItsFolderOnceAfterAllItsRenames)
{
    store::RecordStore store(m_layout);
    store.beginBatch();
    store.storeRa(ra(1).line(), Origin::Import);
    store.storeSe(se(1, 1).line(), Origin::Import);
    store.storeHr(records::HrBuilder().date(2024, 1, 15).track("44").meeting(1).day(1).race(1).win(1, 1, 150, 1).line(),
                  Origin::Import);
    std::vector<text::DiskStep> steps;
    std::vector<fs::path> flushed;
    text::setDiskStepHookForTesting([&](text::DiskStep step, const fs::path& p) {
        steps.push_back(step);
        if (step == text::DiskStep::SyncFolder)
            flushed.push_back(p);
        return 0;
    });
    store.flushAllOrNone();
    store.endBatch();
    text::setDiskStepHookForTesting({});
    ASSERT_EQ(std::count(steps.begin(), steps.end(), text::DiskStep::Rename), 3);
    EXPECT_EQ(flushed, std::vector<fs::path>{m_layout.dataFolder()});
    EXPECT_EQ(steps.back(), text::DiskStep::SyncFolder) << "the folder is flushed after the last rename";
    expectStoreWhole(m_layout.dataFolder());

    // A folder flush the disk refuses is the batch's error, and names a file of that folder.
    store.beginBatch();
    store.storeRa(ra(2).line(), Origin::Import);
    text::setDiskStepHookForTesting([](text::DiskStep step, const fs::path&) { return step == text::DiskStep::SyncFolder ? EIO : 0; });
    EXPECT_THROW(store.flushAllOrNone(), text::FileError);
    text::setDiskStepHookForTesting({});
    store.endBatch();
    EXPECT_EQ(store.failedFile(), raFile());
    EXPECT_EQ(store::readLines(raFile(), StoreKind::RA).size(), 2u);
}

TEST_F(DiskFaultTest, AnExportFileThatCannotBeWrittenStopsTheExportAndKeepsTheFilesBefore)
{
    store::RecordStore store(m_layout);
    std::vector<std::string> series{o1(1, 20).line()};
    store.storeOdds(StoreKind::O1, series);
    results::ExportDay day;
    day.slotRaceCards = {ra(1).startTime("1040").line()};
    day.listedRaces = 1;
    // The bracket-quinella file is third; a folder of its name cannot be replaced by a file.
    fs::create_directories(m_layout.csvFolder() / "WAK20240115OZ.CSV");
    testing::RecordingHost host;
    const results::ExportResult result = results::runSpecificTimeExport(m_layout, day, {}, host);
    EXPECT_EQ(result.failure, results::ExportFailure::File);
    EXPECT_NE(result.message.find(text::fromUtf8(text::systemMessage(EISDIR))), std::string::npos) << result.message;
    ASSERT_EQ(result.written.size(), 2u);
    for (const fs::path& p : result.written) {
        const std::string bytes = text::readFile(p);
        ASSERT_GE(bytes.size(), 2u);
        EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n") << p;
    }
    EXPECT_FALSE(fs::exists(m_layout.csvFolder() / "UMA20240115OZ.CSV"));
    for (const auto& e : fs::directory_iterator(m_layout.csvFolder()))
        EXPECT_EQ(e.path().extension(), ".CSV") << "left behind: " << e.path();
}

TEST_F(DiskFaultTest, ASettingThatDoesNotFitKeepsTheSettingsFile)
{
    IniFile ini(m_dir / "Tidemark2NV.ini");
    ini.writeInteger("Time", "First", 930);
    const std::string old = text::readFile(ini.path());
    {
        FileSizeLimit full(old.size() + 10);
        EXPECT_THROW(ini.writeString("Text", "Long", std::string(200, 'x')), text::FileError);
    }
    EXPECT_EQ(text::readFile(ini.path()), old);
    EXPECT_EQ(ini.readInteger("Time", "First", 0), 930);
    for (const auto& e : fs::directory_iterator(m_dir.path()))
        EXPECT_NE(e.path().extension(), ".tmp~") << "left behind: " << e.path();
}

} // namespace
} // namespace tidemark::reliability
