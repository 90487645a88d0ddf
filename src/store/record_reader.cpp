#include "store/record_reader.h"

#include "text/file_io.h"

#include <algorithm>

namespace tidemark::store {

bool tryReadRecords(const std::filesystem::path& file, StoreKind kind, std::vector<std::string>& out,
                    std::size_t maxRecords)
{
    out.clear();
    std::string bytes;
    if (!text::tryReadFile(file, bytes))
        return false;
    const std::size_t size = recordSize(kind);
    // A trailing partial record (a file cut short) is not a record.
    const std::size_t count = std::min(bytes.size() / size, maxRecords);
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        out.push_back(bytes.substr(i * size, size));
    return true;
}

std::vector<std::string> readRecords(const std::filesystem::path& file, StoreKind kind,
                                     std::size_t maxRecords)
{
    std::vector<std::string> out;
    tryReadRecords(file, kind, out, maxRecords);
    return out;
}

std::vector<std::string> readLines(const std::filesystem::path& file, StoreKind kind,
                                   std::size_t maxRecords)
{
    std::vector<std::string> out = readRecords(file, kind, maxRecords);
    for (auto& record : out)
        record.resize(lineLength(kind));
    return out;
}

std::vector<std::string> readDayRaces(const std::filesystem::path& raFile)
{
    return readRecords(raFile, StoreKind::RA, kMaxDayRaces);
}

std::vector<std::string> readDayPayouts(const std::filesystem::path& hrFile)
{
    return readRecords(hrFile, StoreKind::HR, kMaxDayRaces);
}

std::vector<std::string> readRunnerSlots(const std::filesystem::path& seFile)
{
    return readRecords(seFile, StoreKind::SE, kRunnerSlots);
}

} // namespace tidemark::store
