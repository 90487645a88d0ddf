// The service failing at any call: the simulated service answers one of its result
// codes at the n-th call of one operation during the stored-data import, the batch
// odds import, the odds fetch and the results fetch. Every code of every operation's
// table is one case; each case injects its code at the first, second, middle,
// second-to-last and last call the step makes of that operation (every call when
// there are few); a failed start-up call (NVInit) is one case per step. Whatever fails, nothing crashes, the failure is shown with the
// operation's text (and logged where the acquisition is unattended), the store holds
// exactly what was written before the fault, and running the step again without the
// fault gives exactly the store of the clean run.
//
// What "written before the fault" is, per step:
//   - the import and the results fetch store record by record: the store of a run in
//     which the service ends the same transfer cleanly at that call;
//   - an odds request replaces a race's whole series or nothing: the clean store, with
//     the odds file of the failed request as it was before the step;
//   - a failed open or download: the store before the step; a failed close, or a
//     "call again" result: the clean store.

#include "acquisition/batch_odds_import.h"
#include "acquisition/nv_channel.h"
#include "acquisition/realtime_fetch.h"
#include "acquisition/stored_data_import.h"
#include "nvsim/sim_nv_link.h"
#include "records/keiba_func_nv.h"
#include "service/error_log.h"
#include "service/nv_message.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"
#include "store/record_reader.h"
#include "store/record_store.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"
#include "text/cp932.h"
#include "text/file_io.h"
#include "text/text_functions.h"
#include "tree_snapshot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <set>

namespace tidemark::reliability {
namespace {

namespace fs = std::filesystem;
using store::StoreKind;
using testing::RecordingHost;
using testing::TempDir;
using text::sj;

using Tree = std::map<std::string, std::string>;

// The result codes the service gives, per operation. The codes -1 to -3 of a read are
// no failure ("next file", "not ready": call again). The close has no table of its
// own; any code it gives is shown as its number.
const std::vector<int> kOpenCodes = {-1,   -2,   -111, -112, -114, -115, -116, -201, -202, -211, -301,
                                     -302, -303, -401, -411, -412, -413, -421, -431, -501, -504};
const std::vector<int> kReadCodes = {-1, -2, -3, -201, -202, -203, -402, -403, -502, -503};
const std::vector<int> kStatusCodes = {-201, -203, -502};
const std::vector<int> kSetUiCodes = {-100, -101};
const std::vector<int> kCloseCodes = {-1, -201, -401};
// The start-up call (the main window's, before any step) has no table either; after it
// failed every later call is answered as "not started".
const std::vector<int> kInitCodes = {-301, -401};

enum class Step { Import, BatchOdds, OddsFetch, ResultsFetch };

const char* nameOf(Step s)
{
    switch (s) {
    case Step::Import: return "Import";
    case Step::BatchOdds: return "BatchOdds";
    case Step::OddsFetch: return "OddsFetch";
    case Step::ResultsFetch: return "ResultsFetch";
    }
    return "?";
}

struct Case {
    Step step;
    std::string call;
    int code;
};

bool callAgain(const Case& c) { return (c.call == "NVGets" || c.call == "NVRead") && c.code >= -3; }

// Counts every operation's calls and notes, per call, the real-time request it serves.
class CallLog : public NvLink {
public:
    struct Request {
        std::string spec;
        std::string key;
    };
    explicit CallLog(NvLink& inner) : m_inner(inner) {}

