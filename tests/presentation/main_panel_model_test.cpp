#include <gtest/gtest.h>

#include "analysis/race_store_fixture.h"
#include "presentation/main_panel_model.h"
#include "settings/settings_keys.h"
#include "support/recording_host.h"

using namespace tidemark;
using text::sj;
using tidemark::testing::o1At;
using tidemark::testing::o2At;
using tidemark::testing::raceCard;
using tidemark::testing::RaceStore;
using tidemark::testing::RecordingHost;

namespace {

struct StepLog : RaceViewSteps {
    std::vector<std::string> calls;
    std::vector<std::string> batchLabels;
    int batchSelected = -2;
    void batchDateListChanged(const std::vector<std::string>& labels, int selected) override
    {
        batchLabels = labels;
        batchSelected = selected;
        calls.push_back("batch");
    }
    void payoutTablesCleared() override { calls.push_back("payoutsCleared"); }
    void importPayouts() override { calls.push_back("payouts"); }
    void resultsTimerTick() override { calls.push_back("tick"); }
    void raceViewsCleared() override { calls.push_back("cleared"); }
    void threePointAnalysis() override { calls.push_back("threePoint"); }
    void timeSeriesHeaders() override { calls.push_back("headers"); }
    void perHorseRows() override { calls.push_back("rows"); }
    void resultsLabels() override { calls.push_back("results"); }
    void timeSeriesTables() override { calls.push_back("tables"); }
    void sortFlagsReset() override { calls.push_back("sort"); }
    void selectedMomentAnalysis(const analysis::SelectedSnapshot&) override { calls.push_back("moment"); }
};

struct ChangeLog : MainPanelObserver {
    int dates = 0, races = 0, times = 0, labels = 0, buttons = 0, panels = 0;
    void dateListChanged() override { ++dates; }
    void raceListChanged() override { ++races; }
    void timeListChanged() override { ++times; }
    void labelsChanged() override { ++labels; }
    void timeButtonsChanged() override { ++buttons; }
    void panelsChanged() override { ++panels; }
};

struct PanelFixture : ::testing::Test {
    RaceStore store;
    RecordingHost host;
    IniFile ini{store.dir / "Tidemark2NV.ini"};
    MainPanelModel model{host, store.dir.path(), ini};
    StepLog steps;

    PanelFixture()
    {
        model.setSteps(&steps);
        host.clock = {2024, 1, 15, 9, 58, 0};
    }

    // Three races at 大井 with 10 runners, post 09:55, 10:05 and 10:30; odds for race 2.
    void threeRaces()
    {
        store.dayFile({raceCard(1, 10, "0955").line(), raceCard(2, 10, "1005").line(),
                       raceCard(3, 10, "1030").line()});
        store.fullRunners(3, 10);
        store.writeLines(store.o1File(2), {o1At("01150935", 2).line(), o1At("01150945", 2).win(1, 2.0, 1).line(),
                                           o1At("01150955", 2).line(), o1At("01150955", 2).line()});
        store.writeLines(store.o2File(2), {o2At("01150955", 2).line()});
    }

    void openDay(int index = 0)
    {
        model.buildDateList();
        model.DateComboChange(index);
    }

    std::string caption(int i) const { return model.timeButtonCaptions()[static_cast<std::size_t>(i)]; }
};

} // namespace

TEST_F(PanelFixture, DateListNewestFirstWithTheBatchSelection)
{
    store.write(store.data("2024年01月14日.nvRA"), "");
    store.write(store.data("2024年01月16日.nvRA"), "");
    store.write(store.data("2024年01月15日.nvRA"), "");
    model.buildDateList();
    ASSERT_EQ(model.DateCombo().count(), 3);
    EXPECT_EQ(text::toUtf8(model.DateCombo().items[0]), "2024年01月16日");
    EXPECT_EQ(text::toUtf8(model.DateCombo().items[2]), "2024年01月14日");
    EXPECT_EQ(model.DateCombo().itemIndex, -1); // the user picks the day
    EXPECT_EQ(steps.batchLabels, model.DateCombo().items);
    EXPECT_EQ(steps.batchSelected, 1); // the 15th, today
    EXPECT_TRUE(model.DatList().empty());
}

