// The window says when the simulated service feeds it, as the program start chooses.

#include <gtest/gtest.h>

#include <QLabel>
#include <QStatusBar>

#include <fstream>

#include "gui/main_form.h"
#include "gui/qt_host.h"
#include "gui/service_factory.h"
#include "gui_test_app.h"
#include "presentation/main_window_model.h"
#include "support/temp_dir.h"

namespace tidemark::gui {
namespace {

TEST(ServiceCaption, SimulatedServiceShownInTheStatusBarOnlyWhileItRuns)
{
    tidemark::testing::guiApp();
    tidemark::testing::TempDir dir;
    QtHost host;

    // No setting and nothing real on this machine: automatic falls back to the simulation.
    dataservice::ChosenService chosen = makeService(dir.path(), dir.path(), host);
    ASSERT_EQ(chosen.kind, dataservice::ServiceKind::Sim);
    ASSERT_TRUE(chosen.factory->installed());
    std::unique_ptr<NvLink> link = chosen.factory->create();

    MainWindowModel model(host, *link, dir.path());
    model.create();
    TMainForm f(model, host);
    auto* label = f.statusBar()->findChild<QLabel*>(QStringLiteral("ServiceLabel"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QString::fromUtf8("シミュレーション"));
    f.showSimulatedService(chosen.kind == dataservice::ServiceKind::Sim);
    f.show();
    EXPECT_TRUE(label->isVisible());
    // The title stays the program's own.
    EXPECT_EQ(f.windowTitle(), QString::fromUtf8("Tidemark２ for 地方競馬"));
    f.showSimulatedService(false);
    EXPECT_FALSE(label->isVisible());
    f.close();

    // The setting naming the bridge, which is not there: the start check refuses it.
    std::ofstream(dir.path() / "Tidemark2NV.ini", std::ios::binary)
        << "[DataService]\r\nUse=bridge\r\nBridge=" << (dir.path() / "no-such-bridge").string() << "\r\n";
    const dataservice::ChosenService bridge = makeService(dir.path(), dir.path(), host);
    EXPECT_EQ(bridge.kind, dataservice::ServiceKind::Bridge);
    EXPECT_FALSE(bridge.factory->installed());
}

} // namespace
} // namespace tidemark::gui
