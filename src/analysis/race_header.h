#pragma once
// The header above the race's tables: title lines, track and race number, and the
// colour of the header panel by the race's surface.

#include <optional>
#include <string>
#include <string_view>

namespace tidemark::analysis {

struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;
    auto operator<=>(const Rgb&) const = default;
};

inline constexpr Rgb kDirtColour{170, 166, 106}; // sand
inline constexpr Rgb kTurfColour{0, 128, 0};     // green

struct RaceHeader {
    std::string TitleLabel1; // date, weekday, track, meeting, race, post time, going
    std::string TitleLabel2; // edition and race name
    std::string TitleLabel3; // runners, distance, course, grade, symbol
    std::string TitleLabel4; // weight rule, race kind, condition name
    std::string BashoLabel;  // track name
    std::string RaceLabel;   // race number without blanks
    std::optional<Rgb> Panel3Colour; // unset: the panel keeps its colour
};

// "含水率(%):2.5" from the two moisture characters of a ばんえい race (a hexadecimal
// number of tenths); the text alone when the characters are no such number.
std::string moistureText(std::string_view twoChars);

// The going of a race: the moisture on ばんえい tracks, otherwise turf and dirt going
// joined by a full-width blank.
std::string trackConditionText(std::string_view raRecord);

RaceHeader raceHeader(std::string_view raRecord);

} // namespace tidemark::analysis
