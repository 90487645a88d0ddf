#include "bridge/bridge_nv_link.h"

namespace tidemark::bridge {

namespace {

// The answer to one request; nullopt when the request is malformed.
std::optional<std::string> answer(NvLink& link, Kind kind, std::string_view payload)
{
    PayloadReader in(payload);
    PayloadWriter out;
    switch (kind) {
    case Kind::Init: {
        const std::string id = in.bytes();
        if (!in.finish())
            return std::nullopt;
        out.integer(link.NVInit(id));
        break;
    }
    case Kind::SetUIProperties:
        if (!in.finish())
            return std::nullopt;
        out.integer(link.NVSetUIProperties());
        break;
    case Kind::Open: {
        const std::string spec = in.bytes();
        const std::string from = in.bytes();
        const int option = in.integer();
        int reads = in.integer();
        int downloads = in.integer();
        std::string stamp = in.bytes();
        if (!in.finish())
            return std::nullopt;
        const int r = link.NVOpen(spec, from, option, reads, downloads, stamp);
        out.integer(r).integer(reads).integer(downloads).bytes(stamp);
        break;
    }
    case Kind::Status:
        if (!in.finish())
            return std::nullopt;
        out.integer(link.NVStatus());
        break;
    case Kind::Gets:
    case Kind::Read: {
        const int size = in.integer();
        std::string buffer = in.bytes();
        std::string name = in.bytes();
        if (!in.finish())
            return std::nullopt;
        const int r = kind == Kind::Gets ? link.NVGets(buffer, size, name) : link.NVRead(buffer, size, name);
        out.integer(r).bytes(buffer).bytes(name);
        break;
    }
    case Kind::RTOpen: {
        const std::string spec = in.bytes();
        const std::string key = in.bytes();
        if (!in.finish())
            return std::nullopt;
        out.integer(link.NVRTOpen(spec, key));
        break;
    }
    case Kind::Close:
        if (!in.finish())
            return std::nullopt;
        out.integer(link.NVClose());
        break;
    case Kind::Cancel:
        if (!in.finish())
            return std::nullopt;
        link.NVCancel();
        break;
    default:
        return std::nullopt;
    }
    return out.data();
}

} // namespace

int serveNvLink(NvLink& link, const ByteReader& read, const ByteWriter& write)
{
    for (;;) {
        Frame frame;
        const FrameError e = readFrame(read, frame);
        if (e == FrameError::EndOfStream)
            return 0;
        if (e != FrameError::None)
            return 1;
        const auto kind = static_cast<Kind>(frame.kind);
        const std::optional<std::string> reply = answer(link, kind, frame.payload);
        // A request we cannot read means the two sides no longer agree: stop rather than guess.
        if (!reply)
            return 1;
        if (!writeFrame(write, static_cast<std::uint8_t>(frame.kind | kAnswerBit), *reply))
            return 1;
    }
}

} // namespace tidemark::bridge
