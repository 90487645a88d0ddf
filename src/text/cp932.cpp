#include "text/cp932.h"

namespace tidemark::text {

std::string_view bytesAt(std::string_view s, std::size_t pos1, std::size_t len) noexcept
{
    if (pos1 == 0 || pos1 > s.size())
        return {};
    return s.substr(pos1 - 1, len);
}

std::string_view trimLeft(std::string_view s) noexcept
{
    std::size_t i = 0;
    while (i < s.size() && static_cast<unsigned char>(s[i]) <= 0x20)
        ++i;
    return s.substr(i);
}

std::string_view trimRight(std::string_view s) noexcept
{
    std::size_t n = s.size();
    while (n > 0 && static_cast<unsigned char>(s[n - 1]) <= 0x20)
        --n;
    return s.substr(0, n);
}

std::string_view trim(std::string_view s) noexcept { return trimRight(trimLeft(s)); }

std::string padRight(std::string_view s, std::size_t width)
{
    std::string r(s.substr(0, width));
    r.resize(width, ' ');
    return r;
}

std::string padLeft(std::string_view s, std::size_t width)
{
    if (s.size() >= width)
        return std::string(s.substr(s.size() - width));
    return std::string(width - s.size(), ' ') + std::string(s);
}

std::string asciiUpper(std::string_view s)
{
    std::string r(s);
    for (std::size_t i = 0; i < r.size(); ++i) {
        auto c = static_cast<unsigned char>(r[i]);
        if (isLeadByte(c)) {
            ++i;
            continue;
        }
        if (c >= 'a' && c <= 'z')
            r[i] = static_cast<char>(c - 'a' + 'A');
    }
    return r;
}

int compareNoCase(std::string_view a, std::string_view b) noexcept
{
    std::size_t n = a.size() < b.size() ? a.size() : b.size();
    bool trail = false;
    for (std::size_t i = 0; i < n; ++i) {
        auto ca = static_cast<unsigned char>(a[i]);
        auto cb = static_cast<unsigned char>(b[i]);
        if (!trail) {
            if (ca >= 'a' && ca <= 'z')
                ca = static_cast<unsigned char>(ca - 32);
            if (cb >= 'a' && cb <= 'z')
                cb = static_cast<unsigned char>(cb - 32);
        }
        if (ca != cb)
            return ca < cb ? -1 : 1;
        trail = !trail && isLeadByte(ca);
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

} // namespace tidemark::text
