// The stored-data import writes its day files in batches. Whatever ends the read — its
// end, a cancel, a service error or a file error — the store must then hold byte for
// byte what storing every record on its own would have left: nothing lost, nothing
// more, no temporary file behind.

#include <functional>
#include <map>
#include <memory>

#include "acquisition/acquisition_fixture.h"
#include "acquisition/stored_data_import.h"
#include "acquisition/tap_link.h"
#include "nvsim/sim_nv_link.h"
#include "records/record_view.h"
#include "service/nv_message.h"
#include "settings/settings_keys.h"
#include "store/store_layout.h"
#include "text/number_format.h"
#include "text/file_io.h"

namespace tidemark::testing {
namespace {

using acquisition::StoredDataImport;
namespace fs = std::filesystem;

constexpr std::string_view kFrom = "20240101000000";
constexpr int kDay = 12; // a race day of the simulated world

// A tap that counts the NVGets calls answered so far.
class CountingTap : public TapLink {
public:
    using TapLink::TapLink;
    int gets = 0;
    int NVGets(std::string& buffer, int size, std::string& fileName) override
    {
        ++gets;
        return TapLink::NVGets(buffer, size, fileName);
    }
};

struct Service {
    explicit Service(RecordingHost& host, std::vector<nvsim::FaultRule> faults = {})
    {
        nvsim::SimConfig config;
        config.seed = 4242;
        config.firstDay = text::DateTime{2024, 1, kDay};
        config.lastDay = text::DateTime{2024, 1, kDay};
        config.downloadSpeed = 0;
        config.faults = std::move(faults);
        sim = std::make_unique<nvsim::SimNvLink>(config, [&host] { return host.clock; });
        sim->NVInit("SA418372/SD605291/TidemarkNV/Ver.1.15");
        tap = std::make_unique<CountingTap>(*sim);
        channel = std::make_unique<acquisition::NvChannel>(*tap);
    }
    std::unique_ptr<nvsim::SimNvLink> sim;
    std::unique_ptr<CountingTap> tap;
    std::unique_ptr<acquisition::NvChannel> channel;
};

std::map<std::string, std::string> tree(const fs::path& folder)
{
    std::map<std::string, std::string> out;
    if (!fs::exists(folder))
        return out;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file())
            out[text::utf8Path(fs::relative(e.path(), folder))] = text::readFile(e.path());
    return out;
}

// What storing each record on its own leaves: the first `calls` NVGets answers (all:
// -1) go one by one straight to the store, outside any batch, through the import's
// filters; the first file error ends it and is returned.
struct SingleWrites {
    std::map<std::string, std::string> files;
    std::string error;
    int records = 0;
};

SingleWrites singleWrites(const RecordingHost& host, int calls, const std::function<void(const store::StoreLayout&)>& prepare = {})
{
    TempDir dir;
    store::RecordStore store{store::StoreLayout(dir.path())};
    store.layout().createFolders();
    if (prepare)
        prepare(store.layout());
    RecordingHost quiet;
    quiet.clock = host.clock;
    Service service(quiet);
    NvLink& link = *service.tap;
    int reads = 0;
    int downloads = 0;
    std::string stamp;
    EXPECT_EQ(link.NVOpen("RACE", kFrom, 1, reads, downloads, stamp), 0);
    const std::int64_t startDate = text::readInt(kFrom.substr(0, 8));
    SingleWrites out;
    std::string buffer;
    std::string fileName;
    try {
        for (int call = 1; calls < 0 || call <= calls; ++call) {
            buffer.clear();
            const int n = link.NVGets(buffer, StoredDataImport::kGetsBufferSize, fileName);
            if (n == 0 || n < -3)
                break;
            if (n < 0)
                continue;
            const std::string_view rec = text::bytesAt(buffer, 1, static_cast<std::size_t>(n));
            const records::RecordView view(rec);
            if (text::readInt(view.dayKey()) < startDate - 10 || view.raceNumber() <= 0)
                continue;
            const std::string_view kind = view.recordKind();
            store::StoreOutcome o = store::StoreOutcome::WrongKind;
            if (kind == "RA") {
                const int runners = records::RaView(rec).runnerCount();
                if (runners >= 1 && runners <= 18)
                    o = store.storeRa(rec, store::Origin::Import);
            } else if (kind == "SE") {
                if (const int horse = records::SeView(rec).horseNumber(); horse >= 1 && horse <= 18)
                    o = store.storeSe(rec, store::Origin::Import);
            } else if (kind == "HR") {
                o = store.storeHr(rec, store::Origin::Import);
            }
            out.records += o == store::StoreOutcome::Stored ? 1 : 0;
        }
    } catch (const text::FileError& e) {
        out.error = e.what();
        out.error.erase(0, dir.path().string().size()); // the path within the program folder
    }
    link.NVClose();
    out.files = tree(dir / "Data");
    return out;
}

class ImportWritePathTest : public AcquisitionTest {
protected:
    ImportWritePathTest() { host.clock = {2024, 1, 15, 12, 0, 0}; }

