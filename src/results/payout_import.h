#pragma once
// The payout import of a meeting day: after the races have run, the day's files hold
// the final runner records and one payout record per race. The import brings the race
// cards, runners and final results of the day table up to date from those files and
// rebuilds the payout table of every race slot from the payout record of its race.

#include <array>

#include "analysis/day_table.h"
#include "analysis/race_calendar.h"
#include "results/payout_table.h"

namespace tidemark::results {

// The payout side of the day table: one payout table per race slot and whether a payout
// record has been matched to the slot since the day was loaded.
class DayPayouts {
public:
    // The day reset: every table empty, no slot has its payouts.
    void clear();

    // Slot 0..95; an empty table and false outside.
    const PayoutTable& table(int slot) const;
    bool payoutsLoaded(int slot) const;

    PayoutTable& tableAt(int slot) { return m_tables.at(static_cast<std::size_t>(slot)); }
    void setPayoutsLoaded(int slot) { m_loaded.at(static_cast<std::size_t>(slot)) = true; }

private:
    std::array<PayoutTable, analysis::kRaceSlots> m_tables;
    std::array<bool, analysis::kRaceSlots> m_loaded{};
};

struct PayoutImportResult {
    bool raceCardsFound = false;  // the day's race-card file was read
    bool payoutFileFound = false; // the day's payout file was read; the tables were rebuilt
    // The payouts of the selected race were matched for the first time since the day
    // was loaded: the race is to be shown again.
    bool selectedArrived = false;
    // The race-card file no longer lists the races in the slots the race list was built
    // from (a race was added or removed since the day was loaded): the day is to be
    // loaded again so that every list entry opens its own race.
    bool raceCardsMoved = false;
};

// Imports the day's results and payouts into `table` and `payouts`:
//  1. race cards: block k of the race-card file (at most 96) into slot k, as the day
//     load places them; for each race its runners from its track's runner file
//     (block (race − 1) × 18 + j into runner slot j + 1, j < runner count);
//  2. finishing position, final popularity and final win odds of every slot and horse;
//  3. when the payout file exists: every slot's payout record blanked, each payout
//     record of the file (at most 96) put into the first slot with the same race key
//     (bytes 12-27; later records of a key replace earlier ones, unmatched ones are
//     skipped), the slot's payouts marked as loaded, and every payout table rebuilt.
// selectedSlot is the slot of the race selected in the race list, -1 when none.
// Missing files skip their step. Throws text::FileError when a file exists but cannot
// be read; what was imported before stays.
PayoutImportResult importDayPayouts(analysis::DayTable& table, DayPayouts& payouts,
                                    const analysis::DayFiles& day, int selectedSlot);

} // namespace tidemark::results
