#pragma once
// Writers of complete service records, field by field, at the positions the views read.
// The simulated service and every test build their records with these:
//
//   RaBuilder().date(2024, 1, 15).track("44").meeting(1).day(1).race(1)
//              .runners(12).startTime("1540").raceName(sj("東京記念")).line();
//
// A new builder holds a line of the kind's exact length: the record kind in bytes 1-2,
// data kind "1" in byte 3, blanks everywhere else. Text fields are fitted to their byte
// width without splitting a double-byte character and padded with half-width blanks;
// numbers are written with leading zeros and clamped to what the width holds (negative
// values write 0). line() is the record without CR LF, build() with it.

#include "records/odds_field.h"
#include "records/record_view.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace tidemark::records {

// `text` cut to at most `width` bytes at a character boundary (a double-byte character
// that would straddle the end is left out) and padded with half-width blanks.
std::string fitToWidth(std::string_view text, std::size_t width);

namespace detail {
// Low-level writers on a line; positions 1-based; anything beyond the line is dropped.
void writeRaw(std::string& line, std::size_t pos, std::string_view bytes) noexcept;
void writeText(std::string& line, std::size_t pos, std::size_t len, std::string_view text);
void writeNumber(std::string& line, std::size_t pos, std::size_t len, std::int64_t value);
void writeHex(std::string& line, std::size_t pos, std::size_t len, std::int64_t value);
void writeOdds(std::string& line, std::size_t pos, std::size_t len, OddsField odds);
// Popularity next to an odds field: blanks when the slot is blank and the popularity 0.
void writePopularity(std::string& line, std::size_t pos, std::size_t len, int popularity, OddsField odds);
} // namespace detail

// Setters every record kind shares (bytes 1-27). Derived is the concrete builder, so
// chains keep their type.
template <class Derived>
class RecordBuilder {
public:
    // The record without its CR LF, exactly the kind's line length.
    const std::string& line() const noexcept { return m_line; }
    // The record as the service delivers it: line + "\r\n".
    std::string build() const { return m_line + "\r\n"; }

    Derived& dataKind(char kind) { return set(3, std::string_view(&kind, 1)); }
    Derived& creationDate(int year, int month, int day)
    {
        detail::writeNumber(m_line, 4, 4, year);
        detail::writeNumber(m_line, 8, 2, month);
        detail::writeNumber(m_line, 10, 2, day);
        return self();
    }
    Derived& creationDate(std::string_view yyyymmdd) { return text(4, 8, yyyymmdd); }
    // Race date, bytes 12-19.
    Derived& date(int year, int month, int day)
    {
        detail::writeNumber(m_line, 12, 4, year);
        detail::writeNumber(m_line, 16, 2, month);
        detail::writeNumber(m_line, 18, 2, day);
        return self();
    }
    Derived& track(std::string_view code) { return text(20, 2, code); }
    Derived& meeting(int value) { return number2(22, value); } // 開催回
    Derived& day(int value) { return number2(24, value); }     // 日目
    Derived& race(int value) { return number2(26, value); }
    // All of bytes 12-27 at once (a key read from another record).
    Derived& raceKey(std::string_view key16) { return text(12, 16, key16); }

    // Bytes exactly as given at `pos` (clipped to the line): for damaged fields.
    Derived& set(std::size_t pos, std::string_view bytes)
    {
        detail::writeRaw(m_line, pos, bytes);
        return self();
    }
    Derived& text(std::size_t pos, std::size_t len, std::string_view value)
    {
        detail::writeText(m_line, pos, len, value);
        return self();
    }
    Derived& number(std::size_t pos, std::size_t len, std::int64_t value)
    {
        detail::writeNumber(m_line, pos, len, value);
        return self();
    }
    Derived& hex(std::size_t pos, std::size_t len, std::int64_t value)
    {
        detail::writeHex(m_line, pos, len, value);
        return self();
    }

protected:
    RecordBuilder(std::string_view kind, std::size_t length) : m_line(length, ' ')
    {
        detail::writeRaw(m_line, 1, kind);
        detail::writeRaw(m_line, 3, "1");
    }
    Derived& self() noexcept { return static_cast<Derived&>(*this); }
    Derived& number2(std::size_t pos, int value)
    {
        detail::writeNumber(m_line, pos, 2, value);
        return self();
    }

    std::string m_line;
};

