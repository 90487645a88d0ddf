#pragma once
// TBacktestForm "バックテスト": the backtest window, a window of its own beside the main
// window (not modal: a bet opened in the main window can be looked at while it stays
// open). Created with the main window and kept until the end, so a run goes on while it
// is hidden. BacktestFormModel decides everything; this window shows its controls,
// grids and the curve of the cumulative return, and forwards every change and click.

#include <QDialog>

#include "presentation/backtest_model.h"

class QButtonGroup;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace tidemark::gui {

class ChartWidget;
class GridTableModel;
class GridView;

class TBacktestForm : public QDialog, private presentation::BacktestObserver {
    Q_OBJECT
public:
    explicit TBacktestForm(presentation::BacktestFormModel& model, QWidget* parent = nullptr);
    ~TBacktestForm() override;

    // Shows the window (or brings it to the front) with the model's choice.
    void showForm();
    // Every way of closing runs FormCloseQuery (the choice kept; a run goes on hidden).
    void done(int r) override;

    QDateEdit* FromDate = nullptr;
    QDateEdit* ToDate = nullptr;
    QComboBox* RuleCombo = nullptr;
    QLineEdit* ParamEdit = nullptr;
    QLabel* ParamHint = nullptr;
    QSpinBox* MinutesSpin = nullptr;
    QButtonGroup* BetRadio = nullptr;
    QPushButton* RunBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* StatusLabel = nullptr;
    GridView* SummaryGrid = nullptr;
    GridView* TrackGrid = nullptr;
    GridView* BandGrid = nullptr;
    GridView* BetGrid = nullptr;
    // The curve of the cumulative return, from the model's chart of it.
    ChartWidget* ReturnChart = nullptr;

Q_SIGNALS:
    // A bet's race was opened in the main window.
    void raceOpened();

private:
    void controlsChanged() override;
    void progressChanged() override;
    void resultChanged() override;
    // Model := controls (also a date or number still being typed).
    void takeControls();
    GridView* gridView(presentation::BacktestFormModel::Grid which, const char* name);

    presentation::BacktestFormModel& m_model;
};

} // namespace tidemark::gui
