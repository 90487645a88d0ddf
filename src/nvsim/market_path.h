#pragma once
// The money of one race's pools through its selling period, as a tote takes it in.
//
// Bettors arrive as a random process whose intensity rises steeply towards the post
// time: a little in the advance sale of the evening before, opening orders when the
// race-day sale starts, a thin steady flow through the day, then a swell in the last
// half hour and most of the money in the last quarter of an hour. Each stake goes to a
// runner (win, place) or a pair (bracket quinella, quinella) drawn from the crowd's
// belief: the runners' public ratings, flattened a little (the crowd overrates long
// shots), wandering slowly as opinions form. A runner withdrawn after the sale opened
// has its votes refunded; a planted block of informed money ("steam") lands on one
// runner within a few minutes in some races, and part of the crowd follows it.
//
// Pools only grow between announcements, except at such a refund. Everything is drawn
// from the race's own stream with the world's own arithmetic, so a race has the same
// votes on every machine.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "nvsim/sim_world.h"

namespace tidemark::nvsim {

// How much of the crowd's money a runner of public rating `strength` draws, before the
// crowd's passing moods: rating^0.85, flatter than the truth, so long shots draw more
// than their chances deserve and favourites less.
double crowdWeight(double strength);

// The share g·x / (1 + (g − 1)·x) that a share x becomes when the runner's weight is
// raised g times against the others: where a steam's block carries the runner's share.
double raisedShare(double share, double g);

class MarketPath {
public:
    // `times` are the announcement moments of the race, in order (equal moments allowed).
    MarketPath(const SimRace& race, const std::vector<SimMinute>& times);

    std::size_t size() const { return m_count; }
    // Votes taken up to announcement k, per horse (index h - 1) or per pair slot.
    std::span<const std::int32_t> win(std::size_t k) const { return row(k, 0, m_runners); }
    std::span<const std::int32_t> place(std::size_t k) const { return row(k, m_runners, m_runners); }
    std::span<const std::int32_t> bracket(std::size_t k) const { return row(k, 2 * m_runners, 36); }
    std::span<const std::int32_t> quinella(std::size_t k) const { return row(k, 2 * m_runners + 36, 153); }

private:
    std::span<const std::int32_t> row(std::size_t k, std::size_t from, std::size_t count) const
    {
        return {m_votes.get() + k * m_stride + from, count};
    }

    std::size_t m_runners = 0;
    std::size_t m_stride = 0;
    std::size_t m_count = 0;
    std::unique_ptr<std::int32_t[]> m_votes; // m_count rows of m_stride
};

} // namespace tidemark::nvsim
