// Records whose key bytes (date, track, meeting, day, race) hold path pieces, NULs,
// blanks or letters must never make the store create, change or read a file outside
// its Data folder: neither the writers (day files, runner slots, odds series), nor the
// readers (day list, day files, odds series), nor the CSV export.

#include "analysis/race_calendar.h"
#include "analysis/snapshot_series.h"
#include "records/record_builder.h"
#include "results/specific_time_export.h"
#include "store/record_store.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"
#include "text/cp932.h"
#include "text/file_io.h"
#include "tree_snapshot.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tidemark::reliability {
namespace {

namespace fs = std::filesystem;
using records::HrBuilder;
using records::O1Builder;
using records::O2Builder;
using records::RaBuilder;
using records::SeBuilder;
using store::Origin;
using store::RecordStore;
using store::StoreKind;
using store::StoreLayout;
using text::sj;

// A key field of bytes 12–27.
struct KeyField {
    const char* name;
    std::size_t pos;
    std::size_t width;
};
constexpr KeyField kKeyFields[] = {
    {"date", 12, 8}, {"year", 12, 4}, {"track", 20, 2}, {"meeting", 22, 2}, {"day", 24, 2}, {"race", 26, 2},
};

// Hostile contents, repeated over a field's width.
std::vector<std::string> hostileBytes()
{
    return {"../", "/", std::string(1, '\0'), " ", "A", "..", "\\", sj("　"), "%s", "\x81", "*"};
}

std::string fillField(std::string_view pattern, std::size_t width)
{
    std::string out;
    while (out.size() < width)
        out += pattern;
    out.resize(width);
    return out;
}

// One hostile key: a field filled with a pattern, or only its last byte replaced
// (a single odd byte among digits), or the whole key made into a path.
struct HostileKey {
    std::string what;
    std::size_t pos;
    std::string bytes;
};

std::vector<HostileKey> hostileKeys()
{
    std::vector<HostileKey> keys;
    for (const KeyField& f : kKeyFields) {
        for (const std::string& p : hostileBytes()) {
            keys.push_back({std::string(f.name) + " filled with '" + p + "'", f.pos, fillField(p, f.width)});
            keys.push_back({std::string(f.name) + " ending in '" + p.substr(0, 1) + "'", f.pos + f.width - 1,
                            p.substr(0, 1)});
        }
    }
    keys.push_back({"key ../../../../../", 12, "../../../../../.."});
    keys.push_back({"key /tmp/x/../../", 12, "/tmp/x/../../a/b/"});
    keys.push_back({"key ..//..//..//..", 12, "..//..//..//..//"});
    keys.push_back({"track and race ..", 20, "../../../."});
    return keys;
}

RaBuilder raceCard() { return RaBuilder().date(2024, 1, 15).track("44").meeting(1).day(1).race(3).runners(8).startTime("1540"); }

template <class Builder>
std::string withKey(Builder builder, const HostileKey& key)
{
    return builder.set(key.pos, key.bytes).line();
}

std::vector<std::string> oddsRecords(StoreKind kind, const HostileKey& key)
{
    if (kind == StoreKind::O1) {
        auto b = O1Builder().date(2024, 1, 15).track("44").meeting(1).day(1).race(3).announcement(1, 15, 15, 0);
        b.winSale('7').win(1, 3.5, 1);
        return {withKey(b, key)};
    }
    auto b = O2Builder().date(2024, 1, 15).track("44").meeting(1).day(1).race(3).announcement(1, 15, 15, 0);
    b.quinellaSale('7').quinella(1, 12.5, 1);
    return {withKey(b, key)};
}

class PathSafetyTest : public ::testing::Test {
protected:
    PathSafetyTest() : m_program(m_root / "prog"), m_layout(m_program)
    {
        m_layout.createFolders();
        // Files a path that climbs out of Data would reach first: beside Data, beside the
        // program folder and at the top, each a whole valid store file.
        const std::string ra = raceCard().build();
        text::writeFileAtomic(m_program / "x.nvRA", ra);
        text::writeFileAtomic(m_root / "x.nvRA", ra);
        text::ensureDirectory(m_program / "20240115");
        text::writeFileAtomic(m_program / "20240115" / "44010103.nvO1", oddsRecords(StoreKind::O1, {"", 1, "O1"})[0] + "\r\n");
        m_before = TreeSnapshot::of(m_root.path(), {m_layout.dataFolder()});
        m_beforeOutsideCsv = TreeSnapshot::of(m_root.path(), {m_layout.dataFolder(), m_layout.csvFolder()});
    }

