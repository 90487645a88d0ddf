#pragma once
// Bounds-checked field access to the service's fixed-width records (RA race cards,
// SE runners, HR payouts, O1 win/place/bracket odds, O2 quinella odds).
//
// A view reads one record line (CP932 bytes, without its CR LF, or a fixed-size block
// with it) by 1-based byte positions. It never reads out of range: a field that does
// not lie wholly within the line (a short or cut line) reads as half-width blanks, and
// a blank or damaged number field reads 0. A field cut in two by the end of a line is
// never read half, so a cut "1234" cannot pass for 1.2.
//
// A view does not own its line: keep the line alive while the view is used.

#include "records/odds_field.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tidemark::records {

// Line lengths as stored (without CR LF) and record lengths as read back from the store
// as fixed-size blocks (with CR LF).
inline constexpr std::size_t kLineEndLength = 2;
inline constexpr std::size_t kRaLineLength = 1270;
inline constexpr std::size_t kSeLineLength = 553;
inline constexpr std::size_t kHrLineLength = 717;
inline constexpr std::size_t kO1LineLength = 960;
inline constexpr std::size_t kO2LineLength = 2040;
inline constexpr std::size_t kRaRecordLength = kRaLineLength + kLineEndLength; // 1272
inline constexpr std::size_t kSeRecordLength = kSeLineLength + kLineEndLength; // 555
inline constexpr std::size_t kHrRecordLength = kHrLineLength + kLineEndLength; // 719
inline constexpr std::size_t kO1RecordLength = kO1LineLength + kLineEndLength; // 962
inline constexpr std::size_t kO2RecordLength = kO2LineLength + kLineEndLength; // 2042

// Odds slots the program reads: horses 1..18 in O1 (the record has room for 28, the
// rest stay blank), bracket pairs 1..36 in O1, quinella pairs 1..153 in O2 (pair order
// as in the pair numbering).
inline constexpr int kOddsHorseSlots = 18;
inline constexpr int kOddsBracketPairSlots = 36;
inline constexpr int kOddsQuinellaPairSlots = 153;

// Field widths of the odds kinds.
inline constexpr std::size_t kWinOddsWidth = 4;
inline constexpr std::size_t kPlaceOddsWidth = 4;
inline constexpr std::size_t kBracketOddsWidth = 5;
inline constexpr std::size_t kQuinellaOddsWidth = 6;

// Line length (without CR LF) of a record kind "RA", "SE", "HR", "O1", "O2"; 0 for any
// other kind.
std::size_t lineLengthOfKind(std::string_view kind) noexcept;

// True for the ばんえい track codes "81".."84", whose weights and moisture are hexadecimal.
bool isBaneiTrack(std::string_view trackCode) noexcept;

// Bytes 12-27 of the line (year, month, day, track, meeting, day of the meeting, race)
// are all decimal digits, so the key and its parts may become part of a file name.
bool hasSafeKey(std::string_view line) noexcept;

// A record as delivered, as a store line: without its CR LF when it ends with one.
inline std::string_view withoutLineEnd(std::string_view record) noexcept
{
    if (record.size() >= kLineEndLength && record.substr(record.size() - kLineEndLength) == "\r\n")
        record.remove_suffix(kLineEndLength);
    return record;
}

// A hexadecimal field (ばんえい weights and moisture): leading half-width blanks are
// skipped, the hexadecimal digits up to the first other byte make the value; a blank or
// damaged field reads 0.
std::int64_t readHex(std::string_view field) noexcept;

class RecordView {
public:
    RecordView() = default;
    // `length`: the line length of the record kind, which the view reports as missing
    // when the line is shorter (wasShort). 0: no expected length.
    explicit RecordView(std::string_view line, std::size_t length = 0) noexcept
        : m_line(line), m_length(length)
    {
    }
    explicit RecordView(const char* line, std::size_t length = 0) noexcept
        : RecordView(std::string_view(line ? line : ""), length)
    {
    }
    // A view of a temporary string (a builder's build(), a returned line) would dangle
    // at the end of the statement: keep the line in a variable.
    RecordView(std::string&&, std::size_t = 0) = delete;

    // The line as given.
    std::string_view line() const noexcept { return m_line; }
    std::size_t size() const noexcept { return m_line.size(); }
    // The line given is shorter than its kind (its missing fields read as blanks).
    bool wasShort() const noexcept { return m_line.size() < m_length; }

