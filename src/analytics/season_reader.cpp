#include "analytics/season_reader.h"

#include <algorithm>

#include "analytics/race_share_change.h"
#include "records/record_view.h"
#include "text/date_time.h"
#include "text/file_io.h"

namespace tidemark::analytics {

std::optional<text::DateTime> dateOfYmd(std::string_view s)
{
    if (s.size() != 8 || !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const records::RecordView digits(s);
    const int year = static_cast<int>(digits.number(1, 4));
    const int month = static_cast<int>(digits.number(5, 2));
    const int day = static_cast<int>(digits.number(7, 2));
    if (!text::isValidDate(year, month, day))
        return std::nullopt;
    return text::DateTime{year, month, day, 0, 0, 0};
}

namespace {

constexpr std::int64_t kMinutesPerDay = 24 * 60;

void putDigits(char* at, int value, int digits)
{
    for (int i = digits - 1; i >= 0; --i) {
        at[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

} // namespace

MinuteStamp stampOf(const text::DateTime& t)
{
    return t.dayNumber() * kMinutesPerDay + t.hour * 60 + t.minute;
}

std::string stampText(MinuteStamp stamp)
{
    std::int64_t days = stamp / kMinutesPerDay;
    std::int64_t minutes = stamp % kMinutesPerDay;
    if (minutes < 0) {
        minutes += kMinutesPerDay;
        --days;
    }
    const text::DateTime d = text::DateTime::fromDayNumber(days);
    char buf[16];
    putDigits(buf, d.year, 4);
    buf[4] = '-';
    putDigits(buf + 5, d.month, 2);
    buf[7] = '-';
    putDigits(buf + 8, d.day, 2);
    buf[10] = ' ';
    putDigits(buf + 11, static_cast<int>(minutes / 60), 2);
    buf[13] = ':';
    putDigits(buf + 14, static_cast<int>(minutes % 60), 2);
    return std::string(buf, sizeof buf);
}

RaceFacts RaceFacts::of(std::string_view raRecord)
{
    const records::RaView ra(raRecord);
    RaceFacts f;
    f.raceKey = std::string(ra.raceKey());
    f.trackCode = std::string(ra.trackCode());
    f.date = text::DateTime{ra.year(), ra.month(), ra.dayOfMonth(), 0, 0, 0};
    f.runners = std::clamp(ra.runnerCount(), 0, records::kOddsHorseSlots);
    // "2599" is no post time: such a race has none, as the backtest and the movers
    // board see it.
    if (const int minute = text::minuteOfHhmm(ra.startTime()); minute >= 0)
        f.post = stampOf(f.date) + minute;
    return f;
}

std::optional<MinuteStamp> RaceFacts::announced(std::string_view mmddhhmm) const
{
    if (mmddhhmm.size() != 8 || mmddhhmm.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    const records::RecordView v(mmddhhmm);
    const int month = static_cast<int>(v.number(1, 2));
    const int day = static_cast<int>(v.number(3, 2));
    const int hour = static_cast<int>(v.number(5, 2));
    const int minute = static_cast<int>(v.number(7, 2));
    // Sales open at most days before the race: a month far after the race's lies in
    // the year before (an advance sale on 31 December for a race on 1 January).
    int year = date.year;
    if (month > date.month + 6)
        --year;
    else if (month + 6 < date.month)
        ++year;
    if (!text::isValidDate(year, month, day) || hour > 23 || minute > 59)
        return std::nullopt;
    return stampOf(text::DateTime{year, month, day, hour, minute, 0});
}

std::int64_t OddsLineTally::skippedTotal() const
{
    std::int64_t n = 0;
    for (std::int64_t s : skipped)
        n += s;
    return n;
}

void OddsLineTally::add(const OddsLineTally& other)
{
    kept += other.kept;
    for (std::size_t i = 0; i < skipped.size(); ++i)
        skipped[i] += other.skipped[i];
}

void keepRaceOddsLines(std::string_view bytes, store::StoreKind kind, const RaceFacts& race,
                       std::vector<std::string_view>& lines, OddsLineTally& tally)
{
    analysis::splitOddsLines(bytes, lines);
    const std::string_view id = store::kindId(kind);
    const std::size_t length = store::lineLength(kind);
    auto fault = [&](std::string_view line) -> std::optional<OddsLineFault> {
        const records::OddsRecordView v(line);
        if (v.recordKind() != id)
            return OddsLineFault::Kind;
        if (line.size() != length)
            return OddsLineFault::Length;
        if (v.raceKey() != race.raceKey)
            return OddsLineFault::RaceKey;
        if (!race.announced(v.announcementTime()))
            return OddsLineFault::Time;
        return std::nullopt;
    };
    std::size_t out = 0;
    for (std::string_view line : lines) {
        if (const std::optional<OddsLineFault> f = fault(line)) {
            ++tally.skipped[static_cast<std::size_t>(*f)];
            continue;
        }
        lines[out++] = line;
    }
    lines.resize(out);
    tally.kept += static_cast<std::int64_t>(out);
}

std::vector<std::string> storedDaysInRange(const store::StoreLayout& layout, std::string_view fromYmd,
                                           std::string_view toYmd)
{
    std::vector<std::string> days;
    for (std::string& label : layout.dayLabels()) {
        const std::optional<std::string> date = store::dateOfDayLabel(label);
        if (!date || *date < fromYmd || *date > toYmd)
            continue;
        // "Data" and a copied "DATA" folder, or ".nvRA" and ".NVRA", name one day once.
        if (days.empty() || days.back() != label)
            days.push_back(std::move(label));
    }
    return days;
}

void StoredDay::load(const store::StoreLayout& layout, std::string_view dayLabel)
{
    m_label = std::string(dayLabel);
    m_date = store::dateOfDayLabel(dayLabel).value_or(std::string());
    m_races.clear();
    m_oddsLines = {};
    const analysis::DayFiles day = analysis::dayFiles(layout, dayLabel);

    // The day load of the main window: race cards and runners, the payout import,
    // then the values derived from the records.
    analysis::clearDayRecords(m_table);
    m_table.resetDay();
    m_payouts.clear();
    const analysis::DayRead read = analysis::readDayFile(m_table, day);
    results::importDayPayouts(m_table, m_payouts, day, -1);
    analysis::deriveRaceRecords(m_table);

    for (const analysis::RaceListEntry& entry : read.races) {
        const std::string& ra = m_table.slots[static_cast<std::size_t>(entry.slot)].raRecord;
        const records::RaView view(ra);
        if (!view.hasSafeKey())
            continue;
        StoredRace race;
        race.slot = entry.slot;
        race.raceKey = std::string(view.raceKey());
        race.odds = analysis::raceOddsFiles(layout, ra);
        race.hasPayouts = m_payouts.payoutsLoaded(entry.slot);
        race.facts = RaceFacts::of(ra);
        m_races.push_back(std::move(race));
    }
}

bool StoredDay::readOdds(const StoredRace& race, store::StoreKind kind, std::string& bytes,
                         std::vector<std::string_view>& lines)
{
    lines.clear();
    const std::filesystem::path& file = kind == store::StoreKind::O2 ? race.odds.o2 : race.odds.o1;
    if (file.empty() || !text::tryReadFile(file, bytes))
        return false;
    keepRaceOddsLines(bytes, kind, race.facts, lines, m_oddsLines);
    return true;
}

} // namespace tidemark::analytics
