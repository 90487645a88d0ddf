// Race-day alerts in the main window's model: the rules kept in the settings, the rules
// dialog's fields and messages, the alert list with its sound, notification and the
// double-click back to the race.

#include <gtest/gtest.h>

#include "analysis/race_store_fixture.h"
#include "presentation/alert_model.h"
#include "presentation/main_window_model.h"
#include "records/record_view.h"
#include "service/null_nv_link.h"
#include "settings/settings_keys.h"
#include "support/recording_host.h"
#include "text/cp932.h"

namespace tidemark::presentation {
namespace {

using analytics::parseAlertRule;
using testing::o1At;
using testing::raceCard;
using text::sj;

class AlertModelTest : public ::testing::Test, protected AlertListObserver {
protected:
    AlertModelTest()
    {
        host.clock = {2024, 1, 15, 12, 0, 0};
        store.dayFile({raceCard(1, 12, "1030").line(), raceCard(2, 12, "1100").line()});
        store.fullRunners(2, 4);
        // Race 1: horse 1 from 8.0 (share 10) to 4.0 (20): +10 points in 10 minutes.
        store.writeLines(store.o1File(1), {o1At("01151000", 1).win(1, 8.0, 2).win(2, 4.0, 1).line(),
                                           o1At("01151010", 1).win(1, 4.0, 1).win(2, 4.0, 2).line()});
        model.create();
        model.panel().buildDateList();
        model.panel().DateComboChange(0);
        model.alerts().setObserver(this);
    }
    void alertsChanged() override { ++changes; }
    void notify(const std::string& title, const std::string& text) override { notices.push_back(title + "|" + text); }

    testing::RaceStore store;
    testing::RecordingHost host;
    NullNvLink link;
    MainWindowModel model{host, link, store.dir.path()};
    int changes = 0;
    std::vector<std::string> notices;
};

TEST_F(AlertModelTest, SettingsKeepTheRulesAndSwitches)
{
    AlertSettings s;
    s.rules = {*parseAlertRule("rise,2.5,15"), *parseAlertRule("below,4.5,2024011544110201,3"), *parseAlertRule("place")};
    s.sound = false;
    writeAlertSettings(model.settings(), s);
    EXPECT_EQ(readAlertSettings(model.settings()), s);
    // A shorter list leaves no rule of the longer one behind; a rule edited into
    // nonsense by hand is left out.
    s.rules.pop_back();
    s.notify = false;
    writeAlertSettings(model.settings(), s);
    model.settings().writeInteger(settings::AlertsSection, "Count", 3);
    model.settings().writeString(settings::AlertsSection, "Rule2", "below,4.5");
    const AlertSettings back = readAlertSettings(model.settings());
    EXPECT_EQ(back.rules, std::vector<analytics::AlertRule>{s.rules[0]});
    EXPECT_FALSE(back.sound);
    EXPECT_FALSE(back.notify);
}

TEST_F(AlertModelTest, TheDialogChecksItsFieldsAndStoresWhatItHolds)
{
    AlertRulesDialogModel& d = model.alertRules();
    d.open();
    EXPECT_EQ(d.raceItems(), (std::vector<std::string>{sj("大井 1R 10:30"), sj("大井 2R 11:00")}));
    EXPECT_EQ(d.points(), "5");
    EXPECT_EQ(d.window(), "10");
    EXPECT_TRUE(d.shareFieldsEnabled());

    const auto refused = [&](const char* utf8) {
        const std::size_t before = host.boxes.size();
        d.AddBtnClick();
        return host.boxes.size() == before + 1 && host.boxTexts().back() == sj(utf8);
    };
    d.PointsEditChange("0");
    EXPECT_TRUE(refused("ポイントは0.1から99.9までの数値を入力してください。"));
    d.PointsEditChange("3.5");
    d.WindowEditChange("61");
    EXPECT_TRUE(refused("分は1から60までの整数を入力してください。"));
    d.WindowEditChange("5");
    d.KindComboChange(1);
    d.AddBtnClick();
    EXPECT_EQ(d.ruleItems(), std::vector<std::string>{sj("単勝支持率 3.5ポイント以上下落 (5分以内)")});
    d.AddBtnClick();
    EXPECT_TRUE(refused("同じアラートが既にあります。"));

    d.KindComboChange(3);
    EXPECT_TRUE(d.oddsFieldsEnabled());
    d.RaceComboChange(1);
    d.OddsEditChange("4.55");
    EXPECT_TRUE(refused("オッズは1.0から9999.9までの数値を入力してください。"));
    d.OddsEditChange("4.5");
    d.HorseEditChange("19");
    EXPECT_TRUE(refused("馬番は1から18までの整数を入力してください。"));
    d.HorseEditChange("2");
    d.AddBtnClick();
    d.KindComboChange(0);
    d.AddBtnClick();
    ASSERT_EQ(d.ruleItems().size(), 3u);
    EXPECT_EQ(d.ruleItems()[1], sj("大井 2R 2番 単勝オッズ 4.5倍を下回る"));
    d.RemoveBtnClick(0);
    d.SoundCheckClick(false);
    d.NotifyCheckClick(false);
    // Nothing is stored before OK; OK stores it and the alert list follows at once.
    EXPECT_TRUE(readAlertSettings(model.settings()).rules.empty());
    ASSERT_TRUE(d.OkBtnClick());
    const AlertSettings stored = readAlertSettings(model.settings());
    EXPECT_EQ(stored, d.settings());
    EXPECT_EQ(stored.rules, (std::vector<analytics::AlertRule>{*parseAlertRule("below,4.5,2024011544110202,2"),
                                                               *parseAlertRule("rise,3.5,5")}));
    EXPECT_EQ(model.alerts().monitor().rules(), stored.rules);
    // Reopened, the dialog shows what is stored.
    d.open();
    EXPECT_EQ(d.settings(), stored);
}

TEST_F(AlertModelTest, AnAlertIsListedSoundedNotifiedAndLeadsBackToTheRace)
{
    AlertSettings s;
    s.rules = {*parseAlertRule("rise,5,10")};
    writeAlertSettings(model.settings(), s);
    model.alerts().reloadRules();
    AlertListModel& list = model.alerts();
    const int beeps = host.beeps;

    list.raceWritten("2024011544110201");
    ASSERT_EQ(list.alerts().size(), 1u);
    EXPECT_EQ(host.beeps, beeps + 1);
    EXPECT_EQ(changes, 1);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0], sj("アラート|大井 1R 1番 単勝支持率 +10.0ポイント (10分) 8.0->4.0"));
    const TextGrid& g = list.grid();
    ASSERT_EQ(g.rowCount(), 2);
    EXPECT_EQ((std::vector<std::string>{g.cell(1, 0), g.cell(1, 1), g.cell(1, 2), g.cell(1, 4), g.cell(1, 5)}),
              (std::vector<std::string>{"10:10", sj("大井 1R"), "1", "8.0", "4.0"}));
    // The same announcements again raise nothing.
    list.raceWritten("2024011544110201");
    EXPECT_EQ(list.alerts().size(), 1u);
    EXPECT_EQ(host.beeps, beeps + 1);

