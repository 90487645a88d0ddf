#include "gui/version_form.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QVBoxLayout>

#include "presentation/main_window_texts.h"

namespace tidemark::gui {

QImage programPicture(int size)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0); // drawn on a 64 × 64 board

    // Board: the money green of the button bar, darker towards the water.
    QLinearGradient board(0, 0, 0, 64);
    board.setColorAt(0.0, QColor(0xD8, 0xEE, 0xD8));
    board.setColorAt(1.0, QColor(0x9C, 0xC8, 0x9C));
    p.setPen(QPen(QColor(0x40, 0x70, 0x40), 1.5));
    p.setBrush(board);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 11, 11);

    // Three tide lines, the odds moving through the betting period.
    const QColor lines[] = {QColor(0x20, 0x50, 0x90), QColor(0x20, 0x70, 0xB0), QColor(0x50, 0x98, 0xD0)};
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 3; ++i) {
        p.setPen(QPen(lines[i], 3.2, Qt::SolidLine, Qt::RoundCap));
        QPainterPath path;
        const double y = 38 + i * 7.5;
        path.moveTo(8, y);
        path.cubicTo(18, y - 7, 26, y + 7, 36, y);
        path.cubicTo(44, y - 5, 50, y - 3, 56, y);
        p.drawPath(path);
    }

    // The marker: a post and a red flag, the moment chosen on the time line.
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(22, 35), QPointF(22, 9));
    p.setPen(QPen(QColor(0x90, 0x10, 0x10), 1));
    p.setBrush(QColor(0xD8, 0x20, 0x20));
    p.drawPolygon(QPolygonF({QPointF(23, 9), QPointF(44, 15.5), QPointF(23, 22)}));
    return img;
}

VersionForm::VersionForm(const QString& version, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("VersionForm"));
    setWindowTitle(QString::fromUtf8(texts::kVersionCaption));
    auto* v = new QVBoxLayout(this);
    auto* h = new QHBoxLayout;
    auto* pic = new QLabel(this);
    pic->setPixmap(QPixmap::fromImage(programPicture(64)));
    h->addWidget(pic);
    auto* text = new QLabel(QString::fromUtf8(texts::kAppTitle) + QStringLiteral("\n") + version, this);
    text->setObjectName(QStringLiteral("VersionLabel"));
    h->addWidget(text, 1);
    v->addLayout(h);
    auto* ok = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(ok, &QDialogButtonBox::accepted, this, &QDialog::accept);
    v->addWidget(ok);
    setFixedSize(sizeHint().expandedTo(QSize(260, 130)));
}

} // namespace tidemark::gui
