#pragma once
// "ﾊﾞｰｼﾞｮﾝ情報": the program's picture and version text, closed with OK.

#include <QDialog>

namespace tidemark::gui {

class VersionForm : public QDialog {
    Q_OBJECT
public:
    VersionForm(const QString& version, QWidget* parent = nullptr);
};

} // namespace tidemark::gui
