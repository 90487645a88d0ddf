#include "text/cp932.h"

#include <cerrno>
#include <iconv.h>

namespace tidemark::text {
namespace {

// One converter per direction, opened once: the program converts on every repaint.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter()
    {
        if (m_cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts `in`; on an undecodable sequence calls `onBad` with the input position
    // and the number of bytes to skip, appending its replacement.
    template <typename OnBad>
    std::string run(std::string_view in, OnBad onBad)
    {
        std::string out;
        if (!ok())
            return std::string(in);
        out.reserve(in.size() * 3 / 2 + 8);
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        char buf[1024];
        while (srcLeft > 0) {
            char* dst = buf;
            std::size_t dstLeft = sizeof buf;
            std::size_t r = iconv(m_cd, &src, &srcLeft, &dst, &dstLeft);
            out.append(buf, static_cast<std::size_t>(dst - buf));
            if (r == static_cast<std::size_t>(-1)) {
                if (errno == E2BIG)
                    continue;
                // EILSEQ or EINVAL (incomplete sequence at the end).
                std::size_t skip = onBad(std::string_view(src, srcLeft), out);
                if (skip == 0 || skip > srcLeft)
                    skip = srcLeft;
                src += skip;
                srcLeft -= skip;
                iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
            }
        }
        return out;
    }

private:
    iconv_t m_cd;
};

Converter& toUtf8Converter()
{
    thread_local Converter c("UTF-8", "CP932");
    return c;
}

Converter& fromUtf8Converter()
{
    thread_local Converter c("CP932", "UTF-8");
    return c;
}

bool isPlainAscii(std::string_view s) noexcept
{
    for (unsigned char c : s)
        if (c >= 0x80)
            return false;
    return true;
}

} // namespace

std::string toUtf8(std::string_view cp932)
{
    if (isPlainAscii(cp932))
        return std::string(cp932);
    return toUtf8Converter().run(cp932, [](std::string_view rest, std::string&) -> std::size_t {
        // Drop a dangling lead byte or an unmapped pair.
        if (rest.size() >= 2 && isLeadByte(static_cast<unsigned char>(rest[0])))
            return 2;
        return 1;
    });
}

std::string fromUtf8(std::string_view utf8)
{
    if (isPlainAscii(utf8))
        return std::string(utf8);
    return fromUtf8Converter().run(utf8, [](std::string_view rest, std::string& out) -> std::size_t {
        out.push_back('?');
        // Skip one whole UTF-8 sequence.
        auto c = static_cast<unsigned char>(rest[0]);
        std::size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        return n;
    });
}

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
