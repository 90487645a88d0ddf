#include "service/error_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/temp_dir.h"
#include "text/cp932.h"
#include "text/file_io.h"

namespace tidemark {
namespace {

using text::sj;
using testing::TempDir;

const text::DateTime kStart{2024, 1, 15, 8, 5, 9};

TEST(ErrorLog, StartUpCreatesTheFileWithTheStartLines)
{
    TempDir dir;
    ErrorLog log(dir.path());
    EXPECT_EQ(log.path(), dir / "ErrorLog.txt");
    log.startUp(kStart, sj("C:\\競馬\\Tidemark2"));
    std::string expected = sj("ソフト起動：2024/01/15 08:05:09") + "\r\n" + sj("C:\\競馬\\Tidemark2") + "\r\n";
    EXPECT_EQ(text::readFile(log.path()), expected);
    ASSERT_EQ(log.lines().size(), 2u);
    EXPECT_EQ(log.lines()[0], sj("ソフト起動：2024/01/15 08:05:09"));
}

TEST(ErrorLog, StartUpKeepsTheLast100LinesOfEarlierRuns)
{
    TempDir dir;
    std::string old;
    for (int i = 1; i <= 250; ++i)
        old += "line " + std::to_string(i) + "\r\n";
    text::writeFileAtomic(dir / "ErrorLog.txt", old);
    ErrorLog log(dir.path());
    log.startUp(kStart, "/opt/tm");
    auto lines = log.lines();
    ASSERT_EQ(lines.size(), 102u);
    EXPECT_EQ(lines[0], "line 151");
    EXPECT_EQ(lines[99], "line 250");
    EXPECT_EQ(lines[101], "/opt/tm");

    // A short log is kept whole; a last line without its ending still counts.
    text::writeFileAtomic(dir / "ErrorLog.txt", "a\nb");
    log.startUp(kStart, "/opt/tm");
    EXPECT_EQ(log.lines().size(), 4u);
    EXPECT_EQ(text::readFile(log.path()).substr(0, 6), "a\r\nb\r\n");
}

TEST(ErrorLog, AppendAddsTheTimeAndKeepsOtherWritersLines)
{
    TempDir dir;
    ErrorLog log(dir.path());
    log.startUp(kStart, "/opt/tm");
    std::string withOther = text::readFile(log.path()) + "other writer\r\n";
    text::writeFileAtomic(log.path(), withOther);

    log.append(sj("オッズ取得エラー(-502)"), text::DateTime{2024, 1, 15, 14, 3, 0});
    auto lines = log.lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[2], "other writer");
    EXPECT_EQ(lines[3], sj("【エラー】14:03:00：オッズ取得エラー(-502)"));
    EXPECT_EQ(text::readFile(log.path()), withOther + lines[3] + "\r\n");
}

TEST(ErrorLog, AMessageWithLineBreaksStaysOneLine)
{
    TempDir dir;
    ErrorLog log(dir.path());
    log.startUp(kStart, "/opt/tm");
    log.append("first\r\nsecond\nthird", kStart);
    ErrorLog again(dir.path());
    again.startUp(kStart, "/opt/tm");
    auto lines = again.lines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[2], sj("【エラー】08:05:09：") + "first second third");
}

TEST(ErrorLog, FileErrorsAreReportedNotSwallowed)
{
    TempDir dir;
    // The program folder is missing: nothing can be written.
    ErrorLog noFolder(dir / "gone");
    EXPECT_THROW(noFolder.startUp(kStart, "gone"), text::FileError);

    // A folder where the log should be: it cannot be read.
    std::filesystem::create_directory(dir / "ErrorLog.txt");
    ErrorLog unreadable(dir.path());
    EXPECT_THROW(unreadable.startUp(kStart, "x"), text::FileError);
    EXPECT_THROW(unreadable.append("x", kStart), text::FileError);
    std::filesystem::remove(dir / "ErrorLog.txt");

    // The log disappears after the start: the append fails and writes nothing.
    ErrorLog log(dir.path());
    log.startUp(kStart, "x");
    std::filesystem::remove(log.path());
    EXPECT_THROW(log.append("lost", kStart), text::FileError);
    EXPECT_FALSE(std::filesystem::exists(log.path()));
}

} // namespace
} // namespace tidemark
