#include "acquisition/realtime_fetch.h"

#include "acquisition/acquisition_fixture.h"
#include "acquisition/realtime_read.h"
#include "service/nv_message.h"

namespace tidemark::testing {
namespace {

using acquisition::FetchSelection;
using acquisition::RealtimeFetch;
using Outcome = RealtimeFetch::Outcome;
using store::StoreKind;

class RealtimeFetchTest : public AcquisitionTest {
protected:
    RealtimeFetchTest() : fetch(channel, host, store, dir.path())
    {
        fetch.setOnLabel([this] { labels.push_back(fetch.dlLabel()); });
    }

    // Race 3 at 大井 on the day of slot 0 (race 1).
    FetchSelection selection(int race = 3) const
    {
        FetchSelection s;
        s.daySelected = true;
        s.slot0Ra = ra(1).line();
        s.raceRa = ra(race).line();
        s.raceSelected = true;
        return s;
    }
    bool sawLabel(const std::string& t) const { return std::find(labels.begin(), labels.end(), t) != labels.end(); }

    RealtimeFetch fetch;
    std::vector<std::string> labels;
    int reloads = 0;
    std::function<void()> reload = [this] { ++reloads; };
};

TEST_F(RealtimeFetchTest, OddsFetchReplacesTheRaceSeriesAndReloads)
{
    store.storeOdds(StoreKind::O1, std::vector<std::string>{o1(3, 9, 0).build(), o1(3, 9, 10).build(), o1(3, 9, 20).build()});
    link.script("0B41", key(3), {0, {FakeNvLink::rec(o1(3, 10, 0).build()), FakeNvLink::code(-1),
                                     FakeNvLink::rec(o1(3, 9, 50).build())}});
    link.script("0B42", key(3), {0, {FakeNvLink::rec(o2(3, 10, 0).build())}});

    EXPECT_EQ(fetch.fetchOdds(selection(), reload), Outcome::Done);
    const auto o1Lines = lines(oddsFile(StoreKind::O1, 3), StoreKind::O1);
    ASSERT_EQ(o1Lines.size(), 2u); // the whole series is the one the service returned
    EXPECT_EQ(o1Lines[0].substr(27, 8), "01150950");
    EXPECT_EQ(o1Lines[1].substr(27, 8), "01151000");
    EXPECT_EQ(lines(oddsFile(StoreKind::O2, 3), StoreKind::O2).size(), 1u);
    EXPECT_EQ(reloads, 1);

    // Each odds step closes twice; nothing is left open.
    const std::vector<std::string> expectedCalls = {
        "NVRTOpen 0B41 " + key(3), "NVRead", "NVRead", "NVRead", "NVRead", "NVClose", "NVClose",
        "NVRTOpen 0B42 " + key(3), "NVRead", "NVRead", "NVClose", "NVClose"};
    EXPECT_EQ(link.calls, expectedCalls);
    EXPECT_EQ(link.protocolFaults, 0);
    EXPECT_TRUE(sawLabel(sj("大井 3オッズ取得中")));
    EXPECT_EQ(fetch.dlLabel(), "");
    EXPECT_EQ(host.beeps, 0); // a clean odds fetch is quiet
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_FALSE(channel.busy());
}

// A service not ready yet (-3, -2) is asked again after a pause that serves the window,
// never at once; the start of the next file (-1) is read on at once.
TEST_F(RealtimeFetchTest, NotReadyIsAskedAgainAfterAPause)
{
    link.script("0B41", key(3), {0, {FakeNvLink::code(-3), FakeNvLink::code(-2), FakeNvLink::rec(o1(3, 10, 0).build()),
                                     FakeNvLink::code(-1), FakeNvLink::rec(o1(3, 10, 5).build())}});
    link.script("0B42", key(3), {0, {FakeNvLink::code(-3)}});

    EXPECT_EQ(fetch.fetchOdds(selection(), reload), Outcome::Done);
    EXPECT_EQ(host.pauses, std::vector<std::chrono::milliseconds>(3, acquisition::kNotReadyPause));
    EXPECT_EQ(lines(oddsFile(StoreKind::O1, 3), StoreKind::O1).size(), 2u);
}

TEST_F(RealtimeFetchTest, OddsOpenErrorIsShownLoggedAndTheQuinellaStillRuns)
{
    link.script("0B41", key(3), {-301, {}});
    link.script("0B42", key(3), {0, {FakeNvLink::rec(o2(3, 10, 0).build())}});
    host.clock = {2024, 1, 15, 10, 5, 9};
    fetch.fetchOdds(selection(), reload);
    const std::string shown = sj("大井 3R:ｵｯｽﾞ取得エラー：") + nvMessage(NvOperation::NVRTOpen, -301);
    EXPECT_TRUE(sawLabel(shown));
    EXPECT_NE(errorLogText().find(sj("【エラー】10:05:09：") + shown + "\r\n"), std::string::npos);
    EXPECT_EQ(host.beeps, 1);
    EXPECT_EQ(link.count("NVClose"), 4);
    EXPECT_EQ(lines(oddsFile(StoreKind::O2, 3), StoreKind::O2).size(), 1u);
    EXPECT_EQ(reloads, 1);
}

TEST_F(RealtimeFetchTest, OddsReadAndCloseErrorsAreLoggedWithoutTheirPrefix)
{
    store.storeOdds(StoreKind::O1, std::vector<std::string>{o1(3, 9, 0).build()});
    link.script("0B41", key(3), {0, {FakeNvLink::rec(o1(3, 10, 0).build()), FakeNvLink::code(-502)}});
    link.closeResults = {-7};
    fetch.fetchOdds(selection(), reload);
    EXPECT_TRUE(sawLabel(nvMessage(NvOperation::NVRead, -502)));
    EXPECT_TRUE(sawLabel(nvMessage(NvOperation::NVClose, -7)));
    EXPECT_NE(errorLogText().find(nvMessage(NvOperation::NVRead, -502)), std::string::npos);
    // A broken read does not replace the stored series with its part.
    const auto o1Lines = lines(oddsFile(StoreKind::O1, 3), StoreKind::O1);
    ASSERT_EQ(o1Lines.size(), 1u);
    EXPECT_EQ(o1Lines[0].substr(27, 8), "01150900");
    EXPECT_EQ(host.beeps, 2);
}

TEST_F(RealtimeFetchTest, CancelledOnlyRecordsLeaveTheFileUntouched)
{
    store.storeOdds(StoreKind::O1, std::vector<std::string>{o1(3, 9, 0).build()});
    link.script("0B41", key(3), {0, {FakeNvLink::rec(o1(3, 10, 0).dataKind('9').build())}});
    fetch.fetchOdds(selection(), reload);
    EXPECT_EQ(lines(oddsFile(StoreKind::O1, 3), StoreKind::O1)[0].substr(27, 8), "01150900");
}

TEST_F(RealtimeFetchTest, RaceWithoutHorseNumbersIsRefused)
{
    FetchSelection s = selection();
    s.numbersPending = true;
    EXPECT_EQ(fetch.fetchOdds(s, reload), Outcome::Refused);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].kind, RecordingHost::BoxKind::Message);
    EXPECT_EQ(host.boxes[0].text, sj("本レースは枠順が決まったデータが未取得です。"));
    EXPECT_EQ(host.beeps, 1);
    EXPECT_TRUE(link.calls.empty());
    EXPECT_EQ(reloads, 0);
}

