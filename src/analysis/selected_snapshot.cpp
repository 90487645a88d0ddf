#include "analysis/selected_snapshot.h"

#include <algorithm>

#include "analysis/odds_values.h"
#include "records/record_view.h"
#include "text/cp932.h"
#include "text/file_io.h"

namespace tidemark::analysis {

namespace {

// A stored line as a whole record: blank-padded to the record length, with its line end.
std::string asRecord(std::string_view line, std::size_t size)
{
    std::string r(line.substr(0, std::min(line.size(), size - 2)));
    r.resize(size - 2, ' ');
    r += "\r\n";
    return r;
}

int findMoment(std::span<const std::string_view> lines, std::string_view key)
{
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (announcementTime(lines[i]) == key)
            return static_cast<int>(i);
    return -1;
}

std::string hhmmOf(std::string_view record)
{
    return std::string(text::trim(text::bytesAt(record, 32, 4)));
}

// The selected-moment fields and records back to none.
void clearSelected(RaceSlot& slot)
{
    slot.record.resetSelectedMoment();
    slot.o1Selected.assign(kO1Size, ' ');
    slot.o2Selected.assign(kO2Size, ' ');
    slot.record.o1Time.clear();
    slot.record.o2Time.clear();
}

} // namespace

std::string noWinPlaceOddsText() { return text::sj("該当レースの単複枠オッズが見つかりません。"); }
std::string noQuinellaOddsText() { return text::sj("該当レースの馬連オッズが見つかりません。"); }

int parseSelectedOdds(RaceSlot& slot)
{
    RaceRecord& r = slot.record;
    const records::O1View o1(std::string_view(slot.o1Selected).substr(0, records::kO1LineLength));
    const records::O2View o2(std::string_view(slot.o2Selected).substr(0, records::kO2LineLength));
    const int runners = std::clamp(r.runnerCount, 0, kMaxHorses);
    int priced = 0;
    for (int h = 1; h <= runners; ++h) {
        const records::OddsField win = o1.win(h);
        const records::OddsField low = o1.placeLow(h);
        r.winOdds[h] = win.value();
        if (win.isEntry())
            ++priced;
        r.placeLowOdds[h] = low.value();
        // The upper place price is read only beside a lower price; a cancelled or
        // blank lower field stands for both.
        if (low.isEntry()) {
            const records::OddsField high = o1.placeHigh(h);
            r.placeHighOdds[h] = high.hasNumber() ? high.value() : 0.0;
        } else {
            r.placeHighOdds[h] = r.placeLowOdds[h];
        }
    }
    for (int k = 1; k <= kBracketPairs; ++k)
        r.bracketOdds[k] = o1.bracketQuinella(k).value();
    for (int k = 1; k <= kQuinellaPairs; ++k)
        r.quinellaOdds[k] = o2.quinella(k).value();
    r.o1Time = hhmmOf(slot.o1Selected);
    r.o2Time = hhmmOf(slot.o2Selected);
    return priced;
}

SelectedSnapshot loadSelectedSnapshot(RaceSlot& slot, const RaceOddsFiles& files, std::string_view key)
{
    std::string o1Bytes;
    std::vector<std::string_view> o1;
    if (!readOddsLineViews(files.o1, o1Bytes, o1)) {
        clearSelected(slot);
        SelectedSnapshot result;
        result.outcome = SelectedSnapshot::Outcome::NoWinPlaceOdds;
        return result;
    }
    // An O2 file without records is as good as none.
    std::string o2Bytes;
    std::vector<std::string_view> o2;
    readOddsLineViews(files.o2, o2Bytes, o2);
    return loadSelectedSnapshot(slot, o1, o2, key);
}

SelectedSnapshot loadSelectedSnapshot(RaceSlot& slot, std::span<const std::string_view> o1,
                                      std::span<const std::string_view> o2, std::string_view key)
{
    SelectedSnapshot result;
    clearSelected(slot);
    int k = findMoment(o1, key);
    if (k >= 0) {
        slot.o1Selected = asRecord(o1[static_cast<std::size_t>(k)], kO1Size);
        result.o1Found = true;
    } else {
        k = static_cast<int>(o1.size());
    }

    if (!o2.empty()) {
        int m = findMoment(o2, key);
        if (m < 0)
            m = std::min(k, static_cast<int>(o2.size()) - 1);
        slot.o2Selected = asRecord(o2[static_cast<std::size_t>(m)], kO2Size);
    } else if (slot.record.runnerCount > 8) {
        result.outcome = SelectedSnapshot::Outcome::NoQuinellaOdds;
        return result;
    }

    result.pricedHorses = parseSelectedOdds(slot);
    return result;
}

} // namespace tidemark::analysis
