#pragma once
// The one source of chance in the simulated world. SplitMix64 gives the same sequence
// on every platform and compiler, so a seed and a date always yield the same races.

#include <cmath>
#include <cstdint>
#include <string_view>
#include <vector>

#include "nvsim/sim_math.h"

namespace tidemark::nvsim {

// Folds values into a seed: every track day, race and odds series draws from its own
// stream, so generating one race never shifts the numbers of another.
constexpr std::uint64_t mixSeed(std::uint64_t a, std::uint64_t b) noexcept
{
    std::uint64_t z = a ^ (b + 0x9E3779B97F4A7C15ull + (a << 6) + (a >> 2));
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

constexpr std::uint64_t mixSeed(std::uint64_t a, std::string_view s) noexcept
{
    std::uint64_t h = 1469598103934665603ull;
    for (char c : s) {
        h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    return mixSeed(a, h);
}

class SimRandom {
public:
    explicit SimRandom(std::uint64_t seed) noexcept : m_state(seed) {}

    std::uint64_t next() noexcept
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // [0, 1)
    double unit() noexcept { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }

    // lo … hi inclusive.
    int uniform(int lo, int hi) noexcept
    {
        if (hi <= lo) {
            return lo;
        }
        const auto span = static_cast<std::uint64_t>(hi - lo) + 1;
        return lo + static_cast<int>(next() % span);
    }

    bool chance(double p) noexcept { return unit() < p; }

    // Standard normal (Box–Muller, on the world's own logarithm and cosine).
    double normal() noexcept
    {
        double u1 = unit();
        if (u1 < 1e-300) {
            u1 = 1e-300;
        }
        const double u2 = unit();
        return std::sqrt(-2.0 * simLog(u1)) * simCos2Pi(u2);
    }

    template <class T>
    const T& pick(const std::vector<T>& items) noexcept
    {
        return items[static_cast<std::size_t>(uniform(0, static_cast<int>(items.size()) - 1))];
    }

private:
    std::uint64_t m_state;
};

} // namespace tidemark::nvsim
