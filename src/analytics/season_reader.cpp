#include "analytics/season_reader.h"

#include <algorithm>

#include "records/record_view.h"

namespace tidemark::analytics {

std::optional<text::DateTime> dateOfYmd(std::string_view s)
{
    if (s.size() != 8 || !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const records::RecordView digits(s);
    const int year = static_cast<int>(digits.number(1, 4));
    const int month = static_cast<int>(digits.number(5, 2));
    const int day = static_cast<int>(digits.number(7, 2));
    if (!text::isValidDate(year, month, day))
        return std::nullopt;
    return text::DateTime{year, month, day, 0, 0, 0};
}

std::vector<std::string> storedDaysInRange(const store::StoreLayout& layout, std::string_view fromYmd,
                                           std::string_view toYmd)
{
    std::vector<std::string> days;
    for (std::string& label : layout.dayLabels()) {
        const std::optional<std::string> date = store::dateOfDayLabel(label);
        if (!date || *date < fromYmd || *date > toYmd)
            continue;
        // "Data" and a copied "DATA" folder, or ".nvRA" and ".NVRA", name one day once.
        if (days.empty() || days.back() != label)
            days.push_back(std::move(label));
    }
    return days;
}

void StoredDay::load(const store::StoreLayout& layout, std::string_view dayLabel)
{
    m_label = std::string(dayLabel);
    m_date = store::dateOfDayLabel(dayLabel).value_or(std::string());
    m_races.clear();
    const analysis::DayFiles day = analysis::dayFiles(layout, dayLabel);

    // The day load of the main window: race cards and runners, the payout import,
    // then the values derived from the records.
    analysis::clearDayRecords(m_table);
    m_table.resetDay();
    m_payouts.clear();
    const analysis::DayRead read = analysis::readDayFile(m_table, day);
    results::importDayPayouts(m_table, m_payouts, day, -1);
    analysis::deriveRaceRecords(m_table);

    for (const analysis::RaceListEntry& entry : read.races) {
        const std::string& ra = m_table.slots[static_cast<std::size_t>(entry.slot)].raRecord;
        const records::RaView view(ra);
        if (!view.hasSafeKey())
            continue;
        StoredRace race;
        race.slot = entry.slot;
        race.raceKey = std::string(view.raceKey());
        race.odds = analysis::raceOddsFiles(layout, ra);
        race.hasPayouts = m_payouts.payoutsLoaded(entry.slot);
        m_races.push_back(std::move(race));
    }
}

} // namespace tidemark::analytics
