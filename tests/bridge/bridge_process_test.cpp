// BridgeNvLink against real bridge processes: tidemark2nv-link serving the simulated
// service, and stand-ins that die, hang, hold a dialog open or talk nonsense.

#include <chrono>
#include <fstream>
#include <limits>

#include <gtest/gtest.h>

#include "bridge/bridge_nv_link.h"
#include "nvsim/sim_nv_link_factory.h"
#include "support/temp_dir.h"
#include "text/cp932.h"

namespace tidemark::bridge {
namespace {

const text::DateTime kNow{2024, 1, 15, 12, 0, 0};

class BridgeProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::ofstream ini(m_home.path() / "NVSim.ini", std::ios::binary);
        ini << "[NVSim]\r\nSeed=4242\r\nFirstDay=20240112\r\nLastDay=20240112\r\nDownloadSpeed=3\r\n";
    }
    std::string bridgeCommand() const
    {
        return std::string(TIDEMARK_BRIDGE_EXE) + " --home " + m_home.path().string() + " --now 20240115120000";
    }
    std::unique_ptr<NvLink> simulated() const
    {
        return nvsim::SimNvLinkFactory(m_home.path(), [] { return kNow; }).create();
    }
    BridgeNvLink bridged() { return BridgeNvLink(bridgeCommand(), [this](const std::string& l) { m_faults.push_back(l); }); }
    FaultReport faults()
    {
        return [this](const std::string& l) { m_faults.push_back(l); };
    }
    // Opens the stored-data transfer and reads until the first call that fails; `served`
    // counts the turns the window was given during the last call.
    static int readUntilFailure(NvLink& link, std::string& buffer, int& served)
    {
        int reads = 0;
        int downloads = 0;
        std::string stamp;
        std::string name;
        // Turns given while the bridge starts (seconds under Wine) are not counted.
        served = std::numeric_limits<int>::min() / 2;
        if (link.NVInit("ID") != 0 || link.NVOpen("RACE", "20240101000000", 1, reads, downloads, stamp) != 0)
            return 1;
        for (;;) {
            std::string before = buffer;
            served = 0;
            const int r = link.NVGets(buffer, 110000, name);
            if (r < -3) {
                EXPECT_EQ(buffer, before); // a failed call leaves the caller's buffer alone
                return r;
            }
            if (r == 0)
                return 0;
        }
    }

    testing::TempDir m_home;
    std::vector<std::string> m_faults;
};

// Every answer of a stored-data transfer, the in-process component's and the bridge's
// side by side.
struct Transcript {
    std::vector<std::string> steps;
    void add(const std::string& what, int r, const std::string& a = {}, const std::string& b = {})
    {
        steps.push_back(what + " " + std::to_string(r) + " [" + a + "] [" + b + "]");
    }
};

Transcript runTransfer(NvLink& link, const char* spec, int size)
{
    Transcript t;
    t.add("init", link.NVInit("SA418372/SD605291/TidemarkNV/Ver.1.15"));
    int reads = -7;
    int downloads = -7;
    std::string stamp = "unchanged";
    t.add("open", link.NVOpen(spec, "20240101000000", 1, reads, downloads, stamp),
          std::to_string(reads) + "/" + std::to_string(downloads), stamp);
    for (int i = 0; i < 100; ++i) {
        const int s = link.NVStatus();
        t.add("status", s);
        if (s < 0 || s >= downloads)
            break;
    }
    std::string buffer = "caller's";
    std::string name = "caller's";
    for (int i = 0; i < 100000; ++i) {
        const int r = link.NVGets(buffer, size, name);
        t.add("gets", r, buffer, name);
        if (r == 0 || r < -3)
            break;
    }
    t.add("close", link.NVClose());
    t.add("close again", link.NVClose());
    t.add("rtopen bad", link.NVRTOpen("0B99", "x"));
    std::string rec;
    t.add("read unopened", link.NVRead(rec, 100, name), rec, name);
    link.NVCancel();
    t.add("settings", link.NVSetUIProperties());
    return t;
}

TEST_F(BridgeProcessTest, AnswersAsTheComponentInProcessDoes)
{
    const std::unique_ptr<NvLink> sim = simulated();
    BridgeNvLink bridge = bridged();
    const Transcript expected = runTransfer(*sim, "RACE", 110000);
    const Transcript got = runTransfer(bridge, "RACE", 110000);
    ASSERT_GT(expected.steps.size(), 20u);
    EXPECT_EQ(got.steps, expected.steps);
    // A buffer too small for a record: the component's own refusal comes through.
    EXPECT_EQ(runTransfer(bridge, "RACE", 40).steps, runTransfer(*sim, "RACE", 40).steps);
    EXPECT_TRUE(m_faults.empty());
}

