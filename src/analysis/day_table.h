#pragma once
// The races of the meeting day being viewed: 96 race slots, each with its raw records
// as stored and the values derived from them. Per-horse arrays are indexed by horse
// number 1..18 and per-pair arrays by pair index 1..36 / 1..153; element 0 is unused.

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "records/record_view.h"

namespace tidemark::analysis {

inline constexpr int kRaceSlots = 96;
inline constexpr int kMaxHorses = 18;
inline constexpr int kBracketPairs = 36;
inline constexpr int kQuinellaPairs = 153;

// Record sizes including the line end, as the store keeps them.
inline constexpr std::size_t kRaSize = records::kRaRecordLength;
inline constexpr std::size_t kSeSize = records::kSeRecordLength;
inline constexpr std::size_t kHrSize = records::kHrRecordLength;
inline constexpr std::size_t kO1Size = records::kO1RecordLength;
inline constexpr std::size_t kO2Size = records::kO2RecordLength;

// "No value" of the popularity differences and ratios of the selected moment.
inline constexpr int kNoPopDiff = 20;
inline constexpr double kNoRatio = 20.0;

template <typename T>
using PerHorse = std::array<T, kMaxHorses + 1>;
template <typename T>
using PerBracketPair = std::array<T, kBracketPairs + 1>;
template <typename T>
using PerQuinellaPair = std::array<T, kQuinellaPairs + 1>;

// Derived values of one race, in the order the program keeps them.
struct RaceRecord {
    bool numbersPending = false; // some runner has no horse number yet (gates not drawn)
    std::string label;           // ≤ 30 bytes, "2024年01月15日大井11回02日11R"
    int runnerCount = 0;         // registered runners, 0..18

    // Odds of the selected moment: −1.0 cancelled, −2.0 blank, 0 no votes.
    PerHorse<double> winOdds{};
    PerHorse<double> placeLowOdds{};
    PerHorse<double> placeHighOdds{};
    PerBracketPair<double> bracketOdds{};
    PerQuinellaPair<double> quinellaOdds{};
    std::string o1Time; // hhmm of the selected O1 snapshot; empty = none loaded
    std::string o2Time; // hhmm of the O2 snapshot used; empty = none

    PerHorse<int> winPopularity{};
    PerHorse<int> placeLowPopularity{};
    PerHorse<int> placeHighPopularity{};
    PerHorse<double> pseudoQuinellaOdds{};
    PerHorse<double> pseudoQuinellaShare{};
    PerHorse<int> pseudoQuinellaPopularity{};
    PerHorse<int> popDiffWinPlace{};
    PerHorse<int> popDiffWinPseudo{};
    PerHorse<int> popDiffPseudoPlace{};
    PerHorse<double> ratioWinPlace{};
    PerHorse<double> ratioWinPseudo{};
    PerHorse<double> ratioPseudoPlace{};

    PerHorse<int> finishPosition{};
    PerHorse<int> finalPopularity{};
    PerHorse<double> finalWinOdds{};

    RaceRecord() { reset(); }
    // Start values: flags false, texts empty, numbers 0, differences 20, ratios 20.0.
    void reset();
    // The selected-moment part only (odds, shares, orders, differences, ratios); the
    // label, runner count, results and o1Time/o2Time stay.
    void resetSelectedMoment();
};

// Raw records of one race plus its derived record. Records are held whole, line end
// included, and are all blanks when absent.
struct RaceSlot {
    std::string raRecord = std::string(kRaSize, ' ');
    PerHorse<std::string> seRecords = blankSe();
    std::string hrRecord = std::string(kHrSize, ' ');
    std::string o1Selected = std::string(kO1Size, ' ');
    std::string o2Selected = std::string(kO2Size, ' ');
    RaceRecord record;

    static PerHorse<std::string> blankSe();
    void clearSeRecords();
};

struct DayTable {
    int raceCount = 0;      // RA records read, 0..96
    int currentRace = 0;    // slot of the race being viewed
    int lastViewedRace = 0; // race-list index viewed last, restored when the day reloads
    std::vector<RaceSlot> slots = std::vector<RaceSlot>(kRaceSlots); // always kRaceSlots

    // Every race record back to its start values.
    void resetDay();
    bool validSlot(int slot) const { return slot >= 0 && slot < kRaceSlots; }
};

} // namespace tidemark::analysis
