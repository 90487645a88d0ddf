#pragma once
// TGetDataForm "データ取込": the stored-data import window. Created by the main window's
// "データ取得" each time, shown modally and destroyed when it closes; GetDataModel
// decides everything, this window only shows it and forwards clicks.

#include <QDialog>

#include <functional>

#include "presentation/get_data_model.h"

class QCalendarWidget;
class QLabel;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace tidemark::gui {

class TGetDataForm : public QDialog {
    Q_OBJECT
public:
    explicit TGetDataForm(presentation::GetDataModel& model, QWidget* parent = nullptr);
    ~TGetDataForm() override;

    // Every way of closing (close box, Esc, done()) asks the model first: a running read
    // is told to stop, and the window closes once its transfer is closed.
    void done(int r) override;

    QPushButton* ButtonStart = nullptr;
    QPushButton* ButtonCancel = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QProgressBar* ProgressBar2 = nullptr;
    QLabel* ProgressLabel = nullptr;
    QLabel* MkDataLabel = nullptr;
    QLabel* GetDateLabel = nullptr;
    // The drop-down button of the picker and the calendar it opens.
    QToolButton* DateTimePicker1 = nullptr;
    QCalendarWidget* DateTimePicker1Calendar = nullptr;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void refresh();
    void calendarPicked(const QDate& date);

    presentation::GetDataModel& m_model;
    bool m_shown = false;
};

// "データ取得" of the main window: makes the model and the window, shows it modally and
// destroys both when it has closed. onClosed runs once the window has closed (the main
// window rebuilds its race-day list there).
void showGetDataForm(QWidget* parent, acquisition::NvChannel& channel, Host& host, store::RecordStore& store,
                     IniFile& settings, std::function<void()> onClosed);

} // namespace tidemark::gui
