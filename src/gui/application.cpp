#include "gui/application.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QIcon>
#include <QMessageBox>
#include <QPixmap>
#include <QStandardPaths>

#include <filesystem>
#include <memory>

#include "gui/main_form.h"
#include "gui/program_folder.h"
#include "gui/qt_host.h"
#include "gui/service_factory.h"
#include "gui/version_form.h"
#include "presentation/main_window_model.h"
#include "presentation/main_window_texts.h"
#include "text/file_io.h"

namespace tidemark::gui {

int runApplication(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // The name also names the per-user data folder of an installed program.
    QApplication::setApplicationName(QStringLiteral("Tidemark2NV"));
    QApplication::setApplicationDisplayName(QString::fromUtf8(texts::kAppTitle));
    QApplication::setDesktopFileName(QStringLiteral("tidemark2nv"));
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(programPicture(size)));
    QApplication::setWindowIcon(icon);

    // Every path of the program starts at the program folder: the folder of the executable,
    // or the user's data folder when the program is installed in a system folder.
    const std::filesystem::path exeFolder = QCoreApplication::applicationDirPath().toStdString();
    const std::filesystem::path userFolder =
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdString();
    const std::filesystem::path programFolder = chooseProgramFolder(exeFolder, userFolder);
    if (programFolder != exeFolder) {
        try {
            text::ensureDirectory(programFolder);
        } catch (const text::FileError& e) {
            QMessageBox::critical(nullptr, QString::fromUtf8(texts::kAppTitle), QString::fromUtf8(e.what()));
            return 1;
        }
        linkInstalledManual(exeFolder, programFolder, texts::kManualFile);
    }
    QDir::setCurrent(QString::fromStdString(programFolder.string()));

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

    TMainForm mainForm(model, host);
    mainForm.showSimulatedService(service.kind == dataservice::ServiceKind::Sim);
    mainForm.show();
    return app.exec();
}

} // namespace tidemark::gui
