#pragma once
// TMainForm: the main window. It shows what MainWindowModel holds and forwards events;
// it decides nothing itself.

#include <QMainWindow>
#include <QPointer>

#include <map>
#include <memory>

#include "presentation/main_window_model.h"

class QAction;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace tidemark::gui {

class QtHost;
class RaceHeaderPanel;
class RacePanel;
class MainPages;
class OddsWatchBar;
class TMoversForm;
class TAlertListForm;
class TOzGetForm;
class TTokuteiJikokuForm;
class TBacktestForm;

class TMainForm : public QMainWindow, private MainWindowObserver, private presentation::ClipboardExportObserver {
    Q_OBJECT
public:
    TMainForm(MainWindowModel& model, QtHost& host, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Marks the window as fed by the simulated service (a permanent status-bar caption).
    void showSimulatedService(bool simulated);

    // The first show of the window runs NVInit once.
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

    QWidget* Panel1 = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QComboBox* DateCombo = nullptr;
    QListWidget* DatList = nullptr;
    QListWidget* TimeCombo = nullptr;
    QLabel* DLlabel = nullptr;

    // Named pages and nested page controls of PageControl1 ("TabSheet2", "PageControl12" …).
    QWidget* page(const QString& name) const;

    QAction* maeuriMenu = nullptr;
    QAction* backtestMenu = nullptr;
    TBacktestForm* backtestForm() const { return m_backtestForm; }
    QAction* stdevSample = nullptr;
    QAction* stdevPopulation = nullptr;

Q_SIGNALS:
    void firstShown(bool serviceReady);

private:
    void buildMenus();
    QWidget* buildButtonBar();
    QWidget* buildLeftPanel();
    void buildPages();
    void label1Changed() override;
    void JVBtnClick();
    void statusLabelChanged() override;
    void momentViewChanged() override;
    void oddsWatchChanged() override;
    void VersionBtnClick();
    void MoversBtnClick();
    void AlertsBtnClick();

    MainWindowModel& m_model;
    QtHost& m_host;
    bool m_shown = false;
    RaceHeaderPanel* m_header = nullptr;
    RacePanel* m_racePanel = nullptr;
    MainPages* m_mainPages = nullptr;
    QLabel* m_copyNotice = nullptr;
    QLabel* m_transientText = nullptr;
    OddsWatchBar* m_watchBar = nullptr;         // in the status bar
    QLabel* m_serviceLabel = nullptr;           // in the status bar, "シミュレーション"
    TAlertListForm* m_alertForm = nullptr;      // made with the window, shown when asked
    TMoversForm* m_moversForm = nullptr;        // made when first opened, kept
    TOzGetForm* m_ozGetForm = nullptr;          // lives as long as the main window
    TTokuteiJikokuForm* m_tokuteiForm = nullptr;
    TBacktestForm* m_backtestForm = nullptr;    // lives as long as the main window
};

} // namespace tidemark::gui
