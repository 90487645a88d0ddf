// The odds watch over a scripted service: which races a round takes and in which order,
// how it shares the service with the user's own fetches, what it does with errors, and
// when it stops.

#include "acquisition/odds_watch.h"

#include "acquisition/acquisition_fixture.h"
#include "acquisition/realtime_fetch.h"
#include "acquisition/stored_data_import.h"
#include "service/nv_message.h"

namespace tidemark::testing {
namespace {

using acquisition::OddsWatch;
using State = OddsWatch::State;
using store::StoreKind;

class OddsWatchTest : public AcquisitionTest {
protected:
    OddsWatchTest() : watch(channel, host, store, dir.path())
    {
        host.clock = {2024, 1, 15, 10, 0, 0};
        // 大井 1R 10:15, 2R 10:40, 3R 11:30 and 川崎 1R 10:20 (in no particular order).
        day = {ra(2).startTime("1040").line(), ra(1).startTime("1015").line(), ra(3).startTime("1130").line(),
               ra(1, "45").startTime("1020").line()};
        watch.setDay(day);
        watch.setOnRaceWritten([this](std::string_view key) { written.emplace_back(key); });
        for (int race = 1; race <= 3; ++race)
            answerOdds(race);
        answerOdds(1, "45");
    }

    // Every request of this race answers with one announcement at the clock's time.
    void answerOdds(int race, std::string_view track = "44", int times = 8)
    {
        for (int i = 0; i < times; ++i) {
            link.script("0B41", key(race, track),
                        {0, {FakeNvLink::rec(o1(race, host.clock.hour, host.clock.minute, track).build())}});
            link.script("0B42", key(race, track),
                        {0, {FakeNvLink::rec(o2(race, host.clock.hour, host.clock.minute, track).build())}});
        }
    }

    // Fires the watch's timer until it waits for the next round or stops.
    void runRound(int maxTicks = 20)
    {
        for (int i = 0; i < maxTicks && host.fire(TimerId::OddsWatchTimer); ++i)
            if (watch.state() != State::Fetching && watch.state() != State::Waiting)
                break;
            else if (watch.state() == State::Waiting && watch.statusText().find(sj("次回")) != std::string::npos)
                break;
    }

    // The race keys of the 0B41 requests, in order.
    std::vector<std::string> winRequests() const
    {
        std::vector<std::string> keys;
        for (const std::string& c : link.calls)
            if (c.starts_with("NVRTOpen 0B41 "))
                keys.push_back(c.substr(14));
        return keys;
    }