    // Nothing outside Data changed, appeared or vanished.
    void expectOutsideUntouched(const std::string& what)
    {
        const TreeSnapshot after = TreeSnapshot::of(m_root.path(), {m_layout.dataFolder()});
        EXPECT_EQ(after.differences(m_before), std::vector<std::string>{}) << what;
    }

    testing::TempDir m_root;
    fs::path m_program;
    StoreLayout m_layout;
    TreeSnapshot m_before;
    TreeSnapshot m_beforeOutsideCsv;
};

TEST_F(PathSafetyTest, DayFileWritersRefuseEveryHostileKeyAndWriteNothingOutsideData)
{
    RecordStore store(m_layout);
    for (const HostileKey& key : hostileKeys()) {
        for (Origin origin : {Origin::Import, Origin::ResultsFetch}) {
            EXPECT_EQ(store.storeRa(withKey(raceCard(), key), origin), store::StoreOutcome::UnsafeKey) << key.what;
            EXPECT_EQ(store.storeHr(withKey(HrBuilder().date(2024, 1, 15).track("44").meeting(1).day(1).race(3), key),
                                    origin),
                      store::StoreOutcome::UnsafeKey)
                << key.what;
            const std::string se =
                withKey(SeBuilder().date(2024, 1, 15).track("44").meeting(1).day(1).race(3).horse(2), key);
            EXPECT_TRUE(store::isRefusal(store.storeSe(se, origin))) << key.what;
        }
    }
    // Inside a batch the same records go nowhere either.
    {
        store::StoreBatch batch(store);
        for (const HostileKey& key : hostileKeys()) {
            store.storeRa(withKey(raceCard(), key), Origin::Import);
            store.storeHr(withKey(HrBuilder().date(2024, 1, 15).track("44").meeting(1).day(1).race(3), key),
                          Origin::Import);
        }
        batch.commit();
    }
    expectOutsideUntouched("day-file writers");
    // Nothing was stored at all: every one of them was refused.
    EXPECT_TRUE(m_layout.dayFiles().empty());
}

TEST_F(PathSafetyTest, OddsWriterRefusesHostileKeysAloneAndAfterAGoodRecord)
{
    RecordStore store(m_layout);
    for (StoreKind kind : {StoreKind::O1, StoreKind::O2}) {
        const std::vector<std::string> good = oddsRecords(kind, {"", 1, kind == StoreKind::O1 ? "O1" : "O2"});
        for (const HostileKey& key : hostileKeys()) {
            const auto alone = store.storeOdds(kind, oddsRecords(kind, key));
            EXPECT_FALSE(alone.written) << key.what;
            EXPECT_EQ(alone.kept, 0) << key.what;

            // A hostile record after a good one of the same race never names the file,
            // and is not written into it.
            std::vector<std::string> mixed = good;
            mixed.push_back(oddsRecords(kind, key)[0]);
            const auto after = store.storeOdds(kind, mixed);
            EXPECT_EQ(after.kept, 1) << key.what;
            EXPECT_EQ(after.refused() + after.dropped, 1) << key.what;
        }
    }
    expectOutsideUntouched("odds writer");
    // The good records landed where they belong and nowhere else.
    std::vector<fs::path> files;
    for (const auto& e : fs::recursive_directory_iterator(m_layout.dataFolder()))
        if (e.is_regular_file())
            files.push_back(fs::relative(e.path(), m_layout.dataFolder()));
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<fs::path>{"20240115/44010103.nvO1", "20240115/44010103.nvO2"}));
}

