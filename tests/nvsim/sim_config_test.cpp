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

// The dialog rewrites its own keys and nothing else: the user's comments, keys the
// component does not know and other sections stay, line for line.
TEST(SimConfig, SavingKeepsOtherLinesAndChangesOnlyTheSettings)
{
    tidemark::testing::TempDir dir;
    const std::filesystem::path ini = dir / kSimIniName;
    text::writeFileAtomic(ini, "; my test world\r\n"
                               "[NVSim]\r\n"
                               "Seed=4\r\n"
                               "Colour=blue\r\n"
                               "SteamRate=10\r\n"
                               "\r\n"
                               "[Fault1]\r\nCall=NVOpen\r\nCode=-301\r\nAt=1\r\nCount=1\r\n"
                               "[Fault2]\r\nCall=NVRead\r\nCode=-402\r\nAt=5\r\nCount=2\r\n"
                               "[Notes]\r\nWho=me\r\n");
    SimConfig c = loadSimConfig(ini);
    ASSERT_EQ(c.faults.size(), 2u);
    c.seed = 77;
    c.steamRate = 30;
    c.lastDay = at(2024, 6, 30);
    c.faults = {{"NVStatus", -502, 2, 3}}; // the second rule taken away
    saveSimConfig(ini, c);

    const std::string bytes = text::readFile(ini);
    EXPECT_EQ(bytes.rfind("; my test world\r\n[NVSim]\r\nSeed=77\r\nColour=blue\r\nSteamRate=30\r\n", 0), 0u) << bytes;
    EXPECT_NE(bytes.find("[Notes]\r\nWho=me\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("[Fault1]\r\nCall=NVStatus\r\nCode=-502\r\nAt=2\r\nCount=3\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("[Fault2]\r\nCall=\r\nCode=-402\r\n"), std::string::npos); // switched off, kept
    EXPECT_NE(bytes.find("FirstDay=\r\n"), std::string::npos); // blank: the default window
    EXPECT_EQ(bytes.find("[Fault3]"), std::string::npos);      // no empty rules added

    const SimConfig back = loadSimConfig(ini);
    EXPECT_EQ(back.seed, 77u);
    EXPECT_EQ(back.steamRate, 30);
    EXPECT_EQ(back.steamStrength, 100);
    EXPECT_FALSE(back.firstDay.has_value());
    ASSERT_TRUE(back.lastDay.has_value());
    EXPECT_EQ(back.lastDay->dayNumber(), at(2024, 6, 30).dayNumber());
    ASSERT_EQ(back.faults.size(), 1u);
    EXPECT_EQ(back.faults[0].call, "NVStatus");
    EXPECT_EQ(back.faults[0].count, 3);

    // Saving what was read changes nothing more.
    saveSimConfig(ini, back);
    EXPECT_EQ(text::readFile(ini), bytes);
}

// A seed above the 32-bit signed range is stored as the settings file can hold it and
// reads back as the same world.
TEST(SimConfig, EverySeedReadsBackTheSame)
{
    tidemark::testing::TempDir dir;
    for (std::uint32_t seed : {0u, 2147483647u, 2147483648u, 4294967295u}) {
        SimConfig c;
        c.seed = seed;
        saveSimConfig(dir / kSimIniName, c);
        EXPECT_EQ(loadSimConfig(dir / kSimIniName).seed, seed);
    }
}

// A save that fails half-way leaves the old file whole: every key is written in one
// replacement, so there is no moment with some keys new and others old.
TEST(SimConfig, AFailedSaveLeavesTheFileAsItWas)
{
    tidemark::testing::TempDir dir;
    const std::filesystem::path ini = dir / kSimIniName;
    const std::string before = "[NVSim]\r\nSeed=4\r\nSteamRate=10\r\n[Fault1]\r\nCall=NVOpen\r\nCode=-1\r\n";
    text::writeFileAtomic(ini, before);
    int renames = 0;
    text::setDiskStepHookForTesting([&](text::DiskStep step, const std::filesystem::path&) {
        if (step != text::DiskStep::Rename)
            return 0;
        ++renames;
        return 28; // no space left on the device
    });
    SimConfig c;
    c.seed = 9;
    EXPECT_THROW(saveSimConfig(ini, c), text::FileError);
    text::setDiskStepHookForTesting({});
    EXPECT_EQ(renames, 1);
    EXPECT_EQ(text::readFile(ini), before);
}

} // namespace
} // namespace tidemark::nvsim
