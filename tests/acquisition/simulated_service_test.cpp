// Whole transfers against the simulated data service: what an import, a batch import
// and the main window's fetches leave in the store, also when the service fails at
// any call.

#include <algorithm>
#include <map>
#include <memory>
#include <set>

#include "acquisition/acquisition_fixture.h"
#include "acquisition/batch_odds_import.h"
#include "acquisition/odds_watch.h"
#include "acquisition/realtime_fetch.h"
#include "acquisition/results_timer.h"
#include "acquisition/stored_data_import.h"
#include "acquisition/tap_link.h"
#include "nvsim/sim_nv_link.h"
#include "records/keiba_func_nv.h"
#include "records/record_view.h"
#include "service/nv_message.h"
#include "settings/settings_keys.h"
#include "store/store_layout.h"
#include "text/date_time.h"
#include "text/number_format.h"
#include "text/text_functions.h"
#include "text/file_io.h"

namespace tidemark::testing {
namespace {

using acquisition::StoredDataImport;
using store::StoreKind;

// A simulated service over days of January 2024 (by default the 12th only: every
// stored record costs a whole-file rewrite), behind a tap and its own channel.
struct SimRig {
    SimRig(RecordingHost& host, std::vector<nvsim::FaultRule> faults = {}, int firstDay = 12, int lastDay = 12)
    {
        nvsim::SimConfig config;
        config.seed = 4242;
        config.firstDay = text::DateTime{2024, 1, firstDay};
        config.lastDay = text::DateTime{2024, 1, lastDay};
        config.downloadSpeed = 5;
        config.faults = std::move(faults);
        sim = std::make_unique<nvsim::SimNvLink>(config, [&host] { return host.clock; });
        sim->NVInit("SA418372/SD605291/TidemarkNV/Ver.1.15");
        tap = std::make_unique<TapLink>(*sim);
        channel = std::make_unique<acquisition::NvChannel>(*tap);
    }
    std::unique_ptr<nvsim::SimNvLink> sim;
    std::unique_ptr<TapLink> tap;
    std::unique_ptr<acquisition::NvChannel> channel;
};

// Every file under a folder with its bytes, by path relative to it.
std::map<std::string, std::string> tree(const std::filesystem::path& folder)
{
    std::map<std::string, std::string> out;
    if (!std::filesystem::exists(folder))
        return out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder))
        if (e.is_regular_file())
            out[text::utf8Path(std::filesystem::relative(e.path(), folder))] = text::readFile(e.path());
    return out;
}

class SimulatedServiceTest : public AcquisitionTest {
protected:
    SimulatedServiceTest() { host.clock = {2024, 1, 15, 12, 0, 0}; }

    // Runs an import from `from` to its end, the download wait included.
    static void runImport(RecordingHost& host, StoredDataImport& import)
    {
        import.start();
        for (int i = 0; i < 100000 && import.phase() == StoredDataImport::Phase::Downloading; ++i)
            host.fire(TimerId::TimerNVStatus);
        ASSERT_EQ(import.phase(), StoredDataImport::Phase::Idle);
    }
    void importAll(SimRig& rig, std::string_view from = "2024/01/01 00:00:00")
    {
        settings::writeLastTime(settings, from);
        StoredDataImport import(*rig.channel, host, store, settings);
        import.open();
        runImport(host, import);
    }
    static std::string dayLabel(const text::DateTime& d)
    {
        return *store::dayLabelOfDate(text::formatDateTime("yyyymmdd", d));
    }
};

