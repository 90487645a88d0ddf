#include "text/number_format.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <algorithm>
#include <limits>

namespace tidemark::text {
namespace {

// Rounds |value| to `decimals` decimals, half away from zero, working on the
// shortest decimal representation, and returns the digits: integer part and
// fraction part (exactly `decimals` long).
void roundDecimal(double value, int decimals, std::string& intPart, std::string& fracPart)
{
    // The fixed text of the largest double has 309 digits before the point.
    char buf[512];
    auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::fixed);
    std::string digits(buf, res.ptr);
    std::size_t dot = digits.find('.');
    std::string ip = dot == std::string::npos ? digits : digits.substr(0, dot);
    std::string fp = dot == std::string::npos ? std::string() : digits.substr(dot + 1);
    bool roundUp = false;
    if (static_cast<int>(fp.size()) > decimals) {
        roundUp = fp[static_cast<std::size_t>(decimals)] >= '5';
        fp.resize(static_cast<std::size_t>(decimals));
    } else {
        fp.resize(static_cast<std::size_t>(decimals), '0');
    }
    if (roundUp) {
        std::string all = ip + fp;
        int i = static_cast<int>(all.size()) - 1;
        for (; i >= 0; --i) {
            if (all[static_cast<std::size_t>(i)] == '9') {
                all[static_cast<std::size_t>(i)] = '0';
            } else {
                ++all[static_cast<std::size_t>(i)];
                break;
            }
        }
        if (i < 0)
            all.insert(all.begin(), '1');
        ip = all.substr(0, all.size() - fp.size());
        fp = all.substr(all.size() - fp.size());
    }
    if (ip.empty())
        ip.push_back('0');
    intPart = ip;
    fracPart = fp;
}

bool isZeroDigits(const std::string& ip, const std::string& fp)
{
    for (char c : ip)
        if (c != '0')
            return false;
    for (char c : fp)
        if (c != '0')
            return false;
    return true;
}

std::string alignRight(std::string s, int width)
{
    if (width > 0 && static_cast<int>(s.size()) < width)
        s.insert(0, static_cast<std::size_t>(width) - s.size(), ' ');
    return s;
}

std::string groupThousands(const std::string& ip)
{
    std::string r;
    int n = static_cast<int>(ip.size());
    for (int i = 0; i < n; ++i) {
        r.push_back(ip[static_cast<std::size_t>(i)]);
        int left = n - 1 - i;
        if (left > 0 && left % 3 == 0)
            r.push_back(',');
    }
    return r;
}

constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};

// |value| rounded to `decimals` decimals as roundDecimal rounds it, times 10^decimals,
// without going through the decimal text: exact whenever the scaled value lies below
// 1e9 and not within 1e-6 of a half (the text and the binary value then round alike,
// their difference being a few units of 1e-7 at most). false leaves the case to
// roundDecimal.
bool quickScaled(double value, int decimals, std::uint64_t& scaled)
{
    if (decimals < 0 || decimals > 9)
        return false;
    const double x = std::fabs(value) * kPowersOfTen[decimals];
    if (!(x < 1e9))
        return false;
    const double whole = std::floor(x);
    const double fraction = x - whole; // exact below 2^53
    if (std::fabs(fraction - 0.5) <= 1e-6)
        return false;
    scaled = static_cast<std::uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
    return true;
}

