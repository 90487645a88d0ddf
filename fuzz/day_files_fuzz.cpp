// The day, runner and payout readers over arbitrary files: part 0 is the .nvRA file of
// 2024年01月15日, part 1 its .nvHR file, parts 2… runner files of the tracks the race
// cards name (in the order the first race cards name them). The day is read as the
// race list reads it, its records derived, its payouts imported and tabled.

#include "analysis/race_calendar.h"
#include "fuzz_support.h"
#include "records/record_view.h"
#include "results/payout_import.h"
#include "results/payout_table.h"
#include "store/record_reader.h"
#include "text/cp932.h"
#include "text/file_io.h"

#include <cstddef>
#include <cstdint>
#include <set>

using namespace tidemark;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzz::Scratch scratch;
    const auto parts = fuzz::splitParts(data, size);
    const store::StoreLayout layout(scratch.fresh());
    layout.createFolders();

    const std::string label = *store::dayLabelOfDate("20240115");
    text::writeFileAtomic(layout.raFile(label), fuzz::partOr(parts, 0));
    if (parts.size() > 1)
        text::writeFileAtomic(layout.hrFile(label), parts[1]);
    std::vector<std::string> tracks;
    for (const std::string& ra : store::readDayRaces(layout.raFile(label))) {
        const std::string code(records::RaView(ra).trackCode());
        if (std::find(tracks.begin(), tracks.end(), code) == tracks.end())
            tracks.push_back(code);
    }
    for (std::size_t i = 0; i < tracks.size() && 2 + i < parts.size(); ++i)
        text::writeFileAtomic(layout.seFile(label, tracks[i]), parts[2 + i]);

    const std::vector<std::string> days = analysis::buildDateList(layout);
    if (days.size() != 1)
        fuzz::broken("the day file is not listed as one day");
    const analysis::DayFiles day = analysis::dayFiles(layout, days.front());
    // One day table for the process, cleared as the window clears its own for each day
    // it opens (its 96 slots are costly to build).
    static analysis::DayTable table;
    analysis::clearDayRecords(table);
    table.resetDay();
    const analysis::DayRead read = analysis::readDayFile(table, day);
    analysis::readPayoutFile(table, day);
    analysis::deriveRaceRecords(table);
    for (const analysis::RaceListEntry& e : read.races) {
        if (!table.validSlot(e.slot))
            fuzz::broken("race list entry outside the day table");
        (void)analysis::raceRecordLabel(table.slots[static_cast<std::size_t>(e.slot)].raRecord);
    }
    (void)analysis::nextRaceEntry(table, read.races, "1200");

    results::DayPayouts payouts;
    const int selected = read.races.empty() ? -1 : read.races.back().slot;
    results::importDayPayouts(table, payouts, day, selected);
    // The races the day holds (the import has tabled every slot already).
    for (int n = 0; n < table.raceCount; ++n) {
        const results::PayoutTable t = results::payoutTableOf(table.slots[static_cast<std::size_t>(n)].hrRecord);
        for (records::PayoutKind k : records::kPayoutKinds)
            (void)results::winningPairs(t, k);
    }
    scratch.checkNothingOutside();
    return 0;
}
