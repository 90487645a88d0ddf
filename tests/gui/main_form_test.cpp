#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QGroupBox>
#include <QLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QTabWidget>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <functional>

#include "gui/application.h"
#include "gui/guarded_application.h"
#include "gui/main_form.h"
#include "gui/qt_host.h"
#include "gui/time_dialogs.h"
#include "settings/settings_keys.h"
#include "support/recording_host.h"
#include "presentation/main_window_model.h"
#include "gui_test_app.h"
#include "support/temp_dir.h"
#include "text/cp932.h"
#include "text/file_io.h"

namespace tidemark::gui {
namespace {

class ReadyLink : public NvLink {
public:
    int inits = 0;
    int NVInit(std::string_view) override { return ++inits, 0; }
    int NVSetUIProperties() override { return 0; }
    int NVOpen(std::string_view, std::string_view, int, int& r, int& d, std::string& t) override
    {
        r = d = 0;
        t.clear();
        return -1;
    }
    int NVStatus() override { return 0; }
    int NVGets(std::string&, int, std::string&) override { return 0; }
    int NVRead(std::string&, int, std::string&) override { return 0; }
    int NVRTOpen(std::string_view, std::string_view) override { return 0; }
    int NVClose() override { return 0; }
    void NVCancel() override {}
};

QApplication& app() { return tidemark::testing::guiApp(); }

QStringList menuTexts(const QMenu* m)
{
    QStringList r;
    for (QAction* a : m->actions())
        if (!a->isSeparator())
            r << a->text();
    return r;
}

TEST(MainForm, MenusButtonsPagesAndPlacement)
{
    app();
    tidemark::testing::TempDir dir;
    QtHost host;
    ReadyLink link;
    MainWindowModel model(host, link, dir.path());
    model.create();
    QRect outer;
    {
        TMainForm f(model, host);
        EXPECT_EQ(f.windowTitle(), QString::fromUtf8("Tidemark２ for 地方競馬"));
        EXPECT_EQ(f.pos(), QPoint(10, 10));
        EXPECT_EQ(f.size(), QSize(780, 560));

        QList<QAction*> top = f.menuBar()->actions();
        ASSERT_EQ(top.size(), 4);
        EXPECT_EQ(top[0]->text(), QString::fromUtf8("ﾌｧｲﾙ(&F)"));
        EXPECT_EQ(top[1]->text(), QString::fromUtf8("ｵﾌﾟｼｮﾝ(&O)"));
        EXPECT_EQ(top[2]->text(), QString::fromUtf8("ｳｨﾝﾄﾞｳ(&W)"));
        EXPECT_FALSE(top[2]->isVisible());
        EXPECT_EQ(top[3]->text(), QString::fromUtf8("ﾍﾙﾌﾟ(&H)"));
        EXPECT_EQ(menuTexts(top[0]->menu()),
                  QStringList({QString::fromUtf8("特定時刻オッズ出力"), QString::fromUtf8("バックテスト"),
                               QString::fromUtf8("アラート"), QString::fromUtf8("終了(&X)")}));
        EXPECT_EQ(menuTexts(top[1]->menu()),
                  QStringList({QString::fromUtf8("初回データ時刻設定(&F)"), QString::fromUtf8("ﾃﾞｰﾀ自動取得時刻指定(&A)"),
                               QString::fromUtf8("３系列時刻指定"), QString::fromUtf8("前売り時のオッズを無視(&I)"),
                               QString::fromUtf8("標準偏差表示")}));
        EXPECT_EQ(menuTexts(top[3]->menu()),
                  QStringList({QString::fromUtf8("使用解説書(&M)"), QString::fromUtf8("ﾊﾞｰｼﾞｮﾝ情報(&A)...")}));
        EXPECT_TRUE(f.stdevSample->isChecked());

        auto* kekka = f.findChild<QPushButton*>(QStringLiteral("KekkaGetBtn"));
        ASSERT_NE(kekka, nullptr);
        EXPECT_EQ(kekka->text(), QString::fromUtf8("結果情報"));
        EXPECT_EQ(kekka->statusTip(), QString::fromUtf8("レース結果データを取得します"));

        ASSERT_EQ(f.PageControl1->count(), 13);
        EXPECT_EQ(f.PageControl1->tabText(0), QString::fromUtf8("出馬表"));
        EXPECT_EQ(f.PageControl1->tabText(12), QString::fromUtf8("成績結果"));
        EXPECT_TRUE(f.PageControl1->isTabVisible(11)); // the odds-browse page stays
        ASSERT_NE(f.page(QStringLiteral("TabSheet1")), nullptr); // TabSheet1 never shows
        EXPECT_FALSE(f.page(QStringLiteral("TabSheet1"))->isVisible());
        auto tabTexts = [&f](const char* control) {
            QStringList texts;
            if (auto* tabs = f.findChild<QTabWidget*>(QString::fromLatin1(control)))
                for (int i = 0; i < tabs->count(); ++i)
                    texts << tabs->tabText(i);
            return texts;
        };
        EXPECT_EQ(tabTexts("PageControl12"), QStringList({QString::fromUtf8("単勝"), QString::fromUtf8("複勝(低)"),
                                                          QString::fromUtf8("複勝(高)"),
                                                          QString::fromUtf8("馬連(疑似)")}));
        EXPECT_EQ(tabTexts("PageControl10"), QStringList({QString::fromUtf8("単勝"), QString::fromUtf8("複勝"),
                                                          QString::fromUtf8("枠連"), QString::fromUtf8("馬連")}));
        EXPECT_EQ(tabTexts("PageControl7"), QStringList({QString::fromUtf8("単÷複"), QString::fromUtf8("複÷単")}));
        EXPECT_EQ(tabTexts("PageControl13"), QStringList({QString::fromUtf8("単複枠"), QString::fromUtf8("馬連"),
                                                          QString::fromUtf8("人気順")}));

        f.show();
        EXPECT_EQ(link.inits, 1);
        // A picture of the window for whoever reviews the layout.
        if (const char* shot = std::getenv("TIDEMARK_SCREENSHOT")) {
            EXPECT_TRUE(f.grab().save(QString::fromLocal8Bit(shot)));
        }
        f.hide();
        f.show();
        EXPECT_EQ(link.inits, 1); // only the first show initialises the service
        f.move(40, 50);
        f.resize(1000, 700);
        outer = f.frameGeometry();
        f.close();
    }
    // The placement is the outer bounds, frame included, and comes back as such.
    MainWindowModel again(host, link, dir.path());
    WindowPlacement p = again.placement();
    EXPECT_EQ(QRect(p.left, p.top, p.width, p.height), outer);
    EXPECT_GE(p.width, 1000);
    EXPECT_GE(p.height, 700);
    again.create();
    TMainForm restored(again, host);
    restored.show();
    EXPECT_EQ(restored.frameGeometry().size(), outer.size());
    restored.close();
}

using tidemark::testing::pressOk;
using tidemark::testing::whenModal;

TEST(TimeDialogs, OkWritesTheirKeysAndRefusesPointsOutOfOrder)
{
    app();
    tidemark::testing::TempDir dir;
    tidemark::testing::RecordingHost host;
    IniFile ini(dir.path() / "Tidemark2NV.ini");

    whenModal([](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), QString::fromUtf8("初回データ時刻設定"));
        QList<QSpinBox*> boxes = d.findChildren<QSpinBox*>();
        ASSERT_EQ(boxes.size(), 2);
        EXPECT_EQ(boxes[0]->value(), 9);
        EXPECT_EQ(boxes[1]->value(), 30);
        boxes[0]->setValue(8);
        boxes[1]->setValue(5);
        pressOk(d);
        EXPECT_FALSE(d.isVisible());
    });
    showFirstTimeForm(nullptr, ini, host);
    EXPECT_EQ(settings::TimeFirst.read(ini), 805);

