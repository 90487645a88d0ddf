#include "text/text_functions.h"

#include "text/cp932.h"
#include "text/number_format.h"

namespace tidemark::text {

int minutesBetween(std::string_view a, std::string_view b)
{
    if (trim(a).empty() || trim(b).empty())
        return 10000;
    auto mins = [](std::string_view t) {
        return readInt(bytesAt(t, 1, 2)) * 60 + readInt(bytesAt(t, 3, 2));
    };
    return static_cast<int>(mins(a) - mins(b));
}

std::string addMinutes(std::string_view hhmm, int minutes)
{
    if (trim(hhmm).empty())
        return {};
    std::int64_t total = readInt(bytesAt(hhmm, 1, 2)) * 60 + readInt(bytesAt(hhmm, 3, 2)) + minutes;
    // A moment before midnight of the day is the day's first minute: hours and minutes
    // of a negative total would read "00-35", which is no time and compares wrongly
    // with "hhmm" texts.
    if (total < 0)
        total = 0;
    return formatZeroPad(total / 60, 2) + formatZeroPad(total % 60, 2);
}

std::string overwrite(std::string_view s, std::size_t p, std::string_view r)
{
    std::string out(s);
    if (p == 0)
        p = 1;
    std::size_t at = p - 1;
    if (at > out.size())
        out.resize(at, ' ');
    if (at + r.size() > out.size())
        out.resize(at + r.size(), ' ');
    out.replace(at, r.size(), r);
    return out;
}

std::string rightNumber(std::string_view s)
{
    std::int64_t v = readInt(s);
    if (v == 0)
        return std::string(s.size(), ' ');
    return formatInt(v, static_cast<int>(s.size()));
}

std::string groupedNumber(std::string_view s, int w)
{
    std::int64_t v = readInt(s);
    if (v == 0)
        return std::string(static_cast<std::size_t>(w < 0 ? 0 : w), ' ');
    return formatGrouped(static_cast<double>(v), w, 0);
}

std::string tenths(std::string_view s)
{
    std::int64_t v = readInt(s);
    if (v == 0)
        return std::string(s.size(), ' ');
    return formatFixed(static_cast<double>(v) / 10.0, static_cast<int>(s.size()) + 1, 1);
}

} // namespace tidemark::text