    int NVInit(std::string_view id) override { return note("NVInit"), m_inner.NVInit(id); }
    int NVSetUIProperties() override { return note("NVSetUIProperties"), m_inner.NVSetUIProperties(); }
    int NVOpen(std::string_view spec, std::string_view from, int option, int& reads, int& downloads,
               std::string& stamp) override
    {
        note("NVOpen");
        return m_inner.NVOpen(spec, from, option, reads, downloads, stamp);
    }
    int NVStatus() override { return note("NVStatus"), m_inner.NVStatus(); }
    int NVGets(std::string& b, int size, std::string& f) override { return note("NVGets"), m_inner.NVGets(b, size, f); }
    int NVRead(std::string& b, int size, std::string& f) override { return note("NVRead"), m_inner.NVRead(b, size, f); }
    int NVRTOpen(std::string_view spec, std::string_view key) override
    {
        m_open = {std::string(spec), std::string(key)};
        note("NVRTOpen");
        return m_inner.NVRTOpen(spec, key);
    }
    int NVClose() override
    {
        note("NVClose");
        m_open = {};
        return m_inner.NVClose();
    }
    void NVCancel() override { m_inner.NVCancel(); }

    int count(const std::string& op) const { return counts.count(op) ? counts.at(op) : 0; }

    std::map<std::string, int> counts;
    std::map<std::string, std::vector<Request>> requests; // per operation, per call

private:
    void note(const char* op)
    {
        ++counts[op];
        requests[op].push_back(m_open);
    }
    NvLink& m_inner;
    Request m_open;
};

// One program folder with its store and settings, and a simulated service whose clock
// stands on 2024-01-12 13:00 (races run, races still on sale).
struct Rig {
    explicit Rig(std::vector<nvsim::FaultRule> faults = {})
        : store(store::StoreLayout(dir.path())), settings(dir / "Tidemark2NV.ini")
    {
        host.clock = {2024, 1, 12, 13, 0, 0};
        store.layout().createFolders();
        ErrorLog(dir.path()).startUp(host.clock, "/tidemark");
        settings::writeLastTime(settings, "2024/01/01 00:00:00");
        attach(std::move(faults));
    }
    void attach(std::vector<nvsim::FaultRule> faults)
    {
        nvsim::SimConfig config;
        config.seed = 4242;
        config.firstDay = text::DateTime{2024, 1, 12};
        config.lastDay = text::DateTime{2024, 1, 12};
        config.downloadSpeed = 1;
        config.faults = std::move(faults);
        channel.reset();
        log.reset();
        sim = std::make_unique<nvsim::SimNvLink>(config, [this] { return host.clock; });
        log = std::make_unique<CallLog>(*sim);
        log->NVInit("SA418372/SD605291/TidemarkNV/Ver.1.15");
        channel = std::make_unique<acquisition::NvChannel>(*log);
    }
    void import(bool settingsFirst = false)
    {
        acquisition::StoredDataImport imp(*channel, host, store, settings);
        imp.open();
        if (settingsFirst)
            imp.serviceSettings();
        imp.start();
        for (int i = 0; i < 100000 && imp.phase() == acquisition::StoredDataImport::Phase::Downloading; ++i)
            host.fire(TimerId::TimerNVStatus);
        ASSERT_EQ(imp.phase(), acquisition::StoredDataImport::Phase::Idle);
    }
    std::string dayLabel() const { return *store::dayLabelOfDate("20240112"); }
    std::vector<std::string> raceCards() const
    {
        return store::readLines(store.layout().raFile(dayLabel()), StoreKind::RA);
    }
    // Returns the window's error label.
    std::string batchOdds()
    {
        acquisition::BatchOddsImport batch(*channel, host, store);
        batch.setDateList(store.layout().dayLabels());
        batch.showFor(dayLabel());
        batch.importDay();
        return batch.errorLabel();
    }
    acquisition::FetchSelection selection(std::size_t race) const
    {
        const auto ras = raceCards();
        acquisition::FetchSelection sel;
        sel.daySelected = true;
        sel.slot0Ra = ras.front();
        sel.raceRa = ras.at(race);
        sel.raceSelected = true;
        return sel;
    }
    // The odds fetch of the first race of each track.
    void oddsFetch()
    {
        const auto ras = raceCards();
        acquisition::RealtimeFetch fetch(*channel, host, store, dir.path());
        for (std::size_t i = 0; i < ras.size(); ++i)
            if (i == 0 || text::bytesAt(ras[i], 20, 2) != text::bytesAt(ras[i - 1], 20, 2))
                fetch.fetchOdds(selection(i), {});
    }
    void resultsFetch()
    {
        acquisition::RealtimeFetch fetch(*channel, host, store, dir.path());
        fetch.fetchResults(selection(0), true, {});
    }
    // Returns the batch window's error label (empty for the other steps).
    std::string run(Step step, bool settingsFirst = false)
    {
        switch (step) {
        case Step::Import: import(settingsFirst); return {};
        case Step::BatchOdds: return batchOdds();
        case Step::OddsFetch: oddsFetch(); return {};
        case Step::ResultsFetch: resultsFetch(); return {};
        }
        return {};
    }
    // Puts a store back as a snapshot holds it.
    void restore(const Tree& snapshot)
    {
        for (const auto& [path, content] : snapshot) {
            const fs::path p = store.layout().dataFolder() / text::pathFromUtf8(path);
            if (content == "folder")
                text::ensureDirectory(p);
            else
                text::writeFileAtomic(p, std::string_view(content).substr(5));
        }
    }
    Tree data() const { return TreeSnapshot::of(store.layout().dataFolder(), {}).entries(); }
    std::vector<std::string> errorLogLines() const
    {
        std::vector<std::string> lines;
        const std::string bytes = text::readFile(dir / "ErrorLog.txt");
        for (std::size_t start = 0; start < bytes.size();) {
            std::size_t end = bytes.find("\r\n", start);
            if (end == std::string::npos)
                end = bytes.size();
            lines.push_back(bytes.substr(start, end - start));
            start = end + 2;
        }
        return lines;
    }

