#include "gui/version_form.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QVBoxLayout>

#include "presentation/main_window_texts.h"

namespace tidemark::gui {
namespace {

// The program's picture: a tide line under a marker flag, drawn so no image file is needed.
QPixmap programPicture()
{
    QPixmap pm(64, 64);
    pm.fill(QColor(0xC0, 0xDC, 0xC0));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x20, 0x50, 0x90), 3));
    for (int i = 0; i < 3; ++i) {
        QPainterPath path;
        int y = 40 + i * 7;
        path.moveTo(4, y);
        path.cubicTo(20, y - 6, 28, y + 6, 44, y);
        path.cubicTo(52, y - 4, 56, y - 2, 60, y);
        p.drawPath(path);
    }
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 2));
    p.drawLine(22, 34, 22, 8);
    p.setBrush(QColor(0xD0, 0x20, 0x20));
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygon({QPoint(23, 8), QPoint(42, 14), QPoint(23, 20)}));
    return pm;
}

} // namespace

VersionForm::VersionForm(const QString& version, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("VersionForm"));
    setWindowTitle(QString::fromUtf8(texts::kVersionCaption));
    auto* v = new QVBoxLayout(this);
    auto* h = new QHBoxLayout;
    auto* pic = new QLabel(this);
    pic->setPixmap(programPicture());
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
