// The adapter against the stand-in component (run under Wine): whichever way a variant
// declares its parameters, every call gives what the simulated service gives directly,
// byte for byte; COM failures become the adapter's own results with a log line.

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "dataservice/service_choice.h"
#include "nvcom/com_nv_link.h"
#include "nvsim/sim_nv_link_factory.h"
#include "support/temp_dir.h"
#include "text/cp932.h"

namespace tidemark::testing {
namespace {

using nvcom::ComNvLink;

// Registers one stand-in variant under the provider's ProgID, as regsvr32 would.
void registerStandIn(const char* dll, const char* entry = "DllRegisterServer")
{
    const std::wstring path(dll, dll + std::strlen(dll));
    HMODULE module = LoadLibraryW(path.c_str());
    ASSERT_NE(module, nullptr) << dll;
    using Entry = HRESULT(STDAPICALLTYPE*)();
    const auto fn = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module, entry)));
    ASSERT_NE(fn, nullptr) << entry;
    ASSERT_EQ(fn(), S_OK) << entry;
}

// The prefix is left as the tests found it: no component registered.
class UnregisterAtTheEnd : public ::testing::Environment {
public:
    void TearDown() override { registerStandIn(TIDEMARK_STANDIN_A, "DllUnregisterServer"); }
};
[[maybe_unused]] ::testing::Environment* const kUnregister = ::testing::AddGlobalTestEnvironment(new UnregisterAtTheEnd);

void setEnv(const char* name, const std::string& value) { _putenv_s(name, value.c_str()); }

struct World {
    TempDir home;
    explicit World(const std::string& extraIni = {})
    {
        std::ofstream ini(home / "NVSim.ini", std::ios::binary);
        ini << "[NVSim]\r\nSeed=4242\r\nFirstDay=20240112\r\nLastDay=20240112\r\nDownloadSpeed=3\r\n" << extraIni;
        ini.close();
        setEnv("TIDEMARK_STANDIN_HOME", home.path().string());
    }
    ~World()
    {
        setEnv("TIDEMARK_STANDIN_HOME", "");
        setEnv("TIDEMARK_STANDIN_FAULT", "");
    }
    std::unique_ptr<NvLink> direct() { return nvsim::SimNvLinkFactory(home.path()).create(); }
};

struct Log {
    std::vector<std::string> lines;
    nvcom::FaultReport report()
    {
        return [this](const std::string& l) { lines.push_back(l); };
    }
};

// Everything a caller sees of one transfer, for comparing two services.
struct Transcript {
    std::vector<std::string> steps;
    std::vector<std::string> records;
    void add(const std::string& s) { steps.push_back(s); }
};

void storedData(NvLink& link, Transcript& t)
{
    int reads = -7, downloads = -7;
    std::string stamp = "x";
    const int open = link.NVOpen("RACE", "20240101000000", 1, reads, downloads, stamp);
    t.add("open " + std::to_string(open) + " " + std::to_string(reads) + " " + std::to_string(downloads) + " " + stamp);
    if (open != 0)
        return;
    for (int guard = 0; guard < 1000; ++guard) {
        const int s = link.NVStatus();
        t.add("status " + std::to_string(s));
        if (s < 0 || s >= downloads)
            break;
    }
    for (int guard = 0; guard < 100000; ++guard) {
        std::string buffer, file;
        const int r = link.NVGets(buffer, 110000, file);
        t.add("gets " + std::to_string(r) + " " + file + " " + std::to_string(buffer.size()));
        if (r > 0)
            t.records.push_back(buffer);
        if (r == 0 || r < -3)
            break;
    }
    t.add("close " + std::to_string(link.NVClose()));
}

void realTime(NvLink& link, const std::string& spec, const std::string& key, Transcript& t)
{
    const int open = link.NVRTOpen(spec, key);
    t.add(spec + " " + key + " " + std::to_string(open));
    for (int guard = 0; open == 0 && guard < 100000; ++guard) {
        std::string record, file;
        const int r = link.NVRead(record, 60000, file);
        t.add("read " + std::to_string(r) + " " + file + " " + std::to_string(record.size()));
        if (r > 0)
            t.records.push_back(record);
        if (r == 0 || r < -3)
            break;
    }
    t.add("close " + std::to_string(link.NVClose()));
}

Transcript session(NvLink& link)
{
    Transcript t;
    t.add("init " + std::to_string(link.NVInit("UNKNOWN.Ver.1.15")));
    t.add("settings " + std::to_string(link.NVSetUIProperties()));
    storedData(link, t);
    // The first race card's race key (bytes 12-27) for the real-time channel.
    std::string raceKey;
    for (const std::string& r : t.records)
        if (r.compare(0, 2, "RA") == 0) {
            raceKey = r.substr(11, 16);
            break;
        }
    if (raceKey.empty())
        return t;
    realTime(link, "0B41", raceKey, t);
    realTime(link, "0B42", raceKey, t);
    realTime(link, "0B12", raceKey.substr(0, 8), t);
    return t;
}

