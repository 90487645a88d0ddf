#include "store/store_layout.h"

#include "records/keiba_func_nv.h"
#include "records/record_view.h"
#include "text/cp932.h"
#include "text/file_io.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace tidemark::store {
namespace fs = std::filesystem;

namespace {

constexpr bool isDigit(char c) noexcept { return c >= '0' && c <= '9'; }

bool allDigits(std::string_view s) noexcept
{
    return std::all_of(s.begin(), s.end(), isDigit);
}

// A label becomes part of a file name: it must not be able to leave the store folder.
void requireNameSafe(std::string_view label)
{
    if (label.find('/') != std::string_view::npos || label.find('\0') != std::string_view::npos)
        throw std::invalid_argument("not a day label");
}

} // namespace

std::string_view kindId(StoreKind kind) noexcept
{
    switch (kind) {
    case StoreKind::RA: return "RA";
    case StoreKind::SE: return "SE";
    case StoreKind::HR: return "HR";
    case StoreKind::O1: return "O1";
    case StoreKind::O2: return "O2";
    }
    return "";
}

std::optional<std::size_t> runnerSlot(int race, int horse) noexcept
{
    if (race < 1 || race > kMaxSlotRaces || horse < 1 || horse > kMaxHorses)
        return std::nullopt;
    return static_cast<std::size_t>((race - 1) * kMaxHorses + (horse - 1));
}

bool hasStorableKey(std::string_view record) noexcept
{
    return record.size() >= 27 && records::hasSafeKey(record);
}

std::optional<std::string> dayLabelOfDate(std::string_view yyyymmdd)
{
    if (yyyymmdd.size() != 8 || !allDigits(yyyymmdd))
        return std::nullopt;
    std::string label(yyyymmdd.substr(0, 4));
    label += text::sj("年");
    label += yyyymmdd.substr(4, 2);
    label += text::sj("月");
    label += yyyymmdd.substr(6, 2);
    label += text::sj("日");
    return label;
}

std::optional<std::string> dayLabelOf(std::string_view record)
{
    if (record.size() < 19)
        return std::nullopt;
    return dayLabelOfDate(record.substr(11, 8));
}

std::optional<std::string> dateOfDayLabel(std::string_view dayLabel)
{
    if (dayLabel.size() != 14)
        return std::nullopt;
    std::string date;
    date += dayLabel.substr(0, 4);
    date += dayLabel.substr(6, 2);
    date += dayLabel.substr(10, 2);
    auto back = dayLabelOfDate(date);
    if (!back || *back != dayLabel)
        return std::nullopt;
    return date;
}

std::string dayLabelOfFileName(const fs::path& fileName)
{
    std::string cp932 = text::fromUtf8(text::utf8Path(fileName.filename()));
    return cp932.substr(0, std::min<std::size_t>(14, cp932.size()));
}

std::string trackFilePart(std::string_view trackCode)
{
    return KeibaFuncNV::TrackName(trackCode, 2);
}

StoreLayout::StoreLayout(fs::path programFolder) : m_programFolder(std::move(programFolder)) {}

// The folder `name` of the program folder, whatever the case of its existing spelling:
// the exact spelling when it exists, else the first existing case variant, else `name`.
fs::path StoreLayout::folder(std::string_view name) const
{
    fs::path exact = m_programFolder / text::pathFromUtf8(name);
    std::error_code ec;
    if (fs::is_directory(exact, ec))
        return exact;
    std::vector<fs::path> variants;
    for (fs::directory_iterator it(m_programFolder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeEc;
        if (it->is_directory(typeEc) && text::equalsNoCase(text::utf8Path(it->path().filename()), name))
            variants.push_back(it->path());
    }
    if (variants.empty())
        return exact;
    std::sort(variants.begin(), variants.end());
    return variants.front();
}

fs::path StoreLayout::dataFolder() const { return folder("Data"); }

fs::path StoreLayout::csvFolder() const { return folder("CSV"); }

void StoreLayout::createFolders() const
{
    text::ensureDirectory(dataFolder());
    text::ensureDirectory(csvFolder());
}

fs::path StoreLayout::dayFile(std::string_view dayLabel, std::string_view suffixCp932) const
{
    requireNameSafe(dayLabel);
    std::string name(dayLabel);
    name += suffixCp932;
    return dataFolder() / text::pathFromUtf8(text::toUtf8(name));
}

fs::path StoreLayout::raFile(std::string_view dayLabel) const { return dayFile(dayLabel, ".nvRA"); }

fs::path StoreLayout::hrFile(std::string_view dayLabel) const { return dayFile(dayLabel, ".nvHR"); }

fs::path StoreLayout::seFile(std::string_view dayLabel, std::string_view trackCode) const
{
    return dayFile(dayLabel, trackFilePart(trackCode) + ".nvSEr");
}

fs::path StoreLayout::oddsFolder(std::string_view yyyymmdd) const
{
    if (yyyymmdd.size() != 8 || !allDigits(yyyymmdd))
        throw std::invalid_argument("not a race date");
    return dataFolder() / std::string(yyyymmdd);
}

fs::path StoreLayout::oddsFile(StoreKind kind, std::string_view raceKey) const
{
    if (raceKey.size() != 16 || !allDigits(raceKey))
        throw std::invalid_argument("not a race key");
    std::string name(raceKey.substr(8, 8));
    switch (kind) {
    case StoreKind::O1: name += ".nvO1"; break;
    case StoreKind::O2: name += ".nvO2"; break;
    case StoreKind::RA:
    case StoreKind::SE:
    case StoreKind::HR:
        throw std::invalid_argument("not an odds kind");
    }
    return oddsFolder(raceKey.substr(0, 8)) / name;
}

std::optional<fs::path> StoreLayout::fileOf(StoreKind kind, std::string_view record) const
{
    if (!hasStorableKey(record))
        return std::nullopt;
    const std::string label = *dayLabelOf(record);
    switch (kind) {
    case StoreKind::RA: return raFile(label);
    case StoreKind::HR: return hrFile(label);
    case StoreKind::SE: return seFile(label, record.substr(19, 2));
    case StoreKind::O1:
    case StoreKind::O2:
        return oddsFile(kind, record.substr(11, 16));
    }
    return std::nullopt;
}

std::vector<fs::path> StoreLayout::dayFiles() const
{
    struct Entry {
        std::string cp932;
        fs::path path;
    };
    std::vector<Entry> entries;
    std::error_code ec;
    fs::path folder = dataFolder();
    fs::directory_iterator it(folder, ec);
    if (ec == std::errc::no_such_file_or_directory)
        return {}; // no store yet: no race days
    for (fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
        std::error_code typeEc;
        if (!it->is_regular_file(typeEc))
            continue;
        std::string name = text::utf8Path(it->path().filename());
        if (name.size() < 5 || !text::equalsNoCase(std::string_view(name).substr(name.size() - 5), ".nvRA"))
            continue;
        entries.push_back({text::fromUtf8(name), it->path()});
    }
    if (ec)
        throw text::FileError(text::utf8Path(folder) + ": " + ec.message());
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        int c = text::compareNoCase(a.cp932, b.cp932);
        return c != 0 ? c < 0 : a.cp932 < b.cp932;
    });
    std::vector<fs::path> out;
    out.reserve(entries.size());
    for (auto& e : entries)
        out.push_back(std::move(e.path));
    return out;
}

std::vector<std::string> StoreLayout::dayLabels() const
{
    std::vector<std::string> labels;
    for (const auto& file : dayFiles())
        labels.push_back(dayLabelOfFileName(file));
    return labels;
}

} // namespace tidemark::store
