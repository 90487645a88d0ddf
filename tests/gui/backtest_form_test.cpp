// The backtest window off-screen over the small season of
// tests/analytics/season_store_fixture.h, opened from the main window's menu as a user
// opens it: every control reaches the model, a run goes on while the window stays
// responsive and ends in the grids and the curve, a cancel and a close met by a run held
// in its course, a bet double-clicked into the main window, the close that keeps the
// choice, and a picture of the window
// (written to $TIDEMARK_SCREENSHOT_DIR when it is set).

#include "gui/backtest_form.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QImage>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

#include <cmath>
#include <cstdlib>

#include "analytics/season_store_fixture.h"
#include "gui/chart_widget.h"
#include "gui/grid_table_model.h"
#include "gui/grid_view.h"
#include "gui/main_form.h"
#include "gui/qt_host.h"
#include "gui_test_app.h"
#include "presentation/main_window_model.h"
#include "service/null_nv_link.h"
#include "support/held_backtest.h"
#include "settings/settings_keys.h"
#include "text/cp932.h"

namespace tidemark::gui {
namespace {

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

// Lets the event loop take what the worker posts until the backtest has ended.
bool waitForRun(presentation::BacktestFormModel& model)
{
    return QTest::qWaitFor([&] { return !model.running(); }, 20000);
}

QString cell(GridView* view, int row, int col)
{
    return view->model()->data(view->model()->index(row, col)).toString();
}

class BacktestFormTest : public ::testing::Test {
protected:
    BacktestFormTest() { testing::guiApp(); }

