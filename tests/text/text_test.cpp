#include <gtest/gtest.h>

#include <functional>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "text/cp932.h"
#include "text/date_time.h"
#include "text/file_io.h"
#include "text/number_format.h"
#include "text/text_functions.h"

using namespace tidemark::text;

TEST(Cp932, RoundTripsCircledNumbersAndFullWidthMinus)
{
    std::string s = sj("①⑱－ﾀﾞｰﾄ大井　");
    // ① is 87 40 in CP932; strict Shift_JIS has no such character.
    EXPECT_EQ(static_cast<unsigned char>(s[0]), 0x87);
    EXPECT_EQ(static_cast<unsigned char>(s[1]), 0x40);
    EXPECT_EQ(s.substr(4, 2), "\x81\x7c");
    // Half-width katakana are one byte each; the full-width blank two.
    EXPECT_EQ(s.size(), 2u + 2 + 2 + 4 + 4 + 2);
    EXPECT_EQ(toUtf8(s), "①⑱－ﾀﾞｰﾄ大井　");
}

TEST(Cp932, CutCharacterIsDroppedNotFailed)
{
    std::string s = sj("大井競馬");
    EXPECT_EQ(toUtf8(s.substr(0, 5)), "大井");
    EXPECT_EQ(toUtf8(std::string("AB\x81")), "AB");
    EXPECT_EQ(toUtf8(std::string("A\x81") + "B"), "A。"); // 81 42 is a whole character
    EXPECT_EQ(toUtf8(""), "");
}

TEST(Cp932, Utf16TextsOfAComponentComeBackAsTheRecordsBytes)
{
    // A record text as a component hands it over (UTF-16): half-width katakana, a
    // full-width blank, a circled number and a kanji each give their CP932 bytes.
    const std::u16string u = u"O1ﾀﾞｰﾄ\u3000\u2460大井 ";
    const std::string cp = fromUtf16(u);
    EXPECT_EQ(cp, "O1\xC0\xDE\xB0\xC4\x81\x40\x87\x40\x91\xE5\x88\xE4 ");
    EXPECT_EQ(toUtf16(cp), u);
    // Beyond the basic plane, and a lone surrogate: one "?" each, nothing dropped silently.
    EXPECT_EQ(fromUtf16(u"A\U0001F40EB"), "A?B");
    EXPECT_EQ(fromUtf16(std::u16string(u"A") + char16_t(0xD800) + u"B"), "A?B");
    EXPECT_EQ(fromUtf16(u""), "");
    EXPECT_EQ(toUtf16(""), u"");
}

TEST(Cp932, BytesAtIsBoundsChecked)
{
    EXPECT_EQ(bytesAt("RA12345", 1, 2), "RA");
    EXPECT_EQ(bytesAt("RA12345", 6, 10), "45");
    EXPECT_EQ(bytesAt("RA", 3, 2), "");
    EXPECT_EQ(bytesAt("RA", 0, 2), "");
}

// trim keeps full-width blanks; trimBlanks takes them too, by whole characters only.
TEST(Cp932, TrimKeepsFullWidthBlank)
{
    EXPECT_EQ(trim("  ab \r\n"), "ab");
    EXPECT_EQ(trim(sj("　a　")), sj("　a　"));
    EXPECT_EQ(trimBlanks(sj(" 　テスト　 ") + "\r\n"), sj("テスト"));
    EXPECT_EQ(trimBlanks(sj("　　 ")), "");
    EXPECT_EQ(trimBlanks("\x82\x81\x40"), "\x82\x81\x40"); // trail byte 81, then '@': no blank
}

TEST(Cp932, NoCaseCompareLeavesTrailBytesAlone)
{
    EXPECT_EQ(compareNoCase("abc", "ABC"), 0);
    EXPECT_LT(compareNoCase("abc", "abd"), 0);
    EXPECT_LT(compareNoCase("ab", "abc"), 0);
    // "ソ" is 83 5C: the trail byte 0x5C must not be folded or confused.
    std::string a = sj("ソa"), b = sj("ソA");
    EXPECT_EQ(compareNoCase(a, b), 0);
    // 0x83 0x61 vs 0x83 0x41: different characters although the trail bytes are letters.
    EXPECT_NE(compareNoCase("\x83\x61", "\x83\x41"), 0);
}

