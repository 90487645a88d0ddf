#pragma once
// Small text functions shared by acquisition, analysis and export. All take and
// return CP932 texts; integers inside them are read by readInt.

#include <string>
#include <string_view>

namespace tidemark::text {

// (hours(a)*60 + minutes(a)) - (hours(b)*60 + minutes(b)) of two "hhmm" texts;
// 10000 when either is blank after trimming.
int minutesBetween(std::string_view a, std::string_view b);

// "hhmm" plus n minutes, without wrap at midnight (2350 + 20 -> "2410");
// a blank time gives the empty text; a total before midnight gives "0000".
std::string addMinutes(std::string_view hhmm, int minutes);

// s with the bytes from position p (1-based) replaced by r, for the length of r.
// The text grows when r runs past its end.
std::string overwrite(std::string_view s, std::size_t p, std::string_view r);

// Integer value of s right-aligned in a field as wide as s; 0 gives blanks.
std::string rightNumber(std::string_view s);

// Integer value of s with thousands commas right-aligned in w characters; 0 gives blanks.
std::string groupedNumber(std::string_view s, int w);

// Integer value of s divided by 10 with one decimal, right-aligned in len(s)+1
// characters; 0 gives len(s) blanks.
std::string tenths(std::string_view s);

} // namespace tidemark::text