    TempDir dir;
    RecordingHost host;
    store::RecordStore store;
    IniFile settings;
    std::unique_ptr<nvsim::SimNvLink> sim;
    std::unique_ptr<CallLog> log;
    std::unique_ptr<acquisition::NvChannel> channel;
};

// Every file is whole records of its kind, and no temporary file is left.
void expectWholeFiles(const Tree& tree, const std::string& what)
{
    for (const auto& [path, content] : tree) {
        if (content == "folder")
            continue;
        const std::string ext = text::utf8Path(text::pathFromUtf8(path).extension());
        const StoreKind kind = ext == ".nvSEr" ? StoreKind::SE
                               : ext == ".nvHR" ? StoreKind::HR
                               : ext == ".nvO1" ? StoreKind::O1
                               : ext == ".nvO2" ? StoreKind::O2
                                                : StoreKind::RA;
        ASSERT_TRUE(ext == ".nvRA" || kind != StoreKind::RA) << what << ": left behind " << path;
        EXPECT_EQ((content.size() - 5) % store::recordSize(kind), 0u) << what << ": " << path;
    }
}

// Paths whose content differs, for a readable failure.
std::string differences(const Tree& got, const Tree& want)
{
    std::string out;
    for (const auto& [path, content] : got)
        if (!want.count(path) || want.at(path) != content)
            out += (want.count(path) ? " changed: " : " extra: ") + path;
    for (const auto& [path, content] : want)
        if (!got.count(path))
            out += " missing: " + path;
    return out;
}

// The clean run of every step, its calls and the store before it.
struct Reference {
    std::map<Step, Tree> before;
    std::map<Step, Tree> after;
    std::map<Step, CallLog> calls;
    std::map<std::string, Tree> earlyEnd; // "step call at": the transfer ended cleanly there

