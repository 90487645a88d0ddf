#pragma once
// The odds announcements of one race, as its pools fill: a snapshot every one to three
// minutes from the sale start (for some races an advance sale the evening before) to the
// post time. The votes come from the race's market (market_path.h); the odds are the
// pools' own, worked out from the integer vote counts, so win, place, bracket quinella
// and quinella agree with each other and with the payouts.

#include <array>
#include <cstdint>
#include <vector>

#include "nvsim/market_path.h"
#include "nvsim/sim_world.h"

namespace tidemark::nvsim {

// Values of an odds or popularity slot besides a number.
inline constexpr int kOddsBeforeSaleCancel = -1; // "----": withdrawn before the sale
inline constexpr int kOddsAfterSaleCancel = -2;  // "****": withdrawn during the sale
inline constexpr int kOddsBlank = -3;            // no horse or combination in this slot
// 0 means a pool entry without a single vote.

struct OddsSnapshot {
    SimMinute at = 0;      // announcement time
    char dataKind = '1';   // '1' interim, '2' last of the advance sale, '3' final, '9' cancelled, '0' withdrawn record
    SimMinute created = 0; // creation moment (its date is the creation date)

    // Per horse, index h - 1, sized to the registered runners.
    std::vector<int> win;        // tenths
    std::vector<int> winPop;
    std::vector<int> placeLow;
    std::vector<int> placeHigh;
    std::vector<int> placePop;
    std::array<int, 36> bracket{};   // tenths, pairs in ascending order
    std::array<int, 36> bracketPop{};
    std::array<int, 153> quinella{}; // tenths
    std::array<int, 153> quinellaPop{};

    std::vector<std::int64_t> winVotes;
    std::vector<std::int64_t> placeVotes;
    std::array<std::int64_t, 36> bracketVotes{};
    std::array<std::int64_t, 153> quinellaVotes{};
    std::int64_t winTotal = 0;
    std::int64_t placeTotal = 0;
    std::int64_t bracketTotal = 0;
    std::int64_t quinellaTotal = 0;
    int placesPaid = 3;

    bool bracketSold = true;
};

// Index 0 … 35 of the bracket pair (a, b), a ≤ b; 0 … 152 of the horse pair (a, b), a < b.
int bracketPairSlot(int a, int b) noexcept;
int quinellaPairSlot(int a, int b) noexcept;

// Pool odds in tenths for an entry of `votes` out of a pool of `total` paying back
// num/den of it, shared by `winners` entries holding `winnerVotes` together; one
// rule for the announced odds and for the payouts, so both always agree.
std::int64_t poolTenths(std::int64_t total, int num, int den, std::int64_t winnerVotes, int winners,
                        std::int64_t votes) noexcept;

class OddsSeries {
public:
    explicit OddsSeries(const SimRace& race);

    struct Entry {
        SimMinute at;
        char dataKind;
    };
    // Every announcement, in the order they were made.
    const std::vector<Entry>& entries() const { return m_entries; }

    // Which pools to work out: all, or only those one record kind carries.
    enum class Pools { All, WinPlaceBracket, Quinella };

    // The announcement `index` with its odds.
    OddsSnapshot snapshot(std::size_t index, Pools pools = Pools::All) const;
    // The pools as they closed at the post time (for the result and the payouts).
    OddsSnapshot closing() const;

    // Announcements made at or before `now`.
    std::size_t countUpTo(SimMinute now) const;

private:
    OddsSnapshot compute(std::size_t index, Pools pools) const;

    const SimRace& m_race;
    std::vector<Entry> m_entries;
    MarketPath m_market;
};

} // namespace tidemark::nvsim
