#include "store/record_store.h"

#include "text/cp932.h"
#include "text/file_io.h"
#include "text/number_format.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace tidemark::store {
namespace fs = std::filesystem;

namespace {

// Lines of a stored file, split at CR LF, LF or CR; no empty line after the last break.
std::vector<std::string> splitLines(std::string_view bytes)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char c = bytes[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.emplace_back(bytes.substr(start, i - start));
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines.emplace_back(bytes.substr(start));
    return lines;
}

std::string joinLines(const std::vector<std::string>& lines)
{
    std::size_t total = 0;
    for (const auto& l : lines)
        total += l.size() + 2;
    std::string out;
    out.reserve(total);
    for (const auto& l : lines) {
        out += l;
        out += "\r\n";
    }
    return out;
}

void sortNoCase(std::vector<std::string>& lines)
{
    std::stable_sort(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) {
        return text::compareNoCase(a, b) < 0;
    });
}

std::string_view raceKeyOf(std::string_view line) noexcept { return text::bytesAt(line, 12, 16); }

bool isKind(StoreKind kind, std::string_view record) noexcept
{
    return text::bytesAt(record, 1, 2) == kindId(kind);
}

// The first checks every writer makes: kind, line shape, key.
StoreOutcome checkRecord(StoreKind kind, std::string_view record, std::string& line)
{
    if (!isKind(kind, record))
        return StoreOutcome::WrongKind;
    auto stored = storedLine(kind, record);
    if (!stored)
        return StoreOutcome::BadLine;
    if (!hasStorableKey(*stored))
        return StoreOutcome::UnsafeKey;
    line.assign(*stored);
    return StoreOutcome::Stored;
}

// Replaces the file with the lines. A file that already holds exactly these bytes is
// left alone: importing the same days again then costs no writes (and no disk flushes).
void writeLines(const fs::path& file, const std::vector<std::string>& lines, const std::string* current)
{
    std::string bytes = joinLines(lines);
    if (current && *current == bytes)
        return;
    text::ensureDirectory(file.parent_path());
    text::writeFileAtomic(file, bytes);
}

} // namespace

void StoreTally::add(StoreOutcome o) noexcept
{
    switch (o) {
    case StoreOutcome::Stored: ++stored; break;
    case StoreOutcome::NoFile: ++noFile; break;
    case StoreOutcome::WrongKind: ++wrongKind; break;
    case StoreOutcome::BadLine: ++badLine; break;
    case StoreOutcome::UnsafeKey: ++unsafeKey; break;
    case StoreOutcome::OutsideSlots: ++outsideSlots; break;
    }
}

std::optional<std::string_view> storedLine(StoreKind kind, std::string_view record) noexcept
{
    const std::size_t length = lineLength(kind);
    if (record.size() == length + 2 && record.substr(length) == "\r\n")
        record = record.substr(0, length);
    if (record.size() != length || record.find_first_of("\r\n") != std::string_view::npos)
        return std::nullopt;
    return record;
}

RecordStore::RecordStore(StoreLayout layout) : m_layout(std::move(layout)) {}

RecordStore::~RecordStore()
{
    try {
        flush();
    } catch (...) {
        // Nobody is left to tell; endBatch() reports it.
    }
}

void RecordStore::endBatch()
{
    if (m_batchDepth > 0 && --m_batchDepth > 0)
        return;
    flush();
}

StoreBatch::~StoreBatch()
{
    if (!m_open)
        return;
    try {
        m_store.endBatch();
    } catch (...) {
        // The scope is left on an error of its own; that is the one reported.
    }
}

void StoreBatch::commit()
{
    if (!m_open)
        return;
    m_open = false;
    m_store.endBatch();
}

void RecordStore::flush()
{
    std::map<fs::path, DayFile> files;
    files.swap(m_files);
    std::optional<text::FileError> first;
    for (auto& [file, day] : files) {
        if (!day.pending)
            continue;
        try {
            writeLines(file, day.lines, day.onDisk ? &day.diskBytes : nullptr);
        } catch (const text::FileError& e) {
            if (!first)
                first = e;
        }
    }
    if (first)
        throw *first;
}

void RecordStore::flushAllOrNone()
{
    std::map<fs::path, DayFile> files;
    files.swap(m_files);
    m_failedFile.clear();
    std::vector<std::pair<fs::path, fs::path>> prepared; // temporary file, target
    const fs::path* current = nullptr;
    try {
        // Every file is on disk before the first rename, so that a failure of any of
        // them leaves all old files in place.
        for (auto& [file, day] : files) {
            if (!day.pending)
                continue;
            std::string bytes = joinLines(day.lines);
            if (day.onDisk && day.diskBytes == bytes)
                continue;
            current = &file;
            text::ensureDirectory(file.parent_path());
            prepared.emplace_back(text::prepareFileAtomic(file, bytes, false), file);
        }
        for (const auto& [tmp, file] : prepared) {
            current = &file;
            text::flushPrepared(tmp, file);
        }
    } catch (const text::FileError&) {
        if (current)
            m_failedFile = *current;
        for (const auto& [tmp, file] : prepared)
            text::discardPrepared(tmp);
        throw;
    }
    std::optional<text::FileError> first;
    auto keepFirst = [&](const text::FileError& e, const fs::path& file) {
        if (!first) {
            first = e;
            m_failedFile = file;
        }
    };
    // Each folder is flushed once, after all its renames (a folder flush costs as much
    // as a file's).
    std::map<fs::path, fs::path> folders; // folder, one file renamed into it
    for (const auto& [tmp, file] : prepared) {
        try {
            text::commitFileAtomic(tmp, file, false);
            folders.emplace(file.parent_path(), file);
        } catch (const text::FileError& e) {
            keepFirst(e, file);
        }
    }
    for (const auto& [folder, file] : folders) {
        try {
            text::flushFolderOf(file);
        } catch (const text::FileError& e) {
            keepFirst(e, file);
        }
    }
    if (first)
        throw *first;
}

