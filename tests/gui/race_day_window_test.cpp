// Race day in the window, off-screen: the watch's switch and settings dialog in the main
// window, the status bar while it works, the open race read again where the user stands,
// and the movers board window with every one of its controls, its copy and the double-click
// that opens a race at snapshot B.

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cstdlib>

#include "acquisition/batch_odds_import.h"
#include "acquisition/nv_channel.h"
#include "acquisition/stored_data_import.h"
#include "gui/grid_table_model.h"
#include "gui/grid_view.h"
#include "gui/main_form.h"
#include "gui/alert_forms.h"
#include "gui/movers_form.h"
#include "gui/odds_watch_bar.h"
#include "gui/qt_host.h"
#include "gui_test_app.h"
#include "nvsim/sim_nv_link.h"
#include "presentation/main_window_model.h"
#include "records/record_builder.h"
#include "settings/settings_keys.h"
#include "store/record_store.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"
#include "text/cp932.h"
#include "text/date_time.h"

namespace tidemark::gui {
namespace {

using tidemark::testing::RecordingHost;

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

void save(QWidget& w, const char* name)
{
    if (const char* dir = std::getenv("TIDEMARK_SCREENSHOT_DIR")) {
        QApplication::processEvents(); // the layouts settle as they would on screen
        EXPECT_TRUE(w.grab().save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + QLatin1String(name)));
    }
}

// A simulated service whose "today" is 12 January 2024, the store filled as a user would
// have it by the afternoon: the race cards, and the odds of the day fetched at 16:00.
class RaceDayWindowTest : public ::testing::Test {
protected:
    RaceDayWindowTest()
    {
        tidemark::testing::guiApp();
        host.clock = {2024, 1, 12, 8, 0, 0};
        nvsim::SimConfig config;
        config.seed = 4242;
        config.firstDay = text::DateTime{2024, 1, 12};
        config.lastDay = text::DateTime{2024, 1, 12};
        config.downloadSpeed = 50;
        sim = std::make_unique<nvsim::SimNvLink>(config, [this] { return host.clock; });
        sim->NVInit("SA418372/SD605291/TidemarkNV/Ver.1.15");
        IniFile ini(dir / "Tidemark2NV.ini");
        store::RecordStore store{store::StoreLayout(dir.path())};
        acquisition::NvChannel channel(*sim);
        settings::writeLastTime(ini, "2024/01/11 00:00:00");
        acquisition::StoredDataImport import(channel, host, store, ini);
        import.open();
        import.start();
        for (int i = 0; i < 100000 && import.phase() == acquisition::StoredDataImport::Phase::Downloading; ++i)
            host.fire(TimerId::TimerNVStatus);
        host.clock = {2024, 1, 12, 16, 0, 0};
        acquisition::BatchOddsImport batch(channel, host, store);
        batch.setDateList(store.layout().dayLabels());
        batch.showFor(text::sj("2024年01月12日"));
        batch.importDay();
        host.boxes.clear();
        host.clock = {2024, 1, 12, 16, 3, 0};
    }

    // The main window on the day, shown.
    struct Window {
        explicit Window(RaceDayWindowTest& t) : model(t.host, *t.sim, t.dir.path())
        {
            model.create();
            form = std::make_unique<TMainForm>(model, qtHost);
            form->resize(1180, 760);
            form->show();
            model.panel().DateComboChange(0);
        }
        ~Window() { form->close(); }
        MainWindowModel model;
        QtHost qtHost;
        std::unique_ptr<TMainForm> form;
    };

