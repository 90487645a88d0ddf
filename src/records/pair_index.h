#pragma once
// Numbering of the bracket-quinella and quinella pairs, the way odds records lay out
// their slots: pairs in ascending order of the first and then the second number, each
// shown as a five-character label such as " 1- 2". Also the bracket of a horse, which
// turns a quinella pair into its bracket pair.

#include <string>
#include <string_view>

namespace tidemark::records {

inline constexpr int kBracketCount = 8;
inline constexpr int kHorseCount = 18;
inline constexpr int kBracketPairCount = 36;
inline constexpr int kQuinellaPairCount = 153;

// An unordered pair of bracket or horse numbers, smaller first; {0, 0} for none.
struct Pair {
    int first = 0;
    int second = 0;
    bool valid() const noexcept { return first > 0; }
    auto operator<=>(const Pair&) const = default;
};

// Index 1..36 of the bracket pair of brackets a and b (same bracket included, either
// order); 0 when a bracket is outside 1..8.
constexpr int bracketPairIndex(int a, int b) noexcept
{
    if (a > b) {
        int t = a;
        a = b;
        b = t;
    }
    if (a < 1 || b > kBracketCount)
        return 0;
    return 9 * (a - 1) - (a - 1) * a / 2 + (b - a + 1);
}

// Index 1..153 of the quinella pair of horses a and b (either order); 0 when a horse is
// outside 1..18 or both are the same horse.
constexpr int quinellaPairIndex(int a, int b) noexcept
{
    if (a > b) {
        int t = a;
        a = b;
        b = t;
    }
    if (a < 1 || a == b || b > kHorseCount)
        return 0;
    return 18 * (a - 1) - (a - 1) * a / 2 + (b - a);
}

// The brackets / horses of pair k; {0, 0} outside 1..36 / 1..153.
Pair bracketPair(int k) noexcept;
Pair quinellaPair(int k) noexcept;

// " a- b", each number right-aligned in two characters; empty outside the index range.
std::string bracketPairLabel(int k);
std::string quinellaPairLabel(int k);

// Index of a label, compared whole, blanks included ("1- 2" is not " 1- 2"); 0 when the
// text is not exactly one of the labels.
int bracketPairIndex(std::string_view label) noexcept;
int quinellaPairIndex(std::string_view label) noexcept;

// The numbers of a label read back as characters 1-2 and 4-5, each by the record
// integer rule; no check that they form a valid pair.
Pair labelNumbers(std::string_view label) noexcept;

// Bracket 1..8 of horse `horse` in a race of `runnerCount` runners. Up to 8 runners each
// horse has its own bracket; from 9 to 16 the last horses share brackets two at a time;
// 17 runners put three horses in bracket 8, 18 runners three in brackets 7 and 8.
// 0 for a horse or runner count that cannot be (runner count outside 1..18, horse outside
// 1..runnerCount).
int BracketOfHorse(int runnerCount, int horse) noexcept;

} // namespace tidemark::records
