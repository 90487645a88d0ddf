#pragma once
// Local date and time as the program shows and stores it, with Delphi-style patterns
// (yyyy, mm, dd, hh, nn, ss; text in double quotes copied as it stands).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tidemark::text {

struct DateTime {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;

    // Days since 1970-01-01 of the date part.
    std::int64_t dayNumber() const noexcept;
    static DateTime fromDayNumber(std::int64_t days) noexcept;

    DateTime addDays(std::int64_t days) const noexcept;
    DateTime addSeconds(std::int64_t seconds) const noexcept;
    std::int64_t secondsSinceEpoch() const noexcept;
    static DateTime fromSecondsSinceEpoch(std::int64_t s) noexcept;

    // 1 = Sunday … 7 = Saturday.
    int dayOfWeek() const noexcept;

    auto operator<=>(const DateTime&) const = default;
};

bool isValidDate(int year, int month, int day) noexcept;

// Formats with a pattern such as 'yyyy"年"mm"月"dd"日"' or "yyyy/mm/dd hh:nn:ss".
// "mm" right after "hh" means minutes, as in the platform's own formatter.
std::string formatDateTime(std::string_view pattern, const DateTime& t);

// A time of day "hhmm" (a post time) in minutes after midnight; -1 for anything that is
// no time of day.
int minuteOfHhmm(std::string_view hhmm) noexcept;
// Minutes after midnight as "hh:nn" (past midnight the hours go on from 00).
std::string hhColonNn(int minuteOfDay);

// "yyyy/mm/dd hh:nn:ss" (time part optional) -> DateTime; nullopt when not such a moment.
std::optional<DateTime> parseSlashDateTime(std::string_view s);

// "yyyymmddhhnnss" -> DateTime; nullopt when not 14 digits of a valid moment.
std::optional<DateTime> parseCompactDateTime(std::string_view s);

} // namespace tidemark::text
