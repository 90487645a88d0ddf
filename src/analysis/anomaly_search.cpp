#include "analysis/anomaly_search.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "records/record_view.h"
#include "text/cp932.h"
#include "text/number_format.h"

namespace tidemark::analysis {

namespace {

constexpr std::size_t kOddsWidth = 4; // win and place fields

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

namespace {

// A moment of the search, compared field by field as its key text would compare: the
// ratio's "%10.5f" text, then the two odds (fixed-width texts of numbers below 1000,
// so their order is the numbers' order), then the time. The key itself is built only
// for the three kept.
struct Candidate {
    std::array<char, 16> ratio{};
    std::int64_t numerator = 0;
    std::int64_t denominator = 0;
    std::string_view hhmm;

    int compare(const Candidate& o) const
    {
        if (const int c = std::memcmp(ratio.data(), o.ratio.data(), ratio.size()); c != 0)
            return c;
        if (numerator != o.numerator)
            return numerator < o.numerator ? -1 : 1;
        if (denominator != o.denominator)
            return denominator < o.denominator ? -1 : 1;
        return hhmm.compare(o.hhmm);
    }
};

// The three largest distinct moments, largest first.
class TopThree {
public:
    void offer(std::int64_t numerator, std::int64_t denominator, std::string_view hhmm)
    {
        Candidate c;
        c.numerator = numerator;
        c.denominator = denominator;
        c.hhmm = hhmm;
        text::formatFixedTo(c.ratio.data(), c.ratio.size(), static_cast<double>(numerator) /
            static_cast<double>(denominator), 10, 5);
        std::size_t at = m_count;
        for (std::size_t i = 0; i < m_count; ++i) {
            const int order = c.compare(m_kept[i]);
            if (order == 0)
                return; // the same key counts once
            if (order > 0) {
                at = i;
                break;
            }
        }
        if (at >= kRatioMomentsShown)
            return;
        const std::size_t last = std::min<std::size_t>(m_count, kRatioMomentsShown - 1);
        for (std::size_t i = last; i > at; --i)
            m_kept[i] = m_kept[i - 1];
        m_kept[at] = c;
        m_count = std::min<std::size_t>(m_count + 1, kRatioMomentsShown);
    }

    std::vector<RatioMoment> moments() const
    {
        std::vector<RatioMoment> out;
        out.reserve(m_count);
        for (std::size_t i = 0; i < m_count; ++i)
            out.emplace_back(m_kept[i].numerator, m_kept[i].denominator, m_kept[i].hhmm);
        return out;
    }

private:
    std::array<Candidate, kRatioMomentsShown> m_kept{};
    std::size_t m_count = 0;
};

} // namespace

PerHorse<HorseRatioMoments> searchWinPlaceRatios(const SnapshotList& o1Snapshots, int runnerCount)
{
    PerHorse<HorseRatioMoments> out;
    const int runners = std::clamp(runnerCount, 0, kMaxHorses);
    for (int h = 1; h <= runners; ++h) {
        TopThree winOverPlace;
        TopThree placeOverWin;
        for (const std::string& line : o1Snapshots) {
            const records::O1View v(line);
            const std::int64_t w = v.number(records::winOddsPos(h), kOddsWidth);
            const std::int64_t l = v.number(records::placeLowPos(h), kOddsWidth);
            if (w <= 0 || l <= 0)
                continue;
            const std::string_view hhmm = v.announcementHhmm();
            winOverPlace.offer(w, l, hhmm);
            placeOverWin.offer(l, w, hhmm);
        }
        auto& horse = out[static_cast<std::size_t>(h)];
        horse.winOverPlace = winOverPlace.moments();
        horse.placeOverWin = placeOverWin.moments();
    }
    return out;
}

} // namespace tidemark::analysis
