#include "records/record_view.h"

#include "records/record_builder.h"
#include "text/cp932.h"

#include <gtest/gtest.h>

#include <string>

namespace tidemark::records {
namespace {

using text::sj;

// ---- RA ------------------------------------------------------------------------------

TEST(RaRecord, EveryFieldRoundTrips)
{
    const std::string name = sj("東京記念");
    const RaBuilder b = RaBuilder()
                            .dataKind('2')
                            .creationDate(2024, 1, 14)
                            .date(2024, 1, 15)
                            .track("44")
                            .meeting(12)
                            .day(3)
                            .race(11)
                            .weekday("1")
                            .raceName(name)
                            .shortRaceName(sj("東京記念"))
                            .edition(61)
                            .grade("A")
                            .raceKind("11")
                            .raceSymbol("A0a")
                            .weightRule("3")
                            .youngestCondition("701")
                            .conditionName(sj("Ｓ１"))
                            .distance(2400)
                            .course("24")
                            .startTime("2010")
                            .runners(14)
                            .turfCondition("1")
                            .dirtCondition("3");
    ASSERT_EQ(b.line().size(), kRaLineLength);
    const std::string record = b.build();
    ASSERT_EQ(record.size(), kRaRecordLength);
    EXPECT_EQ(record.substr(kRaLineLength), "\r\n");

    const RaView v(b.line());
    EXPECT_FALSE(v.wasShort());
    EXPECT_EQ(v.recordKind(), "RA");
    EXPECT_EQ(v.dataKind(), "2");
    EXPECT_EQ(v.creationDate(), "20240114");
    EXPECT_EQ(v.raceKey(), "2024011544120311");
    EXPECT_EQ(v.dayKey(), "20240115");
    EXPECT_EQ(v.monthDay(), "0115");
    EXPECT_EQ(v.raceFileStem(), "44120311");
    EXPECT_EQ(v.year(), 2024);
    EXPECT_EQ(v.month(), 1);
    EXPECT_EQ(v.dayOfMonth(), 15);
    EXPECT_EQ(v.trackCode(), "44");
    EXPECT_EQ(v.meeting(), 12);
    EXPECT_EQ(v.meetingDay(), 3);
    EXPECT_EQ(v.raceNumber(), 11);
    EXPECT_EQ(v.raceNumberText(), "11");
    EXPECT_EQ(v.weekdayCode(), "1");
    EXPECT_EQ(v.raceName(), name + std::string(60 - name.size(), ' '));
    EXPECT_EQ(text::trim(v.shortRaceName()), name);
    EXPECT_EQ(v.edition(), 61);
    EXPECT_EQ(v.gradeCode(), "A");
    EXPECT_EQ(v.raceKindCode(), "11");
    EXPECT_EQ(v.raceSymbolCode(), "A0a");
    EXPECT_EQ(v.weightRuleCode(), "3");
    EXPECT_EQ(v.youngestConditionCode(), "701");
    EXPECT_EQ(text::trim(v.conditionName()), sj("Ｓ１"));
    EXPECT_EQ(v.distance(), 2400);
    EXPECT_EQ(v.courseCode(), "24");
    EXPECT_EQ(v.courseNumber(), 24);
    EXPECT_EQ(v.startTime(), "2010");
    EXPECT_EQ(v.startTimeNumber(), 2010);
    EXPECT_EQ(v.runnerCount(), 14);
    EXPECT_EQ(v.turfConditionCode(), "1");
    EXPECT_EQ(v.dirtConditionCode(), "3");
    EXPECT_FALSE(v.isBanei());
    EXPECT_TRUE(v.isRace());
    EXPECT_TRUE(v.hasSafeKey());
}

TEST(RaRecord, FieldsSitAtTheirBytePositions)
{
    const std::string line = RaBuilder().date(2024, 5, 12).track("30").startTime("1540").runners(9).distance(1400).line();
    EXPECT_EQ(line.substr(0, 2), "RA");
    EXPECT_EQ(line.substr(11, 8), "20240512");
    EXPECT_EQ(line.substr(19, 2), "30");
    EXPECT_EQ(line.substr(873, 4), "1540");
    EXPECT_EQ(line.substr(881, 2), "09");
    EXPECT_EQ(line.substr(697, 4), "1400");
}

TEST(RaRecord, BaneiMoistureIsHexadecimal)
{
    for (const char* code : {"81", "82", "83", "84"})
        EXPECT_TRUE(isBaneiTrack(code)) << code;
    for (const char* code : {"80", "85", "44", " 3", ""})
        EXPECT_FALSE(isBaneiTrack(code)) << code;

    const RaBuilder b = RaBuilder().track("83").moistureTenths(25);
    EXPECT_EQ(b.line().substr(888, 2), "19");
    const RaView v(b.line());
    EXPECT_TRUE(v.isBanei());
    EXPECT_EQ(v.moistureTenths(), 25);
    EXPECT_DOUBLE_EQ(v.moisture(), 2.5);

    EXPECT_EQ(RaView(RaBuilder().track("83").set(889, "A1").line()).moistureTenths(), 0xA1);
    EXPECT_EQ(RaView(RaBuilder().track("83").set(889, "a1").line()).moistureTenths(), 0xA1);
    // Blank or damaged moisture reads 0 instead of failing.
    EXPECT_EQ(RaView(RaBuilder().track("83").line()).moistureTenths(), 0);
    EXPECT_EQ(RaView(RaBuilder().track("83").set(889, "G1").line()).moistureTenths(), 0);
}

TEST(RaRecord, BlankOrZeroYearIsNoRace)
{
    EXPECT_FALSE(RaView(RaBuilder().line()).isRace());
    EXPECT_FALSE(RaView(RaBuilder().date(0, 1, 15).line()).isRace());
    const std::string blanks(kRaLineLength, ' ');
    EXPECT_FALSE(RaView(blanks).isRace());
    EXPECT_TRUE(RaView(RaBuilder().date(2024, 1, 15).line()).isRace());
}

// ---- Short, damaged and blank lines ------------------------------------------------

TEST(RecordView, ShortLinesReadAsBlanks)
{
    const std::string full = RaBuilder().date(2024, 1, 15).track("44").race(7).runners(12).startTime("1540").line();
    const std::string cut = full.substr(0, 100);
    const RaView v(cut);
    EXPECT_TRUE(v.wasShort());
    EXPECT_EQ(v.raceKey(), "2024011544    07"); // meeting and day never set: blanks
    EXPECT_EQ(v.runnerCount(), 0);
    EXPECT_EQ(v.startTime(), "    ");
    EXPECT_EQ(v.conditionName(), std::string(60, ' '));

    // A field cut in two by the end of the line is not read half.
    const RaView cutInTime(std::string_view(full).substr(0, 875));
    EXPECT_EQ(cutInTime.startTime(), "    ");
    EXPECT_EQ(cutInTime.startTimeNumber(), 0);

    const RaView empty("");
    EXPECT_EQ(empty.recordKind(), "  ");
    EXPECT_EQ(empty.raceNumber(), 0);
    EXPECT_FALSE(empty.hasSafeKey());

    const RecordView any("RA1");
    EXPECT_EQ(any.bytes(0, 3), "   ");
    EXPECT_EQ(any.bytes(1, 3), "RA1");
    EXPECT_EQ(any.bytes(2, 3), "   ");
    EXPECT_EQ(any.bytes(4000, 2), "  ");
    EXPECT_EQ(any.bytes(1, 0), "");
}

TEST(RecordView, DamagedNumbersReadZeroOrTheirLeadingDigits)
{
    const std::string vLine = RaBuilder().set(882, "ab").set(698, " 12x").set(612, "   ").line();
    const RaView v(vLine);
    EXPECT_EQ(v.runnerCount(), 0);
    EXPECT_EQ(v.distance(), 12); // the program's integer rule: leading blanks, then digits
    EXPECT_EQ(v.edition(), 0);

    EXPECT_EQ(readHex(""), 0);
    EXPECT_EQ(readHex("   "), 0);
    EXPECT_EQ(readHex(" 2D0"), 0x2D0);
    EXPECT_EQ(readHex("3e8"), 1000);
    EXPECT_EQ(readHex("2D "), 0x2D);
    EXPECT_EQ(readHex("XYZ"), 0);
}

TEST(RecordView, FixedBlockWithLineEndReadsLikeTheLine)
{
    const std::string block = O1Builder().date(2024, 1, 15).track("44").race(1).win(1, 3.5, 1).build();
    ASSERT_EQ(block.size(), kO1RecordLength);
    const O1View v(block);
    EXPECT_FALSE(v.wasShort());
    EXPECT_DOUBLE_EQ(v.win(1).value(), 3.5);
}

TEST(RecordView, KindLengths)
{
    EXPECT_EQ(lineLengthOfKind("RA"), 1270u);
    EXPECT_EQ(lineLengthOfKind("SE"), 553u);
    EXPECT_EQ(lineLengthOfKind("HR"), 717u);
    EXPECT_EQ(lineLengthOfKind("O1"), 960u);
    EXPECT_EQ(lineLengthOfKind("O2"), 2040u);
    EXPECT_EQ(lineLengthOfKind("ra"), 0u);
    EXPECT_EQ(lineLengthOfKind("H1"), 0u);
    EXPECT_EQ(SeBuilder().line().size(), kSeLineLength);
    EXPECT_EQ(HrBuilder().line().size(), kHrLineLength);
    EXPECT_EQ(O1Builder().line().size(), kO1LineLength);
    EXPECT_EQ(O2Builder().build().size(), kO2RecordLength);
}

// ---- Safe keys -----------------------------------------------------------------------

TEST(SafeKey, OnlyDigitsInBytes12To27)
{
    const std::string good = SeBuilder().date(2024, 1, 15).track("44").meeting(1).day(2).race(3).line();
    EXPECT_TRUE(hasSafeKey(good));

    EXPECT_FALSE(hasSafeKey(SeBuilder().date(2024, 1, 15).track("44").meeting(1).day(2).line())); // race blank
    EXPECT_FALSE(hasSafeKey(SeBuilder().raceKey("2024011544010..\\").line()));
    EXPECT_FALSE(hasSafeKey(SeBuilder().raceKey("20240115/4010203").line()));
    EXPECT_FALSE(hasSafeKey(SeBuilder().raceKey("2024011544-10203").line()));
    EXPECT_FALSE(hasSafeKey(good.substr(0, 26)));
    EXPECT_TRUE(hasSafeKey(good.substr(0, 27)));
    // A double-byte character is never digits, whatever its bytes.
    EXPECT_FALSE(hasSafeKey(SeBuilder().raceKey("20240115" + sj("大井") + "0102").line()));
}

// ---- SE ------------------------------------------------------------------------------

TEST(SeRecord, EveryFieldRoundTrips)
{
    const SeBuilder b = SeBuilder()
                            .date(2024, 1, 15)
                            .track("44")
                            .meeting(1)
                            .day(2)
                            .race(5)
                            .bracket(7)
                            .horse(13)
                            .horseName(sj("トウキョウスター"))
                            .sex("2")
                            .age(4)
                            .trainer(sj("佐藤"))
                            .weightTenths(550)
                            .jockey(sj("森泰斗"))
                            .finishPosition(3)
                            .finalWinOdds(12.3)
                            .finalWinPopularity(5);
    const SeView v(b.line());
    EXPECT_EQ(v.recordKind(), "SE");
    EXPECT_EQ(v.raceNumber(), 5);
    EXPECT_EQ(v.bracket(), 7);
    EXPECT_EQ(v.horseNumber(), 13);
    EXPECT_EQ(v.horseNumberText(), "13");
    EXPECT_EQ(text::trim(v.horseName()), sj("トウキョウスター"));
    EXPECT_EQ(v.horseName().size(), 36u);
    EXPECT_EQ(v.sexCode(), "2");
    EXPECT_EQ(v.age(), 4);
    EXPECT_EQ(text::trim(v.trainer()), sj("佐藤"));
    EXPECT_EQ(v.weightField(), "550");
    EXPECT_EQ(v.weightTenths(), 550);
    EXPECT_DOUBLE_EQ(v.weightKilograms(false), 55.0);
    EXPECT_EQ(text::trim(v.jockey()), sj("森泰斗"));
    EXPECT_EQ(v.finishPosition(), 3);
    EXPECT_EQ(v.finalWinOddsTenths(), 123);
    EXPECT_DOUBLE_EQ(v.finalWinOdds(), 12.3);
    EXPECT_EQ(v.finalWinOddsField(), OddsField::fromTenths(123));
    EXPECT_EQ(v.finalWinPopularity(), 5);
    EXPECT_EQ(b.line().substr(288, 3), "550");
    EXPECT_EQ(b.line().substr(359, 6), "012305");
}

TEST(SeRecord, BaneiWeightIsHexadecimalKilograms)
{
    const SeBuilder b = SeBuilder().track("81").baneiWeight(720);
    EXPECT_EQ(b.line().substr(288, 3), "2D0");
    const SeView v(b.line());
    EXPECT_EQ(v.baneiWeight(), 720);
    EXPECT_DOUBLE_EQ(v.weightKilograms(true), 720.0);
    EXPECT_EQ(SeView(SeBuilder().baneiWeight(1000).line()).weightField(), "3E8");
    // Blank weights read 0 in both readings (three blanks on screen, never a failure).
    const std::string blankLine = SeBuilder().track("81").line();
    const SeView blank(blankLine);
    EXPECT_EQ(blank.baneiWeight(), 0);
    EXPECT_EQ(blank.weightTenths(), 0);
    // Too heavy for three digits: the largest the field holds.
    EXPECT_EQ(SeView(SeBuilder().baneiWeight(0x1000).line()).weightField(), "FFF");
    // Decimal weight damaged with a hex digit reads its leading digits.
    EXPECT_EQ(SeView(SeBuilder().set(289, "2D0").line()).weightTenths(), 2);
}

TEST(SeRecord, DoubleByteNamesFitTheirWidth)
{
    // Eighteen full-width characters end exactly at the last byte of the name field.
    const std::string eighteen = sj("アイウエオカキクケコサシスセソタチツ");
    ASSERT_EQ(eighteen.size(), 36u);
    const SeBuilder full = SeBuilder().horseName(eighteen).sex("1");
    EXPECT_EQ(SeView(full.line()).horseName(), eighteen);
    EXPECT_EQ(SeView(full.line()).sexCode(), "1");
    EXPECT_EQ(text::toUtf8(SeView(full.line()).horseName()), "アイウエオカキクケコサシスセソタチツ");

    // One half-width byte in front: the last character no longer fits and is left out
    // whole, not cut in half.
    const std::string longer = "A" + eighteen;
    const std::string cutLine = SeBuilder().horseName(longer).line();
    const SeView cut(cutLine);
    EXPECT_EQ(cut.horseName(), "A" + eighteen.substr(0, 34) + " ");
    EXPECT_EQ(text::toUtf8(text::trim(cut.horseName())), "Aアイウエオカキクケコサシスセソタチ");

    // A text that arrives with a dangling lead byte does not glue onto the next field.
    const std::string dangling = sj("アイ").substr(0, 3);
    EXPECT_EQ(SeView(SeBuilder().trainer(dangling).line()).trainer(), sj("ア") + std::string(6, ' '));

    // Half-width katakana are single bytes.
    EXPECT_EQ(fitToWidth(sj("ﾀﾞｰﾄ"), 3), sj("ﾀﾞｰ"));
    EXPECT_EQ(fitToWidth("", 4), "    ");
}

TEST(SeRecord, NameEndingAtTheLastByteOfTheLineIsKeptWhole)
{
    // A record whose last bytes are a double-byte character keeps both bytes.
    const std::string tail = sj("馬");
    const SeBuilder b = SeBuilder().text(kSeLineLength - 1, 2, tail);
    EXPECT_EQ(b.line().size(), kSeLineLength);
    EXPECT_EQ(b.line().substr(kSeLineLength - 2), tail);
    const SeView v(b.line());
    EXPECT_EQ(v.bytes(kSeLineLength - 1, 2), tail);
    // A three-byte field there cannot be read past the line: it reads blank.
    EXPECT_EQ(v.bytes(kSeLineLength - 1, 3), "   ");
    // Writers never grow the line.
    EXPECT_EQ(SeBuilder().text(kSeLineLength, 4, "ABCD").line().size(), kSeLineLength);
}

// ---- Odds fields ---------------------------------------------------------------------

TEST(OddsFieldTest, MarkersOfEveryWidth)
{
    for (std::size_t w : {kWinOddsWidth, kBracketOddsWidth, kQuinellaOddsWidth}) {
        SCOPED_TRACE(w);
        const OddsField before = OddsField::parse(std::string(w, '-'));
        EXPECT_EQ(before.kind(), OddsKind::CancelledBeforeSale);
        EXPECT_DOUBLE_EQ(before.value(), -1.0);
        const OddsField after = OddsField::parse(std::string(w, '*'));
        EXPECT_EQ(after.kind(), OddsKind::CancelledAfterSale);
        EXPECT_DOUBLE_EQ(after.value(), -1.0);
        const OddsField zeros = OddsField::parse(std::string(w, '0'));
        EXPECT_EQ(zeros.kind(), OddsKind::NoVotes);
        EXPECT_DOUBLE_EQ(zeros.value(), 0.0);
        EXPECT_TRUE(zeros.isEntry());
        const OddsField blank = OddsField::parse(std::string(w, ' '));
        EXPECT_EQ(blank.kind(), OddsKind::Blank);
        EXPECT_DOUBLE_EQ(blank.value(), -2.0);
        EXPECT_FALSE(blank.isEntry());
        EXPECT_FALSE(before.isEntry());
        for (const OddsField& f : {before, after, zeros, blank})
            EXPECT_EQ(OddsField::parse(f.format(w)), f);
    }
}

TEST(OddsFieldTest, CancellationOnlyWhenTheMarkerFillsTheField)
{
    EXPECT_EQ(OddsField::parse("----").kind(), OddsKind::CancelledBeforeSale);
    EXPECT_EQ(OddsField::parse("---- ").kind(), OddsKind::Unreadable);
    EXPECT_EQ(OddsField::parse(" ----").kind(), OddsKind::Unreadable);
    EXPECT_EQ(OddsField::parse("*****").kind(), OddsKind::CancelledAfterSale);
    EXPECT_EQ(OddsField::parse("****  ").kind(), OddsKind::Unreadable);
    EXPECT_EQ(OddsField::parse("--**").kind(), OddsKind::Unreadable);
    // Other text is damage worth 0.0 that still counts as a running horse.
    EXPECT_DOUBLE_EQ(OddsField::parse("---- ").value(), 0.0);
    EXPECT_DOUBLE_EQ(OddsField::parse("12a4").value(), 0.0);
    EXPECT_TRUE(OddsField::parse("12a4").isEntry());
    EXPECT_FALSE(OddsField::parse("12a4").hasNumber());
}

TEST(OddsFieldTest, DigitsAreTenths)
{
    EXPECT_DOUBLE_EQ(OddsField::parse("0035").value(), 3.5);
    EXPECT_DOUBLE_EQ(OddsField::parse("01234").value(), 123.4);
    EXPECT_DOUBLE_EQ(OddsField::parse("999999").value(), 99999.9);
    EXPECT_DOUBLE_EQ(OddsField::parse("  35").value(), 3.5);
    EXPECT_EQ(OddsField::parse("1234").tenths(), 1234);
    EXPECT_EQ(OddsField::parse("").kind(), OddsKind::Blank);
    EXPECT_EQ(OddsField::fromOdds(3.5), OddsField::fromTenths(35));
    EXPECT_EQ(OddsField::fromOdds(0.0), OddsField::noVotes());
    EXPECT_EQ(OddsField::fromOdds(-1.0).kind(), OddsKind::Unreadable);
    EXPECT_EQ(OddsField::fromTenths(35).format(4), "0035");
    EXPECT_EQ(OddsField::fromTenths(1234).format(5), "01234");
    // Odds beyond the width write the widest number, never a longer field.
    EXPECT_EQ(OddsField::fromTenths(123456).format(4), "9999");
    EXPECT_EQ(OddsField::unreadable().format(4), "????");
}

// ---- O1 ------------------------------------------------------------------------------

TEST(O1Record, EverySlotRoundTrips)
{
    O1Builder b;
    b.dataKind('3').creationDate("20240115").date(2024, 1, 15).track("44").meeting(1).day(2).race(3);
    b.announcement(1, 15, 15, 32).winSale('7').placeSale('1').bracketSale('0');
    for (int h = 1; h <= kOddsHorseSlots; ++h) {
        b.win(h, OddsField::fromTenths(10 * h + 1), h);
        b.place(h, OddsField::fromTenths(h + 10), OddsField::fromTenths(h + 100), 19 - h);
    }
    for (int k = 1; k <= kOddsBracketPairSlots; ++k)
        b.bracketQuinella(k, OddsField::fromTenths(1000 + k), k);
    b.winVotes(12345678901).placeVotes(2).bracketVotes(987654);

    const O1View v(b.line());
    EXPECT_EQ(v.recordKind(), "O1");
    EXPECT_EQ(v.dataKind(), "3");
    EXPECT_EQ(v.raceKey(), "2024011544010203");
    EXPECT_EQ(v.announcementTime(), "01151532");
    EXPECT_EQ(v.announcementNumber(), 1151532);
    EXPECT_EQ(v.announcementMonth(), 1);
    EXPECT_EQ(v.announcementDay(), 15);
    EXPECT_EQ(v.announcementHour(), 15);
    EXPECT_EQ(v.announcementMinute(), 32);
    EXPECT_EQ(v.announcementHhmm(), "1532");
    EXPECT_EQ(v.winSaleFlag(), "7");
    EXPECT_EQ(v.placeSaleFlag(), "1");
    EXPECT_EQ(v.bracketSaleFlag(), "0");
    for (int h = 1; h <= kOddsHorseSlots; ++h) {
        SCOPED_TRACE(h);
        EXPECT_EQ(v.win(h).tenths(), 10 * h + 1);
        EXPECT_EQ(v.winPopularity(h), h);
        EXPECT_EQ(v.placeLow(h).tenths(), h + 10);
        EXPECT_EQ(v.placeHigh(h).tenths(), h + 100);
        EXPECT_EQ(v.placePopularity(h), 19 - h);
    }
    for (int k = 1; k <= kOddsBracketPairSlots; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(v.bracketQuinella(k).tenths(), 1000 + k);
        EXPECT_EQ(v.bracketPopularity(k), k);
    }
    EXPECT_EQ(v.winVotes(), 12345678901);
    EXPECT_EQ(v.placeVotes(), 2);
    EXPECT_EQ(v.bracketVotes(), 987654);
    // Horse 18 is the last horse read; its slots lie well inside the 28 the record has.
    EXPECT_EQ(b.line().substr(185, 2), "18");    // win popularity at 50 + 8 * 17
    EXPECT_EQ(b.line().substr(473, 10), "0028011801"); // place 270 + 12 * 17: low, high, popularity
    EXPECT_EQ(b.line().substr(927, 11), "12345678901");
}

TEST(O1Record, FieldPositionsAsPublished)
{
    const std::string line = O1Builder().win(1, 3.5, 2).win(2, 12.0, 1).place(1, 1.2, 1.9, 3).bracketQuinella(1, 123.4, 4).line();
    EXPECT_EQ(line.substr(45, 6), "003502");   // win horse 1 at 46, popularity at 50
    EXPECT_EQ(line.substr(53, 6), "012001");   // horse 2 eight bytes later
    EXPECT_EQ(line.substr(269, 10), "0012001903"); // place low 270, high 274, popularity 278
    EXPECT_EQ(line.substr(605, 7), "0123404"); // bracket pair 1 at 606, popularity 611
}

TEST(O1Record, MarkersAndBlankSlots)
{
    const std::string vLine = O1Builder()
                   .win(1, OddsField::cancelledBeforeSale())
                   .win(2, OddsField::cancelledAfterSale())
                   .win(3, OddsField::noVotes())
                   .place(1, OddsField::cancelledBeforeSale(), OddsField::cancelledBeforeSale())
                   .place(3, OddsField::noVotes(), OddsField::noVotes())
                   .bracketQuinella(1, OddsField::cancelledAfterSale())
                   .bracketQuinella(2, OddsField::noVotes())
                   .line();
    const O1View v(vLine);
    EXPECT_EQ(v.winField(1), "----");
    EXPECT_EQ(v.winField(2), "****");
    EXPECT_EQ(v.bracketField(1), "*****");
    EXPECT_EQ(v.placeLowField(1), "----");
    EXPECT_EQ(v.win(1).kind(), OddsKind::CancelledBeforeSale);
    EXPECT_EQ(v.win(2).kind(), OddsKind::CancelledAfterSale);
    EXPECT_EQ(v.win(3).kind(), OddsKind::NoVotes);
    EXPECT_DOUBLE_EQ(v.win(4).value(), -2.0); // never written: blank slot
    EXPECT_EQ(v.winPopularity(4), 0);
    EXPECT_EQ(v.placeLow(1).kind(), OddsKind::CancelledBeforeSale);
    EXPECT_EQ(v.placeHigh(3).kind(), OddsKind::NoVotes);
    EXPECT_EQ(v.bracketQuinella(1).kind(), OddsKind::CancelledAfterSale);
    EXPECT_EQ(v.bracketQuinella(2).kind(), OddsKind::NoVotes);
    EXPECT_EQ(v.bracketQuinella(3).kind(), OddsKind::Blank);
    // Blank slots carry blank popularity, not "00".
    EXPECT_EQ(v.bytes(winPopularityPos(4), 2), "  ");
    // A four-wide '-' run in a five-wide bracket slot is not a cancellation.
    const std::string damagedLine = O1Builder().set(bracketOddsPos(1), "---- ").line();
    const O1View damaged(damagedLine);
    EXPECT_EQ(damaged.bracketQuinella(1).kind(), OddsKind::Unreadable);
}

TEST(O1Record, SlotsOutsideTheRecordReadBlankAndWriteNothing)
{
    const O1Builder b = O1Builder().win(0, 9.9, 1).win(19, 9.9, 1).bracketQuinella(37, 9.9, 1).place(-1, 1.0, 1.0, 1);
    EXPECT_EQ(b.line(), O1Builder().line());
    const O1View v(b.line());
    EXPECT_TRUE(v.win(0).isBlank());
    EXPECT_TRUE(v.win(19).isBlank());
    EXPECT_TRUE(v.placeHigh(19).isBlank());
    EXPECT_TRUE(v.bracketQuinella(0).isBlank());
    EXPECT_TRUE(v.bracketQuinella(37).isBlank());
    EXPECT_EQ(v.winPopularity(19), 0);
    EXPECT_EQ(v.bracketPopularity(37), 0);
    EXPECT_EQ(v.winField(19), "");
}

// ---- O2 ------------------------------------------------------------------------------

TEST(O2Record, EveryPairRoundTrips)
{
    O2Builder b;
    b.date(2024, 1, 15).track("44").meeting(1).day(2).race(3).announcement("01151532").quinellaSale('1');
    for (int k = 1; k <= kOddsQuinellaPairSlots; ++k)
        b.quinella(k, OddsField::fromTenths(100000 + k), k);
    b.quinellaVotes(55555555555);
    const O2View v(b.line());
    EXPECT_EQ(v.recordKind(), "O2");
    EXPECT_EQ(v.announcementTime(), "01151532");
    EXPECT_EQ(v.quinellaSaleFlag(), "1");
    for (int k = 1; k <= kOddsQuinellaPairSlots; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(v.quinella(k).tenths(), 100000 + k);
        EXPECT_EQ(v.quinellaPopularity(k), k);
    }
    EXPECT_EQ(v.quinellaVotes(), 55555555555);
    EXPECT_EQ(b.line().substr(44, 9), "100001001");
    EXPECT_EQ(b.line().substr(2029, 11), "55555555555");
    EXPECT_TRUE(v.quinella(154).isBlank());
}

TEST(O2Record, SixWideMarkers)
{
    const std::string vLine = O2Builder()
                   .quinella(1, OddsField::cancelledBeforeSale())
                   .quinella(2, OddsField::cancelledAfterSale())
                   .quinella(3, OddsField::noVotes(), 0)
                   .quinella(4, 1234.5, 153)
                   .set(quinellaOddsPos(5), "----- ")
                   .line();
    const O2View v(vLine);
    EXPECT_EQ(v.quinellaField(1), "------");
    EXPECT_EQ(v.quinella(1).kind(), OddsKind::CancelledBeforeSale);
    EXPECT_EQ(v.quinella(2).kind(), OddsKind::CancelledAfterSale);
    EXPECT_EQ(v.quinellaField(3), "000000");
    EXPECT_EQ(v.bytes(quinellaPopularityPos(3), 3), "000");
    EXPECT_DOUBLE_EQ(v.quinella(4).value(), 1234.5);
    EXPECT_EQ(v.quinellaPopularity(4), 153);
    EXPECT_EQ(v.quinella(5).kind(), OddsKind::Unreadable);
    EXPECT_TRUE(v.quinella(6).isBlank());
}

// ---- HR ------------------------------------------------------------------------------

TEST(HrRecord, FirstWinEntryAsPublished)
{
    const HrBuilder b = HrBuilder().date(2024, 1, 15).track("44").race(1).win(1, 1, 150, 1).win(2, 10, 2340, 4);
    EXPECT_EQ(b.line().substr(102, 13), "0100000015001");
    EXPECT_EQ(b.line().substr(115, 2), "10");        // win 2 horse at 116-117
    EXPECT_EQ(b.line().substr(117, 9), "000002340"); // amount at 118-126
    EXPECT_EQ(b.line().substr(126, 2), "04");        // popularity at 127-128
    const HrView v(b.line());
    const PayoutEntry e = v.payout(PayoutKind::Win, 1);
    EXPECT_EQ(e.count, 1);
    EXPECT_EQ(e.numbers[0], 1);
    EXPECT_EQ(e.amount, 150);
    EXPECT_EQ(e.popularity, 1);
    EXPECT_EQ(e.combination, "01");
    EXPECT_FALSE(e.isEmpty());
    EXPECT_TRUE(v.payout(PayoutKind::Win, 3).isEmpty());
    EXPECT_EQ(v.payouts(PayoutKind::Win).size(), 2u);
}

TEST(HrRecord, CombinationsOfBracketsAndHorses)
{
    const std::string vLine = HrBuilder().bracketQuinella(1, 3, 6, 880, 3).quinella(1, 3, 12, 12340, 21).line();
    const HrView v(vLine);
    const PayoutEntry bq = v.payout(PayoutKind::BracketQuinella, 1);
    EXPECT_EQ(bq.combination, "36");
    EXPECT_EQ(bq.numbers[0], 3);
    EXPECT_EQ(bq.numbers[1], 6);
    const PayoutEntry q = v.payout(PayoutKind::Quinella, 1);
    EXPECT_EQ(q.combination, "0312");
    EXPECT_EQ(q.numbers[0], 3);
    EXPECT_EQ(q.numbers[1], 12);
    EXPECT_EQ(q.popularity, 21);
}

TEST(HrRecord, EveryKindAndSlotRoundTripsWithoutOverlap)
{
    HrBuilder b;
    int serial = 0;
    for (PayoutKind kind : kPayoutKinds) {
        const PayoutLayout l = payoutLayout(kind);
        for (int i = 1; i <= l.slots; ++i) {
            ++serial;
            const int a = l.digitsPerNumber == 1 ? 1 + serial % 8 : 1 + serial % 18;
            b.payout(kind, i, {a, a, a}, 100 * serial, serial);
        }
    }
    // The last trifecta entry ends at the last byte of the line.
    EXPECT_NE(b.line().back(), ' ');
    const HrView v(b.line());
    serial = 0;
    std::size_t total = 0;
    for (PayoutKind kind : kPayoutKinds) {
        const PayoutLayout l = payoutLayout(kind);
        const std::vector<PayoutEntry> entries = v.payouts(kind);
        ASSERT_EQ(entries.size(), static_cast<std::size_t>(l.slots));
        total += entries.size();
        for (int i = 1; i <= l.slots; ++i) {
            ++serial;
            const int a = l.digitsPerNumber == 1 ? 1 + serial % 8 : 1 + serial % 18;
            const PayoutEntry& e = entries[static_cast<std::size_t>(i - 1)];
            SCOPED_TRACE(serial);
            EXPECT_EQ(e.kind, kind);
            EXPECT_EQ(e.index, i);
            EXPECT_EQ(e.count, l.numbers);
            for (int n = 0; n < l.numbers; ++n)
                EXPECT_EQ(e.numbers[static_cast<std::size_t>(n)], a);
            EXPECT_EQ(e.amount, 100 * serial);
            EXPECT_EQ(e.popularity, serial);
        }
    }
    EXPECT_EQ(v.payouts().size(), total);
    EXPECT_EQ(total, 39u);
}

TEST(HrRecord, TrioAndTrifectaLayouts)
{
    const HrBuilder b = HrBuilder().trio(1, 1, 5, 12, 45670, 123).trifecta(6, 12, 5, 1, 1234560, 1500);
    EXPECT_EQ(b.line().substr(549, 18), "010512000045670123");
    EXPECT_EQ(b.line().substr(603 + 5 * 19, 19), "1205010012345601500");
    const HrView v(b.line());
    const PayoutEntry t = v.payout(PayoutKind::Trifecta, 6);
    EXPECT_EQ(t.numbers, (std::array<int, 3>{12, 5, 1}));
    EXPECT_EQ(t.amount, 1234560);
    EXPECT_EQ(t.popularity, 1500);
    EXPECT_EQ(v.payout(PayoutKind::Trio, 1).numbers, (std::array<int, 3>{1, 5, 12}));
}

TEST(HrRecord, BlankShortAndOutOfRangeEntries)
{
    const std::string blankLine = HrBuilder().line();
    const HrView blank(blankLine);
    EXPECT_TRUE(blank.payouts().empty());
    const std::string zerosLine = HrBuilder().win(1, 0, 0, 0).line();
    const HrView zeros(zerosLine);
    EXPECT_TRUE(zeros.payouts().empty());
    const std::string full = HrBuilder().win(1, 1, 150, 1).place(5, 9, 123456789, 9).line();
    const HrView cut(std::string_view(full).substr(0, 200));
    EXPECT_TRUE(cut.wasShort());
    EXPECT_EQ(cut.payouts(PayoutKind::Win).size(), 1u);
    // Place 5 is cut inside its amount (196-204): the amount reads 0, never 12345.
    EXPECT_EQ(cut.payout(PayoutKind::Place, 5).numbers[0], 9);
    EXPECT_EQ(cut.payout(PayoutKind::Place, 5).amount, 0);
    EXPECT_EQ(cut.payout(PayoutKind::Place, 5).popularity, 0);
    EXPECT_EQ(HrView(full).payout(PayoutKind::Place, 5).amount, 123456789);
    EXPECT_TRUE(HrView(full).payout(PayoutKind::Place, 6).isEmpty());
    EXPECT_TRUE(HrView(full).payout(PayoutKind::Win, 0).isEmpty());
    EXPECT_EQ(HrBuilder().win(4, 1, 1, 1).line(), HrBuilder().line());
    // Damaged amount reads 0 but the entry still has its horse.
    const std::string damagedLine = HrBuilder().win(1, 3, 150, 1).set(105, "ABCDEFGHI").line();
    const HrView damaged(damagedLine);
    EXPECT_EQ(damaged.payout(PayoutKind::Win, 1).amount, 0);
    EXPECT_EQ(damaged.payout(PayoutKind::Win, 1).numbers[0], 3);
}

TEST(HrRecord, EntryCopiedBackThroughTheBuilder)
{
    const std::string vLine = HrBuilder().exacta(2, 7, 3, 5430, 17).line();
    const HrView v(vLine);
    const PayoutEntry e = v.payout(PayoutKind::Exacta, 2);
    EXPECT_EQ(HrBuilder().payout(e).line(), v.line());
}

// ---- Builders: numbers --------------------------------------------------------------

TEST(RecordBuilderTest, NumbersAreZeroPaddedAndClamped)
{
    const RaBuilder b = RaBuilder().runners(123).distance(-5).edition(7);
    EXPECT_EQ(b.line().substr(881, 2), "99");
    EXPECT_EQ(b.line().substr(697, 4), "0000");
    EXPECT_EQ(b.line().substr(611, 3), "007");
    EXPECT_EQ(RaBuilder().line().substr(2, 1), "1"); // data kind "1" unless told
    EXPECT_EQ(RaBuilder().line().substr(3), std::string(kRaLineLength - 3, ' '));
}

} // namespace
} // namespace tidemark::records
