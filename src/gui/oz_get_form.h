#pragma once
// TOzGetForm "オッズ一括取得": the batch odds import window. Created once at program start
// with the main window as its parent and kept until the end; the main window fills its
// day list through the model and shows it modally with execFor(). OzGetModel decides
// everything, this window only shows it and forwards clicks.

#include <QDialog>

#include <string>
#include <string_view>
#include <vector>

#include "presentation/oz_get_model.h"

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace tidemark::gui {

class TOzGetForm : public QDialog {
    Q_OBJECT
public:
    explicit TOzGetForm(presentation::OzGetModel& model, QWidget* parent = nullptr);
    ~TOzGetForm() override;

    // "オッズ一括取得" of the main window: selects the main window's day (empty: keeps the
    // selection) and shows the window modally until it closes.
    int execFor(std::string_view mainDayLabel);

    // Every way of closing asks the model first: a running import is told to stop and
    // the window closes once it has ended.
    void done(int r) override;

    QComboBox* DateCombo = nullptr;
    QPushButton* ButtonStart = nullptr;
    QPushButton* DLmonthBtn = nullptr;
    QPushButton* DLyearBtn = nullptr;
    QPushButton* ButtonCancel = nullptr;
    QLabel* ErrorLabel = nullptr;
    QLabel* ProgressLabel = nullptr;
    QProgressBar* ProgressBar1 = nullptr;

private:
    void refresh();

    presentation::OzGetModel& m_model;
    std::vector<std::string> m_shownItems;
};

} // namespace tidemark::gui