    OddsWatch watch;
    std::vector<std::string> day;
    std::vector<std::string> written;
};

TEST_F(OddsWatchTest, ARoundFetchesTheRacesWithinTheHourNearestPostFirst)
{
    watch.setTimes(60, 2, 0);
    watch.start();
    EXPECT_TRUE(watch.on());
    EXPECT_TRUE(host.timerRunning(TimerId::OddsWatchTimer));
    EXPECT_TRUE(link.calls.empty()); // nothing before the first tick: the switch's click returns at once
    runRound();
    // 10:15, 10:20 (川崎) and 10:40; 11:30 is 90 minutes away.
    EXPECT_EQ(winRequests(), (std::vector<std::string>{key(1), key(1, "45"), key(2)}));
    EXPECT_EQ(link.count("NVRTOpen 0B42"), 3);
    EXPECT_EQ(written, (std::vector<std::string>{key(1), key(1, "45"), key(2)}));
    EXPECT_EQ(lines(oddsFile(StoreKind::O1, 1), StoreKind::O1).size(), 1u);
    EXPECT_EQ(lines(oddsFile(StoreKind::O2, 2), StoreKind::O2).size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(oddsFile(StoreKind::O1, 3)));
    EXPECT_EQ(watch.state(), State::Waiting);
    // The next round, and how old the nearest race's odds are.
    EXPECT_EQ(watch.statusText(), sj("オッズ監視中：次回 10:02　大井 1R 10:00発表(0分前)"));
    EXPECT_EQ(watch.racesFetched(), 3);
    EXPECT_EQ(link.protocolFaults, 0);
    EXPECT_EQ(host.beeps, 0); // background work never beeps
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_FALSE(channel.held());

    // Before the next round is due a heartbeat does nothing.
    host.clock.minute = 1;
    link.calls.clear();
    host.fire(TimerId::OddsWatchTimer);
    EXPECT_TRUE(link.calls.empty());

    // 10:16: the 10:15 race is read for its last announcements first, the 11:30 one is
    // not near yet.
    host.clock.minute = 16;
    runRound();
    EXPECT_EQ(winRequests(), (std::vector<std::string>{key(1), key(1, "45"), key(2)}));
    // The service still answers with its 10:00 announcements: the odds are 16 minutes old.
    EXPECT_EQ(watch.statusText(), sj("オッズ監視中：次回 10:18　川崎 1R 10:00発表(16分前)"));

    // A longer window takes the 11:30 race too, from the next round on.
    watch.setTimes(120, 2, 0);
    host.clock.minute = 18;
    link.calls.clear();
    runRound();
    EXPECT_EQ(winRequests(), (std::vector<std::string>{key(1), key(1, "45"), key(2), key(3)}));
}

TEST_F(OddsWatchTest, TheStatusShowsTheRaceBeingReadAndTheRoundsProgress)
{
    std::vector<std::string> statuses;
    watch.setOnChange([&] { statuses.push_back(watch.statusText()); });
    watch.start();
    runRound();
    for (const char* expected : {"オッズ監視中：大井 1R 取得中 (1/3)", "オッズ監視中：川崎 1R 取得中 (2/3)",
                                 "オッズ監視中：大井 2R 取得済 (3/3)"})
        EXPECT_NE(std::find(statuses.begin(), statuses.end(), sj(expected)), statuses.end()) << expected;
}

TEST_F(OddsWatchTest, AServiceErrorOnOneRaceIsLoggedAndTheNextRequestGoesOn)
{
    link.realtime.clear();
    link.script("0B41", key(1), {-301, {}});
    link.script("0B42", key(1), {0, {FakeNvLink::rec(o2(1, 10, 0).build())}});
    link.script("0B41", key(1, "45"), {0, {FakeNvLink::rec(o1(1, 10, 0, "45").build()), FakeNvLink::code(-502)}});
    link.script("0B41", key(2), {0, {FakeNvLink::rec(o1(2, 10, 0).build())}});
    host.clock.second = 7;
    watch.start();
    runRound();
    EXPECT_EQ(winRequests(), (std::vector<std::string>{key(1), key(1, "45"), key(2)}));
    EXPECT_EQ(link.count("NVRTOpen 0B42"), 3);
    // 大井 1R: the quinella came in after the failed win request; 川崎's broken read
    // left its file alone; 大井 2R was fetched.
    EXPECT_FALSE(std::filesystem::exists(oddsFile(StoreKind::O1, 1)));
    EXPECT_TRUE(std::filesystem::exists(oddsFile(StoreKind::O2, 1)));
    EXPECT_FALSE(std::filesystem::exists(oddsFile(StoreKind::O1, 1, "45")));
    EXPECT_TRUE(std::filesystem::exists(oddsFile(StoreKind::O1, 2)));
    EXPECT_EQ(watch.requestErrors(), 2);
    const std::string readError = sj("川崎 1R:ｵｯｽﾞ監視エラー：") + nvMessage(NvOperation::NVRead, -502);
    EXPECT_EQ(watch.lastError(), "10:00 " + readError);
    EXPECT_NE(errorLogText().find(sj("【エラー】10:00:07：大井 1R:ｵｯｽﾞ監視エラー：") +
                                  nvMessage(NvOperation::NVRTOpen, -301)),
              std::string::npos);
    EXPECT_NE(errorLogText().find(readError), std::string::npos);
    EXPECT_EQ(link.protocolFaults, 0);
    EXPECT_FALSE(link.open);
    EXPECT_EQ(host.beeps, 0);
    EXPECT_TRUE(watch.on());
}

TEST_F(OddsWatchTest, AUsersFetchGoesFirstAndTheInterruptedRaceIsFetchedAgain)
{
    acquisition::RealtimeFetch fetch(channel, host, store, dir.path());
    acquisition::FetchSelection selection;
    selection.daySelected = selection.raceSelected = true;
    selection.slot0Ra = day[1];
    selection.raceRa = day[2]; // 大井 3R, which the watch does not take
    link.script("0B41", key(3), {0, {FakeNvLink::rec(o1(3, 9, 59).build())}});
    link.script("0B42", key(3), {0, {FakeNvLink::rec(o2(3, 9, 59).build())}});
    // The user presses "ｵｯｽﾞ取得" while the watch reads 大井 1R's win odds.
    link.realtime.erase("0B41 " + key(1));
    link.script("0B41", key(1), {0, {FakeNvLink::rec(o1(1, 9, 58).build()), FakeNvLink::rec(o1(1, 9, 59).build())}});
    answerOdds(1);
    bool clicked = false;
    acquisition::RealtimeFetch::Outcome outcome{};
    host.onProcessEvents = [&] {
        if (!clicked && link.open && channel.held() && !channel.busy()) {
            clicked = true;
            outcome = fetch.fetchOdds(selection, {});
        }
    };
    watch.start();
    host.fire(TimerId::OddsWatchTimer);
    ASSERT_TRUE(clicked);
    EXPECT_EQ(outcome, acquisition::RealtimeFetch::Outcome::Done);
    EXPECT_TRUE(host.boxes.empty()); // the user was not refused
    EXPECT_EQ(link.protocolFaults, 0); // the watch's transfer was closed before the user's opened
    EXPECT_TRUE(std::filesystem::exists(oddsFile(StoreKind::O1, 3)));
    // The watch's half-read race wrote nothing and waits for the service.
    EXPECT_FALSE(std::filesystem::exists(oddsFile(StoreKind::O1, 1)));
    EXPECT_EQ(link.count("NVRTOpen 0B42 " + key(1)), 0);
    EXPECT_EQ(watch.state(), State::WaitingForService);
    EXPECT_TRUE(written.empty());

    // Next step: 大井 1R again, from its start.
    runRound();
    EXPECT_EQ(winRequests(), (std::vector<std::string>{key(1), key(3), key(1), key(1, "45"), key(2)}));
    EXPECT_EQ(lines(oddsFile(StoreKind::O1, 1), StoreKind::O1).size(), 1u);
    EXPECT_EQ(written.front(), key(1));
    EXPECT_EQ(link.protocolFaults, 0);
}

TEST_F(OddsWatchTest, TheServicesSettingsDialogAlsoGoesFirst)
{
    IniFile ini(dir / "Tidemark2NV.ini");
    acquisition::StoredDataImport import(channel, host, store, ini);
    bool opened = false;
    host.onProcessEvents = [&] {
        if (!opened && link.open && channel.held()) {
            opened = true;
            import.serviceSettings(); // "UmaConn設定" while the watch reads
        }
    };
    watch.start();
    host.fire(TimerId::OddsWatchTimer);
    ASSERT_TRUE(opened);
    EXPECT_EQ(link.count("NVSetUIProperties"), 1);
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_EQ(link.protocolFaults, 0);
    // The watch's transfer was closed before the dialog; the race is fetched again.
    const auto setUi = std::find(link.calls.begin(), link.calls.end(), "NVSetUIProperties");
    EXPECT_EQ(*(setUi - 1), "NVClose");
    EXPECT_EQ(watch.state(), State::WaitingForService);
    runRound();
    EXPECT_EQ(winRequests(), (std::vector<std::string>{key(1), key(1), key(1, "45"), key(2)}));
}

TEST_F(OddsWatchTest, WhileAnotherAcquisitionHoldsTheServiceTheWatchWaits)
{
    ASSERT_TRUE(channel.tryClaim()); // an import downloading
    watch.start();
    host.fire(TimerId::OddsWatchTimer);
    host.fire(TimerId::OddsWatchTimer);
    EXPECT_TRUE(link.calls.empty());
    EXPECT_EQ(watch.state(), State::WaitingForService);
    EXPECT_EQ(watch.statusText(), sj("オッズ監視：他のデータ取得の終了待ち"));
    EXPECT_EQ(host.timers.intervalMs(TimerId::OddsWatchTimer), OddsWatch::kHeartbeatMs);
    channel.release();
    runRound();
    EXPECT_EQ(winRequests(), (std::vector<std::string>{key(1), key(1, "45"), key(2)}));
}

TEST_F(OddsWatchTest, ARaceIsReadAgainAfterItsPostUntilItsFinalOddsAreIn)
{
    watch.setTimes(60, 5, 0);
    watch.start();
    host.clock = {2024, 1, 15, 10, 14, 0};
    runRound();
    EXPECT_EQ(winRequests(), (std::vector<std::string>{key(1), key(1, "45"), key(2)}));

    // 10:15, the post of 大井 1R: read once more at once, though the next round is at 10:19.
    link.calls.clear();
    link.realtime.erase("0B41 " + key(1));
    link.script("0B41", key(1), {0, {FakeNvLink::rec(o1(1, 10, 14).build()), FakeNvLink::rec(o1(1, 10, 15).build())}});
    host.clock.minute = 15;
    runRound();
    EXPECT_EQ(winRequests(), std::vector<std::string>{key(1)});
    EXPECT_EQ(lines(oddsFile(StoreKind::O1, 1), StoreKind::O1).size(), 2u); // 10:15 is in
    // Its final announcement had not come: the next round takes it again, and the one
    // after that no more once the final odds ("3") are in.
    link.script("0B41", key(1), {0, {FakeNvLink::rec(o1(1, 10, 16).dataKind('3').build())}});
    host.clock.minute = 19;
    link.calls.clear();
    runRound();
    EXPECT_EQ(winRequests(), (std::vector<std::string>{key(1), key(1, "45"), key(2)}));
    host.clock.minute = 24;
    link.calls.clear();
    runRound();
    EXPECT_EQ(winRequests(), (std::vector<std::string>{key(1, "45"), key(2)}));

    // 川崎 1R (10:20) never sends its final odds: asked until ten minutes after its post.
    host.clock.minute = 30;
    link.calls.clear();
    runRound();
    EXPECT_EQ(winRequests(), (std::vector<std::string>{key(1, "45"), key(2), key(3)}));
    host.clock.minute = 35;
    link.calls.clear();
    runRound();
    EXPECT_EQ(winRequests(), (std::vector<std::string>{key(2), key(3)}));
}

TEST_F(OddsWatchTest, TheWatchStopsWhenEveryRaceHasRunAndWaitsOnAnotherDay)
{
    watch.start();
    host.clock = {2024, 1, 14, 10, 0, 0}; // the day loaded is tomorrow's
    host.fire(TimerId::OddsWatchTimer);
    EXPECT_EQ(watch.state(), State::NotToday);
    EXPECT_TRUE(watch.on());
    EXPECT_TRUE(link.calls.empty());

    host.clock = {2024, 1, 15, 11, 29, 59};
    runRound();
    EXPECT_EQ(winRequests(), std::vector<std::string>{key(3)});
    // The last post: its last announcements are still to come.
    host.clock = {2024, 1, 15, 11, 30, 0};
    link.realtime.erase("0B41 " + key(3));
    link.script("0B41", key(3), {0, {FakeNvLink::rec(o1(3, 11, 30).dataKind('3').build())}});
    runRound();
    EXPECT_EQ(winRequests(), (std::vector<std::string>{key(3), key(3)}));
    EXPECT_EQ(watch.state(), State::Finished);
    EXPECT_FALSE(watch.on());
    EXPECT_FALSE(host.timerRunning(TimerId::OddsWatchTimer));
    EXPECT_EQ(watch.statusText(), sj("オッズ監視：本日の全レースが発走しました"));
}

TEST_F(OddsWatchTest, SwitchingOffOrAStopRequestEndsTheReadWithTheTransferClosed)
{
    bool stopNow = false;
    watch.setStopRequested([&] { return stopNow; });
    host.onProcessEvents = [&] {
        if (link.open)
            stopNow = true; // Ctrl-C while a race is read
    };
    watch.start();
    host.fire(TimerId::OddsWatchTimer);
    EXPECT_FALSE(watch.on());
    EXPECT_FALSE(link.open);
    EXPECT_EQ(link.count("NVRTOpen"), 1);
    EXPECT_EQ(link.count("NVRead"), 0);
    EXPECT_TRUE(written.empty());
    EXPECT_FALSE(host.timerRunning(TimerId::OddsWatchTimer));

    // The switch turned off during a read: the same.
    stopNow = false;
    host.onProcessEvents = [&] {
        if (link.open)
            watch.stop();
    };
    watch.start();
    host.fire(TimerId::OddsWatchTimer);
    EXPECT_EQ(watch.state(), State::Off);
    EXPECT_FALSE(link.open);
    EXPECT_EQ(link.protocolFaults, 0);
    EXPECT_TRUE(written.empty());
}

TEST_F(OddsWatchTest, TheSameDayAgainKeepsTheRoundAndAnotherStartsANewOne)
{
    watch.setTimes(60, 5, OddsWatch::kDefaultNear);
    watch.start();
    host.fire(TimerId::OddsWatchTimer); // 大井 1R
    watch.setDay(day);                  // the user's fetch reloaded the day
    runRound();
    EXPECT_EQ(winRequests(), (std::vector<std::string>{key(1), key(1, "45"), key(2)}));

    // A post time put back: a new round at once, though the next was five minutes away.
    std::vector<std::string> changed = day;
    changed[1] = ra(1).startTime("1025").line();
    watch.setDay(changed);
    link.calls.clear();
    runRound();
    EXPECT_EQ(winRequests(), (std::vector<std::string>{key(1, "45"), key(1), key(2)}));
}

TEST_F(OddsWatchTest, AFileErrorStopsTheWatch)
{
    // The race date's folder cannot be made: a file stands in its place.
    text::writeFileAtomic(store.layout().dataFolder() / "20240115", "x");
    watch.start();
    host.fire(TimerId::OddsWatchTimer);
    EXPECT_EQ(watch.state(), State::Failed);
    EXPECT_FALSE(watch.on());
    EXPECT_FALSE(watch.lastError().empty());
    EXPECT_FALSE(link.open);
    EXPECT_FALSE(channel.held());
    EXPECT_FALSE(host.timerRunning(TimerId::OddsWatchTimer));
}

} // namespace
} // namespace tidemark::testing
