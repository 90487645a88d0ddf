#pragma once
// A season of the store read day by day through the engine's own readers: the stored
// meeting days of a range, and each day as the main window loads it (race cards and
// runners into the day table, results and payouts as the payout import matches them),
// so the analyses see exactly what the window would show. One day is held at a time.

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

private:
    analysis::DayTable m_table;
    results::DayPayouts m_payouts;
    std::string m_label;
    std::string m_date;
    std::vector<StoredRace> m_races;
};

} // namespace tidemark::analytics