    whenModal([](QDialog& d) {
        QList<QSpinBox*> boxes = d.findChildren<QSpinBox*>();
        ASSERT_EQ(boxes.size(), 3);
        boxes[1]->setValue(40); // second before first: refused, the dialog stays
        pressOk(d);
        EXPECT_TRUE(d.isVisible());
        if (const char* shot = std::getenv("TIDEMARK_SCREENSHOT_DIALOG")) {
            EXPECT_TRUE(d.grab().save(QString::fromLocal8Bit(shot)));
        }
    });
    showTimeAddForm(nullptr, ini, host);
    EXPECT_EQ(host.beeps, 1);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, text::sj("１回目オッズの指定時刻は２回目オッズの指定時刻より前の時刻を指定してください。"));
    EXPECT_EQ(settings::TimeSecond2.read(ini), 20); // nothing written

    whenModal([](QDialog& d) {
        QList<QSpinBox*> boxes = d.findChildren<QSpinBox*>();
        ASSERT_EQ(boxes.size(), 1);
        EXPECT_EQ(boxes[0]->value(), 10);
        boxes[0]->setValue(25);
        pressOk(d);
    });
    showOzGetTimeForm(nullptr, ini, host);
    EXPECT_EQ(settings::TimeAutoRdataGetDialog.read(ini), 25);
}

