#include "records/pair_index.h"

#include "text/cp932.h"
#include "text/number_format.h"

#include <array>

namespace tidemark::records {
namespace {

template <int Count>
std::array<Pair, Count + 1> listPairs(int maxNumber, bool sameAllowed)
{
    std::array<Pair, Count + 1> pairs{};
    int k = 0;
    for (int a = 1; a <= maxNumber; ++a)
        for (int b = sameAllowed ? a : a + 1; b <= maxNumber; ++b)
            pairs[static_cast<std::size_t>(++k)] = Pair{a, b};
    return pairs;
}

const std::array<Pair, kBracketPairCount + 1>& bracketPairs()
{
    static const auto pairs = listPairs<kBracketPairCount>(kBracketCount, true);
    return pairs;
}

const std::array<Pair, kQuinellaPairCount + 1>& quinellaPairs()
{
    static const auto pairs = listPairs<kQuinellaPairCount>(kHorseCount, false);
    return pairs;
}

std::string label(Pair p)
{
    if (!p.valid())
        return {};
    return text::formatInt(p.first, 2) + "-" + text::formatInt(p.second, 2);
}

} // namespace

Pair bracketPair(int k) noexcept
{
    return k >= 1 && k <= kBracketPairCount ? bracketPairs()[static_cast<std::size_t>(k)] : Pair{};
}

Pair quinellaPair(int k) noexcept
{
    return k >= 1 && k <= kQuinellaPairCount ? quinellaPairs()[static_cast<std::size_t>(k)] : Pair{};
}

std::string bracketPairLabel(int k) { return label(bracketPair(k)); }
std::string quinellaPairLabel(int k) { return label(quinellaPair(k)); }

Pair labelNumbers(std::string_view label) noexcept
{
    return Pair{static_cast<int>(text::readInt(text::bytesAt(label, 1, 2))),
                static_cast<int>(text::readInt(text::bytesAt(label, 4, 2)))};
}

namespace {

// A positive number as "%2d" writes it: " 7" or "12", never "07", "7 " or "+7".
int twoDigitField(char hi, char lo) noexcept
{
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (hi == ' ' && lo >= '1' && lo <= '9')
        return lo - '0';
    if (hi >= '1' && hi <= '9' && digit(lo))
        return (hi - '0') * 10 + (lo - '0');
    return 0;
}

// The numbers of a label when the text is written exactly as a label; {0, 0} otherwise.
// Order is kept: " 2- 1" is not a label, since labels put the smaller number first.
Pair exactLabelNumbers(std::string_view text) noexcept
{
    if (text.size() != 5 || text[2] != '-')
        return {};
    Pair p{twoDigitField(text[0], text[1]), twoDigitField(text[3], text[4])};
    if (p.first == 0 || p.second == 0 || p.first > p.second)
        return {};
    return p;
}

} // namespace

int bracketPairIndex(std::string_view label) noexcept
{
    Pair p = exactLabelNumbers(label);
    return p.valid() ? bracketPairIndex(p.first, p.second) : 0;
}

int quinellaPairIndex(std::string_view label) noexcept
{
    Pair p = exactLabelNumbers(label);
    return p.valid() ? quinellaPairIndex(p.first, p.second) : 0;
}

int BracketOfHorse(int runnerCount, int horse) noexcept
{
    if (runnerCount < 1 || runnerCount > kHorseCount || horse < 1 || horse > runnerCount)
        return 0;
    if (runnerCount <= kBracketCount)
        return horse;
    if (runnerCount <= 16) {
        int k = (runnerCount - horse) / 2;
        return k < runnerCount - 8 ? 8 - k : horse;
    }
    if (runnerCount == 17)
        return horse <= 14 ? (horse + 1) / 2 : 8;
    // 18 runners: 1-12 two per bracket, 13-15 in bracket 7, 16-18 in bracket 8.
    if (horse <= 12)
        return (horse + 1) / 2;
    return horse <= 15 ? 7 : 8;
}

} // namespace tidemark::records
