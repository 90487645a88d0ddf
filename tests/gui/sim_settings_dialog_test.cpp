// "UmaConn設定" while the simulated service answers: the import window's button opens the
// service's own settings dialog over NVSim.ini, which checks what is typed, writes the
// file on OK (keeping the user's other lines), writes nothing on Cancel and survives a
// file that cannot be written.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>

#include <cstdlib>
#include <filesystem>

#include "acquisition/nv_channel.h"
#include "gui/get_data_form.h"
#include "gui/qt_host.h"
#include "gui/service_factory.h"
#include "gui/sim_settings_dialog.h"
#include "gui_test_app.h"
#include "nvsim/sim_nv_link.h"
#include "presentation/get_data_model.h"
#include "settings/ini_file.h"
#include "store/record_store.h"
#include "support/temp_dir.h"
#include "text/file_io.h"

namespace tidemark::gui {
namespace {

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

void clickButton(QDialog& d, QDialogButtonBox::StandardButton which)
{
    auto* box = d.findChild<QDialogButtonBox*>();
    ASSERT_NE(box, nullptr);
    box->button(which)->click();
}

// Reads the text of the message box the next modal loop shows, and closes it.
void takeMessage(QString& into)
{
    testing::whenModal([&into](QDialog& box) {
        auto* m = qobject_cast<QMessageBox*>(&box);
        ASSERT_NE(m, nullptr);
        into = m->text();
        box.accept();
    });
}

class SimSettingsDialogTest : public ::testing::Test {
protected:
    SimSettingsDialogTest()
    {
        testing::guiApp();
        text::writeFileAtomic(dir / "Tidemark2NV.ini", "[DataService]\r\nUse=sim\r\n");
        text::writeFileAtomic(ini, kOriginal);
        store.layout().createFolders();
    }

    static constexpr const char* kOriginal = "; a one-day world for the demonstration\r\n"
                                             "[NVSim]\r\nSeed=4\r\nFirstDay=20240112\r\nLastDay=20240112\r\n"
                                             "DownloadSpeed=0\r\nOwner=taro\r\n"
                                             "[Memo]\r\nText=keep me\r\n";

    testing::TempDir dir;
    std::filesystem::path ini = dir / "NVSim.ini";
    QtHost host;
    store::RecordStore store{store::StoreLayout(dir.path())};
    IniFile settings{dir / "Tidemark2NV.ini"};
};

TEST_F(SimSettingsDialogTest, UmaConnSettingsEditsNVSimIniOfTheSimulatedService)
{
    const dataservice::ChosenService chosen = makeService(dir.path(), dir.path(), host);
    ASSERT_EQ(chosen.kind, dataservice::ServiceKind::Sim);
    std::unique_ptr<NvLink> link = chosen.factory->create();
    auto* sim = dynamic_cast<nvsim::SimNvLink*>(link.get());
    ASSERT_NE(sim, nullptr);
    EXPECT_EQ(sim->world().seed(), 4u);
    acquisition::NvChannel channel(*link);
    presentation::GetDataModel model(channel, host, store, settings, {});
    TGetDataForm form(model);
    form.show();

    // Cancel after editing: the file stays byte for byte.
    bool shown = false;
    testing::whenModal([&](QDialog& d) {
        auto* s = qobject_cast<TSimSettingsForm*>(&d);
        ASSERT_NE(s, nullptr);
        shown = true;
        EXPECT_EQ(s->windowTitle(), u("模擬データサービスの設定"));
        EXPECT_EQ(s->SeedEdit->text(), u("4"));
        EXPECT_EQ(s->FirstDayEdit->text(), u("20240112"));
        EXPECT_EQ(s->DownloadSpeedEdit->text(), u("0"));
        EXPECT_EQ(s->SteamRateEdit->text(), u("10")); // the default where the file has none
        EXPECT_EQ(s->Faults[0].call->currentText(), QString());
        s->SeedEdit->setText(u("99"));
        s->SteamRateEdit->setText(u("50"));
        if (const char* shots = std::getenv("TIDEMARK_SCREENSHOT_DIR"))
            s->grab().save(QString::fromLocal8Bit(shots) + u("/sim_settings_dialog.png"));
        clickButton(d, QDialogButtonBox::Cancel);
    });
    form.SpeedButton1->click();
    EXPECT_TRUE(shown);
    EXPECT_EQ(text::readFile(ini), kOriginal);
    EXPECT_EQ(sim->world().seed(), 4u);

    // A value out of range is refused with its message and the dialog stays open with the
    // file untouched; corrected, OK writes it.
    QString refusal;
    bool closedByOk = false;
    testing::whenModal([&](QDialog& d) {
        auto* s = qobject_cast<TSimSettingsForm*>(&d);
        ASSERT_NE(s, nullptr);
        s->SeedEdit->setText(u("77"));
        s->SteamRateEdit->setText(u("150"));
        takeMessage(refusal);
        clickButton(d, QDialogButtonBox::Ok);
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(text::readFile(ini), kOriginal);

        s->SteamRateEdit->setText(u("30"));
        s->LastDayEdit->setText(QString()); // back to the default window
        s->Faults[0].call->setCurrentText(u("NVRTOpen"));
        s->Faults[0].code->setText(u("-504"));
        s->Faults[0].at->setText(u("3"));
        clickButton(d, QDialogButtonBox::Ok);
        closedByOk = !d.isVisible() && d.result() == QDialog::Accepted;
    });
    form.SpeedButton1->click();
    EXPECT_EQ(refusal, u("大口投票の割合は0～100の整数で入力してください。"));
    EXPECT_TRUE(closedByOk);
    EXPECT_EQ(text::readFile(ini), "; a one-day world for the demonstration\r\n"
                                   "[NVSim]\r\nSeed=77\r\nFirstDay=20240112\r\nLastDay=\r\n"
                                   "DownloadSpeed=0\r\nOwner=taro\r\nSteamRate=30\r\nSteamStrength=100\r\n"
                                   "[Memo]\r\nText=keep me\r\n"
                                   "[Fault1]\r\nCall=NVRTOpen\r\nCode=-504\r\nAt=3\r\nCount=1\r\n");
    // The component takes the new world for its next transfer.
    EXPECT_EQ(sim->world().seed(), 77u);
    EXPECT_EQ(sim->world().steam().ratePercent, 30);

    // A file that cannot be written: the platform's message, the dialog stays, the
    // program goes on.
    std::filesystem::remove(ini);
    std::filesystem::create_directory(ini);
    QString failure;
    bool stayedOpen = false;
    testing::whenModal([&](QDialog& d) {
        takeMessage(failure);
        clickButton(d, QDialogButtonBox::Ok);
        stayedOpen = d.isVisible();
        clickButton(d, QDialogButtonBox::Cancel);
    });
    form.SpeedButton1->click();
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(failure.contains(u("NVSim.ini"))) << failure.toStdString();
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(std::filesystem::is_directory(ini));
    form.reject();
}

// Without the window (the companion tool) the simulated service has no dialog to show.
TEST_F(SimSettingsDialogTest, TheServiceWithoutAWindowShowsNothing)
{
    const dataservice::ChosenService chosen =
        dataservice::chooseService({dataservice::ServiceKind::Sim, "", ""}, {dir.path(), dir.path(), {}});
    std::unique_ptr<NvLink> link = chosen.factory->create();
    EXPECT_EQ(link->NVSetUIProperties(), 0);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(text::readFile(ini), kOriginal);
}

} // namespace
} // namespace tidemark::gui