// RA: race card.
class RaBuilder : public RecordBuilder<RaBuilder> {
public:
    RaBuilder() : RecordBuilder("RA", kRaLineLength) {}

    RaBuilder& weekday(std::string_view code) { return text(28, 1, code); }
    RaBuilder& raceName(std::string_view cp932) { return text(33, 60, cp932); }
    RaBuilder& shortRaceName(std::string_view cp932) { return text(593, 12, cp932); }
    RaBuilder& edition(int value) { return number(612, 3, value); }
    RaBuilder& grade(std::string_view code) { return text(615, 1, code); }
    RaBuilder& raceKind(std::string_view code) { return text(617, 2, code); }
    RaBuilder& raceSymbol(std::string_view code) { return text(619, 3, code); }
    RaBuilder& weightRule(std::string_view code) { return text(622, 1, code); }
    RaBuilder& youngestCondition(std::string_view code) { return text(635, 3, code); }
    RaBuilder& conditionName(std::string_view cp932) { return text(638, 60, cp932); }
    RaBuilder& distance(int metres) { return number(698, 4, metres); }
    RaBuilder& course(std::string_view code) { return text(706, 2, code); }
    RaBuilder& startTime(std::string_view hhmm) { return text(874, 4, hhmm); }
    RaBuilder& runners(int count) { return number(882, 2, count); }
    RaBuilder& turfCondition(std::string_view code) { return text(889, 1, code); }
    RaBuilder& dirtCondition(std::string_view code) { return text(890, 1, code); }
    // ばんえい tracks: moisture in tenths of a percent as two hexadecimal digits in 889-890.
    RaBuilder& moistureTenths(int tenths) { return hex(889, 2, tenths); }
};

// SE: one runner.
class SeBuilder : public RecordBuilder<SeBuilder> {
public:
    SeBuilder() : RecordBuilder("SE", kSeLineLength) {}

    SeBuilder& bracket(int value) { return number(28, 1, value); }
    SeBuilder& horse(int value) { return number(29, 2, value); }
    SeBuilder& horseName(std::string_view cp932) { return text(41, 36, cp932); }
    SeBuilder& sex(std::string_view code) { return text(79, 1, code); }
    SeBuilder& age(int years) { return number(83, 2, years); }
    SeBuilder& trainer(std::string_view cp932) { return text(91, 8, cp932); }
    // Weight carried in tenths of a kilogram (550 = 55.0 kg).
    SeBuilder& weightTenths(int tenths) { return number(289, 3, tenths); }
    // ばんえい: weight carried in kilograms, three hexadecimal digits (720 -> "2D0").
    SeBuilder& baneiWeight(int kilograms) { return hex(289, 3, kilograms); }
    SeBuilder& jockey(std::string_view cp932) { return text(307, 8, cp932); }
    SeBuilder& finishPosition(int position) { return number(335, 2, position); }
    SeBuilder& finalWinOdds(OddsField odds)
    {
        detail::writeOdds(m_line, 360, 4, odds);
        return *this;
    }
    SeBuilder& finalWinOdds(double odds) { return finalWinOdds(OddsField::fromOdds(odds)); }
    SeBuilder& finalWinPopularity(int popularity) { return number(364, 2, popularity); }
};

// HR: payouts of one race. Entry indices are 1-based; an index outside the kind's
// slots writes nothing. Combination numbers are horse numbers (2 digits) or, for the
// bracket kinds, bracket numbers (1 digit).
class HrBuilder : public RecordBuilder<HrBuilder> {
public:
    HrBuilder() : RecordBuilder("HR", kHrLineLength) {}

    HrBuilder& payout(PayoutKind kind, int index, std::initializer_list<int> combination,
                      std::int64_t amount, int popularity);
    HrBuilder& payout(const PayoutEntry& entry);