    // Bytes [pos, pos + len), pos counted from 1: exactly `len` bytes of the line, or
    // `len` half-width blanks when the field does not lie wholly within the line
    // (fields are at most kO2LineLength bytes).
    std::string_view bytes(std::size_t pos, std::size_t len) const noexcept;
    // The field read by the program's integer rule (text::readInt): blanks or text
    // without a leading number read 0.
    std::int64_t number(std::size_t pos, std::size_t len) const noexcept;
    // The field read as a hexadecimal number (readHex).
    std::int64_t hexNumber(std::size_t pos, std::size_t len) const noexcept;
    // The field recognised as an odds field of width `len`.
    OddsField odds(std::size_t pos, std::size_t len) const noexcept;

    // Fields every record kind shares.
    std::string_view recordKind() const noexcept { return bytes(1, 2); }    // "RA", "SE", ...
    std::string_view dataKind() const noexcept { return bytes(3, 1); }
    std::string_view creationDate() const noexcept { return bytes(4, 8); } // yyyymmdd
    std::string_view raceKey() const noexcept { return bytes(12, 16); }    // year .. race number
    std::string_view dayKey() const noexcept { return bytes(12, 8); }      // yyyymmdd
    std::string_view yearText() const noexcept { return bytes(12, 4); }
    std::string_view monthDay() const noexcept { return bytes(16, 4); }    // mmdd
    std::string_view monthText() const noexcept { return bytes(16, 2); }
    std::string_view dayText() const noexcept { return bytes(18, 2); }
    std::string_view trackCode() const noexcept { return bytes(20, 2); }
    std::string_view meetingText() const noexcept { return bytes(22, 2); }
    std::string_view meetingDayText() const noexcept { return bytes(24, 2); }
    std::string_view raceNumberText() const noexcept { return bytes(26, 2); }
    // Bytes 20-27, track code + meeting + day + race: the odds file stem "TTKKNNRR".
    std::string_view raceFileStem() const noexcept { return bytes(20, 8); }
    int year() const noexcept { return static_cast<int>(number(12, 4)); }
    int month() const noexcept { return static_cast<int>(number(16, 2)); }
    int dayOfMonth() const noexcept { return static_cast<int>(number(18, 2)); }
    int meeting() const noexcept { return static_cast<int>(number(22, 2)); }    // 開催回
    int meetingDay() const noexcept { return static_cast<int>(number(24, 2)); } // 日目
    int raceNumber() const noexcept { return static_cast<int>(number(26, 2)); }
    bool isBanei() const noexcept { return isBaneiTrack(trackCode()); }
    bool hasSafeKey() const noexcept { return records::hasSafeKey(line()); }

private:
    std::string_view m_line;
    std::size_t m_length = 0;
};

// RA: one race of a meeting day (race card).
class RaView : public RecordView {
public:
    RaView() = default;
    explicit RaView(std::string_view line) noexcept : RecordView(line, kRaLineLength) {}
    explicit RaView(const char* line) noexcept : RecordView(line, kRaLineLength) {}
    RaView(std::string&&) = delete;

    std::string_view weekdayCode() const noexcept { return bytes(28, 1); }
    std::string_view raceName() const noexcept { return bytes(33, 60); }      // as stored
    std::string_view shortRaceName() const noexcept { return bytes(593, 12); } // as stored
    int edition() const noexcept { return static_cast<int>(number(612, 3)); } // 第N回 of a graded race
    std::string_view gradeCode() const noexcept { return bytes(615, 1); }
    std::string_view raceKindCode() const noexcept { return bytes(617, 2); }
    std::string_view raceSymbolCode() const noexcept { return bytes(619, 3); }
    std::string_view weightRuleCode() const noexcept { return bytes(622, 1); }
    std::string_view youngestConditionCode() const noexcept { return bytes(635, 3); }
    std::string_view conditionName() const noexcept { return bytes(638, 60); }
    int distance() const noexcept { return static_cast<int>(number(698, 4)); } // metres
    std::string_view courseCode() const noexcept { return bytes(706, 2); }
    int courseNumber() const noexcept { return static_cast<int>(number(706, 2)); }
    std::string_view startTime() const noexcept { return bytes(874, 4); } // post time "hhmm"
    int startTimeNumber() const noexcept { return static_cast<int>(number(874, 4)); }
    int runnerCount() const noexcept { return static_cast<int>(number(882, 2)); }
    std::string_view turfConditionCode() const noexcept { return bytes(889, 1); }
    std::string_view dirtConditionCode() const noexcept { return bytes(890, 1); }
    // ばんえい tracks: bytes 889-890 as one hexadecimal number, the moisture in tenths
    // of a percent ("19" -> 25 -> 2.5 %).
    int moistureTenths() const noexcept { return static_cast<int>(hexNumber(889, 2)); }
    double moisture() const noexcept { return moistureTenths() / 10.0; }
    // A blank year or "0000" is no race (the day file's padding line).
    bool isRace() const noexcept { return year() != 0; }
};

