#include "gui/application.h"

#include <QApplication>
#include <QMainWindow>

namespace tidemark::gui {

int runApplication(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow w;
    w.show();
    return app.exec();
}

} // namespace tidemark::gui
