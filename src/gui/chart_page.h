#pragma once
// The page "グラフ" (TabSheet42): PageControl14 with the odds, vote-share and win–place
// difference pages, each chart a ChartWidget over its state in the chart model.
// Everything shown comes from ChartModel; every click, tick and slider move goes to the
// model's handler of the same name.

#include <QWidget>

#include <array>
#include <vector>

#include "presentation/chart_model.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QListWidget;
class QRadioButton;
class QSlider;
class QTabWidget;
class QVBoxLayout;

namespace tidemark::gui {

class ChartWidget;

class ChartPage : public QWidget, public presentation::ChartObserver {
    Q_OBJECT
public:
    explicit ChartPage(presentation::ChartModel& model, QWidget* parent = nullptr);
    ~ChartPage() override;

    // Everything again from the model: lists, groups, sliders, every chart.
    void refresh();

    ChartWidget* chart(presentation::ChartId chart) const { return m_charts[slot(chart)]; }
    QListWidget* checkList(presentation::ChartList list) const;
    // RadioGroup6 / RadioGroup9: the horse selectors.
    QButtonGroup* horseGroup(presentation::ChartList list) const;
    QSlider* slider(presentation::AxisGroup group) const { return m_sliders[index(group)]; }
    QLabel* maxYLabel(presentation::AxisGroup group) const { return m_maxLabels[index(group)]; }
    QButtonGroup* axisKindGroup(presentation::AxisGroup group) const { return m_axisGroups[index(group)]; }
    QButtonGroup* RadioGroup2() const { return m_modeGroup; }

    QTabWidget* PageControl14 = nullptr;
    QTabWidget* PageControl15 = nullptr;
    QTabWidget* PageControl3 = nullptr;

    // ChartObserver
    void chartChanged(presentation::ChartId chart) override;
    void axisChanged(presentation::ChartId chart) override;
    void selectionsChanged() override;
    void controlsChanged() override;

private:
    struct ListWidgets {
        QListWidget* list = nullptr;
        QGroupBox* radioBox = nullptr;   // RadioGroup6 / RadioGroup9
        QVBoxLayout* radioLayout = nullptr;
        QButtonGroup* radios = nullptr;
    };

    static constexpr int index(presentation::AxisGroup g) { return static_cast<int>(g); }
    static std::size_t slot(presentation::ChartId c) { return static_cast<std::size_t>(c); }
    static std::size_t slot(presentation::ChartList l) { return static_cast<std::size_t>(l); }

    QWidget* buildOddsOrSharePage(presentation::AxisGroup group, QTabWidget*& tabs);
    QWidget* buildDifferencePage();
    QWidget* buildAxisStrip(presentation::AxisGroup group);
    QWidget* buildChartTab(presentation::ChartId chart, presentation::ChartList list);
    QWidget* buildCheckList(presentation::ChartList list);
    QWidget* buildHorseGroup(presentation::ChartList list);
    ChartWidget* buildChart(presentation::ChartId chart);

    void showList(presentation::ChartList list);
    void showHorseGroup(presentation::ChartList list);

    presentation::ChartModel& m_model;
    // A chart lays itself out when it is painted: the charts not in front cost nothing
    // at a race opening.
    std::array<ChartWidget*, 11> m_charts{};
    std::array<ListWidgets, 11> m_lists;
    std::array<QSlider*, 3> m_sliders{};
    std::array<QLabel*, 3> m_maxLabels{};
    std::array<QButtonGroup*, 3> m_axisGroups{};
    std::array<QGroupBox*, 3> m_axisBoxes{};
    QButtonGroup* m_modeGroup = nullptr;
    bool m_updating = false; // the view is writing the model's state into its widgets
};

} // namespace tidemark::gui
