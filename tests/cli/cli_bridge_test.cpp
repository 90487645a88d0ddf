// The tool on each data service: through the bridge the store comes out byte for byte as
// with the simulated service in process, a bridge that dies leaves the store whole, and
// every run says which service answered.

#include <map>

#include "cli_fixture.h"
#include "service/error_log.h"
#include "text/cp932.h"

namespace tidemark::testing {
namespace {

using cli::ExitCode;

std::map<std::string, std::string> storeFiles(const std::filesystem::path& home)
{
    std::map<std::string, std::string> files;
    const auto data = store::StoreLayout(home).dataFolder();
    for (const auto& e : std::filesystem::recursive_directory_iterator(data))
        if (e.is_regular_file())
            files[std::filesystem::relative(e.path(), data).generic_string()] = text::readFile(e.path());
    return files;
}

std::string bridgeCommand(const std::filesystem::path& home)
{
    return std::string(TIDEMARK_BRIDGE_EXE) + " --home " + home.string() + " --now 20240115120000";
}

void useBridge(const std::filesystem::path& home, const std::string& command)
{
    std::ofstream ini(home / "Tidemark2NV.ini", std::ios::binary);
    ini << "[DataService]\r\nUse=bridge\r\nBridge=" << command << "\r\n";
}

TEST(CliBridge, ImportOddsAndResultsThroughTheBridgeGiveTheSameStore)
{
    TempDir direct;
    TempDir bridged;
    writeSimWorld(direct.path());
    writeSimWorld(bridged.path());
    useBridge(bridged.path(), bridgeCommand(bridged.path()));
    const std::vector<std::vector<std::string>> steps{
        {"import", "--since", "2024/01/01 00:00:00"}, {"odds", "20240112"}, {"results", "20240112"}};
    for (const auto& step : steps) {
        std::vector<std::string> sim = step;
        sim.insert(sim.begin(), {"--service", "sim"});
        const CliRun a = runCli(direct.path(), sim);
        const CliRun b = runCli(bridged.path(), step);
        ASSERT_EQ(a.code, ExitCode::Ok) << a.err;
        ASSERT_EQ(b.code, ExitCode::Ok) << b.err;
        EXPECT_NE(a.err.find("data service: simulated (sim)"), std::string::npos) << a.err;
        EXPECT_NE(b.err.find("data service: the provider's component through the bridge (bridge)"), std::string::npos)
            << b.err;
        EXPECT_EQ(a.out, b.out);
    }
    const auto expected = storeFiles(direct.path());
    EXPECT_GT(expected.size(), 3u);
    EXPECT_EQ(storeFiles(bridged.path()), expected);
    expectWholeOddsFiles(bridged.path(), "20240112");
}

TEST(CliBridge, ABridgeThatDiesMidTransferLeavesTheStoreWholeAndTheNextRunWorks)
{
    TempDir home;
    writeSimWorld(home.path());
    ASSERT_EQ(runCli(home.path(), {"--service", "sim", "import", "--since", "2024/01/01 00:00:00"}).code, ExitCode::Ok);
    const auto before = storeFiles(home.path());
    // A bridge that crashes at its 30th record: in the middle of the day's odds, and
    // again in every new bridge the next races start.
    const std::string dying = bridgeCommand(home.path()) + " --die-at-read 30";
    useBridge(home.path(), dying);
    // The window's start-up opens the error log; the line of the fault goes there.
    ErrorLog(home.path()).startUp(text::DateTime{2024, 1, 15, 12, 0, 0}, "home");
    const CliRun broken = runCli(home.path(), {"odds", "20240112"});
    EXPECT_NE(broken.code, ExitCode::Internal) << broken.err;
    const std::string log = text::readFile(home.path() / "ErrorLog.txt");
    EXPECT_NE(log.find(text::sj("ブリッジ（")), std::string::npos) << text::toUtf8(log);
    EXPECT_NE(log.find("(-110"), std::string::npos) << text::toUtf8(log);
    // What was written before stays, every odds file that exists is whole.
    const auto after = storeFiles(home.path());
    for (const auto& [name, bytes] : before) {
        ASSERT_TRUE(after.contains(name)) << name;
        EXPECT_EQ(after.at(name), bytes) << name;
    }
    if (std::filesystem::exists(store::StoreLayout(home.path()).oddsFolder("20240112")))
        expectWholeOddsFiles(home.path(), "20240112");

    useBridge(home.path(), bridgeCommand(home.path()));
    const CliRun again = runCli(home.path(), {"odds", "20240112"});
    EXPECT_EQ(again.code, ExitCode::Ok) << again.err;
    expectWholeOddsFiles(home.path(), "20240112");
}

TEST(CliBridge, TheServiceOptionAndTheStartCheck)
{
    TempDir home;
    writeSimWorld(home.path());
    // The bridge named but not there: the start check's message, and no store touched.
    useBridge(home.path(), (home.path() / "no-such-bridge").string());
    const CliRun missing = runCli(home.path(), {"import"});
    EXPECT_EQ(missing.code, ExitCode::Service);
    EXPECT_NE(missing.err.find("【UmaConn】を入手し"), std::string::npos) << missing.err;
    EXPECT_NE(missing.err.find("(bridge)"), std::string::npos) << missing.err;
    // No component in process in this build: com fails the same way.
    const CliRun com = runCli(home.path(), {"--service", "com", "import"});
    EXPECT_EQ(com.code, ExitCode::Service);
    EXPECT_NE(com.err.find("【UmaConn】を入手し"), std::string::npos) << com.err;
    // Automatic falls back to the simulated service and says so.
    std::ofstream(home.path() / "Tidemark2NV.ini", std::ios::binary) << "[DataService]\r\nUse=automatic\r\n";
    const CliRun automatic = runCli(home.path(), {"import", "--since", "2024/01/01 00:00:00"});
    EXPECT_EQ(automatic.code, ExitCode::Ok) << automatic.err;
    EXPECT_NE(automatic.err.find("data service: simulated (sim)"), std::string::npos) << automatic.err;

    const CliRun bad = runCli(home.path(), {"--service", "real", "days"});
    EXPECT_EQ(bad.code, ExitCode::Usage);
    EXPECT_NE(bad.err.find("--service real"), std::string::npos);
}

} // namespace
} // namespace tidemark::testing