TEST_F(SimulatedServiceTest, ImportFilesEveryRaceRunnerAndPayoutOfTheDays)
{
    SimRig rig(host, {}, 11, 12);
    importAll(rig);
    EXPECT_EQ(host.boxes.size(), 1u) << text::toUtf8(host.boxes.back().text);
    EXPECT_EQ(rig.tap->closes, 1);

    int days = 0;
    for (int d = 11; d <= 12; ++d) {
        const text::DateTime day{2024, 1, d};
        const auto races = rig.sim->world().racesOn(day);
        const std::string lbl = dayLabel(day);
        if (races.empty()) {
            EXPECT_FALSE(std::filesystem::exists(store.layout().raFile(lbl)));
            continue;
        }
        ++days;
        const auto raLines = lines(store.layout().raFile(lbl), StoreKind::RA);
        ASSERT_EQ(raLines.size(), races.size()) << text::toUtf8(lbl);
        const auto hrLines = lines(store.layout().hrFile(lbl), StoreKind::HR);
        for (const nvsim::SimRace* race : races) {
            const std::string key = race->key();
            const auto ra = std::find_if(raLines.begin(), raLines.end(),
                                         [&](const std::string& l) { return text::bytesAt(l, 12, 16) == key; });
            ASSERT_NE(ra, raLines.end()) << key;
            EXPECT_EQ(text::bytesAt(*ra, 3, 9), "000000000");
            EXPECT_EQ(text::readInt(text::bytesAt(*ra, 882, 2)), race->runnerCount());
            const auto slots = lines(store.layout().seFile(lbl, race->track), StoreKind::SE);
            ASSERT_EQ(slots.size(), 216u);
            for (const auto& runner : race->runners) {
                const std::string& slot = slots[static_cast<std::size_t>((race->raceNo - 1) * 18 + runner.number - 1)];
                EXPECT_EQ(text::bytesAt(slot, 12, 16), key);
                EXPECT_EQ(text::readInt(text::bytesAt(slot, 29, 2)), runner.number);
            }
            if (!race->cancelled) {
                EXPECT_TRUE(std::any_of(hrLines.begin(), hrLines.end(),
                                        [&](const std::string& l) { return text::bytesAt(l, 12, 16) == key; }))
                    << key;
            }
        }
    }
    EXPECT_GT(days, 0);

    // The newest file's time stamp is the next start, and nothing is newer than it.
    const std::string lastTime = settings.readString("NvDataGet", "LastTime", "");
    EXPECT_GT(lastTime, "2024/01/12 00:00:00");
    const auto before = tree(dir / "Data");
    host.boxes.clear();
    importAll(rig, lastTime);
    EXPECT_EQ(host.boxTexts().back(), sj("最新のデータがありません。"));
    EXPECT_EQ(tree(dir / "Data"), before);
}

TEST_F(SimulatedServiceTest, ReadFaultLeavesExactlyTheRecordsReadBeforeIt)
{
    for (int at : {1, 300}) {
        SCOPED_TRACE(at);
        TempDir cutDir;
        std::map<std::string, std::string> expected;
        {
            // The same import, ended cleanly just before the faulted call.
            RecordingHost cutHost;
            cutHost.clock = host.clock;
            SimRig cut(cutHost);
            cut.tap->getsLimit = at - 1;
            store::RecordStore cutStore{store::StoreLayout(cutDir.path())};
            IniFile cutSettings(cutDir / "Tidemark2NV.ini");
            settings::writeLastTime(cutSettings, "2024/01/01 00:00:00");
            StoredDataImport import(*cut.channel, cutHost, cutStore, cutSettings);
            import.open();
            runImport(cutHost, import);
            expected = tree(cutDir / "Data");
        }
        std::filesystem::remove_all(dir / "Data");
        host.boxes.clear();
        SimRig rig(host, {{"NVGets", -502, at, 1}});
        importAll(rig);
        EXPECT_EQ(host.boxTexts().back(), sj("NVReadエラー:") + nvMessage(NvOperation::NVRead, -502));
        EXPECT_EQ(tree(dir / "Data"), expected);
        EXPECT_EQ(rig.tap->calls.back(), "NVClose");
        EXPECT_EQ(settings.readString("NvDataGet", "LastTime", ""), "2024/01/01 00:00:00");
    }
}

