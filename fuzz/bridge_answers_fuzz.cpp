// What the window reads from a bridge, piece by piece as the pipe delivers it: the frames
// taken without blocking must be exactly the frames a blocking read of the same bytes
// gives, a stream that reads as garbage must be refused, and nothing may be read past the
// bytes received.

#include "bridge/bridge_protocol.h"
#include "fuzz_support.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using namespace tidemark;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    // The blocking reader's view of the whole stream.
    std::vector<bridge::Frame> expected;
    std::size_t pos = 0;
    const bridge::ByteReader read = [&](char* out, std::size_t n) -> std::ptrdiff_t {
        const std::size_t take = std::min(n, bytes.size() - pos);
        std::memcpy(out, bytes.data() + pos, take);
        pos += take;
        return static_cast<std::ptrdiff_t>(take);
    };
    bridge::FrameError end = bridge::FrameError::None;
    for (;;) {
        bridge::Frame f;
        end = bridge::readFrame(read, f);
        if (end != bridge::FrameError::None)
            break;
        expected.push_back(std::move(f));
    }

    // The same bytes arriving in pieces of varying length.
    std::string inbox;
    std::vector<bridge::Frame> taken;
    bridge::FrameError refused = bridge::FrameError::None;
    for (std::size_t at = 0; at < size && refused == bridge::FrameError::None;) {
        const std::size_t piece = std::min(size - at, std::size_t{1} + (at * 7 + size) % 61);
        inbox.append(bytes, at, piece);
        at += piece;
        for (;;) {
            bridge::Frame f;
            bool got = false;
            refused = bridge::takeFrame(inbox, f, got);
            if (refused != bridge::FrameError::None || !got)
                break;
            taken.push_back(std::move(f));
        }
    }

    if (taken.size() > expected.size())
        fuzz::broken("more frames taken than the stream holds");
    for (std::size_t i = 0; i < taken.size(); ++i)
        if (taken[i].kind != expected[i].kind || taken[i].payload != expected[i].payload)
            fuzz::broken("a frame taken differs from the frame read");
    if (end == bridge::FrameError::EndOfStream) {
        // A clean stream: every frame taken, nothing left over, nothing refused.
        if (taken.size() != expected.size() || !inbox.empty() || refused != bridge::FrameError::None)
            fuzz::broken("a stream of whole frames was not taken whole");
    } else if (end == bridge::FrameError::WrongVersion || end == bridge::FrameError::Oversized) {
        if (taken.size() == expected.size() && refused != end)
            fuzz::broken("a header the blocking reader refuses was not refused");
    } else if (end != bridge::FrameError::Truncated && refused == bridge::FrameError::None &&
               taken.size() == expected.size()) {
        fuzz::broken("garbage the blocking reader refuses was waited on");
    }
    return 0;
}
