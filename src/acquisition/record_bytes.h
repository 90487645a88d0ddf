#pragma once
// The few common record fields acquisition routes by (1-based byte positions, the same
// for every record kind). Short or blank fields read as blank or 0, never out of range.

#include <cstdint>
#include <string>
#include <string_view>

#include "text/cp932.h"
#include "text/number_format.h"

namespace tidemark::acquisition::record {

inline std::string_view kind(std::string_view r) noexcept { return text::bytesAt(r, 1, 2); }
inline std::string_view dataKind(std::string_view r) noexcept { return text::bytesAt(r, 3, 1); }
inline std::string_view year(std::string_view r) noexcept { return text::bytesAt(r, 12, 4); }
inline std::string_view month(std::string_view r) noexcept { return text::bytesAt(r, 16, 2); }
inline std::string_view day(std::string_view r) noexcept { return text::bytesAt(r, 18, 2); }
// yyyymmdd, bytes 12–19.
inline std::string_view dayKey(std::string_view r) noexcept { return text::bytesAt(r, 12, 8); }
// Bytes 12–27: date, track, meeting, day and race number.
inline std::string_view raceKey(std::string_view r) noexcept { return text::bytesAt(r, 12, 16); }
inline std::string_view trackCode(std::string_view r) noexcept { return text::bytesAt(r, 20, 2); }
inline std::string_view raceNumberText(std::string_view r) noexcept { return text::bytesAt(r, 26, 2); }
inline std::int64_t raceNumber(std::string_view r) noexcept { return text::readInt(raceNumberText(r)); }
// SE only.
inline std::string_view horseNumberText(std::string_view r) noexcept { return text::bytesAt(r, 29, 2); }
inline std::int64_t horseNumber(std::string_view r) noexcept { return text::readInt(horseNumberText(r)); }

// The record as a store line: without its CR LF when it ends with one.
inline std::string_view withoutLineEnd(std::string_view r) noexcept
{
    if (r.size() >= 2 && r.substr(r.size() - 2) == "\r\n")
        r.remove_suffix(2);
    return r;
}

} // namespace tidemark::acquisition::record
