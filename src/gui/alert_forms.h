#pragma once
// The alert list window "アラート" and the rules dialog "アラート設定": they show what
// AlertListModel and AlertRulesDialogModel hold and forward every event to them. The
// desktop notification goes through the system tray where the desktop has one.

#include <QDialog>

#include "presentation/alert_model.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSystemTrayIcon;

namespace tidemark::gui {

class GridTableModel;
class GridView;

class TAlertRulesDialog : public QDialog {
    Q_OBJECT
public:
    TAlertRulesDialog(presentation::AlertRulesDialogModel& model, QWidget* parent);

    QComboBox* KindCombo = nullptr;
    QLineEdit* PointsEdit = nullptr;
    QLineEdit* WindowEdit = nullptr;
    QComboBox* RaceCombo = nullptr;
    QLineEdit* HorseEdit = nullptr;
    QLineEdit* OddsEdit = nullptr;
    QPushButton* AddBtn = nullptr;
    QPushButton* RemoveBtn = nullptr;
    QListWidget* RuleList = nullptr;
    QCheckBox* SoundCheck = nullptr;
    QCheckBox* NotifyCheck = nullptr;
    QPushButton* OkBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

private:
    void refresh();
    presentation::AlertRulesDialogModel& m_model;
};

class TAlertListForm : public QDialog, private presentation::AlertListObserver {
    Q_OBJECT
public:
    TAlertListForm(presentation::AlertListModel& list, presentation::AlertRulesDialogModel& rules, QWidget* mainWindow);
    ~TAlertListForm() override;

    // "アラート" of the main window.
    void showList();

    QPushButton* RulesBtn = nullptr;
    QPushButton* ClearBtn = nullptr;
    GridView* AlertGrid = nullptr;
    // The last notification asked for (title and text), shown or not.
    QString lastNotice;

private:
    void alertsChanged() override;
    void notify(const std::string& title, const std::string& text) override;

    presentation::AlertListModel& m_list;
    presentation::AlertRulesDialogModel& m_rules;
    QWidget* m_mainWindow;
    GridTableModel* m_gridModel = nullptr;
    QSystemTrayIcon* m_tray = nullptr;
};

} // namespace tidemark::gui
