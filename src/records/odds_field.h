#pragma once
// One odds field of an O1/O2 record (or the final win odds of a runner): the odds in
// tenths, or one of the markers the service writes instead of a number.
//
// Widths: win and place fields are 4 bytes, bracket-quinella fields 5, quinella
// fields 6. A marker fills the whole width ("----", "*****", "000000"); a blank
// field means no horse or pair in this slot.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tidemark::records {

enum class OddsKind {
    Odds,                // digits other than all zeros: the odds in tenths
    NoVotes,             // all zeros: the entry is on sale but nobody has bet on it
    Blank,               // blanks: no horse or pair in this slot
    CancelledBeforeSale, // all '-': scratched before the sale ("発売前取消")
    CancelledAfterSale,  // all '*': scratched after the sale ("発売後取消")
    Unreadable,          // anything else (a damaged field); counts as an entry, value 0
};

class OddsField {
public:
    // The race model's sentinels for a selected moment.
    static constexpr double kCancelledValue = -1.0;
    static constexpr double kBlankValue = -2.0;

    constexpr OddsField() noexcept = default; // blank

    // Recognises a field as stored. A marker counts only when it fills the field's
    // whole width; blanks around digits are ignored.
    static OddsField parse(std::string_view field) noexcept;

    // A field of `tenths` (0 gives NoVotes, a negative value gives Unreadable).
    static constexpr OddsField fromTenths(std::int64_t tenths) noexcept
    {
        if (tenths < 0)
            return OddsField(OddsKind::Unreadable, 0);
        return tenths == 0 ? OddsField(OddsKind::NoVotes, 0) : OddsField(OddsKind::Odds, tenths);
    }
    // The odds in units of 1 (3.5 -> 35 tenths, rounded to the nearest tenth).
    static OddsField fromOdds(double odds) noexcept;

    static constexpr OddsField blank() noexcept { return OddsField(OddsKind::Blank, 0); }
    static constexpr OddsField noVotes() noexcept { return OddsField(OddsKind::NoVotes, 0); }
    static constexpr OddsField cancelledBeforeSale() noexcept { return OddsField(OddsKind::CancelledBeforeSale, 0); }
    static constexpr OddsField cancelledAfterSale() noexcept { return OddsField(OddsKind::CancelledAfterSale, 0); }
    static constexpr OddsField unreadable() noexcept { return OddsField(OddsKind::Unreadable, 0); }

    constexpr OddsKind kind() const noexcept { return m_kind; }
    // The number in tenths; 0 for every kind but Odds.
    constexpr std::int64_t tenths() const noexcept { return m_tenths; }

    // The race model's convention: odds in units of 1 (tenths / 10); 0.0 for no votes
    // and unreadable fields; -1.0 for either cancellation; -2.0 for a blank slot.
    constexpr double value() const noexcept
    {
        switch (m_kind) {
        case OddsKind::Odds: return static_cast<double>(m_tenths) / 10.0;
        case OddsKind::NoVotes:
        case OddsKind::Unreadable: return 0.0;
        case OddsKind::Blank: return kBlankValue;
        case OddsKind::CancelledBeforeSale:
        case OddsKind::CancelledAfterSale: return kCancelledValue;
        }
        return 0.0;
    }

    constexpr bool isBlank() const noexcept { return m_kind == OddsKind::Blank; }
    constexpr bool isCancelled() const noexcept
    {
        return m_kind == OddsKind::CancelledBeforeSale || m_kind == OddsKind::CancelledAfterSale;
    }
    // Digits: odds or all zeros.
    constexpr bool hasNumber() const noexcept { return m_kind == OddsKind::Odds || m_kind == OddsKind::NoVotes; }
    // Neither blank nor cancelled (zeros and damaged fields included): a horse that runs.
    constexpr bool isEntry() const noexcept { return !isBlank() && !isCancelled(); }

    // The field text of `width` bytes: zero-padded tenths (clamped to the widest number
    // the width holds), zeros, blanks, '-' or '*' filling the width; an unreadable field
    // is written as '?' bytes.
    std::string format(std::size_t width) const;

    friend constexpr bool operator==(const OddsField&, const OddsField&) noexcept = default;

private:
    constexpr OddsField(OddsKind kind, std::int64_t tenths) noexcept : m_kind(kind), m_tenths(tenths) {}

    OddsKind m_kind = OddsKind::Blank;
    std::int64_t m_tenths = 0;
};

} // namespace tidemark::records