TEST_F(PathSafetyTest, DayReadersNeverOpenAFileOutsideData)
{
    // Day labels as a damaged or planted file name, or a caller, could give them.
    const std::vector<std::string> labels = {"../x", "..", "/", "../../x", std::string("2024\0x", 6), "./../x",
                                             sj("../2024年01月15日"), ""};
    for (const std::string& label : labels) {
        analysis::DayFiles day = analysis::dayFiles(m_layout, label);
        analysis::DayTable table;
        analysis::readDayFile(table, day);
        analysis::readPayoutFile(table, day);
        EXPECT_EQ(table.raceCount, 0) << "label " << label;
        if (!day.dayFile.empty()) {
            EXPECT_EQ(day.dayFile.parent_path(), m_layout.dataFolder()) << "label " << label;
            EXPECT_EQ(day.runnerFile("44").parent_path(), m_layout.dataFolder()) << "label " << label;
        }
    }
    // A valid day whose race card holds a hostile track code reads its runners from a
    // file of the Data folder only.
    const analysis::DayFiles day = analysis::dayFiles(m_layout, sj("2024年01月15日"));
    for (const std::string& track : {std::string(".."), std::string("/"), std::string(1, '\0') + "/"}) {
        const fs::path runners = day.runnerFile(track);
        EXPECT_TRUE(runners.empty() || runners.parent_path() == m_layout.dataFolder());
    }
    expectOutsideUntouched("day readers");
}

TEST_F(PathSafetyTest, OddsSeriesOfAHostileRaceCardIsNeverLookedFor)
{
    for (const HostileKey& key : hostileKeys()) {
        const std::string ra = withKey(raceCard(), key);
        const analysis::RaceOddsFiles files = analysis::raceOddsFiles(m_layout, ra);
        EXPECT_FALSE(files.valid()) << key.what;
        const analysis::SnapshotSeries series = analysis::openRaceSeries(files, ra, "0115", {});
        EXPECT_FALSE(series.o1FileFound) << key.what;
        EXPECT_TRUE(series.o1Snapshots.empty()) << key.what;
        EXPECT_FALSE(m_layout.fileOf(StoreKind::O2, ra).has_value()) << key.what;
    }
    expectOutsideUntouched("odds readers");
}

TEST_F(PathSafetyTest, ExportOfHostileRaceCardsWritesOnlyIntoCsv)
{
    const TreeSnapshot beforeData = TreeSnapshot::of(m_layout.dataFolder(), {});
    testing::RecordingHost host;
    for (const HostileKey& key : hostileKeys()) {
        if (key.what.find("ending in") != std::string::npos)
            continue; // one odd byte among digits is covered by the writers; each export costs eight file writes
        results::ExportDay day;
        // Slot 0 hostile (it names the files), then a hostile race among good ones.
        day.slotRaceCards = {withKey(raceCard(), key), raceCard().line(), withKey(raceCard().race(4), key)};
        day.listedRaces = day.slotRaceCards.size();
        const auto first = results::runSpecificTimeExport(m_layout, day, {}, host);
        if (first.succeeded()) {
            // Only the date can make slot 0 name files; letters or pieces elsewhere are
            // harmless there, and the name is still made of digits only.
            for (const fs::path& p : first.written)
                EXPECT_EQ(p.parent_path(), m_layout.csvFolder()) << key.what;
        }
        std::swap(day.slotRaceCards[0], day.slotRaceCards[1]);
        const auto second = results::runSpecificTimeExport(m_layout, day, {}, host);
        ASSERT_TRUE(second.succeeded()) << key.what;
        for (const fs::path& p : second.written) {
            EXPECT_EQ(p.parent_path(), m_layout.csvFolder()) << key.what;
            EXPECT_EQ(p.filename().string().find_first_not_of("TANFUKWAKUMAOZNICSV0123456789."), std::string::npos);
        }
    }
    // The export only reads the store: Data is as it was, and nothing but CSV gained files.
    EXPECT_EQ(TreeSnapshot::of(m_layout.dataFolder(), {}).differences(beforeData), std::vector<std::string>{});
    const auto outside = [&] { return TreeSnapshot::of(m_root.path(), {m_layout.dataFolder(), m_layout.csvFolder()}); };
    EXPECT_EQ(outside().differences(m_beforeOutsideCsv), std::vector<std::string>{});
}

} // namespace
} // namespace tidemark::reliability
