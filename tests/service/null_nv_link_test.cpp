#include "service/null_nv_link.h"

#include <gtest/gtest.h>

#include <string>

namespace tidemark {
namespace {

// A caller following the usual calling order meets "nothing there" at every step and
// is left with no stale outputs.
TEST(NullNvLink, EveryTransferEndsAtOnceWithNothing)
{
    NullNvLinkFactory factory;
    ASSERT_TRUE(factory.installed());
    std::unique_ptr<NvLink> link = factory.create();
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->NVInit("UNKNOWN"), 0);
    int readCount = 7, downloadCount = 7;
    std::string stamp = "20240101000000";
    EXPECT_EQ(link->NVOpen("RACE", "20240101000000", 1, readCount, downloadCount, stamp), -1);
    EXPECT_EQ(readCount, 0);
    EXPECT_EQ(downloadCount, 0);
    EXPECT_EQ(stamp, "");
    EXPECT_EQ(link->NVStatus(), downloadCount);
    std::string buffer = "left over", file = "old";
    EXPECT_EQ(link->NVGets(buffer, 110000, file), 0);
    EXPECT_TRUE(buffer.empty() && file.empty());
    EXPECT_EQ(link->NVClose(), 0);

    EXPECT_EQ(link->NVRTOpen("0B41", "2024011544010101"), -1);
    buffer = "x";
    EXPECT_EQ(link->NVRead(buffer, 60000, file), 0);
    EXPECT_TRUE(buffer.empty());

    EXPECT_FALSE(NotInstalledNvLinkFactory().installed());
    EXPECT_EQ(NotInstalledNvLinkFactory().create(), nullptr);
}

} // namespace
} // namespace tidemark
