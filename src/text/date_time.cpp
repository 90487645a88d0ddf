#include "text/date_time.h"

#include "text/number_format.h"

namespace tidemark::text {
namespace {

// Howard Hinnant's civil-calendar algorithms.
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) noexcept
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, int& y, int& m, int& d) noexcept
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t yy = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yy + (m <= 2));
}

bool allDigits(std::string_view s) noexcept
{
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return !s.empty();
}

} // namespace

bool isValidDate(int year, int month, int day) noexcept
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1)
        return false;
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int dim = kDays[month - 1];
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (month == 2 && leap)
        dim = 29;
    return day <= dim;
}

std::int64_t DateTime::dayNumber() const noexcept
{
    return daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
}

DateTime DateTime::fromDayNumber(std::int64_t days) noexcept
{
    DateTime t;
    civilFromDays(days, t.year, t.month, t.day);
    t.hour = t.minute = t.second = 0;
    return t;
}

DateTime DateTime::addDays(std::int64_t days) const noexcept
{
    DateTime t = fromDayNumber(dayNumber() + days);
    t.hour = hour;
    t.minute = minute;
    t.second = second;
    return t;
}

std::int64_t DateTime::secondsSinceEpoch() const noexcept
{
    return dayNumber() * 86400 + hour * 3600 + minute * 60 + second;
}

DateTime DateTime::fromSecondsSinceEpoch(std::int64_t s) noexcept
{
    std::int64_t days = s >= 0 ? s / 86400 : -((-s + 86399) / 86400);
    std::int64_t rest = s - days * 86400;
    DateTime t = fromDayNumber(days);
    t.hour = static_cast<int>(rest / 3600);
    t.minute = static_cast<int>(rest % 3600 / 60);
    t.second = static_cast<int>(rest % 60);
    return t;
}

DateTime DateTime::addSeconds(std::int64_t seconds) const noexcept
{
    return fromSecondsSinceEpoch(secondsSinceEpoch() + seconds);
}

int DateTime::dayOfWeek() const noexcept
{
    // 1970-01-01 was a Thursday (5 in 1 = Sunday counting).
    std::int64_t d = dayNumber();
    std::int64_t w = ((d % 7) + 7 + 4) % 7; // 0 = Sunday
    return static_cast<int>(w) + 1;
}

std::string formatDateTime(std::string_view p, const DateTime& t)
{
    std::string out;
    bool lastWasHour = false;
    std::size_t i = 0;
    auto starts = [&](std::string_view tok) {
        if (p.size() - i < tok.size())
            return false;
        for (std::size_t k = 0; k < tok.size(); ++k) {
            char c = p[i + k];
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
            if (c != tok[k])
                return false;
        }
        return true;
    };
    while (i < p.size()) {
        char c = p[i];
        if (c == '"' || c == '\'') {
            std::size_t e = p.find(c, i + 1);
            if (e == std::string_view::npos)
                e = p.size();
            out.append(p.substr(i + 1, e - i - 1));
            i = e + 1;
            continue;
        }
        if (starts("yyyy")) {
            out += formatZeroPad(t.year, 4);
            i += 4;
            lastWasHour = false;
        } else if (starts("mm")) {
            out += formatZeroPad(lastWasHour ? t.minute : t.month, 2);
            i += 2;
            lastWasHour = false;
        } else if (starts("dd")) {
            out += formatZeroPad(t.day, 2);
            i += 2;
            lastWasHour = false;
        } else if (starts("hh")) {
            out += formatZeroPad(t.hour, 2);
            i += 2;
            lastWasHour = true;
        } else if (starts("nn")) {
            out += formatZeroPad(t.minute, 2);
            i += 2;
            lastWasHour = false;
        } else if (starts("ss")) {
            out += formatZeroPad(t.second, 2);
            i += 2;
            lastWasHour = false;
        } else {
            out.push_back(c);
            ++i;
        }
    }
    return out;
}

std::optional<DateTime> parseSlashDateTime(std::string_view s)
{
    // yyyy/mm/dd[ hh:nn[:ss]]
    auto num = [&](std::size_t pos, std::size_t len, int& out) {
        if (pos + len > s.size() || !allDigits(s.substr(pos, len)))
            return false;
        out = static_cast<int>(readInt(s.substr(pos, len)));
        return true;
    };
    DateTime t;
    if (s.size() < 10 || s[4] != '/' || s[7] != '/')
        return std::nullopt;
    if (!num(0, 4, t.year) || !num(5, 2, t.month) || !num(8, 2, t.day))
        return std::nullopt;
    t.hour = t.minute = t.second = 0;
    if (s.size() > 10) {
        if (s[10] != ' ' || s.size() < 16 || s[13] != ':')
            return std::nullopt;
        if (!num(11, 2, t.hour) || !num(14, 2, t.minute))
            return std::nullopt;
        if (s.size() > 16) {
            if (s.size() != 19 || s[16] != ':' || !num(17, 2, t.second))
                return std::nullopt;
        }
    }
    if (!isValidDate(t.year, t.month, t.day) || t.hour > 23 || t.minute > 59 || t.second > 59)
        return std::nullopt;
    return t;
}

std::optional<DateTime> parseCompactDateTime(std::string_view s)
{
    if (s.size() != 14 || !allDigits(s))
        return std::nullopt;
    DateTime t;
    t.year = static_cast<int>(readInt(s.substr(0, 4)));
    t.month = static_cast<int>(readInt(s.substr(4, 2)));
    t.day = static_cast<int>(readInt(s.substr(6, 2)));
    t.hour = static_cast<int>(readInt(s.substr(8, 2)));
    t.minute = static_cast<int>(readInt(s.substr(10, 2)));
    t.second = static_cast<int>(readInt(s.substr(12, 2)));
    if (!isValidDate(t.year, t.month, t.day) || t.hour > 23 || t.minute > 59 || t.second > 59)
        return std::nullopt;
    return t;
}

int minuteOfHhmm(std::string_view hhmm) noexcept
{
    if (hhmm.size() != 4)
        return -1;
    for (const char c : hhmm)
        if (c < '0' || c > '9')
            return -1;
    const int hour = (hhmm[0] - '0') * 10 + (hhmm[1] - '0');
    const int minute = (hhmm[2] - '0') * 10 + (hhmm[3] - '0');
    return hour > 23 || minute > 59 ? -1 : hour * 60 + minute;
}

std::string hhColonNn(int minuteOfDay)
{
    return formatZeroPad(minuteOfDay / 60 % 24, 2) + ":" + formatZeroPad(minuteOfDay % 60, 2);
}

} // namespace tidemark::text
