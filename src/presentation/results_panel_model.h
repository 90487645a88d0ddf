#pragma once
// The results page "成績結果" and the payout import of the main window, without widgets.
// It works on the day model of the main panel: the main window model forwards three
// steps of the day load and the race opening to it —
//
//   RaceViewSteps::payoutTablesCleared() -> payoutTablesCleared()  (with resetDay)
//   RaceViewSteps::importPayouts()       -> HrReadBtnClick()       (day load, step 10)
//   RaceViewSteps::resultsLabels()       -> showRaceResults()      (race opening)
//
// and calls HrReadBtnClick() itself after every results fetch (button "結果情報" and
// the results timer). When the payouts of the selected race have just arrived, the
// import opens the race again, which refills the page through showRaceResults().

#include <string>
#include <string_view>
#include <vector>

#include "host/host.h"
#include "presentation/main_panel_model.h"
#include "results/payout_import.h"
#include "results/results_panel.h"

namespace tidemark {

class ResultsPanelObserver {
public:
    virtual ~ResultsPanelObserver() = default;
    virtual void resultsPanelChanged() {} // the entry labels of the page
};

class ResultsPanelModel {
public:
    ResultsPanelModel(Host& host, MainPanelModel& panel);

    void setObserver(ResultsPanelObserver* observer) { m_observer = observer; }

    // The day reset: every payout table empty, no race has its payouts.
    void payoutTablesCleared();
    // "払戻取込": imports the selected day's results and payouts (race cards, runners,
    // final results, payouts matched by race key, every payout table rebuilt); opens
    // the selected race again when its payouts have just arrived. A file that cannot be
    // read ends the import with the platform's message (beep, message box).
    void HrReadBtnClick();
    // The race opening's results step: clears the page and shows the payouts of the
    // open race.
    void showRaceResults();

    // --- state shown by the view -------------------------------------------------
    const results::ResultsPanel& panel() const { return m_panel; }
    // Text of an entry label by its name ("Label3D19", "UTHLabel6" …).
    const std::string& labelText(std::string_view name) const { return m_panel.labelText(name); }
    const results::DayPayouts& payouts() const { return m_payouts; }
    // The payouts of the open race (empty when no race is open).
    const results::PayoutTable& currentPayouts() const;
    // The winning bracket-quinella / quinella pairs of the open race (pair indices) that
    // the time-series odds grids mark in their headers.
    std::vector<int> winningBracketPairs() const;
    std::vector<int> winningQuinellaPairs() const;

private:
    int selectedSlot() const; // slot of the race selected in the race list, -1 when none
    void notify();

    Host& m_host;
    MainPanelModel& m_main;
    ResultsPanelObserver* m_observer = nullptr;
    results::DayPayouts m_payouts;
    results::ResultsPanel m_panel;
    bool m_reloading = false;
};

} // namespace tidemark