// SE: one horse in one race.
class SeView : public RecordView {
public:
    SeView() = default;
    explicit SeView(std::string_view line) noexcept : RecordView(line, kSeLineLength) {}
    explicit SeView(const char* line) noexcept : RecordView(line, kSeLineLength) {}
    SeView(std::string&&) = delete;

    int bracket() const noexcept { return static_cast<int>(number(28, 1)); } // as published
    int horseNumber() const noexcept { return static_cast<int>(number(29, 2)); }
    std::string_view horseNumberText() const noexcept { return bytes(29, 2); }
    std::string_view horseName() const noexcept { return bytes(41, 36); }
    std::string_view sexCode() const noexcept { return bytes(79, 1); }
    int age() const noexcept { return static_cast<int>(number(83, 2)); }
    std::string_view trainer() const noexcept { return bytes(91, 8); } // short name
    std::string_view weightField() const noexcept { return bytes(289, 3); }
    // Weight carried in tenths of a kilogram (tracks other than ばんえい).
    int weightTenths() const noexcept { return static_cast<int>(number(289, 3)); }
    // Weight carried in kilograms, hexadecimal (ばんえい tracks: "2D0" -> 720).
    int baneiWeight() const noexcept { return static_cast<int>(hexNumber(289, 3)); }
    // The ばんえい weight when the field holds a hexadecimal number ("000" is 0); none when
    // it is blank or damaged.
    std::optional<int> baneiWeightField() const noexcept;
    // Weight carried in kilograms by the track's rule.
    double weightKilograms(bool banei) const noexcept
    {
        return banei ? static_cast<double>(baneiWeight()) : weightTenths() / 10.0;
    }
    std::string_view jockey() const noexcept { return bytes(307, 8); } // short name
    int finishPosition() const noexcept { return static_cast<int>(number(335, 2)); }
    // Final win odds in tenths (0 when blank or damaged) and as a value of units of 1.
    int finalWinOddsTenths() const noexcept { return static_cast<int>(number(360, 4)); }
    double finalWinOdds() const noexcept { return finalWinOddsTenths() / 10.0; }
    OddsField finalWinOddsField() const noexcept { return odds(360, 4); }
    int finalWinPopularity() const noexcept { return static_cast<int>(number(364, 2)); }
};

// The bet kinds of a payout record, in record order.
enum class PayoutKind { Win, Place, BracketQuinella, Quinella, Wide, BracketExacta, Exacta, Trio, Trifecta };
inline constexpr std::array<PayoutKind, 9> kPayoutKinds{
    PayoutKind::Win,    PayoutKind::Place,         PayoutKind::BracketQuinella,
    PayoutKind::Quinella, PayoutKind::Wide,        PayoutKind::BracketExacta,
    PayoutKind::Exacta, PayoutKind::Trio,          PayoutKind::Trifecta};

// Where the entries of one bet kind lie in an HR record.
struct PayoutLayout {
    std::size_t firstPos;         // 1-based position of entry 1
    std::size_t stride;           // bytes per entry
    int slots;                    // entries of this kind
    int numbers;                  // horse or bracket numbers in the combination (1..3)
    std::size_t digitsPerNumber;  // 2 for horses, 1 for brackets
    std::size_t amountWidth;      // 9
    std::size_t popularityWidth;  // 2, 3 or 4
    std::size_t combinationWidth() const noexcept { return static_cast<std::size_t>(numbers) * digitsPerNumber; }
};
PayoutLayout payoutLayout(PayoutKind kind) noexcept;

// One payout entry: the combination (horse numbers, or bracket numbers for the bracket
// kinds; unused places 0), the amount in yen per 100 yen and the popularity.
struct PayoutEntry {
    PayoutKind kind = PayoutKind::Win;
    int index = 0;                    // 1-based entry of its kind
    std::array<int, 3> numbers{};     // combination, numbers[0 .. count-1]
    int count = 0;                    // numbers in the combination
    std::string combination;          // the raw combination text
    std::int64_t amount = 0;          // yen
    int popularity = 0;
    // An entry whose numbers all read 0 is empty (no such payout).
    bool isEmpty() const noexcept;
};

// HR: the payouts of one race.
class HrView : public RecordView {
public:
    HrView() = default;
    explicit HrView(std::string_view line) noexcept : RecordView(line, kHrLineLength) {}
    explicit HrView(const char* line) noexcept : RecordView(line, kHrLineLength) {}
    HrView(std::string&&) = delete;