    tidemark::testing::TempDir dir;
    RecordingHost host;
    std::unique_ptr<nvsim::SimNvLink> sim;
};

TEST_F(RaceDayWindowTest, TheWatchRunsFromTheButtonBarAndKeepsTheUserWhereHeStands)
{
    Window w(*this);
    MainWindowModel& model = w.model;
    TMainForm& f = *w.form;

    auto* watchBtn = f.statusBar()->findChild<QToolButton*>(QStringLiteral("OddsWatchBtn"));
    auto* setBtn = f.statusBar()->findChild<QToolButton*>(QStringLiteral("OddsWatchSetBtn"));
    auto* label = f.statusBar()->findChild<QLabel*>(QStringLiteral("OddsWatchLabel"));
    ASSERT_TRUE(watchBtn && setBtn && label);
    EXPECT_EQ(watchBtn->text(), u("オッズ監視"));
    EXPECT_TRUE(watchBtn->isCheckable());
    EXPECT_FALSE(watchBtn->isChecked());
    EXPECT_TRUE(label->text().isEmpty());

    // The settings dialog: 45 minutes ahead, every 3 minutes, no minute-by-minute reads.
    tidemark::testing::whenModal([](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), u("オッズ監視設定"));
        auto* ahead = d.findChild<QSpinBox*>(QStringLiteral("AheadEdit"));
        auto* every = d.findChild<QSpinBox*>(QStringLiteral("EveryEdit"));
        auto* nearBox = d.findChild<QSpinBox*>(QStringLiteral("NearEdit"));
        ASSERT_TRUE(ahead && every && nearBox);
        EXPECT_EQ(ahead->value(), 60);
        EXPECT_EQ(every->maximum(), 30);
        EXPECT_EQ(nearBox->value(), 10);
        nearBox->setValue(nearBox->maximum() + 5); // the box keeps to its range
        EXPECT_EQ(nearBox->value(), 30);
        ahead->setValue(45);
        every->setValue(3);
        nearBox->setValue(0);
        tidemark::testing::pressOk(d);
        EXPECT_FALSE(d.isVisible());
    });
    setBtn->click();
    EXPECT_EQ(settings::OddsWatchAhead.read(model.settings()), 45);
    EXPECT_EQ(settings::OddsWatchEvery.read(model.settings()), 3);
    EXPECT_EQ(settings::OddsWatchNear.read(model.settings()), 0);
    // Cancel keeps what was stored.
    tidemark::testing::whenModal([](QDialog& d) {
        auto* nearBox = d.findChild<QSpinBox*>(QStringLiteral("NearEdit"));
        ASSERT_TRUE(nearBox);
        EXPECT_EQ(nearBox->value(), 0);
        nearBox->setValue(7);
        for (QPushButton* b : d.findChildren<QPushButton*>())
            if (b->text() == u("ｷｬﾝｾﾙ"))
                b->click();
        EXPECT_FALSE(d.isVisible());
    });
    setBtn->click();
    EXPECT_EQ(settings::OddsWatchNear.read(model.settings()), 0);

    // The user stands on the race nearest its post, on an earlier moment, on a page of
    // the time-series tables.
    const auto& entries = model.panel().raceEntries();
    int nearest = -1;
    int nearestPost = 24 * 60;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const records::RaView ra(model.panel().dayTable().slots[static_cast<std::size_t>(entries[i].slot)].raRecord);
        const int post = ra.startTimeNumber() / 100 * 60 + ra.startTimeNumber() % 100;
        if (post > 16 * 60 + 3 && post < nearestPost) {
            nearest = static_cast<int>(i);
            nearestPost = post;
        }
    }
    ASSERT_GE(nearest, 0);
    ASSERT_LE(nearestPost - (16 * 60 + 3), 45);
    model.panel().DatListClick(nearest);
    const int snapshots = model.panel().TimeCombo().count();
    ASSERT_GT(snapshots, 3);
    model.panel().TimeComboClick(snapshots - 3);
    const std::string moment = model.panel().TimeCombo().text();
    f.PageControl1->setCurrentIndex(6);

    watchBtn->click();
    EXPECT_TRUE(watchBtn->isChecked());
    EXPECT_TRUE(model.oddsWatch().switchDown());
    EXPECT_EQ(model.oddsWatch().watch().aheadMinutes(), 45);
    EXPECT_EQ(model.oddsWatch().watch().nearMinutes(), 0);
    // The races just run first (their last announcements), then the nearest.
    for (int i = 0; i < 20 && model.panel().TimeCombo().count() == snapshots; ++i)
        host.fire(TimerId::OddsWatchTimer);
    EXPECT_TRUE(label->text().startsWith(u("オッズ監視中：")));
    EXPECT_GT(model.panel().TimeCombo().count(), snapshots); // the new announcements are listed
    EXPECT_EQ(model.panel().TimeCombo().text(), moment);
    EXPECT_EQ(f.TimeCombo->currentItem()->text(), QString::fromUtf8(text::toUtf8(moment)));
    EXPECT_EQ(f.DatList->currentRow(), nearest);
    EXPECT_EQ(f.PageControl1->currentIndex(), 6);
    for (int i = 0; i < 20 && !label->text().contains(u("次回")); ++i)
        host.fire(TimerId::OddsWatchTimer);
    // The next read: the round at 16:06, or the nearest race's post if it comes first.
    const QString next = QString::fromStdString(text::hhColonNn(std::min(16 * 60 + 6, nearestPost)));
    EXPECT_TRUE(label->text().contains(u("次回 ") + next)) << label->text().toStdString();
    // The nearest race's freshness in the text, every watched race's in the hint.
    EXPECT_TRUE(label->text().contains(u("分前)"))) << label->text().toStdString();
    const std::string postText = text::hhColonNn(nearestPost) + "発走";
    EXPECT_TRUE(label->toolTip().contains(QString::fromStdString(postText))) << label->toolTip().toStdString();
    save(f, "odds_watch_main.png");

    // Off again: the button follows, the status bar is empty.
    watchBtn->click();
    EXPECT_FALSE(watchBtn->isChecked());
    EXPECT_TRUE(label->text().isEmpty());
    EXPECT_FALSE(host.timerRunning(TimerId::OddsWatchTimer));
}

