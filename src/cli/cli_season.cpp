// Seasons from the command line: the export of a range of stored days as tables for
// SQL, pandas, R or a spreadsheet, and the backtest of a betting rule over them.

#include "cli/cli_session.h"

#include <atomic>
#include <chrono>
#include <ostream>

#include "analytics/backtest.h"
#include "analytics/season_export.h"
#include "analytics/season_reader.h"
#include "presentation/main_window_texts.h"
#include "text/cp932.h"
#include "text/date_time.h"
#include "text/file_io.h"
#include "text/number_format.h"

namespace tidemark::cli {

namespace {

using namespace analytics;

std::string programVersion()
{
    std::string_view v = texts::kVersion; // "Ver.1.15"
    if (const auto dot = v.find('.'); dot != std::string_view::npos && v.starts_with("Ver"))
        v.remove_prefix(dot + 1);
    return std::string(v);
}

std::string grouped(std::int64_t n) { return text::toUtf8(text::formatGrouped(static_cast<double>(n), 0)); }

std::string percent(double fraction) { return text::formatFixed(fraction * 100.0, 0, 1) + "%"; }

// One line of a split table: name, races, bets, hits, strike rate, stake, return, roi.
std::string tallyColumns(const Tally& t)
{
    return std::to_string(t.races) + "\t" + std::to_string(t.bets) + "\t" + std::to_string(t.hits) + "\t" +
           percent(t.strikeRate()) + "\t" + std::to_string(t.stake) + "\t" + std::to_string(t.payout) + "\t" +
           percent(t.roi());
}

} // namespace

DayRange dayRange(const Invocation& inv, bool required)
{
    const std::string* from = inv.option("--from");
    const std::string* to = inv.option("--to");
    if (!from && !to && !required)
        return {};
    if (!from || !to)
        throw CommandError(ExitCode::Usage, "give both --from yyyymmdd and --to yyyymmdd");
    if (!dateOfYmd(*from))
        throw CommandError(ExitCode::Usage, "malformed --from " + *from + " (yyyymmdd, a calendar date)");
    if (!dateOfYmd(*to))
        throw CommandError(ExitCode::Usage, "malformed --to " + *to + " (yyyymmdd, a calendar date)");
    if (*to < *from)
        throw CommandError(ExitCode::Usage, "--to " + *to + " lies before --from " + *from);
    return {*from, *to};
}

std::vector<std::string> storedDays(Session& s, const DayRange& range)
{
    std::vector<std::string> days = storedDaysInRange(s.layout(), range.from, range.to);
    if (days.empty())
        throw CommandError(ExitCode::NotFound, "no stored day between " + isoDate(range.from) + " and " +
                                                   isoDate(range.to) + " (see days)");
    return days;
}

namespace {

std::string leftOutText(const OddsLineTally& t)
{
    static constexpr const char* kWhy[] = {"of another kind", "cut short or too long", "of another race",
                                           "without a time"};
    std::string out;
    for (std::size_t i = 0; i < t.skipped.size(); ++i)
        if (t.skipped[i] > 0)
            out += (out.empty() ? "" : ", ") + std::to_string(t.skipped[i]) + " " + kWhy[i];
    return std::to_string(t.skippedTotal()) + " odds line(s) left out (" + out + ")";
}

} // namespace

ExitCode commandExport(Session& s)
{
    const Invocation& inv = s.inv();
    const DayRange range = dayRange(inv, true);

    ExportFormat format = ExportFormat::Sqlite;
    if (const std::string* f = inv.option("--format")) {
        const std::optional<ExportFormat> named = formatNamed(*f);
        if (!named)
            throw CommandError(ExitCode::Usage, "malformed --format " + *f + " (sqlite, postgres or csv)");
        format = *named;
    }
    if (!formatAvailable(format))
        throw CommandError(ExitCode::Usage, std::string(formatName(format)) + " is not available in this build");
    if (format == ExportFormat::Postgres && inv.has("--out"))
        throw CommandError(ExitCode::Usage, "postgres writes to --dsn CONNINFO, not to --out");
    if (format != ExportFormat::Postgres && inv.has("--dsn"))
        throw CommandError(ExitCode::Usage, "--dsn is for --format postgres; " + std::string(formatName(format)) +
                                                " writes to --out PATH");
    if (inv.cp932 && format != ExportFormat::Csv)
        throw CommandError(ExitCode::Usage, "--encoding cp932 is for --format csv (databases hold UTF-8)");
    if (inv.has("--no-bom") && (format != ExportFormat::Csv || inv.cp932))
        throw CommandError(ExitCode::Usage, "--no-bom is for --format csv in UTF-8 (CP932 files have no byte-order mark)");

    SinkOptions sinkOptions;
    if (const std::string* w = inv.option("--wait")) {
        std::int32_t seconds = 0;
        if (w->empty() || w->find_first_not_of("0123456789") != std::string::npos ||
            !text::tryParseInt32(*w, seconds) || seconds > 3600)
            throw CommandError(ExitCode::Usage, "malformed --wait " + *w + " (0-3600 seconds)");
        sinkOptions.lockWait = std::chrono::seconds(seconds);
    }

    SeasonExportOptions options;
    options.fromYmd = range.from;
    options.toYmd = range.to;
    if (const std::string* list = inv.option("--tables")) {
        std::string bad;
        const auto tables = parseTableList(*list, &bad);
        if (!tables)
            throw CommandError(ExitCode::Usage, "unknown table " + bad +
                                                    " in --tables (races, runners, win_place, bracket_quinella, "
                                                    "quinella, payouts)");
        options.tables = *tables;
    }
    options.programVersion = programVersion();
    options.exportedAt = text::formatDateTime("yyyy-mm-dd hh:nn:ss", s.host().now());

    const std::vector<std::string> days = storedDays(s, range);

    // Ctrl-C ends the export between two races: the day being written is rolled back,
    // the days before it stay, the indexes are built, and the summary says so.
    const std::function<bool()> interrupted =
        s.env().catchInterrupt ? s.env().catchInterrupt() : std::function<bool()>([] { return false; });
    std::atomic<bool> cancel{false};
    sinkOptions.giveUp = interrupted;
    sinkOptions.waiting = [&](const std::string& holder) {
        s.host().note("waiting for " + holder + " to finish (at most " +
                      std::to_string(std::chrono::duration_cast<std::chrono::seconds>(sinkOptions.lockWait).count()) +
                      " s)");
    };

    std::unique_ptr<TableSink> sink;
    try {
        switch (format) {
        case ExportFormat::Sqlite: {
            const std::filesystem::path out =
                inv.has("--out") ? text::pathFromUtf8(*inv.option("--out")) : s.home() / "season.sqlite";
            sink = openSqliteSink(out, sinkOptions);
            break;
        }
        case ExportFormat::Postgres:
            sink = openPostgresSink(inv.has("--dsn") ? *inv.option("--dsn") : std::string(), sinkOptions);
            break;
        case ExportFormat::Csv: {
            const std::filesystem::path out =
                inv.has("--out") ? text::pathFromUtf8(*inv.option("--out")) : s.layout().csvFolder() / "season";
            sink = openCsvSink(out, inv.cp932 ? CsvEncoding::Cp932 : CsvEncoding::Utf8, !inv.has("--no-bom"),
                               sinkOptions);
            break;
        }
        }
        s.host().note("exporting " + std::to_string(days.size()) + " day(s) into " + sink->describe());
        // A line a day: the listener also hears of every race.
        int lastDay = 0;
        const SeasonExportResult result = exportSeason(
            s.layout(), *sink, options,
            [&](const SeasonExportProgress& p) {
                if (interrupted())
                    cancel = true;
                if (p.finishing) {
                    s.host().note("every day is in; writing the meta rows and the indexes");
                    return;
                }
                if (p.day == lastDay)
                    return;
                lastDay = p.day;
                std::string line = text::toUtf8(p.dayLabel) + " (" + std::to_string(p.day) + "/" +
                                   std::to_string(p.days) + " days done): " + grouped(p.races) + " races, " +
                                   grouped(p.rows) + " rows";
                if (p.oddsLines.skippedTotal() > 0)
                    line += "; " + leftOutText(p.oddsLines);
                s.host().progress(text::sj(line));
            },
            &cancel);
        std::ostream& out = s.env().out;
        out << sink->describe() << '\n';
        out << "days\t" << result.days << '\n';
        for (SeasonTable t : options.tables)
            out << tableDef(t).name << '\t' << result.rowsOf(t) << '\n';
        out << "skipped_lines\t" << result.oddsLines.skippedTotal() << '\n';
        if (result.oddsLines.skippedTotal() > 0)
            s.host().note(leftOutText(result.oddsLines) + " in all (meta_days has them by day)");
        if (result.cancelled) {
            const bool files = format == ExportFormat::Csv;
            s.host().note(
                "interrupted: " +
                (files ? std::string("no file was written, the folder is as it was (CSV files appear whole when an "
                                     "export is done)")
                       : std::to_string(result.days) + " of " + std::to_string(days.size()) + " day(s) kept" +
                             (result.days > 0 ? " (" + text::toUtf8(days.front()) + " .. " +
                                                    text::toUtf8(days[static_cast<std::size_t>(result.days) - 1]) + ")"
                                              : std::string()) +
                             (static_cast<std::size_t>(result.days) < days.size()
                                  ? ", " + text::toUtf8(days[static_cast<std::size_t>(result.days)]) + " left as it was"
                                  : std::string()) +
                             ", the indexes built"));
            return ExitCode::Interrupted;
        }
    } catch (const SinkUnavailable& e) {
        throw CommandError(ExitCode::Usage, e.what());
    } catch (const SinkInterrupted& e) {
        throw CommandError(ExitCode::Interrupted, e.what());
    } catch (const SinkError& e) {
        throw CommandError(ExitCode::Database, e.what());
    }
    return ExitCode::Ok;
}

ExitCode commandBacktest(Session& s)
{
    const Invocation& inv = s.inv();
    const DayRange range = dayRange(inv, true);
    BacktestOptions options;
    options.fromYmd = range.from;
    options.toYmd = range.to;
    options.readSettings(s.ini());

    const std::string* ruleText = inv.option("--rule");
    if (!ruleText)
        throw CommandError(ExitCode::Usage, "backtest needs --rule RULE (see backtest --help)");
    std::string why;
    const std::optional<Rule> rule = parseRule(*ruleText, &why);
    if (!rule)
        throw CommandError(ExitCode::Usage, why);
    options.rule = *rule;
    if (const std::string* at = inv.option("--at")) {
        std::int32_t m = 0;
        if (at->empty() || at->find_first_not_of("0123456789") != std::string::npos || !text::tryParseInt32(*at, m) ||
            m > 600)
            throw CommandError(ExitCode::Usage, "malformed --at " + *at + " (minutes before the post, 0-600)");
        options.minutesBefore = m;
    }
    if (const std::string* bet = inv.option("--bet")) {
        if (*bet == "win")
            options.bet = BetKind::Win;
        else if (*bet == "place")
            options.bet = BetKind::Place;
        else
            throw CommandError(ExitCode::Usage, "malformed --bet " + *bet + " (win or place)");
    }
    const std::vector<std::string> days = storedDays(s, range);
    // A file that cannot be written is said before the run, not after it.
    const std::string* csv = inv.option("--csv");
    if (csv)
        text::discardPrepared(text::prepareFileAtomic(text::pathFromUtf8(*csv), {}, false));

    int lastDay = 0;
    const BacktestResult r = runBacktest(s.layout(), options, [&](const BacktestProgress& p) {
        if (p.day == lastDay)
            return; // a line a day
        lastDay = p.day;
        s.host().progress(text::sj(std::to_string(p.day) + "/" + std::to_string(p.days) + " days, " +
                                   std::to_string(p.races) + " races, " + std::to_string(p.bets) + " bets"));
    });

    std::string named = analytics::ruleText(options.rule);
    if (options.rule.kind == RuleKind::Gap && !options.rule.threshold)
        named += " (threshold " + text::formatFixed(options.gapThreshold(), 0, 2) + " from the settings)";
    std::ostream& out = s.env().out;
    out << "rule\t" << named << '\n';
    out << "range\t" << isoDate(range.from) << " .. " << isoDate(range.to) << " (" << r.days << " days)\n";
    out << "bet\t" << (options.bet == BetKind::Win ? "win" : "place") << ", 100 yen at the latest announcement "
        << options.minutesBefore << " minutes or more before the post\n";
    out << "races\t" << r.racesInRange << '\n';
    out << "races examined\t" << r.racesExamined << '\n';
    out << "skipped\t" << r.noOdds << " without odds, " << r.noResult << " without a result, " << r.noMoment
        << " without an announcement by the bet moment\n";
    out << "races with a bet\t" << r.total.races << '\n';
    out << "bets\t" << r.total.bets << '\n';
    out << "hits\t" << r.total.hits << '\n';
    out << "refunds\t" << r.total.refunds << '\n';
    out << "strike rate\t" << percent(r.total.strikeRate()) << '\n';
    out << "stake\t" << r.total.stake << '\n';
    out << "return\t" << r.total.payout << '\n';
    out << "roi\t" << percent(r.total.roi()) << '\n';
    if (r.roiInterval.valid)
        out << "roi 95% interval\t" << percent(r.roiInterval.low) << " .. " << percent(r.roiInterval.high)
            << " (bootstrap over the races, fixed seed)\n";
    else
        out << "roi 95% interval\tnone (fewer than two races with a bet)\n";
    out << "\nby track\ntrack\traces\tbets\thits\tstrike\tstake\treturn\troi\n";
    for (const Split& t : r.byTrack)
        out << text::toUtf8(t.name) << '\t' << tallyColumns(t.tally) << '\n';
    out << "\nby popularity band\nband\traces\tbets\thits\tstrike\tstake\treturn\troi\n";
    for (const Split& b : r.byBand)
        out << b.name << '\t' << tallyColumns(b.tally) << '\n';

    if (csv) {
        text::writeFileAtomic(text::pathFromUtf8(*csv), betsCsv(r));
        s.host().note(std::to_string(r.bets.size()) + " bets written to " + *csv);
    }
    return ExitCode::Ok;
}

} // namespace tidemark::cli
