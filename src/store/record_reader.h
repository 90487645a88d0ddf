#pragma once
// Readers of the local record store. A store file is read as an array of fixed-size
// records of lineLength(kind) + 2 bytes (the line and its CR LF), without parsing
// line breaks. A missing file reads as empty; a trailing partial record is ignored,
// so a record handed out always has exactly recordSize(kind) bytes.

#include "store/store_layout.h"

#include <cstddef>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

namespace tidemark::store {

inline constexpr std::size_t kAllRecords = std::numeric_limits<std::size_t>::max();

// The first `maxRecords` whole records of the file, each recordSize(kind) bytes with
// its CR LF. Returns false (and an empty `out`) when the file does not exist. Throws
// text::FileError when it exists but cannot be read.
bool tryReadRecords(const std::filesystem::path& file, StoreKind kind, std::vector<std::string>& out,
                    std::size_t maxRecords = kAllRecords);

// As tryReadRecords; a missing file gives an empty list.
std::vector<std::string> readRecords(const std::filesystem::path& file, StoreKind kind,
                                     std::size_t maxRecords = kAllRecords);

// As readRecords, each record without its last two bytes (the stored line).
std::vector<std::string> readLines(const std::filesystem::path& file, StoreKind kind,
                                   std::size_t maxRecords = kAllRecords);

// Shorthands with the limits the readers use: race cards and payouts of a day (at most
// kMaxDayRaces), the 216 runner slots of a track (fewer when the file is short).
std::vector<std::string> readDayRaces(const std::filesystem::path& raFile);
std::vector<std::string> readDayPayouts(const std::filesystem::path& hrFile);
std::vector<std::string> readRunnerSlots(const std::filesystem::path& seFile);

} // namespace tidemark::store
