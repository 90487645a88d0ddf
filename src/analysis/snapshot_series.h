#pragma once
// The odds time series of the race being viewed: every announcement of its O1 file
// (win, place, bracket quinella) and of its O2 file (quinella), in file order, after
// the first-data cut and the advance-sale rule, and the three chosen time points.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/time_points.h"
#include "store/store_layout.h"

namespace tidemark {
class IniFile;
}

namespace tidemark::analysis {

// One snapshot = one odds record without its line end.
using SnapshotList = std::vector<std::string>;

// Paths of one race's odds files: Data/yyyymmdd/TTKKNNRR.nvO1 and .nvO2 under the
// program folder. Empty paths when the race key holds anything but the digits and
// track codes a file name may carry (no file is ever looked for outside the store).
struct RaceOddsFiles {
    std::filesystem::path o1;
    std::filesystem::path o2;
    bool valid() const { return !o1.empty(); }
};
RaceOddsFiles raceOddsFiles(const store::StoreLayout& layout, std::string_view raRecord);

// Reads the lines of an odds file into `lines` (line ends removed, empty lines
// skipped). False when the file does not exist; throws text::FileError when it exists
// but cannot be read.
bool readOddsLines(const std::filesystem::path& file, SnapshotList& lines);
// The same lines as views into `bytes`, which receives the whole file: for a reader that
// needs a line or two of each file rather than a string for every line.
bool readOddsLineViews(const std::filesystem::path& file, std::string& bytes, std::vector<std::string_view>& lines);
// The lines of an odds file's bytes, as readOddsLineViews splits them.
void splitOddsLines(std::string_view bytes, std::vector<std::string_view>& lines);

// Announcement time MMDDhhmm (positions 28-35) of a snapshot.
std::string_view announcementTime(std::string_view snapshot);
// Data-creation date yyyymmdd (positions 4-11) of a snapshot.
std::string_view creationDate(std::string_view snapshot);

// The time-list text of a snapshot: "mm/dd hh:nn".
std::string timeListText(std::string_view snapshot);
// The eight-digit moment key MMDDhhmm of a time-list text.
std::string momentKeyOfTimeText(std::string_view timeText);
// "hh:nn" of a snapshot: the caption of a time-point button and the time labels.
std::string hourMinuteText(std::string_view snapshot);

// First-data cut: while the first snapshot was announced before month-day + first time
// and at least two remain, drop it; the last snapshot always stays. O1 compares the
// announcement times as numbers, O2 as eight-character texts.
enum class CutCompare { AsNumber, AsText };
void applyFirstDataCut(SnapshotList& list, std::string_view raceMonthDay, int firstTime, CutCompare how);

// Advance-sale rule: drop snapshots from the front while their creation date differs
// from the creation date of the last snapshot. Only the front is trimmed.
void applyAdvanceSaleRule(SnapshotList& list);

struct SeriesOptions {
    bool ignoreFirstTime = true; // Time/IgnoFirstTime: no first-data cut
    int firstTime = 930;         // Time/First, hhmm
    TimePointOptions timePoints; // with the advance-sale switch
};

// The settings of the first-data cut, the advance-sale rule and the time points, read
// from the settings file at the moment of use.
SeriesOptions readSeriesOptions(const IniFile& ini);

struct SnapshotSeries {
    SnapshotList o1Snapshots;
    SnapshotList o2Snapshots;
    SnapshotList chosenO1;
    SnapshotList chosenO2;
    bool o1FileFound = false;
    bool o2FileFound = false;

    void clear();
};

enum class OddsFile { O1, O2 };

// Reads one of the race's odds files into its snapshot list: the first-data cut, the
// advance-sale rule and the choice of its time points. False when the file is missing.
bool readSeries(SnapshotSeries& series, OddsFile which, const RaceOddsFiles& files, std::string_view raRecord,
                std::string_view raceDay, const SeriesOptions& options);

// Builds the series of one race from its odds files. raRecord gives the month-day and
// the post time; raceDay is the month and day (four digits) of the chosen day.
// Throws text::FileError when a file exists but cannot be read.
SnapshotSeries openRaceSeries(const RaceOddsFiles& files, std::string_view raRecord, std::string_view raceDay,
                              const SeriesOptions& options);

} // namespace tidemark::analysis
