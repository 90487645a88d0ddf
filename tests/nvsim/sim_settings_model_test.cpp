#include "nvsim/sim_settings_model.h"

#include <gtest/gtest.h>

#include "support/recording_host.h"
#include "support/temp_dir.h"
#include "text/cp932.h"

namespace tidemark::nvsim {
namespace {

using text::sj;

SimSettingsFields valid()
{
    SimConfig c;
    c.seed = 4242;
    c.firstDay = text::DateTime{2024, 1, 12};
    c.faults = {{"NVOpen", -301, 1, 1}};
    return fieldsOf(c);
}

TEST(SimSettingsModel, TheBoxesShowTheFileAndReadBackTheSame)
{
    const SimSettingsFields f = valid();
    EXPECT_EQ(f.seed, "4242");
    EXPECT_EQ(f.firstDay, "20240112");
    EXPECT_EQ(f.lastDay, ""); // the default window
    EXPECT_EQ(f.downloadSpeed, "8");
    EXPECT_EQ(f.steamRate, "10");
    EXPECT_EQ(f.steamStrength, "100");
    EXPECT_EQ(f.faults[0].call, "NVOpen");
    EXPECT_EQ(f.faults[0].code, "-301");
    EXPECT_EQ(f.faults[1].call, "");

    const SimSettingsCheck c = checkSimSettings(f);
    ASSERT_TRUE(c.ok) << text::toUtf8(c.message);
    EXPECT_EQ(c.config.seed, 4242u);
    ASSERT_TRUE(c.config.firstDay.has_value());
    EXPECT_EQ(c.config.firstDay->dayNumber(), (text::DateTime{2024, 1, 12}).dayNumber());
    EXPECT_FALSE(c.config.lastDay.has_value());
    ASSERT_EQ(c.config.faults.size(), 1u);
    EXPECT_EQ(c.config.faults[0].code, -301);
}

TEST(SimSettingsModel, ValuesAtTheirBoundsAreTakenAndBlanksAroundThemIgnored)
{
    SimSettingsFields f = valid();
    f.seed = " 4294967295 ";
    f.downloadSpeed = "0";
    f.steamRate = "100";
    f.steamStrength = "400";
    f.firstDay = "20240229";
    f.lastDay = "20240229"; // a one-day world
    f.faults[0] = {"", "", "", ""};
    f.faults[4] = {"NVRead", "-402", "5", "2"}; // rows with a blank call are left out
    const SimSettingsCheck c = checkSimSettings(f);
    ASSERT_TRUE(c.ok) << text::toUtf8(c.message);
    EXPECT_EQ(c.config.seed, 4294967295u);
    EXPECT_EQ(c.config.downloadSpeed, 0);
    EXPECT_EQ(c.config.steamRate, 100);
    EXPECT_EQ(c.config.steamStrength, 400);
    ASSERT_EQ(c.config.faults.size(), 1u);
    EXPECT_EQ(c.config.faults[0].call, "NVRead");
    EXPECT_EQ(c.config.faults[0].at, 5);
}

// Each value out of range or malformed is refused with a message naming it, and the box
// to correct.
TEST(SimSettingsModel, WrongValuesAreRefusedOneByOne)
{
    struct Case {
        void (*spoil)(SimSettingsFields&);
        SimSettingsField field;
        const char* message;
        int row;
    };
    const Case cases[] = {
        {[](SimSettingsFields& f) { f.seed = "-1"; }, SimSettingsField::Seed,
         "乱数の種は0～4294967295の整数で入力してください。", -1},
        {[](SimSettingsFields& f) { f.seed = "4294967296"; }, SimSettingsField::Seed,
         "乱数の種は0～4294967295の整数で入力してください。", -1},
        {[](SimSettingsFields& f) { f.seed = "12a"; }, SimSettingsField::Seed,
         "乱数の種は0～4294967295の整数で入力してください。", -1},
        {[](SimSettingsFields& f) { f.firstDay = "20230229"; }, SimSettingsField::FirstDay,
         "開始日は20240112のような8桁の日付で入力するか、空欄にしてください。", -1},
        {[](SimSettingsFields& f) { f.lastDay = "2024/1/12"; }, SimSettingsField::LastDay,
         "終了日は20240112のような8桁の日付で入力するか、空欄にしてください。", -1},
        {[](SimSettingsFields& f) { f.lastDay = "20240111"; }, SimSettingsField::LastDay,
         "終了日は開始日と同じ日かそれより後にしてください。", -1},
        {[](SimSettingsFields& f) { f.downloadSpeed = "100001"; }, SimSettingsField::DownloadSpeed,
         "ダウンロード速度は0～100000の整数で入力してください。", -1},
        {[](SimSettingsFields& f) { f.steamRate = "101"; }, SimSettingsField::SteamRate,
         "大口投票の割合は0～100の整数で入力してください。", -1},
        {[](SimSettingsFields& f) { f.steamStrength = ""; }, SimSettingsField::SteamStrength,
         "大口投票の強さは0～400の整数で入力してください。", -1},
        {[](SimSettingsFields& f) { f.faults[2] = {"NVFly", "-1", "1", "1"}; }, SimSettingsField::FaultCall,
         "障害3の呼び出しは一覧から選んでください。", 2},
        {[](SimSettingsFields& f) { f.faults[0].code = "0"; }, SimSettingsField::FaultCode,
         "障害1の結果コードは0以外の整数で入力してください。", 0},
        {[](SimSettingsFields& f) { f.faults[0].at = "0"; }, SimSettingsField::FaultAt,
         "障害1の何回目からは1以上の整数で入力してください。", 0},
        {[](SimSettingsFields& f) { f.faults[0].count = "x"; }, SimSettingsField::FaultCount,
         "障害1の回数は1以上の整数で入力してください。", 0},
    };
    for (const Case& k : cases) {
        SimSettingsFields f = valid();
        k.spoil(f);
        const SimSettingsCheck c = checkSimSettings(f);
        EXPECT_FALSE(c.ok) << k.message;
        EXPECT_EQ(c.message, sj(k.message));
        EXPECT_EQ(c.field, k.field) << k.message;
        EXPECT_EQ(c.faultRow, k.row) << k.message;
    }
}

TEST(SimSettingsModel, OkWritesTheFileOrSaysWhyNotAndPointsToTheBox)
{
    testing::TempDir dir;
    testing::RecordingHost host;
    SimSettingsFields f = valid();
    f.seed = "x";
    SimSettingsCheck c = saveSimSettings(f, dir / "NVSim.ini", host);
    EXPECT_FALSE(c.ok);
    EXPECT_EQ(c.field, SimSettingsField::Seed);
    EXPECT_EQ(host.boxTexts(), std::vector<std::string>{c.message});
    EXPECT_FALSE(std::filesystem::exists(dir / "NVSim.ini"));

    // A file that cannot be written: said, no box to correct.
    std::filesystem::create_directory(dir / "blocked.ini");
    c = saveSimSettings(valid(), dir / "blocked.ini", host);
    EXPECT_FALSE(c.ok);
    EXPECT_EQ(c.field, SimSettingsField::None);
    EXPECT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.beeps, 2);

    c = saveSimSettings(valid(), dir / "NVSim.ini", host);
    EXPECT_TRUE(c.ok);
    EXPECT_EQ(nvsim::loadSimConfig(dir / "NVSim.ini").seed, 4242u);
    EXPECT_EQ(host.boxes.size(), 2u);
}

TEST(SimSettingsModel, TheCallBoxOffersNoRuleAndEveryCallARuleMayName)
{
    const std::vector<std::string> calls = simFaultCallChoices();
    ASSERT_EQ(calls.size(), 9u);
    EXPECT_EQ(calls[0], "");
    EXPECT_EQ(calls[1], "NVInit");
    EXPECT_EQ(calls[8], "NVClose");
}

} // namespace
} // namespace tidemark::nvsim
