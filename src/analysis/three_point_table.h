#pragma once
// The current race's values at the three chosen time points (t = 0, 1, 2 for the
// first, second and third) for every horse, and how each horse's popularity order
// moved over them. Emptied whenever a race is opened; filled by the three-point analysis.

#include <array>

#include "analysis/day_table.h"

namespace tidemark::analysis {

inline constexpr int kTimePoints = 3;

struct ThreePointTable {
    // One kind of odds at one time point.
    struct Values {
        PerHorse<double> odds{};
        PerHorse<double> share{};
        PerHorse<int> popularity{}; // 0 = none
    };
    // The popularity order of one kind over the three time points.
    struct PopSummary {
        PerHorse<int> popMin{};   // start 20
        PerHorse<int> popMax{};   // start 0
        PerHorse<int> popRange{}; // start 20 = no value
    };
    enum class Group { Win, PlaceLow, PlaceHigh, Pseudo };
    static constexpr int kGroups = 4;

    std::array<Values, kTimePoints> win;
    std::array<Values, kTimePoints> placeLow;
    std::array<Values, kTimePoints> placeHigh;
    std::array<Values, kTimePoints> pseudo;
    PopSummary winPop;
    PopSummary placeLowPop;
    PopSummary placeHighPop;
    PopSummary pseudoPop;

    ThreePointTable() { reset(); }
    void reset();

    std::array<Values, kTimePoints>& values(Group g);
    const std::array<Values, kTimePoints>& values(Group g) const;
    PopSummary& summary(Group g);
    const PopSummary& summary(Group g) const;
};

} // namespace tidemark::analysis
