#pragma once
// The code-to-text tables behind KeibaFuncNV and its central-racing twin KeibaFunc.
// Written in the source as UTF-8 and converted to CP932 once, on first use; after that
// every lookup is a plain map search. Keys are the raw record codes, compared whole and
// case-sensitively.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace tidemark::records::code_tables {

using TextTable = std::map<std::string, std::string, std::less<>>;
using NumberTable = std::map<std::int64_t, std::string>;

struct TrackNames {
    std::string form0; // 6 bytes
    std::string form2; // 4 bytes
};
using TrackTable = std::map<std::string, TrackNames, std::less<>>;

// The text of `code`, or `fallback` when the table does not list it.
std::string lookup(const TextTable& table, std::string_view code, std::string_view fallback);
std::string lookup(const NumberTable& table, std::int64_t value, std::string_view fallback);
// The track name of `code` in form 0 (6 bytes) or 2 (4 bytes), blanks of that width for a code
// the table does not list, empty for any other form.
std::string trackName(const TrackTable& table, std::string_view code, int form);

// Default texts shared by both code sets: four full-width blanks for a race kind, two
// full-width and one half-width blank for a grade, "－" for a number outside 1-18.
const std::string& blankRaceKind();
const std::string& blankGrade();
const std::string& noCircledNumber();

// Tracks: local racing knows the ばんえい tracks and 春木; central racing knows five more
// foreign countries.
const TrackTable& localTracks();
const TrackTable& centralTracks();

// Race symbol, one table per character of the three-character code.
const TextTable& generalSymbolFirst();
const TextTable& generalSymbolSecond();
const TextTable& generalSymbolThird();
const TextTable& baneiSymbolFirst();
const TextTable& baneiSymbolSecond();
const TextTable& baneiSymbolThird();

const TextTable& localRaceKinds();
const TextTable& centralRaceKinds();
const TextTable& localGrades();
const TextTable& centralGrades();
const NumberTable& weekdays();
const TextTable& localWeightKinds();
const TextTable& centralWeightKinds();
const NumberTable& courseLong();  // surface, direction and inner/outer course
const NumberTable& courseShort(); // the 6-byte export form
const NumberTable& conditionClasses();
const TextTable& goings(); // without the surface prefix
const TextTable& sexes();
const NumberTable& circledNumbers();

} // namespace tidemark::records::code_tables
