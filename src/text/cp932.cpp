#include "text/cp932.h"

#include <algorithm>
#include <cstdint>

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

std::string_view trimBlanks(std::string_view s) noexcept
{
    std::size_t first = s.size();
    std::size_t end = 0;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const bool wide = isLeadByte(c) && i + 1 < s.size();
        const std::size_t width = wide ? 2 : 1;
        const bool blank = wide ? (c == 0x81 && static_cast<unsigned char>(s[i + 1]) == 0x40) : c <= 0x20;
        if (!blank) {
            first = std::min(first, i);
            end = i + width;
        }
        i += width;
    }
    return first >= end ? std::string_view() : s.substr(first, end - first);
}

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

std::string fromUtf16(std::u16string_view utf16)
{
    std::string utf8;
    utf8.reserve(utf16.size() * 3);
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        std::uint32_t u = utf16[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
            u = 0x10000 + ((u - 0xD800) << 10) + (utf16[i + 1] - 0xDC00u);
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            utf8 += '?';
            continue;
        }
        if (u < 0x80) {
            utf8 += static_cast<char>(u);
        } else if (u < 0x800) {
            utf8 += static_cast<char>(0xC0 | (u >> 6));
            utf8 += static_cast<char>(0x80 | (u & 0x3F));
        } else if (u < 0x10000) {
            utf8 += static_cast<char>(0xE0 | (u >> 12));
            utf8 += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            utf8 += static_cast<char>(0xF0 | (u >> 18));
            utf8 += static_cast<char>(0x80 | ((u >> 12) & 0x3F));
            utf8 += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return fromUtf8(utf8);
}

std::u16string toUtf16(std::string_view cp932)
{
    const std::string utf8 = toUtf8(cp932);
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        // toUtf8 writes only well-formed sequences.
        const std::size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        std::uint32_t u = n == 1 ? c : n == 2 ? (c & 0x1Fu) : n == 3 ? (c & 0x0Fu) : (c & 0x07u);
        for (std::size_t k = 1; k < n && i + k < utf8.size(); ++k)
            u = u << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3Fu);
        if (u >= 0x10000) {
            u -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (u >> 10));
            out += static_cast<char16_t>(0xDC00 + (u & 0x3FF));
        } else {
            out += static_cast<char16_t>(u);
        }
        i += n;
    }
    return out;
}

} // namespace tidemark::text