TEST_F(SimulatedServiceTest, OpenStatusAndCloseFaultsShowTheirMessages)
{
    for (int code : {-1, -2, -111, -112, -114, -115, -116, -201, -202, -211, -301, -302, -303, -401, -411, -412,
                     -413, -421, -431, -501, -504}) {
        SCOPED_TRACE(code);
        host.boxes.clear();
        SimRig rig(host, {{"NVOpen", code, 1, 1}});
        importAll(rig);
        const std::string expected = code == -1 ? sj("最新のデータがありません。")
                                                : sj("NVOpenエラー:") + nvMessage(NvOperation::NVOpen, code);
        EXPECT_EQ(host.boxTexts().back(), expected);
        EXPECT_EQ(rig.tap->calls.back(), "NVClose");
        EXPECT_TRUE(tree(dir / "Data").empty());
    }
    for (int code : {-201, -203, -502}) {
        SCOPED_TRACE(code);
        host.boxes.clear();
        SimRig rig(host, {{"NVStatus", code, 1, 1}});
        importAll(rig);
        EXPECT_EQ(host.boxTexts().back(), sj("JVStatusエラー:") + nvMessage(NvOperation::NVStatus, code));
        EXPECT_EQ(rig.tap->calls.back(), "NVClose");
        EXPECT_TRUE(tree(dir / "Data").empty());
    }
    host.boxes.clear();
    SimRig rig(host, {{"NVClose", -1, 1, 1}});
    importAll(rig);
    EXPECT_EQ(host.boxTexts().back(), sj("NVCloseエラー:") + nvMessage(NvOperation::NVClose, -1));
    EXPECT_FALSE(tree(dir / "Data").empty()); // everything read stays
}

TEST_F(SimulatedServiceTest, BatchImportOfADayWritesTheOddsOfEveryRace)
{
    SimRig rig(host);
    importAll(rig);
    const text::DateTime day{2024, 1, 12};
    const auto races = rig.sim->world().racesOn(day);
    ASSERT_FALSE(races.empty());

    acquisition::BatchOddsImport batch(*rig.channel, host, store);
    batch.setDateList(store.layout().dayLabels());
    batch.showFor(dayLabel(day));
    ASSERT_EQ(batch.selectedLabel(), dayLabel(day));
    rig.tap->calls.clear();
    host.boxes.clear();
    batch.importDay();

    EXPECT_EQ(std::count(rig.tap->calls.begin(), rig.tap->calls.end(), "NVRTOpen"),
              static_cast<long>(2 * races.size()));
    for (const nvsim::SimRace* race : races) {
        if (race->cancelled)
            continue;
        const auto o1Lines = lines(store.layout().oddsFile(StoreKind::O1, race->key()), StoreKind::O1);
        const auto o2Lines = lines(store.layout().oddsFile(StoreKind::O2, race->key()), StoreKind::O2);
        ASSERT_FALSE(o1Lines.empty()) << race->key();
        ASSERT_FALSE(o2Lines.empty()) << race->key();
        EXPECT_TRUE(std::is_sorted(o1Lines.begin(), o1Lines.end()));
        for (const auto& l : o1Lines)
            EXPECT_EQ(l[2], '0');
    }
    EXPECT_EQ(host.boxTexts().back().rfind(dayLabel(day) + sj("のデータ作成が完了しました。"), 0), 0u);
}

