#pragma once
// TTokuteiJikokuForm "特定時刻オッズ出力": the specific-time odds export window. Created
// once at program start with the main window as its parent and kept until the end; the
// main menu's N9Click opens it with execFor(). TokuteiJikokuFormModel decides
// everything, this window only shows its controls and forwards their changes.

#include <QDialog>

#include "presentation/tokutei_jikoku_model.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QPushButton;
class QSpinBox;

namespace tidemark::gui {

class TTokuteiJikokuForm : public QDialog {
    Q_OBJECT
public:
    explicit TTokuteiJikokuForm(TokuteiJikokuFormModel& model, QWidget* parent = nullptr);

    // N9Click: with no day chosen the model says so and the window stays shut (false).
    // Otherwise the controls take the stored CSVTime settings and the window is shown
    // modally until it closes (true).
    bool execFor(bool daySelected, results::ExportDay day);

    // Every way of closing runs FormCloseQuery (the settings are written).
    void done(int r) override;

    QGroupBox* RadioGroup1 = nullptr;
    QButtonGroup* RadioGroup1Items = nullptr;
    QSpinBox* SpinEdit4 = nullptr; // hour
    QSpinBox* SpinEdit5 = nullptr; // minute
    QSpinBox* SpinEdit3 = nullptr; // minutes before post time
    QGroupBox* RadioGroup2 = nullptr;
    QButtonGroup* RadioGroup2Items = nullptr;
    QCheckBox* OpenFileCheck = nullptr;
    QPushButton* ClipBtn1 = nullptr;

private:
    // Controls := model.
    void showModel();
    // Model := controls (also text still being typed into a spin box).
    void takeControls();

    TokuteiJikokuFormModel& m_model;
};

} // namespace tidemark::gui
