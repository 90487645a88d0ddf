#include "analysis/race_calendar.h"

#include <algorithm>
#include <stdexcept>

#include "records/keiba_func_nv.h"
#include "records/record_view.h"
#include "store/record_reader.h"
#include "text/cp932.h"
#include "text/file_io.h"
#include "text/number_format.h"
#include "text/text_functions.h"

namespace tidemark::analysis {

namespace {

using text::bytesAt;

std::string trackName2(std::string_view code) { return KeibaFuncNV::TrackName(code, 2); }

} // namespace

std::vector<std::string> buildDateList(const store::StoreLayout& layout)
{
    std::vector<std::string> labels = layout.dayLabels();
    std::reverse(labels.begin(), labels.end());
    return labels;
}

int newestDayNotAfter(const std::vector<std::string>& labels, std::string_view todayYmd)
{
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const std::string& l = labels[i];
        std::string ymd;
        ymd.append(bytesAt(l, 1, 4)).append(bytesAt(l, 7, 2)).append(bytesAt(l, 11, 2));
        if (ymd <= todayYmd)
            return static_cast<int>(i);
    }
    return static_cast<int>(labels.size());
}

std::string dayLabelOf(int year, int month, int day)
{
    return text::formatZeroPad(year, 4) + text::sj("年") + text::formatZeroPad(month, 2) + text::sj("月") +
           text::formatZeroPad(day, 2) + text::sj("日");
}

DayFiles dayFiles(const store::StoreLayout& layout, std::string_view dayLabel)
{
    DayFiles d;
    d.label = std::string(dayLabel);
    d.layout = &layout;
    try {
        d.dayFile = layout.raFile(dayLabel);
        d.payoutFile = layout.hrFile(dayLabel);
    } catch (const std::invalid_argument&) {
        d.dayFile.clear();
        d.payoutFile.clear();
    }
    return d;
}

std::filesystem::path DayFiles::runnerFile(std::string_view trackCode) const
{
    if (!layout || dayFile.empty())
        return {};
    try {
        return layout->seFile(label, trackCode);
    } catch (const std::invalid_argument&) {
        return {};
    }
}

std::string raceListText(std::string_view ra)
{
    return trackName2(bytesAt(ra, 20, 2)) + text::rightNumber(bytesAt(ra, 26, 2)) + "R";
}

std::string raceRecordLabel(std::string_view ra)
{
    std::string s;
    s.append(bytesAt(ra, 12, 4)).append(text::sj("年")).append(bytesAt(ra, 16, 2)).append(text::sj("月"));
    s.append(bytesAt(ra, 18, 2)).append(text::sj("日")).append(trackName2(bytesAt(ra, 20, 2)));
    s.append(bytesAt(ra, 22, 2)).append(text::sj("回")).append(bytesAt(ra, 24, 2)).append(text::sj("日"));
    s.append(bytesAt(ra, 26, 2)).append("R");
    if (s.size() > 30)
        s.resize(30);
    return s;
}

bool isListedRace(std::string_view ra)
{
    std::string_view year = bytesAt(ra, 12, 4);
    return !text::trim(year).empty() && year != "0000";
}

void clearDayRecords(DayTable& table)
{
    for (RaceSlot& s : table.slots) {
        s.raRecord.assign(kRaSize, ' ');
        s.hrRecord.assign(kHrSize, ' ');
        s.o1Selected.assign(kO1Size, ' ');
        s.o2Selected.assign(kO2Size, ' ');
        // Runners of the previous day must not show under a race without a runner file.
        s.clearSeRecords();
    }
    table.raceCount = 0;
}

