#pragma once
// The odds watch at the right of the main window's status bar: its progress and last
// error, the switch "オッズ監視" and the button that opens its settings dialog. The
// model decides everything.

#include <QObject>

#include "presentation/main_window_model.h"

class QLabel;
class QStatusBar;
class QToolButton;
class QWidget;

namespace tidemark::gui {

class OddsWatchBar : public QObject {
    Q_OBJECT
public:
    // Puts its label and buttons into `statusBar`, as permanent widgets at its right;
    // `dialogParent` centres the settings dialog.
    OddsWatchBar(MainWindowModel& model, QWidget* dialogParent, QStatusBar& statusBar);

    // The switch and the status text as the model holds them.
    void showState();

    QLabel* OddsWatchLabel = nullptr;
    QToolButton* OddsWatchBtn = nullptr;
    QToolButton* OddsWatchSetBtn = nullptr;

private:
    MainWindowModel& m_model;
    QWidget* m_dialogParent;
};

// "オッズ監視設定", shown modally; OK stores the times and hands them to the running watch.
void showOddsWatchSettingsForm(QWidget* parent, presentation::OddsWatchModel& watch, IniFile& settings, Host& host);

} // namespace tidemark::gui