void RecordStore::startUpdate()
{
    // Outside a batch every update reads the file afresh.
    if (!inBatch())
        m_files.clear();
}

RecordStore::DayFile& RecordStore::dayFile(const fs::path& file)
{
    startUpdate();
    if (auto it = m_files.find(file); it != m_files.end())
        return it->second;
    if (m_files.size() >= kBatchFiles)
        flush();
    DayFile day;
    day.onDisk = text::tryReadFile(file, day.diskBytes);
    day.exists = day.onDisk;
    if (day.onDisk)
        day.lines = splitLines(day.diskBytes);
    return m_files.emplace(file, std::move(day)).first->second;
}

void RecordStore::save(DayFile& day)
{
    day.exists = true;
    day.pending = true;
    if (!inBatch())
        flush();
}

StoreOutcome RecordStore::storeRa(std::string_view record, Origin origin)
{
    return keyedUpdate(StoreKind::RA, record, origin);
}

StoreOutcome RecordStore::storeHr(std::string_view record, Origin origin)
{
    return keyedUpdate(StoreKind::HR, record, origin);
}

StoreOutcome RecordStore::keyedUpdate(StoreKind kind, std::string_view record, Origin origin)
{
    std::string line;
    if (StoreOutcome o = checkRecord(kind, record, line); o != StoreOutcome::Stored)
        return o;

    // Race cards always, payouts from the import: data kind and creation date become
    // zeros, so that the lines sort by race key alone.
    if (kind == StoreKind::RA || origin == Origin::Import)
        line.replace(2, 9, "000000000");

    const fs::path file = *m_layout.fileOf(kind, line);
    DayFile& day = dayFile(file);
    if (!day.exists && kind == StoreKind::RA && origin == Origin::ResultsFetch)
        return StoreOutcome::NoFile; // the results fetch only updates days that were imported

    std::vector<std::string>& lines = day.lines;
    const std::string_view key = raceKeyOf(line);
    auto same = std::find_if(lines.begin(), lines.end(),
                             [key](const std::string& l) { return raceKeyOf(l) == key; });
    if (same != lines.end())
        *same = std::move(line);
    else
        lines.push_back(std::move(line));

    sortNoCase(lines);
    if (kind == StoreKind::RA && !lines.empty() && text::trim(lines.front()).empty())
        lines.erase(lines.begin());

    save(day);
    return StoreOutcome::Stored;
}

StoreOutcome RecordStore::storeSe(std::string_view record, Origin origin)
{
    std::string line;
    if (StoreOutcome o = checkRecord(StoreKind::SE, record, line); o != StoreOutcome::Stored)
        return o;

    const auto race = text::readInt(text::bytesAt(line, 26, 2));
    const auto horse = text::readInt(text::bytesAt(line, 29, 2));
    // A race above 12 or a horse outside 1–18 would land in another runner's slot.
    const auto slot = runnerSlot(static_cast<int>(race), static_cast<int>(horse));
    if (!slot)
        return StoreOutcome::OutsideSlots;

    const fs::path file = *m_layout.fileOf(StoreKind::SE, line);
    DayFile& day = dayFile(file);
    if (!day.exists && origin == Origin::ResultsFetch)
        return StoreOutcome::NoFile; // runners of a day that was never imported

    // A short (or new) file gets its missing slots as blank lines, so the slot index
    // stays the line index.
    if (day.lines.size() < kRunnerSlots)
        day.lines.resize(kRunnerSlots, std::string(lineLength(StoreKind::SE), ' '));
    day.lines[*slot] = std::move(line);

    save(day);
    return StoreOutcome::Stored;
}

OddsWriteResult RecordStore::storeOdds(StoreKind kind, std::span<const std::string> records)
{
    OddsWriteResult result;
    if (kind != StoreKind::O1 && kind != StoreKind::O2) {
        result.wrongKind = static_cast<int>(records.size());
        return result;
    }

    std::vector<std::string> kept;
    std::string key;
    for (const std::string& record : records) {
        if (!isKind(kind, record)) {
            ++result.wrongKind;
            continue;
        }
        auto stored = storedLine(kind, record);
        if (!stored) {
            ++result.badLine;
            continue;
        }
        const char dataKind = (*stored)[2];
        // Data kind "0" (deleted) and "9" (race cancelled), and records without a race,
        // are not odds of a race.
        if (dataKind == '0' || dataKind == '9' || text::readInt(text::bytesAt(*stored, 26, 2)) <= 0) {
            ++result.dropped;
            continue;
        }
        if (!hasStorableKey(*stored)) {
            ++result.unsafeKey;
            continue;
        }
        // One request is one race: a record of another race must not enter its file.
        if (key.empty())
            key = raceKeyOf(*stored);
        else if (raceKeyOf(*stored) != key) {
            ++result.otherRace;
            continue;
        }
        std::string line(*stored);
        line[2] = '0';
        kept.push_back(std::move(line));
    }

    if (kept.empty())
        return result; // the race keeps the series it had

    const fs::path file = m_layout.oddsFile(kind, key);
    sortNoCase(kept);
    std::string current;
    const bool exists = text::tryReadFile(file, current);
    writeLines(file, kept, exists ? &current : nullptr);
    result.written = true;
    result.file = file;
    result.kept = static_cast<int>(kept.size());
    return result;
}

} // namespace tidemark::store
