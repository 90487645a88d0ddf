#include "gui/application.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QMessageBox>

#include <filesystem>
#include <memory>

#include "gui/main_form.h"
#include "gui/qt_host.h"
#include "gui/service_factory.h"
#include "presentation/main_window_model.h"
#include "presentation/main_window_texts.h"
#include "text/file_io.h"

namespace tidemark::gui {
namespace {

// Windows that live from start to end; their contents are built by their own modules.
std::unique_ptr<QDialog> makeLongLivedWindow(const char* name, const char* caption, int w, int h)
{
    auto d = std::make_unique<QDialog>();
    d->setObjectName(QString::fromLatin1(name));
    d->setWindowTitle(QString::fromUtf8(caption));
    d->setFixedSize(w, h);
    return d;
}

} // namespace

int runApplication(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QString::fromUtf8(texts::kAppTitle));

    // Every path of the program starts at the folder of the executable.
    const QString dir = QCoreApplication::applicationDirPath();
    QDir::setCurrent(dir);
    const std::filesystem::path programFolder = dir.toStdString();

    QtHost host;
    std::unique_ptr<NvLinkFactory> factory = makeServiceFactory(programFolder, host);
    if (!checkServiceInstalled(*factory, host))
        return 0;
    std::unique_ptr<NvLink> link = factory->create();

    MainWindowModel model(host, *link, programFolder);
    try {
        model.create();
    } catch (const text::FileError& e) {
        QMessageBox::critical(nullptr, QString::fromUtf8(texts::kAppTitle), QString::fromUtf8(e.what()));
        return 1;
    }

    TMainForm mainForm(model, host);
    auto ozGetForm = makeLongLivedWindow("TOzGetForm", texts::kOzGetCaption, 447, 143);
    auto tokuteiForm = makeLongLivedWindow("TTokuteiJikokuForm", texts::kTokuteiCaption, 350, 358);
    mainForm.show();
    return app.exec();
}

} // namespace tidemark::gui