bool hasDoubleByteText(const std::vector<std::string>& records)
{
    for (const std::string& r : records)
        for (char c : r)
            if (text::isLeadByte(static_cast<unsigned char>(c)))
                return true;
    return false;
}

class EachVariant : public ::testing::TestWithParam<const char*> {};

TEST_P(EachVariant, EveryCallGivesTheSimulatedServicesResultsByteForByte)
{
    registerStandIn(GetParam());
    World world;
    Log log;
    ComNvLink com(log.report());
    ASSERT_TRUE(com.created());
    const Transcript expected = session(*world.direct());
    const Transcript got = session(com);
    EXPECT_EQ(got.steps, expected.steps);
    ASSERT_EQ(got.records.size(), expected.records.size());
    for (std::size_t i = 0; i < got.records.size(); ++i)
        ASSERT_EQ(got.records[i], expected.records[i]) << "record " << i;
    // Race cards, odds of both channels and results came through, kanji and kana included.
    EXPECT_GT(expected.records.size(), 100u);
    EXPECT_TRUE(hasDoubleByteText(got.records));
    std::string kinds;
    for (const std::string& r : got.records)
        if (kinds.find(r.substr(0, 2)) == std::string::npos)
            kinds += r.substr(0, 2) + " ";
    EXPECT_EQ(kinds, "RA SE HR O1 O2 ");
    EXPECT_TRUE(log.lines.empty()) << text::toUtf8(log.lines.front());
}

// C describes nothing: the adapter's own assumptions about the calls must fit it.
INSTANTIATE_TEST_SUITE_P(StandIn, EachVariant,
                         ::testing::Values(TIDEMARK_STANDIN_A, TIDEMARK_STANDIN_B, TIDEMARK_STANDIN_C));

TEST(ComNvLinkFaults, AnHresultFailureBecomesItsOwnResultWithALogLineAndTheTransferCanEnd)
{
    for (const char* dll : {TIDEMARK_STANDIN_A, TIDEMARK_STANDIN_B}) {
        registerStandIn(dll);
        World world;
        setEnv("TIDEMARK_STANDIN_FAULT", "NVGets:hresult:3");
        Log log;
        ComNvLink com(log.report());
        ASSERT_EQ(com.NVInit("UNKNOWN.Ver.1.15"), 0);
        int reads = 0, downloads = 0;
        std::string stamp;
        ASSERT_EQ(com.NVOpen("RACE", "20240101000000", 1, reads, downloads, stamp), 0);
        while (com.NVStatus() < downloads) {
        }
        std::string buffer = "before", file = "before";
        EXPECT_GT(com.NVGets(buffer, 110000, file), 0);
        EXPECT_GT(com.NVGets(buffer, 110000, file), 0);
        const std::string lastGood = buffer;
        EXPECT_EQ(com.NVGets(buffer, 110000, file), nvcom::kComCallFailed);
        // A failed call leaves the caller's buffer as it was.
        EXPECT_EQ(buffer, lastGood);
        ASSERT_EQ(log.lines.size(), 1u);
        EXPECT_EQ(log.lines[0], text::sj("NV-Link（NVGets）：呼び出しが失敗しました。（HRESULT 0x80004005）(-1003)"));
        EXPECT_EQ(com.NVClose(), 0);
    }
}

TEST(ComNvLinkFaults, AnExceptionBecomesItsOwnResultAndTheLogLineCarriesItsText)
{
    for (const char* dll : {TIDEMARK_STANDIN_A, TIDEMARK_STANDIN_B}) {
        registerStandIn(dll);
        World world;
        setEnv("TIDEMARK_STANDIN_FAULT", "NVRTOpen:exception:1");
        Log log;
        ComNvLink com(log.report());
        ASSERT_EQ(com.NVInit("UNKNOWN.Ver.1.15"), 0);
        EXPECT_EQ(com.NVRTOpen("0B12", "20240112"), nvcom::kComException);
        ASSERT_EQ(log.lines.size(), 1u);
        EXPECT_EQ(log.lines[0], text::sj("NV-Link（NVRTOpen）：コンポーネントが例外を返しました。NVDTLablib.NVLink: "
                                         "通信エラー（HRESULT 0x800A0BB8）(-1004)"));
    }
}

