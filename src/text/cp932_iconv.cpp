// CP932 conversion through the C library's iconv (Linux and other POSIX systems).
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

} // namespace tidemark::text
