#pragma once
// TMoversForm "オッズ急変": the movers board of the day the main window has loaded. A
// window of its own beside the main window, created on first use and kept; it shows what
// MoversBoardModel holds and forwards every event to it.

#include <QDialog>

#include "presentation/movers_board_model.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QTimeEdit;

namespace tidemark::gui {

class GridTableModel;
class GridView;

class TMoversForm : public QDialog, private presentation::MoversBoardObserver {
    Q_OBJECT
public:
    // `mainWindow` is brought to the front after a double-click has opened a race in it.
    TMoversForm(presentation::MoversBoardModel& model, QWidget* mainWindow);
    ~TMoversForm() override;

    // "オッズ急変" of the main window: the board built for the loaded day and shown.
    void showBoard();

    QCheckBox* LiveCheck = nullptr;
    QTimeEdit* TimeEdit = nullptr;
    QComboBox* WindowCombo = nullptr;
    QComboBox* TrackCombo = nullptr;
    QCheckBox* NotRunCheck = nullptr;
    QCheckBox* MinChangeCheck = nullptr;
    QDoubleSpinBox* MinChangeEdit = nullptr;
    QPushButton* RefreshBtn = nullptr;
    QPushButton* ClipBtn = nullptr;
    QButtonGroup* PoolSwitch = nullptr; // 単勝, 複勝, 馬連: ids 0..2
    QPushButton* DriftersBtn = nullptr;
    QLabel* TitleLabel = nullptr;
    QLabel* SummaryLabel = nullptr;
    GridView* BoardGrid = nullptr;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void boardChanged() override;
    void controlsChanged() override;

    presentation::MoversBoardModel& m_model;
    QWidget* m_mainWindow;
    GridTableModel* m_gridModel = nullptr;
};

} // namespace tidemark::gui
