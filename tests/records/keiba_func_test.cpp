#include "records/keiba_func_nv.h"

#include "records/code_tables.h"
#include "records/keiba_func.h"
#include "text/cp932.h"

#include <gtest/gtest.h>

#include <cctype>

namespace tidemark {
namespace {

using text::sj;
namespace tables = records::code_tables;

const std::string kFullBlank = "\x81\x40"; // "　"

// Full-width characters only: every byte a lead byte followed by its trail byte.
bool allFullWidth(const std::string& s)
{
    if (s.empty() || s.size() % 2 != 0)
        return false;
    for (std::size_t i = 0; i < s.size(); i += 2)
        if (!text::isLeadByte(static_cast<unsigned char>(s[i])))
            return false;
    return true;
}

// "?" stands for a character the code page lacks; it can never be a trail byte.
template <typename Table>
void expectEncodable(const Table& t, const char* name)
{
    for (const auto& [code, textValue] : t)
        EXPECT_EQ(textValue.find('?'), std::string::npos) << name << " " << code;
}

std::size_t countDomestic(const tables::TrackTable& t)
{
    std::size_t n = 0;
    for (const auto& [code, names] : t)
        n += std::isdigit(static_cast<unsigned char>(code[0])) ? 1 : 0;
    return n;
}

TEST(TrackName, TablesHoldEveryTrackAtFixedWidths)
{
    const auto& local = tables::localTracks();
    const auto& central = tables::centralTracks();
    EXPECT_EQ(countDomestic(local), 47u);
    EXPECT_EQ(local.size() - countDomestic(local), 65u);
    EXPECT_EQ(countDomestic(central), 42u);
    EXPECT_EQ(central.size() - countDomestic(central), 70u);
    for (const auto* t : {&local, &central}) {
        for (const auto& [code, names] : *t) {
            EXPECT_EQ(code.size(), 2u);
            EXPECT_EQ(names.form2.size(), 4u) << code;
            EXPECT_EQ(names.form0.size(), 6u) << code;
            EXPECT_EQ(names.form2.find('?'), std::string::npos) << code;
            EXPECT_EQ(names.form0.find('?'), std::string::npos) << code;
        }
    }
}

TEST(TrackName, LocalFormsAndUnknownCodes)
{
    using KeibaFuncNV::TrackName;
    EXPECT_EQ(TrackName("44", 2), sj("大井"));
    EXPECT_EQ(TrackName("44", 0), sj("大井") + "  ");
    EXPECT_EQ(TrackName("32", 0), sj("岩見沢"));
    EXPECT_EQ(TrackName("32", 2), sj("岩見"));
    EXPECT_EQ(TrackName("40", 0), sj("宇都宮"));
    EXPECT_EQ(TrackName("48", 0), sj("名古屋"));
    EXPECT_EQ(TrackName("49", 0), sj("紀三井"));
    EXPECT_EQ(TrackName("01", 2), sj("札幌"));
    EXPECT_EQ(TrackName("58", 2), sj("札幌")); // the second Sapporo code
    EXPECT_EQ(TrackName("61", 2), sj("中京"));
    EXPECT_EQ(TrackName("80", 0), sj("春木") + "  ");
    EXPECT_EQ(TrackName("83", 2), sj("帯ば"));
    EXPECT_EQ(TrackName("83", 0), sj("帯広ば"));
    EXPECT_EQ(TrackName("84", 0), sj("旭川ば"));

    EXPECT_EQ(TrackName("99", 2), "    ");
    EXPECT_EQ(TrackName("99", 0), "      ");
    EXPECT_EQ(TrackName(" 1", 2), "    "); // compared whole, not trimmed
    EXPECT_EQ(TrackName("4", 2), "    ");
    EXPECT_EQ(TrackName("44 ", 2), "    ");
    EXPECT_EQ(TrackName("", 0), "      ");
    EXPECT_EQ(TrackName("44", 1), "");
}

TEST(TrackName, ForeignNamesKeepTheirWidths)
{
    using KeibaFuncNV::TrackName;
    // Half-width katakana names are filled with half-width blanks to 6 bytes.
    EXPECT_EQ(TrackName("A4", 0), "\xB1\xD2\xD8\xB6  "); // ｱﾒﾘｶ
    EXPECT_EQ(TrackName("A4", 2), sj("アメ"));
    EXPECT_EQ(TrackName("A6", 0), sj("ｲｷﾞﾘｽ") + " ");
    EXPECT_EQ(TrackName("C7", 0), sj("ｱﾗﾌﾞ首"));
    EXPECT_EQ(TrackName("C7", 2), sj("ア首"));
    EXPECT_EQ(TrackName("B0", 0), sj("インド"));
    EXPECT_EQ(TrackName("H0", 2), sj("西独"));
    EXPECT_EQ(TrackName("F0", 0), sj("韓国") + "  ");
    EXPECT_EQ(TrackName("L0", 0), sj("タイ") + kFullBlank); // the one full-width fill
    EXPECT_EQ(TrackName("M2", 0), sj("マカオ"));
    EXPECT_EQ(TrackName("M2", 2), sj("澳門"));
    for (const char* blank : {"C4", "F4", "F6", "G4", "G6", "G8"}) {
        EXPECT_EQ(TrackName(blank, 0), "      ") << blank;
        EXPECT_EQ(TrackName(blank, 2), "    ") << blank;
    }
    EXPECT_EQ(TrackName("a4", 2), "    "); // case-sensitive
    EXPECT_EQ(TrackName("M4", 2), "    "); // only the central table names it
}

TEST(TrackName, CentralTwinDiffers)
{
    for (const char* code : {"80", "81", "82", "83", "84"}) {
        EXPECT_EQ(KeibaFunc::TrackName(code, 2), "    ") << code;
        EXPECT_EQ(KeibaFunc::TrackName(code, 0), "      ") << code;
    }
    EXPECT_EQ(KeibaFunc::TrackName("M4", 2), sj("墺国"));
    EXPECT_EQ(KeibaFunc::TrackName("M4", 0), sj("ｵｰｽﾄﾘｱ"));
    EXPECT_EQ(KeibaFunc::TrackName("M6", 2), sj("約") + "  ");
    EXPECT_EQ(KeibaFunc::TrackName("M8", 2), sj("華") + "  ");
    EXPECT_EQ(KeibaFunc::TrackName("M8", 0), sj("ｶﾀｰﾙ") + "  ");
    EXPECT_EQ(KeibaFunc::TrackName("N0", 2), sj("東ド"));
    EXPECT_EQ(KeibaFunc::TrackName("N2", 0), sj("ﾊﾞｰﾚｰﾝ"));
    EXPECT_EQ(KeibaFunc::TrackName("44", 1), "");

    // Every code the twin shares with the local table reads the same in both forms.
    std::size_t shared = 0;
    for (const auto& [code, names] : tables::localTracks()) {
        if (!tables::centralTracks().contains(code))
            continue;
        ++shared;
        EXPECT_EQ(KeibaFunc::TrackName(code, 0), KeibaFuncNV::TrackName(code, 0)) << code;
        EXPECT_EQ(KeibaFunc::TrackName(code, 2), KeibaFuncNV::TrackName(code, 2)) << code;
    }
    EXPECT_EQ(shared, 42u + 65u);
}

TEST(RaceSymbolText, GeneralAndBaneiSets)
{
    EXPECT_EQ(tables::generalSymbolFirst().size(), 17u);
    EXPECT_EQ(tables::generalSymbolSecond().size(), 6u);
    EXPECT_EQ(tables::generalSymbolThird().size(), 36u);
    EXPECT_EQ(tables::baneiSymbolFirst().size(), 7u);
    EXPECT_EQ(tables::baneiSymbolSecond().size(), 4u);
    EXPECT_EQ(tables::baneiSymbolThird().size(), 17u);

    using KeibaFuncNV::RaceSymbolText;
    EXPECT_EQ(RaceSymbolText("44", "N1A"), sj("(国際) 牡 地方全国交流"));
    EXPECT_EQ(RaceSymbolText("83", "A1A"), sj("決勝 牡 釧路・根室管内産駒選抜"));
    EXPECT_EQ(RaceSymbolText("44", "   "), "  ");
    EXPECT_EQ(RaceSymbolText("44", ""), "  ");
    // Letters are case-sensitive: "n" and "N" are different symbols.
    EXPECT_EQ(RaceSymbolText("44", "n4z"), sj("白毛・芦毛 牡・牝 九州交流"));
    EXPECT_EQ(RaceSymbolText("44", "o2j"), sj("地元デビュー馬 牝 北陸・東海・近畿・中国・四国・九州交流"));
    EXPECT_EQ(RaceSymbolText("44", "aBG"), sj("奨励馬・抽選馬 選定牝馬 北海道・東北・北関東・南関東・九州交流"));
    // Third characters the general set leaves unnamed.
    for (const char* c : {"M1H", "M1L", "M1R", "M1U", "M1b", "M1d", "M1k", "M1l", "M1n", "M1p", "M1t", "M1u", "M1x"})
        EXPECT_EQ(RaceSymbolText("55", c), sj("九州産馬 牡 ")) << c;
    // The general set at the ばんえい-free codes, 80 included.
    EXPECT_EQ(RaceSymbolText("80", "A1A"), sj(" 牡 地方全国交流"));
    // The ばんえい set at every ばんえい track, and its own gaps.
    for (const char* track : {"81", "82", "83", "84"})
        EXPECT_EQ(RaceSymbolText(track, "G4Q"), sj("選抜混合 牡・牝 ファン投票選抜")) << track;
    EXPECT_EQ(RaceSymbolText("83", "NAR"), "  ");
    EXPECT_EQ(RaceSymbolText("83", "EBL"), sj("決勝混合  重馬体重馬選抜"));
}

TEST(RaceKindText, LocalTableAndCentralTwin)
{
    EXPECT_EQ(tables::localRaceKinds().size(), 24u);
    EXPECT_EQ(tables::centralRaceKinds().size(), 10u);
    for (const auto* t : {&tables::localRaceKinds(), &tables::centralRaceKinds()})
        for (const auto& [code, kind] : *t) {
            EXPECT_EQ(kind.size(), 8u) << code;
            EXPECT_TRUE(allFullWidth(kind)) << code;
        }
    const std::string blank4 = kFullBlank + kFullBlank + kFullBlank + kFullBlank;
    EXPECT_EQ(tables::blankRaceKind(), blank4);

    EXPECT_EQ(KeibaFuncNV::RaceKindText("01", 4), sj("混合２歳"));
    EXPECT_EQ(KeibaFunc::RaceKindText("01", 4), blank4);
    EXPECT_EQ(KeibaFuncNV::RaceKindText("49"), sj("サラ一般"));
    EXPECT_EQ(KeibaFunc::RaceKindText("49"), blank4);
    EXPECT_EQ(KeibaFuncNV::RaceKindText("07"), sj("混２・３"));
    for (const char* code : {"11", "12", "13", "14", "18", "19", "21", "22", "23", "24"})
        EXPECT_EQ(KeibaFunc::RaceKindText(code), KeibaFuncNV::RaceKindText(code)) << code;
    EXPECT_EQ(KeibaFunc::RaceKindText("19"), sj("障害４上"));
    EXPECT_EQ(KeibaFuncNV::RaceKindText("99"), blank4);
    EXPECT_EQ(KeibaFuncNV::RaceKindText(" 1"), blank4);
    EXPECT_EQ(KeibaFuncNV::RaceKindText("11", 1), "");
}

TEST(GradeText, LocalAndCentralGrades)
{
    EXPECT_EQ(tables::localGrades().size(), 11u);
    EXPECT_EQ(tables::centralGrades().size(), 9u);
    const std::string blank = kFullBlank + kFullBlank + " ";
    EXPECT_EQ(KeibaFuncNV::GradeText("A", 1), "G1   ");
    EXPECT_EQ(KeibaFuncNV::GradeText("C"), "G3   ");
    EXPECT_EQ(KeibaFuncNV::GradeText("D"), sj("重賞") + " ");
    EXPECT_EQ(KeibaFuncNV::GradeText("-"), sj("普通") + " ");
    EXPECT_EQ(KeibaFuncNV::GradeText("P"), sj("地区限定1"));
    EXPECT_EQ(KeibaFuncNV::GradeText("S"), sj("地区限定"));
    EXPECT_EQ(KeibaFuncNV::GradeText("T"), sj("準重賞"));
    EXPECT_EQ(KeibaFuncNV::GradeText("L"), blank);
    EXPECT_EQ(KeibaFuncNV::GradeText("F"), blank);
    EXPECT_EQ(KeibaFuncNV::GradeText("a"), blank);
    EXPECT_EQ(KeibaFuncNV::GradeText(" "), blank);
    EXPECT_EQ(KeibaFuncNV::GradeText("A", 0), "");

    EXPECT_EQ(KeibaFunc::GradeText("A"), "G1   ");
    EXPECT_EQ(KeibaFunc::GradeText("E"), sj("特別") + " ");
    EXPECT_EQ(KeibaFunc::GradeText("F"), "JG1  ");
    EXPECT_EQ(KeibaFunc::GradeText("H"), "JG3  ");
    EXPECT_EQ(KeibaFunc::GradeText("L"), "List ");
    for (const char* local : {"-", "P", "Q", "R", "S", "T"})
        EXPECT_EQ(KeibaFunc::GradeText(local), blank) << local;
    for (const char* code : {"A", "B", "C", "D", "E", "F", "G", "H", "L", "Z"})
        EXPECT_EQ(KeibaFunc::GradeText(code).size(), 5u) << code;
}

TEST(NumericCodes, ReadByTheRecordIntegerRule)
{
    using namespace KeibaFuncNV;
    EXPECT_EQ(tables::weekdays().size(), 9u);
    EXPECT_EQ(WeekdayText("0", 1), kFullBlank);
    EXPECT_EQ(WeekdayText("1"), sj("土"));
    EXPECT_EQ(WeekdayText("3"), sj("祝"));
    EXPECT_EQ(WeekdayText("8"), sj("金"));
    EXPECT_EQ(WeekdayText("9"), "");
    EXPECT_EQ(WeekdayText(" "), kFullBlank); // a blank field reads as 0
    EXPECT_EQ(WeekdayText("-1"), "");
    EXPECT_EQ(WeekdayText("2", 2), "");

    EXPECT_EQ(tables::circledNumbers().size(), 18u);
    EXPECT_EQ(CircledNumber("01"), "\x87\x40");
    EXPECT_EQ(CircledNumber(" 7"), "\x87\x46");
    EXPECT_EQ(CircledNumber("+7"), "\x87\x46");
    EXPECT_EQ(CircledNumber("18"), "\x87\x51");
    for (int n = 1; n <= 18; ++n) {
        std::string expected = "\x87";
        expected += static_cast<char>(0x40 + n - 1);
        EXPECT_EQ(CircledNumber(std::to_string(n)), expected) << n;
    }
    for (const char* none : {"00", "19", "", "  ", "x7", "-3"})
        EXPECT_EQ(CircledNumber(none), "\x81\x7C") << '"' << none << '"'; // "－"

    EXPECT_EQ(tables::courseLong().size(), 30u);
    EXPECT_EQ(TrackKindText("10"), sj("芝 直線"));
    EXPECT_EQ(TrackKindText("13"), sj("芝 左回り 内→外回り"));
    EXPECT_EQ(TrackKindText("23"), "\xC0\xDE\xB0\xC4 " + sj("左回り")); // ﾀﾞｰﾄ
    EXPECT_EQ(TrackKindText("28"), sj("ｻﾝﾄﾞ 右回り"));
    EXPECT_EQ(TrackKindText("51"), sj("障害 芝") + kFullBlank + sj("襷"));
    EXPECT_EQ(TrackKindText("53"), sj("障害 芝") + kFullBlank + sj("左"));
    EXPECT_EQ(TrackKindText("52"), sj("障害 芝→ﾀﾞｰﾄ"));
    EXPECT_EQ(TrackKindText("59"), sj("障害 外２周"));
    EXPECT_EQ(TrackKindText("90"), sj("ばんえい障害"));
    EXPECT_EQ(TrackKindText("30"), "");
    EXPECT_EQ(TrackKindText("  "), "");
}

TEST(CourseAndCondition, CentralExportTexts)
{
    EXPECT_EQ(tables::courseShort().size(), 29u);
    for (const auto& [value, course] : tables::courseShort())
        EXPECT_EQ(course.size(), 6u) << value;
    using namespace KeibaFunc;
    EXPECT_EQ(CourseShortText("10"), sj("芝直線"));
    EXPECT_EQ(CourseShortText("11"), sj("芝左") + kFullBlank);
    EXPECT_EQ(CourseShortText("18"), sj("芝右外"));
    EXPECT_EQ(CourseShortText("25"), sj("ダ左内"));
    EXPECT_EQ(CourseShortText("27"), sj("ｻﾝﾄﾞ左"));
    EXPECT_EQ(CourseShortText("56"), sj("障害") + kFullBlank);
    EXPECT_EQ(CourseShortText("90"), ""); // ばんえい has no short course
    EXPECT_EQ(CourseShortText("00"), "");

    EXPECT_EQ(tables::conditionClasses().size(), 8u);
    EXPECT_EQ(ConditionClassText("005"), sj("1勝ｸﾗｽ"));
    EXPECT_EQ(ConditionClassText("  5"), sj("1勝ｸﾗｽ"));
    EXPECT_EQ(ConditionClassText("016"), sj("3勝ｸﾗｽ"));
    EXPECT_EQ(ConditionClassText("100"), sj("1億下"));
    EXPECT_EQ(ConditionClassText("702"), sj("未出走"));
    EXPECT_EQ(ConditionClassText("999"), sj("オープン"));
    EXPECT_EQ(ConditionClassText("000"), "");
    EXPECT_EQ(ConditionClassText("   "), "");
}

TEST(ShortCodes, WeightGoingSex)
{
    EXPECT_EQ(tables::localWeightKinds().size(), 8u);
    EXPECT_EQ(tables::centralWeightKinds().size(), 4u);
    EXPECT_EQ(KeibaFuncNV::WeightKindText("1"), "\xCA\xDD\xC3\xDE"); // ﾊﾝﾃﾞ
    EXPECT_EQ(KeibaFuncNV::WeightKindText("6"), sj("騎手ﾊﾝﾃﾞ"));
    EXPECT_EQ(KeibaFuncNV::WeightKindText("9"), sj("見込"));
    EXPECT_EQ(KeibaFuncNV::WeightKindText("5"), "");
    EXPECT_EQ(KeibaFunc::WeightKindText("4"), sj("定量"));
    EXPECT_EQ(KeibaFunc::WeightKindText("6"), "");
    EXPECT_EQ(KeibaFunc::WeightKindText("8"), "");

    using namespace KeibaFuncNV;
    EXPECT_EQ(GoingText("1", 1), sj("芝") + ":" + sj("良"));
    EXPECT_EQ(GoingText("2", 1), sj("芝:稍重"));
    EXPECT_EQ(GoingText("4", 2), sj("ダ:不良"));
    EXPECT_EQ(GoingText("3", 2), sj("ダ:重"));
    EXPECT_EQ(GoingText("5", 1), "");
    EXPECT_EQ(GoingText(" ", 2), "");
    EXPECT_EQ(GoingText("1", 3), "");

    EXPECT_EQ(SexText("1"), sj("牡"));
    EXPECT_EQ(SexText("2"), sj("牝"));
    EXPECT_EQ(SexText("3"), "\xBE\xDD"); // ｾﾝ, two half-width katakana
    EXPECT_EQ(SexText("0"), "");
    EXPECT_EQ(SexText("13"), "");
}

TEST(CodeTables, EveryTextIsInTheCodePage)
{
    expectEncodable(tables::generalSymbolFirst(), "symbol 1");
    expectEncodable(tables::generalSymbolSecond(), "symbol 2");
    expectEncodable(tables::generalSymbolThird(), "symbol 3");
    expectEncodable(tables::baneiSymbolFirst(), "banei 1");
    expectEncodable(tables::baneiSymbolSecond(), "banei 2");
    expectEncodable(tables::baneiSymbolThird(), "banei 3");
    expectEncodable(tables::localRaceKinds(), "race kinds");
    expectEncodable(tables::localGrades(), "grades");
    expectEncodable(tables::centralGrades(), "central grades");
    expectEncodable(tables::weekdays(), "weekdays");
    expectEncodable(tables::localWeightKinds(), "weights");
    expectEncodable(tables::courseLong(), "courses");
    expectEncodable(tables::courseShort(), "short courses");
    expectEncodable(tables::conditionClasses(), "classes");
    expectEncodable(tables::goings(), "goings");
    expectEncodable(tables::sexes(), "sexes");
    expectEncodable(tables::circledNumbers(), "circled");
}

TEST(ExportSupport, RightNumberAddMinutesAddDays)
{
    EXPECT_EQ(KeibaFunc::RightNumber("05"), " 5");
    EXPECT_EQ(KeibaFunc::RightNumber("01"), " 1");
    EXPECT_EQ(KeibaFunc::RightNumber("12"), "12");
    EXPECT_EQ(KeibaFunc::RightNumber("0000"), "    ");
    EXPECT_EQ(KeibaFunc::RightNumber("  "), "  ");
    EXPECT_EQ(KeibaFuncNV::RightNumber("07"), " 7");

    EXPECT_EQ(KeibaFunc::AddMinutes("0930", -10), "0920");
    EXPECT_EQ(KeibaFunc::AddMinutes("1000", -90), "0830");
    EXPECT_EQ(KeibaFunc::AddMinutes("2350", 20), "2410"); // no wrap at midnight
    EXPECT_EQ(KeibaFunc::AddMinutes("    ", 5), "");
    EXPECT_EQ(KeibaFuncNV::AddMinutes("0005", -5), "0000");

    EXPECT_EQ(KeibaFunc::AddDays("2024/03/01", -1), "2024/02/29");
    EXPECT_EQ(KeibaFunc::AddDays("2023/03/01", -1), "2023/02/28");
    EXPECT_EQ(KeibaFunc::AddDays("2024/12/31", 1), "2025/01/01");
    EXPECT_EQ(KeibaFunc::AddDays("2025/01/01", -1), "2024/12/31");
    EXPECT_EQ(KeibaFunc::AddDays(" 2024/01/15 ", 0), "2024/01/15");
    EXPECT_EQ(KeibaFunc::AddDays("          ", -1), "");
    // Not a date: no text rather than a made-up day.
    EXPECT_EQ(KeibaFunc::AddDays("2024/02/30", -1), "");
    EXPECT_EQ(KeibaFunc::AddDays("20240115", -1), "");
    EXPECT_EQ(KeibaFunc::AddDays("2024/01/15 10:00", -1), "");

    EXPECT_EQ(KeibaFunc::BracketPairLabel(35), " 7- 8");
    EXPECT_EQ(KeibaFunc::QuinellaPairLabel(153), "17-18");
}

} // namespace
} // namespace tidemark
