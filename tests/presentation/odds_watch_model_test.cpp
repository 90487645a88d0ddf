// The odds watch as the main window holds it: the switch, the status-bar text, the
// settings dialog, and what a race the watch wrote does to the open race and the board.

#include <gtest/gtest.h>

#include "acquisition/fake_nv_link.h"
#include "analysis/race_store_fixture.h"
#include "presentation/main_window_model.h"
#include "presentation/odds_watch_model.h"
#include "service/nv_message.h"
#include "settings/settings_keys.h"
#include "support/recording_host.h"
#include "text/cp932.h"

namespace tidemark::presentation {
namespace {

using testing::FakeNvLink;
using testing::o1At;
using testing::o2At;
using testing::raceCard;
using text::sj;

class OddsWatchModelTest : public ::testing::Test {
protected:
    OddsWatchModelTest()
    {
        host.clock = {2024, 1, 15, 10, 12, 0};
        store.dayFile({raceCard(1, 12, "1030").line(), raceCard(2, 12, "1200").line()});
        store.fullRunners(2, 4);
        store.writeLines(store.o1File(1), {snapshot("01151000", 5.0), snapshot("01151005", 4.5), snapshot("01151010", 4.0)});
        store.writeLines(store.o2File(1), {o2At("01151000", 1).quinella(1, 5.0, 1).line()});
        model.create();
        model.panel().buildDateList();
        model.panel().DateComboChange(0);
    }

    static std::string snapshot(std::string_view at, double horse1)
    {
        return o1At(at, 1).win(1, horse1, 1).win(2, 6.0, 2).line();
    }
    // The same as the service sends it (data kind 1, line end).
    static FakeNvLink::Answer sent(std::string stored)
    {
        stored[2] = '1';
        return FakeNvLink::rec(stored + "\r\n");
    }

    // The service's answer to the watch's next requests for race 1: the stored series
    // and one announcement more.
    void serviceHasNewOdds()
    {
        const std::string key(text::bytesAt(raceCard(1).line(), 12, 16));
        std::vector<FakeNvLink::Answer> reads;
        for (const char* at : {"01151000", "01151005", "01151010", "01151012"})
            reads.push_back(sent(snapshot(at, at[7] == '2' ? 3.0 : 4.0)));
        link.script("0B41", key, {0, {reads.begin(), reads.end()}});
        link.script("0B42", key, {0, {sent(o2At("01151012", 1).quinella(1, 4.0, 1).line())}});
    }