    // Entry i (1-based) of a kind; an index outside the kind's slots gives an empty entry.
    PayoutEntry payout(PayoutKind kind, int index) const;
    // The non-empty entries of one kind / of every kind, in record order.
    std::vector<PayoutEntry> payouts(PayoutKind kind) const;
    std::vector<PayoutEntry> payouts() const;
};

// The announcement time shared by O1 and O2 (bytes 28-35, MMDDhhmm).
class OddsRecordView : public RecordView {
public:
    using RecordView::RecordView;

    std::string_view announcementTime() const noexcept { return bytes(28, 8); } // MMDDhhmm
    std::int64_t announcementNumber() const noexcept { return number(28, 8); }
    int announcementMonth() const noexcept { return static_cast<int>(number(28, 2)); }
    int announcementDay() const noexcept { return static_cast<int>(number(30, 2)); }
    int announcementHour() const noexcept { return static_cast<int>(number(32, 2)); }
    int announcementMinute() const noexcept { return static_cast<int>(number(34, 2)); }
    std::string_view announcementHhmm() const noexcept { return bytes(32, 4); }
};

// O1: win, place and bracket-quinella odds of one race at one announcement.
// Horse h is 1..18 and bracket pair k 1..36; any other slot reads as a blank field
// and popularity 0.
class O1View : public OddsRecordView {
public:
    O1View() = default;
    explicit O1View(std::string_view line) noexcept : OddsRecordView(line, kO1LineLength) {}
    explicit O1View(const char* line) noexcept : OddsRecordView(line, kO1LineLength) {}
    O1View(std::string&&) = delete;

    std::string_view winSaleFlag() const noexcept { return bytes(40, 1); }
    std::string_view placeSaleFlag() const noexcept { return bytes(41, 1); }
    std::string_view bracketSaleFlag() const noexcept { return bytes(42, 1); }

    std::string_view winField(int horse) const noexcept;
    OddsField win(int horse) const noexcept;
    int winPopularity(int horse) const noexcept;
    std::string_view placeLowField(int horse) const noexcept;
    std::string_view placeHighField(int horse) const noexcept;
    OddsField placeLow(int horse) const noexcept;
    OddsField placeHigh(int horse) const noexcept;
    int placePopularity(int horse) const noexcept;
    std::string_view bracketField(int pair) const noexcept;
    OddsField bracketQuinella(int pair) const noexcept;
    int bracketPopularity(int pair) const noexcept;

    std::int64_t winVotes() const noexcept { return number(928, 11); }
    std::int64_t placeVotes() const noexcept { return number(939, 11); }
    std::int64_t bracketVotes() const noexcept { return number(950, 11); }
};

// O2: quinella odds of one race at one announcement. Pair k is 1..153.
class O2View : public OddsRecordView {
public:
    O2View() = default;
    explicit O2View(std::string_view line) noexcept : OddsRecordView(line, kO2LineLength) {}
    explicit O2View(const char* line) noexcept : OddsRecordView(line, kO2LineLength) {}
    O2View(std::string&&) = delete;

    std::string_view quinellaSaleFlag() const noexcept { return bytes(40, 1); }
    std::string_view quinellaField(int pair) const noexcept;
    OddsField quinella(int pair) const noexcept;
    int quinellaPopularity(int pair) const noexcept;
    std::int64_t quinellaVotes() const noexcept { return number(2030, 11); }
};

// 1-based positions of the odds slots, for writers and readers alike.
constexpr std::size_t winOddsPos(int horse) noexcept { return 46 + 8 * static_cast<std::size_t>(horse - 1); }
constexpr std::size_t winPopularityPos(int horse) noexcept { return 50 + 8 * static_cast<std::size_t>(horse - 1); }
constexpr std::size_t placeLowPos(int horse) noexcept { return 270 + 12 * static_cast<std::size_t>(horse - 1); }
constexpr std::size_t placeHighPos(int horse) noexcept { return 274 + 12 * static_cast<std::size_t>(horse - 1); }
constexpr std::size_t placePopularityPos(int horse) noexcept { return 278 + 12 * static_cast<std::size_t>(horse - 1); }
constexpr std::size_t bracketOddsPos(int pair) noexcept { return 606 + 9 * static_cast<std::size_t>(pair - 1); }
constexpr std::size_t bracketPopularityPos(int pair) noexcept { return 611 + 9 * static_cast<std::size_t>(pair - 1); }
constexpr std::size_t quinellaOddsPos(int pair) noexcept { return 45 + 13 * static_cast<std::size_t>(pair - 1); }
constexpr std::size_t quinellaPopularityPos(int pair) noexcept { return 51 + 13 * static_cast<std::size_t>(pair - 1); }

} // namespace tidemark::records
