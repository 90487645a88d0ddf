#include "analytics/table_sink.h"

#include <thread>

#include "text/date_time.h"
#include "text/file_io.h"
#include "text/system_places.h"

namespace tidemark::analytics {

std::string_view formatName(ExportFormat format)
{
    switch (format) {
    case ExportFormat::Sqlite: return "sqlite";
    case ExportFormat::Postgres: return "postgres";
    case ExportFormat::Csv: return "csv";
    }
    return "csv";
}

std::optional<ExportFormat> formatNamed(std::string_view name)
{
    for (ExportFormat f : {ExportFormat::Sqlite, ExportFormat::Postgres, ExportFormat::Csv})
        if (formatName(f) == name)
            return f;
    return std::nullopt;
}

bool formatAvailable(ExportFormat format)
{
    switch (format) {
    case ExportFormat::Sqlite: return detail::sqliteSinkBuilt();
    case ExportFormat::Postgres: return detail::postgresSinkBuilt();
    case ExportFormat::Csv: return true;
    }
    return false;
}

std::int64_t ExportMeta::oddsLines() const
{
    std::int64_t n = 0;
    for (const Day& d : dayRows)
        n += d.oddsLines;
    return n;
}

std::int64_t ExportMeta::skippedLines() const
{
    std::int64_t n = 0;
    for (const Day& d : dayRows)
        for (std::int64_t s : d.skipped)
            n += s;
    return n;
}

std::array<Value, 11> metaRow(const ExportMeta& meta, std::int64_t exportId)
{
    return {Value::of(exportId),         Value::of(kSchemaVersion), Value::of(meta.exportedAt),
            Value::of(meta.programVersion), Value::of(meta.rangeFrom), Value::of(meta.rangeTo),
            Value::of(meta.tables),      Value::of(meta.days),      Value::of(meta.races),
            Value::of(meta.oddsLines()), Value::of(meta.skippedLines())};
}

std::array<Value, 8> metaDayRow(const ExportMeta::Day& day, std::int64_t exportId)
{
    return {Value::of(exportId),       Value::of(day.day),        Value::of(day.races),
            Value::of(day.oddsLines),  Value::of(day.skipped[0]), Value::of(day.skipped[1]),
            Value::of(day.skipped[2]), Value::of(day.skipped[3])};
}

void waitForExportLock(const std::function<bool(std::string& holderNow)>& tryTake, const std::string& what,
                       const SinkOptions& options)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point until = Clock::now() + options.lockWait;
    std::string holder;
    bool told = false;
    for (;;) {
        holder.clear();
        if (tryTake(holder))
            return;
        if (!told && options.waiting) {
            options.waiting(holder.empty() ? "another export" : holder);
            told = true;
        }
        if (options.giveUp && options.giveUp())
            throw SinkInterrupted(what + ": interrupted while waiting for " +
                                  (holder.empty() ? std::string("another export") : holder) +
                                  " to finish; nothing was written");
        if (Clock::now() >= until)
            throw SinkBusy(what + ": " + (holder.empty() ? std::string("another export") : holder) +
                           " is writing into it; try again when it has finished");
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

text::FileLock takeExportLock(const std::filesystem::path& lockFile, const std::string& what,
                              const std::string& holder, const SinkOptions& options)
{
    text::FileLock lock;
    try {
        waitForExportLock(
            [&](std::string& holderNow) {
                lock = text::FileLock::tryTake(lockFile, holder);
                if (!lock.held())
                    holderNow = text::FileLock::holderOf(lockFile);
                return lock.held();
            },
            what, options);
    } catch (const text::FileError& e) {
        throw SinkError(what + ": its lock cannot be taken: " + e.what());
    }
    return lock;
}

std::string exportLockHolder()
{
    return "an export (process " + std::to_string(text::currentProcessId()) + ", since " +
           text::formatDateTime("yyyy-mm-dd hh:nn:ss", text::localNow()) + ")";
}

void CountingSink::write(SeasonTable table, Row row)
{
    ++m_rows[static_cast<std::size_t>(table)];
    for (const Value& v : row) {
        switch (v.kind) {
        case Value::Kind::Null: break;
        case Value::Kind::Integer: m_checksum += v.integer; break;
        case Value::Kind::Real: m_checksum += static_cast<std::int64_t>(v.real * 10.0); break;
        case Value::Kind::Text: m_checksum += static_cast<std::int64_t>(v.text.size()); break;
        }
    }
}

} // namespace tidemark::analytics
