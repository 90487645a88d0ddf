// The specific-time CSV export over an arbitrary store: part 0 is the .nvRA file of
// 2024年01月15日, then for each race card that names its odds files one .nvO1 and one
// .nvO2 file (parts 1, 2 for the first such race, 3, 4 for the next …); the last byte
// of the input picks the moment and the item. The export may write only into CSV, must
// leave Data as it was, and succeeds or reports a file error.

#include "analysis/race_calendar.h"
#include "fuzz_support.h"
#include "results/specific_time_export.h"
#include "store/record_reader.h"
#include "text/file_io.h"

#include <cstddef>
#include <cstdint>
#include <map>

using namespace tidemark;

namespace {

std::map<std::string, std::string> filesUnder(const std::filesystem::path& folder)
{
    std::map<std::string, std::string> out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder))
        if (!e.is_directory())
            out[e.path().string()] = text::readFile(e.path());
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzz::Scratch scratch;
    const auto parts = fuzz::splitParts(data, size);
    const store::StoreLayout layout(scratch.fresh());
    layout.createFolders();

    const std::string label = *store::dayLabelOfDate("20240115");
    text::writeFileAtomic(layout.raFile(label), fuzz::partOr(parts, 0));
    std::size_t next = 1;
    for (const std::string& ra : store::readDayRaces(layout.raFile(label))) {
        const auto o1 = layout.fileOf(store::StoreKind::O1, ra);
        const auto o2 = layout.fileOf(store::StoreKind::O2, ra);
        if (!o1 || !o2 || next + 1 >= parts.size())
            continue;
        text::ensureDirectory(o1->parent_path());
        text::writeFileAtomic(*o1, parts[next]);
        text::writeFileAtomic(*o2, parts[next + 1]);
        next += 2;
    }
    const auto before = filesUnder(layout.dataFolder());

    // One day table for the process, cleared as the window clears its own for each day
    // it opens (its 96 slots are costly to build).
    static analysis::DayTable table;
    analysis::clearDayRecords(table);
    table.resetDay();
    const analysis::DayRead read = analysis::readDayFile(table, analysis::dayFiles(layout, label));
    results::ExportDay day;
    for (int s = 0; s < table.raceCount; ++s)
        day.slotRaceCards.push_back(table.slots[static_cast<std::size_t>(s)].raRecord);
    day.listedRaces = read.races.size();

    const unsigned f = size ? data[size - 1] : 0u;
    results::ExportChoice choice;
    choice.item = (f & 1) ? results::ExportItem::Popularity : results::ExportItem::Odds;
    choice.moment.kind = static_cast<results::MomentKind>((f >> 1) % 3);
    choice.moment.hour = static_cast<int>((f >> 3) % 24);
    choice.moment.minute = static_cast<int>(f % 60);
    choice.moment.minutesBeforePost = static_cast<int>(f % 120);
    fuzz::NullHost host;
    const results::ExportResult result = results::runSpecificTimeExport(layout, day, choice, host);

    if (filesUnder(layout.dataFolder()) != before)
        fuzz::broken("the export changed the store");
    for (const auto& p : result.written)
        if (p.parent_path() != layout.csvFolder())
            fuzz::broken("an export file outside CSV");
    for (const auto& e : std::filesystem::directory_iterator(layout.programFolder()))
        if (e.path() != layout.dataFolder() && e.path() != layout.csvFolder())
            fuzz::broken("the export wrote beside Data and CSV");
    scratch.checkNothingOutside();
    return 0;
}