// The time dialogs show a file error in the window's encoding (its text is UTF-8).
TEST(TimeDialogs, AFileErrorIsShownInTheWindowsEncoding)
{
    app();
    tidemark::testing::TempDir dir;
    tidemark::testing::RecordingHost host;
    // A folder named in Japanese, standing where the settings file should be.
    const std::filesystem::path folder = dir.path() / std::filesystem::path(u8"設定");
    std::filesystem::create_directories(folder / "Tidemark2NV.ini");
    IniFile ini(folder / "Tidemark2NV.ini");

    whenModal([](QDialog& d) { pressOk(d); });
    showOzGetTimeForm(nullptr, ini, host);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.boxes[0].text.find(text::sj("設定")), std::string::npos);
    EXPECT_EQ(host.boxes[0].text.find("\xe8\xa8\xad"), std::string::npos); // no UTF-8 bytes of 設
}

// Every switch of the window that stores a setting meets a full disk with the platform's
// message and goes on; an exception no handler foresaw costs one action: an error-log
// line and its message, and the window keeps running.
TEST(MainForm, SettingsThatCannotBeStoredAndUnforeseenFaultsCostOneAction)
{
    auto* guarded = dynamic_cast<GuardedApplication*>(&app());
    ASSERT_NE(guarded, nullptr);
    tidemark::testing::TempDir dir;
    tidemark::testing::RecordingHost host;
    ReadyLink link;
    MainWindowModel model(host, link, dir.path());
    model.create();
    QtHost qtHost;
    TMainForm f(model, qtHost);
    f.show();
    QApplication::processEvents();
    host.boxes.clear();

    int refused = 0;
    text::setDiskStepHookForTesting([&refused](text::DiskStep step, const std::filesystem::path& path) {
        if (step != text::DiskStep::CreateTemp || path.filename() != "Tidemark2NV.ini")
            return 0;
        ++refused;
        return ENOSPC;
    });
    const auto lastBoxSaysDiskFull = [&host] {
        return !host.boxes.empty() && text::toUtf8(host.boxes.back().text).find(std::strerror(ENOSPC)) != std::string::npos;
    };
    std::size_t boxes = 0;
    const auto oneMoreBox = [&](const char* what) {
        EXPECT_EQ(host.boxes.size(), ++boxes) << what;
        EXPECT_TRUE(lastBoxSaysDiskFull()) << what;
    };
    f.maeuriMenu->trigger();
    oneMoreBox("maeuri");
    EXPECT_TRUE(f.maeuriMenu->isChecked()); // the choice stays for this run
    f.stdevPopulation->trigger();
    oneMoreBox("stdev");
    for (const char* name : {"RadioGroup3", "RadioGroup4", "RadioGroup15"}) {
        auto* group = f.findChild<QGroupBox*>(QString::fromLatin1(name));
        ASSERT_NE(group, nullptr) << name;
        const QList<QRadioButton*> buttons = group->findChildren<QRadioButton*>();
        ASSERT_GE(buttons.size(), 2) << name;
        buttons[1]->click();
        oneMoreBox(name);
    }
    // A threshold box is stored at each keystroke: one message for the run of failures.
    auto* sedit = f.findChild<QLineEdit*>(QStringLiteral("SEdit1"));
    ASSERT_NE(sedit, nullptr);
    sedit->clear();
    QTest::keyClicks(sedit, QStringLiteral("2.5"));
    oneMoreBox("SEdit1");
    EXPECT_GE(refused, 8);
    text::setDiskStepHookForTesting({});
    QTest::keyClicks(sedit, QStringLiteral("0"));
    EXPECT_EQ(host.boxes.size(), boxes);
    EXPECT_EQ(settings::DansoBorderRatio.read(IniFile(dir.path() / "Tidemark2NV.ini")), sedit->text().toStdString());

    // An exception out of a handler: caught where Qt dispatches the event.
    guarded->setFaultHandler([&model](std::string_view what) { model.unexpectedFault(what); });
    QPushButton faulty(QStringLiteral("faulty"));
    int presses = 0;
    QObject::connect(&faulty, &QPushButton::clicked, [&presses] {
        ++presses;
        throw std::runtime_error("an unforeseen fault");
    });
    faulty.show();
    QTest::mouseClick(&faulty, Qt::LeftButton);
    QTest::mouseClick(&faulty, Qt::LeftButton);
    guarded->setFaultHandler({});
    EXPECT_EQ(presses, 2);
    ASSERT_EQ(host.boxes.size(), boxes + 2);
    EXPECT_EQ(host.boxes.back().text, "an unforeseen fault");
    const std::string log = text::readFile(dir.path() / "ErrorLog.txt");
    std::size_t lines = 0;
    for (std::size_t at = log.find("an unforeseen fault"); at != std::string::npos;
         at = log.find("an unforeseen fault", at + 1))
        ++lines;
    EXPECT_EQ(lines, 2u) << log;
    EXPECT_TRUE(f.isVisible());
}

