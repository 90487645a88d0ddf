#pragma once
// The payouts of one race as the results page and the odds grids use them: per bet
// kind the entries of the payout record in record order (dead heats give several),
// each with its horse or its combination text, popularity and amount.

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "records/record_view.h"

namespace tidemark::results {

using records::PayoutKind;

// Entries a payout record holds per bet kind (win 3, place 5, bracket quinella 3,
// quinella 3, wide 7, bracket exacta 3, exacta 6, trio 3, trifecta 6).
int payoutSlots(PayoutKind kind) noexcept;

// Kinds whose entries are a combination rather than one horse.
constexpr bool isCombinationKind(PayoutKind kind) noexcept
{
    return kind != PayoutKind::Win && kind != PayoutKind::Place;
}

// One payout entry. Win and place name a horse (0 = empty entry); the other kinds a
// combination text (empty = empty entry). Popularity and amount are kept even when the
// combination could not be built (a bracket digit missing): such an entry is empty all
// the same.
struct PayoutItem {
    int horse = 0;
    std::string combination; // " 3- 6", " 3-12", " 1- 2- 3"; CP932 (ASCII only)
    int popularity = 0;
    int amount = 0; // yen per 100 yen staked

    bool operator==(const PayoutItem&) const = default;
};

// Whether an entry of `kind` shows: a horse above 0 for win and place, a combination
// text that is not blank for the others.
bool isShown(PayoutKind kind, const PayoutItem& item) noexcept;

// Each number right-aligned in two characters, joined by hyphens: {3, 6} -> " 3- 6",
// {3, 12} -> " 3-12", {1, 2, 3} -> " 1- 2- 3".
std::string combinationText(std::span<const int> numbers);

class PayoutTable {
public:
    PayoutTable();

    // Every entry of every kind empty.
    void clear();
    bool empty() const; // no entry of any kind shows

    // The entries of one kind, all of its slots in record order.
    std::span<const PayoutItem> entries(PayoutKind kind) const;
    std::span<PayoutItem> entries(PayoutKind kind);
    // Entry `index` (1-based) of a kind; an empty entry outside the kind's slots.
    const PayoutItem& entry(PayoutKind kind, int index) const;

    bool operator==(const PayoutTable&) const = default;

private:
    std::array<std::vector<PayoutItem>, records::kPayoutKinds.size()> m_entries;
};

// Rebuilds the table from a payout record (line or 719-byte block; a blank or short
// record gives empty entries): win and place take the horse number, the other kinds a
// combination text only when every number of the combination reads above 0.
PayoutTable payoutTableOf(std::string_view hrRecord);

// Pair indices (1..36 for BracketQuinella, 1..153 for Quinella) of the shown entries of
// that kind, in entry order, each pair once: the winning pairs the odds grids mark.
// Empty for any other kind.
std::vector<int> winningPairs(const PayoutTable& table, PayoutKind kind);

} // namespace tidemark::results