// Every result code the program's fault matrix injects, at a call of each kind: through
// the component the program sees each result and out-parameter exactly as the simulated
// service gives them directly, so its messages and its store follow as they do today.
TEST(ComNvLinkFaults, EveryCodeOfTheFaultMatrixComesThroughAsTheSimulatedServiceGivesIt)
{
    const std::vector<int> open = {-1,   -2,   -111, -112, -114, -115, -116, -201, -202, -211, -301,
                                   -302, -303, -401, -411, -412, -413, -421, -431, -501, -504};
    const std::vector<int> read = {-1, -2, -3, -201, -202, -203, -402, -403, -502, -503};
    struct Case {
        const char* call;
        std::vector<int> codes;
        int at; // the call of that kind that fails
    };
    const std::vector<Case> all = {
        {"NVInit", {-301, -401}, 1},     {"NVSetUIProperties", {-100, -101}, 1}, {"NVOpen", open, 1},
        {"NVStatus", {-201, -203, -502}, 2}, {"NVGets", read, 40},                {"NVRTOpen", open, 2},
        {"NVRead", read, 5},             {"NVClose", {-1, -201, -401}, 2},
    };
    // B declares the calls most unlike the simulated service's own (texts by reference,
    // short sizes, the interface view); A carries the record buffer as a byte array.
    const std::vector<std::pair<const char*, std::vector<std::string>>> variants = {
        {TIDEMARK_STANDIN_B, {}},
        {TIDEMARK_STANDIN_A, {"NVGets", "NVRead"}},
    };
    int cases = 0;
    for (const auto& [dll, only] : variants) {
        registerStandIn(dll);
        for (const Case& c : all) {
            if (!only.empty() && std::find(only.begin(), only.end(), c.call) == only.end())
                continue;
            for (int code : c.codes) {
                World world("[Fault1]\r\nCall=" + std::string(c.call) + "\r\nCode=" + std::to_string(code) +
                            "\r\nAt=" + std::to_string(c.at) + "\r\n");
                Log log;
                ComNvLink com(log.report());
                const Transcript expected = session(*world.direct());
                const Transcript got = session(com);
                ASSERT_EQ(got.steps, expected.steps) << c.call << " " << code;
                ASSERT_EQ(got.records, expected.records) << c.call << " " << code;
                EXPECT_TRUE(log.lines.empty()) << c.call << " " << code;
                ++cases;
            }
        }
    }
    EXPECT_EQ(cases, 2 + 2 + 21 + 3 + 10 + 21 + 10 + 3 + 10 + 10);
}

TEST(ComNvLinkFaults, TheComponentsOwnErrorCodesPassUnchangedAndUnlogged)
{
    registerStandIn(TIDEMARK_STANDIN_B);
    World world("[Fault1]\r\nCall=NVOpen\r\nCode=-301\r\n[Fault2]\r\nCall=NVRead\r\nCode=-502\r\n");
    Log log;
    ComNvLink com(log.report());
    ASSERT_EQ(com.NVInit("UNKNOWN.Ver.1.15"), 0);
    int reads = 5, downloads = 5;
    std::string stamp;
    EXPECT_EQ(com.NVOpen("RACE", "20240101000000", 1, reads, downloads, stamp), -301);
    EXPECT_EQ(com.NVClose(), 0);
    std::string record, file;
    ASSERT_EQ(com.NVRTOpen("0B12", "20240112"), 0);
    EXPECT_EQ(com.NVRead(record, 60000, file), -502);
    EXPECT_TRUE(log.lines.empty());
}

TEST(ComNvLinkFaults, WithoutTheComponentEveryCallSaysSoAndTheFactoryFindsNothing)
{
    registerStandIn(TIDEMARK_STANDIN_A, "DllUnregisterServer");
    Log log;
    EXPECT_FALSE(nvcom::ComNvLinkFactory(log.report()).installed());
    ComNvLink com(log.report());
    EXPECT_FALSE(com.created());
    EXPECT_EQ(com.NVInit("UNKNOWN.Ver.1.15"), nvcom::kComNotCreated);
    std::string buffer = "kept", file;
    EXPECT_EQ(com.NVGets(buffer, 110000, file), nvcom::kComNotCreated);
    EXPECT_EQ(buffer, "kept");
    com.NVCancel(); // nothing to cancel, nothing thrown
    ASSERT_EQ(log.lines.size(), 3u);
    EXPECT_EQ(log.lines[0].rfind(text::sj("NV-Link（NVInit）：コンポーネントを作成できません。（HRESULT 0x"), 0), 0u)
        << text::toUtf8(log.lines[0]);
    EXPECT_NE(log.lines[0].find("(-1001)"), std::string::npos);
    // The automatic choice: the simulated service while nothing is registered (no bridge
    // here either), the component in process once it is.
    TempDir folder;
    const dataservice::ServiceEnvironment env{folder.path(), folder.path(), {}};
    EXPECT_EQ(dataservice::chooseService({}, env).kind, dataservice::ServiceKind::Sim);
    registerStandIn(TIDEMARK_STANDIN_A);
    EXPECT_TRUE(nvcom::ComNvLinkFactory(log.report()).installed());
    dataservice::ChosenService chosen = dataservice::chooseService({}, env);
    EXPECT_EQ(chosen.kind, dataservice::ServiceKind::Com);
    EXPECT_TRUE(chosen.factory->installed());
}

} // namespace
} // namespace tidemark::testing
