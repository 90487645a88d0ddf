#include "results/specific_time_export.h"

#include <cstring>

#include <algorithm>
#include <cstdlib>

#include "records/keiba_func.h"
#include "records/odds_field.h"
#include "records/pair_index.h"
#include "records/record_view.h"
#include "text/cp932.h"
#include "text/file_io.h"
#include "text/number_format.h"

namespace tidemark::results {

namespace {

using records::O1View;
using records::O2View;
using records::RaView;
using text::sj;

constexpr int kHorseCells = 18;
constexpr int kBracketCells = 36;
constexpr int kQuinellaCells = 153;

// A snapshot more than this many minutes away from the target is never taken.
constexpr int kFarthestMinutes = 999;

bool allDigits(std::string_view s) noexcept
{
    if (s.empty())
        return false;
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string twoDigits(int v) { return text::formatZeroPad(v, 2); }

// Cells in double quotes, separated by commas. A double quote inside a cell is doubled,
// so a race name holding one cannot shift the columns a spreadsheet reads.
std::string joinCells(const std::vector<std::string>& cells)
{
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i > 0)
            line += ',';
        line += '"';
        for (char c : cells[i]) {
            if (c == '"')
                line += '"';
            line += c;
        }
        line += '"';
    }
    return line;
}

// Every full-width blank removed, character by character, so the trail byte of one
// character and the lead byte of the next are never taken for one.
std::string withoutFullWidthBlanks(std::string_view s)
{
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (text::isLeadByte(c) && i + 1 < s.size()) {
            if (!(c == 0x81 && static_cast<unsigned char>(s[i + 1]) == 0x40))
                out.append(s.substr(i, 2));
            i += 2;
        } else {
            out += s[i];
            ++i;
        }
    }
    return out;
}

std::string_view prefixOf(TicketFile file) noexcept
{
    switch (file) {
    case TicketFile::Win: return "TAN";
    case TicketFile::Place: return "FUK";
    case TicketFile::BracketQuinella: return "WAK";
    case TicketFile::Quinella: return "UMA";
    }
    return "";
}

std::size_t fileIndex(TicketFile file) noexcept
{
    switch (file) {
    case TicketFile::Win: return 0;
    case TicketFile::Place: return 1;
    case TicketFile::BracketQuinella: return 2;
    case TicketFile::Quinella: return 3;
    }
    return 0;
}

std::vector<std::string> raceHeaderCells()
{
    static const std::vector<std::string> cells{
        sj("年"),   sj("月"),   sj("日"),     sj("場所"),   sj("回次"),   sj("日次"),
        "R",        sj("レース名"), sj("頭数"), "G",        sj("競走種"), sj("条件"),
        sj("重量"), sj("コース"), sj("距離"), sj("発表日"), sj("発表時刻"), sj("総票数")};
    return cells;
}

} // namespace

const std::string& noRaceDayMessage()
{
    static const std::string text = sj("出力するレースがありません。");
    return text;
}

std::string targetMoment(std::string_view raceCard, const MomentChoice& moment)
{
    const RaView ra(raceCard);
    const std::string_view monthDay = ra.monthDay();
    if (!allDigits(monthDay))
        return {};
    const std::string clock = twoDigits(moment.hour) + twoDigits(moment.minute);
    switch (moment.kind) {
    case MomentKind::RaceDayClock:
        return std::string(monthDay) + clock;
    case MomentKind::PreviousDayClock: {
        if (!allDigits(ra.yearText()))
            return {};
        std::string date(ra.yearText());
        date += '/';
        date += ra.bytes(16, 2);
        date += '/';
        date += ra.bytes(18, 2);
        const std::string before = KeibaFunc::AddDays(date, -1); // "yyyy/mm/dd"
        if (before.size() != 10)
            return {};
        return before.substr(5, 2) + before.substr(8, 2) + clock;
    }
    case MomentKind::BeforePost: {
        // Without a post time there is no "n minutes before it": such a race gets no
        // lines rather than the odds of some unrelated moment of its day.
        if (!allDigits(ra.startTime()))
            return {};
        const std::string shifted = KeibaFunc::AddMinutes(ra.startTime(), -moment.minutesBeforePost);
        if (shifted.size() != 4)
            return {};
        return std::string(monthDay) + shifted;
    }
    }
    return {};
}

