#include "nvsim/sim_records.h"

#include <array>

#include "nvsim/sim_results.h"
#include "records/record_builder.h"
#include "text/cp932.h"
#include "text/number_format.h"

namespace tidemark::nvsim {

namespace {

using records::OddsField;

// Names as the service stores them: filled with full-width blanks to their width.
std::string fullWidthPadded(std::string s, std::size_t width)
{
    static const std::string blank = text::sj("　");
    if (s.size() > width) {
        s = records::fitToWidth(s, width);
        while (!s.empty() && s.back() == ' ') {
            s.pop_back();
        }
    }
    while (s.size() + 2 <= width) {
        s += blank;
    }
    return s;
}

template <class B>
void common(B& b, const SimRace& race, char dataKind, SimMinute created)
{
    const text::DateTime c = fromSimMinute(created);
    b.dataKind(dataKind)
        .creationDate(c.year, c.month, c.day)
        .date(race.date.year, race.date.month, race.date.day)
        .track(race.track)
        .meeting(race.meeting)
        .day(race.dayOfMeeting)
        .race(race.raceNo);
}

OddsField field(int value)
{
    switch (value) {
    case kOddsBeforeSaleCancel:
        return OddsField::cancelledBeforeSale();
    case kOddsAfterSaleCancel:
        return OddsField::cancelledAfterSale();
    case kOddsBlank:
        return OddsField::blank();
    default:
        return OddsField::fromTenths(value);
    }
}

// Slot labels: "12" for brackets 1-2, "0312" for horses 3-12, in pair order.
constexpr auto kBracketPairNumbers = [] {
    std::array<int, 36> n{};
    std::size_t k = 0;
    for (int a = 1; a <= 8; ++a) {
        for (int b = a; b <= 8; ++b) {
            n[k++] = a * 10 + b;
        }
    }
    return n;
}();
constexpr auto kQuinellaPairNumbers = [] {
    std::array<int, 153> n{};
    std::size_t k = 0;
    for (int a = 1; a <= 17; ++a) {
        for (int b = a + 1; b <= 18; ++b) {
            n[k++] = a * 100 + b;
        }
    }
    return n;
}();

int popularity(int value)
{
    return value > 0 ? value : 0;
}

template <class B>
void announcement(B& b, const OddsSnapshot& s)
{
    const text::DateTime t = fromSimMinute(s.at);
    b.announcement(t.month, t.day, t.hour, t.minute);
}

} // namespace

char raDataKind(const SimRace& race, CardStage stage)
{
    switch (stage) {
    case CardStage::Entries:
        return '1';
    case CardStage::Drawn:
        return '2';
    case CardStage::Result:
        return race.cancelled ? '9' : '7';
    }
    return '2';
}

std::string raRecord(const SimRace& race, CardStage stage, SimMinute created)
{
    records::RaBuilder b;
    common(b, race, raDataKind(race, stage), created);
    b.weekday(std::string(1, race.weekday))
        .raceName(fullWidthPadded(race.name, 60))
        .shortRaceName(fullWidthPadded(race.shortName, 12))
        .grade(std::string(1, race.grade))
        .raceKind(race.kind)
        .raceSymbol(race.symbol)
        .weightRule(std::string(1, race.weightRule))
        .youngestCondition(race.conditionCode)
        .conditionName(fullWidthPadded(race.condition, 60))
        .distance(race.distance)
        .course(race.course)
        .startTime(text::formatZeroPad(race.postTime, 4))
        .runners(race.runnerCount());
    b.edition(race.edition);
    if (race.banei()) {
        b.moistureTenths(race.moisture);
    } else {
        b.turfCondition(std::string(1, race.turfGoing)).dirtCondition(std::string(1, race.dirtGoing));
    }
    return b.build();
}

std::string seRecord(const SimRace& race, const SimRunner& r, CardStage stage, SimMinute created,
                     const OddsSnapshot* closing)
{
    records::SeBuilder b;
    const char kind = stage == CardStage::Result ? (race.cancelled ? '9' : '7') : stage == CardStage::Drawn ? '2' : '1';
    common(b, race, kind, created);
    const bool drawn = stage != CardStage::Entries;
    b.bracket(drawn ? r.bracket : 0)
        .horse(drawn ? r.number : 0)
        .horseName(fullWidthPadded(r.name, 36))
        .sex(std::string(1, r.sex))
        .age(r.age)
        .trainer(r.trainer)
        .jockey(r.jockey);
    if (race.banei()) {
        b.baneiWeight(r.weight);
    } else {
        b.weightTenths(r.weight);
    }
    // Before the result the result fields hold zeros, as the service sends them.
    b.finishPosition(0).finalWinOdds(OddsField::noVotes()).finalWinPopularity(0);
    if (stage == CardStage::Result && closing != nullptr) {
        const auto i = static_cast<std::size_t>(r.number - 1);
        b.finishPosition(r.finish);
        if (!race.cancelled && i < closing->win.size() && closing->win[i] >= 0) {
            b.finalWinOdds(OddsField::fromTenths(closing->win[i])).finalWinPopularity(popularity(closing->winPop[i]));
        } else {
            b.finalWinOdds(OddsField::noVotes()).finalWinPopularity(0);
        }
    }
    return b.build();
}

std::string hrRecord(const SimRace& race, const OddsSnapshot& closing, SimMinute created, bool realTime)
{
    records::HrBuilder b;
    common(b, race, realTime ? '1' : '2', created);
    // Unused entries hold zeros, which read as no payout.
    for (const auto kind : records::kPayoutKinds) {
        for (int i = 1; i <= records::payoutLayout(kind).slots; ++i) {
            b.payout(kind, i, {0, 0, 0}, 0, 0);
        }
    }
    for (const auto& e : payoutsOf(race, closing)) {
        b.payout(e);
    }
    return b.build();
}

std::string o1Record(const SimRace& race, const OddsSnapshot& s)
{
    records::O1Builder b;
    common(b, race, s.dataKind, s.created);
    announcement(b, s);
    b.winSale('7').placeSale('7').bracketSale(s.bracketSold ? '7' : '0');
    // Registered and running horses, and the slot numbers, as the service fills them.
    int running = 0;
    for (int v : s.win) {
        running += v >= 0;
    }
    b.number(36, 2, race.runnerCount()).number(38, 2, running);
    for (std::size_t i = 0; i < s.win.size(); ++i) {
        const int h = static_cast<int>(i) + 1;
        b.number(44 + 8 * i, 2, h).number(268 + 12 * i, 2, h);
        b.win(h, field(s.win[i]), popularity(s.winPop[i]));
        b.place(h, field(s.placeLow[i]), field(s.placeHigh[i]), popularity(s.placePop[i]));
    }
    for (std::size_t k = 0; k < 36; ++k) {
        if (s.bracket[k] == kOddsBlank) {
            continue; // a new record is blank already
        }
        b.number(604 + 9 * k, 2, kBracketPairNumbers[k]);
        b.bracketQuinella(static_cast<int>(k) + 1, field(s.bracket[k]), popularity(s.bracketPop[k]));
    }
    b.winVotes(s.winTotal).placeVotes(s.placeTotal).bracketVotes(s.bracketTotal);
    return b.build();
}

std::string o2Record(const SimRace& race, const OddsSnapshot& s)
{
    records::O2Builder b;
    common(b, race, s.dataKind, s.created);
    announcement(b, s);
    b.quinellaSale('7');
    for (std::size_t k = 0; k < 153; ++k) {
        if (s.quinella[k] == kOddsBlank) {
            continue;
        }
        b.number(41 + 13 * k, 4, kQuinellaPairNumbers[k]);
        b.quinella(static_cast<int>(k) + 1, field(s.quinella[k]), popularity(s.quinellaPop[k]));
    }
    b.quinellaVotes(s.quinellaTotal);
    return b.build();
}

} // namespace tidemark::nvsim
