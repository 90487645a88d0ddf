#include <gtest/gtest.h>

#include "bridge/bridge_nv_link.h"
#include "bridge/bridge_protocol.h"
#include "service/null_nv_link.h"

namespace tidemark::bridge {
namespace {

// A byte stream over a string, read in small pieces to exercise partial reads.
struct StringStream {
    std::string data;
    std::size_t pos = 0;
    std::size_t piece = 3;
    ByteReader reader()
    {
        return [this](char* p, std::size_t n) -> std::ptrdiff_t {
            const std::size_t k = std::min({n, piece, data.size() - pos});
            std::copy_n(data.data() + pos, k, p);
            pos += k;
            return static_cast<std::ptrdiff_t>(k);
        };
    }
};

TEST(BridgeProtocol, FramesAndPayloadsRoundTrip)
{
    const std::string binary("\x00\x82\xa0\r\n\xff", 6);
    StringStream s;
    s.data = encodeFrame(5, PayloadWriter().integer(-1101).bytes(binary).bytes("").integer(2147483647).data()) +
             encodeFrame(0x85, "");
    Frame f;
    ASSERT_EQ(readFrame(s.reader(), f), FrameError::None);
    EXPECT_EQ(f.kind, 5);
    PayloadReader in(f.payload);
    EXPECT_EQ(in.integer(), -1101);
    EXPECT_EQ(in.bytes(), binary);
    EXPECT_EQ(in.bytes(), "");
    EXPECT_EQ(in.integer(), 2147483647);
    EXPECT_TRUE(in.finish());
    ASSERT_EQ(readFrame(s.reader(), f), FrameError::None);
    EXPECT_EQ(f.kind, 0x85);
    EXPECT_EQ(f.payload, "");
    EXPECT_EQ(readFrame(s.reader(), f), FrameError::EndOfStream);
}

TEST(BridgeProtocol, BrokenFramesAreRefused)
{
    const std::string good = encodeFrame(3, "abcdef");
    struct Case {
        const char* what;
        std::string bytes;
        FrameError expected;
    };
    std::string wrongVersion = good;
    wrongVersion[4] = 2;
    std::string badMagic = good;
    badMagic[0] = 'X';
    std::string padding = good;
    padding[6] = 1;
    std::string oversized = good.substr(0, 8);
    oversized += std::string("\x01\x00\x40\x00", 4);  // 4 MiB + 1
    const std::vector<Case> cases{
        {"header cut", good.substr(0, 7), FrameError::Truncated},
        {"payload cut", good.substr(0, good.size() - 1), FrameError::Truncated},
        {"wrong version", wrongVersion, FrameError::WrongVersion},
        {"garbage", "HTTP/1.1 200 OK\r\n", FrameError::BadMagic},
        {"bad magic", badMagic, FrameError::BadMagic},
        {"padding not zero", padding, FrameError::BadMagic},
        {"oversized", oversized, FrameError::Oversized},
    };
    for (const Case& c : cases) {
        StringStream s;
        s.data = c.bytes;
        Frame f;
        EXPECT_EQ(readFrame(s.reader(), f), c.expected) << c.what;
    }
    // The largest frame allowed still passes.
    StringStream big;
    big.piece = 1 << 20;
    big.data = encodeFrame(1, std::string(kMaxPayload, 'x'));
    Frame f;
    EXPECT_EQ(readFrame(big.reader(), f), FrameError::None);
    EXPECT_EQ(f.payload.size(), kMaxPayload);
    EXPECT_FALSE(writeFrame([](const char*, std::size_t) { return true; }, 1, std::string(kMaxPayload + 1, 'x')));
}

TEST(BridgeProtocol, PayloadsReadPastTheirEndOrWithLeftoversAreBad)
{
    PayloadReader shortInt(std::string_view("\x01\x02", 2));
    shortInt.integer();
    EXPECT_FALSE(shortInt.finish());

    // A length that claims more bytes than there are.
    const std::string claimsTooMuch = PayloadWriter().integer(100).data() + "abc";
    PayloadReader longString(claimsTooMuch);
    EXPECT_EQ(longString.bytes(), "");
    EXPECT_FALSE(longString.finish());

    // A length near 4 GiB must not wrap the bounds check.
    const std::string claimsNear4GiB = PayloadWriter().integer(-1).data() + "abc";
    PayloadReader huge(claimsNear4GiB);
    EXPECT_EQ(huge.bytes(), "");
    EXPECT_FALSE(huge.finish());

    const std::string twoIntegers = PayloadWriter().integer(1).integer(2).data();
    PayloadReader leftover(twoIntegers);
    EXPECT_EQ(leftover.integer(), 1);
    EXPECT_FALSE(leftover.finish());
}

// The server answers each request and stops at garbage rather than guessing.
TEST(BridgeServer, AnswersRequestsAndStopsAtGarbage)
{
    NullNvLink link;
    StringStream in;
    in.data = encodeFrame(static_cast<std::uint8_t>(Kind::Init), PayloadWriter().bytes("ID").data()) +
              encodeFrame(static_cast<std::uint8_t>(Kind::Status), "");
    std::string out;
    const ByteWriter write = [&out](const char* p, std::size_t n) {
        out.append(p, n);
        return true;
    };
    EXPECT_EQ(serveNvLink(link, in.reader(), write), 0);
    StringStream answers;
    answers.data = out;
    Frame f;
    ASSERT_EQ(readFrame(answers.reader(), f), FrameError::None);
    EXPECT_EQ(f.kind, static_cast<std::uint8_t>(Kind::Init) | kAnswerBit);
    ASSERT_EQ(readFrame(answers.reader(), f), FrameError::None);
    EXPECT_EQ(f.kind, static_cast<std::uint8_t>(Kind::Status) | kAnswerBit);
    EXPECT_EQ(readFrame(answers.reader(), f), FrameError::EndOfStream);

    for (const std::string& bad : {encodeFrame(42, ""), encodeFrame(static_cast<std::uint8_t>(Kind::Init), "\x01"),
                                   encodeFrame(static_cast<std::uint8_t>(Kind::Status), "x"), std::string("junk")}) {
        StringStream garbage;
        garbage.data = bad;
        out.clear();
        EXPECT_EQ(serveNvLink(link, garbage.reader(), write), 1);
        EXPECT_EQ(out, "");
    }
}

} // namespace
} // namespace tidemark::bridge