TEST(NumberFormat, HalfwayRoundsAwayFromZero)
{
    EXPECT_EQ(formatFixed(1.25, 5, 1), "  1.3");
    EXPECT_EQ(formatFixed(1.125, 6, 2), "  1.13");
    EXPECT_EQ(formatFixed(-1.25, 5, 1), " -1.3");
    EXPECT_EQ(formatFixed(2.675, 0, 2), "2.68");
    EXPECT_EQ(formatFixed(9.95, 5, 1), " 10.0");
    EXPECT_EQ(formatFixed(0.04, 5, 1), "  0.0");
    EXPECT_EQ(formatFixed(-0.04, 5, 1), "  0.0");
    EXPECT_EQ(formatFixed(1234.5, 5, 1), "1234.5");
    EXPECT_EQ(formatFixed(3.0, 0, 0), "3");
}

// The quick path of formatFixed must give the text of the slow one for every value the
// program formats: shares and ratios of every odds in tenths, halves, values just beside
// a half, negatives, large values and random doubles.
TEST(NumberFormat, QuickFixedEqualsTheSlowReference)
{
    std::vector<double> values{0.0, -0.0, 0.05, 0.15, 0.25, 0.35, 0.45, 1.005, 2.675, 9.95, 99.95, 999.95,
        0.049999999999, 0.050000000001, 1e-9, 5e-7, 123456789.5, 999999999.4, 1e9, 1e12 + 0.5, 1e17, 1e300,
        std::nextafter(0.5, 0.0), std::nextafter(0.5, 1.0), std::nextafter(1.25, 0.0), std::nextafter(1.25, 2.0)};
    for (int tenths = 1; tenths <= 99999; ++tenths) {
        const double odds = tenths / 10.0;
        for (double numerator : {80.0, 26.6, 75.0, 37.5})
            values.push_back(numerator / odds);
        values.push_back(tenths / 1000.0 + 0.0005);
    }
    std::uint64_t state = 88172645463325252ull;
    for (int i = 0; i < 50000; ++i) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        values.push_back(static_cast<double>(state % 100000000) / 1000.0);
    }
    int checked = 0;
    for (double v : values)
        for (double signedValue : {v, -v})
            for (int decimals : {0, 1, 2, 5})
                for (int width : {0, 10}) {
                    const std::string slow = formatFixedSlowly(signedValue, width, decimals);
                    ASSERT_EQ(formatFixed(signedValue, width, decimals), slow)
                        << signedValue << " width " << width << " decimals " << decimals;
                    char buf[32];
                    const std::size_t n = formatFixedTo(buf, sizeof buf, signedValue, width, decimals);
                    ASSERT_EQ(std::string(buf, n), slow.substr(0, sizeof buf)) << signedValue;
                    char small[16];
                    const std::size_t m = formatFixedTo(small, sizeof small, signedValue, width, decimals);
                    ASSERT_EQ(std::string(small, m), slow.substr(0, sizeof small)) << signedValue;
                    ++checked;
                }
    EXPECT_GT(checked, 4000000);
    // Values beyond 64 digits once came out as the bytes of an unfilled buffer.
    const std::string huge = formatFixed(1e70, 0, 1);
    EXPECT_EQ(huge.size(), 73u);
    EXPECT_EQ(huge.substr(0, 17), "10000000000000000");
    EXPECT_EQ(huge.substr(71), ".0");
}

TEST(NumberFormat, IntegerAndGrouped)
{
    EXPECT_EQ(formatInt(7, 2), " 7");
    EXPECT_EQ(formatInt(123, 2), "123");
    EXPECT_EQ(formatInt(-5, 3), " -5");
    EXPECT_EQ(formatGrouped(1234567, 11), "  1,234,567");
    EXPECT_EQ(formatGrouped(999, 11), "        999");
    EXPECT_EQ(formatGrouped(1000.5, 0), "1,001");
    EXPECT_EQ(formatGrouped(-1234, 0), "-1,234");
    EXPECT_EQ(formatZeroPad(930, 4), "0930");
    EXPECT_EQ(formatZeroPad(12345, 4), "12345");
}

TEST(NumberFormat, ReadIntRule)
{
    EXPECT_EQ(readInt("  12ab"), 12);
    EXPECT_EQ(readInt("-07"), -7);
    EXPECT_EQ(readInt("+3"), 3);
    EXPECT_EQ(readInt("    "), 0);
    EXPECT_EQ(readInt("x12"), 0);
    EXPECT_EQ(readInt(""), 0);
    EXPECT_EQ(readInt("- 5"), 0);
    EXPECT_EQ(readInt("99999999999999999999999"), INT64_MAX);
    EXPECT_EQ(readInt(sj("　1")), 0); // a full-width blank is not skipped
}