TEST_F(BridgeProcessTest, ABridgeKilledMidReadFailsTheCallAndTheNextTransferStartsANewOne)
{
    BridgeNvLink bridge = bridged();
    ASSERT_EQ(bridge.NVInit("ID"), 0);
    int reads = 0;
    int downloads = 0;
    std::string stamp;
    ASSERT_EQ(bridge.NVOpen("RACE", "20240101000000", 1, reads, downloads, stamp), 0);
    std::string buffer;
    std::string name;
    int r = 0;
    for (int i = 0; i < 5; ++i)
        r = bridge.NVGets(buffer, 110000, name);
    ASSERT_NE(r, 0);
    const std::string before = buffer;
    ASSERT_NE(bridge.process(), nullptr);
    bridge.process()->kill();
    EXPECT_EQ(bridge.NVGets(buffer, 110000, name), kBridgeEnded);
    EXPECT_EQ(buffer, before);  // the caller's buffer is left alone
    ASSERT_EQ(m_faults.size(), 1u);
    EXPECT_NE(m_faults[0].find("NVGets"), std::string::npos);
    // Whether the request or its answer meets the dead bridge first, it reads as ended.
    EXPECT_NE(m_faults[0].find(text::sj("ブリッジが")), std::string::npos) << text::toUtf8(m_faults[0]);
    EXPECT_NE(m_faults[0].find("(-1102)"), std::string::npos);

    // The next transfer: a new bridge, initialised with the caller's service id.
    EXPECT_EQ(bridge.NVOpen("RACE", "20240101000000", 1, reads, downloads, stamp), 0);
    EXPECT_GT(bridge.NVGets(buffer, 110000, name), -4);
    EXPECT_EQ(bridge.NVClose(), 0);
    EXPECT_EQ(m_faults.size(), 1u);
}

TEST_F(BridgeProcessTest, ABridgeThatStopsAnsweringMidTransferIsEndedAtItsDeadline)
{
    // With the window's events served while it waits, and without (the tool).
    for (const bool window : {true, false}) {
        m_faults.clear();
        int served = 0;
        BridgeWait wait;
        if (window)
            wait.serveEvents = [&] { ++served; };
        wait.deadlines = BridgeDeadlines::all(std::chrono::milliseconds(2000));
        BridgeNvLink bridge(bridgeCommand() + " --hang-at-read 5", faults(), wait);
        std::string buffer = "caller's";
        EXPECT_EQ(readUntilFailure(bridge, buffer, served), kBridgeTimedOut);
        if (window) {
            EXPECT_GT(served, 5) << "the window was not served while the bridge kept silent";
        }
        ASSERT_EQ(m_faults.size(), 1u);
        EXPECT_EQ(m_faults[0], text::sj("ブリッジ（NVGets）：2秒以内に応答がないため、ブリッジを終了しました。(-1106)"));
        EXPECT_EQ(bridge.process(), nullptr);
        // The caller goes on: the close finds nothing open, the next transfer a new bridge.
        EXPECT_EQ(bridge.NVClose(), 0);
        int reads = 0;
        int downloads = 0;
        std::string stamp;
        EXPECT_EQ(bridge.NVOpen("RACE", "20240101000000", 1, reads, downloads, stamp), 0);
        EXPECT_EQ(m_faults.size(), 1u);
    }
}

TEST_F(BridgeProcessTest, TheSettingsDialogMayStayOpenPastEveryDeadlineAndCallsMadeMeanwhileWaitTheirTurn)
{
    const std::unique_ptr<NvLink> sim = simulated();
    ASSERT_EQ(sim->NVInit("ID"), 0);
    const int statusAnswer = sim->NVStatus();

    BridgeNvLink* self = nullptr;
    int served = 0;
    int status = 12345;
    BridgeWait wait;
    wait.deadlines = BridgeDeadlines::all(std::chrono::milliseconds(400));
    // A click served while the dialog is open asks the service again.
    wait.serveEvents = [&] {
        if (++served == 3)
            status = self->NVStatus();
    };
    BridgeNvLink bridge(bridgeCommand() + " --dialog-ms 1500", faults(), wait);
    self = &bridge;
    ASSERT_EQ(bridge.NVInit("ID"), 0);
    EXPECT_EQ(bridge.NVSetUIProperties(), 0);
    EXPECT_GT(served, 3);
    EXPECT_EQ(status, statusAnswer); // its own answer, after the dialog's
    EXPECT_TRUE(m_faults.empty()) << text::toUtf8(m_faults.front());
    EXPECT_NE(bridge.process(), nullptr);
    EXPECT_EQ(bridge.NVStatus(), statusAnswer);
}

