#include <gtest/gtest.h>

#include <fstream>

#include "dataservice/service_choice.h"
#include "presentation/main_window_model.h"
#include "service/error_log.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"
#include "text/cp932.h"
#include "text/file_io.h"

namespace tidemark::dataservice {
namespace {

IniFile writeIni(const std::filesystem::path& folder, const std::string& body)
{
    std::ofstream(folder / "Tidemark2NV.ini", std::ios::binary) << body;
    return IniFile(folder / "Tidemark2NV.ini");
}

TEST(ServiceChoice, TheSettingIsReadWithAutomaticAsDefault)
{
    testing::TempDir dir;
    const ServiceSetting none = readServiceSetting(writeIni(dir.path(), ""));
    EXPECT_EQ(none.use, ServiceKind::Automatic);
    EXPECT_EQ(none.bridgeCommand, "");

    const ServiceSetting bridge =
        readServiceSetting(writeIni(dir.path(), "[DataService]\r\nUse=Bridge\r\nBridge=wine bridge.exe --x\r\n"));
    EXPECT_EQ(bridge.use, ServiceKind::Bridge);
    EXPECT_EQ(bridge.bridgeCommand, "wine bridge.exe --x");

    const ServiceSetting odd = readServiceSetting(writeIni(dir.path(), "[DataService]\r\nUse=real\r\n"));
    EXPECT_EQ(odd.use, ServiceKind::Automatic);
    EXPECT_EQ(odd.unknownUse, "real");

    for (ServiceKind k : {ServiceKind::Automatic, ServiceKind::Com, ServiceKind::Bridge, ServiceKind::Sim})
        EXPECT_EQ(parseServiceKind(serviceWord(k)), k);
    EXPECT_EQ(parseServiceKind("simulated"), std::nullopt);
}

TEST(ServiceChoice, EachChoiceAndTheStartCheck)
{
    testing::TempDir dir;
    const ServiceEnvironment env{dir.path(), dir.path(), [] { return text::DateTime{2024, 1, 15, 12, 0, 0}; }};
    testing::RecordingHost host;

    // The simulated service is always there.
    ChosenService sim = chooseService({ServiceKind::Sim, "", ""}, env);
    EXPECT_EQ(sim.kind, ServiceKind::Sim);
    EXPECT_TRUE(checkServiceInstalled(*sim.factory, host));

    // The real component named but not creatable here: "install UmaConn" and end.
    for (ServiceKind k : {ServiceKind::Com, ServiceKind::Bridge}) {
        ChosenService real = chooseService({k, (dir.path() / "no-such-bridge").string(), ""}, env);
        EXPECT_EQ(real.kind, k);
        EXPECT_FALSE(checkServiceInstalled(*real.factory, host)) << serviceWord(k);
    }
    ASSERT_EQ(host.boxTexts().size(), 2u);
    EXPECT_NE(host.boxTexts()[0].find(text::sj("【UmaConn】")), std::string::npos);

    // Automatic: no component in process, a bridge that does not start -> the simulation.
    ChosenService automatic = chooseService({ServiceKind::Automatic, (dir.path() / "no-such-bridge").string(), ""}, env);
    EXPECT_EQ(automatic.kind, ServiceKind::Sim);
    ChosenService bare = chooseService({}, env);
    EXPECT_EQ(bare.kind, ServiceKind::Sim);

    // A bridge fault reaches the error log.
    ChosenService broken = chooseService({ServiceKind::Bridge, (dir.path() / "no-such-bridge").string(), ""}, env);
    ErrorLog(dir.path()).startUp(text::DateTime{2024, 1, 15, 12, 0, 0}, "x");
    std::unique_ptr<NvLink> link = broken.factory->create();
    EXPECT_EQ(link->NVInit("ID"), -1101);
    const std::string log = text::readFile(dir.path() / "ErrorLog.txt");
    EXPECT_NE(log.find(text::sj("ブリッジを起動できません")), std::string::npos) << text::toUtf8(log);
}

TEST(ServiceChoice, TheBridgeBesideTheProgramIsTheDefaultCommand)
{
    testing::TempDir dir;
    EXPECT_EQ(defaultBridgeCommand(dir.path()), "");
    std::ofstream(dir.path() / "tidemark2nv-link", std::ios::binary) << "x";
    std::ofstream(dir.path() / "tidemark2nv-link.exe", std::ios::binary) << "x";
    const std::string command = defaultBridgeCommand(dir.path());
    EXPECT_TRUE(command.starts_with("\"")) << command;
    EXPECT_NE(command.find("tidemark2nv-link"), std::string::npos);
}

} // namespace
} // namespace tidemark::dataservice
