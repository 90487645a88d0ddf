#pragma once
// The simulated racing world: which local tracks race on which day, and the race cards
// of every meeting day, generated on demand from a seed. A year-long window costs
// nothing until a day is asked for; a day once generated is kept.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "text/date_time.h"

namespace tidemark::nvsim {

// Moments in the world are whole minutes since 1970-01-01 00:00 local time.
using SimMinute = std::int64_t;
SimMinute toSimMinute(const text::DateTime& t) noexcept;
text::DateTime fromSimMinute(SimMinute m) noexcept;
// A race-day moment from a date and an "hhmm" number.
SimMinute atClock(const text::DateTime& day, int hhmm) noexcept;

enum class Scratch {
    None,
    BeforeSale, // withdrawn before the pools opened: "----" throughout
    AfterSale,  // withdrawn while the pools were open: "****" from then on, refunds
};

struct SimRunner {
    int number = 0;  // horse number (gate order), 1 …
    int bracket = 0; // by the bracket rule for the registered field
    std::string name;    // CP932 katakana, at most 18 bytes
    char sex = '1';      // '1' colt, '2' filly, '3' gelding
    int age = 3;
    std::string trainer; // 8 bytes
    std::string jockey;  // 8 bytes
    int weight = 0;      // tenths of a kilogram; on ばんえい tracks kilograms
    double strength = 1; // how the public rates the horse
    double form = 1;     // how the horse actually runs today: its true chance, by weight
    Scratch scratch = Scratch::None;
    SimMinute scratchAt = 0; // AfterSale only
    int finish = 0;          // final position, dead heats share; 0 when it did not run
};

struct SimRace {
    text::DateTime date; // race day, time 00:00
    std::string track;   // two-digit track code
    int meeting = 1;
    int dayOfMeeting = 1;
    int raceNo = 1;
    int postTime = 0;    // hhmm
    char weekday = '0';
    std::string name;      // CP932
    std::string shortName; // CP932, at most 12 bytes
    std::string condition; // CP932
    char grade = '-';
    std::string kind = "13";     // race kind code
    std::string symbol = "   ";  // race symbol code
    char weightRule = '2';
    std::string conditionCode = "000";
    int edition = 0;
    int distance = 1400;
    std::string course = "24";
    char turfGoing = '0';
    char dirtGoing = '1';
    int moisture = 0; // ばんえい: tenths of a percent
    std::vector<SimRunner> runners;
    bool cancelled = false;
    SimMinute cancelAt = 0;
    bool advanceSale = false;
    SimMinute advanceStart = 0; // evening before, when advanceSale
    SimMinute advanceEnd = 0;
    SimMinute saleStart = 0;    // race morning
    int resultDelay = 5;        // minutes after the post time
    std::uint64_t seed = 0;     // the race's own stream (odds, payouts)
    double poolVotes = 10000;   // expected win votes at the close: the track, the card, the day
    // Informed money ("steam"): a block on one runner within a few minutes before the
    // post, from people who know it runs better than the crowd thinks.
    int steamHorse = 0;         // horse number; 0 = none in this race
    SimMinute steamAt = 0;      // the block starts
    int steamMinutes = 0;       // and lasts this long
    double steamBoost = 1;      // the runner is this many times as likely to win as the crowd thinks

    // Bytes 12-27 of every record of the race.
    std::string key() const;
    std::string dayKey() const; // yyyymmdd
    bool banei() const { return track == "83" || track == "81" || track == "82" || track == "84"; }
    int runnerCount() const { return static_cast<int>(runners.size()); }
    SimMinute postAt() const { return atClock(date, postTime); }
    // When the result is official: post time plus a few minutes; never for a cancelled race.
    SimMinute resultAt() const { return postAt() + resultDelay; }
    // Gates are drawn at noon the day before; until then the card has no horse numbers.
    SimMinute drawAt() const { return atClock(date.addDays(-1), 1200); }
    // The entries (names, no gates) are published two days before.
    SimMinute entriesAt() const { return atClock(date.addDays(-2), 1600); }
};

struct SimMeeting {
    text::DateTime date;
    std::string track;
    int meeting = 1;
    int dayOfMeeting = 1;
};

// How often informed money turns up and how much its runner is underrated.
struct SteamPlan {
    int ratePercent = 10;      // of the races; 0 = never
    int strengthPercent = 100; // the runner's true chance is this much above the crowd's; 0 = none
    bool operator==(const SteamPlan&) const = default;
};

class SimWorld {
public:
    // Days from firstDay to lastDay inclusive (dates only; times are ignored).
    SimWorld(std::uint64_t seed, const text::DateTime& firstDay, const text::DateTime& lastDay,
             SteamPlan steam = {});

    std::uint64_t seed() const { return m_seed; }
    const SteamPlan& steam() const { return m_steam; }
    const text::DateTime& firstDay() const { return m_first; }
    const text::DateTime& lastDay() const { return m_last; }
    bool inWindow(const text::DateTime& day) const;
    // Moves the window; the days already generated stay valid (they depend on the seed only).
    void setWindow(const text::DateTime& firstDay, const text::DateTime& lastDay);

    // Meeting days on a date, in track-code order; empty outside the window.
    std::vector<SimMeeting> meetingsOn(const text::DateTime& day) const;
    // The races of one meeting day, generated on first use.
    const std::vector<SimRace>& races(const SimMeeting& meeting) const;
    // Every race of a date, track by track.
    std::vector<const SimRace*> racesOn(const text::DateTime& day) const;
    // The race of a 16-digit key, or nullptr.
    const SimRace* findRace(std::string_view key) const;

private:
    std::vector<SimRace> generate(const SimMeeting& meeting) const;

    std::uint64_t m_seed;
    SteamPlan m_steam;
    text::DateTime m_first;
    text::DateTime m_last;
    mutable std::map<std::string, std::vector<SimRace>> m_cache; // by yyyymmdd + track
};

// The bracket of horse h in a field of n (local racing's rule, up to 18 runners).
int bracketOf(int runners, int horse) noexcept;

} // namespace tidemark::nvsim