namespace {

template <typename Line>
std::optional<std::size_t> chooseSnapshotOf(std::span<const Line> lines, std::string_view target)
{
    if (target.size() != 8 || !allDigits(target))
        return std::nullopt;
    const std::string_view targetDay = target.substr(0, 4);
    const int targetMinutes = static_cast<int>(text::readInt(target.substr(4, 2)) * 60 +
                                               text::readInt(target.substr(6, 2)));
    int best = kFarthestMinutes + 1;
    std::optional<std::size_t> chosen;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const records::OddsRecordView snap{std::string_view(lines[i])};
        if (snap.bytes(28, 4) != targetDay)
            continue;
        const int minutes = snap.announcementHour() * 60 + snap.announcementMinute();
        const int difference = std::abs(targetMinutes - minutes);
        if (difference < best) {
            best = difference;
            chosen = i;
        }
    }
    return chosen;
}

} // namespace

std::optional<std::size_t> chooseSnapshot(std::span<const std::string> lines, std::string_view target)
{
    return chooseSnapshotOf(lines, target);
}

std::optional<std::size_t> chooseSnapshot(std::span<const std::string_view> lines, std::string_view target)
{
    return chooseSnapshotOf(lines, target);
}

std::string fileStem(TicketFile file, std::string_view slot0RaceCard, ExportItem item)
{
    const RaView ra(slot0RaceCard);
    const std::string_view date = ra.dayKey(); // yyyymmdd
    if (!allDigits(date))
        return {};
    std::string stem(prefixOf(file));
    stem += date;
    stem += item == ExportItem::Odds ? "OZ" : "NIN";
    return stem;
}

std::string headerLine(TicketFile file, ExportItem item)
{
    std::vector<std::string> cells = raceHeaderCells();
    switch (file) {
    case TicketFile::Win:
        for (int h = 1; h <= kHorseCells; ++h)
            cells.push_back(std::to_string(h));
        break;
    case TicketFile::Place:
        for (int h = 1; h <= kHorseCells; ++h) {
            if (item == ExportItem::Odds) {
                cells.push_back(std::to_string(h) + sj("(低)"));
                cells.push_back(std::to_string(h) + sj("(高)"));
            } else {
                cells.push_back(std::to_string(h));
            }
        }
        break;
    case TicketFile::BracketQuinella:
        for (int k = 1; k <= kBracketCells; ++k)
            cells.push_back(" " + KeibaFunc::BracketPairLabel(k));
        break;
    case TicketFile::Quinella:
        for (int k = 1; k <= kQuinellaCells; ++k)
            cells.push_back(" " + KeibaFunc::QuinellaPairLabel(k));
        break;
    }
    return joinCells(cells);
}

std::vector<std::string> raceCells(std::string_view raceCard)
{
    const RaView ra(raceCard);
    std::vector<std::string> cells;
    cells.reserve(15);
    cells.emplace_back(ra.yearText());
    cells.emplace_back(ra.bytes(16, 2));
    cells.emplace_back(ra.bytes(18, 2));
    cells.push_back(KeibaFunc::TrackName(ra.trackCode(), 2));
    cells.push_back(KeibaFunc::RightNumber(ra.meetingText()));
    cells.push_back(KeibaFunc::RightNumber(ra.meetingDayText()));
    cells.push_back(KeibaFunc::RightNumber(ra.raceNumberText()));
    cells.push_back(withoutFullWidthBlanks(text::trim(ra.shortRaceName())));
    cells.push_back(KeibaFunc::RightNumber(ra.bytes(882, 2)));
    cells.push_back(KeibaFunc::GradeText(ra.gradeCode(), 1));
    cells.push_back(KeibaFunc::RaceKindText(ra.raceKindCode(), 4));
    cells.push_back(KeibaFunc::ConditionClassText(ra.youngestConditionCode()));
    cells.push_back(KeibaFunc::WeightKindText(ra.weightRuleCode()));
    cells.push_back(KeibaFunc::CourseShortText(ra.courseCode()));
    cells.push_back(KeibaFunc::RightNumber(ra.bytes(698, 4)));
    return cells;
}