TEST_F(RealtimeFetchTest, ButtonsDoNothingWithoutASelectionOrAUsableKey)
{
    FetchSelection s = selection();
    s.raceSelected = false;
    EXPECT_EQ(fetch.fetchOdds(s, reload), Outcome::NotRun);
    s = selection();
    s.raceRa = std::string(1270, ' '); // a blank slot
    EXPECT_EQ(fetch.fetchOdds(s, reload), Outcome::NotRun);
    s = selection();
    s.daySelected = false;
    EXPECT_EQ(fetch.fetchResults(s, false, reload), Outcome::NotRun);
    s = selection();
    s.slot0Ra.clear();
    EXPECT_EQ(fetch.fetchResults(s, false, reload), Outcome::NotRun);
    EXPECT_TRUE(link.calls.empty());
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(RealtimeFetchTest, OddsFetchAfterACancelledBatchStillReads)
{
    channel.requestCancel();
    link.script("0B41", key(3), {0, {FakeNvLink::rec(o1(3, 10, 0).build())}});
    fetch.fetchOdds(selection(), reload);
    EXPECT_TRUE(std::filesystem::exists(oddsFile(StoreKind::O1, 3)));
}

TEST_F(RealtimeFetchTest, SharedCancelStopsTheReadAndKeepsTheStoredSeries)
{
    store.storeOdds(StoreKind::O1, std::vector<std::string>{o1(3, 9, 0).build()});
    link.script("0B41", key(3), {0, {FakeNvLink::rec(o1(3, 10, 0).build()), FakeNvLink::rec(o1(3, 10, 5).build())}});
    link.onCall = [&](const std::string& call) {
        if (call == "NVRead")
            channel.requestCancel(); // the batch window's cancel, pressed during the read
    };
    fetch.fetchOdds(selection(), reload);
    EXPECT_EQ(link.count("NVRead"), 1);
    EXPECT_EQ(lines(oddsFile(StoreKind::O1, 3), StoreKind::O1).size(), 1u);
    EXPECT_FALSE(link.open);
}

TEST_F(RealtimeFetchTest, ResultsFetchUpdatesOnlyImportedDaysButStoresPayouts)
{
    // The day was never imported: payouts are stored, race cards and runners are not.
    link.script("0B12", "20240115", {0, {FakeNvLink::rec(ra(3).build()), FakeNvLink::rec(se(3, 1).build()),
                                         FakeNvLink::rec(hr(3).build())}});
    int after = 0;
    EXPECT_EQ(fetch.fetchResults(selection(), false, [&] { ++after; }), Outcome::Done);
    EXPECT_FALSE(std::filesystem::exists(raFile()));
    EXPECT_FALSE(std::filesystem::exists(seFile()));
    const auto hrLines = lines(hrFile(), StoreKind::HR);
    ASSERT_EQ(hrLines.size(), 1u);
    EXPECT_EQ(hrLines[0], hr(3).line()); // stored as delivered
    EXPECT_EQ(after, 1);
    EXPECT_EQ(link.calls.front(), "NVRTOpen 0B12 20240115");
    EXPECT_EQ(link.count("NVClose"), 1);
    EXPECT_TRUE(sawLabel(sj("払戻データ取得中")));
    EXPECT_EQ(host.beeps, 1); // the end signal
}

TEST_F(RealtimeFetchTest, ResultsFetchUpdatesAnImportedDay)
{
    store.storeRa(ra(1).build(), store::Origin::Import);
    store.storeRa(ra(3).startTime("1100").build(), store::Origin::Import);
    store.storeSe(se(3, 1).build(), store::Origin::Import);
    link.script("0B12", "20240115", {0, {FakeNvLink::rec(ra(3).startTime("1115").build()),
                                         FakeNvLink::rec(se(3, 2).build()), FakeNvLink::rec(se(3, 19).build())}});
    fetch.fetchResults(selection(), false, {});
    const auto raLines = lines(raFile(), StoreKind::RA);
    ASSERT_EQ(raLines.size(), 2u);
    EXPECT_EQ(text::bytesAt(raLines[1], 874, 4), "1115");
    EXPECT_EQ(text::bytesAt(raLines[1], 3, 9), "000000000");
    const auto seLines = lines(seFile(), StoreKind::SE);
    EXPECT_EQ(seLines[36], se(3, 1).line());
    EXPECT_EQ(seLines[37], se(3, 2).line());
}

TEST_F(RealtimeFetchTest, SilentResultsFetchLogsButNeverBeeps)
{
    link.script("0B12", "20240115", {-504, {}});
    fetch.fetchResults(selection(), true, {});
    const std::string shown = sj("大井 3R:払戻データ取得エラー：") + nvMessage(NvOperation::NVRTOpen, -504);
    EXPECT_TRUE(sawLabel(shown));
    EXPECT_NE(errorLogText().find(shown), std::string::npos);
    EXPECT_EQ(host.beeps, 0);
    EXPECT_EQ(link.count("NVClose"), 1);

    link.script("0B12", "20240115", {0, {FakeNvLink::rec(hr(1).build())}});
    fetch.fetchResults(selection(), true, {});
    EXPECT_EQ(host.beeps, 0);
    fetch.fetchResults(selection(), false, {});
    EXPECT_EQ(host.beeps, 1);
}

TEST_F(RealtimeFetchTest, SecondFetchDuringARunningOneIsRefusedOrSkipped)
{
    int nested = -1;
    link.script("0B41", key(3), {0, {FakeNvLink::rec(o1(3, 10, 0).build())}});
    host.onProcessEvents = [&] {
        if (nested == -1 && channel.busy()) {
            nested = static_cast<int>(fetch.fetchResults(selection(), true, {})); // a timer tick
            fetch.fetchOdds(selection(), reload);                                  // a second click
        }
    };
    fetch.fetchOdds(selection(), reload);
    EXPECT_EQ(nested, static_cast<int>(Outcome::NotRun));
    EXPECT_EQ(link.count("NVRTOpen 0B12"), 0);
    EXPECT_EQ(link.count("NVRTOpen 0B41"), 1);
    EXPECT_EQ(link.protocolFaults, 0);
    EXPECT_EQ(host.boxTexts(), std::vector<std::string>{acquisition::busyRefusalText()});
    EXPECT_EQ(reloads, 1);
}

TEST_F(RealtimeFetchTest, VanishedErrorLogEndsTheFetchWithTheTransferClosed)
{
    std::filesystem::remove(dir / "ErrorLog.txt");
    std::filesystem::create_directories(dir / "ErrorLog.txt"); // cannot be written
    link.script("0B41", key(3), {-1, {}});
    EXPECT_EQ(fetch.fetchOdds(selection(), reload), Outcome::FileError);
    EXPECT_EQ(host.boxes.back().kind, RecordingHost::BoxKind::Message);
    EXPECT_FALSE(link.open);
    EXPECT_EQ(link.calls.back(), "NVClose");
    EXPECT_EQ(link.count("NVRTOpen 0B42"), 0);
    EXPECT_EQ(reloads, 0);
    EXPECT_FALSE(channel.busy());
}

} // namespace
} // namespace tidemark::testing
