#include "results/payout_table.h"

#include <algorithm>
#include <cstddef>
#include <limits>

#include "records/pair_index.h"
#include "text/cp932.h"
#include "text/number_format.h"

namespace tidemark::results {

namespace {

std::size_t kindIndex(PayoutKind kind) noexcept { return static_cast<std::size_t>(kind); }

int toInt(std::int64_t v) noexcept
{
    return static_cast<int>(std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(),
                                                      std::numeric_limits<int>::max()));
}

const PayoutItem& emptyItem()
{
    static const PayoutItem item;
    return item;
}

} // namespace

int payoutSlots(PayoutKind kind) noexcept { return records::payoutLayout(kind).slots; }

bool isShown(PayoutKind kind, const PayoutItem& item) noexcept
{
    if (!isCombinationKind(kind))
        return item.horse > 0;
    return !text::trim(item.combination).empty();
}

std::string combinationText(std::span<const int> numbers)
{
    std::string s;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (i > 0)
            s += '-';
        s += text::formatInt(numbers[i], 2);
    }
    return s;
}

PayoutTable::PayoutTable() { clear(); }

void PayoutTable::clear()
{
    for (PayoutKind kind : records::kPayoutKinds)
        m_entries[kindIndex(kind)].assign(static_cast<std::size_t>(payoutSlots(kind)), PayoutItem{});
}

bool PayoutTable::empty() const
{
    for (PayoutKind kind : records::kPayoutKinds)
        for (const PayoutItem& item : entries(kind))
            if (isShown(kind, item))
                return false;
    return true;
}

std::span<const PayoutItem> PayoutTable::entries(PayoutKind kind) const { return m_entries[kindIndex(kind)]; }

std::span<PayoutItem> PayoutTable::entries(PayoutKind kind) { return m_entries[kindIndex(kind)]; }

const PayoutItem& PayoutTable::entry(PayoutKind kind, int index) const
{
    const std::vector<PayoutItem>& e = m_entries[kindIndex(kind)];
    if (index < 1 || index > static_cast<int>(e.size()))
        return emptyItem();
    return e[static_cast<std::size_t>(index - 1)];
}

PayoutTable payoutTableOf(std::string_view hrRecord)
{
    PayoutTable table;
    const records::HrView hr(hrRecord);
    for (PayoutKind kind : records::kPayoutKinds) {
        std::span<PayoutItem> items = table.entries(kind);
        for (std::size_t i = 0; i < items.size(); ++i) {
            const records::PayoutEntry e = hr.payout(kind, static_cast<int>(i) + 1);
            PayoutItem& item = items[i];
            item.popularity = e.popularity;
            item.amount = toInt(e.amount);
            if (!isCombinationKind(kind)) {
                item.horse = e.numbers[0];
                continue;
            }
            const std::span<const int> numbers(e.numbers.data(), static_cast<std::size_t>(e.count));
            if (std::all_of(numbers.begin(), numbers.end(), [](int n) { return n > 0; }))
                item.combination = combinationText(numbers);
        }
    }
    return table;
}

std::vector<int> winningPairs(const PayoutTable& table, PayoutKind kind)
{
    std::vector<int> pairs;
    if (kind != PayoutKind::BracketQuinella && kind != PayoutKind::Quinella)
        return pairs;
    for (const PayoutItem& item : table.entries(kind)) {
        if (!isShown(kind, item))
            continue;
        const records::Pair p = records::labelNumbers(item.combination);
        const int index = kind == PayoutKind::BracketQuinella ? records::bracketPairIndex(p.first, p.second)
                                                               : records::quinellaPairIndex(p.first, p.second);
        if (index > 0 && std::find(pairs.begin(), pairs.end(), index) == pairs.end())
            pairs.push_back(index);
    }
    return pairs;
}

} // namespace tidemark::results