    // Double-click: race 1 opened at 10:10 in the main window.
    model.panel().DatListClick(1);
    list.GridDblClick(1);
    ASSERT_NE(model.panel().currentSlot(), nullptr);
    EXPECT_EQ(records::RaView(model.panel().currentSlot()->raRecord).raceKey(), "2024011544110201");
    EXPECT_EQ(model.panel().TimeCombo().text(), "01/15 10:10");
    // A race or moment the main window no longer finds says so.
    AlertListModel gone(host, model.settings(), store.layout, [](const std::string&, const std::string&, const std::string&) {
        return false;
    });
    gone.raceWritten("2024011544110201");
    gone.GridDblClick(1);
    EXPECT_EQ(host.boxTexts().back(), sj("このレースの時点は保存されていません。"));
    const int beepsBefore = host.beeps;

    // Switched off: no sound and no notification, the line still listed.
    s.sound = false;
    s.notify = false;
    writeAlertSettings(model.settings(), s);
    list.reloadRules();
    store.writeLines(store.o1File(2), {o1At("01151000", 2).win(3, 8.0, 2).line(), o1At("01151010", 2).win(3, 4.0, 1).line()});
    list.raceWritten("2024011544110202");
    EXPECT_EQ(list.alerts().size(), 2u);
    EXPECT_EQ(list.alerts().front().raceNumber, 2); // newest first
    EXPECT_EQ(host.beeps, beepsBefore);
    EXPECT_EQ(notices.size(), 1u);
    list.ClearBtnClick();
    EXPECT_EQ(list.grid().rowCount(), 1);
}

} // namespace
} // namespace tidemark::presentation
