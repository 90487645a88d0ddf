// What a power cut must not undo: a replaced file is flushed, renamed over its target,
// and then the folder holding it is flushed, so the new entry itself is on disk; a
// folder made for a file is flushed in its parent. The disk-step seam records the
// steps and fails one of them as the disk would.

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "support/temp_dir.h"
#include "text/file_io.h"

namespace {

namespace fs = std::filesystem;
using tidemark::text::DiskStep;
using tidemark::text::FileError;

struct Step {
    DiskStep step;
    fs::path path;
    bool operator==(const Step&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Step& s)
{
    return os << static_cast<int>(s.step) << " " << s.path;
}

// Records every disk step; fails the `failAt`-th one (from 1) of kind `failStep` with `err`.
class StepRecorder {
public:
    explicit StepRecorder(DiskStep failStep = DiskStep::CreateTemp, int failAt = 0, int err = 0)
    {
        tidemark::text::setDiskStepHookForTesting([this, failStep, failAt, err](DiskStep step, const fs::path& p) {
            steps.push_back({step, p});
            if (step == failStep && ++m_seen == failAt)
                return err;
            return 0;
        });
    }
    ~StepRecorder() { tidemark::text::setDiskStepHookForTesting({}); }
    StepRecorder(const StepRecorder&) = delete;
    StepRecorder& operator=(const StepRecorder&) = delete;

    std::vector<Step> steps;

private:
    int m_seen = 0;
};

std::vector<fs::path> entries(const fs::path& folder)
{
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(folder))
        out.push_back(e.path().filename());
    return out;
}

TEST(FileIoDurability, AReplacedFileIsFlushedThenRenamedThenItsFolderFlushed)
{
    tidemark::testing::TempDir dir;
    const fs::path file = dir / "day.nvRA";
    StepRecorder rec;
    tidemark::text::writeFileAtomic(file, "new");
    const std::vector<Step> expected{{DiskStep::CreateTemp, file}, {DiskStep::WriteTemp, file},
                                     {DiskStep::SyncTemp, file},   {DiskStep::Rename, file},
                                     {DiskStep::SyncFolder, dir.path()}};
    EXPECT_EQ(rec.steps, expected);

    // In steps (the batch writer): the flush may come later, the folder flush still
    // follows the rename.
    rec.steps.clear();
    const fs::path tmp = tidemark::text::prepareFileAtomic(file, "newer", false);
    tidemark::text::flushPrepared(tmp, file);
    tidemark::text::commitFileAtomic(tmp, file);
    const std::vector<Step> inSteps{{DiskStep::CreateTemp, file}, {DiskStep::WriteTemp, file},
                                    {DiskStep::SyncTemp, file},   {DiskStep::Rename, file},
                                    {DiskStep::SyncFolder, dir.path()}};
    EXPECT_EQ(rec.steps, inSteps);
    EXPECT_EQ(tidemark::text::readFile(file), "newer");
}

TEST(FileIoDurability, AFolderFlushThatFailsIsReportedAndTheFileIsWholeAndNew)
{
    tidemark::testing::TempDir dir;
    const fs::path file = dir / "day.nvHR";
    tidemark::text::writeFileAtomic(file, "old");
    StepRecorder rec(DiskStep::SyncFolder, 1, EIO);
    try {
        tidemark::text::writeFileAtomic(file, "new bytes");
        ADD_FAILURE() << "a failed folder flush was taken for a durable write";
    } catch (const FileError& e) {
        const std::string what = e.what();
        EXPECT_NE(what.find(file.string()), std::string::npos) << what;
        EXPECT_NE(what.find(tidemark::text::systemMessage(EIO)), std::string::npos) << what;
    }
    // The rename had happened: the file is its new content, whole, and nothing else is left.
    EXPECT_EQ(tidemark::text::readFile(file), "new bytes");
    EXPECT_EQ(entries(dir.path()), std::vector<fs::path>{"day.nvHR"});
}

TEST(FileIoDurability, EveryStepThatFailsKeepsTheOldFileOrGivesTheNewOneWhole)
{
    for (DiskStep failing : {DiskStep::CreateTemp, DiskStep::WriteTemp, DiskStep::SyncTemp, DiskStep::Rename,
                             DiskStep::SyncFolder}) {
        tidemark::testing::TempDir dir;
        const fs::path file = dir / "a.nvO1";
        tidemark::text::writeFileAtomic(file, "old");
        StepRecorder rec(failing, 1, ENOSPC);
        EXPECT_THROW(tidemark::text::writeFileAtomic(file, "new"), FileError) << static_cast<int>(failing);
        const std::string now = tidemark::text::readFile(file);
        EXPECT_EQ(now, failing == DiskStep::SyncFolder ? "new" : "old") << static_cast<int>(failing);
        EXPECT_EQ(entries(dir.path()), std::vector<fs::path>{"a.nvO1"}) << "left behind, step "
                                                                        << static_cast<int>(failing);
    }
}

TEST(FileIoDurability, NewFoldersAreFlushedInTheirParentsOutermostFirst)
{
    tidemark::testing::TempDir dir;
    fs::create_directory(dir / "Data");
    const fs::path deep = dir / "Data" / "20240115" / "x";
    {
        StepRecorder rec;
        tidemark::text::ensureDirectory(deep);
        const std::vector<Step> expected{{DiskStep::MakeFolder, dir / "Data" / "20240115"},
                                         {DiskStep::SyncFolder, dir / "Data"},
                                         {DiskStep::MakeFolder, deep},
                                         {DiskStep::SyncFolder, dir / "Data" / "20240115"}};
        EXPECT_EQ(rec.steps, expected);
        EXPECT_TRUE(fs::is_directory(deep));
        // A folder that is there already costs no step.
        rec.steps.clear();
        tidemark::text::ensureDirectory(deep);
        EXPECT_TRUE(rec.steps.empty());
    }
    // A folder that cannot be made is reported with the platform's message and its path.
    StepRecorder failing(DiskStep::MakeFolder, 1, EROFS);
    try {
        tidemark::text::ensureDirectory(dir / "Data" / "20240116");
        ADD_FAILURE() << "no error";
    } catch (const FileError& e) {
        const std::string what = e.what();
        EXPECT_NE(what.find("20240116"), std::string::npos) << what;
        EXPECT_NE(what.find(tidemark::text::systemMessage(EROFS)), std::string::npos) << what;
    }
    EXPECT_FALSE(fs::exists(dir / "Data" / "20240116"));
}

TEST(FileIoDurability, AFolderThatMayNotBeReadStillTakesItsFiles)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind the superuser";
    tidemark::testing::TempDir dir;
    const fs::path folder = dir / "wx";
    fs::create_directory(folder);
    ASSERT_EQ(::chmod(folder.c_str(), 0300), 0);
    // The folder cannot be opened to be flushed; the write itself must not fail for it.
    EXPECT_NO_THROW(tidemark::text::writeFileAtomic(folder / "f", "bytes"));
    ::chmod(folder.c_str(), 0700);
    EXPECT_EQ(tidemark::text::readFile(folder / "f"), "bytes");
}

} // namespace
