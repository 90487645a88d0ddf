// The import window over the provider's component through a bridge that keeps the user
// waiting: its settings dialog held open past every deadline, a read that never comes
// back, a cancel clicked meanwhile. The window is served and painted while it waits, a
// hung bridge is ended and reported, and the window goes on.

#include "gui/get_data_form.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <filesystem>
#include <fstream>
#include <memory>

#include "acquisition/nv_channel.h"
#include "gui/qt_host.h"
#include "gui/service_factory.h"
#include "gui_test_app.h"
#include "presentation/get_data_model.h"
#include "service/error_log.h"
#include "settings/settings_keys.h"
#include "store/record_store.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"
#include "text/cp932.h"
#include "text/file_io.h"

namespace tidemark::gui {
namespace {

using text::sj;

// Counts the paintings of a widget.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

class BridgeWaitTest : public ::testing::Test {
protected:
    BridgeWaitTest() { testing::guiApp(); }

    // The program folder of a window whose service is the simulated one behind a bridge
    // started with `misdeeds`, every call but the settings dialog given `deadline` seconds.
    void makeWindow(const std::string& misdeeds, int deadline)
    {
        write("NVSim.ini", "[NVSim]\r\nSeed=4242\r\nFirstDay=20240112\r\nLastDay=20240112\r\nDownloadSpeed=0\r\n");
        write("Tidemark2NV.ini", "[DataService]\r\nUse=bridge\r\nBridge=\"" + std::string(TIDEMARK_BRIDGE_EXE) +
                                     "\" --home \"" + text::utf8Path(m_dir.path()) + "\" --now 20240115120000 " +
                                     misdeeds + "\r\nBridgeDeadline=" + std::to_string(deadline) +
                                     "\r\n[NvDataGet]\r\nLastTime=2024/01/01 00:00:00\r\n");
        ErrorLog(m_dir.path()).startUp(m_host.clock, "/tidemark");
        m_service = makeService(m_dir.path(), m_dir.path(), m_qtHost);
        m_link = m_service.factory->create();
        ASSERT_EQ(m_link->NVInit("SA418372/SD605291/TidemarkNV/Ver.1.15"), 0); // as the main window does
        m_channel = std::make_unique<acquisition::NvChannel>(*m_link);
        m_settings = std::make_unique<IniFile>(m_dir / "Tidemark2NV.ini");
        m_store = std::make_unique<store::RecordStore>(store::StoreLayout(m_dir.path()));
        m_store->layout().createFolders();
        m_model = std::make_unique<presentation::GetDataModel>(*m_channel, m_host, *m_store, *m_settings,
                                                                std::function<void()>{});
        m_form = std::make_unique<TGetDataForm>(*m_model);
        m_form->show();
        m_form->installEventFilter(&m_paints);
        // The window's own work while the bridge is waited for: a tick that repaints it.
        QObject::connect(&m_tick, &QTimer::timeout, m_form.get(), [this] {
            ++m_ticks;
            m_form->update();
            if (m_ticks == m_clickAtTick && m_click)
                m_click();
        });
        m_tick.start(20);
    }
    void write(const char* name, const std::string& text)
    {
        std::ofstream(m_dir / name, std::ios::binary) << text;
    }
    // Runs one click and says how often the window ticked and was painted meanwhile.
    void during(const std::function<void()>& click)
    {
        m_ticks = 0;
        m_paints.paints = 0;
        click();
    }
    std::string errorLog() const { return text::toUtf8(text::readFile(m_dir / "ErrorLog.txt")); }

    testing::TempDir m_dir;
    testing::RecordingHost m_host;
    QtHost m_qtHost;
    dataservice::ChosenService m_service;
    std::unique_ptr<NvLink> m_link;
    std::unique_ptr<acquisition::NvChannel> m_channel;
    std::unique_ptr<IniFile> m_settings;
    std::unique_ptr<store::RecordStore> m_store;
    std::unique_ptr<presentation::GetDataModel> m_model;
    std::unique_ptr<TGetDataForm> m_form;
    PaintCounter m_paints;
    QTimer m_tick;
    int m_ticks = 0;
    int m_clickAtTick = -1;
    std::function<void()> m_click;
};

TEST_F(BridgeWaitTest, TheWindowIsServedWhileTheDialogIsOpenAndGoesOnAfterAHungRead)
{
    makeWindow("--hang-at-read 40 --dialog-ms 1500", 1);

    // UmaConn設定: the component's dialog stays open longer than any deadline.
    during([&] { m_form->SpeedButton1->click(); });
    EXPECT_GT(m_ticks, 5);
    EXPECT_GT(m_paints.paints, 0);
    EXPECT_TRUE(m_host.boxTexts().empty());

    // データ取込: the 40th read is never answered.
    during([&] { m_form->ButtonStart->click(); });
    EXPECT_GT(m_ticks, 5) << "the window was not served while the read hung";
    EXPECT_GT(m_paints.paints, 0) << "the window was not painted while the read hung";
    const std::vector<std::string> boxes = m_host.boxTexts();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1], sj("NVReadエラー:(-1106)"));
    EXPECT_NE(errorLog().find("ブリッジ（NVGets）：1秒以内に応答がないため、ブリッジを終了しました。(-1106)"), std::string::npos);
    // What was read before the hang is stored, and the window is ready for the next try.
    EXPECT_FALSE(std::filesystem::is_empty(m_dir / "Data"));
    EXPECT_TRUE(m_form->ButtonStart->isEnabled());
    EXPECT_FALSE(m_channel->busy());

    // The window goes on: the next call starts a new bridge.
    during([&] { m_form->SpeedButton1->click(); });
    EXPECT_EQ(m_host.boxTexts().size(), 2u);
}

TEST_F(BridgeWaitTest, ACancelClickedWhileAReadHangsEndsTheImportAsACancel)
{
    makeWindow("--hang-at-read 40", 60);
    m_host.confirmAnswers = {true};
    m_clickAtTick = 10;
    m_click = [&] { m_form->ButtonCancel->click(); };
    during([&] { m_form->ButtonStart->click(); });
    const std::vector<std::string> boxes = m_host.boxTexts();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[1], sj("データ取込を中止します。実行しますか？"));
    EXPECT_EQ(boxes[2], sj("NVCancel:キャンセルされました"));
    EXPECT_NE(errorLog().find("ブリッジ（NVGets）：中止の後も応答がないため、ブリッジを終了しました。(-1107)"), std::string::npos);
    EXPECT_TRUE(m_form->ButtonStart->isEnabled());
    EXPECT_FALSE(m_channel->busy());
}

} // namespace
} // namespace tidemark::gui