TEST(NumberFormat, StrictInt32)
{
    std::int32_t v = 0;
    EXPECT_TRUE(tryParseInt32(" 42 ", v));
    EXPECT_EQ(v, 42);
    EXPECT_TRUE(tryParseInt32("0x1F", v));
    EXPECT_EQ(v, 31);
    EXPECT_TRUE(tryParseInt32("$ff", v));
    EXPECT_EQ(v, 255);
    EXPECT_TRUE(tryParseInt32("-2147483648", v));
    EXPECT_EQ(v, INT32_MIN);
    EXPECT_FALSE(tryParseInt32("2147483648", v));
    EXPECT_FALSE(tryParseInt32("12a", v));
    EXPECT_FALSE(tryParseInt32("", v));
    EXPECT_FALSE(tryParseInt32("0x", v));
    EXPECT_FALSE(tryParseInt32("0x123456789", v));
}

TEST(NumberFormat, ReadDecimal)
{
    bool ok = false;
    EXPECT_DOUBLE_EQ(readDecimal("  12.3", &ok), 12.3);
    EXPECT_TRUE(ok);
    EXPECT_DOUBLE_EQ(readDecimal("-0.5"), -0.5);
    EXPECT_DOUBLE_EQ(readDecimal(".5"), 0.5);
    EXPECT_DOUBLE_EQ(readDecimal("7."), 7.0);
    EXPECT_DOUBLE_EQ(readDecimal("abc", &ok), 0.0);
    EXPECT_FALSE(ok);
}

TEST(TextFunctions, MinutesBetweenAndAddMinutes)
{
    EXPECT_EQ(minutesBetween("1030", "0945"), 45);
    EXPECT_EQ(minutesBetween("    ", "0945"), 10000);
    EXPECT_EQ(minutesBetween("0945", ""), 10000);
    EXPECT_EQ(addMinutes("1000", -90), "0830");
    EXPECT_EQ(addMinutes("2350", 20), "2410");
    EXPECT_EQ(addMinutes("", 5), "");
    EXPECT_EQ(addMinutes("1015", -50), "0925");
    EXPECT_EQ(minutesBetween("0930", "1000"), -30);
    EXPECT_EQ(minutesBetween(" 930", "0900"), 30);
    // Before midnight there is no earlier time of the day than its first minute.
    EXPECT_EQ(addMinutes("0010", -35), "0000");
    EXPECT_EQ(addMinutes("0005", -10), "0000");
    EXPECT_EQ(addMinutes("0030", -30), "0000");
    EXPECT_EQ(addMinutes("0001", -1), "0000");
    EXPECT_GT(std::string("0001"), addMinutes("0010", -600));
}

TEST(TextFunctions, OverwriteRightNumberGroupedTenths)
{
    EXPECT_EQ(overwrite("RA7000000000", 3, "000000000"), "RA0000000000");
    EXPECT_EQ(overwrite("abc", 3, "XY"), "abXY");
    EXPECT_EQ(rightNumber("07"), " 7");
    EXPECT_EQ(rightNumber("00"), "  ");
    EXPECT_EQ(rightNumber("  "), "  ");
    EXPECT_EQ(rightNumber("12"), "12");
    EXPECT_EQ(groupedNumber("0001234567", 11), "  1,234,567");
    EXPECT_EQ(groupedNumber("0000000000", 5), "     ");
    EXPECT_EQ(tenths("0123"), " 12.3");
    EXPECT_EQ(tenths("0000"), "    ");
    EXPECT_EQ(tenths("9999"), "999.9");
    EXPECT_EQ(tenths("-012"), " -1.2");
    EXPECT_EQ(tenths("  5"), " 0.5");
    EXPECT_EQ(rightNumber("ab"), "  ");
    EXPECT_EQ(rightNumber("3x5"), "  3");
    EXPECT_EQ(groupedNumber("-1234", 7), " -1,234");
}

