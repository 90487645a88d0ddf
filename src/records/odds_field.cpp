#include "records/odds_field.h"

#include "text/cp932.h"

#include <cmath>
#include <limits>

namespace tidemark::records {

namespace {

bool allOf(std::string_view s, char c) noexcept
{
    if (s.empty())
        return false;
    for (char ch : s)
        if (ch != c)
            return false;
    return true;
}

} // namespace

OddsField OddsField::parse(std::string_view field) noexcept
{
    // Nearly every field is digits only: read them in one pass. Anything else (and a
    // number too long for the quick sum) takes the full rules below.
    if (!field.empty() && field.size() <= 18) {
        std::int64_t quick = 0;
        bool digits = true;
        for (char c : field) {
            if (c < '0' || c > '9') {
                digits = false;
                break;
            }
            quick = quick * 10 + (c - '0');
        }
        if (digits)
            return fromTenths(quick);
    }
    // Markers fill the whole width: a shorter run of '-' is damage, not a cancellation.
    if (allOf(field, '-'))
        return cancelledBeforeSale();
    if (allOf(field, '*'))
        return cancelledAfterSale();
    const std::string_view t = text::trim(field);
    if (t.empty())
        return blank();
    std::int64_t tenths = 0;
    for (char c : t) {
        if (c < '0' || c > '9')
            return unreadable();
        if (tenths > (std::numeric_limits<std::int64_t>::max() - 9) / 10)
            return unreadable();
        tenths = tenths * 10 + (c - '0');
    }
    return fromTenths(tenths);
}

OddsField OddsField::fromOdds(double odds) noexcept
{
    if (!std::isfinite(odds) || odds < 0.0)
        return unreadable();
    if (odds >= 1e15)
        return fromTenths(std::numeric_limits<std::int64_t>::max() / 2);
    return fromTenths(std::llround(odds * 10.0));
}

std::string OddsField::format(std::size_t width) const
{
    switch (m_kind) {
    case OddsKind::Odds: {
        std::string digits = std::to_string(m_tenths);
        if (digits.size() > width)
            return std::string(width, '9'); // the widest odds the field holds
        return std::string(width - digits.size(), '0') + digits;
    }
    case OddsKind::NoVotes:
        return std::string(width, '0');
    case OddsKind::Blank:
        return std::string(width, ' ');
    case OddsKind::CancelledBeforeSale:
        return std::string(width, '-');
    case OddsKind::CancelledAfterSale:
        return std::string(width, '*');
    case OddsKind::Unreadable:
        return std::string(width, '?');
    }
    return std::string(width, ' ');
}

} // namespace tidemark::records
