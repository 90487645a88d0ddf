#pragma once
// Where the local record store keeps its files. Every record the program shows lives
// under the program folder:
//
//   Data/{day label}.nvRA           race cards of one meeting day, all tracks
//   Data/{day label}{track}.nvSEr   runners of one track and day, 216 fixed slots
//   Data/{day label}.nvHR           payouts of one meeting day
//   Data/yyyymmdd/TTKKNNRR.nvO1     win, place and bracket-quinella odds series of a race
//   Data/yyyymmdd/TTKKNNRR.nvO2     quinella odds series of a race
//   CSV/                            specific-time export
//
// A day label is the 14-byte CP932 text year + "年" + month + "月" + day + "日"
// ("2024年01月15日"). File contents are CP932; file names are in the file system's
// own encoding (UTF-8), so a label is converted when it becomes part of a name and
// "the first 14 bytes of a name" are counted on the CP932 form of the name.

#include "records/record_view.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tidemark::store {

// The record kinds the store keeps.
enum class StoreKind { RA, SE, HR, O1, O2 };

// A stored line is the service record without its CR LF; a file of such lines is
// read back as fixed-size records of line length + 2 bytes.
constexpr std::size_t lineLength(StoreKind kind) noexcept
{
    switch (kind) {
    case StoreKind::RA: return records::kRaLineLength; // 1270
    case StoreKind::SE: return records::kSeLineLength; // 553
    case StoreKind::HR: return records::kHrLineLength; // 717
    case StoreKind::O1: return records::kO1LineLength; // 960
    case StoreKind::O2: return records::kO2LineLength; // 2040
    }
    return 0;
}
constexpr std::size_t recordSize(StoreKind kind) noexcept { return lineLength(kind) + 2; }

// The two-byte record id of a kind ("RA", "SE" ...).
std::string_view kindId(StoreKind kind) noexcept;

// Readers use at most this many race cards (eight tracks of twelve races) and
// payout lines of a day file.
inline constexpr std::size_t kMaxDayRaces = 96;
// Runner slots of one .nvSEr file: 12 races of 18 horses.
inline constexpr int kMaxSlotRaces = 12;
inline constexpr int kMaxHorses = 18;
inline constexpr std::size_t kRunnerSlots = 216;

// Slot of horse `horse` of race `race` in a runner file, counted from 0:
// (race − 1) × 18 + (horse − 1); nullopt outside races 1–12 or horses 1–18.
std::optional<std::size_t> runnerSlot(int race, int horse) noexcept;

// True when the record's key bytes — date (12–19), track code (20–21), meeting,
// day and race number (22–27) — are all decimal digits. Only such records name files.
bool hasStorableKey(std::string_view record) noexcept;

// Day label of a "yyyymmdd" date: "2024年01月15日" in CP932; nullopt unless eight digits.
std::optional<std::string> dayLabelOfDate(std::string_view yyyymmdd);
// Day label of a record (its bytes 12–19); nullopt when they are not digits.
std::optional<std::string> dayLabelOf(std::string_view record);
// "yyyymmdd" of a day label (its characters 1–4, 7–8, 11–12); nullopt when the label
// is not of that form.
std::optional<std::string> dateOfDayLabel(std::string_view dayLabel);
// The day label a day file name stands for: the first 14 bytes of the CP932 form of
// the name (shorter names give all they have).
std::string dayLabelOfFileName(const std::filesystem::path& fileName);

// The {track} part of a runner file name: the two-character (form 2) track name of
// a track code, four half-width blanks for an unlisted code. CP932.
std::string trackFilePart(std::string_view trackCode);

// The folders and file names of one program folder. Paths only; nothing is created
// except by createFolders().
class StoreLayout {
public:
    explicit StoreLayout(std::filesystem::path programFolder);

    const std::filesystem::path& programFolder() const noexcept { return m_programFolder; }

    // The one store folder. Its name compares without regard to case (the folder may
    // have been created as "DATA" or copied from another machine): an existing folder
    // spelt "Data" is preferred, else any existing case variant, else "Data".
    std::filesystem::path dataFolder() const;
    std::filesystem::path csvFolder() const;

    // Start-up: creates the store folder and the CSV folder when missing. Throws
    // text::FileError.
    void createFolders() const;

    // Day files of a day label (CP932). A label holding a path separator or NUL is
    // never a day label: std::invalid_argument.
    std::filesystem::path raFile(std::string_view dayLabel) const;
    std::filesystem::path hrFile(std::string_view dayLabel) const;
    // Runner file of a day and track code (bytes 20–21 of a record).
    std::filesystem::path seFile(std::string_view dayLabel, std::string_view trackCode) const;

    // Odds folder of a race date "yyyymmdd" and the odds file of a race key (record
    // bytes 12–27: yyyymmdd then TTKKNNRR). kind is O1 or O2. The date and the key
    // must be all digits (std::invalid_argument otherwise).
    std::filesystem::path oddsFolder(std::string_view yyyymmdd) const;
    std::filesystem::path oddsFile(StoreKind kind, std::string_view raceKey) const;

    // The file of `kind` that a record's key (bytes 12–27) names: the day file of its
    // date (for SE also of its track), or the odds file of its race. The key bytes are
    // common to every kind, so the odds files of a race come from its race card:
    // fileOf(StoreKind::O1, raRecord). nullopt when the key is not storable
    // (hasStorableKey), e.g. a blank slot.
    std::optional<std::filesystem::path> fileOf(StoreKind kind, std::string_view record) const;

    // Day files of the store: every regular file matching "*.nvRA" (the extension
    // compared without regard to case) in ascending name order. A missing store folder
    // lists nothing.
    std::vector<std::filesystem::path> dayFiles() const;
    // The day labels of dayFiles(), in the same (ascending) order; the race-day list
    // shows them from the last to the first.
    std::vector<std::string> dayLabels() const;

private:
    std::filesystem::path dayFile(std::string_view dayLabel, std::string_view suffixCp932) const;

    std::filesystem::path m_programFolder;
};

} // namespace tidemark::store
