#include "results/payout_import.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "records/record_view.h"
#include "store/record_reader.h"
#include "text/cp932.h"

namespace tidemark::results {

namespace {

using analysis::kMaxHorses;
using analysis::kRaceSlots;
using analysis::RaceSlot;

const PayoutTable& emptyTable()
{
    static const PayoutTable table;
    return table;
}

bool validSlot(int slot) { return slot >= 0 && slot < kRaceSlots; }

RaceSlot& slotAt(analysis::DayTable& table, int slot) { return table.slots[static_cast<std::size_t>(slot)]; }

// Step 1: race cards and their runners. Returns whether the file was found.
bool readRaceCards(analysis::DayTable& table, const analysis::DayFiles& day, bool& moved)
{
    std::vector<std::string> cards;
    if (day.dayFile.empty() || !store::tryReadRecords(day.dayFile, store::StoreKind::RA, cards, kRaceSlots))
        return false;

    // Runner files of the day's tracks, each read once.
    struct TrackRunners {
        std::string code;
        bool found = false;
        std::vector<std::string> blocks;
    };
    std::vector<TrackRunners> tracks;
    auto runnersOf = [&](std::string_view code) -> const TrackRunners& {
        auto t = std::find_if(tracks.begin(), tracks.end(), [&](const TrackRunners& x) { return x.code == code; });
        if (t != tracks.end())
            return *t;
        TrackRunners tr{std::string(code), false, {}};
        const std::filesystem::path file = day.runnerFile(code);
        tr.found = !file.empty() && store::tryReadRecords(file, store::StoreKind::SE, tr.blocks, store::kRunnerSlots);
        tracks.push_back(std::move(tr));
        return tracks.back();
    };

    // Read every runner file before changing a slot, so an unreadable one leaves the
    // slots as they were.
    for (const std::string& card : cards) {
        const records::RaView ra(card);
        if (!text::trim(ra.yearText()).empty())
            runnersOf(ra.trackCode());
    }

    moved = static_cast<int>(cards.size()) != table.raceCount;
    for (std::size_t k = 0; k < cards.size(); ++k) {
        RaceSlot& slot = table.slots[k];
        if (records::RaView(slot.raRecord).raceKey() != records::RaView(cards[k]).raceKey())
            moved = true;
        slot.raRecord = std::move(cards[k]);
        const records::RaView ra(slot.raRecord);
        if (text::trim(ra.yearText()).empty())
            continue; // not a race: no runners
        const TrackRunners& runners = runnersOf(ra.trackCode());
        const int race = ra.raceNumber();
        if (!runners.found || race < 1)
            continue;
        const int count = std::clamp(ra.runnerCount(), 0, kMaxHorses);
        for (int j = 0; j < count; ++j) {
            const std::size_t at = static_cast<std::size_t>(race - 1) * kMaxHorses + static_cast<std::size_t>(j);
            if (at >= runners.blocks.size())
                break;
            slot.seRecords[static_cast<std::size_t>(j + 1)] = runners.blocks[at];
        }
    }
    table.raceCount = static_cast<int>(cards.size());
    return true;
}

// Step 2: the final results of every slot.
void takeResults(analysis::DayTable& table)
{
    for (RaceSlot& slot : table.slots) {
        for (int h = 1; h <= kMaxHorses; ++h) {
            const records::SeView se(slot.seRecords[static_cast<std::size_t>(h)]);
            slot.record.finishPosition[h] = se.finishPosition();
            slot.record.finalPopularity[h] = se.finalWinPopularity();
            slot.record.finalWinOdds[h] = se.finalWinOdds();
        }
    }
}

bool sameTrackAndRace(std::string_view a, std::string_view b)
{
    const records::RecordView x(a);
    const records::RecordView y(b);
    return x.trackCode() == y.trackCode() && x.raceNumberText() == y.raceNumberText();
}

} // namespace

void DayPayouts::clear()
{
    for (PayoutTable& t : m_tables)
        t.clear();
    m_loaded.fill(false);
}

const PayoutTable& DayPayouts::table(int slot) const
{
    return validSlot(slot) ? m_tables[static_cast<std::size_t>(slot)] : emptyTable();
}

bool DayPayouts::payoutsLoaded(int slot) const { return validSlot(slot) && m_loaded[static_cast<std::size_t>(slot)]; }

PayoutImportResult importDayPayouts(analysis::DayTable& table, DayPayouts& payouts, const analysis::DayFiles& day,
                                    int selectedSlot)
{
    PayoutImportResult result;
    result.raceCardsFound = readRaceCards(table, day, result.raceCardsMoved);
    takeResults(table);

    std::vector<std::string> blocks;
    if (day.payoutFile.empty() || !store::tryReadRecords(day.payoutFile, store::StoreKind::HR, blocks, kRaceSlots))
        return result;
    result.payoutFileFound = true;

    for (RaceSlot& slot : table.slots)
        slot.hrRecord.assign(analysis::kHrSize, ' ');

    const bool selected = validSlot(selectedSlot);
    for (std::string& block : blocks) {
        const std::string_view key = records::RecordView(block).raceKey();
        if (text::trim(key).empty())
            continue; // a blank line names no race
        for (int n = 0; n < kRaceSlots; ++n) {
            RaceSlot& slot = slotAt(table, n);
            if (records::RecordView(slot.raRecord).raceKey() != key)
                continue;
            if (selected && !payouts.payoutsLoaded(n) &&
                sameTrackAndRace(slot.raRecord, slotAt(table, selectedSlot).raRecord))
                result.selectedArrived = true;
            payouts.setPayoutsLoaded(n);
            slot.hrRecord = std::move(block);
            break;
        }
    }

    // Most slots of a day hold no race and so a blank payout record, whose table is
    // always the same: it is read once, not once per slot at every reload.
    static const PayoutTable blankTable = payoutTableOf(std::string(analysis::kHrSize, ' '));
    for (int n = 0; n < kRaceSlots; ++n) {
        const std::string& hr = slotAt(table, n).hrRecord;
        payouts.tableAt(n) = hr.find_first_not_of(' ') == std::string::npos && hr.size() == analysis::kHrSize
                                 ? blankTable
                                 : payoutTableOf(hr);
    }
    return result;
}

} // namespace tidemark::results
