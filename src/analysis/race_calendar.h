#pragma once
// The way into every race: the meeting days of the store, the races of one day as the
// race list shows them, and the loading of a day's records into the day table.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/day_table.h"
#include "store/store_layout.h"

namespace tidemark::analysis {

// Day labels ("2024年01月15日", CP932, the first 14 bytes of each day file's name) of
// the "*.nvRA" files of the store, newest first. A missing store folder gives no days.
std::vector<std::string> buildDateList(const store::StoreLayout& layout);

// Index of the first label whose date (characters 1-4, 7-8, 11-12) is not after
// todayYmd ("yyyymmdd"); labels.size() when every day lies in the future.
int newestDayNotAfter(const std::vector<std::string>& labels, std::string_view todayYmd);

// "2024年01月15日" of a date: how the day list names today.
std::string dayLabelOf(int year, int month, int day);

// The files of one day. All paths are empty when the label cannot name a file (it
// holds a path separator): such a day has no files.
struct DayFiles {
    std::string label;                // the day label
    std::filesystem::path dayFile;    // Data/{label}.nvRA
    std::filesystem::path payoutFile; // Data/{label}.nvHR
    const store::StoreLayout* layout = nullptr;

    // Runner file of one track of the day: Data/{label}{track name}.nvSEr.
    std::filesystem::path runnerFile(std::string_view trackCode) const;
};
DayFiles dayFiles(const store::StoreLayout& layout, std::string_view dayLabel);

// Race list entry of an RA record: track name (form 2) + race number "%2d" + "R",
// two blanks for a race number of zero.
std::string raceListText(std::string_view raRecord);

// label of the race record: "2024年01月15日大井11回02日11R" from the raw codes, ≤ 30 bytes.
std::string raceRecordLabel(std::string_view raRecord);

// Whether an RA record names a race (its year is neither blank nor "0000").
bool isListedRace(std::string_view raRecord);

struct RaceListEntry {
    std::string text; // what the race list shows
    int slot = 0;     // the day-table slot of the race
};

struct DayRead {
    std::vector<RaceListEntry> races; // listed races in file order
    bool runnersFound = false;        // a runner file was found for at least one race
};

// Blanks the raw records of all slots (RA, SE, HR and the selected snapshots).
void clearDayRecords(DayTable& table);

// Reads the day file (at most 96 races) into the slots, each race's runners from its
// track's runner file, and lists the races. Throws text::FileError on an unreadable file.
DayRead readDayFile(DayTable& table, const DayFiles& day);

// Puts each payout record of the day into the slot of the race with the same track code
// and race number (at most 96 records; unmatched records are dropped). False when the
// day has no payout file.
bool readPayoutFile(DayTable& table, const DayFiles& day);

// Label, runner count and final results (position, popularity, win odds) of every slot.
void deriveRaceRecords(DayTable& table);
// The same for one slot.
void deriveRaceRecord(RaceSlot& slot);

// Slot of the next race to start: the listed race with the nearest post time after
// nowHhmm (post time − now as four-digit numbers, the earlier entry on a tie); the
// entry index into `races`, or -1 when no race is still to start.
int nextRaceEntry(const DayTable& table, const std::vector<RaceListEntry>& races, std::string_view nowHhmm);

} // namespace tidemark::analysis
