#pragma once
// Exponential, logarithm and cosine from + − × ÷ alone. IEEE arithmetic rounds those
// four the same way on every compiler and C library, while the library's exp, log and
// cos may differ in the last bit from one system to the next; the simulated world is
// built on these so that a seed gives the same vote counts, odds and results on the
// Linux and the Windows build alike. Accurate to about 1e-14, far more than a simulation
// needs; what matters is that the answer is the same everywhere.

#include <bit>
#include <cstdint>
#include <initializer_list>

namespace tidemark::nvsim {

namespace detail {

inline constexpr double kLn2Hi = 6.93147180369123816490e-01; // ln 2 with trailing zero bits
inline constexpr double kLn2Lo = 1.90821492927058770002e-10;
inline constexpr double kInvLn2 = 1.44269504088896338700e+00;
inline constexpr double kSqrt2 = 1.41421356237309514547e+00;
inline constexpr double kPi = 3.14159265358979311600e+00;

// 2^k for -1022 <= k <= 1023, exactly.
inline double twoTo(int k) noexcept
{
    return std::bit_cast<double>(static_cast<std::uint64_t>(k + 1023) << 52);
}

// Rounds half away from zero without the library.
inline std::int64_t nearest(double x) noexcept
{
    return x >= 0 ? static_cast<std::int64_t>(x + 0.5) : -static_cast<std::int64_t>(0.5 - x);
}

// cos a and sin a for |a| <= π/4 by their series.
inline double cosSeries(double a) noexcept
{
    const double a2 = a * a;
    double s = 1.0 / 20922789888000.0; // 1/16!
    s = s * a2 - 1.0 / 87178291200.0;
    s = s * a2 + 1.0 / 479001600.0;
    s = s * a2 - 1.0 / 3628800.0;
    s = s * a2 + 1.0 / 40320.0;
    s = s * a2 - 1.0 / 720.0;
    s = s * a2 + 1.0 / 24.0;
    s = s * a2 - 0.5;
    return s * a2 + 1.0;
}

inline double sinSeries(double a) noexcept
{
    const double a2 = a * a;
    double s = 1.0 / 355687428096000.0; // 1/17!
    s = s * a2 - 1.0 / 1307674368000.0;
    s = s * a2 + 1.0 / 6227020800.0;
    s = s * a2 - 1.0 / 39916800.0;
    s = s * a2 + 1.0 / 362880.0;
    s = s * a2 - 1.0 / 5040.0;
    s = s * a2 + 1.0 / 120.0;
    s = s * a2 - 1.0 / 6.0;
    return a + a * a2 * s;
}

} // namespace detail

// e^x; 0 below -700 and e^700 above 700 (the world never goes near either).
inline double simExp(double x) noexcept
{
    if (x < -700.0) {
        return 0.0;
    }
    if (x > 700.0) {
        x = 700.0;
    }
    const auto k = detail::nearest(x * detail::kInvLn2);
    const double kd = static_cast<double>(k);
    const double r = (x - kd * detail::kLn2Hi) - kd * detail::kLn2Lo; // |r| <= 0.35
    // Σ rⁿ/n! for n <= 12, written out: 1 + r(1 + r/2(1 + r/3(…))).
    double p = 1.0 + r * (1.0 / 12);
    p = 1.0 + r * (1.0 / 11) * p;
    p = 1.0 + r * (1.0 / 10) * p;
    p = 1.0 + r * (1.0 / 9) * p;
    p = 1.0 + r * (1.0 / 8) * p;
    p = 1.0 + r * (1.0 / 7) * p;
    p = 1.0 + r * (1.0 / 6) * p;
    p = 1.0 + r * (1.0 / 5) * p;
    p = 1.0 + r * (1.0 / 4) * p;
    p = 1.0 + r * (1.0 / 3) * p;
    p = 1.0 + r * 0.5 * p;
    p = 1.0 + r * p;
    return p * detail::twoTo(static_cast<int>(k));
}

// Natural logarithm of x > 0; a very negative number for x <= 0.
inline double simLog(double x) noexcept
{
    if (!(x > 0.0)) {
        return -745.0;
    }
    int extra = 0;
    if (x < 2.2250738585072014e-308) {
        x *= 18014398509481984.0; // 2^54: subnormals become normal
        extra = -54;
    }
    const auto bits = std::bit_cast<std::uint64_t>(x);
    int e = static_cast<int>((bits >> 52) & 0x7FF) - 1023 + extra;
    double m = std::bit_cast<double>((bits & 0x000FFFFFFFFFFFFFull) | 0x3FF0000000000000ull); // [1, 2)
    if (m > detail::kSqrt2) {
        m *= 0.5;
        ++e;
    }
    // ln m = 2 atanh z with z = (m - 1) / (m + 1), |z| < 0.172.
    const double z = (m - 1.0) / (m + 1.0);
    const double z2 = z * z;
    double s = 1.0 / 23.0;
    for (double d : {21.0, 19.0, 17.0, 15.0, 13.0, 11.0, 9.0, 7.0, 5.0, 3.0}) {
        s = s * z2 + 1.0 / d;
    }
    s = s * z2 + 1.0;
    const double ed = static_cast<double>(e);
    return ed * detail::kLn2Hi + (2.0 * z * s + ed * detail::kLn2Lo);
}

// cos(2πu) for any u (the angle of the Box–Muller transform).
inline double simCos2Pi(double u) noexcept
{
    double w = u - static_cast<double>(static_cast<std::int64_t>(u));
    if (w < 0) {
        w += 1.0;
    }
    if (w > 0.5) {
        w = 1.0 - w; // cos is even about a whole turn
    }
    double sign = 1.0;
    if (w > 0.25) {
        w = 0.5 - w; // cos(π − a) = −cos a
        sign = -1.0;
    }
    // Now 0 <= w <= 1/4: the angle is at most π/2.
    if (w > 0.125) {
        return sign * detail::sinSeries(2.0 * detail::kPi * (0.25 - w));
    }
    return sign * detail::cosSeries(2.0 * detail::kPi * w);
}

} // namespace tidemark::nvsim
