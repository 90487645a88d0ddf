// Seasons from the command line: the export of a range of stored days as tables for
// SQL, pandas, R or a spreadsheet.

#include "cli/cli_session.h"

#include <ostream>

#include "analytics/season_export.h"
#include "analytics/season_reader.h"
#include "presentation/main_window_texts.h"
#include "text/cp932.h"
#include "text/date_time.h"
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

    std::unique_ptr<TableSink> sink;
    try {
        switch (format) {
        case ExportFormat::Sqlite: {
            const std::filesystem::path out =
                inv.has("--out") ? std::filesystem::path(*inv.option("--out")) : s.home() / "season.sqlite";
            sink = openSqliteSink(out);
            break;
        }
        case ExportFormat::Postgres:
            sink = openPostgresSink(inv.has("--dsn") ? *inv.option("--dsn") : std::string());
            break;
        case ExportFormat::Csv: {
            const std::filesystem::path out =
                inv.has("--out") ? std::filesystem::path(*inv.option("--out")) : s.layout().csvFolder() / "season";
            sink = openCsvSink(out, inv.cp932 ? CsvEncoding::Cp932 : CsvEncoding::Utf8);
            break;
        }
        }
        s.host().note("exporting " + std::to_string(days.size()) + " day(s) into " + sink->describe());
        const SeasonExportResult result = exportSeason(
            s.layout(), *sink, options, [&](const SeasonExportProgress& p) {
                s.host().progress(text::sj(text::toUtf8(p.dayLabel) + " (" + std::to_string(p.day) + "/" +
                                           std::to_string(p.days) + " days done): " + grouped(p.races) +
                                           " races, " + grouped(p.rows) + " rows"));
            });
        std::ostream& out = s.env().out;
        out << sink->describe() << '\n';
        out << "days\t" << result.days << '\n';
        out << "races\t" << result.races << '\n';
        for (SeasonTable t : options.tables)
            out << tableDef(t).name << '\t' << result.rowsOf(t) << '\n';
    } catch (const SinkUnavailable& e) {
        throw CommandError(ExitCode::Usage, e.what());
    } catch (const SinkError& e) {
        throw CommandError(ExitCode::Database, e.what());
    }
    return ExitCode::Ok;
}

} // namespace tidemark::cli
