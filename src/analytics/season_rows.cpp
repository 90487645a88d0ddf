#include "analytics/season_rows.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "analytics/race_share_change.h"
#include "records/keiba_func_nv.h"
#include "records/pair_index.h"
#include "records/record_view.h"
#include "text/cp932.h"

namespace tidemark::analytics {

namespace {

using records::OddsField;
using records::OddsKind;

constexpr std::int64_t kMinutesPerDay = 24 * 60;

// Odds in units of 1, or NULL where the field carries no price.
Value oddsValue(const OddsField& f)
{
    return f.kind() == OddsKind::Odds ? Value::of(f.value()) : Value::null();
}

Value textOrNull(const std::string& s) { return s.empty() ? Value::null() : Value::of(std::string_view(s)); }

void putDigits(char* at, int value, int digits)
{
    for (int i = digits - 1; i >= 0; --i) {
        at[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

// "yyyy-mm-dd" of a date.
std::string dayText(const text::DateTime& d)
{
    char buf[10];
    putDigits(buf, d.year, 4);
    buf[4] = '-';
    putDigits(buf + 5, d.month, 2);
    buf[7] = '-';
    putDigits(buf + 8, d.day, 2);
    return std::string(buf, sizeof buf);
}

// "hh:mm" of a four-digit time field; empty when it is blank or no clock time.
std::string clockText(std::string_view hhmm)
{
    if (minuteOfHhmm(hhmm) < 0)
        return {};
    std::string out(hhmm.substr(0, 2));
    out += ':';
    out += hhmm.substr(2, 2);
    return out;
}

// The announcement parts of one snapshot, made once per snapshot for all its rows.
struct SnapshotFacts {
    std::string announcedText;
    Value announced;
    Value minutesToPost;

    void set(const RaceFacts& race, std::string_view mmddhhmm)
    {
        const std::optional<MinuteStamp> at = race.announced(mmddhhmm);
        if (!at) {
            announced = Value::null();
            minutesToPost = Value::null();
            return;
        }
        announcedText = stampText(*at);
        announced = Value::of(std::string_view(announcedText));
        minutesToPost = race.post ? Value::of(*race.post - *at) : Value::null();
    }
};

} // namespace

std::string tableText(std::string_view s)
{
    // Walk by characters, so a full-width blank is never mistaken in the middle of a
    // double-byte character.
    static constexpr std::string_view kFullWidthBlank = "\x81\x40";
    std::size_t first = s.size();
    std::size_t end = 0;
    for (std::size_t i = 0; i < s.size();) {
        const bool lead = text::isLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size();
        const std::size_t width = lead ? 2 : 1;
        const bool blank = lead ? s.substr(i, 2) == kFullWidthBlank : static_cast<unsigned char>(s[i]) <= 0x20;
        if (!blank) {
            first = std::min(first, i);
            end = i + width;
        }
        i += width;
    }
    if (first >= end)
        return {};
    return text::toUtf8(s.substr(first, end - first));
}

std::string_view statusName(OddsKind kind)
{
    switch (kind) {
    case OddsKind::Odds: return "priced";
    case OddsKind::NoVotes: return "no_votes";
    case OddsKind::CancelledBeforeSale: return "cancelled_before_sale";
    case OddsKind::CancelledAfterSale: return "cancelled_after_sale";
    case OddsKind::Blank:
    case OddsKind::Unreadable: return "blank";
    }
    return "blank";
}

std::string_view ticketTypeName(records::PayoutKind kind)
{
    using records::PayoutKind;
    switch (kind) {
    case PayoutKind::Win: return "win";
    case PayoutKind::Place: return "place";
    case PayoutKind::BracketQuinella: return "bracket_quinella";
    case PayoutKind::Quinella: return "quinella";
    case PayoutKind::Wide: return "wide";
    case PayoutKind::BracketExacta: return "bracket_exacta";
    case PayoutKind::Exacta: return "exacta";
    case PayoutKind::Trio: return "trio";
    case PayoutKind::Trifecta: return "trifecta";
    }
    return "win";
}

void writeRaceRow(std::string_view raRecord, TableSink& sink)
{
    const records::RaView ra(raRecord);
    const std::string key(ra.raceKey());
    const std::string day = dayText(text::DateTime{ra.year(), ra.month(), ra.dayOfMonth(), 0, 0, 0});
    const std::string trackCode(text::trim(ra.trackCode()));
    const std::string trackName = tableText(KeibaFuncNV::TrackName(ra.trackCode(), 0));
    const std::string name = tableText(ra.raceName());
    const std::string post = clockText(ra.startTime());
    const std::string course(text::trim(ra.courseCode()));
    const Value row[] = {
        Value::of(std::string_view(key)),
        Value::of(std::string_view(day)),
        textOrNull(trackCode),
        textOrNull(trackName),
        Value::of(static_cast<std::int64_t>(ra.meeting())),
        Value::of(static_cast<std::int64_t>(ra.meetingDay())),
        Value::of(static_cast<std::int64_t>(ra.raceNumber())),
        textOrNull(name),
        textOrNull(post),
        Value::positiveOrNull(ra.distance()),
        textOrNull(course),
        Value::of(static_cast<std::int64_t>(ra.runnerCount())),
    };
    sink.write(SeasonTable::Races, row);
}

void writeRunnerRows(const analysis::RaceSlot& slot, const RaceFacts& race, TableSink& sink)
{
    const bool banei = records::isBaneiTrack(race.trackCode);
    for (int h = 1; h <= std::min(race.runners, analysis::kMaxHorses); ++h) {
        const records::SeView se(slot.seRecords[static_cast<std::size_t>(h)]);
        if (se.horseNumber() < 1)
            continue; // no runner record, or its gate not drawn yet
        const std::string name = tableText(se.horseName());
        const std::string jockey = tableText(se.jockey());
        const std::string trainer = tableText(se.trainer());
        const double weight = se.weightKilograms(banei);
        const Value row[] = {
            Value::of(std::string_view(race.raceKey)),
            Value::of(static_cast<std::int64_t>(se.horseNumber())),
            Value::positiveOrNull(se.bracket()),
            textOrNull(name),
            textOrNull(jockey),
            textOrNull(trainer),
            weight > 0.0 ? Value::of(weight) : Value::null(),
            Value::positiveOrNull(se.finishPosition()),
            oddsValue(se.finalWinOddsField()),
            Value::positiveOrNull(se.finalWinPopularity()),
        };
        sink.write(SeasonTable::Runners, row);
    }
}

void writePayoutRows(const RaceFacts& race, const results::PayoutTable& payouts, TableSink& sink)
{
    for (records::PayoutKind kind : records::kPayoutKinds) {
        for (const results::PayoutItem& item : payouts.entries(kind)) {
            if (!results::isShown(kind, item))
                continue;
            std::string combination;
            if (results::isCombinationKind(kind)) {
                for (const char c : item.combination)
                    if (c != ' ')
                        combination += c;
            } else {
                combination = std::to_string(item.horse);
            }
            const Value row[] = {
                Value::of(std::string_view(race.raceKey)),
                Value::of(ticketTypeName(kind)),
                Value::of(std::string_view(combination)),
                Value::of(static_cast<std::int64_t>(item.amount)),
                Value::positiveOrNull(item.popularity),
            };
            sink.write(SeasonTable::Payouts, row);
        }
    }
}

void writeWinPlaceRows(const RaceFacts& race, std::span<const std::string_view> o1Lines, TableSink& sink)
{
    SnapshotFacts snap;
    std::array<Value, 14> row;
    row[0] = Value::of(std::string_view(race.raceKey));
    std::int64_t index = 0;
    for (std::string_view line : o1Lines) {
        const records::O1View o1(line);
        snap.set(race, o1.announcementTime());
        row[1] = Value::of(++index);
        row[2] = snap.announced;
        row[3] = snap.minutesToPost;
        row[11] = Value::of(o1.winVotes());
        row[12] = Value::of(o1.placeVotes());
        row[13] = Value::of(o1.bracketVotes());
        for (int h = 1; h <= race.runners; ++h) {
            const OddsField win = o1.win(h);
            row[4] = Value::of(static_cast<std::int64_t>(h));
            row[5] = oddsValue(win);
            row[6] = Value::positiveOrNull(o1.winPopularity(h));
            row[7] = oddsValue(o1.placeLow(h));
            row[8] = oddsValue(o1.placeHigh(h));
            row[9] = Value::positiveOrNull(o1.placePopularity(h));
            row[10] = Value::of(statusName(win.kind()));
            sink.write(SeasonTable::WinPlace, row);
        }
    }
}

namespace {

// The rows of one pair table: `field(view, k)`, `popularity(view, k)` and the pair's
// numbers for every slot k that is not blank.
template <class View, class Field, class Popularity, class Numbers>
void writePairRows(const RaceFacts& race, std::span<const std::string_view> lines, int pairs, SeasonTable table,
                   TableSink& sink, Field field, Popularity popularity, Numbers numbers,
                   std::int64_t (View::*total)() const noexcept)
{
    SnapshotFacts snap;
    std::array<Value, 9> row;
    row[0] = Value::of(std::string_view(race.raceKey));
    std::int64_t index = 0;
    for (std::string_view line : lines) {
        const View view(line);
        snap.set(race, view.announcementTime());
        row[1] = Value::of(++index);
        row[2] = snap.announced;
        row[8] = Value::of((view.*total)());
        for (int k = 1; k <= pairs; ++k) {
            const OddsField f = field(view, k);
            if (f.isBlank())
                continue;
            const records::Pair p = numbers(k);
            row[3] = Value::of(static_cast<std::int64_t>(p.first));
            row[4] = Value::of(static_cast<std::int64_t>(p.second));
            row[5] = oddsValue(f);
            row[6] = Value::positiveOrNull(popularity(view, k));
            row[7] = Value::of(statusName(f.kind()));
            sink.write(table, row);
        }
    }
}

} // namespace

void writeBracketRows(const RaceFacts& race, std::span<const std::string_view> o1Lines, TableSink& sink)
{
    writePairRows<records::O1View>(
        race, o1Lines, records::kBracketPairCount, SeasonTable::BracketQuinella, sink,
        [](const records::O1View& v, int k) { return v.bracketQuinella(k); },
        [](const records::O1View& v, int k) { return v.bracketPopularity(k); }, records::bracketPair,
        &records::O1View::bracketVotes);
}

void writeQuinellaRows(const RaceFacts& race, std::span<const std::string_view> o2Lines, TableSink& sink)
{
    writePairRows<records::O2View>(
        race, o2Lines, records::kQuinellaPairCount, SeasonTable::Quinella, sink,
        [](const records::O2View& v, int k) { return v.quinella(k); },
        [](const records::O2View& v, int k) { return v.quinellaPopularity(k); }, records::quinellaPair,
        &records::O2View::quinellaVotes);
}

} // namespace tidemark::analytics