TEST_F(SimulatedServiceTest, LiveDayFetchesReplaceTheSeriesAndAddPayouts)
{
    host.clock = {2024, 1, 12, 13, 0, 0};
    SimRig rig(host);
    importAll(rig);
    const auto races = rig.sim->world().racesOn(text::DateTime{2024, 1, 12});
    ASSERT_FALSE(races.empty());
    // A race still to run whose pools are open.
    const nvsim::SimRace* live = nullptr;
    for (const nvsim::SimRace* r : races)
        if (!r->cancelled && r->postTime > 1330 && r->saleStart < nvsim::toSimMinute(host.clock)) {
            live = r;
            break;
        }
    ASSERT_NE(live, nullptr);
    const std::string lbl = dayLabel(text::DateTime{2024, 1, 12});
    const auto raLines = lines(store.layout().raFile(lbl), StoreKind::RA);
    const auto raLine = std::find_if(raLines.begin(), raLines.end(),
                                     [&](const std::string& l) { return text::bytesAt(l, 12, 16) == live->key(); });
    ASSERT_NE(raLine, raLines.end());

    acquisition::RealtimeFetch fetch(*rig.channel, host, store, dir.path());
    acquisition::FetchSelection sel;
    sel.daySelected = true;
    sel.slot0Ra = raLines.front();
    sel.raceRa = *raLine;
    sel.raceSelected = true;
    int reloads = 0;
    fetch.fetchOdds(sel, [&] { ++reloads; });
    const auto first = lines(store.layout().oddsFile(StoreKind::O1, live->key()), StoreKind::O1);
    ASSERT_FALSE(first.empty());
    EXPECT_LE(text::bytesAt(first.back(), 28, 8), "01121300");

    host.clock.minute = 25;
    fetch.fetchOdds(sel, [&] { ++reloads; });
    const auto later = lines(store.layout().oddsFile(StoreKind::O1, live->key()), StoreKind::O1);
    EXPECT_GT(later.size(), first.size());
    EXPECT_EQ(std::vector<std::string>(later.begin(), later.begin() + static_cast<long>(first.size())), first);
    EXPECT_EQ(reloads, 2);
    EXPECT_TRUE(lines(store.layout().oddsFile(StoreKind::O2, live->key()), StoreKind::O2).size() > 0);

    // Results of the races run since the import arrive as payouts.
    const auto hrBefore = lines(store.layout().hrFile(lbl), StoreKind::HR).size();
    host.clock = {2024, 1, 12, 17, 0, 0};
    int after = 0;
    fetch.fetchResults(sel, true, [&] { ++after; });
    EXPECT_GT(lines(store.layout().hrFile(lbl), StoreKind::HR).size(), hrBefore);
    EXPECT_EQ(lines(store.layout().raFile(lbl), StoreKind::RA).size(), raLines.size());
    EXPECT_EQ(after, 1);
    EXPECT_EQ(fetch.dlLabel(), "");
    EXPECT_EQ(rig.tap->opens, rig.tap->closes - 4); // odds close twice per step
}

TEST_F(SimulatedServiceTest, RealtimeFaultsAreShownLoggedAndKeepTheStoredSeries)
{
    host.clock = {2024, 1, 12, 13, 0, 0};
    SimRig clean(host);
    importAll(clean);
    const std::string lbl = dayLabel(text::DateTime{2024, 1, 12});
    const auto raLines = lines(store.layout().raFile(lbl), StoreKind::RA);
    acquisition::FetchSelection sel;
    sel.daySelected = true;
    sel.slot0Ra = raLines.front();
    sel.raceRa = raLines.front();
    sel.raceSelected = true;
    const std::string key(text::bytesAt(sel.raceRa, 12, 16));
    {
        acquisition::RealtimeFetch fetch(*clean.channel, host, store, dir.path());
        fetch.fetchOdds(sel, {});
    }
    const auto stored = tree(dir / "Data");
    const std::string name = std::string(KeibaFuncNV::TrackName(text::bytesAt(sel.raceRa, 20, 2), 2)) +
                             text::rightNumber(text::bytesAt(sel.raceRa, 26, 2));

    for (int code : {-1, -114, -201, -202, -301, -504}) {
        SCOPED_TRACE(code);
        SimRig rig(host, {{"NVRTOpen", code, 1, 3}});
        acquisition::RealtimeFetch fetch(*rig.channel, host, store, dir.path());
        std::vector<std::string> shown;
        fetch.setOnLabel([&] { shown.push_back(fetch.dlLabel()); });
        fetch.fetchOdds(sel, {});
        const std::string message = name + sj("R:ｵｯｽﾞ取得エラー：") + nvMessage(NvOperation::NVRTOpen, code);
        EXPECT_EQ(std::count(shown.begin(), shown.end(), message), 2); // both odds requests failed
        EXPECT_NE(errorLogText().find(message + "\r\n"), std::string::npos);
        EXPECT_EQ(tree(dir / "Data"), stored);
        EXPECT_EQ(rig.tap->closes, 4);

        fetch.fetchResults(sel, false, {});
        EXPECT_EQ(tree(dir / "Data"), stored);
        EXPECT_NE(errorLogText().find(name + sj("R:払戻データ取得エラー：") + nvMessage(NvOperation::NVRTOpen, code)),
                  std::string::npos);
    }
    for (int code : {-201, -202, -203, -402, -403, -502, -503}) {
        SCOPED_TRACE(code);
        SimRig rig(host, {{"NVRead", code, 3, 1}});
        acquisition::RealtimeFetch fetch(*rig.channel, host, store, dir.path());
        fetch.fetchOdds(sel, {});
        EXPECT_NE(errorLogText().find(sj("：") + nvMessage(NvOperation::NVRead, code) + "\r\n"), std::string::npos);
        // The broken win series keeps its file; the quinella request ran and rewrote its own.
        EXPECT_EQ(text::readFile(store.layout().oddsFile(StoreKind::O1, key)),
                  stored.at(text::utf8Path(std::filesystem::relative(store.layout().oddsFile(StoreKind::O1, key), dir / "Data"))));
        EXPECT_EQ(rig.tap->calls.back(), "NVClose");
    }
}

