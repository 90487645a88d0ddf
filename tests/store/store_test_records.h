#pragma once
// Records of one meeting day (2024-01-15, meeting 1, day 2) for the store tests, built
// with the record builders; tests change what they are about.

#include "records/record_builder.h"

#include <string_view>

namespace tidemark::store::testrec {

using records::HrBuilder;
using records::O1Builder;
using records::O2Builder;
using records::RaBuilder;
using records::SeBuilder;

template <class Builder>
Builder onDay(Builder b, std::string_view track, int race)
{
    b.date(2024, 1, 15).track(track).meeting(1).day(2).race(race).creationDate(2024, 1, 10);
    return b;
}

inline RaBuilder raceCard(std::string_view track, int race) { return onDay(RaBuilder(), track, race); }
inline HrBuilder payout(std::string_view track, int race) { return onDay(HrBuilder(), track, race); }
inline SeBuilder runner(std::string_view track, int race, int horse)
{
    return onDay(SeBuilder(), track, race).horse(horse);
}
// Odds of race `race` at Ooi announced at "mmddhhmm".
inline O1Builder winOdds(int race, std::string_view announced)
{
    return onDay(O1Builder(), "44", race).announcement(announced);
}
inline O2Builder quinellaOdds(int race, std::string_view announced)
{
    return onDay(O2Builder(), "44", race).announcement(announced);
}

} // namespace tidemark::store::testrec
