#pragma once
// Code tables of central racing, the twin of KeibaFuncNV that the specific-time odds
// export uses. Same rules for codes and defaults; the tables differ: no ばんえい tracks
// and no 春木 (such a race exports four blanks as its track), five more foreign
// countries, only the central race kinds, the JG and List grades, weight kinds 1-4, and
// the 6-byte course and race-condition class texts of the export.

#include <string>
#include <string_view>

namespace tidemark::KeibaFunc {

// Form 2: 4 bytes, four half-width blanks for an unlisted code. Form 0: 6 bytes, six
// half-width blanks for an unlisted code. Any other form: empty.
std::string TrackName(std::string_view code, int form);

// Form 4: four full-width characters for the central kinds (11-14, 18, 19, 21-24);
// "　　　　" for every other code, the local kinds included.
std::string RaceKindText(std::string_view code, int form = 4);

// Form 1: "G1"-"G3" + three blanks, "重賞"/"特別" + one blank, "JG1"-"JG3" + two blanks,
// "List" + one blank; "　　" + one blank otherwise (also for "-" and the local grades).
std::string GradeText(std::string_view code, int form = 1);

// "ﾊﾝﾃﾞ", "別定", "馬齢", "定量" for 1-4; empty otherwise.
std::string WeightKindText(std::string_view code);

// 6-byte course text read as a number ("芝右外", "ダ左　"); empty for an unlisted value.
std::string CourseShortText(std::string_view code);

// Race-condition class read as a number ("1勝ｸﾗｽ", "新馬", "オープン" …); empty for an
// unlisted value.
std::string ConditionClassText(std::string_view code);

// The value of s right-aligned as wide as s; 0 gives as many blanks as s is long.
std::string RightNumber(std::string_view s);

// "hhmm" plus a signed number of minutes, hours not wrapped at 24; blank gives empty.
std::string AddMinutes(std::string_view hhmm, int minutes);

// "yyyy/mm/dd" plus a signed number of days by the calendar; empty when d is blank or
// is not such a date.
std::string AddDays(std::string_view date, int days);

// The pair labels of the export header, the same as records::bracketPairLabel and
// records::quinellaPairLabel.
std::string BracketPairLabel(int k);
std::string QuinellaPairLabel(int k);

} // namespace tidemark::KeibaFunc
