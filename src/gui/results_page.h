#pragma once
// The results page "成績結果": one box per bet kind, its payout rows as named labels whose
// texts come from the results model.

#include <QWidget>

#include <map>
#include <string>

#include "presentation/results_panel_model.h"

class QLabel;

namespace tidemark::gui {

class ResultsPage : public QWidget, public ResultsPanelObserver {
    Q_OBJECT
public:
    ResultsPage(ResultsPanelModel& model, QWidget* parent = nullptr);
    ~ResultsPage() override;

    void resultsPanelChanged() override;

private:
    ResultsPanelModel& m_model;
    std::map<std::string, QLabel*, std::less<>> m_labels;
};

} // namespace tidemark::gui
