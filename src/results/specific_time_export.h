#pragma once
// The specific-time odds export: for every race of a meeting day, the odds (or the
// popularity orders) announced nearest to one chosen moment, written into four CSV
// files, one per ticket type:
//
//   CSV/TANyyyymmddOZ.CSV   win                (NIN instead of OZ for popularity)
//   CSV/FUKyyyymmddOZ.CSV   place
//   CSV/WAKyyyymmddOZ.CSV   bracket quinella
//   CSV/UMAyyyymmddOZ.CSV   quinella
//
// The moment is a clock time on the race day, the same clock time on the day before, or
// a number of minutes before each race's post time. The odds come straight from each
// race's stored odds series (Data/yyyymmdd/TTKKNNRR.nvO1 / .nvO2), the race columns from
// its race card, through the central-racing code tables (KeibaFunc).
//
// Every cell is enclosed in double quotes and cells are separated by commas; the files
// are CP932 with CR LF after every line. All texts here are CP932.

#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/host.h"
#include "store/store_layout.h"

namespace tidemark::results {

// Which moment of each race is exported (the items of "取得する時刻の種類").
enum class MomentKind {
    RaceDayClock,     // 当日特定時刻: hh:mm on the race day
    PreviousDayClock, // 前日特定時刻: hh:mm on the day before the race
    BeforePost,       // 発走前時刻: n minutes before the race's post time
};

// What the value cells hold (the items of "出力項目").
enum class ExportItem { Odds, Popularity };

// One CSV file per ticket type, written in this order.
enum class TicketFile { Win, Place, BracketQuinella, Quinella };
inline constexpr std::array<TicketFile, 4> kTicketFiles{TicketFile::Win, TicketFile::Place,
                                                        TicketFile::BracketQuinella, TicketFile::Quinella};

struct MomentChoice {
    MomentKind kind = MomentKind::RaceDayClock;
    int hour = 9;
    int minute = 30;
    int minutesBeforePost = 10;
};

struct ExportChoice {
    MomentChoice moment;
    ExportItem item = ExportItem::Odds;
    bool openFiles = false; // hand every written file to the desktop's default program
};

// The day as the race list holds it: the race cards of the day's slots in slot order
// (with or without their CR LF), and how many of them the race list shows. Races
// 0 .. listedRaces − 1 are exported; slot 0 names the files.
struct ExportDay {
    std::vector<std::string> slotRaceCards;
    std::size_t listedRaces = 0;
};

// The moment of one race as "MMDDhhmm" (8 digits). Empty when the race card gives no such
// moment: its date is not digits, or, before post time, it has no post time.
std::string targetMoment(std::string_view raceCard, const MomentChoice& moment);

// The snapshot of an odds series nearest to a target "MMDDhhmm": only snapshots announced
// on the target's day count, the first of equally near ones wins, and one more than 999
// minutes away is never taken. nullopt when none qualifies or the target is empty.
std::optional<std::size_t> chooseSnapshot(std::span<const std::string> lines, std::string_view target);
std::optional<std::size_t> chooseSnapshot(std::span<const std::string_view> lines, std::string_view target);

// File name without ".CSV", e.g. "TAN20240115OZ"; empty when the race card's date (bytes
// 12–19) is not eight digits, so no broken name is ever made from it.
std::string fileStem(TicketFile file, std::string_view slot0RaceCard, ExportItem item);

// The header line of a file (without its line end).
std::string headerLine(TicketFile file, ExportItem item);

// Cells 1–15 of a data line: date, track, meeting, day, race, name, runners, grade, race
// kind, condition class, weight rule, course and distance.
std::vector<std::string> raceCells(std::string_view raceCard);

// Whether the snapshot's sale flag of the ticket type is "7" (on sale).
bool onSale(TicketFile file, std::string_view snapshot);

// The data line of one race (without its line end): race cells, the snapshot's
// announcement day and time, the pool's vote total and the value cells. `snapshot` is an
// O1 line for win, place and bracket quinella, an O2 line for quinella.
std::string dataLine(TicketFile file, ExportItem item, std::string_view raceCard, std::string_view snapshot);

// One value cell: an odds field of width 4, 5 or 6 written with one decimal in width + 1
// characters ("0012" -> "  1.2"), empty for blanks, markers, zeros and damaged fields; a
// popularity field right-aligned in its own width, empty for 0.
std::string oddsCell(std::string_view field);
std::string popularityCell(std::string_view field);

// The lines of an odds file, as the export reads them (one record per line, line ends
// CR LF or LF). A missing file gives false. Throws text::FileError when it exists but
// cannot be read.
bool loadSnapshotLines(const std::filesystem::path& file, std::vector<std::string>& lines);
// The same lines as views into `bytes`, which holds the file afterwards.
bool loadSnapshotLines(const std::filesystem::path& file, std::string& bytes, std::vector<std::string_view>& lines);

enum class ExportFailure {
    None,
    NoRaceDay, // slot 0 holds no race card with a date: nothing to name the files after
    File,      // a file could not be read or written
};

struct ExportResult {
    ExportFailure failure = ExportFailure::None;
    std::string message;                          // CP932; the platform's message for File
    std::vector<std::filesystem::path> written;   // files written, in order
    std::vector<std::filesystem::path> notOpened; // written files the desktop did not open
    std::array<int, 4> dataLines{};               // data lines per file (kTicketFiles order)
    bool succeeded() const noexcept { return failure == ExportFailure::None; }
};

// Runs the export into layout.csvFolder(): pumps the host's events after every race, and
// when choice.openFiles is set hands each file to the default program right after it is
// written. Files are replaced atomically; a file error stops the export, the files
// written before it stay. Shows nothing itself: the window reports the result.
ExportResult runSpecificTimeExport(const store::StoreLayout& layout, const ExportDay& day,
                                   const ExportChoice& choice, Host& host);
// The same, the four files written into outFolder (made when missing) instead; the
// odds are still read from the layout's store.
ExportResult runSpecificTimeExport(const store::StoreLayout& layout, const ExportDay& day,
                                   const ExportChoice& choice, Host& host, const std::filesystem::path& outFolder);

// The message shown when the day gives no race to name the files after.
const std::string& noRaceDayMessage();

} // namespace tidemark::results
