// What the window tests on a virtual X display read from it, whichever program draws
// there (the Linux window, or the Windows window under Wine):
//   tidemark_screen_grab out.png        a picture of the whole display
//   tidemark_screen_grab --clipboard    the clipboard's text on standard output (UTF-8)

#include <QClipboard>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: tidemark_screen_grab out.png | --clipboard\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    if (std::strcmp(argv[1], "--clipboard") == 0) {
        const QByteArray text = QGuiApplication::clipboard()->text().toUtf8();
        std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stdout);
        return text.isEmpty() ? 1 : 0;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || !screen->grabWindow(0).save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "tidemark_screen_grab: no picture of the display\n");
        return 1;
    }
    return 0;
}
