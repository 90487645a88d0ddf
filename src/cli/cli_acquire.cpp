// The commands that talk to the data service: the stored-data import, the batch odds
// import and the results fetch, each the engine's own acquisition run to its end.

#include "cli/cli_session.h"

#include <algorithm>

#include "acquisition/batch_odds_import.h"
#include "acquisition/nv_channel.h"
#include "acquisition/odds_watch.h"
#include "acquisition/realtime_fetch.h"
#include "acquisition/stored_data_import.h"
#include "analysis/race_calendar.h"
#include "analytics/alert_rules.h"
#include "records/record_view.h"
#include "settings/settings_keys.h"
#include "store/record_store.h"
#include "text/cp932.h"
#include "text/date_time.h"
#include "text/file_io.h"
#include "text/number_format.h"

namespace tidemark::cli {

namespace {

using text::sj;

bool allDigits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The store folders and the error log, as the program makes them at start: a service error
// met on the way is appended to the log, which must be there to take it. An existing log is
// left as it is; only the window's start-up opens a new run in it.
void prepareStore(Session& s)
{
    s.layout().createFolders();
    const std::filesystem::path log = s.home() / "ErrorLog.txt";
    std::string existing;
    if (!text::tryReadFile(log, existing))
        text::writeFileAtomic(log, {});
}

} // namespace

ExitCode commandImport(Session& s)
{
    std::optional<text::DateTime> since;
    if (const std::string* v = s.inv().option("--since")) {
        since = text::parseSlashDateTime(*v);
        if (!since)
            throw CommandError(ExitCode::Usage, "malformed --since " + *v + " (\"yyyy/mm/dd hh:nn:ss\")");
    }
    prepareStore(s);
    acquisition::NvChannel channel(s.link());
    store::RecordStore store{s.layout()};
    acquisition::StoredDataImport import(channel, s.host(), store, s.ini());
    import.setOnChange([&] { s.host().progress(import.progressLabel()); });
    import.open();
    if (since)
        import.setStart(*since);
    const int boxes = s.host().messageBoxes();
    import.start();
    s.host().runTimer(TimerId::TimerNVStatus);

    failOnFileBox(s, boxes);
    if (import.progressLabel() == sj("データ作成が完了しました。"))
        return ExitCode::Ok;
    // Nothing newer than the start is no failure: the store is up to date.
    const auto& texts = s.host().boxTexts();
    if (std::find(texts.begin(), texts.end(), sj("最新のデータがありません。")) != texts.end())
        return ExitCode::Ok;
    throw CommandError(ExitCode::Service, "the import did not complete (see above); LastTime is unchanged");
}

ExitCode commandOdds(Session& s)
{
    const std::string* month = s.inv().option("--month");
    const std::string* year = s.inv().option("--year");
    const int ways = (s.inv().positional.empty() ? 0 : 1) + (month ? 1 : 0) + (year ? 1 : 0);
    if (ways != 1)
        throw CommandError(ExitCode::Usage, "odds takes one of DAY, --month YYYYMM or --year YYYY");

    std::string wanted; // yyyymm or yyyy of a period
    if (month) {
        std::int32_t m = 0;
        if (month->size() != 6 || !allDigits(*month) || !text::tryParseInt32(month->substr(4), m) || m < 1 || m > 12)
            throw CommandError(ExitCode::Usage, "malformed --month " + *month + " (YYYYMM)");
        wanted = *month;
    } else if (year) {
        if (year->size() != 4 || !allDigits(*year))
            throw CommandError(ExitCode::Usage, "malformed --year " + *year + " (YYYY)");
        wanted = *year;
    }

    int index = 0;
    if (!s.inv().positional.empty()) {
        index = s.loadDay(s.inv().positional[0]);
    } else {
        s.panel().buildDateList();
        const auto& items = s.panel().DateCombo().items;
        const auto it = std::find_if(items.begin(), items.end(), [&](const std::string& label) {
            const auto date = store::dateOfDayLabel(label);
            return date && date->starts_with(wanted);
        });
        if (it == items.end())
            throw CommandError(ExitCode::NotFound, "no stored day in " + wanted + " (see days)");
        index = static_cast<int>(it - items.begin());
    }

    prepareStore(s);
    acquisition::NvChannel channel(s.link());
    store::RecordStore store{s.layout()};
    acquisition::BatchOddsImport batch(channel, s.host(), store);
    // The progress maximum is the number of races the race list would show.
    batch.setRaceListCount([&batch] {
        const auto& slots = batch.dayTable();
        return static_cast<int>(std::count_if(slots.begin(), slots.end(),
                                              [](const std::string& ra) { return analysis::isListedRace(ra); }));
    });
    int serviceErrors = 0;
    std::string lastError;
    batch.setOnChange([&] {
        s.host().progress(batch.progressLabel());
        if (!batch.errorLabel().empty() && batch.errorLabel() != lastError) {
            lastError = batch.errorLabel();
            ++serviceErrors;
            s.host().note(text::toUtf8(lastError));
        }
    });
    batch.setDateList(s.panel().DateCombo().items);
    batch.selectDay(index);
    const int boxes = s.host().messageBoxes();
    if (month)
        batch.importPeriod(acquisition::BatchOddsImport::Period::Month);
    else if (year)
        batch.importPeriod(acquisition::BatchOddsImport::Period::Year);
    else
        batch.importDay();

    failOnFileBox(s, boxes);
    if (serviceErrors > 0)
        throw CommandError(ExitCode::Service, "the data service failed for " + std::to_string(serviceErrors) +
                                                  " request(s); the odds files of those races were kept as they were");
    return ExitCode::Ok;
}

ExitCode commandResults(Session& s)
{
    s.loadDay(s.inv().positional[0]);
    acquisition::FetchSelection selection;
    selection.daySelected = true;
    selection.slot0Ra = s.panel().dayTable().slots.front().raRecord;

    prepareStore(s);
    acquisition::NvChannel channel(s.link());
    store::RecordStore store{s.layout()};
    acquisition::RealtimeFetch fetch(channel, s.host(), store, s.home());
    // The first text of the status label is the progress; any later one is an error.
    int labels = 0;
    int errors = 0;
    fetch.setOnLabel([&] {
        if (fetch.dlLabel().empty())
            return;
        if (labels++ > 0)
            ++errors;
        s.host().note(text::toUtf8(fetch.dlLabel()));
    });
    switch (fetch.fetchResults(selection, false, {})) {
    case acquisition::RealtimeFetch::Outcome::NotRun:
    case acquisition::RealtimeFetch::Outcome::Refused:
        throw CommandError(ExitCode::NotFound, "the day " + s.inv().positional[0] + " has no race card to fetch results for");
    case acquisition::RealtimeFetch::Outcome::FileError:
        throw CommandError(ExitCode::File, text::toUtf8(s.host().boxTexts().back()));
    case acquisition::RealtimeFetch::Outcome::Done:
        break;
    }
    if (errors > 0)
        throw CommandError(ExitCode::Service, "the results fetch failed (see ErrorLog.txt)");
    return ExitCode::Ok;
}

namespace {

// A whole number of minutes from `min` to `max` given as --name, or the stored setting.
int minutesOption(Session& s, const char* name, const settings::IntSetting& stored, int min, int max)
{
    const std::string* v = s.inv().option(name);
    if (!v)
        return std::clamp(stored.read(s.ini()), min, max);
    std::int32_t n = 0;
    if (!allDigits(*v) || !text::tryParseInt32(*v, n) || n < min || n > max)
        throw CommandError(ExitCode::Usage, std::string("malformed ") + name + " " + *v + " (minutes, " +
                                                std::to_string(min) + "-" + std::to_string(max) + ")");
    return n;
}

// The rules of --alert; an odds rule's RACE (a position in the race list or
// track-code:race-number) becomes the race's key.
std::vector<analytics::AlertRule> alertRules(Session& s, const std::vector<std::string>& raceCards)
{
    std::vector<analytics::AlertRule> rules;
    const auto it = s.inv().repeated.find("--alert");
    if (it == s.inv().repeated.end())
        return rules;
    for (std::string text : it->second) {
        if (text.starts_with("below,") || text.starts_with("above,")) {
            std::size_t from = text.find(',', 6);
            const std::size_t to = from == std::string::npos ? from : text.find(',', from + 1);
            if (to != std::string::npos) {
                const std::string race = text.substr(from + 1, to - from - 1);
                std::string key;
                std::int32_t n = 0;
                const std::size_t colon = race.find(':');
                if (allDigits(race) && text::tryParseInt32(race, n) && n >= 1 && n <= static_cast<std::int32_t>(raceCards.size()))
                    key = std::string(records::RaView(raceCards[static_cast<std::size_t>(n - 1)]).raceKey());
                else if (colon != std::string::npos && allDigits(race.substr(0, colon)) && allDigits(race.substr(colon + 1)))
                    for (const std::string& ra : raceCards) {
                        const records::RaView v(ra);
                        if (v.trackCode() == text::formatZeroPad(text::readInt(race.substr(0, colon)), 2) &&
                            v.raceNumber() == text::readInt(race.substr(colon + 1)))
                            key = std::string(v.raceKey());
                    }
                if (key.empty())
                    throw CommandError(ExitCode::Usage, "--alert " + text + ": no race " + race + " on this day (see races)");
                text = text.substr(0, from + 1) + key + text.substr(to);
            }
        }
        std::string error;
        const std::optional<analytics::AlertRule> rule = analytics::parseAlertRule(text, &error);
        if (!rule)
            throw CommandError(ExitCode::Usage, "malformed --alert " + text + ": " + error);
        rules.push_back(*rule);
    }
    return rules;
}

} // namespace

ExitCode commandWatch(Session& s)
{
    using acquisition::OddsWatch;
    const int every = minutesOption(s, "--every", settings::OddsWatchEvery, OddsWatch::kMinEvery, OddsWatch::kMaxEvery);
    const int ahead = minutesOption(s, "--ahead", settings::OddsWatchAhead, OddsWatch::kMinAhead, OddsWatch::kMaxAhead);
    const int near = minutesOption(s, "--near", settings::OddsWatchNear, OddsWatch::kMinNear, OddsWatch::kMaxNear);
    s.loadDay(s.inv().positional[0]);
    const std::string today = text::formatDateTime("yyyymmdd", s.host().now());
    const auto day = store::dateOfDayLabel(s.panel().DateCombo().text());
    if (!day || *day != today)
        throw CommandError(ExitCode::Usage, "the watch follows today's races: " + s.inv().positional[0] +
                                                " is not today (" + today + ")");
    std::vector<std::string> raceCards;
    for (const analysis::RaceListEntry& e : s.panel().raceEntries())
        raceCards.push_back(s.panel().dayTable().slots[static_cast<std::size_t>(e.slot)].raRecord);
    if (raceCards.empty())
        throw CommandError(ExitCode::NotFound, "the day " + s.inv().positional[0] + " has no race to watch");
    analytics::AlertMonitor alerts(alertRules(s, raceCards));

    prepareStore(s);
    acquisition::NvChannel channel(s.link());
    store::RecordStore store{s.layout()};
    OddsWatch watch(channel, s.host(), store, s.home());
    watch.setTimes(ahead, every, near);
    watch.setDay(raceCards);
    if (!alerts.rules().empty())
        watch.setOnRaceWritten([&](std::string_view raceKey) {
            try {
                for (const analytics::Alert& a : alerts.evaluateStored(s.layout(), raceKey)) {
                    s.emit(analytics::alertLine(a));
                    s.emit("\n");
                }
            } catch (const text::FileError& e) {
                s.host().note(e.what()); // the next write of the race judges it again
            }
        });
    const std::function<bool()> interrupted =
        s.env().catchInterrupt ? s.env().catchInterrupt() : std::function<bool()>([] { return false; });
    // Past midnight the day is over, whatever the watch still waits for.
    bool dayOver = false;
    watch.setStopRequested([&] { return dayOver || interrupted(); });
    std::string lastError;
    watch.setOnChange([&] {
        dayOver = dayOver || watch.state() == OddsWatch::State::NotToday;
        s.host().progress(watch.statusText());
        if (watch.lastError() != lastError) {
            lastError = watch.lastError();
            if (!lastError.empty())
                s.host().note(text::toUtf8(lastError));
        }
    });
    s.host().note("watching the races at most " + std::to_string(ahead) + " minutes before their post, every " +
                  std::to_string(every) + " minutes" +
                  (near > 0 ? ", every minute in their last " + std::to_string(near) + " minutes" : std::string()) +
                  "; Ctrl-C stops");
    watch.start();
    s.host().runTimer(TimerId::OddsWatchTimer);

    const std::string fetched = std::to_string(watch.racesFetched()) + " race fetches";
    switch (watch.state()) {
    case OddsWatch::State::Failed:
        throw CommandError(ExitCode::File, text::toUtf8(watch.lastError()));
    case OddsWatch::State::Finished:
        s.host().note("the day's last post has passed; " + fetched);
        break;
    case OddsWatch::State::Off:
    case OddsWatch::State::NotToday:
    case OddsWatch::State::Waiting:
    case OddsWatch::State::Fetching:
    case OddsWatch::State::WaitingForService:
        s.host().note("stopped; " + fetched + ", every file written is whole");
        break;
    }
    if (watch.requestErrors() > 0)
        throw CommandError(ExitCode::Service, "the data service failed for " + std::to_string(watch.requestErrors()) +
                                                  " request(s); the odds files of those races were kept as they were");
    return ExitCode::Ok;
}

} // namespace tidemark::cli
