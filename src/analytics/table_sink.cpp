#include "analytics/table_sink.h"

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

std::array<Value, 7> metaRow(const ExportMeta& meta)
{
    return {Value::of(meta.exportedAt), Value::of(meta.programVersion), Value::of(meta.rangeFrom),
            Value::of(meta.rangeTo),    Value::of(meta.tables),         Value::of(meta.days),
            Value::of(meta.races)};
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
