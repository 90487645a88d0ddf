#include "records/record_builder.h"

#include "text/cp932.h"

#include <algorithm>

namespace tidemark::records {

std::string fitToWidth(std::string_view text, std::size_t width)
{
    std::size_t end = 0;
    while (end < text.size()) {
        const bool lead = text::isLeadByte(static_cast<unsigned char>(text[end]));
        if (lead && end + 1 >= text.size())
            break; // a dangling lead byte (the text was cut inside a character)
        const std::size_t charLen = lead ? 2 : 1;
        if (end + charLen > width)
            break;
        end += charLen;
    }
    std::string out(text.substr(0, end));
    out.resize(width, ' ');
    return out;
}

namespace detail {

void writeRaw(std::string& line, std::size_t pos, std::string_view bytes) noexcept
{
    if (pos < 1 || pos > line.size())
        return;
    const std::size_t n = std::min(bytes.size(), line.size() - (pos - 1));
    line.replace(pos - 1, n, bytes.substr(0, n));
}

void writeText(std::string& line, std::size_t pos, std::size_t len, std::string_view value)
{
    writeRaw(line, pos, fitToWidth(value, len));
}

void writeNumber(std::string& line, std::size_t pos, std::size_t len, std::int64_t value)
{
    if (len == 0)
        return;
    std::string digits = std::to_string(std::max<std::int64_t>(value, 0));
    if (digits.size() > len)
        digits.assign(len, '9'); // the largest number the field holds
    writeRaw(line, pos, std::string(len - digits.size(), '0') + digits);
}

void writeHex(std::string& line, std::size_t pos, std::size_t len, std::int64_t value)
{
    if (len == 0)
        return;
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out(len, '0');
    if (value < 0)
        value = 0;
    std::uint64_t v = static_cast<std::uint64_t>(value);
    // Too large for the width: all 'F'.
    if (len < 16 && v >= (std::uint64_t{1} << (4 * len)))
        v = (std::uint64_t{1} << (4 * len)) - 1;
    for (std::size_t i = len; i-- > 0 && v != 0;) {
        out[i] = kDigits[v & 0xF];
        v >>= 4;
    }
    writeRaw(line, pos, out);
}

void writeOdds(std::string& line, std::size_t pos, std::size_t len, OddsField odds)
{
    writeRaw(line, pos, odds.format(len));
}

void writePopularity(std::string& line, std::size_t pos, std::size_t len, int popularity, OddsField odds)
{
    if (odds.isBlank() && popularity == 0)
        writeRaw(line, pos, std::string(len, ' '));
    else
        writeNumber(line, pos, len, popularity);
}

} // namespace detail

// ---- HR ----------------------------------------------------------------------------

HrBuilder& HrBuilder::payout(PayoutKind kind, int index, std::initializer_list<int> combination,
                             std::int64_t amount, int popularity)
{
    const PayoutLayout l = payoutLayout(kind);
    if (index < 1 || index > l.slots)
        return *this;
    const std::size_t pos = l.firstPos + l.stride * static_cast<std::size_t>(index - 1);
    std::size_t p = pos;
    int n = 0;
    for (int value : combination) {
        if (n == l.numbers)
            break;
        detail::writeNumber(m_line, p, l.digitsPerNumber, value);
        p += l.digitsPerNumber;
        ++n;
    }
    for (; n < l.numbers; ++n, p += l.digitsPerNumber)
        detail::writeNumber(m_line, p, l.digitsPerNumber, 0);
    detail::writeNumber(m_line, pos + l.combinationWidth(), l.amountWidth, amount);
    detail::writeNumber(m_line, pos + l.combinationWidth() + l.amountWidth, l.popularityWidth, popularity);
    return *this;
}

HrBuilder& HrBuilder::payout(const PayoutEntry& entry)
{
    const auto& n = entry.numbers;
    switch (payoutLayout(entry.kind).numbers) {
    case 1:
        return payout(entry.kind, entry.index, {n[0]}, entry.amount, entry.popularity);
    case 2:
        return payout(entry.kind, entry.index, {n[0], n[1]}, entry.amount, entry.popularity);
    default:
        return payout(entry.kind, entry.index, {n[0], n[1], n[2]}, entry.amount, entry.popularity);
    }
}

// ---- O1 / O2 -----------------------------------------------------------------------

O1Builder& O1Builder::win(int horse, OddsField odds, int popularity)
{
    if (horse < 1 || horse > kOddsHorseSlots)
        return *this;
    detail::writeOdds(m_line, winOddsPos(horse), kWinOddsWidth, odds);
    detail::writePopularity(m_line, winPopularityPos(horse), 2, popularity, odds);
    return *this;
}

O1Builder& O1Builder::place(int horse, OddsField low, OddsField high, int popularity)
{
    if (horse < 1 || horse > kOddsHorseSlots)
        return *this;
    detail::writeOdds(m_line, placeLowPos(horse), kPlaceOddsWidth, low);
    detail::writeOdds(m_line, placeHighPos(horse), kPlaceOddsWidth, high);
    detail::writePopularity(m_line, placePopularityPos(horse), 2, popularity, low);
    return *this;
}

O1Builder& O1Builder::bracketQuinella(int pair, OddsField odds, int popularity)
{
    if (pair < 1 || pair > kOddsBracketPairSlots)
        return *this;
    detail::writeOdds(m_line, bracketOddsPos(pair), kBracketOddsWidth, odds);
    detail::writePopularity(m_line, bracketPopularityPos(pair), 2, popularity, odds);
    return *this;
}

O2Builder& O2Builder::quinella(int pair, OddsField odds, int popularity)
{
    if (pair < 1 || pair > kOddsQuinellaPairSlots)
        return *this;
    detail::writeOdds(m_line, quinellaOddsPos(pair), kQuinellaOddsWidth, odds);
    detail::writePopularity(m_line, quinellaPopularityPos(pair), 3, popularity, odds);
    return *this;
}

} // namespace tidemark::records
