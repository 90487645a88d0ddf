#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QTabWidget>

#include <cstdlib>
#include <functional>

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
                               QString::fromUtf8("終了(&X)")}));
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

        ASSERT_EQ(f.PageControl1->count(), 14);
        EXPECT_EQ(f.PageControl1->tabText(0), QString::fromUtf8("出馬表"));
        EXPECT_EQ(f.PageControl1->tabText(12), QString::fromUtf8("成績結果"));
        EXPECT_TRUE(f.PageControl1->isTabVisible(11)); // the odds-browse page stays
        EXPECT_FALSE(f.PageControl1->isTabVisible(13)); // TabSheet1 never shows
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
        f.close();
    }
    MainWindowModel again(host, link, dir.path());
    WindowPlacement p = again.placement();
    EXPECT_EQ(p.width, 1000);
    EXPECT_EQ(p.height, 700);
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

} // namespace
} // namespace tidemark::gui