    HrBuilder& win(int index, int horse, std::int64_t amount, int popularity)
    {
        return payout(PayoutKind::Win, index, {horse}, amount, popularity);
    }
    HrBuilder& place(int index, int horse, std::int64_t amount, int popularity)
    {
        return payout(PayoutKind::Place, index, {horse}, amount, popularity);
    }
    HrBuilder& bracketQuinella(int index, int bracket1, int bracket2, std::int64_t amount, int popularity)
    {
        return payout(PayoutKind::BracketQuinella, index, {bracket1, bracket2}, amount, popularity);
    }
    HrBuilder& quinella(int index, int horse1, int horse2, std::int64_t amount, int popularity)
    {
        return payout(PayoutKind::Quinella, index, {horse1, horse2}, amount, popularity);
    }
    HrBuilder& wide(int index, int horse1, int horse2, std::int64_t amount, int popularity)
    {
        return payout(PayoutKind::Wide, index, {horse1, horse2}, amount, popularity);
    }
    HrBuilder& bracketExacta(int index, int bracket1, int bracket2, std::int64_t amount, int popularity)
    {
        return payout(PayoutKind::BracketExacta, index, {bracket1, bracket2}, amount, popularity);
    }
    HrBuilder& exacta(int index, int horse1, int horse2, std::int64_t amount, int popularity)
    {
        return payout(PayoutKind::Exacta, index, {horse1, horse2}, amount, popularity);
    }
    HrBuilder& trio(int index, int horse1, int horse2, int horse3, std::int64_t amount, int popularity)
    {
        return payout(PayoutKind::Trio, index, {horse1, horse2, horse3}, amount, popularity);
    }
    HrBuilder& trifecta(int index, int horse1, int horse2, int horse3, std::int64_t amount, int popularity)
    {
        return payout(PayoutKind::Trifecta, index, {horse1, horse2, horse3}, amount, popularity);
    }
};

// Announcement time shared by O1 and O2 (bytes 28-35, MMDDhhmm).
template <class Derived>
class OddsRecordBuilder : public RecordBuilder<Derived> {
public:
    Derived& announcement(int month, int day, int hour, int minute)
    {
        detail::writeNumber(this->m_line, 28, 2, month);
        detail::writeNumber(this->m_line, 30, 2, day);
        detail::writeNumber(this->m_line, 32, 2, hour);
        detail::writeNumber(this->m_line, 34, 2, minute);
        return this->self();
    }
    Derived& announcement(std::string_view mmddhhmm) { return this->text(28, 8, mmddhhmm); }

protected:
    using RecordBuilder<Derived>::RecordBuilder;
};

// O1: win, place and bracket-quinella odds. Horse 1..18, bracket pair 1..36; other
// slots write nothing. Odds given as a double are units of 1 (3.5), rounded to tenths.
class O1Builder : public OddsRecordBuilder<O1Builder> {
public:
    O1Builder() : OddsRecordBuilder("O1", kO1LineLength) {}

    O1Builder& winSale(char flag) { return set(40, std::string_view(&flag, 1)); }
    O1Builder& placeSale(char flag) { return set(41, std::string_view(&flag, 1)); }
    O1Builder& bracketSale(char flag) { return set(42, std::string_view(&flag, 1)); }

    O1Builder& win(int horse, OddsField odds, int popularity = 0);
    O1Builder& win(int horse, double odds, int popularity) { return win(horse, OddsField::fromOdds(odds), popularity); }
    O1Builder& place(int horse, OddsField low, OddsField high, int popularity = 0);
    O1Builder& place(int horse, double low, double high, int popularity)
    {
        return place(horse, OddsField::fromOdds(low), OddsField::fromOdds(high), popularity);
    }
    O1Builder& bracketQuinella(int pair, OddsField odds, int popularity = 0);
    O1Builder& bracketQuinella(int pair, double odds, int popularity)
    {
        return bracketQuinella(pair, OddsField::fromOdds(odds), popularity);
    }

    O1Builder& winVotes(std::int64_t votes) { return number(928, 11, votes); }
    O1Builder& placeVotes(std::int64_t votes) { return number(939, 11, votes); }
    O1Builder& bracketVotes(std::int64_t votes) { return number(950, 11, votes); }
};

// O2: quinella odds. Pair 1..153.
class O2Builder : public OddsRecordBuilder<O2Builder> {
public:
    O2Builder() : OddsRecordBuilder("O2", kO2LineLength) {}

    O2Builder& quinellaSale(char flag) { return set(40, std::string_view(&flag, 1)); }
    O2Builder& quinella(int pair, OddsField odds, int popularity = 0);
    O2Builder& quinella(int pair, double odds, int popularity)
    {
        return quinella(pair, OddsField::fromOdds(odds), popularity);
    }
    O2Builder& quinellaVotes(std::int64_t votes) { return number(2030, 11, votes); }
};

} // namespace tidemark::records
