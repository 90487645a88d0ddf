#pragma once
// Where an export writes its tables: one interface for a SQLite file, a PostgreSQL
// database and a folder of CSV files, so a table is defined once (season_table.h) and
// written anywhere.
//
// An export writes day by day, each day all or nothing:
//
//   open(tables)                       the place taken for this export alone, every
//                                      check made, then the tables made when missing
//   for every day:
//     beginDay()
//     removeRaces(keys)                the day's races leave every open table ...
//     write(table, row) ...            ... and come back with what the store holds now
//     commitDay()                      (rollbackDay() instead on a cancel or a failure)
//   finish(meta)                       the meta row, indexes, files put in place
//   abandon()                          instead of finish after a cancel or a failure
//
// So exporting a range again replaces exactly its races, and a cancelled or failed
// export keeps every day it finished and nothing of the day it was writing.
// Failures throw SinkError with a message for the user (UTF-8), whatever failed
// underneath (a database, a file of the CSV folder).
//
// Two exports never write into one place at once: open() takes a lock held for the
// run (a lock file beside the SQLite file or in the CSV folder, an advisory lock of
// the PostgreSQL database); a second export waits for it a bounded time, then refuses
// (SinkBusy). A database that fails a check (a table of another shape, tables of
// another version of this program) is refused before anything is written into it.

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <array>
#include <stdexcept>
#include <string>
#include <vector>

#include "analytics/season_table.h"
#include "text/file_lock.h"

namespace tidemark::analytics {

class SinkError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The format was left out of this build (its library was not found when it was built).
class SinkUnavailable : public SinkError {
public:
    using SinkError::SinkError;
};

// Another export holds the place and did not give it up in the time allowed.
class SinkBusy : public SinkError {
public:
    using SinkError::SinkError;
};

// The wait for another export's lock was given up (Ctrl-C): nothing was written.
class SinkInterrupted : public SinkError {
public:
    using SinkError::SinkError;
};

// How a sink waits for the lock of its place.
struct SinkOptions {
    // How long open() waits for another export into the same place to end.
    std::chrono::milliseconds lockWait{30000};
    // Asked while waiting: true gives the wait up (SinkInterrupted).
    std::function<bool()> giveUp;
    // Told once, when the place is found held: who holds it (UTF-8).
    std::function<void(const std::string&)> waiting;
};

// What the meta tables record about one export.
struct ExportMeta {
    struct Day {
        std::string day; // "yyyy-mm-dd"
        std::int64_t races = 0;
        std::int64_t oddsLines = 0; // odds lines exported
        std::array<std::int64_t, 4> skipped{}; // kind, length, race key, time
    };

    std::string exportedAt;     // "yyyy-mm-dd hh:mm:ss", local time
    std::string programVersion; // "1.15"
    std::string rangeFrom;      // "yyyy-mm-dd"
    std::string rangeTo;
    std::string tables; // "races,runners,win_place,payouts"
    std::int64_t days = 0;
    std::int64_t races = 0;
    std::vector<Day> dayRows; // the days written, oldest first

    std::int64_t oddsLines() const;
    std::int64_t skippedLines() const;
};

// The meta row of an export in the meta table's column order (views into `meta`).
std::array<Value, 11> metaRow(const ExportMeta& meta, std::int64_t exportId);
// The meta_days row of one of its days.
std::array<Value, 8> metaDayRow(const ExportMeta::Day& day, std::int64_t exportId);

class TableSink {
public:
    virtual ~TableSink() = default;

