#pragma once
// The left-hand panel of the main window (DateCombo, DatList, TimeCombo and their
// buttons) and the race header above the pages. Both show MainPanelModel and forward
// every click to the handler of the same name.

#include <QWidget>

#include <array>

#include "presentation/main_panel_model.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSpinBox;
class QToolButton;

namespace tidemark::gui {

class RaceHeaderPanel : public QWidget {
    Q_OBJECT
public:
    explicit RaceHeaderPanel(QWidget* parent = nullptr);
    void show(const MainPanelLabels& labels);

    QLabel* BashoLabel = nullptr;
    QLabel* RaceLabel = nullptr;
    std::array<QLabel*, 4> TitleLabel{};
    QLabel* CurJikokuLabel = nullptr;
    std::array<QLabel*, 4> votesLabel{}; // ThyokeiLabel, FhyokeiLabel, WhyokeiLabel, UhyokeiLabel
};

class RacePanel : public QWidget, public MainPanelObserver {
    Q_OBJECT
public:
    RacePanel(MainPanelModel& model, RaceHeaderPanel& header, QWidget* parent = nullptr);

    QComboBox* DateCombo = nullptr;
    QListWidget* DatList = nullptr;
    QListWidget* TimeCombo = nullptr;
    QLabel* DLlabel = nullptr;
    QLabel* Label3Dj2 = nullptr;
    std::array<QLabel*, 3> JikokuLabel{};
    std::array<QToolButton*, 3> SpeedButton{}; // SpeedButton3-5
    QSpinBox* UpDown1 = nullptr;

    // MainPanelObserver
    void dateListChanged() override;
    void raceListChanged() override;
    void timeListChanged() override;
    void labelsChanged() override;
    void timeButtonsChanged() override;
    void panelsChanged() override;

Q_SIGNALS:
    // Panel1 / PageControl1 shown or hidden.
    void panelsVisibilityChanged();

private:
    QWidget* buildRaceBox();
    QWidget* buildTimeBox();
    // Runs a handler of the model; a file error of the platform ends it with its message.
    template <class F>
    void run(F&& handler);

    MainPanelModel& m_model;
    RaceHeaderPanel& m_header;
    QButtonGroup* m_timeGroup = nullptr;
    bool m_updating = false; // the view is writing the model's state into its widgets
};

} // namespace tidemark::gui