    testing::RaceStore store;
    testing::RecordingHost host;
    FakeNvLink link;
    MainWindowModel model{host, link, store.dir.path()};
};

TEST_F(OddsWatchModelTest, TheSwitchStartsAndStopsTheWatchWithTheStoredTimes)
{
    OddsWatchModel& w = model.oddsWatch();
    int changes = 0;
    struct Observer : MainWindowObserver {
        int* n;
        void oddsWatchChanged() override { ++*n; }
    } observer;
    observer.n = &changes;
    model.setObserver(&observer);

    settings::OddsWatchAhead.write(model.settings(), 30);
    settings::OddsWatchEvery.write(model.settings(), 5);
    settings::OddsWatchNear.write(model.settings(), 4);
    EXPECT_FALSE(w.switchDown());
    w.OddsWatchBtnClick();
    EXPECT_TRUE(w.switchDown());
    EXPECT_EQ(w.watch().aheadMinutes(), 30);
    EXPECT_EQ(w.watch().everyMinutes(), 5);
    EXPECT_EQ(w.watch().nearMinutes(), 4);
    EXPECT_GT(changes, 0);
    host.fire(TimerId::OddsWatchTimer); // 10:30 is due, 12:00 is not
    EXPECT_EQ(link.count("NVRTOpen 0B41"), 1);
    EXPECT_EQ(w.statusText(), sj("オッズ監視中：大井 1R 取得済 (1/1)"));
    host.fire(TimerId::OddsWatchTimer);
    // The next round; the service had nothing new, so the race's odds are the stored
    // 10:10 announcement, two minutes old.
    EXPECT_EQ(w.statusText(), sj("オッズ監視中：次回 10:17　大井 1R 10:10発表(2分前)"));
    EXPECT_EQ(w.statusHint(), sj("大井 1R 10:30発走 10:10発表(2分前)"));
    EXPECT_EQ(link.count("NVRTOpen 0B41"), 1);

    w.OddsWatchBtnClick();
    EXPECT_FALSE(w.switchDown());
    EXPECT_FALSE(host.timerRunning(TimerId::OddsWatchTimer));
    EXPECT_EQ(w.statusText(), "");
    model.setObserver(nullptr);
}

TEST_F(OddsWatchModelTest, TheStatusBarShowsTheLastErrorBesideTheProgress)
{
    const std::string key(text::bytesAt(raceCard(1).line(), 12, 16));
    link.script("0B41", key, {-301, {}});
    model.oddsWatch().OddsWatchBtnClick();
    for (int i = 0; i < 5; ++i)
        host.fire(TimerId::OddsWatchTimer);
    const std::string status = model.oddsWatch().statusText();
    EXPECT_EQ(status.rfind(sj("オッズ監視中：次回 10:14"), 0), 0u) << text::toUtf8(status);
    EXPECT_NE(status.find(sj("最終エラー 10:12 大井 1R:ｵｯｽﾞ監視エラー：") + nvMessage(NvOperation::NVRTOpen, -301)),
              std::string::npos);
}

TEST_F(OddsWatchModelTest, TheOpenRaceIsReadAgainKeepingTheMomentTheUserChose)
{
    MainPanelModel& panel = model.panel();
    ASSERT_EQ(panel.DatList().itemIndex, 0);
    ASSERT_EQ(panel.TimeCombo().count(), 3);
    panel.TimeComboClick(1); // 10:05
    model.movers().open();
    ASSERT_EQ(model.movers().timeMinute(), 10 * 60 + 12); // today: the clock
    // Following the clock, the board builds itself again every minute.
    ASSERT_TRUE(host.timerRunning(TimerId::MoversTimer));
    EXPECT_EQ(host.timers.intervalMs(TimerId::MoversTimer), 60 * 1000);
    const int rowsBefore = model.movers().grid().rowCount();

    serviceHasNewOdds();
    model.oddsWatch().OddsWatchBtnClick();
    host.fire(TimerId::OddsWatchTimer);
    EXPECT_EQ(panel.TimeCombo().count(), 4); // the new announcement is listed
    EXPECT_EQ(panel.TimeCombo().text(), "01/15 10:05");
    EXPECT_EQ(panel.DatList().itemIndex, 0);
    // The open board was built again on the new series: B is the new 10:12 announcement,
    // where horse 1 went from 4.0 (10:00, the latest by 10:02) to 3.0.
    EXPECT_EQ(model.movers().grid().rowCount(), rowsBefore);
    EXPECT_EQ(model.movers().board().rows.front().announcementB, "01151012");
    EXPECT_DOUBLE_EQ(model.movers().board().rows.front().change.winChange, 80.0 / 3.0 - 80.0 / 4.0);

    // Standing on the newest moment, the user is carried on to the new newest one.
    panel.TimeComboClick(panel.TimeCombo().count() - 1);
    host.clock.minute = 14;
    const std::string key(text::bytesAt(raceCard(1).line(), 12, 16));
    std::vector<FakeNvLink::Answer> reads;
    for (const char* at : {"01151000", "01151005", "01151010", "01151012", "01151014"})
        reads.push_back(sent(snapshot(at, 4.0)));
    link.script("0B41", key, {0, {reads.begin(), reads.end()}});
    for (int i = 0; i < 10 && panel.TimeCombo().count() < 5; ++i)
        host.fire(TimerId::OddsWatchTimer);
    EXPECT_EQ(panel.TimeCombo().text(), "01/15 10:14");

    // A minute on, the board's own timer moves T; a time picked by hand stops it, and so
    // does closing the window.
    host.clock.minute = 15;
    host.fire(TimerId::MoversTimer);
    EXPECT_EQ(model.movers().timeMinute(), 10 * 60 + 15);
    model.movers().TimeEditChange(10 * 60);
    EXPECT_FALSE(host.timerRunning(TimerId::MoversTimer));
    model.movers().LiveCheckClick(true);
    EXPECT_TRUE(host.timerRunning(TimerId::MoversTimer));
    model.movers().close();
    EXPECT_FALSE(host.timerRunning(TimerId::MoversTimer));

    // A race the user is not looking at leaves the window as it is.
    panel.DatListClick(1);
    host.clock.minute = 16;
    serviceHasNewOdds();
    const int writesBefore = model.oddsWatch().watch().racesFetched();
    for (int i = 0; i < 10 && model.oddsWatch().watch().racesFetched() == writesBefore; ++i)
        host.fire(TimerId::OddsWatchTimer);
    ASSERT_GT(model.oddsWatch().watch().racesFetched(), writesBefore);
    EXPECT_EQ(panel.DatList().itemIndex, 1);
    EXPECT_EQ(panel.TimeCombo().count(), 0); // race 2 has no odds
}

TEST(OddsWatchSettings, TheDialogKeepsItsRangesAndWritesOnlyOnOk)
{
    testing::TempDir dir;
    IniFile ini(dir / "Tidemark2NV.ini");
    {
        OddsWatchSettingsModel d(ini);
        EXPECT_EQ(d.ahead().value, 60);
        EXPECT_EQ(d.every().value, 2);
        EXPECT_EQ(d.near().value, 10);
        EXPECT_EQ(OddsWatchSettingsModel::texts().caption, sj("オッズ監視設定"));
        d.setAhead(1000);
        d.setEvery(0);
        d.setNear(31);
        EXPECT_EQ(d.ahead().value, 240);
        EXPECT_EQ(d.every().value, 1);
        EXPECT_EQ(d.near().value, 30);
        d.cancelClick();
        EXPECT_FALSE(d.isOpen());
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "Tidemark2NV.ini"));
    {
        OddsWatchSettingsModel d(ini);
        d.setAhead(90);
        d.setEvery(3);
        d.setNear(-5); // 0 and below: no minute-by-minute reads
        testing::RecordingHost host;
        EXPECT_TRUE(d.okClick(host));
        EXPECT_FALSE(d.isOpen());
        EXPECT_TRUE(host.boxes.empty());
    }
    {
        // A file that cannot be written is said; the dialog stays open.
        std::filesystem::create_directory(dir / "blocked.ini");
        IniFile blocked(dir / "blocked.ini");
        OddsWatchSettingsModel d(blocked);
        testing::RecordingHost host;
        EXPECT_FALSE(d.okClick(host));
        EXPECT_TRUE(d.isOpen());
        EXPECT_EQ(host.beeps, 1);
        EXPECT_EQ(host.boxes.size(), 1u);
    }
    EXPECT_EQ(settings::OddsWatchAhead.read(ini), 90);
    EXPECT_EQ(settings::OddsWatchEvery.read(ini), 3);
    EXPECT_EQ(settings::OddsWatchNear.read(ini), 0);
    // A hand-edited value out of range opens clamped.
    settings::OddsWatchEvery.write(ini, 99);
    EXPECT_EQ(OddsWatchSettingsModel(ini).every().value, 30);
}

} // namespace
} // namespace tidemark::presentation