TEST_F(PanelFixture, EmptyStoreAndMissingDayFile)
{
    model.buildDateList();
    EXPECT_TRUE(model.DateCombo().empty());
    EXPECT_EQ(steps.batchSelected, -1);
    store.write(store.data("2024年01月15日.nvRA"), "");
    model.buildDateList();
    std::filesystem::remove(store.data("2024年01月15日.nvRA"));
    model.DateComboChange(0);
    EXPECT_TRUE(model.DatList().empty());
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_EQ(model.currentSlot(), nullptr);
}

TEST_F(PanelFixture, LoadDayOpensTheLastViewedRaceAndStartsTheTimerForToday)
{
    threeRaces();
    ini.writeInteger("Time", "AutoRdataGet", 7);
    openDay();
    ASSERT_EQ(model.DatList().count(), 3);
    EXPECT_EQ(text::toUtf8(model.DatList().items[0]), "大井 1R");
    EXPECT_EQ(model.DatList().itemIndex, 0);
    EXPECT_EQ(model.UpDown1Max(), 2);
    ASSERT_TRUE(host.timerRunning(TimerId::Timer4));
    EXPECT_EQ(host.timers.intervalMs(TimerId::Timer4), 7 * 60 * 1000);
    host.fire(TimerId::Timer4);
    EXPECT_EQ(steps.calls.back(), "tick");

    model.DatListClick(2);
    EXPECT_EQ(model.dayTable().lastViewedRace, 2);
    // Reloading comes back to the race viewed last.
    model.loadDay();
    EXPECT_EQ(model.DatList().itemIndex, 2);
    EXPECT_EQ(model.UpDown1Position(), 2);

    // A day with fewer races opens its last race; a past day runs no timer.
    store.dayFile({raceCard(1, 10, "0955").line()}, "2024年01月14日");
    store.runnerFile({tidemark::testing::runner(1, 1).line()}, "大井", "2024年01月14日");
    model.buildDateList();
    model.DateComboChange(1);
    EXPECT_EQ(text::toUtf8(model.DateCombo().text()), "2024年01月14日");
    EXPECT_EQ(model.DatList().itemIndex, 0);
    EXPECT_FALSE(host.timerRunning(TimerId::Timer4));
}

TEST_F(PanelFixture, ResultsTimerPeriodStaysUsable)
{
    threeRaces();
    ini.writeInteger("Time", "AutoRdataGet", 0);
    openDay();
    EXPECT_EQ(host.timers.intervalMs(TimerId::Timer4), 60 * 1000);
    ini.writeInteger("Time", "AutoRdataGet", 99999999);
    model.loadDay();
    EXPECT_GT(host.timers.intervalMs(TimerId::Timer4), 0);
    // The default period is 15 minutes.
    std::filesystem::remove(ini.path());
    model.loadDay();
    EXPECT_EQ(host.timers.intervalMs(TimerId::Timer4), 15 * 60 * 1000);
}

TEST_F(PanelFixture, NoRunnerFilesEmptiesTheRaceList)
{
    store.dayFile({raceCard(1).line(), raceCard(2).line()});
    openDay();
    ASSERT_EQ(host.boxTexts(), (std::vector<std::string>{MainPanelModel::dataIncompleteText()}));
    EXPECT_EQ(host.boxes[0].kind, RecordingHost::BoxKind::Information);
    EXPECT_EQ(host.beeps, 1);
    EXPECT_TRUE(model.DatList().empty());
    EXPECT_EQ(model.UpDown1Max(), -1);
    // The slots stay filled.
    EXPECT_EQ(model.dayTable().raceCount, 2);
    EXPECT_EQ(std::find(steps.calls.begin(), steps.calls.end(), "threePoint"), steps.calls.end());
}