// The odds watch on a live race day: the races near their post in post order, a faulted
// request that only costs its race that round, and a user's fetch in the middle of a
// round that goes first.
TEST_F(SimulatedServiceTest, OddsWatchFollowsTheDayThroughAFaultAndAUsersFetch)
{
    host.clock = {2024, 1, 12, 7, 0, 0};
    SimRig rig(host, {{"NVRTOpen", -301, 3, 1}}); // the day's third real-time request fails
    importAll(rig);
    const std::string lbl = dayLabel(text::DateTime{2024, 1, 12});
    const auto raLines = lines(store.layout().raFile(lbl), StoreKind::RA);
    // The day's races by post time, read from the race cards.
    std::vector<std::pair<int, std::string>> posts;
    for (const std::string& l : raLines) {
        const std::string_view post = text::bytesAt(l, 874, 4);
        posts.emplace_back(static_cast<int>(text::readInt(post.substr(0, 2)) * 60 + text::readInt(post.substr(2, 2))),
                           std::string(text::bytesAt(l, 12, 16)));
    }
    std::sort(posts.begin(), posts.end());
    const auto dueAt = [&posts](int nowMinute) {
        std::vector<std::string> keys;
        for (const auto& [minute, key] : posts)
            if (minute > nowMinute && minute - nowMinute <= 60)
                keys.push_back(key);
        return keys;
    };
    const auto requestsOf = [](const std::vector<std::string>& keys) {
        std::vector<std::string> r;
        for (const std::string& k : keys) {
            r.push_back("0B41 " + k);
            r.push_back("0B42 " + k);
        }
        return r;
    };
    const auto lastAnnouncement = [this](const std::string& key) {
        const auto l = lines(store.layout().oddsFile(StoreKind::O1, key), StoreKind::O1);
        return l.empty() ? std::string() : std::string(text::bytesAt(l.back(), 28, 8));
    };

    // The first minute of the day with the most races within the hour.
    int start = 0;
    for (int m = 0; m < 24 * 60; ++m)
        if (dueAt(m).size() > dueAt(start).size())
            start = m;
    host.clock = {2024, 1, 12, start / 60, start % 60, 0};
    const std::vector<std::string> due = dueAt(start);
    ASSERT_GE(due.size(), 3u);
    acquisition::OddsWatch watch(*rig.channel, host, store, dir.path());
    std::vector<std::string> written;
    watch.setOnRaceWritten([&](std::string_view key) { written.emplace_back(key); });
    watch.setDay(raLines);
    watch.setTimes(60, 2, acquisition::OddsWatch::kDefaultNear);
    const auto runRound = [&] {
        for (int i = 0; i < 200 && host.fire(TimerId::OddsWatchTimer); ++i)
            if (watch.statusText().find(sj("次回")) != std::string::npos)
                break;
    };
    rig.tap->realtimeRequests.clear();
    watch.start();
    runRound();
    EXPECT_EQ(rig.tap->realtimeRequests, requestsOf(due));
    // The faulted request was the second race's win odds: logged, its file left alone,
    // its quinella and every later race fetched.
    const std::string faulted = due[1];
    EXPECT_TRUE(lastAnnouncement(faulted).empty());
    EXPECT_TRUE(std::filesystem::exists(store.layout().oddsFile(StoreKind::O2, faulted)));
    EXPECT_EQ(watch.requestErrors(), 1);
    EXPECT_NE(errorLogText().find(sj("R:ｵｯｽﾞ監視エラー：") + nvMessage(NvOperation::NVRTOpen, -301)), std::string::npos);
    EXPECT_EQ(written, due);
    const std::string now = text::formatDateTime("mmddhhnn", host.clock);
    for (const std::string& key : due)
        if (key != faulted) {
            ASSERT_FALSE(lastAnnouncement(key).empty()) << key;
            EXPECT_LE(lastAnnouncement(key), now) << key;
        }
    EXPECT_TRUE(watch.on());

    // Two minutes on, the next round; the user fetches the day's last race meanwhile.
    const std::string firstSeen = lastAnnouncement(due[0]);
    host.clock.minute += 2;
    if (host.clock.minute >= 60) {
        host.clock.minute -= 60;
        ++host.clock.hour;
    }
    const std::string userKey = posts.back().second;
    const auto userRa = std::find_if(raLines.begin(), raLines.end(),
                                     [&](const std::string& l) { return text::bytesAt(l, 12, 16) == userKey; });
    acquisition::RealtimeFetch fetch(*rig.channel, host, store, dir.path());
    std::vector<std::string> userLabels;
    fetch.setOnLabel([&] { userLabels.push_back(fetch.dlLabel()); });
    acquisition::FetchSelection sel;
    sel.daySelected = sel.raceSelected = true;
    sel.slot0Ra = raLines.front();
    sel.raceRa = *userRa;
    bool clicked = false;
    host.onProcessEvents = [&] {
        if (!clicked && rig.channel->held() && !rig.channel->busy()) {
            clicked = true;
            fetch.fetchOdds(sel, {});
        }
    };
    rig.tap->realtimeRequests.clear();
    runRound();
    host.onProcessEvents = nullptr;
    ASSERT_TRUE(clicked);
    const std::vector<std::string> dueNow = dueAt(start + 2);
    std::vector<std::string> expected{"0B41 " + dueNow.front(), "0B41 " + userKey, "0B42 " + userKey};
    for (const std::string& r : requestsOf(dueNow))
        expected.push_back(r);
    EXPECT_EQ(rig.tap->realtimeRequests, expected);
    // The user's fetch ran without an error, the interrupted race was fetched again and
    // the faulted one has its win odds now.
    for (const std::string& label : userLabels)
        EXPECT_TRUE(label.empty() || label.find(sj("オッズ取得中")) != std::string::npos) << text::toUtf8(label);
    EXPECT_TRUE(host.boxes.size() <= 1u); // the import's own box only
    EXPECT_FALSE(lastAnnouncement(userKey).empty());
    EXPECT_GE(lastAnnouncement(due[0]), firstSeen);
    EXPECT_FALSE(lastAnnouncement(faulted).empty());
    EXPECT_EQ(watch.requestErrors(), 1);
    // Nothing was left open: the service takes a new request.
    EXPECT_EQ(rig.sim->NVRTOpen("0B41", due[0]), 0);
    rig.sim->NVClose();
}


