#pragma once
// The win/place ratio search over a race's odds series: for every horse the three
// announcements at which its win odds stood highest against its lower place odds
// ("単÷複") and the three at which the place odds stood highest against the win odds
// ("複÷単"). A horse whose win odds are far above its place odds, or the reverse, draws
// money on one pool only: that is what the tables point at.
//
// The announcements are ordered by a fixed-width text, the ratio "%10.5f" followed by
// the two odds "%5.1f" and the time "hh:nn", so equal ratios fall back on the odds and
// then the time, and two snapshots giving the same text count once.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/day_table.h"
#include "analysis/snapshot_series.h"

namespace tidemark::analysis {

// One announcement in the search: its ordering text and the pieces the tables show.
class RatioMoment {
public:
    // numerator / denominator in tenths (both above 0) at `hhmm` ("hh:nn" is built from it).
    RatioMoment(std::int64_t numeratorTenths, std::int64_t denominatorTenths, std::string_view hhmm);

    // "%10.5f" ratio + "%5.1f" numerator odds + "%5.1f" denominator odds + "hh:nn".
    const std::string& key() const { return m_key; }
    // The ratio cut (not rounded) to two decimals: the first seven characters of "%10.5f".
    std::string_view ratioText() const { return std::string_view(m_key).substr(0, 7); }
    std::string_view numeratorOddsText() const { return std::string_view(m_key).substr(10, 5); }
    std::string_view denominatorOddsText() const { return std::string_view(m_key).substr(15, 5); }
    std::string_view timeText() const { return std::string_view(m_key).substr(20, 5); }

    bool operator<(const RatioMoment& other) const { return m_key < other.m_key; }
    bool operator==(const RatioMoment& other) const { return m_key == other.m_key; }

private:
    std::string m_key;
};

inline constexpr int kRatioMomentsShown = 3;

struct HorseRatioMoments {
    std::vector<RatioMoment> winOverPlace; // at most three, largest first
    std::vector<RatioMoment> placeOverWin;
};

// Every snapshot where the horse's win and lower place fields both read as integers
// above 0 takes part. Horses 1..runnerCount (clamped to 18); element 0 stays empty.
PerHorse<HorseRatioMoments> searchWinPlaceRatios(const SnapshotList& o1Snapshots, int runnerCount);

} // namespace tidemark::analysis
