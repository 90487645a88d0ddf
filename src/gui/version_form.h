#pragma once
// "ﾊﾞｰｼﾞｮﾝ情報": the program's picture and version text, closed with OK.

#include <QDialog>
#include <QImage>

namespace tidemark::gui {

// The program's picture, also its icon: a marker flag over the tide lines of the odds,
// drawn so no image file is needed. size is the edge in pixels.
QImage programPicture(int size);

class VersionForm : public QDialog {
    Q_OBJECT
public:
    VersionForm(const QString& version, QWidget* parent = nullptr);
};

} // namespace tidemark::gui
