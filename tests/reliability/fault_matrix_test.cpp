// The service failing at any call: the simulated service answers an error code at the
// n-th call of one operation during the stored-data import, the batch odds import and
// the odds and results fetches. Whatever fails, nothing crashes, the failure is shown,
// the store holds only records the clean run holds too (in whole files), and running
// the step again without the fault gives exactly the store of the clean run.

#include "acquisition/batch_odds_import.h"
#include "acquisition/nv_channel.h"
#include "acquisition/realtime_fetch.h"
#include "acquisition/stored_data_import.h"
#include "nvsim/sim_nv_link.h"
#include "service/error_log.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"
#include "store/record_reader.h"
#include "store/record_store.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"
#include "text/cp932.h"
#include "text/file_io.h"
#include "tree_snapshot.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>

namespace tidemark::reliability {
namespace {

namespace fs = std::filesystem;
using store::StoreKind;
using testing::RecordingHost;
using testing::TempDir;

struct Fault {
    const char* call;
    int code;
    int at;
};

// Result codes of each operation, one of each family (closed transfer, service down,
// authentication, download, read), at the n-th call.
std::vector<Fault> faultsOf(std::initializer_list<const char*> calls, int at, std::size_t perCall = 8)
{
    const std::map<std::string, std::vector<int>> codes = {
        {"NVOpen", {-1, -111, -201, -301, -504}},
        {"NVStatus", {-203, -502}},
        {"NVGets", {-203, -402, -502}},
        {"NVRead", {-402, -502}},
        {"NVRTOpen", {-1, -114, -202, -504}},
        {"NVClose", {-1}},
    };
    std::vector<Fault> out;
    for (const char* call : calls)
        for (std::size_t i = 0; i < codes.at(call).size() && i < perCall; ++i)
            out.push_back({call, codes.at(call)[i], at});
    return out;
}

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
        config.downloadSpeed = 5;
        config.faults = std::move(faults);
        channel.reset();
        sim = std::make_unique<nvsim::SimNvLink>(config, [this] { return host.clock; });
        sim->NVInit("SA418372/SD605291/TidemarkNV/Ver.1.15");
        channel = std::make_unique<acquisition::NvChannel>(*sim);
    }
    void import()
    {
        acquisition::StoredDataImport imp(*channel, host, store, settings);
        imp.open();
        imp.start();
        for (int i = 0; i < 100000 && imp.phase() == acquisition::StoredDataImport::Phase::Downloading; ++i)
            host.fire(TimerId::TimerNVStatus);
        ASSERT_EQ(imp.phase(), acquisition::StoredDataImport::Phase::Idle);
    }
    std::string dayLabel() const { return *store::dayLabelOfDate("20240112"); }
    void batchOdds()
    {
        acquisition::BatchOddsImport batch(*channel, host, store);
        batch.setDateList(store.layout().dayLabels());
        batch.showFor(dayLabel());
        batch.importDay();
    }
    // The odds fetch of every race, then the results fetch of the day.
    void fetches()
    {
        const auto ras = store::readLines(store.layout().raFile(dayLabel()), StoreKind::RA);
        acquisition::RealtimeFetch fetch(*channel, host, store, dir.path());
        for (std::size_t i = 0; i < ras.size(); i += 12) {
            acquisition::FetchSelection sel;
            sel.daySelected = true;
            sel.slot0Ra = ras.front();
            sel.raceRa = ras[i];
            sel.raceSelected = true;
            fetch.fetchOdds(sel, {});
            if (i == 0)
                fetch.fetchResults(sel, true, {});
        }
    }
    // Puts a store back as a snapshot holds it.
    void restore(const std::map<std::string, std::string>& snapshot)
    {
        for (const auto& [path, content] : snapshot) {
            const fs::path p = store.layout().dataFolder() / path;
            if (content == "folder")
                text::ensureDirectory(p);
            else
                text::writeFileAtomic(p, std::string_view(content).substr(5));
        }
    }
    std::map<std::string, std::string> data() const
    {
        return TreeSnapshot::of(store.layout().dataFolder(), {}).entries();
    }

    TempDir dir;
    RecordingHost host;
    store::RecordStore store;
    IniFile settings;
    std::unique_ptr<nvsim::SimNvLink> sim;
    std::unique_ptr<acquisition::NvChannel> channel;
};