// Writes the "%W.Df" text of a scaled value (below 2^32, as quickScaled gives them) into
// `out`, which holds max(width, 12) bytes; returns the length. Written from its end,
// byte by byte: the texts are a handful of bytes, too short for memcpy to pay.
std::size_t writeScaled(char* out, bool negative, std::uint64_t scaled, int width, int decimals)
{
    auto value = static_cast<std::uint32_t>(scaled);
    const auto d = static_cast<std::size_t>(decimals);
    std::size_t digits = 1;
    for (std::uint32_t rest = value / 10; rest > 0; rest /= 10)
        ++digits;
    if (digits < d + 1)
        digits = d + 1; // "0.05": a zero before the point
    const std::size_t length = digits + (d > 0 ? 1 : 0) + (negative ? 1 : 0);
    const std::size_t pad = width > 0 && length < static_cast<std::size_t>(width)
                                ? static_cast<std::size_t>(width) - length
                                : 0;
    for (std::size_t i = 0; i < pad; ++i)
        out[i] = ' ';
    char* p = out + pad + length;
    for (std::size_t i = 0; i < d; ++i) {
        *--p = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    if (d > 0)
        *--p = '.';
    for (std::size_t i = d; i < digits; ++i) {
        *--p = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    if (negative)
        *--p = '-';
    return pad + length;
}

} // namespace

std::size_t formatFixedTo(char* out, std::size_t size, double value, int width, int decimals)
{
    std::uint64_t scaled = 0;
    // The quick text is at most twelve characters or the width.
    if (std::isfinite(value) && width >= 0 && width <= 20 && size >= std::max<std::size_t>(12, static_cast<std::size_t>(width)) &&
        quickScaled(value, decimals, scaled))
        return writeScaled(out, value < 0 && scaled != 0, scaled, width, decimals);
    const std::string s = formatFixed(value, width, decimals);
    const std::size_t n = std::min(s.size(), size);
    s.copy(out, n);
    return n;
}

std::string formatFixed(double value, int width, int decimals)
{
    if (std::isnan(value))
        return alignRight("NAN", width);
    if (std::isinf(value))
        return alignRight(value < 0 ? "-INF" : "INF", width);
    if (std::uint64_t scaled = 0; width >= 0 && width <= 20 && quickScaled(value, decimals, scaled)) {
        char buf[32];
        return std::string(buf, writeScaled(buf, value < 0 && scaled != 0, scaled, width, decimals));
    }
    return formatFixedSlowly(value, width, decimals);
}

std::string formatFixedSlowly(double value, int width, int decimals)
{
    if (std::isnan(value))
        return alignRight("NAN", width);
    if (std::isinf(value))
        return alignRight(value < 0 ? "-INF" : "INF", width);
    std::string ip, fp;
    roundDecimal(value, decimals < 0 ? 0 : decimals, ip, fp);
    std::string s;
    if (value < 0 && !isZeroDigits(ip, fp))
        s.push_back('-');
    s += ip;
    if (decimals > 0) {
        s.push_back('.');
        s += fp;
    }
    return alignRight(std::move(s), width);
}

std::string formatInt(std::int64_t value, int width)
{
    return alignRight(std::to_string(value), width);
}

std::string formatGrouped(double value, int width, int decimals)
{
    if (!std::isfinite(value))
        return formatFixed(value, width, decimals);
    std::string ip, fp;
    roundDecimal(value, decimals < 0 ? 0 : decimals, ip, fp);
    std::string s;
    if (value < 0 && !isZeroDigits(ip, fp))
        s.push_back('-');
    s += groupThousands(ip);
    if (decimals > 0) {
        s.push_back('.');
        s += fp;
    }
    return alignRight(std::move(s), width);
}

std::string formatZeroPad(std::int64_t value, int digits)
{
    bool neg = value < 0;
    std::string d = std::to_string(value);
    if (neg)
        d.erase(0, 1);
    if (static_cast<int>(d.size()) < digits)
        d.insert(0, static_cast<std::size_t>(digits) - d.size(), '0');
    return neg ? "-" + d : d;
}

std::int64_t readInt(std::string_view s) noexcept
{
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    bool neg = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        neg = s[i] == '-';
        ++i;
    }
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    std::int64_t v = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        int d = s[i] - '0';
        if (v > (kMax - d) / 10) {
            v = kMax;
            while (i < s.size() && s[i] >= '0' && s[i] <= '9')
                ++i;
            break;
        }
        v = v * 10 + d;
    }
    return neg ? -v : v;
}

bool tryParseInt32(std::string_view s, std::int32_t& out) noexcept
{
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 0x20)
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 0x20)
        --e;
    s = s.substr(b, e - b);
    if (s.empty())
        return false;
    bool neg = false;
    std::size_t i = 0;
    if (s[0] == '+' || s[0] == '-') {
        neg = s[0] == '-';
        i = 1;
    }
    int base = 10;
    if (i < s.size() && s[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= s.size())
        return false;
    std::uint64_t v = 0;
    for (; i < s.size(); ++i) {
        char c = s[i];
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        v = v * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
        if (v > 0xFFFFFFFFull)
            return false;
    }
    if (base == 16 && !neg) {
        // Hexadecimal covers the full 32 bits, as the platform reads "$FFFFFFFF" as -1.
        out = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
        return true;
    }
    std::int64_t sv = neg ? -static_cast<std::int64_t>(v) : static_cast<std::int64_t>(v);
    if (sv < std::numeric_limits<std::int32_t>::min() || sv > std::numeric_limits<std::int32_t>::max())
        return false;
    out = static_cast<std::int32_t>(sv);
    return true;
}

double readDecimal(std::string_view s, bool* ok) noexcept
{
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    std::size_t start = i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    std::size_t digitsStart = i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9')
        ++i;
    bool haveInt = i > digitsStart;
    bool haveFrac = false;
    if (i < s.size() && s[i] == '.') {
        std::size_t f = i + 1;
        while (f < s.size() && s[f] >= '0' && s[f] <= '9')
            ++f;
        haveFrac = f > i + 1;
        if (haveFrac || haveInt)
            i = f;
    }
    if (!haveInt && !haveFrac) {
        if (ok)
            *ok = false;
        return 0.0;
    }
    std::string tmp(s.substr(start, i - start));
    if (!tmp.empty() && tmp[0] == '+')
        tmp.erase(0, 1);
    // from_chars, not strtod: the desktop toolkit sets the user's locale at start.
    double v = 0.0;
    std::from_chars(tmp.data(), tmp.data() + tmp.size(), v);
    if (ok)
        *ok = true;
    return v;
}

} // namespace tidemark::text