TEST_F(RaceDayWindowTest, TheBoardWindowAsABettorUsesIt)
{
    Window w(*this);
    MainWindowModel& model = w.model;
    TMainForm& f = *w.form;

    auto* moversBtn = f.findChild<QPushButton*>(QStringLiteral("MoversBtn"));
    ASSERT_NE(moversBtn, nullptr);
    EXPECT_EQ(moversBtn->text(), u("オッズ急変"));
    EXPECT_FALSE(moversBtn->statusTip().isEmpty());
    moversBtn->click();
    // An alert raised before the alert list was ever opened still reaches the desktop.
    auto* alertForm = f.findChild<TAlertListForm*>();
    ASSERT_NE(alertForm, nullptr);
    EXPECT_FALSE(alertForm->isVisible());
    presentation::AlertSettings alerting;
    alerting.rules.resize(1);
    alerting.rules[0].pointsTenths = 1; // any rise of a tenth of a point within a minute
    alerting.rules[0].windowMinutes = 1;
    presentation::writeAlertSettings(model.settings(), alerting);
    model.alerts().reloadRules();
    for (const analysis::RaceListEntry& e : model.panel().raceEntries())
        model.alerts().raceWritten(
            text::bytesAt(model.panel().dayTable().slots[static_cast<std::size_t>(e.slot)].raRecord, 12, 16));
    ASSERT_FALSE(model.alerts().alerts().empty());
    EXPECT_TRUE(alertForm->lastNotice.startsWith(u("アラート|"))) << alertForm->lastNotice.toStdString();
    EXPECT_FALSE(alertForm->isVisible());

    // "アラート" of the file menu opens the alert list, once.
    auto* alertsMenu = f.findChild<QAction*>(QStringLiteral("AlertsMenu"));
    ASSERT_NE(alertsMenu, nullptr);
    EXPECT_EQ(alertsMenu->text(), u("アラート"));
    alertsMenu->trigger();
    alertsMenu->trigger();
    ASSERT_EQ(f.findChildren<TAlertListForm*>().size(), 1);
    EXPECT_TRUE(f.findChild<TAlertListForm*>()->isVisible());
    auto* board = f.findChild<TMoversForm*>(QStringLiteral("TMoversForm"));
    ASSERT_NE(board, nullptr);
    ASSERT_TRUE(board->isVisible());
    EXPECT_EQ(board->windowTitle(), u("オッズ急変"));
    presentation::MoversBoardModel& m = model.movers();
    EXPECT_TRUE(m.isOpen());
    QAbstractItemModelTester tester(board->BoardGrid->model(), QAbstractItemModelTester::FailureReportingMode::Warning);

    // Today: the board follows the clock.
    EXPECT_TRUE(board->LiveCheck->isEnabled());
    EXPECT_TRUE(board->LiveCheck->isChecked());
    EXPECT_EQ(board->TimeEdit->time(), QTime(16, 3));
    EXPECT_EQ(board->WindowCombo->currentText(), u("10分前と比較"));
    ASSERT_GE(board->TrackCombo->count(), 2);
    EXPECT_EQ(board->TrackCombo->itemText(0), u("全場"));
    EXPECT_EQ(board->TitleLabel->text(), u("[オッズ急変]2024年01月12日 16:03 (10分前と比較)"));
    EXPECT_EQ(board->BoardGrid->model()->rowCount(), m.grid().rowCount());
    ASSERT_GT(m.grid().rowCount(), 1);
    EXPECT_TRUE(board->SummaryLabel->text().startsWith(QString::number(m.grid().rowCount() - 1) + u("頭")));
    // The races long run have nothing new within the window: counted, not listed.
    EXPECT_GT(m.board().staleRaces, 0);
    EXPECT_TRUE(board->SummaryLabel->text().contains(u("直近のオッズなし"))) << board->SummaryLabel->text().toStdString();
    EXPECT_EQ(board->BoardGrid->model()->data(board->BoardGrid->model()->index(0, 10)).toString(), u("単勝変化▼"));

    // A wider window, then a clock time picked by hand: the board leaves the clock.
    board->WindowCombo->setCurrentIndex(3);
    Q_EMIT board->WindowCombo->activated(3);
    EXPECT_EQ(settings::MoversWindow.read(model.settings()), 30);
    board->TimeEdit->setTime(QTime(15, 30));
    EXPECT_FALSE(board->LiveCheck->isChecked());
    EXPECT_EQ(m.timeMinute(), 15 * 60 + 30);
    EXPECT_EQ(board->TitleLabel->text(), u("[オッズ急変]2024年01月12日 15:30 (30分前と比較)"));
    save(*board, "movers_board.png");
    const int allRows = m.grid().rowCount();
    // "発走迄" counts from the board's moment; a race already run says so.
    int run = 0;
    for (int r = 1; r < allRows; ++r) {
        const std::string& post = m.board().rows[static_cast<std::size_t>(r - 1)].postTime;
        const int toPost = std::stoi(post.substr(0, 2)) * 60 + std::stoi(post.substr(2, 2)) - (15 * 60 + 30);
        const QString cell = board->BoardGrid->model()->data(board->BoardGrid->model()->index(r, 3)).toString();
        EXPECT_EQ(cell.trimmed(), toPost > 0 ? QString::number(toPost) : u("発走済")) << post;
        run += toPost > 0 ? 0 : 1;
    }
    EXPECT_GT(run, 0);
    EXPECT_LT(run, allRows - 1);

    // Filters: a track, the races still to run, a least change.
    board->TrackCombo->setCurrentIndex(1);
    Q_EMIT board->TrackCombo->activated(1);
    EXPECT_TRUE(board->TitleLabel->text().contains(board->TrackCombo->itemText(1)));
    board->NotRunCheck->click();
    EXPECT_TRUE(m.notRun());
    board->MinChangeEdit->setValue(1.5);
    board->MinChangeCheck->click();
    EXPECT_TRUE(m.minChangeOn());
    EXPECT_EQ(m.minChangeTenths(), 15);
    for (int r = 1; r < m.grid().rowCount(); ++r)
        EXPECT_GE(presentation::cellDecimal(m.grid().cell(r, 10)), 1.5);
    EXPECT_LE(m.grid().rowCount(), allRows);
    board->MinChangeCheck->click();
    board->NotRunCheck->click();
    board->TrackCombo->setCurrentIndex(0);
    Q_EMIT board->TrackCombo->activated(0);
    EXPECT_EQ(m.grid().rowCount(), allRows);

    // Back to the clock, and the refresh button.
    board->LiveCheck->click();
    EXPECT_TRUE(m.live());
    host.clock.minute = 5;
    board->RefreshBtn->click();
    EXPECT_EQ(board->TimeEdit->time(), QTime(16, 5));

    // A least change typed while the board follows the clock: every keystroke builds the
    // board again, and the box being edited keeps what is typed.
    board->MinChangeCheck->click();
    QApplication::setActiveWindow(board);
    board->MinChangeEdit->setFocus();
    ASSERT_TRUE(board->MinChangeEdit->hasFocus());
    board->MinChangeEdit->selectAll();
    QTest::keyClicks(board->MinChangeEdit, QStringLiteral("2.5"));
    host.fire(TimerId::MoversTimer); // the minute's refresh meanwhile
    EXPECT_EQ(board->MinChangeEdit->text(), QStringLiteral("2.5"));
    EXPECT_EQ(m.minChangeTenths(), 25);
    board->MinChangeCheck->click();
    // The time box in the same way; once left, it shows the board's moment again.
    board->TimeEdit->setFocus();
    host.clock.minute = 6;
    host.fire(TimerId::MoversTimer);
    EXPECT_EQ(m.timeMinute(), 16 * 60 + 6);
    EXPECT_EQ(board->TimeEdit->time(), QTime(16, 5));
    board->TimeEdit->clearFocus();
    EXPECT_EQ(board->TimeEdit->time(), QTime(16, 6));
    EXPECT_TRUE(m.live());

    // The copy: a title line, then the rows.
    board->ClipBtn->click();
    EXPECT_EQ(host.clipboard.rfind(m.title() + "\r\n", 0), 0u);
    EXPECT_TRUE(board->SummaryLabel->text().contains(u("ｸﾘｯﾌﾟﾎﾞｰﾄﾞへｺﾋﾟｰしました")));

    // A double-click on the top runner opens its race in the main window at snapshot B.
    ASSERT_GT(m.board().rows.size(), 1u);
    const analytics::MoverRow top = m.board().rows.front();
    const QModelIndex cell = board->BoardGrid->model()->index(1, 5);
    board->BoardGrid->scrollTo(cell);
    // A double-click as the desktop delivers it: press and release, then the double click.
    const QPoint at = board->BoardGrid->visualRect(cell).center();
    QTest::mouseClick(board->BoardGrid->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(board->BoardGrid->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(model.panel().DatList().itemIndex, top.race);
    const std::string b = top.announcementB;
    EXPECT_EQ(model.panel().TimeCombo().text(), b.substr(0, 2) + "/" + b.substr(2, 2) + " " + b.substr(4, 2) + ":" +
                                                    b.substr(6, 2));
    EXPECT_EQ(f.DatList->currentRow(), top.race);

    // New odds from the watch build the open board again.
    const int before = m.timeMinute();
    host.clock.minute = 8;
    model.oddsWatch().OddsWatchBtnClick();
    host.fire(TimerId::OddsWatchTimer);
    EXPECT_EQ(m.timeMinute(), 16 * 60 + 8);
    EXPECT_NE(m.timeMinute(), before);
    EXPECT_EQ(board->TimeEdit->time(), QTime(16, 8));
    model.oddsWatch().OddsWatchBtnClick();

    // The header sorts (a press on it, a second press reverses); the pools switch; the
    // drifters come first in one click.
    board->LiveCheck->click();
    board->TimeEdit->setTime(QTime(15, 30));
    const auto press = [&](presentation::MoversColumn c) {
        const QModelIndex head = board->BoardGrid->model()->index(0, static_cast<int>(c));
        board->BoardGrid->scrollTo(head);
        QTest::mouseClick(board->BoardGrid->viewport(), Qt::LeftButton, {},
                          board->BoardGrid->visualRect(head).center());
    };
    const auto cellText = [&](int row, presentation::MoversColumn c) {
        return board->BoardGrid->model()->data(board->BoardGrid->model()->index(row, static_cast<int>(c))).toString();
    };
    press(presentation::MoversColumn::AgeB);
    EXPECT_EQ(m.sort().column, presentation::MoversColumn::AgeB);
    EXPECT_EQ(cellText(0, presentation::MoversColumn::AgeB), u("B経過▲"));
    for (int r = 2; r < m.grid().rowCount(); ++r)
        EXPECT_LE(m.board().rows[static_cast<std::size_t>(r - 2)].ageB, m.board().rows[static_cast<std::size_t>(r - 1)].ageB);
    press(presentation::MoversColumn::AgeB);
    EXPECT_TRUE(m.sort().descending);
    EXPECT_EQ(cellText(0, presentation::MoversColumn::AgeB), u("B経過▼"));

    ASSERT_NE(board->PoolSwitch->button(2), nullptr);
    EXPECT_EQ(board->PoolSwitch->button(2)->text(), u("馬連"));
    board->PoolSwitch->button(2)->click();
    EXPECT_EQ(m.poolIndex(), 2);
    EXPECT_TRUE(board->PoolSwitch->button(2)->isChecked());
    EXPECT_EQ(cellText(0, presentation::MoversColumn::Horse), u("組番"));
    ASSERT_GT(m.grid().rowCount(), 1);
    EXPECT_TRUE(cellText(1, presentation::MoversColumn::Horse).contains(QLatin1Char('-')));
    EXPECT_TRUE(board->TitleLabel->text().endsWith(u("馬連")));
    board->DriftersBtn->click();
    EXPECT_EQ(board->DriftersBtn->text(), u("上昇順"));
    EXPECT_EQ(m.sort(), (presentation::MoversSort{presentation::MoversColumn::Change, false}));
    EXPECT_LT(presentation::cellDecimal(m.grid().cell(1, static_cast<int>(presentation::MoversColumn::Change))), 0.0);
    save(*board, "movers_board_quinella_drifters.png");
    board->PoolSwitch->button(1)->click();
    EXPECT_EQ(cellText(0, presentation::MoversColumn::OddsA), u("複勝A"));
    EXPECT_TRUE(cellText(1, presentation::MoversColumn::OddsA).contains(QLatin1Char('-')));
    save(*board, "movers_board_place.png");
    board->DriftersBtn->click();
    EXPECT_EQ(board->DriftersBtn->text(), u("下落順"));
    board->PoolSwitch->button(0)->click();
    EXPECT_EQ(m.poolIndex(), 0);

    board->close();
    EXPECT_FALSE(m.isOpen());
}

TEST_F(RaceDayWindowTest, ABoxLeftOpenAfterAnImportHoldsNothingFromTheWatch)
{
    Window w(*this);
    MainWindowModel& model = w.model;
    auto* label = w.form->statusBar()->findChild<QLabel*>(QStringLiteral("OddsWatchLabel"));
    ASSERT_NE(label, nullptr);
    model.oddsWatch().OddsWatchBtnClick();
    host.fire(TimerId::OddsWatchTimer);
    const int before = model.oddsWatch().watch().racesFetched();
    ASSERT_GT(before, 0);

    // "オッズ取込(単日)" for today; its box stays open for minutes.
    std::vector<QString> whileOpen;
    host.onBox = [&](const RecordingHost::Box&) {
        host.clock.minute += 3;
        for (int i = 0; i < 30; ++i)
            host.fire(TimerId::OddsWatchTimer);
        whileOpen.push_back(label->text());
    };
    model.ozGet().showFor(text::sj("2024年01月12日"));
    model.ozGet().ButtonStartClick();
    host.onBox = {};
    ASSERT_EQ(whileOpen.size(), 1u);
    EXPECT_EQ(host.boxes.back().text.rfind(text::sj("2024年01月12日のデータ作成が完了しました。"), 0), 0u);
    EXPECT_FALSE(whileOpen.front().contains(u("他のデータ取得の終了待ち"))) << whileOpen.front().toStdString();
    EXPECT_GT(model.oddsWatch().watch().racesFetched(), before);
    model.oddsWatch().OddsWatchBtnClick();
}

TEST_F(RaceDayWindowTest, TheWatchKeepsToTodayWhileThePastIsLookedAt)
{
    // A past day in the store beside today.
    {
        store::RecordStore store{store::StoreLayout(dir.path())};
        for (int race = 1; race <= 3; ++race)
            store.storeRa(records::RaBuilder().date(2024, 1, 11).track("44").meeting(1).day(1).race(race).runners(12)
                              .startTime("1600").build(),
                          store::Origin::Import);
    }
    Window w(*this);
    MainWindowModel& model = w.model;
    auto* label = w.form->statusBar()->findChild<QLabel*>(QStringLiteral("OddsWatchLabel"));
    ASSERT_NE(label, nullptr);
    ASSERT_EQ(model.panel().DateCombo().items.size(), 2u);
    model.oddsWatch().OddsWatchBtnClick();
    host.fire(TimerId::OddsWatchTimer);
    const int before = model.oddsWatch().watch().racesFetched();

    // The past day opened (as a backtest bet or a movers row of that day opens it).
    model.panel().DateComboChange(1);
    EXPECT_EQ(model.panel().DateCombo().text(), text::sj("2024年01月11日"));
    host.clock.minute = 9;
    for (int i = 0; i < 30; ++i)
        host.fire(TimerId::OddsWatchTimer);
    EXPECT_TRUE(model.oddsWatch().switchDown());
    EXPECT_GT(model.oddsWatch().watch().racesFetched(), before);
    EXPECT_TRUE(label->text().startsWith(u("オッズ監視中"))) << label->text().toStdString();
    EXPECT_TRUE(label->text().contains(u("（本日分）"))) << label->text().toStdString();
    // Today again: the note goes.
    model.panel().DateComboChange(0);
    EXPECT_FALSE(label->text().contains(u("（本日分）")));
    model.oddsWatch().OddsWatchBtnClick();
}

} // namespace
} // namespace tidemark::gui