// Every record line of every file of `faulted` is also a line of the same file of the
// clean store, and every file is whole records.
void expectOnlyCleanRecords(const std::map<std::string, std::string>& faulted,
                            std::initializer_list<const std::map<std::string, std::string>*> cleanStores,
                            const std::string& what)
{
    for (const auto& [path, content] : faulted) {
        if (content == "folder")
            continue;
        const std::string ext = fs::path(path).extension().string();
        const StoreKind kind = ext == ".nvSEr" ? StoreKind::SE
                               : ext == ".nvHR" ? StoreKind::HR
                               : ext == ".nvO1" ? StoreKind::O1
                               : ext == ".nvO2" ? StoreKind::O2
                                                : StoreKind::RA;
        ASSERT_TRUE(ext == ".nvRA" || kind != StoreKind::RA) << what << ": left behind " << path;
        const std::string bytes = content.substr(5); // "file:"
        const std::size_t size = store::recordSize(kind);
        ASSERT_EQ(bytes.size() % size, 0u) << what << ": " << path;
        std::set<std::string> cleanRecords;
        for (const auto* clean : cleanStores) {
            const auto it = clean->find(path);
            if (it == clean->end())
                continue;
            for (std::size_t at = 5; at + size <= it->second.size(); at += size)
                cleanRecords.insert(it->second.substr(at, size));
        }
        ASSERT_FALSE(cleanRecords.empty()) << what << ": a file the clean run does not make: " << path;
        const std::string blankSlot = std::string(size - 2, ' ') + "\r\n";
        for (std::size_t at = 0; at < bytes.size(); at += size) {
            const std::string rec = bytes.substr(at, size);
            EXPECT_TRUE(cleanRecords.count(rec) || (kind == StoreKind::SE && rec == blankSlot))
                << what << ": a record the clean run does not hold in " << path;
        }
    }
}

class FaultMatrixTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_clean = new std::map<std::string, std::map<std::string, std::string>>;
        Rig rig;
        rig.import();
        (*s_clean)["import"] = rig.data();
        rig.batchOdds();
        (*s_clean)["batch"] = rig.data();
        rig.fetches();
        (*s_clean)["fetch"] = rig.data();
    }
    static void TearDownTestSuite() { delete s_clean; }
    static const std::map<std::string, std::string>& clean(const char* step) { return s_clean->at(step); }

    static int s_injected;
    static std::map<std::string, std::map<std::string, std::string>>* s_clean;
};
int FaultMatrixTest::s_injected = 0;
std::map<std::string, std::map<std::string, std::string>>* FaultMatrixTest::s_clean = nullptr;

std::string nameOf(const Fault& f)
{
    return std::string(f.call) + " " + std::to_string(f.code) + " at call " + std::to_string(f.at);
}

TEST_F(FaultMatrixTest, StoredDataImport)
{
    ASSERT_FALSE(clean("import").empty());
    for (const Fault& f : faultsOf({"NVOpen", "NVStatus", "NVGets", "NVClose"}, 40)) {
        const std::string what = "import, " + nameOf(f);
        Rig rig({{f.call, f.code, f.at, 1}});
        rig.import();
        ++s_injected;
        EXPECT_FALSE(rig.host.boxes.empty()) << what;
        expectOnlyCleanRecords(rig.data(), {&clean("import")}, what);
        rig.attach({});
        rig.host.boxes.clear();
        rig.import();
        EXPECT_EQ(rig.data(), clean("import")) << what << ": the rerun does not complete the store";
    }
}

TEST_F(FaultMatrixTest, BatchOddsImport)
{
    for (const Fault& f : faultsOf({"NVRTOpen", "NVGets", "NVRead", "NVClose"}, 7, 2)) {
        const std::string what = "batch odds, " + nameOf(f);
        Rig rig({{f.call, f.code, f.at, 1}});
        rig.restore(clean("import"));
        rig.batchOdds();
        ++s_injected;
        EXPECT_FALSE(rig.host.boxes.empty()) << what;
        expectOnlyCleanRecords(rig.data(), {&clean("batch")}, what);
        rig.attach({});
        rig.batchOdds();
        EXPECT_EQ(rig.data(), clean("batch")) << what << ": the rerun does not complete the store";
    }
}

TEST_F(FaultMatrixTest, OddsAndResultsFetches)
{
    for (const Fault& f : faultsOf({"NVRTOpen", "NVGets", "NVRead", "NVClose"}, 4)) {
        const std::string what = "fetches, " + nameOf(f);
        Rig rig({{f.call, f.code, f.at, 1}});
        rig.restore(clean("batch"));
        rig.fetches();
        ++s_injected;
        expectOnlyCleanRecords(rig.data(), {&clean("batch"), &clean("fetch")}, what);
        rig.attach({});
        rig.fetches();
        EXPECT_EQ(rig.data(), clean("fetch")) << what << ": the rerun does not complete the store";
    }
    RecordProperty("faults_injected", s_injected);
    std::printf("fault matrix: %d faults injected\n", s_injected);
}

} // namespace
} // namespace tidemark::reliability
