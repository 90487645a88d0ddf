#include "analysis/snapshot_series.h"

#include <stdexcept>

#include "settings/settings_keys.h"
#include "text/cp932.h"
#include "text/file_io.h"
#include "text/number_format.h"

namespace tidemark::analysis {

RaceOddsFiles raceOddsFiles(const store::StoreLayout& layout, std::string_view ra)
{
    const std::string key(text::bytesAt(ra, 12, 16));
    if (!store::hasStorableKey(ra))
        return {};
    try {
        return {layout.oddsFile(store::StoreKind::O1, key), layout.oddsFile(store::StoreKind::O2, key)};
    } catch (const std::invalid_argument&) {
        return {};
    }
}

bool readOddsLineViews(const std::filesystem::path& file, std::string& bytes, std::vector<std::string_view>& lines)
{
    lines.clear();
    if (file.empty() || !text::tryReadFile(file, bytes))
        return false;
    splitOddsLines(bytes, lines);
    return true;
}

void splitOddsLines(std::string_view bytes, std::vector<std::string_view>& lines)
{
    lines.clear();
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos)
            end = bytes.size();
        std::string_view line(bytes.data() + start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty())
            lines.push_back(line);
        start = end + 1;
    }
}

bool readOddsLines(const std::filesystem::path& file, SnapshotList& lines)
{
    lines.clear();
    std::string bytes;
    std::vector<std::string_view> views;
    if (!readOddsLineViews(file, bytes, views))
        return false;
    lines.reserve(views.size());
    for (std::string_view line : views)
        lines.emplace_back(line);
    return true;
}

std::string_view announcementTime(std::string_view snapshot) { return text::bytesAt(snapshot, 28, 8); }
std::string_view creationDate(std::string_view snapshot) { return text::bytesAt(snapshot, 4, 8); }

std::string timeListText(std::string_view s)
{
    using text::bytesAt;
    std::string out;
    out.append(bytesAt(s, 28, 2)).append("/").append(bytesAt(s, 30, 2)).append(" ");
    out.append(bytesAt(s, 32, 2)).append(":").append(bytesAt(s, 34, 2));
    return out;
}

std::string momentKeyOfTimeText(std::string_view t)
{
    using text::bytesAt;
    std::string key;
    key.append(bytesAt(t, 1, 2)).append(bytesAt(t, 4, 2)).append(bytesAt(t, 7, 2)).append(bytesAt(t, 10, 2));
    return key;
}

std::string hourMinuteText(std::string_view s)
{
    std::string out(text::bytesAt(s, 32, 2));
    out.append(":").append(text::bytesAt(s, 34, 2));
    return out;
}

void applyFirstDataCut(SnapshotList& list, std::string_view raceMonthDay, int firstTime, CutCompare how)
{
    const std::string cutoffText = std::string(raceMonthDay) + text::formatZeroPad(firstTime, 4);
    const std::int64_t cutoff = text::readInt(cutoffText);
    std::size_t drop = 0;
    while (list.size() - drop >= 2) {
        std::string_view at = announcementTime(list[drop]);
        bool early = false;
        switch (how) {
        case CutCompare::AsNumber:
            early = text::readInt(at) < cutoff;
            break;
        case CutCompare::AsText:
            early = at < std::string_view(cutoffText);
            break;
        }
        if (!early)
            break;
        ++drop;
    }
    list.erase(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(drop));
}

void applyAdvanceSaleRule(SnapshotList& list)
{
    if (list.empty())
        return;
    const std::string lastDate(creationDate(list.back()));
    std::size_t drop = 0;
    while (drop < list.size() && creationDate(list[drop]) != lastDate)
        ++drop;
    list.erase(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(drop));
}

SeriesOptions readSeriesOptions(const IniFile& ini)
{
    SeriesOptions o;
    o.ignoreFirstTime = settings::TimeIgnoFirstTime.read(ini);
    if (!o.ignoreFirstTime)
        o.firstTime = settings::TimeFirst.read(ini);
    o.timePoints.ignoreAdvanceSale = settings::MaeUriIgnore.read(ini);
    o.timePoints.notUse = settings::TimeNotUse.read(ini);
    if (!o.timePoints.notUse) {
        o.timePoints.firstMinutes = settings::TimeFirst1.read(ini);
        o.timePoints.secondMinutes = settings::TimeSecond2.read(ini);
        o.timePoints.thirdMinutes = settings::TimeThird3.read(ini);
    }
    return o;
}

void SnapshotSeries::clear()
{
    o1Snapshots.clear();
    o2Snapshots.clear();
    chosenO1.clear();
    chosenO2.clear();
    o1FileFound = o2FileFound = false;
}

bool readSeries(SnapshotSeries& s, OddsFile which, const RaceOddsFiles& files, std::string_view ra,
                std::string_view raceDay, const SeriesOptions& options)
{
    const bool o1 = which == OddsFile::O1;
    SnapshotList& list = o1 ? s.o1Snapshots : s.o2Snapshots;
    SnapshotList& chosen = o1 ? s.chosenO1 : s.chosenO2;
    list.clear();
    chosen.clear();
    const bool found = readOddsLines(o1 ? files.o1 : files.o2, list);
    (o1 ? s.o1FileFound : s.o2FileFound) = found;
    if (!found)
        return false;
    if (!options.ignoreFirstTime)
        applyFirstDataCut(list, text::bytesAt(ra, 16, 4), options.firstTime, o1 ? CutCompare::AsNumber : CutCompare::AsText);
    if (!list.empty()) {
        if (options.timePoints.ignoreAdvanceSale)
            applyAdvanceSaleRule(list);
        chosen = chooseTimePoints(list, text::bytesAt(ra, 874, 4), raceDay, options.timePoints).lines(list);
    }
    return true;
}

SnapshotSeries openRaceSeries(const RaceOddsFiles& files, std::string_view ra, std::string_view raceDay,
                              const SeriesOptions& options)
{
    SnapshotSeries s;
    readSeries(s, OddsFile::O1, files, ra, raceDay, options);
    readSeries(s, OddsFile::O2, files, ra, raceDay, options);
    return s;
}

} // namespace tidemark::analysis