DayRead readDayFile(DayTable& table, const DayFiles& day)
{
    DayRead read;
    std::vector<std::string> ras;
    if (!day.dayFile.empty())
        store::tryReadRecords(day.dayFile, store::StoreKind::RA, ras, kRaceSlots);
    table.raceCount = static_cast<int>(ras.size());

    // Runner files are read once per track, not once per race.
    struct TrackRunners {
        std::string code;
        bool found = false;
        std::vector<std::string> lines;
    };
    std::vector<TrackRunners> tracks;

    for (std::size_t i = 0; i < ras.size(); ++i) {
        RaceSlot& slot = table.slots[i];
        slot.raRecord = std::move(ras[i]);
        const std::string& ra = slot.raRecord;
        if (isListedRace(ra))
            read.races.push_back({raceListText(ra), static_cast<int>(i)});

        const std::string code(bytesAt(ra, 20, 2));
        auto t = std::find_if(tracks.begin(), tracks.end(), [&](const TrackRunners& x) { return x.code == code; });
        if (t == tracks.end()) {
            TrackRunners tr{code, false, {}};
            const std::filesystem::path se = day.runnerFile(code);
            tr.found = !se.empty() && store::tryReadRecords(se, store::StoreKind::SE, tr.lines, store::kRunnerSlots);
            tracks.push_back(std::move(tr));
            t = tracks.end() - 1;
        }
        if (!t->found)
            continue;
        read.runnersFound = true;
        const records::RaView card(ra);
        const int race = card.raceNumber();
        const int runners = std::clamp(card.runnerCount(), 0, kMaxHorses);
        if (race < 1)
            continue; // a race without a number has no runner slots
        for (int j = 0; j < runners; ++j) {
            const std::size_t at = static_cast<std::size_t>(race - 1) * kMaxHorses + static_cast<std::size_t>(j);
            if (at >= t->lines.size())
                break;
            std::string& se = slot.seRecords[static_cast<std::size_t>(j + 1)];
            se = t->lines[at];
            if (records::SeView(se).horseNumber() < 1)
                slot.record.numbersPending = true;
        }
    }
    return read;
}

bool readPayoutFile(DayTable& table, const DayFiles& day)
{
    std::vector<std::string> hrs;
    if (day.payoutFile.empty() || !store::tryReadRecords(day.payoutFile, store::StoreKind::HR, hrs, kRaceSlots))
        return false;
    for (std::string& hr : hrs) {
        for (int i = 0; i < table.raceCount; ++i) {
            RaceSlot& slot = table.slots[static_cast<std::size_t>(i)];
            if (bytesAt(slot.raRecord, 20, 2) == bytesAt(hr, 20, 2) &&
                bytesAt(slot.raRecord, 26, 2) == bytesAt(hr, 26, 2)) {
                slot.hrRecord = hr;
                break;
            }
        }
    }
    return true;
}

void deriveRaceRecord(RaceSlot& slot)
{
    RaceRecord& r = slot.record;
    for (int h = 1; h <= kMaxHorses; ++h) {
        const records::SeView se(slot.seRecords[static_cast<std::size_t>(h)]);
        r.finishPosition[h] = se.finishPosition();
        r.finalPopularity[h] = se.finalWinPopularity();
        r.finalWinOdds[h] = se.finalWinOdds();
    }
    r.label = raceRecordLabel(slot.raRecord);
    r.runnerCount = std::clamp(records::RaView(slot.raRecord).runnerCount(), 0, kMaxHorses);
}

void deriveRaceRecords(DayTable& table)
{
    for (RaceSlot& slot : table.slots)
        deriveRaceRecord(slot);
}

int nextRaceEntry(const DayTable& table, const std::vector<RaceListEntry>& races, std::string_view nowHhmm)
{
    std::int64_t best = 10000;
    int found = -1;
    for (std::size_t n = 0; n < races.size(); ++n) {
        if (!table.validSlot(races[n].slot))
            continue;
        std::string_view post = bytesAt(table.slots[static_cast<std::size_t>(races[n].slot)].raRecord, 874, 4);
        if (!(nowHhmm < post))
            continue;
        const std::int64_t d = text::readInt(post) - text::readInt(nowHhmm);
        if (d < best) {
            best = d;
            found = static_cast<int>(n);
        }
    }
    return found;
}

} // namespace tidemark::analysis