    testing::SeasonStore season;
    QtHost host;
    NullNvLink link;
    MainWindowModel model{host, link, season.dir.path()};
};

TEST_F(BacktestFormTest, ARunFromTheMenuToTheBetsAndBackToTheMainWindow)
{
    model.create();
    TMainForm main(model, host);
    main.show();
    ASSERT_NE(main.backtestMenu, nullptr);
    EXPECT_EQ(main.backtestMenu->text(), u("バックテスト"));
    main.backtestMenu->trigger();
    TBacktestForm& form = *main.backtestForm();
    ASSERT_TRUE(form.isVisible());
    EXPECT_EQ(form.windowTitle(), u("バックテスト"));
    EXPECT_FALSE(form.isModal());
    EXPECT_EQ(form.FromDate->date(), QDate(2024, 1, 1));
    EXPECT_EQ(form.ToDate->date(), QDate(2024, 1, 5));
    EXPECT_EQ(form.RuleCombo->count(), 7);
    EXPECT_TRUE(form.RunBtn->isEnabled());
    EXPECT_FALSE(form.CancelBtn->isEnabled());

    // Every control goes to the model.
    Q_EMIT form.RuleCombo->activated(1);
    EXPECT_EQ(model.backtest().RuleCombo().itemIndex, 1);
    EXPECT_EQ(form.ParamEdit->text(), u("2"));
    EXPECT_TRUE(form.ParamHint->text().contains(u("人気順位")));
    form.ParamEdit->clear();
    QTest::keyClicks(form.ParamEdit, QStringLiteral("3"));
    EXPECT_EQ(model.backtest().ParamEdit(), "3");
    QTest::keyClick(form.ParamEdit, Qt::Key_Backspace);
    QTest::keyClicks(form.ParamEdit, QStringLiteral("2"));
    form.MinutesSpin->setValue(10);
    EXPECT_EQ(model.backtest().MinutesSpin().value, 10);
    form.BetRadio->button(1)->click();
    EXPECT_EQ(model.backtest().BetRadio(), 1);
    form.BetRadio->button(0)->click();
    form.FromDate->setDate(QDate(2023, 12, 1));
    EXPECT_EQ(model.backtest().FromDate(), "2023/12/01");
    form.ToDate->setDate(QDate(2024, 1, 2));
    EXPECT_EQ(model.backtest().ToDate(), "2024/01/02");

    // A run, then one cancelled after its first race.
    form.RunBtn->click();
    EXPECT_FALSE(form.RunBtn->isEnabled());
    // What shapes the run is fixed while it runs.
    for (QWidget* w : std::initializer_list<QWidget*>{form.FromDate, form.ToDate, form.RuleCombo, form.ParamEdit,
                                                       form.MinutesSpin, form.BetRadio->button(0),
                                                       form.BetRadio->button(1)})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    ASSERT_TRUE(waitForRun(model.backtest()));
    EXPECT_TRUE(form.RunBtn->isEnabled());
    EXPECT_EQ(form.StatusLabel->text(), u("完了  2レース  2点"));
    EXPECT_EQ(form.ProgressBar1->value(), form.ProgressBar1->maximum());
    // What the model holds is what the window shows.
    EXPECT_EQ(cell(form.BetGrid, 1, 6), u("テストホース3"));
    EXPECT_EQ(cell(form.BetGrid, 1, 10), u("的中"));
    EXPECT_EQ(cell(form.TrackGrid, 3, 0), u("合計"));
    EXPECT_EQ(cell(form.SummaryGrid, 0, 0), u("ルール"));
    // The curve: the start and two races, on round marks through 0 (races 0-2, yen 0-700).
    presentation::ChartCanvas& curve = form.ReturnChart->canvas();
    ASSERT_EQ(curve.lines().at(0).size(), 3u);
    const presentation::ChartLayout& L = curve.layout();
    EXPECT_DOUBLE_EQ(L.yMaximum, 700.0);
    EXPECT_NEAR(curve.lines()[0][1].y, L.yPixel(550.0), 1e-9);
    const QImage shot = form.ReturnChart->grab().toImage();
    const QColor at = shot.pixelColor(static_cast<int>(L.xPixel(1)), static_cast<int>(std::lround(L.yPixel(550.0))));
    EXPECT_GT(at.red(), 150);
    EXPECT_LT(at.green(), 80);
    // Under the pointer: the race and the return after it.
    QMouseEvent move(QEvent::MouseMove, QPointF(L.xPixel(2), L.plot.y + 10), QPointF(), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(form.ReturnChart, &move);
    ASSERT_TRUE(curve.hover().active);
    ASSERT_EQ(curve.hover().rows.size(), 1u);
    EXPECT_EQ(curve.hover().rows[0].value, "450");
    QApplication::processEvents(); // the chart lays itself out again
    if (const char* dir = std::getenv("TIDEMARK_SCREENSHOT_DIR"))
        form.grab().save(QString::fromLocal8Bit(dir) + u("/window_backtest_test.png"));

    testing::HeldBacktest held;
    model.backtest().setRunner(held.runner());
    form.RunBtn->click();
    ASSERT_TRUE(held.waitHeld());
    form.CancelBtn->click();
    EXPECT_FALSE(form.CancelBtn->isEnabled());
    held.release();
    ASSERT_TRUE(waitForRun(model.backtest()));
    EXPECT_TRUE(form.StatusLabel->text().startsWith(u("中止しました")));
    EXPECT_EQ(cell(form.SummaryGrid, 0, 0), u("中止"));

    // Closed while it runs: hidden at once, the run goes on and is there when it opens again.
    testing::HeldBacktest closing;
    model.backtest().setRunner(closing.runner());
    form.RunBtn->click();
    ASSERT_TRUE(closing.waitHeld());
    form.close();
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(model.backtest().running());
    closing.release();
    ASSERT_TRUE(waitForRun(model.backtest()));
    main.backtestMenu->trigger();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.StatusLabel->text(), u("完了  2レース  2点"));

    // A double-click on a bet opens its race at the bet moment in the main window.
    form.RunBtn->click();
    ASSERT_TRUE(waitForRun(model.backtest()));
    QApplication::processEvents();
    const QRect rect = form.BetGrid->visualRect(form.BetGrid->model()->index(2, 6));
    ASSERT_TRUE(rect.isValid());
    // A user's double-click: the first click, then the second as a double-click.
    QTest::mouseClick(form.BetGrid->viewport(), Qt::LeftButton, {}, rect.center());
    QSignalSpy opened(&form, &TBacktestForm::raceOpened);
    QTest::mouseDClick(form.BetGrid->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(main.DateCombo->currentText(), u("2024年01月02日"));
    EXPECT_EQ(main.DatList->currentItem()->text(), u("川崎 1R"));
    EXPECT_EQ(main.TimeCombo->currentItem()->text(), u("01/02 14:40"));
    EXPECT_EQ(opened.count(), 1);
    // A race no longer stored is said, and the main window is not brought up for it.
    std::filesystem::remove(season.layout.raFile(text::sj("2024年01月01日")));
    QString said;
    testing::whenModal([&](QDialog& box) {
        said = qobject_cast<QMessageBox*>(&box)->text();
        box.accept();
    });
    Q_EMIT form.BetGrid->doubleClicked(form.BetGrid->model()->index(1, 6));
    EXPECT_TRUE(said.startsWith(u("そのレースを開けませんでした")));
    EXPECT_EQ(opened.count(), 1);

    // Closing keeps the choice.
    form.close();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(settings::BacktestFrom.read(model.settings()), "2023/12/01");
    EXPECT_EQ(settings::BacktestMinutes.read(model.settings()), 10);
    main.close();
}

TEST_F(BacktestFormTest, AConditionThatCannotBeIsSaidOverTheBacktestWindowWhichStaysInFront)
{
    model.create();
    TMainForm main(model, host);
    main.show();
    main.backtestMenu->trigger();
    TBacktestForm& form = *main.backtestForm();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    Q_EMIT form.RuleCombo->activated(1);
    form.ParamEdit->setText(QStringLiteral("19"));
    QString said;
    QWidget* over = nullptr;
    testing::whenModal([&](QDialog& box) {
        said = qobject_cast<QMessageBox*>(&box)->text();
        over = box.parentWidget();
        box.accept();
    });
    form.RunBtn->click();
    EXPECT_EQ(said, u("「人気順」の条件が正しくありません。\nK: 人気順位(1～18)"));
    EXPECT_EQ(over, &form); // so its closing gives the backtest window back, not the main window
    EXPECT_FALSE(model.backtest().running());
    form.close();
    main.close();
}

} // namespace
} // namespace tidemark::gui
