#pragma once
// The bridge's wire format: the nine service calls as frames over a byte stream.
//
// A frame is a 12-byte header and a payload:
//   "TMNV" | version (1 byte) | kind (1 byte) | 2 bytes zero | payload length (u32, little endian)
// Payload fields are little-endian 32-bit integers and byte strings (u32 length + bytes).
// Every frame and every field is length-checked; a frame larger than kMaxPayload is refused
// before anything is allocated for it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tidemark::bridge {

inline constexpr std::uint8_t kProtocolVersion = 1;
inline constexpr std::size_t kHeaderSize = 12;
// Far above any record the service delivers, low enough that garbage cannot make us
// allocate much.
inline constexpr std::uint32_t kMaxPayload = 4u * 1024u * 1024u;

// Requests carry the call; the answer to a request has the same kind with kAnswerBit set.
enum class Kind : std::uint8_t {
    Init = 1,
    SetUIProperties = 2,
    Open = 3,
    Status = 4,
    Gets = 5,
    Read = 6,
    RTOpen = 7,
    Close = 8,
    Cancel = 9,
};
inline constexpr std::uint8_t kAnswerBit = 0x80;

struct Frame {
    std::uint8_t kind = 0;
    std::string payload;
};

enum class FrameError {
    None,
    EndOfStream,   // the stream ended cleanly before a frame began
    Truncated,     // the stream ended inside a frame
    BadMagic,
    WrongVersion,
    Oversized,
    Io,
};

const char* describe(FrameError e);

// Reads up to n bytes into the buffer: > 0 bytes read, 0 end of stream, < 0 error.
using ByteReader = std::function<std::ptrdiff_t(char*, std::size_t)>;
// Writes all n bytes; false when the stream is gone.
using ByteWriter = std::function<bool(const char*, std::size_t)>;

std::string encodeFrame(std::uint8_t kind, std::string_view payload);
bool writeFrame(const ByteWriter& write, std::uint8_t kind, std::string_view payload);
FrameError readFrame(const ByteReader& read, Frame& frame);
// For a reader that must not block: takes the first frame off the front of the bytes
// received so far. None with `taken` false: the frame is not whole yet, nothing was taken.
// Any other result: these bytes can never make a frame.
FrameError takeFrame(std::string& inbox, Frame& frame, bool& taken);

// Builds a payload.
class PayloadWriter {
public:
    PayloadWriter& integer(std::int32_t v);
    PayloadWriter& bytes(std::string_view s);
    const std::string& data() const { return m_data; }

private:
    std::string m_data;
};

// Reads a payload; any read past its end, or bytes left over at finish(), marks it bad.
class PayloadReader {
public:
    explicit PayloadReader(std::string_view data) : m_data(data) {}
    // The reader keeps a view: a temporary payload would be gone before it is read.
    explicit PayloadReader(std::string&&) = delete;
    std::int32_t integer();
    std::string bytes();
    // True when every field was there and nothing is left over.
    bool finish() const { return m_ok && m_pos == m_data.size(); }

private:
    std::string_view m_data;
    std::size_t m_pos = 0;
    bool m_ok = true;
};

} // namespace tidemark::bridge