TEST_F(PanelFixture, OpenRaceFillsTheTimeListAndRunsTheStepsInOrder)
{
    threeRaces();
    openDay();
    steps.calls.clear();
    host.transientTexts.clear();
    model.DatListClick(1);
    ASSERT_EQ(model.TimeCombo().count(), 4);
    EXPECT_EQ(model.TimeCombo().items[0], "01/15 09:35");
    EXPECT_EQ(model.TimeCombo().itemIndex, 3); // the latest
    EXPECT_EQ(model.labels().Label3Dj2, "4");
    // Post 10:05: targets 09:35, 09:45, 09:55.
    EXPECT_EQ(caption(0), "09:35");
    EXPECT_EQ(caption(1), "09:45");
    EXPECT_EQ(caption(2), "09:55");
    EXPECT_EQ(model.labels().JikokuLabel[0], "09:35");
    EXPECT_EQ(model.labels().JikokuLabel[2], "09:55");
    EXPECT_EQ(model.series().chosenO2.size(), 3u);
    EXPECT_EQ(model.dayTable().currentRace, 1);
    EXPECT_EQ(model.currentSlot()->record.o1Time, "0955");
    EXPECT_EQ(text::toUtf8(model.labels().header.BashoLabel), "大井");
    EXPECT_EQ(model.labels().header.RaceLabel, "2");
    EXPECT_TRUE(model.Panel1Visible());
    EXPECT_TRUE(model.perHorseGridsVisible());
    EXPECT_EQ(steps.calls, (std::vector<std::string>{"cleared", "moment", "threePoint", "headers", "rows", "results",
                                                     "tables", "sort"}));
    EXPECT_TRUE(host.transientTexts.empty());
}

TEST_F(PanelFixture, RaceWithoutOddsDrawsTheNoticeOnce)
{
    threeRaces();
    openDay();
    ASSERT_EQ(host.transientTexts.size(), 1u);
    EXPECT_NE(host.transientTexts[0].find(MainPanelModel::noOddsText()), std::string::npos);
    EXPECT_TRUE(model.TimeCombo().empty());
    EXPECT_EQ(model.labels().Label3Dj2, "");
    EXPECT_EQ(caption(0), "-");
    EXPECT_EQ(model.labels().JikokuLabel[0], "");
    // An empty odds file is a race without odds as well.
    store.write(store.o1File(3), "");
    model.DatListClick(2);
    EXPECT_EQ(host.transientTexts.size(), 2u);
}

TEST_F(PanelFixture, RaceSteppingStopsAtBothEnds)
{
    threeRaces();
    openDay();
    const auto opened = [&] { return std::count(steps.calls.begin(), steps.calls.end(), "sort"); };
    const auto before = opened();
    model.B4RBtnClick();
    EXPECT_EQ(model.DatList().itemIndex, 0);
    EXPECT_EQ(opened(), before);
    model.AfRBtnClick();
    model.AfRBtnClick();
    EXPECT_EQ(model.DatList().itemIndex, 2);
    model.AfRBtnClick();
    EXPECT_EQ(model.DatList().itemIndex, 2);
    EXPECT_EQ(opened(), before + 2);
    model.UpDown1Click(1);
    EXPECT_EQ(model.DatList().itemIndex, 1);
    model.UpDown1Click(99);
    EXPECT_EQ(model.DatList().itemIndex, 2);
    model.B4RBtnClick();
    EXPECT_EQ(model.DatList().itemIndex, 1);
}

TEST_F(PanelFixture, TimeSteppingAndTimePointButtons)
{
    threeRaces();
    openDay();
    model.DatListClick(1);
    model.AfTimeBtnClick();
    EXPECT_EQ(model.TimeCombo().itemIndex, 3);
    model.B4TimeBtnClick();
    EXPECT_EQ(model.TimeCombo().itemIndex, 2);
    model.TimeComboClick(0);
    model.B4TimeBtnClick();
    EXPECT_EQ(model.TimeCombo().itemIndex, 0);

    model.SpeedButton4Click();
    EXPECT_EQ(model.timeButtonDown(), 1);
    EXPECT_EQ(model.TimeCombo().itemIndex, 1);
    EXPECT_DOUBLE_EQ(model.currentSlot()->record.winOdds[1], 2.0);
    // 09:55 stands twice: the later entry is selected, the first snapshot of it loaded.
    model.SpeedButton5Click();
    EXPECT_EQ(model.TimeCombo().itemIndex, 3);
    EXPECT_EQ(model.currentSlot()->record.o1Time, "0955");
}

