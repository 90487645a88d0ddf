// The specific-time export from the command line: the choice the window's controls
// make, given as options, and the engine's export of the loaded day.

#include "cli/cli_session.h"

#include <algorithm>

#include "results/specific_time_export.h"
#include "settings/settings_keys.h"
#include "text/cp932.h"
#include "text/number_format.h"
#include "text/file_io.h"

namespace tidemark::cli {

namespace {

bool readNumber(std::string_view s, std::int32_t& out)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
           text::tryParseInt32(s, out);
}

// "hhmm" of a clock time 00:00-23:59.
bool readClock(std::string_view s, int& hour, int& minute)
{
    std::int32_t h = 0;
    std::int32_t m = 0;
    if (s.size() != 4 || !readNumber(s.substr(0, 2), h) || !readNumber(s.substr(2, 2), m) || h > 23 || m > 59)
        return false;
    hour = h;
    minute = m;
    return true;
}

// The window's last choice (section CSVTime), as the window opens with it.
results::ExportChoice storedChoice(const IniFile& ini)
{
    results::ExportChoice choice;
    if (!readClock(settings::CsvTimeTokutei.read(ini), choice.moment.hour, choice.moment.minute)) {
        choice.moment.hour = 9;
        choice.moment.minute = 30;
    }
    choice.moment.minutesBeforePost = std::clamp(settings::CsvTimeB4hasso.read(ini), 3, 59);
    choice.item = settings::CsvTimeOzOrNin.read(ini) == 1 ? results::ExportItem::Popularity : results::ExportItem::Odds;
    return choice;
}

// The four files of one stored day, their paths on stdout; false (nothing written) when
// the day lists no race.
bool exportDay(Session& s, const std::string& dayArg, const results::ExportChoice& choice,
               const std::filesystem::path& out)
{
    s.loadDay(dayArg);
    results::ExportDay day;
    for (const auto& slot : s.panel().dayTable().slots)
        day.slotRaceCards.push_back(slot.raRecord);
    day.listedRaces = s.panel().raceEntries().size();
    if (day.listedRaces == 0)
        return false;

    const results::ExportResult result = results::runSpecificTimeExport(s.layout(), day, choice, s.host(), out);
    switch (result.failure) {
    case results::ExportFailure::None:
        break;
    case results::ExportFailure::NoRaceDay:
        throw CommandError(ExitCode::NotFound, text::toUtf8(result.message));
    case results::ExportFailure::File:
        throw CommandError(ExitCode::File, text::toUtf8(result.message));
    }
    for (std::size_t i = 0; i < result.written.size(); ++i) {
        s.env().out << text::utf8Path(result.written[i]) << '\n';
        s.host().note(text::utf8Path(result.written[i].filename()) + ": " + std::to_string(result.dataLines[i]) + " race(s)");
    }
    return true;
}

} // namespace

ExitCode commandCsv(Session& s)
{
    const Invocation& inv = s.inv();
    results::ExportChoice choice = storedChoice(s.ini());

    const std::string* kind = inv.option("--kind");
    if (!kind)
        throw CommandError(ExitCode::Usage, "csv needs --kind 0|1|2");
    if (*kind == "0")
        choice.moment.kind = results::MomentKind::RaceDayClock;
    else if (*kind == "1")
        choice.moment.kind = results::MomentKind::PreviousDayClock;
    else if (*kind == "2")
        choice.moment.kind = results::MomentKind::BeforePost;
    else
        throw CommandError(ExitCode::Usage, "malformed --kind " + *kind + " (0, 1 or 2)");

    if (const std::string* t = inv.option("--time")) {
        if (!readClock(*t, choice.moment.hour, choice.moment.minute))
            throw CommandError(ExitCode::Usage, "malformed --time " + *t + " (hhmm, 0000-2359)");
    }
    if (const std::string* m = inv.option("--minutes")) {
        std::int32_t n = 0;
        if (!readNumber(*m, n) || n < 3 || n > 59)
            throw CommandError(ExitCode::Usage, "malformed --minutes " + *m + " (3-59 minutes before the post time)");
        choice.moment.minutesBeforePost = n;
    }
    if (const std::string* w = inv.option("--what")) {
        if (*w == "odds")
            choice.item = results::ExportItem::Odds;
        else if (*w == "popularity")
            choice.item = results::ExportItem::Popularity;
        else
            throw CommandError(ExitCode::Usage, "malformed --what " + *w + " (odds or popularity)");
    }
    choice.openFiles = false;

    const DayRange range = dayRange(inv, false);
    if (range.empty() == inv.positional.empty())
        throw CommandError(ExitCode::Usage, "csv takes DAY or --from/--to, one of the two");
    const std::filesystem::path out = inv.has("--out") ? text::pathFromUtf8(*inv.option("--out")) : s.layout().csvFolder();
    if (range.empty()) {
        if (!exportDay(s, inv.positional[0], choice, out))
            throw CommandError(ExitCode::NotFound, "the day " + inv.positional[0] + " has no race to export");
        return ExitCode::Ok;
    }
    const std::vector<std::string> days = storedDays(s, range);
    for (std::size_t i = 0; i < days.size(); ++i) {
        const std::string day = text::toUtf8(days[i]);
        s.host().note(day + " (" + std::to_string(i + 1) + "/" + std::to_string(days.size()) + ")");
        if (!exportDay(s, day, choice, out))
            s.host().note(day + " has no race to export");
    }
    return ExitCode::Ok;
}

} // namespace tidemark::cli