bool onSale(TicketFile file, std::string_view snapshot)
{
    const records::RecordView snap(snapshot);
    switch (file) {
    case TicketFile::Win: return snap.bytes(40, 1) == "7";
    case TicketFile::Place: return snap.bytes(41, 1) == "7";
    case TicketFile::BracketQuinella: return snap.bytes(42, 1) == "7";
    case TicketFile::Quinella: return snap.bytes(40, 1) == "7";
    }
    return false;
}

std::string oddsCell(std::string_view field)
{
    const records::OddsField odds = records::OddsField::parse(field);
    if (odds.kind() != records::OddsKind::Odds)
        return {};
    // Written from the tenths themselves: "%W.1f" of tenths / 10 without a detour
    // through binary fractions.
    const std::int64_t tenths = odds.tenths();
    std::string digits = std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
    const std::size_t width = field.size() + 1;
    if (digits.size() < width)
        digits.insert(0, width - digits.size(), ' ');
    return digits;
}

std::string popularityCell(std::string_view field)
{
    const std::int64_t order = text::readInt(field);
    if (order <= 0)
        return {};
    return text::formatInt(order, static_cast<int>(field.size()));
}

std::string dataLine(TicketFile file, ExportItem item, std::string_view raceCard, std::string_view snapshot)
{
    const records::RecordView snap(snapshot);
    std::vector<std::string> cells = raceCells(raceCard);
    std::string day(snap.bytes(28, 2));
    day += '/';
    day += snap.bytes(30, 2);
    std::string time(snap.bytes(32, 2));
    time += ':';
    time += snap.bytes(34, 2);
    cells.push_back(std::move(day));
    cells.push_back(std::move(time));

    const bool odds = item == ExportItem::Odds;
    switch (file) {
    case TicketFile::Win:
        cells.push_back(KeibaFunc::RightNumber(snap.bytes(928, 11)));
        for (int h = 1; h <= kHorseCells; ++h)
            cells.push_back(odds ? oddsCell(snap.bytes(records::winOddsPos(h), 4))
                                 : popularityCell(snap.bytes(records::winPopularityPos(h), 2)));
        break;
    case TicketFile::Place:
        cells.push_back(KeibaFunc::RightNumber(snap.bytes(939, 11)));
        for (int h = 1; h <= kHorseCells; ++h) {
            if (odds) {
                cells.push_back(oddsCell(snap.bytes(records::placeLowPos(h), 4)));
                cells.push_back(oddsCell(snap.bytes(records::placeHighPos(h), 4)));
            } else {
                cells.push_back(popularityCell(snap.bytes(records::placePopularityPos(h), 2)));
            }
        }
        break;
    case TicketFile::BracketQuinella:
        cells.push_back(KeibaFunc::RightNumber(snap.bytes(950, 11)));
        for (int k = 1; k <= kBracketCells; ++k)
            cells.push_back(odds ? oddsCell(snap.bytes(records::bracketOddsPos(k), 5))
                                 : popularityCell(snap.bytes(records::bracketPopularityPos(k), 2)));
        break;
    case TicketFile::Quinella:
        cells.push_back(KeibaFunc::RightNumber(snap.bytes(2030, 11)));
        for (int k = 1; k <= kQuinellaCells; ++k)
            cells.push_back(odds ? oddsCell(snap.bytes(records::quinellaOddsPos(k), 6))
                                 : popularityCell(snap.bytes(records::quinellaPopularityPos(k), 3)));
        break;
    }
    return joinCells(cells);
}

bool loadSnapshotLines(const std::filesystem::path& file, std::string& bytes, std::vector<std::string_view>& lines)
{
    lines.clear();
    if (!text::tryReadFile(file, bytes))
        return false;
    // CR LF, a lone LF or a lone CR ends a line; neither byte occurs inside a CP932
    // character. Lines are long, so the ends are found with memchr.
    const char* const begin = bytes.data();
    const char* const end = begin + bytes.size();
    const char* cr = static_cast<const char*>(std::memchr(begin, '\r', bytes.size()));
    const char* lf = static_cast<const char*>(std::memchr(begin, '\n', bytes.size()));
    const char* start = begin;
    while (cr || lf) {
        const char* stop = !cr ? lf : !lf ? cr : std::min(cr, lf);
        lines.emplace_back(start, static_cast<std::size_t>(stop - start));
        const char* next = stop + 1;
        if (*stop == '\r' && next < end && *next == '\n')
            ++next;
        start = next;
        const auto rest = static_cast<std::size_t>(end - start);
        if (cr && cr < start)
            cr = static_cast<const char*>(std::memchr(start, '\r', rest));
        if (lf && lf < start)
            lf = static_cast<const char*>(std::memchr(start, '\n', rest));
    }
    if (start < end)
        lines.emplace_back(start, static_cast<std::size_t>(end - start));
    return true;
}

