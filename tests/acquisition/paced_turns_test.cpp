// The long acquisition loops on a desktop that takes its turns once a frame: the steady
// clock is the test's, moved 5 ms by every record the service hands out, so a turn falls
// on every fourth record. A cancel pressed in a turn is seen before the next record, the
// texts shown at a turn are the latest, and every end of a loop shows its last texts.

#include <algorithm>
#include <chrono>

#include "acquisition/batch_odds_import.h"
#include "acquisition/realtime_fetch.h"
#include "acquisition/stored_data_import.h"
#include "host/frame_pacer.h"

#include "acquisition/acquisition_fixture.h"
#include "settings/settings_keys.h"

namespace tidemark::testing {
namespace {

using namespace std::chrono_literals;
using acquisition::ProgressBar;
using store::StoreKind;

class PacedTurnsTest : public AcquisitionTest {
protected:
    PacedTurnsTest()
    {
        host.frame = 16ms;
        // Each record read takes 5 ms of the test's clock.
        link.onCall = [this](const std::string& call) {
            if (call == "NVGets" || call == "NVRead")
                host.steady += 5ms;
        };
        host.onProcessEvents = [this] {
            turnsAt.push_back(link.count("NVGets") + link.count("NVRead"));
            if (onTurn)
                onTurn();
        };
    }

    std::vector<int> turnsAt; // records read before each turn of the desktop
    std::function<void()> onTurn;
};

TEST_F(PacedTurnsTest, PacerGivesTheFirstTurnThenOneAFrame)
{
    FramePacer pacer(host);
    EXPECT_TRUE(pacer.paced());
    EXPECT_TRUE(pacer.due());
    host.steady += 15ms;
    EXPECT_FALSE(pacer.due());
    host.steady += 1ms;
    EXPECT_TRUE(pacer.due()); // a whole frame since the last turn
    EXPECT_FALSE(pacer.due());
    pacer.restart();
    EXPECT_TRUE(pacer.due());
    pacer.turnGiven();
    host.steady += 10ms;
    EXPECT_FALSE(pacer.due());

    // A host that draws nothing takes every turn, without reading the clock.
    host.frame = 0ms;
    EXPECT_FALSE(pacer.paced());
    EXPECT_TRUE(pacer.due());
    EXPECT_TRUE(pacer.due());
}

class PacedImportTest : public PacedTurnsTest {
protected:
    PacedImportTest() : import(channel, host, store, settings)
    {
        settings::writeLastTime(settings, "2024/01/15 00:00:00");
        import.open();
        link.readCount = 1;
        link.timeStamp = "20240116093000";
        import.setOnChange([this] {
            shown.push_back({import.mkDataLabel(), import.progressLabel(), import.readBar(), host.boxes.size()});
        });
    }

    struct Shown {
        std::string mkData;
        std::string progress;
        ProgressBar readBar;
        std::size_t boxesBefore;
    };
    static std::string raceLabel(int race)
    {
        return sj("開催:2024年01月15日大井") + (race < 10 ? "0" : "") + std::to_string(race) + "R";
    }

