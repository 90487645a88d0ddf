#include "bridge/bridge_protocol.h"

#include <algorithm>
#include <array>

namespace tidemark::bridge {

namespace {

constexpr std::array<char, 4> kMagic{'T', 'M', 'N', 'V'};

void putU32(std::string& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFFu));
}

std::uint32_t getU32(const char* p)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(p[i]);
    return v;
}

// Reads exactly n bytes: None, EndOfStream (nothing read and atStart), Truncated or Io.
FrameError readExactly(const ByteReader& read, char* buffer, std::size_t n, bool atStart)
{
    std::size_t got = 0;
    while (got < n) {
        const std::ptrdiff_t r = read(buffer + got, n - got);
        if (r < 0)
            return FrameError::Io;
        if (r == 0)
            return got == 0 && atStart ? FrameError::EndOfStream : FrameError::Truncated;
        got += static_cast<std::size_t>(r);
    }
    return FrameError::None;
}

} // namespace

const char* describe(FrameError e)
{
    switch (e) {
    case FrameError::None: return "no error";
    case FrameError::EndOfStream: return "the stream ended";
    case FrameError::Truncated: return "the stream ended inside a frame";
    case FrameError::BadMagic: return "not a bridge frame";
    case FrameError::WrongVersion: return "a different protocol version";
    case FrameError::Oversized: return "a frame larger than allowed";
    case FrameError::Io: return "the stream could not be read";
    }
    return "unknown";
}

std::string encodeFrame(std::uint8_t kind, std::string_view payload)
{
    std::string out(kMagic.begin(), kMagic.end());
    out.push_back(static_cast<char>(kProtocolVersion));
    out.push_back(static_cast<char>(kind));
    out.push_back('\0');
    out.push_back('\0');
    putU32(out, static_cast<std::uint32_t>(payload.size()));
    out.append(payload);
    return out;
}

bool writeFrame(const ByteWriter& write, std::uint8_t kind, std::string_view payload)
{
    if (payload.size() > kMaxPayload)
        return false;
    const std::string frame = encodeFrame(kind, payload);
    return write(frame.data(), frame.size());
}

namespace {

// The checks of a whole header; `length` is the payload's length when it passes.
FrameError checkHeader(const char* header, std::uint32_t& length)
{
    if (!std::equal(kMagic.begin(), kMagic.end(), header))
        return FrameError::BadMagic;
    if (static_cast<std::uint8_t>(header[4]) != kProtocolVersion)
        return FrameError::WrongVersion;
    if (header[6] != '\0' || header[7] != '\0')
        return FrameError::BadMagic;
    length = getU32(header + 8);
    return length > kMaxPayload ? FrameError::Oversized : FrameError::None;
}

} // namespace

FrameError readFrame(const ByteReader& read, Frame& frame)
{
    std::array<char, kHeaderSize> header{};
    if (const FrameError e = readExactly(read, header.data(), header.size(), true); e != FrameError::None)
        return e;
    std::uint32_t length = 0;
    if (const FrameError e = checkHeader(header.data(), length); e != FrameError::None)
        return e;
    frame.kind = static_cast<std::uint8_t>(header[5]);
    frame.payload.assign(length, '\0');
    if (length == 0)
        return FrameError::None;
    const FrameError e = readExactly(read, frame.payload.data(), length, false);
    return e == FrameError::EndOfStream ? FrameError::Truncated : e;
}

FrameError takeFrame(std::string& inbox, Frame& frame, bool& taken)
{
    taken = false;
    // Bytes that cannot begin a frame are refused at once, not after a wait for more.
    const std::size_t magic = std::min(inbox.size(), kMagic.size());
    if (!std::equal(kMagic.begin(), kMagic.begin() + static_cast<std::ptrdiff_t>(magic), inbox.begin()))
        return FrameError::BadMagic;
    if (inbox.size() < kHeaderSize)
        return FrameError::None;
    std::uint32_t length = 0;
    if (const FrameError e = checkHeader(inbox.data(), length); e != FrameError::None)
        return e;
    if (inbox.size() - kHeaderSize < length)
        return FrameError::None;
    frame.kind = static_cast<std::uint8_t>(inbox[5]);
    frame.payload.assign(inbox, kHeaderSize, length);
    inbox.erase(0, kHeaderSize + length);
    taken = true;
    return FrameError::None;
}

PayloadWriter& PayloadWriter::integer(std::int32_t v)
{
    putU32(m_data, static_cast<std::uint32_t>(v));
    return *this;
}

PayloadWriter& PayloadWriter::bytes(std::string_view s)
{
    putU32(m_data, static_cast<std::uint32_t>(s.size()));
    m_data.append(s);
    return *this;
}

std::int32_t PayloadReader::integer()
{
    if (!m_ok || m_data.size() - m_pos < 4) {
        m_ok = false;
        return 0;
    }
    const std::uint32_t v = getU32(m_data.data() + m_pos);
    m_pos += 4;
    return static_cast<std::int32_t>(v);
}

std::string PayloadReader::bytes()
{
    const std::int32_t signedLength = integer();
    const auto length = static_cast<std::uint32_t>(signedLength);
    if (!m_ok || m_data.size() - m_pos < length) {
        m_ok = false;
        return {};
    }
    std::string s(m_data.substr(m_pos, length));
    m_pos += length;
    return s;
}

} // namespace tidemark::bridge