TEST(DateTime, PatternsAndArithmetic)
{
    DateTime t{2024, 1, 15, 18, 30, 5};
    EXPECT_EQ(formatDateTime("yyyy/mm/dd hh:nn:ss", t), "2024/01/15 18:30:05");
    EXPECT_EQ(formatDateTime("yyyymmddhhnnss", t), "20240115183005");
    EXPECT_EQ(formatDateTime("yyyy\"年\"mm\"月\"dd\"日\"", t), "2024年01月15日");
    EXPECT_EQ(formatDateTime("hh:mm", t), "18:30");
    EXPECT_EQ(t.addDays(-366).day, 14);
    EXPECT_EQ(t.addDays(-366).year, 2023);
    EXPECT_EQ(DateTime({2024, 2, 28}).addDays(1).day, 29);
    EXPECT_EQ(DateTime({2024, 1, 15}).dayOfWeek(), 2); // a Monday
    EXPECT_EQ(t.addSeconds(6 * 3600).day, 16);
}

// A post time "hhmm" in minutes and back; anything that is no time of day reads -1.
TEST(DateTime, ClockTimesOfPostTimes)
{
    EXPECT_EQ(minuteOfHhmm("1005"), 605);
    EXPECT_EQ(minuteOfHhmm("0000"), 0);
    EXPECT_EQ(minuteOfHhmm("2359"), 1439);
    EXPECT_EQ(minuteOfHhmm("2400"), -1);
    EXPECT_EQ(minuteOfHhmm("1060"), -1);
    EXPECT_EQ(minuteOfHhmm("10:5"), -1);
    EXPECT_EQ(minuteOfHhmm("    "), -1);
    EXPECT_EQ(minuteOfHhmm("100"), -1);
    EXPECT_EQ(hhColonNn(605), "10:05");
    EXPECT_EQ(hhColonNn(24 * 60 + 5), "00:05");
}

TEST(DateTime, Parsing)
{
    auto t = parseSlashDateTime("2024/01/15 18:30:00");
    ASSERT_TRUE(t);
    EXPECT_EQ(formatDateTime("yyyymmddhhnnss", *t), "20240115183000");
    EXPECT_TRUE(parseSlashDateTime("2024/01/15"));
    EXPECT_FALSE(parseSlashDateTime("2024/02/30 00:00:00"));
    EXPECT_FALSE(parseSlashDateTime("garbage"));
    EXPECT_FALSE(parseSlashDateTime("2024/01/15 25:00:00"));
    auto c = parseCompactDateTime("20240115183000");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->hour, 18);
    EXPECT_FALSE(parseCompactDateTime("00000000000000"));
    EXPECT_FALSE(parseCompactDateTime("2024011518300"));
}

TEST(FileIo, AtomicWriteReplacesWholeAndLeavesNoTemporary)
{
    tidemark::testing::TempDir dir;
    auto p = dir / "a.txt";
    writeFileAtomic(p, "first");
    writeFileAtomic(p, "second");
    EXPECT_EQ(readFile(p), "second");
    int entries = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 1);
}

TEST(FileIo, FailuresKeepTheOldFileAndReportThePlatformMessage)
{
    tidemark::testing::TempDir dir;
    std::filesystem::create_directory(dir / "sub");
    EXPECT_THROW(writeFileAtomic(dir / "sub", "x"), FileError);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "sub"));
    EXPECT_THROW(readFile(dir / "sub"), FileError);
    EXPECT_THROW(writeFileAtomic(dir / "missing" / "f", "x"), FileError);
    // A folder where the temporary file goes: the message names that, not the file.
    std::filesystem::create_directory(dir / "g.tmp~");
    for (const auto& write : std::initializer_list<std::function<void()>>{
             [&] { writeFileAtomic(dir / "g", "x"); }, [&] { StreamedFile f(dir / "g"); }}) {
        try {
            write();
            ADD_FAILURE();
        } catch (const FileError& e) {
            EXPECT_EQ(std::string(e.what()).rfind(utf8Path(dir / "g.tmp~") + ": ", 0), 0u) << e.what();
        }
    }
    std::string out;
    EXPECT_FALSE(tryReadFile(dir / "nothing", out));
    try {
        readFile(dir / "nothing");
        FAIL();
    } catch (const FileError& e) {
#ifdef _WIN32
        // Windows says "The system cannot find the file specified", Wine "File not found".
        const std::string what = e.what();
        EXPECT_TRUE(what.find("cannot find the file") != std::string::npos ||
                    what.find("File not found") != std::string::npos)
            << what;
#else
        EXPECT_NE(std::string(e.what()).find("No such file"), std::string::npos) << e.what();
#endif
    }
}
