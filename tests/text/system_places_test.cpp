#include "text/system_places.h"

#include "support/temp_dir.h"
#include "text/cp932.h"
#include "text/file_io.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace tidemark::text {
namespace {

namespace fs = std::filesystem;

TEST(SystemPaths, JapaneseFileNamesAreWrittenFoundAndReadBackAsUtf8)
{
    // The store's day files carry the date and the track in their names; on Windows the
    // name must reach the disk as those characters, not as the ANSI code page's guess.
    tidemark::testing::TempDir dir;
    const std::string name = "2024年01月15日大井.nvSEr";
    const fs::path file = dir / pathFromUtf8(name);
    writeFileAtomic(file, "x");
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path()))
        names.push_back(utf8Path(e.path().filename()));
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0], name);
    EXPECT_EQ(fromUtf8(names[0]).size(), 24u) << "14 bytes of date, 4 of track, 6 of suffix in CP932";
    EXPECT_EQ(readFile(dir / pathFromUtf8(names[0])), "x");
}

TEST(SystemPaths, FileErrorsNameTheFileInUtf8)
{
    tidemark::testing::TempDir dir;
    const fs::path missing = dir / pathFromUtf8("名古屋") / "f";
    try {
        writeFileAtomic(missing, "x");
        FAIL() << "no folder, no file";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find("名古屋"), std::string::npos) << e.what();
    }
}

TEST(SystemPlaces, LocalClockAgreesWithTheCLibrary)
{
    const std::time_t before = std::time(nullptr);
    const DateTime now = localNow();
    const std::time_t after = std::time(nullptr);
    std::tm a{};
    std::tm b{};
    a = *std::localtime(&before);
    b = *std::localtime(&after);
    const auto stamp = [](int y, int mo, int d, int h, int mi, int s) {
        return ((((static_cast<long long>(y) * 100 + mo) * 100 + d) * 100 + h) * 100 + mi) * 100 + s;
    };
    const long long got = stamp(now.year, now.month, now.day, now.hour, now.minute, now.second);
    EXPECT_GE(got, stamp(a.tm_year + 1900, a.tm_mon + 1, a.tm_mday, a.tm_hour, a.tm_min, a.tm_sec));
    EXPECT_LE(got, stamp(b.tm_year + 1900, b.tm_mon + 1, b.tm_mday, b.tm_hour, b.tm_min, b.tm_sec));
}

TEST(SystemPlaces, UserDataFolderIsThePerUserPlaceOfTheSystem)
{
    const fs::path folder = userDataFolder("Tidemark2NV");
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(utf8Path(folder.filename()), "Tidemark2NV");
#ifdef _WIN32
    const char* local = std::getenv("LOCALAPPDATA");
    ASSERT_NE(local, nullptr);
    EXPECT_EQ(folder.parent_path(), fs::path(local));
#else
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/')
        EXPECT_EQ(folder.parent_path(), fs::path(xdg));
    else
        EXPECT_EQ(folder.parent_path(), fs::path(std::getenv("HOME")) / ".local" / "share");
#endif
}

TEST(SystemPlaces, WritableFolderAndExecutable)
{
    tidemark::testing::TempDir dir;
    EXPECT_TRUE(isWritableFolder(dir.path()));
    EXPECT_FALSE(isWritableFolder(dir / "missing"));
    writeFileAtomic(dir / "file", "x");
    EXPECT_FALSE(isWritableFolder(dir / "file"));
    // Nothing left behind by the question.
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 1);
    const fs::path exe = executablePath(nullptr);
    EXPECT_TRUE(fs::is_regular_file(exe)) << utf8Path(exe);
    EXPECT_NE(utf8Path(exe.filename()).find("test_text"), std::string::npos) << utf8Path(exe);
}

} // namespace
} // namespace tidemark::text