    // The import through the batches, from kFrom to whatever ends it.
    std::map<std::string, std::string> batchedImport(Service& service)
    {
        settings::writeLastTime(settings, "2024/01/01 00:00:00");
        StoredDataImport import(*service.channel, host, store, settings);
        import.open();
        if (onEvents)
            host.onProcessEvents = [&] { onEvents(import, service.tap->gets); };
        import.start();
        host.onProcessEvents = nullptr;
        EXPECT_EQ(import.phase(), StoredDataImport::Phase::Idle);
        EXPECT_EQ(service.tap->calls.back(), "NVClose");
        return tree(dir / "Data");
    }
    std::string dayLabel() const { return *store::dayLabelOfDate("202401" + std::to_string(kDay)); }
    // The track of the day's second meeting (the first when there is one).
    std::string laterTrack(const Service& service) const
    {
        const auto races = service.sim->world().racesOn(text::DateTime{2024, 1, kDay});
        return races.back()->track;
    }

    // Runs whenever the read loop pumps events, with the number of NVGets so far.
    std::function<void(StoredDataImport&, int gets)> onEvents;
};

TEST_F(ImportWritePathTest, AWholeImportWritesTheSameFilesAsSingleRecordWrites)
{
    const SingleWrites expected = singleWrites(host, -1);
    ASSERT_GT(expected.records, 300);
    ASSERT_GE(expected.files.size(), 3u);
    Service service(host);
    EXPECT_EQ(batchedImport(service), expected.files);
    EXPECT_EQ(host.boxes.size(), 1u) << text::toUtf8(host.boxes.back().text); // the start notice
}

TEST_F(ImportWritePathTest, ACancelAnywhereKeepsExactlyTheRecordsReadBeforeIt)
{
    // After the first record, inside the first file, and just after a file has ended.
    for (int at : {1, 97, 0}) {
        SCOPED_TRACE(at);
        fs::remove_all(dir / "Data");
        store.layout().createFolders();
        host.boxes.clear();
        int cancelAt = at;
        if (at == 0) {
            // The call after the first end of a file (-1).
            RecordingHost probeHost;
            probeHost.clock = host.clock;
            Service probe(probeHost);
            int r = 0;
            int d = 0;
            std::string s;
            probe.tap->NVOpen("RACE", kFrom, 1, r, d, s);
            std::string buffer;
            std::string name;
            for (cancelAt = 1;; ++cancelAt) {
                buffer.clear();
                const int n = probe.tap->NVGets(buffer, StoredDataImport::kGetsBufferSize, name);
                ASSERT_NE(n, 0) << "no file ended";
                if (n == -1)
                    break;
            }
            probe.tap->NVClose();
        }
        const SingleWrites expected = singleWrites(host, cancelAt);
        host.confirmAnswers = {true};
        // The user cancels while the loop waits for its next record.
        onEvents = [cancelAt, done = false](StoredDataImport& import, int gets) mutable {
            if (gets == cancelAt && !done) {
                done = true;
                import.cancel();
            }
        };
        Service service(host);
        EXPECT_EQ(batchedImport(service), expected.files);
        EXPECT_EQ(host.boxTexts().back(), sj("NVCancel:キャンセルされました"));
        EXPECT_EQ(settings.readString("NvDataGet", "LastTime", ""), "2024/01/01 00:00:00");
    }
}

TEST_F(ImportWritePathTest, AServiceErrorKeepsExactlyTheRecordsReadBeforeIt)
{
    for (int at : {2, 250}) {
        SCOPED_TRACE(at);
        fs::remove_all(dir / "Data");
        store.layout().createFolders();
        host.boxes.clear();
        const SingleWrites expected = singleWrites(host, at - 1);
        ASSERT_FALSE(expected.files.empty());
        Service service(host, {{"NVGets", -502, at, 1}});
        EXPECT_EQ(batchedImport(service), expected.files);
        EXPECT_EQ(host.boxTexts().back(), sj("NVReadエラー:") + nvMessage(NvOperation::NVRead, -502));
    }
}

TEST_F(ImportWritePathTest, AFileErrorKeepsExactlyTheRecordsBeforeTheOneThatCannotBeWritten)
{
    // A folder in the way of the later track's runner file (it cannot be read) or of
    // its temporary file (it reads as missing, and cannot be written); the same for
    // the day's payout file, whose records come last.
    struct Case {
        const char* name;
        bool payouts;
        const char* suffix;
    };
    for (const Case c : {Case{"runners unreadable", false, ""}, Case{"runners unwritable", false, ".tmp~"},
                         Case{"payouts unwritable", true, ".tmp~"}}) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir / "Data");
        store.layout().createFolders();
        host.boxes.clear();
        Service service(host);
        const std::string track = laterTrack(service);
        const std::string label = dayLabel();
        auto block = [&](const store::StoreLayout& layout) {
            fs::path p = c.payouts ? layout.hrFile(label) : layout.seFile(label, track);
            p += c.suffix;
            fs::create_directories(p);
        };
        const SingleWrites expected = singleWrites(host, -1, block);
        ASSERT_FALSE(expected.error.empty());
        ASSERT_FALSE(expected.files.empty());
        block(store.layout());
        EXPECT_EQ(batchedImport(service), expected.files);
        ASSERT_FALSE(host.boxes.empty());
        EXPECT_EQ(host.boxes.back().kind, RecordingHost::BoxKind::Message);
        EXPECT_EQ(host.boxes.back().text, text::fromUtf8(dir.path().string() + expected.error));
        EXPECT_EQ(settings.readString("NvDataGet", "LastTime", ""), "2024/01/01 00:00:00");
    }
}

} // namespace
} // namespace tidemark::testing
