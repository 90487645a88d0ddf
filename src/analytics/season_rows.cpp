#include "analytics/season_rows.h"

#include <algorithm>
#include <array>

#include "analysis/odds_values.h"
#include "analytics/race_share_change.h"
#include "records/keiba_func.h"
#include "records/keiba_func_nv.h"
#include "records/pair_index.h"
#include "records/record_view.h"
#include "text/cp932.h"
#include "text/date_time.h"

namespace tidemark::analytics {

namespace {

using records::OddsField;
using records::OddsKind;

// Odds in units of 1, or NULL where the field carries no price.
Value oddsValue(const OddsField& f)
{
    return f.kind() == OddsKind::Odds ? Value::of(f.value()) : Value::null();
}

// The estimated share of the pool in percent (80 / win odds ...), NULL without a price.
Value shareValue(const OddsField& f, double numerator)
{
    return f.kind() == OddsKind::Odds && f.value() > 0.0 ? Value::of(numerator / f.value()) : Value::null();
}

Value textOrNull(const std::string& s) { return s.empty() ? Value::null() : Value::of(std::string_view(s)); }

// A code field as the record holds it; NULL when it is blank. Anything but plain
// characters (a damaged field) is converted as a text is.
std::string codeText(std::string_view field)
{
    if (field.find_first_not_of(' ') == std::string_view::npos)
        return {};
    if (std::all_of(field.begin(), field.end(), [](char c) { return c >= 0x20 && c < 0x7F; }))
        return std::string(field);
    return tableText(field);
}

// A sale flag ("7": on sale) as a one-character text; NULL when blank or damaged.
Value flagCode(std::string_view field)
{
    return field.size() == 1 && field[0] > 0x20 && field[0] < 0x7F ? Value::of(field) : Value::null();
}

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
    if (text::minuteOfHhmm(hhmm) < 0)
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
    const std::string_view kept = text::trimBlanks(s);
    bool control = false;
    for (const char c : kept)
        control = control || (static_cast<unsigned char>(c) < 0x20 || c == 0x7F);
    if (kept.empty())
        return {};
    std::string out = text::toUtf8(kept);
    if (control)
        std::erase_if(out, [](char c) { return (c >= 0 && c < 0x20) || c == 0x7F; });
    return out;
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

std::int64_t lastSnapshotBeforePost(const RaceFacts& race, std::span<const std::string_view> lines)
{
    if (!race.post)
        return 0;
    std::int64_t last = 0;
    std::optional<MinuteStamp> latest;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::optional<MinuteStamp> at = race.announced(records::OddsRecordView(lines[i]).announcementTime());
        // Of two announcements of the same minute the later line is the later one.
        if (at && *at <= *race.post && (!latest || *at >= *latest)) {
            latest = at;
            last = static_cast<std::int64_t>(i + 1);
        }
    }
    return last;
}

RaceStatus RaceStatus::of(const analysis::RaceSlot& slot, const RaceFacts& race,
                          std::span<const std::string_view> o1Lines)
{
    RaceStatus s;
    const int runners = std::min(race.runners, analysis::kMaxHorses);
    for (int h = 1; h <= runners; ++h) {
        const records::SeView se(slot.seRecords[static_cast<std::size_t>(h)]);
        // The results of a cancelled race come with data kind 9, which the store keeps.
        s.cancelled = s.cancelled || (se.horseNumber() >= 1 && se.dataKind() == "9");
        s.scratched[static_cast<std::size_t>(h)] = se.horseNumber() >= 1 && se.finalWinOddsField().isCancelled();
    }
    for (std::size_t i = 0; i < o1Lines.size(); ++i) {
        const records::O1View o1(o1Lines[i]);
        for (int h = 1; h <= runners; ++h) {
            const auto at = static_cast<std::size_t>(h);
            if (s.scratchedSnapshot[at] == 0 && o1.win(h).isCancelled()) {
                s.scratched[at] = true;
                s.scratchedSnapshot[at] = static_cast<std::int64_t>(i + 1);
                s.scratchedAt[at] = race.announced(o1.announcementTime());
            }
        }
    }
    s.starters = race.runners;
    for (int h = 1; h <= runners; ++h)
        s.starters -= s.scratched[static_cast<std::size_t>(h)] ? 1 : 0;
    if (s.cancelled)
        s.starters = 0;
    s.lastBeforePost = lastSnapshotBeforePost(race, o1Lines);
    return s;
}

void writeRaceRow(const analysis::RaceSlot& slot, const RaceFacts& race, const RaceStatus& status, TableSink& sink)
{
    const records::RaView ra(slot.raRecord);
    const std::string day = dayText(race.date);
    const std::string trackCode(text::trim(ra.trackCode()));
    const std::string trackName = tableText(KeibaFuncNV::TrackName(ra.trackCode(), 0));
    const std::string name = tableText(ra.raceName());
    const std::string post = clockText(ra.startTime());
    const std::string postAt = race.post ? stampText(*race.post) : std::string();
    const std::string courseCode = codeText(ra.courseCode());
    const std::string course = tableText(KeibaFuncNV::TrackKindText(ra.courseCode()));
    const std::string weekdayCode = codeText(ra.weekdayCode());
    const std::string weekday = tableText(KeibaFuncNV::WeekdayText(ra.weekdayCode()));
    const std::string gradeCode = codeText(ra.gradeCode());
    const std::string grade = tableText(KeibaFuncNV::GradeText(ra.gradeCode()));
    const std::string kindCode = codeText(ra.raceKindCode());
    const std::string kind = tableText(KeibaFuncNV::RaceKindText(ra.raceKindCode()));
    const std::string symbolCode = codeText(ra.raceSymbolCode());
    const std::string symbol = tableText(KeibaFuncNV::RaceSymbolText(ra.trackCode(), ra.raceSymbolCode()));
    const std::string conditionCode = codeText(ra.youngestConditionCode());
    const std::string conditionClass = tableText(KeibaFunc::ConditionClassText(ra.youngestConditionCode()));
    const std::string conditionName = tableText(ra.conditionName());
    const std::string weightCode = codeText(ra.weightRuleCode());
    const std::string weight = tableText(KeibaFuncNV::WeightKindText(ra.weightRuleCode()));
    // On the ばんえい tracks the two going bytes are the moisture, hexadecimal.
    const bool banei = ra.isBanei();
    const std::string turfCode = banei ? std::string() : codeText(ra.turfConditionCode());
    const std::string turf = banei ? std::string() : tableText(KeibaFuncNV::GoingText(ra.turfConditionCode(), 1));
    const std::string dirtCode = banei ? std::string() : codeText(ra.dirtConditionCode());
    const std::string dirt = banei ? std::string() : tableText(KeibaFuncNV::GoingText(ra.dirtConditionCode(), 2));
    const Value row[] = {
        Value::of(std::string_view(race.raceKey)),
        Value::of(std::string_view(day)),
        textOrNull(trackCode),
        textOrNull(trackName),
        Value::of(static_cast<std::int64_t>(ra.meeting())),
        Value::of(static_cast<std::int64_t>(ra.meetingDay())),
        Value::of(static_cast<std::int64_t>(ra.raceNumber())),
        textOrNull(name),
        textOrNull(post),
        textOrNull(postAt),
        Value::positiveOrNull(ra.distance()),
        textOrNull(courseCode),
        textOrNull(course),
        Value::of(static_cast<std::int64_t>(ra.runnerCount())),
        Value::of(static_cast<std::int64_t>(status.starters)),
        Value::flag(status.cancelled),
        textOrNull(weekdayCode),
        textOrNull(weekday),
        textOrNull(gradeCode),
        textOrNull(grade),
        Value::positiveOrNull(ra.edition()),
        textOrNull(kindCode),
        textOrNull(kind),
        textOrNull(symbolCode),
        textOrNull(symbol),
        textOrNull(conditionCode),
        textOrNull(conditionClass),
        textOrNull(conditionName),
        textOrNull(weightCode),
        textOrNull(weight),
        textOrNull(turfCode),
        textOrNull(turf),
        textOrNull(dirtCode),
        textOrNull(dirt),
        banei ? Value::of(ra.moisture()) : Value::null(),
    };
    sink.write(SeasonTable::Races, row);
}

void writeRunnerRows(const analysis::RaceSlot& slot, const RaceFacts& race, const RaceStatus& status, TableSink& sink)
{
    const bool banei = records::isBaneiTrack(race.trackCode);
    std::array<bool, analysis::kMaxHorses + 1> written{};
    for (int h = 1; h <= std::min(race.runners, analysis::kMaxHorses); ++h) {
        const records::SeView se(slot.seRecords[static_cast<std::size_t>(h)]);
        const int horse = se.horseNumber();
        // No runner record, its gate not drawn yet, or a record of another horse.
        if (horse < 1 || horse > analysis::kMaxHorses || written[static_cast<std::size_t>(horse)])
            continue;
        written[static_cast<std::size_t>(horse)] = true;
        const auto at = static_cast<std::size_t>(horse);
        const std::string name = tableText(se.horseName());
        const std::string sexCode = codeText(se.sexCode());
        const std::string sex = tableText(KeibaFuncNV::SexText(se.sexCode()));
        const std::string jockey = tableText(se.jockey());
        const std::string trainer = tableText(se.trainer());
        const std::string scratchedAt = status.scratchedAt[at] ? stampText(*status.scratchedAt[at]) : std::string();
        const double weight = se.weightKilograms(banei);
        const Value row[] = {
            Value::of(std::string_view(race.raceKey)),
            Value::of(static_cast<std::int64_t>(horse)),
            Value::positiveOrNull(se.bracket()),
            textOrNull(name),
            textOrNull(sexCode),
            textOrNull(sex),
            Value::positiveOrNull(se.age()),
            textOrNull(jockey),
            textOrNull(trainer),
            weight > 0.0 ? Value::of(weight) : Value::null(),
            Value::positiveOrNull(se.finishPosition()),
            oddsValue(se.finalWinOddsField()),
            Value::positiveOrNull(se.finalWinPopularity()),
            Value::flag(status.scratched[at]),
            Value::positiveOrNull(status.scratchedSnapshot[at]),
            textOrNull(scratchedAt),
        };
        sink.write(SeasonTable::Runners, row);
    }
}

void writePayoutRows(const RaceFacts& race, const results::PayoutTable& payouts, TableSink& sink)
{
    std::vector<std::string> seen;
    for (records::PayoutKind kind : records::kPayoutKinds) {
        seen.clear();
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
            // A combination paid twice in one record is damage: its first entry counts.
            if (std::find(seen.begin(), seen.end(), combination) != seen.end())
                continue;
            seen.push_back(combination);
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
    const std::int64_t last = lastSnapshotBeforePost(race, o1Lines);
    SnapshotFacts snap;
    std::array<Value, 20> row;
    row[0] = Value::of(std::string_view(race.raceKey));
    std::int64_t index = 0;
    for (std::string_view line : o1Lines) {
        const records::O1View o1(line);
        snap.set(race, o1.announcementTime());
        row[1] = Value::of(++index);
        row[2] = snap.announced;
        row[3] = snap.minutesToPost;
        row[4] = Value::flag(index == last);
        row[15] = Value::of(o1.winVotes());
        row[16] = Value::of(o1.placeVotes());
        row[17] = Value::of(o1.bracketVotes());
        row[18] = flagCode(o1.winSaleFlag());
        row[19] = flagCode(o1.placeSaleFlag());
        for (int h = 1; h <= race.runners; ++h) {
            const OddsField win = o1.win(h);
            const OddsField low = o1.placeLow(h);
            row[5] = Value::of(static_cast<std::int64_t>(h));
            row[6] = oddsValue(win);
            row[7] = Value::positiveOrNull(o1.winPopularity(h));
            row[8] = Value::of(statusName(win.kind()));
            row[9] = shareValue(win, analysis::kWinShareNumerator);
            row[10] = oddsValue(low);
            row[11] = oddsValue(o1.placeHigh(h));
            row[12] = Value::positiveOrNull(o1.placePopularity(h));
            row[13] = Value::of(statusName(low.kind()));
            row[14] = shareValue(low, analysis::kPlaceShareNumerator);
            sink.write(SeasonTable::WinPlace, row);
        }
    }
}

namespace {

// The rows of one pair table: `field(view, k)`, `popularity(view, k)` and the pair's
// numbers for every slot k that is not blank.
template <class View, class Field, class Popularity, class Numbers, class Sale>
void writePairRows(const RaceFacts& race, std::span<const std::string_view> lines, int pairs, SeasonTable table,
                   double shareNumerator, TableSink& sink, Field field, Popularity popularity, Numbers numbers,
                   Sale sale, std::int64_t (View::*total)() const noexcept)
{
    const std::int64_t last = lastSnapshotBeforePost(race, lines);
    SnapshotFacts snap;
    std::array<Value, 13> row;
    row[0] = Value::of(std::string_view(race.raceKey));
    std::int64_t index = 0;
    for (std::string_view line : lines) {
        const View view(line);
        snap.set(race, view.announcementTime());
        row[1] = Value::of(++index);
        row[2] = snap.announced;
        row[3] = snap.minutesToPost;
        row[4] = Value::flag(index == last);
        row[11] = Value::of((view.*total)());
        row[12] = flagCode(sale(view));
        for (int k = 1; k <= pairs; ++k) {
            const OddsField f = field(view, k);
            if (f.isBlank())
                continue;
            const records::Pair p = numbers(k);
            row[5] = Value::of(static_cast<std::int64_t>(p.first));
            row[6] = Value::of(static_cast<std::int64_t>(p.second));
            row[7] = oddsValue(f);
            row[8] = Value::positiveOrNull(popularity(view, k));
            row[9] = Value::of(statusName(f.kind()));
            row[10] = shareValue(f, shareNumerator);
            sink.write(table, row);
        }
    }
}

} // namespace

void writeBracketRows(const RaceFacts& race, std::span<const std::string_view> o1Lines, TableSink& sink)
{
    writePairRows<records::O1View>(
        race, o1Lines, records::kBracketPairCount, SeasonTable::BracketQuinella, analysis::kBracketShareNumerator, sink,
        [](const records::O1View& v, int k) { return v.bracketQuinella(k); },
        [](const records::O1View& v, int k) { return v.bracketPopularity(k); }, records::bracketPair,
        [](const records::O1View& v) { return v.bracketSaleFlag(); }, &records::O1View::bracketVotes);
}

void writeQuinellaRows(const RaceFacts& race, std::span<const std::string_view> o2Lines, TableSink& sink)
{
    writePairRows<records::O2View>(
        race, o2Lines, records::kQuinellaPairCount, SeasonTable::Quinella, analysis::kQuinellaShareNumerator, sink,
        [](const records::O2View& v, int k) { return v.quinella(k); },
        [](const records::O2View& v, int k) { return v.quinellaPopularity(k); }, records::quinellaPair,
        [](const records::O2View& v) { return v.quinellaSaleFlag(); }, &records::O2View::quinellaVotes);
}

} // namespace tidemark::analytics
