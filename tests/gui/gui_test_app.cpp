#include "gui_test_app.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTimer>

#include "gui/guarded_application.h"

namespace tidemark::testing {
namespace {

QApplication* ownApp = nullptr;

class GuiAppEnvironment final : public ::testing::Environment {
public:
    void TearDown() override
    {
        delete ownApp;
        ownApp = nullptr;
    }
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new GuiAppEnvironment);

} // namespace

QApplication& guiApp()
{
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance()))
        return *existing;
    static int argc = 1;
    static char name[] = "test_gui";
    static char* argv[] = {name, nullptr};
    ownApp = new gui::GuardedApplication(argc, argv); // the program's own application object
    return *ownApp;
}

void whenModal(const std::function<void(QDialog&)>& act)
{
    QTimer::singleShot(0, [act] {
        auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        act(*d);
        if (d->isVisible())
            d->reject();
    });
}

void pressOk(QDialog& d)
{
    for (QPushButton* b : d.findChildren<QPushButton*>())
        if (b->text() == QStringLiteral("OK"))
            b->click();
}

} // namespace tidemark::testing