// --- a race day watched and its results taken, the clock moved a minute at a time ---

struct DayRace {
    std::string key;
    std::string name; // "川崎 3R", as the status bar names it
    int post = 0;     // minutes after midnight
    std::vector<int> reads; // minutes of its win-odds requests
};

// The day's races by post time, from its race cards.
std::vector<DayRace> dayRaces(const std::vector<std::string>& raLines)
{
    std::vector<DayRace> races;
    for (const std::string& l : raLines) {
        const records::RaView ra(l);
        races.push_back({std::string(ra.raceKey()),
                         KeibaFuncNV::TrackName(ra.trackCode(), 2) + text::rightNumber(ra.raceNumberText()) + "R",
                         text::minuteOfHhmm(ra.startTime()),
                         {}});
    }
    std::sort(races.begin(), races.end(),
              [](const DayRace& a, const DayRace& b) { return a.post != b.post ? a.post < b.post : a.key < b.key; });
    return races;
}

TEST_F(SimulatedServiceTest, OddsWatchKeepsItsScheduleFromTheFirstPostToTheLastFinal)
{
    host.clock = {2024, 1, 12, 7, 0, 0};
    SimRig rig(host);
    importAll(rig);
    const auto raLines = lines(store.layout().raFile(dayLabel(text::DateTime{2024, 1, 12})), StoreKind::RA);
    std::vector<DayRace> races = dayRaces(raLines);
    ASSERT_GE(races.size(), 10u);
    const auto lastO1 = [this](const std::string& key) {
        const auto l = lines(store.layout().oddsFile(StoreKind::O1, key), StoreKind::O1);
        return l.empty() ? std::string() : l.back();
    };

    constexpr int ahead = 15, every = 5, nearMinutes = 3;
    acquisition::OddsWatch watch(*rig.channel, host, store, dir.path());
    watch.setDay(raLines);
    watch.setTimes(ahead, every, nearMinutes);
    int minute = races.front().post - ahead - 7;
    host.clock = {2024, 1, 12, minute / 60, minute % 60, 0};
    watch.start();
    rig.tap->realtimeRequests.clear();
    std::vector<std::pair<int, int>> promised; // (the next read shown, the minute it was shown at)
    std::set<int> readMinutes;
    for (; minute < 24 * 60; ++minute) {
        host.clock = {2024, 1, 12, minute / 60, minute % 60, 0};
        const std::size_t before = rig.tap->realtimeRequests.size();
        for (int i = 0; i < 400 && host.fire(TimerId::OddsWatchTimer); ++i)
            if (watch.statusText().find(sj("次回")) != std::string::npos)
                break;
        for (std::size_t r = before; r < rig.tap->realtimeRequests.size(); ++r)
            for (DayRace& race : races)
                if (rig.tap->realtimeRequests[r] == "0B41 " + race.key) {
                    race.reads.push_back(minute);
                    readMinutes.insert(minute);
                }
        if (!watch.on())
            break;
        const std::size_t next = watch.statusText().find(sj("次回 "));
        ASSERT_NE(next, std::string::npos) << text::toUtf8(watch.statusText());
        const std::string hhnn = watch.statusText().substr(next + sj("次回 ").size(), 5);
        promised.emplace_back(text::minuteOfHhmm(hhnn.substr(0, 2) + hhnn.substr(3, 2)), minute);
    }

    // The watch ended by itself at the last post, once the last final odds were in.
    EXPECT_EQ(watch.state(), acquisition::OddsWatch::State::Finished);
    EXPECT_EQ(minute, races.back().post);
    EXPECT_EQ(watch.requestErrors(), 0);
    std::set<std::string> cancelled;
    for (const nvsim::SimRace* r : rig.sim->world().racesOn(text::DateTime{2024, 1, 12}))
        if (r->cancelled)
            cancelled.insert(r->key());
    for (const DayRace& race : races) {
        SCOPED_TRACE(race.key);
        ASSERT_FALSE(race.reads.empty());
        EXPECT_GE(race.reads.front(), race.post - ahead); // nothing before it is near
        EXPECT_TRUE(std::adjacent_find(race.reads.begin(), race.reads.end(), std::greater_equal<>()) ==
                    race.reads.end()); // once a minute at most
        if (cancelled.count(race.key)) {
            EXPECT_LE(race.reads.back(), race.post); // called off: asked no more
            continue;
        }
        // Far from the post, one read a round; in the last minutes and at the post, every minute.
        for (std::size_t i = 1; i < race.reads.size(); ++i) {
            if (race.reads[i] < race.post - nearMinutes) {
                EXPECT_EQ(race.reads[i] - race.reads[i - 1], every) << race.reads[i];
            }
        }
        for (int m = race.post - nearMinutes; m <= race.post; ++m)
            EXPECT_NE(std::find(race.reads.begin(), race.reads.end(), m), race.reads.end()) << m;
        // The final announcement, made at the post, is stored; nothing is asked after it.
        EXPECT_EQ(race.reads.back(), race.post);
        const std::string lastLine = lastO1(race.key);
        const records::O1View last(lastLine);
        EXPECT_EQ(last.announcementHour() * 60 + last.announcementMinute(), race.post);
    }
    // Every next read the status promised came then, and none before it.
    for (const auto& [next, at] : promised) {
        const auto after = readMinutes.upper_bound(at);
        ASSERT_NE(after, readMinutes.end()) << at;
        EXPECT_EQ(*after, next) << "shown at " << at;
    }
    // One transfer at a time: every request closed before the next opened.
    int open = 0;
    for (const std::string& call : rig.tap->calls) {
        open = call == "NVRTOpen" ? open + 1 : call == "NVClose" ? 0 : open;
        EXPECT_LE(open, 1);
    }
}

