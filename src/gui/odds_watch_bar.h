#pragma once
// The odds watch and the movers board in the main window: the switch "オッズ監視" and its
// settings button and the button "オッズ急変" in the button bar, and the watch's progress
// and last error at the right of the status bar. The models decide everything.

#include <QWidget>

#include "presentation/main_window_model.h"

class QLabel;
class QPushButton;
class QStatusBar;

namespace tidemark::gui {

class TMoversForm;

class OddsWatchBar : public QWidget {
    Q_OBJECT
public:
    // The label goes into `statusBar`; `mainWindow` is the parent of the board window.
    OddsWatchBar(MainWindowModel& model, QStatusBar& statusBar, QWidget* mainWindow, QWidget* parent);

    // The switch and the status text as the model holds them.
    void showState();
    // The board window, once "オッズ急変" has been pressed.
    TMoversForm* moversForm() const { return m_movers; }

    QPushButton* OddsWatchBtn = nullptr;
    QPushButton* OddsWatchSetBtn = nullptr;
    QPushButton* MoversBtn = nullptr;
    QLabel* OddsWatchLabel = nullptr;

private:
    void MoversBtnClick();

    MainWindowModel& m_model;
    QWidget* m_mainWindow;
    TMoversForm* m_movers = nullptr;
};

// "オッズ監視設定", shown modally; OK stores the times and hands them to the running watch.
void showOddsWatchSettingsForm(QWidget* parent, presentation::OddsWatchModel& watch, IniFile& settings, Host& host);

} // namespace tidemark::gui
