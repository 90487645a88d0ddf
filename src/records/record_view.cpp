#include "records/record_view.h"

#include "text/number_format.h"

#include <limits>

namespace tidemark::records {

std::size_t lineLengthOfKind(std::string_view kind) noexcept
{
    if (kind == "RA")
        return kRaLineLength;
    if (kind == "SE")
        return kSeLineLength;
    if (kind == "HR")
        return kHrLineLength;
    if (kind == "O1")
        return kO1LineLength;
    if (kind == "O2")
        return kO2LineLength;
    return 0;
}

bool isBaneiTrack(std::string_view trackCode) noexcept
{
    return trackCode == "81" || trackCode == "82" || trackCode == "83" || trackCode == "84";
}

bool hasSafeKey(std::string_view line) noexcept
{
    if (line.size() < 27)
        return false;
    for (std::size_t i = 11; i < 27; ++i)
        if (line[i] < '0' || line[i] > '9')
            return false;
    return true;
}

std::int64_t readHex(std::string_view field) noexcept
{
    std::size_t i = 0;
    while (i < field.size() && field[i] == ' ')
        ++i;
    constexpr std::int64_t kLimit = std::numeric_limits<std::int64_t>::max() / 16;
    std::int64_t v = 0;
    for (; i < field.size(); ++i) {
        const char c = field[i];
        int d = 0;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else
            break;
        if (v > kLimit)
            return std::numeric_limits<std::int64_t>::max();
        v = v * 16 + d;
    }
    return v;
}

namespace {
constexpr std::size_t kBlankRun = kO2LineLength;
constexpr std::array<char, kBlankRun> makeBlanks() noexcept
{
    std::array<char, kBlankRun> a{};
    for (char& c : a)
        c = ' ';
    return a;
}
constexpr std::array<char, kBlankRun> kBlanks = makeBlanks();
} // namespace

std::string_view RecordView::bytes(std::size_t pos, std::size_t len) const noexcept
{
    if (pos >= 1 && len <= m_line.size() && pos - 1 <= m_line.size() - len)
        return m_line.substr(pos - 1, len);
    return std::string_view(kBlanks.data(), len < kBlankRun ? len : kBlankRun);
}

std::int64_t RecordView::number(std::size_t pos, std::size_t len) const noexcept
{
    return text::readInt(bytes(pos, len));
}

std::int64_t RecordView::hexNumber(std::size_t pos, std::size_t len) const noexcept
{
    return readHex(bytes(pos, len));
}

std::optional<int> SeView::baneiWeightField() const noexcept
{
    const std::string_view field = bytes(289, 3);
    std::size_t i = 0;
    while (i < field.size() && field[i] == ' ')
        ++i;
    if (i == field.size() || field.size() != 3)
        return std::nullopt;
    for (std::size_t j = i; j < field.size(); ++j) {
        const char c = field[j];
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')))
            return std::nullopt;
    }
    return static_cast<int>(readHex(field));
}

OddsField RecordView::odds(std::size_t pos, std::size_t len) const noexcept
{
    return OddsField::parse(bytes(pos, len));
}

// ---- HR ----------------------------------------------------------------------------

PayoutLayout payoutLayout(PayoutKind kind) noexcept
{
    switch (kind) {
    case PayoutKind::Win:
        return {103, 13, 3, 1, 2, 9, 2};
    case PayoutKind::Place:
        return {142, 13, 5, 1, 2, 9, 2};
    case PayoutKind::BracketQuinella:
        return {207, 13, 3, 2, 1, 9, 2};
    case PayoutKind::Quinella:
        return {246, 16, 3, 2, 2, 9, 3};
    case PayoutKind::Wide:
        return {294, 16, 7, 2, 2, 9, 3};
    case PayoutKind::BracketExacta:
        return {406, 13, 3, 2, 1, 9, 2};
    case PayoutKind::Exacta:
        return {454, 16, 6, 2, 2, 9, 3};
    case PayoutKind::Trio:
        return {550, 18, 3, 3, 2, 9, 3};
    case PayoutKind::Trifecta:
        return {604, 19, 6, 3, 2, 9, 4};
    }
    return {103, 13, 0, 1, 2, 9, 2};
}

bool PayoutEntry::isEmpty() const noexcept
{
    for (int i = 0; i < count; ++i)
        if (numbers[static_cast<std::size_t>(i)] != 0)
            return false;
    return amount == 0 && popularity == 0;
}

PayoutEntry HrView::payout(PayoutKind kind, int index) const
{
    PayoutEntry e;
    e.kind = kind;
    e.index = index;
    const PayoutLayout l = payoutLayout(kind);
    e.count = l.numbers;
    if (index < 1 || index > l.slots)
        return e;
    const std::size_t pos = l.firstPos + l.stride * static_cast<std::size_t>(index - 1);
    e.combination.assign(bytes(pos, l.combinationWidth()));
    for (int n = 0; n < l.numbers; ++n)
        e.numbers[static_cast<std::size_t>(n)] =
            static_cast<int>(number(pos + static_cast<std::size_t>(n) * l.digitsPerNumber, l.digitsPerNumber));
    const std::size_t amountPos = pos + l.combinationWidth();
    e.amount = number(amountPos, l.amountWidth);
    e.popularity = static_cast<int>(number(amountPos + l.amountWidth, l.popularityWidth));
    return e;
}

std::vector<PayoutEntry> HrView::payouts(PayoutKind kind) const
{
    std::vector<PayoutEntry> out;
    const int slots = payoutLayout(kind).slots;
    for (int i = 1; i <= slots; ++i) {
        PayoutEntry e = payout(kind, i);
        if (!e.isEmpty())
            out.push_back(std::move(e));
    }
    return out;
}

std::vector<PayoutEntry> HrView::payouts() const
{
    std::vector<PayoutEntry> out;
    for (PayoutKind kind : kPayoutKinds)
        for (PayoutEntry& e : payouts(kind))
            out.push_back(std::move(e));
    return out;
}

// ---- O1 / O2 -----------------------------------------------------------------------

namespace {
constexpr bool validHorse(int h) noexcept { return h >= 1 && h <= kOddsHorseSlots; }
constexpr bool validBracketPair(int k) noexcept { return k >= 1 && k <= kOddsBracketPairSlots; }
constexpr bool validQuinellaPair(int k) noexcept { return k >= 1 && k <= kOddsQuinellaPairSlots; }
} // namespace

std::string_view O1View::winField(int horse) const noexcept
{
    return validHorse(horse) ? bytes(winOddsPos(horse), kWinOddsWidth) : std::string_view();
}

OddsField O1View::win(int horse) const noexcept
{
    return validHorse(horse) ? odds(winOddsPos(horse), kWinOddsWidth) : OddsField::blank();
}

int O1View::winPopularity(int horse) const noexcept
{
    return validHorse(horse) ? static_cast<int>(number(winPopularityPos(horse), 2)) : 0;
}

std::string_view O1View::placeLowField(int horse) const noexcept
{
    return validHorse(horse) ? bytes(placeLowPos(horse), kPlaceOddsWidth) : std::string_view();
}

std::string_view O1View::placeHighField(int horse) const noexcept
{
    return validHorse(horse) ? bytes(placeHighPos(horse), kPlaceOddsWidth) : std::string_view();
}

OddsField O1View::placeLow(int horse) const noexcept
{
    return validHorse(horse) ? odds(placeLowPos(horse), kPlaceOddsWidth) : OddsField::blank();
}

OddsField O1View::placeHigh(int horse) const noexcept
{
    return validHorse(horse) ? odds(placeHighPos(horse), kPlaceOddsWidth) : OddsField::blank();
}

int O1View::placePopularity(int horse) const noexcept
{
    return validHorse(horse) ? static_cast<int>(number(placePopularityPos(horse), 2)) : 0;
}

std::string_view O1View::bracketField(int pair) const noexcept
{
    return validBracketPair(pair) ? bytes(bracketOddsPos(pair), kBracketOddsWidth) : std::string_view();
}

OddsField O1View::bracketQuinella(int pair) const noexcept
{
    return validBracketPair(pair) ? odds(bracketOddsPos(pair), kBracketOddsWidth) : OddsField::blank();
}

int O1View::bracketPopularity(int pair) const noexcept
{
    return validBracketPair(pair) ? static_cast<int>(number(bracketPopularityPos(pair), 2)) : 0;
}

std::string_view O2View::quinellaField(int pair) const noexcept
{
    return validQuinellaPair(pair) ? bytes(quinellaOddsPos(pair), kQuinellaOddsWidth) : std::string_view();
}

OddsField O2View::quinella(int pair) const noexcept
{
    return validQuinellaPair(pair) ? odds(quinellaOddsPos(pair), kQuinellaOddsWidth) : OddsField::blank();
}

int O2View::quinellaPopularity(int pair) const noexcept
{
    return validQuinellaPair(pair) ? static_cast<int>(number(quinellaPopularityPos(pair), 3)) : 0;
}

} // namespace tidemark::records