bool loadSnapshotLines(const std::filesystem::path& file, std::vector<std::string>& lines)
{
    lines.clear();
    std::string bytes;
    if (!text::tryReadFile(file, bytes))
        return false;
    // CR LF, a lone LF or a lone CR ends a line; neither byte occurs inside a CP932
    // character.
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        lines.emplace_back(bytes, start, i - start);
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines.emplace_back(bytes, start, bytes.size() - start);
    return true;
}

ExportResult runSpecificTimeExport(const store::StoreLayout& layout, const ExportDay& day,
                                   const ExportChoice& choice, Host& host)
{
    return runSpecificTimeExport(layout, day, choice, host, layout.csvFolder());
}

ExportResult runSpecificTimeExport(const store::StoreLayout& layout, const ExportDay& day,
                                   const ExportChoice& choice, Host& host, const std::filesystem::path& outFolder)
{
    ExportResult result;
    // The files are named after slot 0's date; without one there is nothing to name them
    // after (no day loaded), and a name of blanks would be no file a user could find.
    if (day.slotRaceCards.empty() || fileStem(TicketFile::Win, day.slotRaceCards.front(), choice.item).empty()) {
        result.failure = ExportFailure::NoRaceDay;
        result.message = noRaceDayMessage();
        return result;
    }

    std::array<std::vector<std::string>, 4> lists;
    for (TicketFile file : kTicketFiles)
        lists[fileIndex(file)].push_back(headerLine(file, choice.item));

    try {
        const std::size_t races = std::min(day.listedRaces, day.slotRaceCards.size());
        std::string fileBytes;
        std::vector<std::string_view> loader;
        for (std::size_t s = 0; s < races; ++s) {
            const std::string& raceCard = day.slotRaceCards[s];
            const std::string target = targetMoment(raceCard, choice.moment);

            const auto o1File = layout.fileOf(store::StoreKind::O1, raceCard);
            if (o1File && loadSnapshotLines(*o1File, fileBytes, loader)) {
                if (const auto k = chooseSnapshot(std::span<const std::string_view>(loader), target)) {
                    for (TicketFile file : {TicketFile::Win, TicketFile::Place, TicketFile::BracketQuinella})
                        if (onSale(file, loader[*k]))
                            lists[fileIndex(file)].push_back(dataLine(file, choice.item, raceCard, loader[*k]));
                }
            }
            const auto o2File = layout.fileOf(store::StoreKind::O2, raceCard);
            if (o2File && loadSnapshotLines(*o2File, fileBytes, loader)) {
                if (const auto k = chooseSnapshot(std::span<const std::string_view>(loader), target)) {
                    if (onSale(TicketFile::Quinella, loader[*k]))
                        lists[fileIndex(TicketFile::Quinella)].push_back(
                            dataLine(TicketFile::Quinella, choice.item, raceCard, loader[*k]));
                }
            }
            host.processEvents();
        }

        // The folder is made at start-up; one removed since is made again rather than
        // failing the export.
        text::ensureDirectory(outFolder);
        for (TicketFile file : kTicketFiles) {
            const auto& lines = lists[fileIndex(file)];
            std::string bytes;
            for (const std::string& line : lines) {
                bytes += line;
                bytes += "\r\n";
            }
            const std::filesystem::path path =
                outFolder / text::pathFromUtf8(fileStem(file, day.slotRaceCards.front(), choice.item) + ".CSV");
            text::writeFileAtomic(path, bytes);
            result.written.push_back(path);
            result.dataLines[fileIndex(file)] = static_cast<int>(lines.size()) - 1;
            if (choice.openFiles && !host.openWithDefault(text::utf8Path(path)))
                result.notOpened.push_back(path);
        }
    } catch (const text::FileError& e) {
        result.failure = ExportFailure::File;
        result.message = text::fromUtf8(e.what());
    }
    return result;
}

} // namespace tidemark::results
