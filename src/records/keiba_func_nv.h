#pragma once
// Code tables of local racing: record codes to the texts the program shows, writes
// into file names and exports. Plain functions without state; every text is CP932.
//
// Codes are the raw fixed-width record fields, compared whole, byte for byte and
// case-sensitively, without trimming (" 1" is no track). Tables keyed by number read the
// field by the record integer rule (text::readInt: leading half-width blanks skipped,
// optional sign, digits up to the first other byte; no digits read as 0). A code a table
// does not list never fails: it gives the table's default text.

#include <cstdint>
#include <string>
#include <string_view>

namespace tidemark::KeibaFuncNV {

// Track name of a two-character track code. Form 2: two full-width characters
// (4 bytes), four half-width blanks for an unlisted code; this form also names the
// runner files of a meeting day. Form 0: 6 bytes, the form-2 name plus two blanks or a
// three-character name ("岩見沢"); six half-width blanks for an unlisted code. Any
// other form gives the empty text.
std::string TrackName(std::string_view code, int form);

// True for the ばんえい tracks 81-84, whose race symbols and courses read apart.
bool IsBaneiTrack(std::string_view trackCode) noexcept;

// The three characters of a race-symbol code looked up each in its own table (the
// ばんえい set at tracks 81-84, the general set elsewhere), joined by single half-width
// blanks; a character no table lists gives an empty part, the blanks stay.
std::string RaceSymbolText(std::string_view trackCode, std::string_view symbolCode);

// Race kind, form 4: four full-width characters; "　　　　" for an unlisted code.
std::string RaceKindText(std::string_view code, int form = 4);

// Grade, form 1: "G1" + three blanks, "重賞" + one blank … (mostly 5 bytes; the regional
// grades "地区限定1" … and "準重賞" are longer or shorter); "　　" + one blank otherwise.
std::string GradeText(std::string_view code, int form = 1);

// Weekday, form 1, read as a number: 0 a full-width blank, 1 "土" … 8 "金"; empty
// otherwise.
std::string WeekdayText(std::string_view code, int form = 1);

// Weight kind: "ﾊﾝﾃﾞ", "別定", "馬齢", "定量", "騎手ﾊﾝﾃﾞ", "賞金ﾊﾝﾃﾞ", "規定", "見込"
// for 1-4 and 6-9; empty otherwise.
std::string WeightKindText(std::string_view code);

// Course (surface, direction, inner or outer course) read as a number, such as
// "ﾀﾞｰﾄ 右回り"; empty for an unlisted value.
std::string TrackKindText(std::string_view code);

// Going with its surface: form 1 turf ("芝:良"), form 2 dirt ("ダ:良"); empty for an
// unlisted code or form.
std::string GoingText(std::string_view code, int form);

// "牡", "牝", "ｾﾝ"; empty otherwise.
std::string SexText(std::string_view code);

// "①" … "⑱" for a number text reading 1-18; "－" otherwise.
std::string CircledNumber(std::string_view number);

// Bracket 1..8 of a horse for the race's runner count; 0 when the two cannot belong to
// one race (see records::BracketOfHorse).
int BracketOfHorse(int runnerCount, int horse) noexcept;

// The unit's own number and time texts, the same as the shared text functions:
// the value of s right-aligned as wide as s (0 gives blanks), and "hhmm" plus minutes.
std::string RightNumber(std::string_view s);
std::string AddMinutes(std::string_view hhmm, int minutes);

} // namespace tidemark::KeibaFuncNV
