#include "presentation/results_panel_model.h"

#include "text/cp932.h"
#include "text/file_io.h"

namespace tidemark {

ResultsPanelModel::ResultsPanelModel(Host& host, MainPanelModel& panel) : m_host(host), m_main(panel) {}

void ResultsPanelModel::payoutTablesCleared() { m_payouts.clear(); }

int ResultsPanelModel::selectedSlot() const
{
    const ListState& races = m_main.DatList();
    const int index = races.itemIndex;
    const auto& entries = m_main.raceEntries();
    if (index < 0 || index >= races.count() || index >= static_cast<int>(entries.size()))
        return -1;
    return entries[static_cast<std::size_t>(index)].slot;
}

void ResultsPanelModel::HrReadBtnClick()
{
    results::PayoutImportResult result;
    try {
        result = results::importDayPayouts(m_main.dayTable(), m_payouts, m_main.dayFiles(), selectedSlot());
    } catch (const text::FileError& e) {
        m_host.beep();
        m_host.message(text::fromUtf8(e.what()));
        return;
    }
    if (result.raceCardsMoved && !m_reloading && m_main.DateCombo().itemIndex >= 0) {
        // The race list was built from other race cards: load the day again so that
        // every entry opens its own race (the reload imports the payouts once more).
        m_reloading = true;
        m_main.loadDay();
        m_reloading = false;
        return;
    }
    if (result.selectedArrived && selectedSlot() >= 0)
        m_main.openRace();
}

const results::PayoutTable& ResultsPanelModel::currentPayouts() const
{
    const analysis::RaceSlot* slot = m_main.currentSlot();
    if (!slot)
        return m_payouts.table(-1);
    return m_payouts.table(m_main.dayTable().currentRace);
}

void ResultsPanelModel::showRaceResults()
{
    m_panel.show(currentPayouts());
    notify();
}

std::vector<int> ResultsPanelModel::winningBracketPairs() const
{
    return results::winningPairs(currentPayouts(), results::PayoutKind::BracketQuinella);
}

std::vector<int> ResultsPanelModel::winningQuinellaPairs() const
{
    return results::winningPairs(currentPayouts(), results::PayoutKind::Quinella);
}

void ResultsPanelModel::notify()
{
    if (m_observer)
        m_observer->resultsPanelChanged();
}

} // namespace tidemark