TEST_F(BridgeProcessTest, ACancelWhileACallHangsGivesItAMomentThenEndsTheBridge)
{
    // The import's cancel (NVCancel, then the close) and the real-time reads' (stopWaiting),
    // both clicked while the read waits; no deadline would end the wait in this test's time.
    for (const bool importCancel : {true, false}) {
        m_faults.clear();
        BridgeNvLink* self = nullptr;
        int served = 0;
        int closed = 1;
        BridgeWait wait;
        wait.stopGrace = std::chrono::milliseconds(300);
        // Clicked once the read has waited a while (twenty turns): the hung one.
        wait.serveEvents = [&] {
            if (++served != 20)
                return;
            if (importCancel) {
                self->NVCancel();
                closed = self->NVClose();
            } else {
                self->stopWaiting();
            }
        };
        BridgeNvLink bridge(bridgeCommand() + " --hang-at-read 3", faults(), wait);
        self = &bridge;
        std::string buffer;
        EXPECT_EQ(readUntilFailure(bridge, buffer, served), kBridgeStopped);
        if (importCancel) {
            EXPECT_EQ(closed, 0); // nothing is open in the ended bridge
        }
        ASSERT_EQ(m_faults.size(), 1u);
        EXPECT_EQ(m_faults[0], text::sj("ブリッジ（NVGets）：中止の後も応答がないため、ブリッジを終了しました。(-1107)"));
        EXPECT_EQ(bridge.process(), nullptr);
    }
}

TEST_F(BridgeProcessTest, AComFailureInsideTheBridgeComesBackAsItsResultWithALogLine)
{
    // The served component answers as the COM adapter does when a call fails with an
    // HRESULT (-1003): the result passes, the bridge stays, the error log gets a line.
    {
        std::ofstream ini(m_home.path() / "NVSim.ini", std::ios::binary | std::ios::app);
        ini << "[Fault1]\r\nCall=NVRTOpen\r\nCode=-1003\r\n[Fault2]\r\nCall=NVStatus\r\nCode=-301\r\n";
    }
    BridgeNvLink bridge = bridged();
    ASSERT_EQ(bridge.NVInit("ID"), 0);
    EXPECT_EQ(bridge.NVStatus(), -301); // the component's own code: no line
    EXPECT_TRUE(m_faults.empty());
    EXPECT_EQ(bridge.NVRTOpen("0B12", "20240112"), -1003);
    ASSERT_EQ(m_faults.size(), 1u);
    EXPECT_EQ(m_faults[0], text::sj("ブリッジ（NVRTOpen）：コンポーネントの呼び出しがCOMのエラーで失敗しました。(-1003)"));
    // Nothing ended: the same bridge answers the next call.
    const text::ChildProcess* before = bridge.process();
    EXPECT_EQ(bridge.NVRTOpen("0B12", "20240112"), 0);
    EXPECT_EQ(bridge.process(), before);
}

TEST_F(BridgeProcessTest, BridgesThatCannotStartOrTalkNonsenseGiveErrorsOfTheirOwn)
{
#ifdef _WIN32
    GTEST_SKIP() << "the misbehaving bridges are POSIX shell commands";
#endif
    struct Case {
        const char* what;
        std::string command;
        int expected;
        const char* inFault;
    };
    const std::vector<Case> cases{
        {"missing program", (m_home.path() / "no-such-bridge").string(), kBridgeNotStarted, "no-such-bridge"},
        {"empty command", "", kBridgeNotStarted, "(-1101)"},
        {"ends at once", "sh -c \"exit 3\"", kBridgeEnded, "(-1102)"},
        {"garbage", "sh -c \"printf 'HTTP/1.1 200 OK'; exec cat >/dev/null\"", kBridgeGarbage, "(-1103)"},
        {"cut frame", "sh -c \"printf 'TMNV'; exec cat >/dev/null\"", kBridgeGarbage, "(-1103)"},
        {"other version", "sh -c \"printf 'TMNV\\002\\201\\000\\000\\004\\000\\000\\000\\000\\000\\000\\000'; exec cat >/dev/null\"",
         kBridgeWrongVersion, "(-1104)"},
        {"answer to another call", "sh -c \"printf 'TMNV\\001\\202\\000\\000\\004\\000\\000\\000\\000\\000\\000\\000'; exec cat >/dev/null\"",
         kBridgeWrongAnswer, "(-1105)"},
        {"short answer", "sh -c \"printf 'TMNV\\001\\201\\000\\000\\002\\000\\000\\000\\000\\000'; exec cat >/dev/null\"",
         kBridgeGarbage, "(-1103)"},
    };
    for (const Case& c : cases) {
        m_faults.clear();
        BridgeNvLink bridge(c.command, [this](const std::string& l) { m_faults.push_back(l); });
        EXPECT_EQ(bridge.NVInit("ID"), c.expected) << c.what;
        ASSERT_EQ(m_faults.size(), 1u) << c.what;
        EXPECT_NE(m_faults[0].find(c.inFault), std::string::npos) << c.what << ": " << text::toUtf8(m_faults[0]);
        EXPECT_FALSE(BridgeNvLinkFactory(c.command, {}).installed()) << c.what;
    }
    EXPECT_TRUE(BridgeNvLinkFactory(bridgeCommand(), {}).installed());
}

} // namespace
} // namespace tidemark::bridge
