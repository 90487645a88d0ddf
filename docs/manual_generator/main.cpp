// Renders the user manual: the Japanese HTML source with its pictures, laid out on A4
// pages by Qt's own text engine and written as PDF.
//
//   tidemark_manual SOURCE.html PICTURE_FOLDER OUTPUT.pdf
//
// Every <img src="name.png"> of the source is taken from PICTURE_FOLDER; a picture that
// is missing fails the run, so a manual never ships with empty frames.

#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextDocument>
#include <QUrl>

#include <cstdio>

namespace {

void fail(const QString& what)
{
    std::fprintf(stderr, "tidemark_manual: %s\n", what.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: tidemark_manual SOURCE.html PICTURE_FOLDER OUTPUT.pdf\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString sourcePath = QString::fromLocal8Bit(argv[1]);
    const QDir pictures(QString::fromLocal8Bit(argv[2]));
    const QString outPath = QString::fromLocal8Bit(argv[3]);

    QFile source(sourcePath);
    if (!source.open(QIODevice::ReadOnly)) {
        fail(QStringLiteral("cannot read ") + sourcePath);
        return 1;
    }
    const QString html = QString::fromUtf8(source.readAll());

    QTextDocument doc;
    QFont font(QStringLiteral("IPAPGothic"));
    font.setPointSizeF(10.5);
    doc.setDefaultFont(font);
    doc.setDefaultStyleSheet(QStringLiteral(
        "h1 { font-size: 20pt; color: #1d4f86; }"
        "h2 { font-size: 15pt; color: #1d4f86; }"
        "h3 { font-size: 12pt; color: #2f6b2f; }"
        "table { border-collapse: collapse; }"
        "th { background-color: #d8eed8; }"
        "code { font-family: 'IPAGothic'; background-color: #f0f0f0; }"
        "pre { font-family: 'IPAGothic'; font-size: 9pt; background-color: #f4f4f4; }"
        ".caption { color: #555555; font-size: 9pt; }"));

    const QRegularExpression img(QStringLiteral("<img[^>]*src=\"([^\"]+)\""));
    int missing = 0;
    for (auto it = img.globalMatch(html); it.hasNext();) {
        const QString name = it.next().captured(1);
        QImage picture(pictures.filePath(name));
        if (picture.isNull()) {
            fail(QStringLiteral("picture missing: ") + pictures.filePath(name));
            ++missing;
            continue;
        }
        doc.addResource(QTextDocument::ImageResource, QUrl(name), picture);
    }
    if (missing > 0)
        return 1;
    doc.setHtml(html);

    QPdfWriter writer(outPath);
    writer.setTitle(QStringLiteral("Tidemark２ for 地方競馬 使用解説書"));
    writer.setCreator(QStringLiteral("Tidemark2NV"));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15),
                                     QPageLayout::Millimeter));
    writer.setResolution(300);
    doc.print(&writer);
    if (!QFile::exists(outPath) || QFile(outPath).size() == 0) {
        fail(QStringLiteral("cannot write ") + outPath);
        return 1;
    }
    return 0;
}