    static Reference* instance;
};
Reference* Reference::instance = nullptr;

Step startsFrom(Step s)
{
    switch (s) {
    case Step::Import: return Step::Import;
    case Step::BatchOdds:
    case Step::OddsFetch: return Step::Import; // from the imported store, without odds
    case Step::ResultsFetch: return Step::BatchOdds;
    }
    return s;
}

class FaultMatrix : public ::testing::TestWithParam<Case> {
protected:
    static void SetUpTestSuite()
    {
        auto* ref = new Reference;
        for (Step step : {Step::Import, Step::BatchOdds, Step::OddsFetch, Step::ResultsFetch}) {
            Rig rig;
            if (step != Step::Import)
                rig.restore(ref->after.at(startsFrom(step)));
            ref->before[step] = rig.data();
            rig.log->counts.clear();
            rig.log->requests.clear();
            rig.run(step);
            ref->after[step] = rig.data();
            ref->calls.emplace(step, *rig.log);
        }
        Reference::instance = ref;
    }
    static void TearDownTestSuite()
    {
        std::printf("fault matrix: %d cases, %d faults injected, %.1f s\n", s_cases, s_injected,
                    std::chrono::duration<double>(s_time).count());
        delete Reference::instance;
        Reference::instance = nullptr;
    }

    static Reference& ref() { return *Reference::instance; }

    // The calls the case's fault goes to: every call when there are few, else the first
    // two, the middle one and the last two.
    static std::vector<int> positions(const Case& c)
    {
        // The settings dialog comes before the import, the start-up call before every step.
        if (c.call == "NVSetUIProperties" || c.call == "NVInit")
            return {1};
        const int n = ref().calls.at(c.step).count(c.call);
        std::vector<int> at;
        if (n <= 5) {
            for (int i = 1; i <= n; ++i)
                at.push_back(i);
        } else {
            at = {1, 2, (n + 1) / 2, n - 1, n};
        }
        return at;
    }

    // The store the step leaves when its fault comes at call `at`.
    static Tree expectedStore(const Case& c, int at)
    {
        Reference& r = ref();
        const Tree& clean = r.after.at(c.step);
        const Tree& before = r.before.at(c.step);
        if (c.call == "NVClose" || c.call == "NVSetUIProperties" || callAgain(c))
            return clean;
        if (c.call == "NVOpen" || c.call == "NVStatus" || c.call == "NVInit")
            return before;
        if (c.step == Step::Import || c.step == Step::ResultsFetch) {
            if (c.call == "NVRTOpen")
                return before;
            // Record by record: what a transfer that ends cleanly at that call stores.
            const std::string key = std::string(nameOf(c.step)) + " " + c.call + " " + std::to_string(at);
            if (!r.earlyEnd.count(key)) {
                Rig rig({{c.call, 0, at, 1}});
                if (c.step != Step::Import)
                    rig.restore(r.after.at(startsFrom(c.step)));
                rig.run(c.step);
                r.earlyEnd[key] = rig.data();
            }
            return r.earlyEnd.at(key);
        }
        // An odds request: the race's file of that series stays as it was.
        const CallLog::Request& req = r.calls.at(c.step).requests.at(c.call).at(static_cast<std::size_t>(at - 1));
        const store::StoreLayout layout("/");
        const StoreKind kind = req.spec == "0B41" ? StoreKind::O1 : StoreKind::O2;
        const std::string file = text::utf8Path(fs::relative(layout.oddsFile(kind, req.key), layout.dataFolder()));
        Tree out = clean;
        if (before.count(file))
            out[file] = before.at(file);
        else
            out.erase(file);
        return out;
    }

