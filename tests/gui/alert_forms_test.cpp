// The alert windows off screen: every control of the rules dialog reaches its model and
// OK stores the rules; the alert list shows what fired, notifies, clears, and its
// double-click opens the race at the alert's announcement.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "analysis/race_store_fixture.h"
#include "gui/alert_forms.h"
#include "gui/grid_view.h"
#include "gui_test_app.h"
#include "presentation/main_window_model.h"
#include "records/record_view.h"
#include "service/null_nv_link.h"
#include "support/recording_host.h"

namespace tidemark::gui {
namespace {

using testing::o1At;
using testing::raceCard;

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

TEST(AlertForms, TheRulesDialogAndTheListReachTheirModels)
{
    testing::guiApp();
    testing::RaceStore store;
    testing::RecordingHost host;
    NullNvLink link;
    host.clock = {2024, 1, 15, 12, 0, 0};
    store.dayFile({raceCard(1, 12, "1030").line(), raceCard(2, 12, "1100").line()});
    store.fullRunners(2, 4);
    store.writeLines(store.o1File(1), {o1At("01151000", 1).win(1, 8.0, 2).line(), o1At("01151010", 1).win(1, 4.0, 1).line()});
    MainWindowModel model{host, link, store.dir.path()};
    model.create();
    model.panel().buildDateList();
    model.panel().DateComboChange(0);

    TAlertListForm form(model.alerts(), model.alertRules(), nullptr);
    form.showList();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.windowTitle(), u("アラート"));

    // Cancel keeps nothing.
    testing::whenModal([](QDialog& d) { d.findChild<QPushButton*>(QStringLiteral("CancelBtn"))->click(); });
    form.RulesBtn->click();
    EXPECT_TRUE(presentation::readAlertSettings(model.settings()).rules.empty());

    testing::whenModal([](QDialog& dialog) {
        auto* d = qobject_cast<TAlertRulesDialog*>(&dialog);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->PointsEdit->text(), QStringLiteral("5"));
        EXPECT_EQ(d->RaceCombo->count(), 2);
        EXPECT_FALSE(d->RaceCombo->isEnabled());
        d->PointsEdit->setText(QStringLiteral("2"));
        Q_EMIT d->PointsEdit->textEdited(QStringLiteral("2"));
        d->WindowEdit->setText(QStringLiteral("10"));
        Q_EMIT d->WindowEdit->textEdited(QStringLiteral("10"));
        d->AddBtn->click();
        ASSERT_EQ(d->RuleList->count(), 1);
        EXPECT_EQ(d->RuleList->item(0)->text(), u("単勝支持率 2ポイント以上上昇 (10分以内)"));
        // An odds rule: the race fields come alive.
        Q_EMIT d->KindCombo->activated(4);
        EXPECT_TRUE(d->RaceCombo->isEnabled());
        EXPECT_FALSE(d->PointsEdit->isEnabled());
        Q_EMIT d->RaceCombo->activated(1);
        Q_EMIT d->HorseEdit->textEdited(QStringLiteral("3"));
        Q_EMIT d->OddsEdit->textEdited(QStringLiteral("20"));
        d->AddBtn->click();
        ASSERT_EQ(d->RuleList->count(), 2);
        EXPECT_EQ(d->RuleList->item(1)->text(), u("大井 2R 3番 単勝オッズ 20倍を上回る"));
        d->RuleList->setCurrentRow(1);
        d->RemoveBtn->click();
        EXPECT_EQ(d->RuleList->count(), 1);
        d->SoundCheck->setChecked(false);
        d->NotifyCheck->setChecked(false);
        d->NotifyCheck->setChecked(true);
        d->OkBtn->click();
    });
    form.RulesBtn->click();
    const presentation::AlertSettings stored = presentation::readAlertSettings(model.settings());
    ASSERT_EQ(stored.rules.size(), 1u);
    EXPECT_FALSE(stored.sound);
    EXPECT_TRUE(stored.notify);

    // The watch wrote race 1: one line, a notification, no sound.
    const int beeps = host.beeps;
    model.alerts().raceWritten("2024011544110201");
    EXPECT_EQ(form.AlertGrid->model()->rowCount(), 2);
    EXPECT_EQ(form.AlertGrid->model()->data(form.AlertGrid->model()->index(1, 1)).toString(), u("大井 1R"));
    EXPECT_EQ(form.lastNotice, u("アラート|大井 1R 1番 単勝支持率 +10.0ポイント (10分) 8.0->4.0"));
    EXPECT_EQ(host.beeps, beeps);

    model.panel().DatListClick(1);
    Q_EMIT form.AlertGrid->doubleClicked(form.AlertGrid->model()->index(1, 0));
    ASSERT_NE(model.panel().currentSlot(), nullptr);
    EXPECT_EQ(records::RaView(model.panel().currentSlot()->raRecord).raceKey(), "2024011544110201");
    EXPECT_EQ(model.panel().TimeCombo().text(), "01/15 10:10");

    form.ClearBtn->click();
    EXPECT_EQ(form.AlertGrid->model()->rowCount(), 1);
}

} // namespace
} // namespace tidemark::gui
