#include "analysis/anomaly_search.h"

#include <algorithm>
#include <set>

#include "records/record_view.h"
#include "text/cp932.h"
#include "text/number_format.h"

namespace tidemark::analysis {

namespace {

constexpr std::size_t kOddsWidth = 4; // win and place fields

std::vector<RatioMoment> largestFirst(const std::set<RatioMoment>& moments)
{
    std::vector<RatioMoment> out;
    for (auto it = moments.rbegin(); it != moments.rend() && out.size() < kRatioMomentsShown; ++it)
        out.push_back(*it);
    return out;
}

} // namespace

RatioMoment::RatioMoment(std::int64_t numeratorTenths, std::int64_t denominatorTenths, std::string_view hhmm)
{
    const double numerator = static_cast<double>(numeratorTenths);
    const double denominator = static_cast<double>(denominatorTenths);
    m_key = text::formatFixed(numerator / denominator, 10, 5);
    m_key += text::formatFixed(numerator / 10.0, 5, 1);
    m_key += text::formatFixed(denominator / 10.0, 5, 1);
    m_key += text::bytesAt(hhmm, 1, 2);
    m_key += ':';
    m_key += text::bytesAt(hhmm, 3, 2);
}

PerHorse<HorseRatioMoments> searchWinPlaceRatios(const SnapshotList& o1Snapshots, int runnerCount)
{
    PerHorse<HorseRatioMoments> out;
    const int runners = std::clamp(runnerCount, 0, kMaxHorses);
    std::set<RatioMoment> winOverPlace;
    std::set<RatioMoment> placeOverWin;
    for (int h = 1; h <= runners; ++h) {
        winOverPlace.clear();
        placeOverWin.clear();
        for (const std::string& line : o1Snapshots) {
            const records::O1View v(line);
            const std::int64_t w = v.number(records::winOddsPos(h), kOddsWidth);
            const std::int64_t l = v.number(records::placeLowPos(h), kOddsWidth);
            if (w <= 0 || l <= 0)
                continue;
            const std::string_view hhmm = v.announcementHhmm();
            winOverPlace.emplace(w, l, hhmm);
            placeOverWin.emplace(l, w, hhmm);
        }
        auto& horse = out[static_cast<std::size_t>(h)];
        horse.winOverPlace = largestFirst(winOverPlace);
        horse.placeOverWin = largestFirst(placeOverWin);
    }
    return out;
}

} // namespace tidemark::analysis
