// The two file tools of a long writer: a file written in pieces and put in place whole
// (nothing of it left when it is not finished), and the lock one writer holds at a time
// (taken again once given up, or when its file was left by a holder that died).

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/temp_dir.h"
#include "text/file_io.h"
#include "text/file_lock.h"

namespace tidemark::text {
namespace {

namespace fs = std::filesystem;

int entries(const fs::path& folder)
{
    int n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder))
        ++n;
    return n;
}

TEST(StreamedFile, PiecesAppearWholeOnCommitAndNothingIsLeftOtherwise)
{
    testing::TempDir dir;
    const fs::path target = dir / "win_place.csv";
    writeFileAtomic(target, "old");
    {
        StreamedFile f(target);
        f.append("race_key\r\n");
        f.append("2024010144030101\r\n");
        EXPECT_EQ(readFile(target), "old");
        f.finish();
        f.commit();
    }
    EXPECT_EQ(readFile(target), "race_key\r\n2024010144030101\r\n");
    EXPECT_EQ(entries(dir.path()), 1);

    {
        StreamedFile f(target); // given up without a commit: the target as it was
        f.append("half a day");
    }
    EXPECT_EQ(readFile(target), "race_key\r\n2024010144030101\r\n");
    EXPECT_EQ(entries(dir.path()), 1);

    // A disk that refuses a piece: the error names the target, the temporary file goes.
    setDiskStepHookForTesting([](DiskStep step, const fs::path&) { return step == DiskStep::WriteTemp ? 28 : 0; });
    try {
        StreamedFile f(target);
        f.append("x");
        ADD_FAILURE() << "a refused write was taken";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find(utf8Path(target)), std::string::npos) << e.what();
    }
    setDiskStepHookForTesting({});
    EXPECT_EQ(entries(dir.path()), 1);
    EXPECT_THROW(StreamedFile(dir / "missing" / "f.csv"), FileError);
}

TEST(FileLock, OneHolderAtATime)
{
    testing::TempDir dir;
    const fs::path path = dir / "season.sqlite.lock";
    FileLock first = FileLock::tryTake(path, "export of 2024-01-01 .. 2024-01-31 (process 42)");
    ASSERT_TRUE(first.held());
    EXPECT_FALSE(FileLock::tryTake(path, "second").held());
    EXPECT_EQ(FileLock::holderOf(path), "export of 2024-01-01 .. 2024-01-31 (process 42)");

    FileLock moved = std::move(first);
    EXPECT_FALSE(FileLock::tryTake(path, "second").held());
    moved.release();
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(FileLock::holderOf(path), "");

    // A lock file whose holder died holds no lock.
    writeFileAtomic(path, "a holder that was killed\n");
    FileLock again = FileLock::tryTake(path, "third");
    EXPECT_TRUE(again.held());
    EXPECT_EQ(FileLock::holderOf(path), "third");
    EXPECT_THROW(FileLock::tryTake(dir / "missing" / "x.lock", "x"), FileError);
    EXPECT_GT(currentProcessId(), 0);
}

} // namespace
} // namespace tidemark::text
