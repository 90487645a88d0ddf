#include "gui/application.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QIcon>
#include <QMessageBox>
#include <QPixmap>

#include <filesystem>
#include <memory>

#include "gui/guarded_application.h"
#include "gui/main_form.h"
#include "store/program_folder.h"
#include "gui/qt_host.h"
#include "gui/service_factory.h"
#include "gui/version_form.h"
#include "presentation/main_window_model.h"
#include "presentation/main_window_texts.h"
#include "text/file_io.h"
#include "text/system_places.h"

namespace tidemark::gui {

void identifyApplication()
{
    QApplication::setApplicationName(QStringLiteral("Tidemark2NV"));
    // No display name: Qt would append it to every window title, and each window's
    // caption is its own ("オッズ一括取得", "データ取込" …).
    QApplication::setDesktopFileName(QStringLiteral("tidemark2nv"));
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(programPicture(size)));
    QApplication::setWindowIcon(icon);
}

int runApplication(int argc, char* argv[])
{
    GuardedApplication app(argc, argv);
    identifyApplication();

    // Every path of the program starts at the program folder: the folder of the executable,
    // or the user's data folder when the program is installed in a system folder.
    const std::filesystem::path exeFolder = text::pathFromUtf8(QCoreApplication::applicationDirPath().toStdString());
    const std::filesystem::path userFolder = text::userDataFolder("Tidemark2NV");
    const std::filesystem::path programFolder = store::chooseProgramFolder(exeFolder, userFolder);
    if (programFolder != exeFolder) {
        try {
            text::ensureDirectory(programFolder);
        } catch (const text::FileError& e) {
            QMessageBox::critical(nullptr, QString::fromUtf8(texts::kAppTitle), QString::fromUtf8(e.what()));
            return 1;
        }
        store::linkInstalledManual(exeFolder, programFolder, texts::kManualFile);
    }
    QDir::setCurrent(QString::fromStdString(text::utf8Path(programFolder)));

    QtHost host;
    dataservice::ChosenService service = makeService(programFolder, exeFolder, host);
    if (!checkServiceInstalled(*service.factory, host))
        return 0;
    std::unique_ptr<NvLink> link = service.factory->create();

    MainWindowModel model(host, *link, programFolder);
    try {
        model.create();
    } catch (const text::FileError& e) {
        QMessageBox::critical(nullptr, QString::fromUtf8(texts::kAppTitle), QString::fromUtf8(e.what()));
        return 1;
    }

    app.setFaultHandler([&model](std::string_view what) { model.unexpectedFault(what); });
    TMainForm mainForm(model, host);
    mainForm.showSimulatedService(service.kind == dataservice::ServiceKind::Sim);
    mainForm.show();
    const int code = app.exec();
    app.setFaultHandler({});
    return code;
}

} // namespace tidemark::gui