    // The text the step shows for the fault (CP932), empty for none.
    static std::string expectedText(Case c, int at)
    {
        if (c.call == "NVInit") {
            // A service that did not start answers every call as not started; the last
            // request of the step is the last one shown.
            c = {c.step, c.step == Step::Import ? "NVOpen" : "NVRTOpen", -201};
            at = ref().calls.at(c.step).count(c.call);
        }
        switch (c.step) {
        case Step::Import:
            if (c.call == "NVOpen")
                return c.code == -1 ? sj("最新のデータがありません。") : sj("NVOpenエラー:") + nvMessage(NvOperation::NVOpen, c.code);
            if (c.call == "NVStatus")
                return sj("JVStatusエラー:") + nvMessage(NvOperation::NVStatus, c.code);
            if (c.call == "NVGets")
                return callAgain(c) ? std::string() : sj("NVReadエラー:") + nvMessage(NvOperation::NVRead, c.code);
            if (c.call == "NVClose")
                return sj("NVCloseエラー:") + nvMessage(NvOperation::NVClose, c.code);
            return sj("NVSetUIPropertiesエラー：") + nvMessage(NvOperation::NVSetUIProperties, c.code);
        case Step::BatchOdds: {
            if (c.call == "NVRTOpen") {
                const std::string& key = ref().calls.at(c.step).requests.at("NVRTOpen").at(static_cast<std::size_t>(at - 1)).key;
                const std::string race = "[" + KeibaFuncNV::TrackName(key.substr(8, 2), 2) +
                                         text::rightNumber(key.substr(14, 2)) + "R]";
                return sj("NVRTOpenエラー:") + race + nvMessage(NvOperation::NVRTOpen, c.code);
            }
            if (c.call == "NVRead")
                return callAgain(c) ? std::string() : sj("NVReadエラー:") + nvMessage(NvOperation::NVRead, c.code);
            return sj("NVCloseエラー:") + nvMessage(NvOperation::NVClose, c.code);
        }
        case Step::OddsFetch:
        case Step::ResultsFetch: {
            if (c.call == "NVRTOpen") {
                const std::string& key = ref().calls.at(c.step).requests.at("NVRTOpen").at(static_cast<std::size_t>(at - 1)).key;
                // The results fetch names the selected race, the first of the day.
                const std::string raceKey = c.step == Step::OddsFetch ? key : firstRaceKey();
                const std::string name = KeibaFuncNV::TrackName(raceKey.substr(8, 2), 2) + text::rightNumber(raceKey.substr(14, 2));
                return name + (c.step == Step::OddsFetch ? sj("R:ｵｯｽﾞ取得エラー：") : sj("R:払戻データ取得エラー：")) +
                       nvMessage(NvOperation::NVRTOpen, c.code);
            }
            if (c.call == "NVRead")
                return callAgain(c) ? std::string() : nvMessage(NvOperation::NVRead, c.code);
            return nvMessage(NvOperation::NVClose, c.code);
        }
        }
        return {};
    }

    static std::string firstRaceKey()
    {
        const Tree& t = ref().after.at(Step::Import);
        for (const auto& [path, content] : t)
            if (path.ends_with(".nvRA"))
                return content.substr(5 + 11, 16);
        return {};
    }