// Window titles are exactly their captions: no application display name for Qt to
// append, and message boxes carry the program's title themselves.
TEST(MainForm, TitlesAreTheCaptionsAlone)
{
    app();
    identifyApplication();
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QGuiApplication::applicationName());
    EXPECT_EQ(QGuiApplication::applicationName(), QStringLiteral("Tidemark2NV"));
}

// Two owners' timers of one kind tick each on its own; a tick may end its own timer.
TEST(QtHost, EachOwnerHasItsTimer)
{
    app();
    QtHost host;
    int first = 0;
    int second = 0;
    std::unique_ptr<HostTimer> a = host.makeTimer(TimerId::Timer1);
    std::unique_ptr<HostTimer> b = host.makeTimer(TimerId::Timer1);
    a->start(1, [&] {
        ++first;
        a.reset();
    });
    b->start(1, [&] {
        ++second;
        b->stop();
    });
    for (int i = 0; i < 200 && (first == 0 || second == 0); ++i)
        QTest::qWait(5);
    QTest::qWait(20);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
    EXPECT_FALSE(a);
    EXPECT_FALSE(b->running());
}

// 断層表: each threshold box has its "倍以上を着色" after it.
TEST(MainForm, EachGapThresholdBoxHasItsSuffix)
{
    app();
    tidemark::testing::TempDir dir;
    QtHost host;
    ReadyLink link;
    MainWindowModel model(host, link, dir.path());
    model.create();
    TMainForm f(model, host);
    for (int i = 1; i <= 4; ++i) {
        auto* edit = f.findChild<QLineEdit*>(QStringLiteral("SEdit%1").arg(i));
        auto* suffix = f.findChild<QLabel*>(QStringLiteral("SEditSuffix%1").arg(i));
        ASSERT_NE(edit, nullptr) << i;
        ASSERT_NE(suffix, nullptr) << i;
        EXPECT_EQ(suffix->text(), QString::fromUtf8("倍以上を着色"));
        auto* strip = edit->parentWidget()->layout();
        EXPECT_EQ(strip->indexOf(suffix), strip->indexOf(edit) + 1) << i;
    }
}

} // namespace
} // namespace tidemark::gui