    // Takes the place for this export, checks it, then makes the tables that do not
    // exist yet. A table of the same name with other columns (a file of another
    // program, or of another version of this one) is refused, and nothing is written.
    virtual void open(std::span<const SeasonTable> tables) = 0;
    virtual void beginDay() = 0;
    // Every row of these races leaves every open table.
    virtual void removeRaces(std::span<const std::string> raceKeys) = 0;
    // One row of an open table, its values in column order.
    virtual void write(SeasonTable table, Row row) = 0;
    virtual void commitDay() = 0;
    // Discards what the day wrote. Never throws.
    virtual void rollbackDay() noexcept = 0;
    virtual void finish(const ExportMeta& meta) = 0;
    // The export ends early: what finished days wrote stays usable. Never throws.
    virtual void abandon() noexcept = 0;
    // The file, folder or database written to (UTF-8), for messages.
    virtual std::string describe() const = 0;
};

enum class ExportFormat { Sqlite, Postgres, Csv };

// "sqlite", "postgres", "csv".
std::string_view formatName(ExportFormat format);
std::optional<ExportFormat> formatNamed(std::string_view name);
// Whether this build can write the format (CSV always can).
bool formatAvailable(ExportFormat format);

enum class CsvEncoding { Utf8, Cp932 };

// One SQLite file, made when missing, in WAL mode (a notebook may read it while an
// export writes). Throws SinkUnavailable in a build without SQLite, SinkError when the
// file cannot be opened as a database.
std::unique_ptr<TableSink> openSqliteSink(const std::filesystem::path& file, const SinkOptions& options = {});
// A PostgreSQL database by its libpq connection string (empty: the PG* environment
// variables). Throws SinkUnavailable in a build without libpq, SinkError when the
// server cannot be reached.
std::unique_ptr<TableSink> openPostgresSink(const std::string& conninfo, const SinkOptions& options = {});
// A folder of CSV files, one per table ("win_place.csv"), each with a header line;
// made when missing. UTF-8 files begin with a byte-order mark unless told not to (so
// a spreadsheet reads them as UTF-8); CP932 files never do. The files appear when the
// export finishes, replacing files of the same names; an export that ends early
// leaves the folder as it was.
std::unique_ptr<TableSink> openCsvSink(const std::filesystem::path& folder, CsvEncoding encoding,
                                       bool byteOrderMark = true, const SinkOptions& options = {});

// One line of `row` as the CSV sink writes it (commas, CR LF, quotes where needed, NULL
// empty), texts in UTF-8: for a CSV file written whole outside an export.
void appendCsvLine(std::string& out, Row row);

// The lock of an export into `place` (a lock file's path), taken as SinkOptions say:
// waits while another export holds it, then throws SinkBusy naming `what` and the
// holder; SinkInterrupted when the wait is given up. `holder` is what this export
// writes into the lock file for the next one to read.
text::FileLock takeExportLock(const std::filesystem::path& lockFile, const std::string& what,
                              const std::string& holder, const SinkOptions& options);
// Waits as takeExportLock does for a lock that `tryTake` takes (true) or finds held
// (false, `holderNow` then says by whom when it can).
void waitForExportLock(const std::function<bool(std::string& holderNow)>& tryTake, const std::string& what,
                       const SinkOptions& options);
// "an export (process 4242, since 2024-02-01 12:00:03)": what an export writes into
// its lock for the one that finds it taken.
std::string exportLockHolder();

// A sink that writes nothing and counts the rows: the floor of the export's speed.
class CountingSink : public TableSink {
public:
    void open(std::span<const SeasonTable> /*tables*/) override {}
    void beginDay() override {}
    void removeRaces(std::span<const std::string> /*raceKeys*/) override {}
    void write(SeasonTable table, Row row) override;
    void commitDay() override {}
    void rollbackDay() noexcept override {}
    void finish(const ExportMeta& /*meta*/) override {}
    void abandon() noexcept override {}
    std::string describe() const override { return "nothing"; }

    std::int64_t rows(SeasonTable table) const { return m_rows[static_cast<std::size_t>(table)]; }
    // A sum over every value, so the rows cannot be optimised away.
    std::int64_t checksum() const { return m_checksum; }

private:
    std::array<std::int64_t, kSeasonTables.size()> m_rows{};
    std::int64_t m_checksum = 0;
};

namespace detail {
// Defined by the source file CMake chose for each format: the sink, or its stand-in
// that answers "not available in this build".
bool sqliteSinkBuilt() noexcept;
bool postgresSinkBuilt() noexcept;
} // namespace detail

} // namespace tidemark::analytics
