#pragma once
// A season of the store read day by day through the engine's own readers: the stored
// meeting days of a range, and each day as the main window loads it (race cards and
// runners into the day table, results and payouts as the payout import matches them),
// so the analyses see exactly what the window would show. One day is held at a time.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/day_table.h"
#include "analysis/race_calendar.h"
#include "analysis/snapshot_series.h"
#include "results/payout_import.h"
#include "store/store_layout.h"
#include "text/date_time.h"

namespace tidemark::analytics {

// A calendar date of eight digits ("20240115"); nullopt for anything else.
std::optional<text::DateTime> dateOfYmd(std::string_view yyyymmdd);

// Minutes since 1970-01-01 00:00 (local time, as the records give it).
using MinuteStamp = std::int64_t;

MinuteStamp stampOf(const text::DateTime& t);
// "yyyy-mm-dd hh:mm".
std::string stampText(MinuteStamp stamp);

// What every row of one race shares.
struct RaceFacts {
    std::string raceKey;              // 16 digits
    text::DateTime date;              // the race day
    std::optional<MinuteStamp> post;  // post time on the race day; none when blank or not a clock time
    int runners = 0;                  // registered runners, 0..18
    std::string trackCode;

    static RaceFacts of(std::string_view raRecord);

    // When an announcement "MMDDhhmm" was made: on the race's date or the day(s)
    // before it; an announcement in December of a race in January belongs to the year
    // before. None when the text is not such a moment.
    std::optional<MinuteStamp> announced(std::string_view mmddhhmm) const;
};

// Why a line of a race's odds file is not one of its announcements.
enum class OddsLineFault { Kind, Length, RaceKey, Time };
inline constexpr std::size_t kOddsLineFaults = 4;

// The lines of odds files kept and left out.
struct OddsLineTally {
    std::int64_t kept = 0;
    std::array<std::int64_t, kOddsLineFaults> skipped{}; // by OddsLineFault

    std::int64_t skippedOf(OddsLineFault f) const { return skipped[static_cast<std::size_t>(f)]; }
    std::int64_t skippedTotal() const;
    void add(const OddsLineTally& other);
};

// The lines of `bytes`, an odds file of `kind` (O1 or O2), that are announcements of
// the race: records of that kind and length, with the race's key and an announcement
// time that is a moment (RaceFacts::announced). A record of another race filed with
// it, a record cut short or bytes that are no record are left out and counted, so no
// reader of a season takes them for the race's odds.
void keepRaceOddsLines(std::string_view bytes, store::StoreKind kind, const RaceFacts& race,
                       std::vector<std::string_view>& lines, OddsLineTally& tally);

// The day labels of the store's race-card files whose dates lie in [from, to]
// ("yyyymmdd", both included), oldest first. Throws text::FileError when the store
// folder cannot be listed.
std::vector<std::string> storedDaysInRange(const store::StoreLayout& layout, std::string_view fromYmd,
                                           std::string_view toYmd);

// One listed race of a stored day.
struct StoredRace {
    int slot = 0;             // its slot in the day table
    std::string raceKey;      // bytes 12-27, 16 digits
    analysis::RaceOddsFiles odds; // its odds files (they need not exist)
    bool hasPayouts = false;  // a payout record of the race is in the day's payout file
    RaceFacts facts;          // of its race card
};

class StoredDay {
public:
    StoredDay() = default;
    StoredDay(const StoredDay&) = delete;
    StoredDay& operator=(const StoredDay&) = delete;

    // Reads the day of `dayLabel` (CP932). Races whose key is not all digits name no
    // files and are left out. Throws text::FileError when a file exists but cannot be read.
    void load(const store::StoreLayout& layout, std::string_view dayLabel);

    const std::string& label() const { return m_label; }
    // "yyyymmdd" of the day.
    const std::string& date() const { return m_date; }
    const std::vector<StoredRace>& races() const { return m_races; }
    analysis::RaceSlot& slot(const StoredRace& race) { return m_table.slots[static_cast<std::size_t>(race.slot)]; }
    const analysis::RaceSlot& slot(const StoredRace& race) const
    {
        return m_table.slots[static_cast<std::size_t>(race.slot)];
    }
    const results::PayoutTable& payouts(const StoredRace& race) const { return m_payouts.table(race.slot); }

    // The announcements of the race in its odds file of `kind` (O1 or O2), as views into
    // `bytes` (keepRaceOddsLines); the lines left out are counted in oddsLines(). False
    // when the race has no such file. Throws text::FileError when it cannot be read.
    bool readOdds(const StoredRace& race, store::StoreKind kind, std::string& bytes,
                  std::vector<std::string_view>& lines);
    // The odds lines read of this day so far, kept and left out.
    const OddsLineTally& oddsLines() const { return m_oddsLines; }

private:
    analysis::DayTable m_table;
    results::DayPayouts m_payouts;
    std::string m_label;
    std::string m_date;
    std::vector<StoredRace> m_races;
    OddsLineTally m_oddsLines;
};

} // namespace tidemark::analytics
