// Renders the user manual: the Japanese HTML source with its pictures, laid out on A4
// pages by Qt's own text engine and written as PDF.
//
//   tidemark_manual SOURCE.html PICTURE_FOLDER OUTPUT.pdf [PREVIEW_FOLDER]
//
// The pages are laid out once and drawn both into the PDF and, when a preview folder is
// given, into one PNG per page, so what the preview shows is what the PDF holds.
//
// Every <img src="name.png"> of the source is taken from PICTURE_FOLDER; a picture that
// is missing fails the run, so a manual never ships with empty frames.

#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPageSize>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextFrameFormat>
#include <QUrl>

#include <cstdio>

namespace {

void fail(const QString& what)
{
    std::fprintf(stderr, "tidemark_manual: %s\n", what.toLocal8Bit().constData());
}

// A4: 15 mm beside the text, 11 mm above and below the drawn page, which keeps its own
// margins inside (4 mm above, 4 mm and the page-number footer below), so that the text
// layout moves a line that would cross a page's end onto the next page. Lengths in layout
// pixels (96 dpi).
constexpr double kDpi = 96.0;
constexpr double kMm = kDpi / 25.4;
constexpr double kSideMm = 15.0;
constexpr double kEdgeMm = 11.0;
constexpr double kInnerTopMm = 4.0;
constexpr double kFooterMm = 8.0;
constexpr double kInnerBottomMm = 4.0 + kFooterMm;
const QSizeF kPage((210.0 - 2 * kSideMm) * kMm, (297.0 - 2 * kEdgeMm) * kMm);

// Draws page `index` (from 0) of the laid-out document at the painter's origin.
void drawPage(QPainter& p, QTextDocument& doc, int index, int pages, const QFont& font)
{
    p.save();
    p.translate(0, -index * kPage.height());
    doc.drawContents(&p, QRectF(QPointF(0, index * kPage.height()), kPage));
    p.restore();
    QFont small = font;
    small.setPointSizeF(8.5);
    p.setFont(small);
    p.setPen(QColor(0x55, 0x55, 0x55));
    p.drawText(QRectF(0, kPage.height() - kFooterMm * kMm, kPage.width(), kFooterMm * kMm), Qt::AlignCenter,
               QStringLiteral("%1 / %2").arg(index + 1).arg(pages));
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: tidemark_manual SOURCE.html PICTURE_FOLDER OUTPUT.pdf [PREVIEW_FOLDER]\n");
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
    QTextFrameFormat frame = doc.rootFrame()->frameFormat();
    frame.setLeftMargin(0);
    frame.setRightMargin(0);
    frame.setTopMargin(kInnerTopMm * kMm);
    frame.setBottomMargin(kInnerBottomMm * kMm);
    doc.rootFrame()->setFrameFormat(frame);
    doc.setPageSize(kPage);
    const int pages = doc.pageCount();

    {
        QPdfWriter writer(outPath);
        writer.setTitle(QStringLiteral("Tidemark２ for 地方競馬 使用解説書"));
        writer.setCreator(QStringLiteral("Tidemark2NV"));
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(kSideMm, kEdgeMm, kSideMm, kEdgeMm), QPageLayout::Millimeter));
        writer.setResolution(300);
        QPainter p(&writer);
        p.scale(300 / kDpi, 300 / kDpi);
        for (int i = 0; i < pages; ++i) {
            if (i > 0)
                writer.newPage();
            drawPage(p, doc, i, pages, font);
        }
    }
    if (argc == 5) {
        const QDir preview(QString::fromLocal8Bit(argv[4]));
        QDir().mkpath(preview.path());
        for (int i = 0; i < pages; ++i) {
            QImage page(qRound(210 * kMm), qRound(297 * kMm), QImage::Format_RGB32);
            page.fill(Qt::white);
            QPainter p(&page);
            p.translate(kSideMm * kMm, kEdgeMm * kMm);
            drawPage(p, doc, i, pages, font);
            p.end();
            page.save(preview.filePath(QStringLiteral("page_%1.png").arg(i + 1, 2, 10, QLatin1Char('0'))));
        }
    }
    if (!QFile::exists(outPath) || QFile(outPath).size() == 0) {
        fail(QStringLiteral("cannot write ") + outPath);
        return 1;
    }
    return 0;
}
