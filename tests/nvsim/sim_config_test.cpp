#include "nvsim/sim_config.h"

#include <gtest/gtest.h>

#include "nvsim/sim_nv_link_factory.h"
#include "sim_test_support.h"
#include "support/temp_dir.h"
#include "text/file_io.h"

namespace tidemark::nvsim {
namespace {

using simtest::at;
using simtest::ManualClock;

TEST(SimConfig, MissingFileGivesTheDefaults)
{
    tidemark::testing::TempDir dir;
    const SimConfig c = loadSimConfig(dir / kSimIniName);
    EXPECT_EQ(c.seed, 20100201u);
    EXPECT_FALSE(c.firstDay.has_value());
    EXPECT_FALSE(c.lastDay.has_value());
    EXPECT_EQ(c.downloadSpeed, 8);
    EXPECT_EQ(c.steamRate, 10);
    EXPECT_EQ(c.steamStrength, 100);
    EXPECT_TRUE(c.faults.empty());
}

TEST(SimConfig, ReadsSeedWindowSpeedAndFaultPlan)
{
    tidemark::testing::TempDir dir;
    text::writeFileAtomic(dir / kSimIniName,
        "[NVSim]\r\nSeed=42\r\nFirstDay=20240301\r\nLastDay=20240331\r\nDownloadSpeed=3\r\n"
        "SteamRate=0\r\nSteamStrength=250\r\n"
        "[Fault1]\r\nCall=NVOpen\r\nCode=-301\r\nAt=2\r\n"
        "[Fault2]\r\nCall=NVRead\r\nCode=-502\r\nAt=101\r\nCount=5\r\n"
        "[Fault3]\r\nCall=NVStatus\r\nCode=0\r\n"          // no code: no fault
        "[Fault4]\r\nCall=NVClose\r\nCode=-1\r\nAt=0\r\n"); // no n-th call 0
    const SimConfig c = loadSimConfig(dir / kSimIniName);
    EXPECT_EQ(c.seed, 42u);
    ASSERT_TRUE(c.firstDay.has_value());
    EXPECT_EQ(text::formatDateTime("yyyymmdd", *c.firstDay), "20240301");
    ASSERT_TRUE(c.lastDay.has_value());
    EXPECT_EQ(text::formatDateTime("yyyymmdd", *c.lastDay), "20240331");
    EXPECT_EQ(c.downloadSpeed, 3);
    EXPECT_EQ(c.steamRate, 0);
    EXPECT_EQ(c.steamStrength, 250);
    ASSERT_EQ(c.faults.size(), 2u);
    EXPECT_EQ(c.faults[0].call, "NVOpen");
    EXPECT_EQ(c.faults[0].code, -301);
    EXPECT_EQ(c.faults[0].at, 2);
    EXPECT_EQ(c.faults[0].count, 1);
    EXPECT_EQ(c.faults[1].count, 5);
}

TEST(SimConfig, MalformedValuesKeepTheirDefaults)
{
    tidemark::testing::TempDir dir;
    text::writeFileAtomic(dir / kSimIniName,
        "[NVSim]\r\nSeed=abc\r\nFirstDay=20240231\r\nLastDay=tomorrow\r\nDownloadSpeed=-4\r\n"
        "SteamRate=150\r\nSteamStrength=-5\r\n");
    const SimConfig c = loadSimConfig(dir / kSimIniName);
    EXPECT_EQ(c.seed, 20100201u);
    EXPECT_FALSE(c.firstDay.has_value());
    EXPECT_FALSE(c.lastDay.has_value());
    EXPECT_EQ(c.downloadSpeed, 0);
    EXPECT_EQ(c.steamRate, 100); // a share of the races: at most all of them
    EXPECT_EQ(c.steamStrength, 0);
}

TEST(SimConfig, SavedSettingsReadBackTheSame)
{
    tidemark::testing::TempDir dir;
    SimConfig c;
    c.seed = 99;
    c.firstDay = at(2024, 2, 1);
    c.downloadSpeed = 0;
    c.steamRate = 25;
    c.steamStrength = 60;
    c.faults = {{"NVRTOpen", -504, 3, 2}};
    saveSimConfig(dir / kSimIniName, c);
    const SimConfig back = loadSimConfig(dir / kSimIniName);
    EXPECT_EQ(back.seed, 99u);
    ASSERT_TRUE(back.firstDay.has_value());
    EXPECT_EQ(back.firstDay->dayNumber(), at(2024, 2, 1).dayNumber());
    EXPECT_FALSE(back.lastDay.has_value());
    EXPECT_EQ(back.downloadSpeed, 0);
    EXPECT_EQ(back.steamRate, 25);
    EXPECT_EQ(back.steamStrength, 60);
    ASSERT_EQ(back.faults.size(), 1u);
    EXPECT_EQ(back.faults[0].call, "NVRTOpen");
    EXPECT_EQ(back.faults[0].code, -504);
    EXPECT_EQ(back.faults[0].at, 3);
    EXPECT_EQ(back.faults[0].count, 2);
}

TEST(SimNvLinkFactory, CreatesComponentsFromNVSimIni)
{
    tidemark::testing::TempDir dir;
    ManualClock clock{at(2024, 3, 20, 12, 0)};
    int dialogs = 0;
    SimNvLinkFactory factory(dir.path(), clock.fn(), [&](const std::filesystem::path& ini) {
        ++dialogs;
        SimConfig c = loadSimConfig(ini);
        c.seed = 5;
        c.steamRate = dialogs == 1 ? 0 : 30;
        saveSimConfig(ini, c);
        return 0;
    });
    EXPECT_TRUE(factory.installed());
    EXPECT_EQ(factory.iniPath(), dir / "NVSim.ini");

    text::writeFileAtomic(factory.iniPath(), "[NVSim]\r\nSeed=4\r\nFirstDay=20240301\r\nDownloadSpeed=0\r\n");
    auto link = factory.create();
    ASSERT_NE(link, nullptr);
    auto* sim = dynamic_cast<SimNvLink*>(link.get());
    ASSERT_NE(sim, nullptr);
    EXPECT_EQ(sim->world().seed(), 4u);
    EXPECT_EQ(sim->world().steam(), (SteamPlan{10, 100}));
    // Without a LastDay the world ends tomorrow.
    EXPECT_EQ(sim->world().lastDay().dayNumber(), at(2024, 3, 21).dayNumber());
    EXPECT_EQ(sim->world().firstDay().dayNumber(), at(2024, 3, 1).dayNumber());
    ASSERT_EQ(link->NVInit("UNKNOWN"), 0);
    int reads = 0;
    int downloads = -1;
    std::string stamp;
    ASSERT_EQ(link->NVOpen("RACE", "20240301000000", 1, reads, downloads, stamp), 0);
    EXPECT_EQ(downloads, 0); // speed 0: everything is at hand
    EXPECT_EQ(link->NVStatus(), 0);
    EXPECT_EQ(link->NVClose(), 0);

    // The settings dialog writes the file; the component takes the new seed and the
    // new steam plan at once.
    EXPECT_EQ(link->NVSetUIProperties(), 0);
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(sim->world().seed(), 5u);
    EXPECT_EQ(sim->world().steam().ratePercent, 0);
    // The steam plan alone makes a new world too.
    EXPECT_EQ(link->NVSetUIProperties(), 0);
    EXPECT_EQ(sim->world().seed(), 5u);
    EXPECT_EQ(sim->world().steam().ratePercent, 30);
}

TEST(SimNvLinkFactory, ACancelledDialogChangesNothing)
{
    tidemark::testing::TempDir dir;
    ManualClock clock{at(2024, 3, 20, 12, 0)};
    SimNvLinkFactory factory(dir.path(), clock.fn(), [](const std::filesystem::path& ini) {
        SimConfig c;
        c.seed = 77;
        saveSimConfig(ini, c);
        return -2;
    });
    auto link = factory.create();
    auto* sim = dynamic_cast<SimNvLink*>(link.get());
    ASSERT_NE(sim, nullptr);
    EXPECT_EQ(link->NVSetUIProperties(), -2);
    EXPECT_EQ(sim->world().seed(), 20100201u);
    // Without a dialog there is nothing to show and nothing fails.
    SimNvLinkFactory plain(dir.path(), clock.fn());
    EXPECT_EQ(plain.create()->NVSetUIProperties(), 0);
}

} // namespace
} // namespace tidemark::nvsim
