// The three acquisition and export windows over their models: captions and control
// names as the program names them, clicks that reach the models, the status timer
// driven through the host, closes that wait for a running transfer, and a picture of
// each window (written to $TIDEMARK_SCREENSHOT_DIR when it is set).

#include "gui/get_data_form.h"
#include "gui/oz_get_form.h"
#include "gui/tokutei_jikoku_form.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "acquisition/acquisition_fixture.h"
#include "gui/qt_host.h"
#include "gui_test_app.h"
#include "nvsim/sim_nv_link.h"
#include "results/export_day_fixture.h"
#include "settings/settings_keys.h"

namespace tidemark::gui {
namespace {

using presentation::GetDataModel;
using presentation::OzGetModel;
using testing::FakeNvLink;
using testing::RecordingHost;
using text::sj;

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

// Grabs the window as it is drawn; with TIDEMARK_SCREENSHOT_DIR set, keeps the picture.
QImage picture(QWidget& w, const char* name)
{
    QImage img = w.grab().toImage();
    if (const char* dir = std::getenv("TIDEMARK_SCREENSHOT_DIR"))
        img.save(QString::fromLocal8Bit(dir) + QStringLiteral("/") + QString::fromLatin1(name) +
                 QStringLiteral(".png"));
    return img;
}

// Lets queued calls (a close that waited for a read) run.
void drainEvents()
{
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

class WindowsTest : public testing::AcquisitionTest {
protected:
    WindowsTest() { testing::guiApp(); }
};

// ---- TGetDataForm ----------------------------------------------------------------

TEST_F(WindowsTest, GetDataFormShowsTheModelsCaptionsAndStartDate)
{
    settings::writeLastTime(settings, "2024/01/15 18:30:00");
    int rebuilds = 0;
    GetDataModel model(channel, host, store, settings, [&] { ++rebuilds; });
    TGetDataForm form(model);
    form.show();

    EXPECT_EQ(form.objectName(), u("TGetDataForm"));
    EXPECT_EQ(form.windowTitle(), u("データ取込"));
    EXPECT_EQ(form.size(), QSize(400, 238));
    EXPECT_TRUE(form.isModal());
    EXPECT_EQ(form.ButtonStart->text(), u("データ取込"));
    EXPECT_EQ(form.ButtonCancel->text(), u("データ取込中止"));
    EXPECT_EQ(form.SpeedButton1->text(), u("UmaConn設定"));
    for (const char* name : {"ButtonStart", "ButtonCancel", "SpeedButton1", "ProgressBar1", "ProgressBar2",
                             "ProgressLabel", "MkDataLabel", "GetDateLabel", "DateTimePicker1"})
        EXPECT_NE(form.findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
    QStringList captions;
    for (QLabel* l : form.findChildren<QLabel*>())
        captions << l->text();
    for (const char* c : {"取得開始日付", "ダウンロード", "読込み", "作成データ"})
        EXPECT_TRUE(captions.contains(u(c))) << c;

    // The picker takes NvDataGet/LastTime when the window is first shown.
    EXPECT_EQ(form.GetDateLabel->text(), u("2024年01月15日"));

    // The calendar changes the date only; the time of day stays for the next import.
    Q_EMIT form.DateTimePicker1Calendar->clicked(QDate(2024, 3, 1));
    EXPECT_EQ(form.GetDateLabel->text(), u("2024年03月01日"));
    EXPECT_EQ(model.DateTimePicker1().hour, 18);
    EXPECT_EQ(model.DateTimePicker1().minute, 30);

    const QImage img = picture(form, "TGetDataForm");
    EXPECT_EQ(img.size(), form.size() * img.devicePixelRatio());

    form.reject();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(rebuilds, 1);
}

TEST_F(WindowsTest, GetDataFormButtonsReachTheModel)
{
    GetDataModel model(channel, host, store, settings, {});
    TGetDataForm form(model);
    form.show();

    link.setUiResult = -100;
    form.SpeedButton1->click();
    EXPECT_EQ(link.count("NVSetUIProperties"), 1);
    ASSERT_FALSE(host.boxes.empty());
    EXPECT_EQ(host.boxes.back().text.rfind(sj("NVSetUIPropertiesエラー："), 0), 0u);

    Q_EMIT form.DateTimePicker1Calendar->clicked(QDate(2010, 1, 31));
    form.ButtonStart->click();
    EXPECT_EQ(link.opens, 0);
    EXPECT_EQ(host.boxes.back().text,
              sj("取得開始日付は2010年2月1日以降を指定してください。それ以前のデータは提供されておりません。"));

    Q_EMIT form.DateTimePicker1Calendar->clicked(QDate(2024, 1, 14));
    link.openResult = -1;
    form.ButtonStart->click();
    EXPECT_EQ(link.opens, 1);
    EXPECT_EQ(host.boxes.back().text, sj("最新のデータがありません。"));
    EXPECT_FALSE(link.open);

    host.confirmAnswers = {false};
    form.ButtonCancel->click();
    EXPECT_EQ(host.boxes.back().text, sj("データ取込を中止します。実行しますか？"));
    EXPECT_EQ(link.cancels, 0);
}

TEST_F(WindowsTest, GetDataFormFollowsTheDownloadTimerAndTheRead)
{
    settings::writeLastTime(settings, "2024/01/14 00:00:00");
    GetDataModel model(channel, host, store, settings, {});
    TGetDataForm form(model);
    form.show();

    link.readCount = 1;
    link.downloadCount = 3;
    link.statuses = {1, 2};
    link.timeStamp = "20240115183000";
    link.gets = {FakeNvLink::rec(ra(1).build()), FakeNvLink::rec(se(1, 3).build()), FakeNvLink::code(-1)};
    form.ButtonStart->click();

    // Downloading: the host runs TimerNVStatus; the window shows each poll.
    ASSERT_TRUE(host.timerRunning(TimerId::TimerNVStatus));
    EXPECT_EQ(host.timers.intervalMs(TimerId::TimerNVStatus), 10);
    EXPECT_EQ(form.ProgressLabel->text(), u("ダウンロード中・・・"));
    EXPECT_FALSE(form.ButtonStart->isEnabled());
    EXPECT_FALSE(form.SpeedButton1->isEnabled());
    ASSERT_TRUE(host.fire(TimerId::TimerNVStatus));
    EXPECT_EQ(form.ProgressLabel->text(), u("ダウンロード中．．．(1/3)"));
    EXPECT_EQ(form.ProgressBar1->maximum(), 3);
    EXPECT_EQ(form.ProgressBar1->value(), 1);
    picture(form, "TGetDataForm-downloading");

    // The last poll runs the read inside the tick; the read shows what it stores.
    QStringList mkData;
    host.onProcessEvents = [&] {
        if (!form.MkDataLabel->text().isEmpty()) {
            if (mkData.isEmpty())
                picture(form, "TGetDataForm-reading");
            mkData << form.MkDataLabel->text();
        }
    };
    ASSERT_TRUE(host.fire(TimerId::TimerNVStatus));
    ASSERT_TRUE(host.fire(TimerId::TimerNVStatus));
    EXPECT_FALSE(host.timerRunning(TimerId::TimerNVStatus));
    EXPECT_TRUE(mkData.contains(u("開催:2024年01月15日大井01R")));
    EXPECT_EQ(form.ProgressLabel->text(), u("データ作成が完了しました。"));
    EXPECT_EQ(form.ProgressBar1->value(), 0);
    EXPECT_EQ(form.ProgressBar2->value(), 0);
    EXPECT_EQ(form.GetDateLabel->text(), u("2024年01月15日"));
    EXPECT_TRUE(form.ButtonStart->isEnabled());
    EXPECT_EQ(lines(raFile(), store::StoreKind::RA).size(), 1u);
    EXPECT_FALSE(link.open);
}

TEST_F(WindowsTest, GetDataFormStaysOpenUntilTheRunningReadHasStopped)
{
    int rebuilds = 0;
    GetDataModel model(channel, host, store, settings, [&] { ++rebuilds; });
    TGetDataForm form(model);
    form.show();

    link.readCount = 1;
    link.gets = {FakeNvLink::rec(ra(1).build()), FakeNvLink::rec(ra(2).build()), FakeNvLink::rec(ra(3).build())};
    bool visibleAfterClose = false;
    host.onProcessEvents = [&] {
        if (link.count("NVGets") == 1 && !visibleAfterClose) {
            form.close(); // the close box while the read runs
            visibleAfterClose = form.isVisible();
        }
    };
    form.ButtonStart->click();
    host.onProcessEvents = {};

    EXPECT_TRUE(visibleAfterClose);
    EXPECT_EQ(rebuilds, 0);
    EXPECT_EQ(link.count("NVGets"), 1); // the read stopped at its next turn
    EXPECT_EQ(link.closes, 1);
    EXPECT_FALSE(link.open);
    EXPECT_TRUE(form.isVisible()); // still unwinding the click

    drainEvents();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(rebuilds, 1);
}

TEST_F(WindowsTest, GetDataFormClosedDuringTheDownloadStopsTheTransferAtOnce)
{
    int rebuilds = 0;
    GetDataModel model(channel, host, store, settings, [&] { ++rebuilds; });
    TGetDataForm form(model);
    form.show();
    link.readCount = 2;
    link.downloadCount = 5;
    form.ButtonStart->click();
    ASSERT_TRUE(host.timerRunning(TimerId::TimerNVStatus));

    form.close();
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(host.timerRunning(TimerId::TimerNVStatus));
    EXPECT_EQ(link.cancels, 1);
    EXPECT_FALSE(link.open);
    EXPECT_FALSE(channel.busy());
    EXPECT_EQ(rebuilds, 1);
}

TEST_F(WindowsTest, GetDataFormRunsAnImportFromTheSimulatedService)
{
    nvsim::SimConfig config;
    config.seed = 4242;
    config.firstDay = text::DateTime{2024, 1, 12};
    config.lastDay = text::DateTime{2024, 1, 12};
    config.downloadSpeed = 5;
    host.clock = {2024, 1, 13, 9, 0, 0};
    nvsim::SimNvLink sim(config, [this] { return host.clock; });
    ASSERT_EQ(sim.NVInit("SA418372/SD605291/TidemarkNV/Ver.1.15"), 0);
    acquisition::NvChannel simChannel(sim);
    settings::writeLastTime(settings, "2024/01/01 00:00:00");

    GetDataModel model(simChannel, host, store, settings, {});
    TGetDataForm form(model);
    form.show();
    form.ButtonStart->click();
    for (int i = 0; i < 1000 && host.timerRunning(TimerId::TimerNVStatus); ++i)
        host.fire(TimerId::TimerNVStatus);

    EXPECT_FALSE(model.transferRunning());
    EXPECT_EQ(form.ProgressLabel->text(), u("データ作成が完了しました。"));
    EXPECT_TRUE(std::filesystem::exists(raFile("2024年01月12日")));
    EXPECT_TRUE(std::filesystem::exists(hrFile("2024年01月12日")));
    picture(form, "TGetDataForm-done");
}

TEST_F(WindowsTest, GetDataFormOnTheDesktopsHostShowsTheEndOfAPacedImport)
{
    // The desktop's own host repaints and looks for clicks once a frame during the read;
    // the window still ends on the import's last texts and bars.
    nvsim::SimConfig config;
    config.seed = 4242;
    config.firstDay = text::DateTime{2024, 1, 8};
    config.lastDay = text::DateTime{2024, 1, 12};
    config.downloadSpeed = 0;
    QtHost qtHost;
    EXPECT_EQ(qtHost.frameInterval(), std::chrono::milliseconds(16));
    nvsim::SimNvLink sim(config, [] { return text::DateTime{2024, 1, 13, 9, 0, 0}; });
    ASSERT_EQ(sim.NVInit("SA418372/SD605291/TidemarkNV/Ver.1.15"), 0);
    acquisition::NvChannel simChannel(sim);
    settings::writeLastTime(settings, "2024/01/08 00:00:00");

    GetDataModel model(simChannel, qtHost, store, settings, {});
    TGetDataForm form(model);
    form.show();
    testing::whenModal(testing::pressOk); // the go-ahead box
    form.ButtonStart->click();

    EXPECT_FALSE(model.transferRunning());
    EXPECT_EQ(form.ProgressLabel->text(), u("データ作成が完了しました。"));
    EXPECT_EQ(form.ProgressBar2->value(), 0);
    EXPECT_EQ(form.ProgressBar2->maximum(), model.import().readCount());
    EXPECT_GT(model.import().filesRead(), 0);
    EXPECT_EQ(model.import().filesRead(), model.import().readCount());
    EXPECT_TRUE(form.ButtonStart->isEnabled());
    EXPECT_TRUE(std::filesystem::exists(raFile("2024年01月12日")));
    picture(form, "TGetDataForm-paced-done");
}

// ---- TOzGetForm ------------------------------------------------------------------

class OzGetFormTest : public WindowsTest {
protected:
    OzGetFormTest()
    {
        for (int race = 1; race <= 2; ++race)
            store.storeRa(ra(race).build(), store::Origin::Import);
        store.storeRa(ra(1, "44", 2024, 1, 16).build(), store::Origin::Import);
        host.clock = {2024, 1, 15, 9, 0, 0};
        model.setDateList({label("2024年01月16日"), label(), label("2023年12月30日")});
    }
    OzGetModel model{channel, host, store, [] { return 2; }};
};

TEST_F(OzGetFormTest, ShowsTheDayListButtonsAndLabels)
{
    TOzGetForm form(model);
    EXPECT_EQ(form.objectName(), u("TOzGetForm"));
    EXPECT_EQ(form.windowTitle(), u("オッズ一括取得"));
    EXPECT_EQ(form.size(), QSize(447, 143));
    EXPECT_EQ(form.ButtonStart->text(), u("オッズ取込(単日)"));
    EXPECT_EQ(form.DLmonthBtn->text(), u("オッズ取込(月単位)"));
    EXPECT_EQ(form.DLyearBtn->text(), u("オッズ取込(年単位)"));
    EXPECT_EQ(form.ButtonCancel->text(), u("データ取込中止"));
    EXPECT_EQ(form.DateCombo->maxVisibleItems(), 36);
    for (const char* name : {"DateCombo", "ButtonStart", "DLmonthBtn", "DLyearBtn", "ButtonCancel", "ErrorLabel",
                             "ProgressLabel", "ProgressBar1"})
        EXPECT_NE(form.findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;

    ASSERT_EQ(form.DateCombo->count(), 3);
    EXPECT_EQ(form.DateCombo->itemText(0), u("2024年01月16日"));
    EXPECT_EQ(form.DateCombo->currentIndex(), 1); // the newest day not after today

    // The list follows a rebuild of the main window's day list.
    model.setDateList({label()});
    EXPECT_EQ(form.DateCombo->count(), 1);
    EXPECT_EQ(form.DateCombo->currentIndex(), 0);
    model.setDateList({label("2024年01月16日"), label(), label("2023年12月30日")});

    form.show();
    const QImage img = picture(form, "TOzGetForm");
    EXPECT_EQ(img.size(), form.size() * img.devicePixelRatio());
}

TEST_F(OzGetFormTest, ClicksReachTheModel)
{
    TOzGetForm form(model);
    form.show();

    Q_EMIT form.DateCombo->activated(0);
    EXPECT_EQ(model.DateComboIndex(), 0);
    Q_EMIT form.DateCombo->activated(1);
    EXPECT_EQ(model.DateComboIndex(), 1);

    link.script("0B41", key(1), {-1, {}});
    form.ButtonStart->click();
    EXPECT_EQ(link.count("NVRTOpen"), 4); // two races, two requests each
    EXPECT_TRUE(form.ErrorLabel->text().startsWith(u("NVRTOpenエラー:[大井 1R]"))) << form.ErrorLabel->text().toStdString();
    EXPECT_EQ(form.ProgressBar1->maximum(), 100);
    EXPECT_EQ(form.ProgressBar1->value(), 100);
    EXPECT_EQ(host.boxes.back().text, sj("2024年01月15日のデータ作成が完了しました。\r\n対象R:2R/"
                                         "【注意】確認してください。⇒エラー発生R:1R"));
    picture(form, "TOzGetForm-error");

    host.confirmAnswers = {false};
    form.DLyearBtn->click();
    EXPECT_EQ(host.boxes.back().text, sj("2024年のオッズデータ取込（全日分）を開始します。"
                                         "これには相応の時間がかかります。開始してよろしいですか？"));
    EXPECT_EQ(link.count("NVRTOpen"), 4);

    form.ButtonCancel->click();
    EXPECT_EQ(form.ProgressLabel->text(), u("NVCancel:キャンセルされました"));
    EXPECT_TRUE(channel.cancelRequested());
}

TEST_F(OzGetFormTest, ExecForSelectsTheMainWindowsDay)
{
    TOzGetForm form(model);
    int shownIndex = -2;
    QTimer::singleShot(0, &form, [&] {
        shownIndex = form.DateCombo->currentIndex();
        form.reject();
    });
    form.execFor(label("2024年01月16日"));
    EXPECT_EQ(shownIndex, 0);
    EXPECT_EQ(model.DateComboIndex(), 0);
    EXPECT_FALSE(form.isVisible());
}

TEST_F(OzGetFormTest, StaysOpenUntilTheRunningImportHasStopped)
{
    TOzGetForm form(model);
    form.show();

    bool visibleAfterClose = false;
    bool comboEnabled = true;
    int pickedDuringImport = -2;
    host.onProcessEvents = [&] {
        if (link.count("NVRTOpen") == 1 && pickedDuringImport == -2) {
            comboEnabled = form.DateCombo->isEnabled();
            Q_EMIT form.DateCombo->activated(0); // a pick that slipped through is ignored
            pickedDuringImport = form.DateCombo->currentIndex();
            form.close();
            visibleAfterClose = form.isVisible();
        }
    };
    form.ButtonStart->click();
    host.onProcessEvents = {};

    EXPECT_FALSE(comboEnabled);
    EXPECT_EQ(pickedDuringImport, 1);
    EXPECT_EQ(model.DateComboIndex(), 1);
    EXPECT_TRUE(visibleAfterClose);
    EXPECT_EQ(link.count("NVRTOpen"), 1); // the close stopped the import like a cancel
    EXPECT_FALSE(link.open);
    EXPECT_TRUE(form.DateCombo->isEnabled());

    drainEvents();
    EXPECT_FALSE(form.isVisible());
}

// ---- TTokuteiJikokuForm ----------------------------------------------------------

class TokuteiFormTest : public ::testing::Test {
protected:
    TokuteiFormTest() { testing::guiApp(); }

    results::testday::ExportDayFixture fx;
    RecordingHost host;
    IniFile ini{fx.folder / "Tidemark2NV.ini"};
    TokuteiJikokuFormModel model{host, ini, fx.layout};
};

QStringList buttonTexts(const QButtonGroup* g)
{
    QStringList r;
    for (QAbstractButton* b : g->buttons())
        r << b->text();
    return r;
}

TEST_F(TokuteiFormTest, ShowsEveryControlWithItsCaptionAndRange)
{
    TTokuteiJikokuForm form(model);
    EXPECT_EQ(form.objectName(), u("TTokuteiJikokuForm"));
    EXPECT_EQ(form.windowTitle(), u("特定時刻オッズ出力"));
    EXPECT_EQ(form.size(), QSize(350, 358));
    EXPECT_TRUE(form.isModal());
    EXPECT_EQ(form.RadioGroup1->title(), u("取得する時刻の種類"));
    EXPECT_EQ(buttonTexts(form.RadioGroup1Items), (QStringList{u("当日特定時刻"), u("前日特定時刻"), u("発走前時刻")}));
    EXPECT_EQ(form.RadioGroup2->title(), u("出力項目"));
    EXPECT_EQ(buttonTexts(form.RadioGroup2Items), (QStringList{u("オッズ"), u("人気順位")}));
    EXPECT_EQ(form.SpinEdit4->minimum(), 0);
    EXPECT_EQ(form.SpinEdit4->maximum(), 23);
    EXPECT_EQ(form.SpinEdit5->maximum(), 59);
    EXPECT_EQ(form.SpinEdit3->minimum(), 3);
    EXPECT_EQ(form.SpinEdit3->maximum(), 59);
    EXPECT_EQ(form.OpenFileCheck->text(), u("出力したファイルを開く"));
    EXPECT_EQ(form.ClipBtn1->text(), u("CSVファイルを出力"));
    EXPECT_EQ(form.ClipBtn1->toolTip(), u("各種表の内容をｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰします"));
    for (const char* name : {"RadioGroup1", "SpinEdit3", "SpinEdit4", "SpinEdit5", "RadioGroup2", "OpenFileCheck",
                             "ClipBtn1"})
        EXPECT_NE(form.findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
    QStringList captions;
    for (QLabel* l : form.findChildren<QLabel*>())
        captions << l->text();
    for (QGroupBox* g : form.findChildren<QGroupBox*>())
        captions << g->title();
    for (const char* c : {"特定時刻で指定", "時", "分", "（午前０時～２３時５９分までの任意の時刻を指定）", "発走前時刻で指定",
                          "発走", "分前", "（発走何分前の時刻かを０～５９分前で指定）"})
        EXPECT_TRUE(captions.contains(u(c))) << c;

    form.show();
    const QImage img = picture(form, "TTokuteiJikokuForm");
    EXPECT_EQ(img.size(), form.size() * img.devicePixelRatio());
    form.reject();
}

TEST_F(TokuteiFormTest, WithoutADayTheWindowStaysShut)
{
    TTokuteiJikokuForm form(model);
    EXPECT_FALSE(form.execFor(false, fx.day));
    EXPECT_FALSE(form.isVisible());
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, sj("開催日が選択されていません。"));
}

TEST_F(TokuteiFormTest, OpensWithTheStoredChoiceAndWritesItOnEveryClose)
{
    settings::CsvTimeTokutei.write(ini, "1745");
    settings::CsvTimeB4hasso.write(ini, 25);
    settings::CsvTimeProperty.write(ini, 2);
    settings::CsvTimeOzOrNin.write(ini, 1);
    TTokuteiJikokuForm form(model);

    bool shown = false;
    QTimer::singleShot(0, &form, [&] {
        shown = form.isVisible();
        EXPECT_EQ(form.SpinEdit4->value(), 17);
        EXPECT_EQ(form.SpinEdit5->value(), 45);
        EXPECT_EQ(form.SpinEdit3->value(), 25);
        EXPECT_TRUE(form.RadioGroup1Items->button(2)->isChecked());
        EXPECT_TRUE(form.RadioGroup2Items->button(1)->isChecked());
        form.SpinEdit4->setValue(8);
        form.SpinEdit5->setValue(5);
        form.SpinEdit3->setValue(99); // beyond the range: the box keeps 59
        form.RadioGroup1Items->button(1)->click();
        form.RadioGroup2Items->button(0)->click();
        form.close(); // the close box
    });
    ASSERT_TRUE(form.execFor(true, fx.day));
    EXPECT_TRUE(shown);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(settings::CsvTimeTokutei.read(ini), "0805");
    EXPECT_EQ(settings::CsvTimeB4hasso.read(ini), 59);
    EXPECT_EQ(settings::CsvTimeProperty.read(ini), 1);
    EXPECT_EQ(settings::CsvTimeOzOrNin.read(ini), 0);

    // Esc (reject) is a close too.
    QTimer::singleShot(0, &form, [&] {
        form.SpinEdit4->setValue(21);
        form.reject();
    });
    ASSERT_TRUE(form.execFor(true, fx.day));
    EXPECT_EQ(settings::CsvTimeTokutei.read(ini), "2105");
}

TEST_F(TokuteiFormTest, ExportButtonWritesTheFourFilesOfTheChoice)
{
    TTokuteiJikokuForm form(model);
    ASSERT_TRUE(model.N9Click(true, fx.day));
    form.show();
    form.RadioGroup2Items->button(1)->click();
    form.ClipBtn1->click();

    EXPECT_EQ(model.choice().item, results::ExportItem::Popularity);
    EXPECT_FALSE(host.busyCursor);
    for (const char* stem : {"TAN", "FUK", "WAK", "UMA"})
        EXPECT_TRUE(std::filesystem::exists(fx.layout.csvFolder() / (std::string(stem) + "20240115NIN.CSV"))) << stem;
    form.reject();
}

} // namespace
} // namespace tidemark::gui