TEST_F(SimulatedServiceTest, ResultsComeFromBeforeTheEarliestPostToAfterTheLastNightRace)
{
    using acquisition::ResultsTimer;
    host.clock = {2024, 1, 12, 7, 0, 0};
    SimRig rig(host);
    importAll(rig);
    const std::string lbl = dayLabel(text::DateTime{2024, 1, 12});
    const auto raLines = lines(store.layout().raFile(lbl), StoreKind::RA);
    const std::vector<DayRace> races = dayRaces(raLines);
    const int until = races.back().post + ResultsTimer::kAfterLastPostMinutes;
    ASSERT_GT(until, ResultsTimer::kLastMinute); // the day has night races
    // The night track's card first, as a day file may list it: the earliest post is elsewhere.
    std::vector<std::string_view> cards(raLines.begin(), raLines.end());
    const auto night = std::find_if(cards.begin(), cards.end(),
                                    [&](std::string_view l) { return records::RaView(l).raceKey() == races.back().key; });
    std::rotate(cards.begin(), night, night + 1);
    ASSERT_NE(records::RaView(cards.front()).raceKey(), races.front().key);

    acquisition::RealtimeFetch fetch(*rig.channel, host, store, dir.path());
    acquisition::FetchSelection sel;
    sel.daySelected = true;
    sel.slot0Ra = raLines.front();
    std::vector<int> fetched;
    ResultsTimer timer(host, settings, [&] {
        fetched.push_back(host.clock.hour * 60 + host.clock.minute);
        fetch.fetchResults(sel, true, {});
    });
    timer.dayLoaded(lbl, cards);
    const int period = timer.intervalMinutes();
    std::vector<int> expected;
    for (int minute = 7 * 60; minute < 24 * 60; minute += period) {
        host.clock = {2024, 1, 12, minute / 60, minute % 60, 0};
        host.fire(TimerId::Timer4);
        if (minute > races.front().post - (period + 30) && minute <= until)
            expected.push_back(minute);
    }
    EXPECT_EQ(fetched, expected);
    // Every race that ran has its payouts, the night's last one too.
    std::set<std::string> paid;
    for (const std::string& hr : lines(store.layout().hrFile(lbl), StoreKind::HR))
        paid.insert(std::string(text::bytesAt(hr, 12, 16)));
    for (const nvsim::SimRace* r : rig.sim->world().racesOn(text::DateTime{2024, 1, 12}))
        EXPECT_EQ(paid.count(r->key()), r->cancelled ? 0u : 1u) << r->key();
    EXPECT_EQ(paid.count(races.back().key), 1u);
}

} // namespace
} // namespace tidemark::testing