TEST_F(PanelFixture, NextRaceAtGivenClockTimes)
{
    threeRaces();
    openDay();
    model.NextRaceBtnClick(); // 09:58
    EXPECT_EQ(model.DatList().itemIndex, 1);
    host.clock = {2024, 1, 15, 10, 5, 0};
    model.NextRaceBtnClick();
    EXPECT_EQ(model.DatList().itemIndex, 2);
    host.clock = {2024, 1, 15, 10, 40, 0};
    model.DatListClick(0);
    model.NextRaceBtnClick();
    EXPECT_EQ(model.DatList().itemIndex, 0);
    // Not today: nothing.
    host.clock = {2024, 1, 16, 9, 0, 0};
    model.NextRaceBtnClick();
    EXPECT_EQ(model.DatList().itemIndex, 0);
}

TEST_F(PanelFixture, QuinellaMissingForNineRunnersStopsTheMoment)
{
    store.dayFile({raceCard(1, 9, "1005").line()});
    store.fullRunners(1, 9);
    store.writeLines(store.o1File(1), {o1At("01150955").line()});
    openDay();
    ASSERT_EQ(host.boxTexts(), (std::vector<std::string>{analysis::noQuinellaOddsText()}));
    EXPECT_EQ(host.beeps, 1);
    EXPECT_EQ(std::find(steps.calls.begin(), steps.calls.end(), "moment"), steps.calls.end());
    EXPECT_EQ(model.lastSnapshot().outcome, analysis::SelectedSnapshot::Outcome::NoQuinellaOdds);
    // The analysis stopped before the moment's odds were taken: the time labels stay empty.
    for (const std::string& label : model.labels().JikokuLabel)
        EXPECT_EQ(label, "");
}

TEST_F(PanelFixture, SettingsAreReadAtTheMomentOfUse)
{
    threeRaces();
    openDay();
    settings::TimeNotUse.write(ini, true);
    model.DatListClick(1);
    EXPECT_EQ(caption(0), "09:35");
    EXPECT_EQ(caption(1), "09:55"); // index 4 / 2 = 2
    EXPECT_EQ(caption(2), "09:55");
    settings::TimeNotUse.write(ini, false);
    settings::TimeIgnoFirstTime.write(ini, false);
    settings::TimeFirst.write(ini, 950);
    model.DatListClick(1);
    EXPECT_EQ(model.TimeCombo().count(), 2);
}

TEST_F(PanelFixture, TheViewHearsWhatChanged)
{
    threeRaces();
    ChangeLog log;
    model.setObserver(&log);
    model.buildDateList();
    EXPECT_GT(log.dates, 0);
    model.DateComboChange(0);
    EXPECT_GT(log.races, 0);
    EXPECT_GT(log.labels, 0);
    const ChangeLog before = log;
    model.TimeComboClick(0); // race 1 has no snapshots: nothing to select
    EXPECT_EQ(log.times, before.times);
    model.DatListClick(1);
    EXPECT_GT(log.times, before.times);
    EXPECT_GT(log.buttons, before.buttons);
    EXPECT_GT(log.panels, before.panels);
    model.setObserver(nullptr);
    model.DatListClick(0);
}

TEST_F(PanelFixture, DayFileNamesThatAreNoDates)
{
    threeRaces();
    store.write(store.data("notes.nvRA"), "");
    store.write(store.data("zz-backup-of-2024.nvRA"), "");
    model.buildDateList();
    ASSERT_EQ(model.DateCombo().count(), 3);
    EXPECT_EQ(model.DateCombo().items[0], "zz-backup-of-2");
    EXPECT_EQ(model.DateCombo().items[1], "notes.nvRA");
    // Neither names a day file: an empty race list, no message, no timer.
    model.DateComboChange(0);
    EXPECT_TRUE(model.DatList().empty());
    model.DateComboChange(1);
    EXPECT_TRUE(model.DatList().empty());
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_FALSE(host.timerRunning(TimerId::Timer4));
    model.NextRaceBtnClick();
    model.AfRBtnClick();
    model.SpeedButton3Click();
    EXPECT_EQ(model.currentSlot(), nullptr);
    // The real day still loads.
    model.DateComboChange(2);
    EXPECT_EQ(model.DatList().count(), 3);
}