    static int s_cases;
    static int s_injected;
    static std::chrono::steady_clock::duration s_time;
};
int FaultMatrix::s_cases = 0;
int FaultMatrix::s_injected = 0;
std::chrono::steady_clock::duration FaultMatrix::s_time{};

TEST_P(FaultMatrix, ShowsTheFailureAndKeepsExactlyWhatWasWrittenBefore)
{
    const auto started = std::chrono::steady_clock::now();
    const Case& c = GetParam();
    ++s_cases;
    const std::vector<int> at = positions(c);
    ASSERT_FALSE(at.empty()) << nameOf(c.step) << " makes no " << c.call;
    for (int n : at) {
        const std::string what = std::string(nameOf(c.step)) + ", " + c.call + " " + std::to_string(c.code) +
                                 " at call " + std::to_string(n);
        Rig rig({{c.call, c.code, n, 1}});
        if (c.step != Step::Import)
            rig.restore(ref().after.at(startsFrom(c.step)));
        const auto logBefore = rig.errorLogLines();
        const std::string errorLabel = rig.run(c.step, c.call == "NVSetUIProperties");
        ++s_injected;

        // The failure is shown as the operation's text prescribes.
        const std::string text = expectedText(c, n);
        const auto logAfter = rig.errorLogLines();
        const auto boxes = rig.host.boxTexts();
        switch (c.step) {
        case Step::Import:
            if (!text.empty()) {
                EXPECT_NE(std::find(boxes.begin(), boxes.end(), text), boxes.end()) << what << ": no box "
                                                                                    << text::toUtf8(text);
            }
            EXPECT_EQ(logAfter, logBefore) << what << ": the import logs nothing";
            break;
        case Step::BatchOdds: {
            EXPECT_EQ(errorLabel, text) << what << ": " << text::toUtf8(errorLabel);
            ASSERT_FALSE(boxes.empty()) << what;
            const int races = c.call == "NVInit" ? ref().calls.at(c.step).count("NVRTOpen") / 2 : 1;
            const std::string tail =
                text.empty() ? sj("エラー発生Rはありませんでした。") : sj("エラー発生R:") + std::to_string(races) + "R";
            EXPECT_TRUE(boxes.back().ends_with(tail)) << what << ": " << text::toUtf8(boxes.back());
            EXPECT_EQ(logAfter, logBefore) << what << ": the batch import logs nothing";
            break;
        }
        case Step::OddsFetch:
        case Step::ResultsFetch:
            if (text.empty()) {
                EXPECT_EQ(logAfter, logBefore) << what;
            } else {
                ASSERT_GT(logAfter.size(), logBefore.size()) << what << ": nothing logged";
                EXPECT_EQ(logAfter.back(), sj("【エラー】13:00:00：") + text) << what << ": " << text::toUtf8(logAfter.back());
            }
            break;
        }
        if (c.step == Step::Import && text.empty()) {
            // A "call again" result is no failure: the import completes.
            EXPECT_EQ(std::count_if(boxes.begin(), boxes.end(), [](const std::string& b) { return b.starts_with(sj("NV")); }), 0)
                << what;
        }

        // The store holds exactly what was written before the fault.
        const Tree faulted = rig.data();
        expectWholeFiles(faulted, what);
        const Tree expected = expectedStore(c, n);
        EXPECT_TRUE(faulted == expected) << what << ":" << differences(faulted, expected);

        // Without the fault the same step completes the store.
        if (n == at[at.size() / 2]) {
            rig.attach({});
            rig.host.boxes.clear();
            rig.run(c.step);
            EXPECT_TRUE(rig.data() == ref().after.at(c.step))
                << what << ": the rerun does not complete the store:" << differences(rig.data(), ref().after.at(c.step));
        }
    }
    s_time += std::chrono::steady_clock::now() - started;
}

std::vector<Case> casesOf(Step step, const std::string& call, const std::vector<int>& codes)
{
    std::vector<Case> out;
    for (int code : codes)
        out.push_back({step, call, code});
    return out;
}

std::vector<Case> allCases()
{
    std::vector<Case> all;
    auto add = [&all](std::vector<Case> more) { all.insert(all.end(), more.begin(), more.end()); };
    add(casesOf(Step::Import, "NVSetUIProperties", kSetUiCodes));
    add(casesOf(Step::Import, "NVOpen", kOpenCodes));
    add(casesOf(Step::Import, "NVStatus", kStatusCodes));
    add(casesOf(Step::Import, "NVGets", kReadCodes));
    add(casesOf(Step::Import, "NVClose", kCloseCodes));
    for (Step step : {Step::Import, Step::BatchOdds, Step::OddsFetch, Step::ResultsFetch})
        add(casesOf(step, "NVInit", kInitCodes));
    for (Step step : {Step::BatchOdds, Step::OddsFetch, Step::ResultsFetch}) {
        add(casesOf(step, "NVRTOpen", kOpenCodes));
        add(casesOf(step, "NVRead", kReadCodes));
        add(casesOf(step, "NVClose", kCloseCodes));
    }
    return all;
}

std::string caseName(const ::testing::TestParamInfo<Case>& info)
{
    const Case& c = info.param;
    return std::string(nameOf(c.step)) + "_" + c.call + "_" + std::to_string(-c.code);
}

INSTANTIATE_TEST_SUITE_P(EveryCode, FaultMatrix, ::testing::ValuesIn(allCases()), caseName);

} // namespace
} // namespace tidemark::reliability