    acquisition::StoredDataImport import;
    std::vector<Shown> shown;
};

TEST_F(PacedImportTest, CancelPressedInATurnIsSeenBeforeTheNextRecord)
{
    for (int race = 1; race <= 12; ++race)
        link.gets.push_back(FakeNvLink::rec(ra(race).build()));
    onTurn = [&] {
        // What the window shows at a turn is the record read last.
        EXPECT_EQ(shown.back().mkData, turnsAt.back() == 0 ? std::string() : raceLabel(turnsAt.back()));
        if (turnsAt.size() == 3)
            import.cancel(); // Yes
    };
    import.start();

    EXPECT_EQ(turnsAt, (std::vector<int>{0, 4, 8}));
    EXPECT_EQ(link.count("NVGets"), 8) << "records were read after the cancel";
    EXPECT_EQ(link.cancels, 1);
    EXPECT_EQ(lines(raFile(), StoreKind::RA).size(), 8u);
    EXPECT_EQ(import.progressLabel(), sj("NVCancel:キャンセルされました"));
    EXPECT_EQ(shown.back().progress, sj("NVCancel:キャンセルされました"));
    EXPECT_FALSE(link.open);
    // Eight records, two of them shown: the texts follow the turns, not the records.
    int recordTexts = 0;
    for (std::size_t i = 1; i < shown.size(); ++i)
        recordTexts += !shown[i].mkData.empty() && shown[i].mkData != shown[i - 1].mkData;
    EXPECT_EQ(recordTexts, 2);
}

TEST_F(PacedImportTest, LastTextsAreShownWhenNoFrameHasPassed)
{
    link.onCall = {}; // the clock stands still: one turn, at the start
    link.readCount = 2;
    link.gets = {FakeNvLink::rec(ra(1).build()), FakeNvLink::rec(ra(2).build()), FakeNvLink::code(-1),
                 FakeNvLink::rec(ra(3).build()), FakeNvLink::code(-1)};
    import.start();

    EXPECT_EQ(turnsAt.size(), 1u);
    EXPECT_EQ(lines(raFile(), StoreKind::RA).size(), 3u);
    ASSERT_FALSE(shown.empty());
    const bool sawEndOfRead = std::any_of(shown.begin(), shown.end(),
                                          [](const Shown& s) { return s.progress == sj("データ読込み完了(2/2)"); });
    EXPECT_TRUE(sawEndOfRead);
    EXPECT_EQ(shown.back().progress, sj("データ作成が完了しました。"));
    EXPECT_EQ(shown.back().readBar, (ProgressBar{2, 0}));
    EXPECT_EQ(import.phase(), acquisition::StoredDataImport::Phase::Idle);
}

TEST_F(PacedImportTest, ReadErrorBoxStandsOverTheLastRecordsTexts)
{
    link.onCall = {};
    link.gets = {FakeNvLink::rec(ra(1).build()), FakeNvLink::rec(ra(2).build()), FakeNvLink::rec(ra(3).build()),
                 FakeNvLink::code(-502)};
    import.start();

    const std::size_t startBoxes = 1; // the go-ahead box before the transfer
    ASSERT_GT(host.boxes.size(), startBoxes);
    EXPECT_EQ(host.boxes[startBoxes].text.substr(0, sj("NVReadエラー:").size()), sj("NVReadエラー:"));
    const Shown* beforeBox = nullptr;
    for (const Shown& s : shown)
        if (s.boxesBefore == startBoxes)
            beforeBox = &s;
    ASSERT_NE(beforeBox, nullptr);
    EXPECT_EQ(beforeBox->mkData, raceLabel(3));
    EXPECT_FALSE(link.open);
}

class PacedOddsTest : public PacedTurnsTest {
protected:
    PacedOddsTest() : import(channel, host, store)
    {
        import.setRaceListCount([] { return 3; });
        import.setOnChange([this] { shown.push_back({import.progressLabel(), import.progressBar()}); });
        for (int race = 1; race <= 3; ++race)
            store.storeRa(ra(race).build(), store::Origin::Import);
        import.setDateList({label()});
    }
    struct Shown {
        std::string progress;
        ProgressBar bar;
    };
    acquisition::BatchOddsImport import;
    std::vector<Shown> shown;
};

TEST_F(PacedOddsTest, CancelPressedInATurnEndsTheReadAndTheDayShowsItsEnd)
{
    store.storeOdds(StoreKind::O1, std::vector<std::string>{o1(1, 9, 0).build()});
    FakeNvLink::Request request;
    for (int minute = 0; minute < 10; ++minute)
        request.reads.push_back(FakeNvLink::rec(o1(1, 10, minute).build()));
    link.script("0B41", key(1), request);
    onTurn = [&] {
        // The window is never behind at a turn.
        ASSERT_FALSE(shown.empty());
        EXPECT_EQ(shown.back().progress, import.progressLabel());
        EXPECT_EQ(shown.back().bar, import.progressBar());
        if (turnsAt.size() == 2)
            import.cancel();
    };
    import.importDay();

    EXPECT_EQ(turnsAt, (std::vector<int>{0, 4}));
    EXPECT_EQ(link.count("NVRead"), 4) << "records were read after the cancel";
    EXPECT_EQ(link.count("NVRTOpen"), 1);
    EXPECT_EQ(lines(oddsFile(StoreKind::O1, 1), StoreKind::O1).size(), 1u);
    EXPECT_FALSE(link.open);
    EXPECT_EQ(shown.back().bar, (ProgressBar{100, 100}));
}

TEST_F(PacedOddsTest, EveryRaceIsReadAndTheFullBarShownWhenNoFrameHasPassed)
{
    link.onCall = {};
    for (int race = 1; race <= 3; ++race)
        link.script("0B41", key(race), {0, {FakeNvLink::rec(o1(race, 10, 0).build())}});
    import.importDay();

    EXPECT_EQ(turnsAt.size(), 1u);
    EXPECT_EQ(link.count("NVRTOpen"), 6);
    for (int race = 1; race <= 3; ++race)
        EXPECT_EQ(lines(oddsFile(StoreKind::O1, race), StoreKind::O1).size(), 1u);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back().bar, (ProgressBar{100, 100}));
}

TEST_F(PacedTurnsTest, FetchSeesTheSharedCancelAtTheNextTurn)
{
    acquisition::RealtimeFetch fetch(channel, host, store, dir.path());
    store.storeOdds(StoreKind::O1, std::vector<std::string>{o1(3, 9, 0).build()});
    FakeNvLink::Request request;
    for (int minute = 0; minute < 10; ++minute)
        request.reads.push_back(FakeNvLink::rec(o1(3, 10, minute).build()));
    link.script("0B41", key(3), request);
    onTurn = [&] {
        if (turnsAt.size() == 2)
            channel.requestCancel(); // the batch window's cancel
    };
    acquisition::FetchSelection s;
    s.daySelected = true;
    s.slot0Ra = ra(1).line();
    s.raceRa = ra(3).line();
    s.raceSelected = true;
    fetch.fetchOdds(s, [] {});

    // The turn that shows the progress text, then one a frame into the read.
    ASSERT_GE(turnsAt.size(), 2u);
    EXPECT_EQ(turnsAt[0], 0);
    EXPECT_EQ(turnsAt[1], 4);
    EXPECT_EQ(link.count("NVRead"), 4) << "records were read after the cancel";
    EXPECT_EQ(lines(oddsFile(StoreKind::O1, 3), StoreKind::O1).size(), 1u);
    EXPECT_FALSE(link.open);
}

} // namespace
} // namespace tidemark::testing
