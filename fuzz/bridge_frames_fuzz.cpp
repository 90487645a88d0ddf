// The bridge's server loop over an arbitrary byte stream from its client: it must answer
// well-formed requests, stop at the first malformed frame or payload, never read past
// what it was given, and only ever write frames that read back whole.

#include "bridge/bridge_nv_link.h"
#include "fuzz_support.h"
#include "service/null_nv_link.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

using namespace tidemark;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::size_t at = 0;
    // Short reads of varying length, as a pipe delivers them.
    const bridge::ByteReader read = [&](char* out, std::size_t n) -> std::ptrdiff_t {
        if (at >= size)
            return 0;
        const std::size_t take = std::min({n, size - at, std::size_t{1} + (at % 97)});
        std::memcpy(out, data + at, take);
        at += take;
        return static_cast<std::ptrdiff_t>(take);
    };
    std::string written;
    const bridge::ByteWriter write = [&](const char* p, std::size_t n) {
        written.append(p, n);
        return true;
    };
    NullNvLink link;
    const int r = bridge::serveNvLink(link, read, write);
    if (r != 0 && r != 1)
        fuzz::broken("the server loop returned something other than 0 or 1");

    // Everything the server wrote is a sequence of whole answer frames.
    std::size_t pos = 0;
    const bridge::ByteReader back = [&](char* out, std::size_t n) -> std::ptrdiff_t {
        const std::size_t take = std::min(n, written.size() - pos);
        std::memcpy(out, written.data() + pos, take);
        pos += take;
        return static_cast<std::ptrdiff_t>(take);
    };
    for (;;) {
        bridge::Frame f;
        const bridge::FrameError e = bridge::readFrame(back, f);
        if (e == bridge::FrameError::EndOfStream)
            break;
        if (e != bridge::FrameError::None || (f.kind & bridge::kAnswerBit) == 0)
            fuzz::broken("the server wrote something that is not an answer frame");
    }
    return 0;
}
