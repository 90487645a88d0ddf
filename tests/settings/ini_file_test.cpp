#include "settings/ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "settings/settings_keys.h"
#include "support/temp_dir.h"
#include "text/cp932.h"
#include "text/file_io.h"

namespace tidemark {
namespace {

using text::sj;
using testing::TempDir;

class IniFileTest : public ::testing::Test {
protected:
    std::filesystem::path file() const { return m_dir / "Tidemark2NV.ini"; }
    void store(const std::string& bytes) const { text::writeFileAtomic(file(), bytes); }
    std::string stored() const { return text::readFile(file()); }

    TempDir m_dir;
    IniFile m_ini{m_dir / "Tidemark2NV.ini"};
};

TEST(IniFilePath, ExecutableNameWithIniBeside)
{
    EXPECT_EQ(IniFile::pathForExecutable("/opt/tm/Tidemark2NV"), std::filesystem::path("/opt/tm/Tidemark2NV.ini"));
    EXPECT_EQ(IniFile::pathForExecutable("/opt/tm/Tidemark2NV.exe"), std::filesystem::path("/opt/tm/Tidemark2NV.ini"));
}

TEST_F(IniFileTest, NoFileGivesTheDefaultsAndTheFirstWriteCreatesIt)
{
    EXPECT_EQ(settings::LocateWidth.read(m_ini), 780);
    EXPECT_EQ(settings::LocateHeight.read(m_ini), 560);
    EXPECT_TRUE(settings::TimeIgnoFirstTime.read(m_ini));
    EXPECT_FALSE(settings::MaeUriIgnore.read(m_ini));
    EXPECT_EQ(settings::TimeFirst.read(m_ini), 930);
    EXPECT_EQ(settings::GraphYmax1.read(m_ini), 500);
    EXPECT_EQ(settings::GraphLogAxisY1.read(m_ini), 1);
    EXPECT_EQ(settings::DansoBorderRatioUR.read(m_ini), "1.5");
    EXPECT_EQ(settings::CsvTimeTokutei.read(m_ini), "0930");
    EXPECT_EQ(settings::readLastTime(m_ini, text::DateTime{2024, 3, 1, 9, 5, 7}), "2023/03/01 09:05:07");
    EXPECT_FALSE(std::filesystem::exists(file()));

    settings::TimeFirst.write(m_ini, 1015);
    EXPECT_EQ(stored(), "[Time]\r\nFirst=1015\r\n");
    EXPECT_EQ(settings::TimeFirst.read(m_ini), 1015);
}

TEST_F(IniFileTest, ResultsIntervalDefaultsDifferUntilTheDialogStoresOne)
{
    EXPECT_EQ(settings::TimeAutoRdataGetTimer.read(m_ini), 15);
    EXPECT_EQ(settings::TimeAutoRdataGetDialog.read(m_ini), 10);
    settings::TimeAutoRdataGetDialog.write(m_ini, 10);
    EXPECT_EQ(settings::TimeAutoRdataGetTimer.read(m_ini), 10);
}

TEST_F(IniFileTest, NamesCompareWithoutCaseAndTheStoredSpellingStays)
{
    store("[LOCATE]\r\nTop=25\r\n");
    EXPECT_EQ(m_ini.readInteger("locate", "TOP", 10), 25);
    m_ini.writeInteger("Locate", "top", 40);
    EXPECT_EQ(stored(), "[LOCATE]\r\nTop=40\r\n");
}

TEST_F(IniFileTest, BlanksAndOnePairOfQuotesAreRemovedByTheReader)
{
    store("[s]\r\na =  \"  x  \"  \r\nb=\"\"y\"\"\r\nc=\"\r\nd=\r\n");
    EXPECT_EQ(m_ini.readRaw("s", "a", "D"), "  x  ");
    EXPECT_EQ(m_ini.readString("s", "a", "D"), "  x  ");
    EXPECT_EQ(m_ini.readRaw("s", "b", "D"), "\"y\"");
    EXPECT_EQ(m_ini.readString("s", "b", "D"), "y");
    EXPECT_EQ(m_ini.readString("s", "c", "D"), "\"");
    // Present but empty is the empty text, not the default.
    EXPECT_EQ(m_ini.readString("s", "d", "D"), "");
    EXPECT_EQ(m_ini.readString("s", "missing", "D"), "D");
    EXPECT_EQ(m_ini.readRaw("other", "a", "D"), "D");
}

TEST_F(IniFileTest, CornerBracketsAreRemovedFromTexts)
{
    const std::string open = "\xA2", close = "\xA3";
    // Ε is 83 A3 in CP932: its trail byte is the closing bracket's byte.
    const std::string epsilon = sj("Ε");
    ASSERT_EQ(epsilon, "\x83\xA3");
    store("[Danso]\r\nBorderRatio=" + open + "2.0" + close + "\r\nBorderRatioF1=" + open + close +
          "\r\nBorderRatioF2=" + open + " 1.8 " + close + "\r\nBorderRatioUR=" + open + epsilon + "\r\n");
    EXPECT_EQ(settings::DansoBorderRatio.read(m_ini), "2.0");
    EXPECT_EQ(settings::DansoBorderRatioF1.read(m_ini), "");
    EXPECT_EQ(settings::DansoBorderRatioF2.read(m_ini), " 1.8 ");
    // Not bracketed: stripping the last byte would split the character.
    EXPECT_EQ(settings::DansoBorderRatioUR.read(m_ini), open + epsilon);
}

TEST_F(IniFileTest, IntegersAndFlags)
{
    store("[n]\r\nhex1=0x1F\r\nhex2=$ff\r\nhex3=0XA\r\nneg= -12 \r\nword=abc\r\ntail=12abc\r\n"
          "two=2\r\nzero=0\r\nbig=99999999999\r\nempty=\r\n");
    EXPECT_EQ(m_ini.readInteger("n", "hex1", -1), 31);
    EXPECT_EQ(m_ini.readInteger("n", "hex2", -1), 255);
    EXPECT_EQ(m_ini.readInteger("n", "hex3", -1), 10);
    EXPECT_EQ(m_ini.readInteger("n", "neg", -1), -12);
    EXPECT_EQ(m_ini.readInteger("n", "word", 7), 7);
    EXPECT_EQ(m_ini.readInteger("n", "tail", 7), 7);
    EXPECT_EQ(m_ini.readInteger("n", "big", 7), 7);
    EXPECT_EQ(m_ini.readInteger("n", "empty", 7), 7);
    EXPECT_TRUE(m_ini.readBool("n", "two", false));
    EXPECT_FALSE(m_ini.readBool("n", "zero", true));
    EXPECT_TRUE(m_ini.readBool("n", "word", true));
    EXPECT_FALSE(m_ini.readBool("n", "word", false));

    m_ini.writeBool("n", "flag", true);
    m_ini.writeInteger("n", "int", -5);
    EXPECT_EQ(m_ini.readRaw("n", "flag", ""), "1");
    EXPECT_EQ(m_ini.readRaw("n", "int", ""), "-5");
}

TEST_F(IniFileTest, LongValuesAreCutTo2047BytesBetweenCharacters)
{
    const std::string kanji = sj("大");
    ASSERT_EQ(kanji.size(), 2u);
    store("[s]\r\nascii=" + std::string(3000, 'a') + "\r\nmixed=" + std::string(2046, 'a') + kanji + kanji + "\r\n");
    EXPECT_EQ(m_ini.readRaw("s", "ascii", ""), std::string(2047, 'a'));
    EXPECT_EQ(m_ini.readRaw("s", "mixed", ""), std::string(2046, 'a'));
    // Characters all the way: 1023 whole characters fit.
    std::string wide;
    for (int i = 0; i < 1500; ++i)
        wide += kanji;
    m_ini.writeString("s", "wide", wide);
    EXPECT_EQ(m_ini.readString("s", "wide", ""), wide.substr(0, 2046));
}

TEST_F(IniFileTest, WritesKeepTheRestOfTheFile)
{
    store("; made by hand\n[locate]\ntop=1\n\n[Graph]\nYmax1=300\n");
    m_ini.writeInteger("locate", "left", 5);
    m_ini.writeInteger("Graph", "Ymax1", 400);
    m_ini.writeString("CSVTime", "tokutei", "1045");
    EXPECT_EQ(stored(), "; made by hand\r\n[locate]\r\ntop=1\r\nleft=5\r\n\r\n[Graph]\r\nYmax1=400\r\n"
                        "[CSVTime]\r\ntokutei=1045\r\n");
}

TEST_F(IniFileTest, ShiftJisTextsRoundTripAndKeepTheirBytes)
{
    const std::string value = sj("表示＝１　ソ");
    m_ini.writeString(sj("設定"), sj("表"), value);
    EXPECT_EQ(m_ini.readString(sj("設定"), sj("表"), ""), value);
    // ソ ends in 0x5C, the byte of a backslash; 表 too.
    EXPECT_NE(stored().find(value), std::string::npos);
}

TEST_F(IniFileTest, ALineBreakInAValueIsStoredAsABlank)
{
    m_ini.writeString("s", "k", "one\r\ntwo\nthree\r[x]\r\nevil=1");
    EXPECT_EQ(m_ini.readString("s", "k", ""), "one two three [x] evil=1");
    EXPECT_EQ(m_ini.readString("s", "evil", "none"), "none");
    EXPECT_EQ(m_ini.readString("x", "evil", "none"), "none");
}

TEST_F(IniFileTest, TheLaterWriteOfTwoWindowsWins)
{
    IniFile other(file());
    settings::GraphYmax2.write(m_ini, 30);
    settings::GraphYmax2.write(other, 70);
    EXPECT_EQ(settings::GraphYmax2.read(m_ini), 70);
    settings::GraphYmax4.write(m_ini, 20);
    EXPECT_EQ(settings::GraphYmax2.read(other), 70);
    EXPECT_EQ(settings::GraphYmax4.read(other), 20);
}

TEST_F(IniFileTest, NamesThatCouldNotBeReadBackAreRefused)
{
    EXPECT_THROW(m_ini.writeString("", "k", "v"), std::invalid_argument);
    EXPECT_THROW(m_ini.writeString("  ", "k", "v"), std::invalid_argument);
    EXPECT_THROW(m_ini.writeString("s", "", "v"), std::invalid_argument);
    EXPECT_THROW(m_ini.writeString("a]b", "k", "v"), std::invalid_argument);
    EXPECT_THROW(m_ini.writeString("s", "k=1", "v"), std::invalid_argument);
    EXPECT_THROW(m_ini.writeString("s", "k\n", "v"), std::invalid_argument);
    EXPECT_THROW(m_ini.writeString("s", "[k", "v"), std::invalid_argument);
    EXPECT_THROW((void)m_ini.readInteger("s", "a=b", 0), std::invalid_argument);
    EXPECT_FALSE(std::filesystem::exists(file()));
    // ']' as the trail byte of a double-byte character is no bracket: "‐" is 81 5D.
    const std::string trail5d = sj("‐");
    ASSERT_EQ(trail5d, "\x81\x5D");
    m_ini.writeString("s" + trail5d, "k", "v");
    EXPECT_EQ(m_ini.readString("s" + trail5d, "k", ""), "v");
}

TEST_F(IniFileTest, FileErrorsOnWriteReadsFallBackToDefaults)
{
    // A folder where the file should be: unreadable.
    std::filesystem::create_directory(file());
    EXPECT_EQ(m_ini.readInteger("locate", "top", 10), 10);
    EXPECT_THROW(m_ini.writeInteger("locate", "top", 1), text::FileError);

    IniFile missingFolder(m_dir / "no-such-folder" / "x.ini");
    EXPECT_THROW(missingFolder.writeInteger("locate", "top", 1), text::FileError);
    EXPECT_FALSE(std::filesystem::exists(m_dir / "no-such-folder"));
}

// Several values in one replacement: the same file as the single writes would make, and
// nothing written when one of them cannot be stored.
TEST_F(IniFileTest, SeveralValuesAreWrittenTogetherOrNotAtAll)
{
    store("; made by hand\n[locate]\ntop=1\n\n[Graph]\nYmax1=300\n");
    m_ini.writeStrings({{"locate", "left", "5"}, {"Graph", "Ymax1", "400"}, {"CSVTime", "tokutei", "1045"},
                        {"CSVTime", "tokutei", "1100"}});
    const std::string written = stored();
    EXPECT_EQ(written, "; made by hand\r\n[locate]\r\ntop=1\r\nleft=5\r\n\r\n[Graph]\r\nYmax1=400\r\n"
                       "[CSVTime]\r\ntokutei=1100\r\n");

    EXPECT_THROW(m_ini.writeStrings({{"locate", "top", "9"}, {"s", "k=1", "v"}}), std::invalid_argument);
    EXPECT_EQ(stored(), written);
}

} // namespace
} // namespace tidemark
