#include "service/null_nv_link.h"

#include <gtest/gtest.h>

#include <string>

namespace tidemark {
namespace {

TEST(NullNvLink, AStoredDataTransferEndsAtOnceWithNothing)
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
    EXPECT_TRUE(buffer.empty());
    EXPECT_TRUE(file.empty());
    EXPECT_EQ(link->NVClose(), 0);
}

TEST(NullNvLink, RealTimeHasNoDataForAnyKey)
{
    NullNvLink link;
    EXPECT_EQ(link.NVRTOpen("0B41", "2024011544010101"), -1);
    std::string record = "x", file = "y";
    EXPECT_EQ(link.NVRead(record, 60000, file), 0);
    EXPECT_TRUE(record.empty());
    link.NVCancel();
    EXPECT_EQ(link.NVSetUIProperties(), 0);
    EXPECT_EQ(link.NVClose(), 0);
}

TEST(NullNvLink, NotInstalledFactoryCreatesNothing)
{
    NotInstalledNvLinkFactory factory;
    EXPECT_FALSE(factory.installed());
    EXPECT_EQ(factory.create(), nullptr);
}

} // namespace
} // namespace tidemark
