// CP932 conversion through Windows' own code page 932 (MultiByteToWideChar and
// WideCharToMultiByte). The system is asked once per code, into two tables, so that a
// conversion is a table walk with exactly the iconv build's rules for bad input: an
// undecodable byte or pair, and a dangling lead byte, are dropped; a character CP932
// cannot hold becomes "?", one per UTF-8 sequence.
#include "text/cp932.h"

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>

namespace tidemark::text {
namespace {

constexpr unsigned kCodePage = 932;
constexpr std::uint16_t kNone = 0xFFFF; // no character (U+FFFF is never a CP932 character)

struct Tables {
    // CP932 -> UTF-16: single bytes at [b], pairs at [lead << 8 | trail].
    std::array<std::uint16_t, 256> single{};
    std::array<std::uint16_t, 65536> pair{};
    // UTF-16 (BMP) -> CP932 bytes: 0..0xFF a single byte, else lead << 8 | trail; kNone
    // when the code page cannot hold it.
    std::array<std::uint16_t, 65536> encode{};

    Tables()
    {
        single.fill(kNone);
        pair.fill(kNone);
        encode.fill(kNone);
        for (unsigned b = 0; b < 256; ++b) {
            if (isLeadByte(static_cast<unsigned char>(b)))
                continue;
            const char in = static_cast<char>(b);
            wchar_t w[2];
            if (MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, &in, 1, w, 2) == 1)
                single[b] = static_cast<std::uint16_t>(w[0]);
        }
        for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
            if (!isLeadByte(static_cast<unsigned char>(lead)))
                continue;
            for (unsigned trail = 0; trail < 256; ++trail) {
                const char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                wchar_t w[2];
                if (MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, in, 2, w, 2) == 1)
                    pair[lead << 8 | trail] = static_cast<std::uint16_t>(w[0]);
            }
        }
        for (unsigned u = 1; u < 0x10000; ++u) {
            if (u >= 0xD800 && u <= 0xDFFF)
                continue;
            const wchar_t w = static_cast<wchar_t>(u);
            char out[4];
            BOOL usedDefault = FALSE;
            const int n = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, &w, 1, out, sizeof out, nullptr,
                                              &usedDefault);
            if (usedDefault || n < 1 || n > 2)
                continue;
            const auto b0 = static_cast<unsigned char>(out[0]);
            if (n == 1) {
                encode[u] = b0;
            } else {
                encode[u] = static_cast<std::uint16_t>(b0 << 8 | static_cast<unsigned char>(out[1]));
            }
        }
        encode[0] = 0;
        // The program's CP932 is the same on every system (the Linux build's, through
        // iconv): the single bytes 80, A0 and FD-FF, which Windows maps to U+0080 and to
        // private-use characters, are no characters in records, settings or CSV files
        // and are dropped; and the JIS forms of nine characters, which Windows refuses,
        // are written as the CP932 character that looks the same.
        for (unsigned b : {0x80u, 0xA0u, 0xFDu, 0xFEu, 0xFFu})
            single[b] = kNone;
        for (unsigned u : {0x0080u, 0xF8F0u, 0xF8F1u, 0xF8F2u, 0xF8F3u})
            encode[u] = kNone;
        static constexpr std::uint16_t kJisForms[][2] = {
            {0x00A2, 0x8191}, {0x00A3, 0x8192}, {0x00A5, 0x005C}, {0x00AC, 0x81CA}, {0x2014, 0x815C},
            {0x2016, 0x8161}, {0x203E, 0x007E}, {0x2212, 0x817C}, {0x301C, 0x8160},
        };
        for (const auto& [u, c] : kJisForms)
            if (encode[u] == kNone)
                encode[u] = c;
    }
};

const Tables& tables()
{
    static const std::unique_ptr<const Tables> t = std::make_unique<const Tables>();
    return *t;
}

bool isPlainAscii(std::string_view s) noexcept
{
    for (unsigned char c : s)
        if (c >= 0x80)
            return false;
    return true;
}

void appendUtf8(std::string& out, std::uint32_t u)
{
    if (u < 0x80) {
        out += static_cast<char>(u);
    } else if (u < 0x800) {
        out += static_cast<char>(0xC0 | (u >> 6));
        out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (u >> 12));
        out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (u & 0x3F));
    }
}

// The code point of the well-formed UTF-8 sequence at s[i] and its length, or length 0
// when the bytes there are not one (a stray continuation byte, an overlong form, a
// surrogate, a cut sequence).
std::size_t decodeUtf8(std::string_view s, std::size_t i, std::uint32_t& u)
{
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n;
    std::uint32_t min;
    if (c < 0x80) {
        u = c;
        return 1;
    } else if (c >= 0xC2 && c < 0xE0) {
        n = 2, u = c & 0x1Fu, min = 0x80;
    } else if (c >= 0xE0 && c < 0xF0) {
        n = 3, u = c & 0x0Fu, min = 0x800;
    } else if (c >= 0xF0 && c < 0xF5) {
        n = 4, u = c & 0x07u, min = 0x10000;
    } else {
        return 0;
    }
    if (i + n > s.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k) {
        const auto t = static_cast<unsigned char>(s[i + k]);
        if ((t & 0xC0) != 0x80)
            return 0;
        u = u << 6 | (t & 0x3Fu);
    }
    if (u < min || u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF))
        return 0;
    return n;
}

} // namespace

std::string toUtf8(std::string_view cp932)
{
    if (isPlainAscii(cp932))
        return std::string(cp932);
    const Tables& t = tables();
    std::string out;
    out.reserve(cp932.size() * 3 / 2 + 8);
    for (std::size_t i = 0; i < cp932.size();) {
        const auto c = static_cast<unsigned char>(cp932[i]);
        if (isLeadByte(c)) {
            if (i + 1 >= cp932.size())
                break; // a dangling lead byte: the text was cut inside a character
            const std::uint16_t w = t.pair[c << 8 | static_cast<unsigned char>(cp932[i + 1])];
            if (w != kNone)
                appendUtf8(out, w);
            i += 2;
        } else {
            const std::uint16_t w = t.single[c];
            if (w != kNone)
                appendUtf8(out, w);
            ++i;
        }
    }
    return out;
}

std::string fromUtf8(std::string_view utf8)
{
    if (isPlainAscii(utf8))
        return std::string(utf8);
    const Tables& t = tables();
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        std::uint32_t u = 0;
        const std::size_t n = decodeUtf8(utf8, i, u);
        const std::uint16_t b = n > 0 && u < 0x10000 ? t.encode[u] : kNone;
        if (b == kNone) {
            out += '?';
            // Skip the whole sequence the first byte announces.
            const auto c = static_cast<unsigned char>(utf8[i]);
            const std::size_t skip = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
            i += skip < utf8.size() - i ? skip : utf8.size() - i;
            continue;
        }
        if (b > 0xFF)
            out += static_cast<char>(b >> 8);
        out += static_cast<char>(b & 0xFF);
        i += n;
    }
    return out;
}

} // namespace tidemark::text
