// The CSV sink: one file per table in a folder, a header line of column names, then
// one line per row (RFC 4180: commas, CR LF, a field quoted when it holds a comma, a
// quote or a line break; NULL is an empty field). Each file is written beside its
// target under a temporary name and renamed into place when the export finishes, so
// the folder only ever holds whole exports. A day's lines wait in memory until the
// day is committed.

#include <charconv>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "analytics/table_sink.h"
#include "text/cp932.h"
#include "text/file_io.h"

namespace tidemark::analytics {

namespace {

void appendInteger(std::string& out, std::int64_t v)
{
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

void appendReal(std::string& out, double v)
{
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

bool needsQuotes(std::string_view s)
{
    return s.find_first_of(",\"\r\n") != std::string_view::npos;
}

bool isAscii(std::string_view s)
{
    for (const char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

class CsvSink final : public TableSink {
public:
    CsvSink(std::filesystem::path folder, CsvEncoding encoding) : m_folder(std::move(folder)), m_encoding(encoding) {}
    ~CsvSink() override { abandon(); }

    void open(std::span<const SeasonTable> tables) override
    {
        text::ensureDirectory(m_folder);
        for (SeasonTable t : tables)
            start(tableDef(t));
        m_meta = std::make_unique<File>();
        m_meta->def = &metaTableDef();
    }

    void beginDay() override {}
    void removeRaces(std::span<const std::string> /*raceKeys*/) override {}

    void write(SeasonTable table, Row row) override
    {
        File* f = m_files[static_cast<std::size_t>(table)].get();
        if (f)
            appendLine(f->day, row);
    }

    void commitDay() override
    {
        for (auto& f : m_files) {
            if (!f || f->day.empty())
                continue;
            f->out.write(f->day.data(), static_cast<std::streamsize>(f->day.size()));
            f->day.clear();
            if (!f->out)
                throw text::FileError(pathText(f->target) + ": cannot be written");
        }
    }

    void rollbackDay() noexcept override
    {
        for (auto& f : m_files)
            if (f)
                f->day.clear();
    }

    void finish(const ExportMeta& meta) override
    {
        // The meta file is written whole, like the tables' files.
        start(metaTableDef(), *m_meta);
        appendLine(m_meta->day, metaRow(meta));
        m_files.push_back(std::move(m_meta));
        commitDay();
        for (auto& f : m_files) {
            if (!f)
                continue;
            f->out.close();
            if (!f->out)
                throw text::FileError(pathText(f->target) + ": cannot be written");
        }
        for (auto& f : m_files) {
            if (!f)
                continue;
            text::flushPrepared(f->temporary, f->target);
            text::commitFileAtomic(f->temporary, f->target, false);
            f->committed = true;
        }
        text::flushFolderOf(m_folder / "races.csv");
        m_files.clear();
    }

    void abandon() noexcept override
    {
        for (auto& f : m_files) {
            if (!f || f->committed)
                continue;
            f->out.close();
            text::discardPrepared(f->temporary);
        }
        m_files.clear();
    }

    std::string describe() const override { return pathText(m_folder); }

private:
    struct File {
        const TableDef* def = nullptr;
        std::filesystem::path target;
        std::filesystem::path temporary;
        std::ofstream out;
        std::string day; // lines of the day being written
        bool committed = false;
    };

    static std::string pathText(const std::filesystem::path& p)
    {
        const std::u8string s = p.u8string();
        return std::string(s.begin(), s.end());
    }

    void start(const TableDef& def)
    {
        auto f = std::make_unique<File>();
        start(def, *f);
        const std::size_t index = static_cast<std::size_t>(def.id);
        if (m_files.size() <= index)
            m_files.resize(kSeasonTables.size());
        m_files[index] = std::move(f);
    }

    void start(const TableDef& def, File& f)
    {
        f.def = &def;
        f.target = m_folder / (std::string(def.name) + ".csv");
        f.temporary = text::temporaryFileOf(f.target);
        f.out.open(f.temporary, std::ios::binary | std::ios::trunc);
        if (!f.out)
            throw text::FileError(pathText(f.temporary) + ": cannot be created");
        std::string header;
        for (std::size_t c = 0; c < def.columns.size(); ++c) {
            if (c)
                header += ',';
            header += def.columns[c].name;
        }
        header += "\r\n";
        f.out.write(header.data(), static_cast<std::streamsize>(header.size()));
    }

    void appendText(std::string& out, std::string_view utf8)
    {
        std::string_view s = utf8;
        if (m_encoding == CsvEncoding::Cp932 && !isAscii(utf8)) {
            m_converted = text::fromUtf8(utf8);
            s = m_converted;
        }
        if (!needsQuotes(s)) {
            out.append(s);
            return;
        }
        out += '"';
        for (const char c : s) {
            if (c == '"')
                out += '"';
            out += c;
        }
        out += '"';
    }

    void appendLine(std::string& out, Row row)
    {
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c)
                out += ',';
            const Value& v = row[c];
            switch (v.kind) {
            case Value::Kind::Null: break;
            case Value::Kind::Integer: appendInteger(out, v.integer); break;
            case Value::Kind::Real: appendReal(out, v.real); break;
            case Value::Kind::Text: appendText(out, v.text); break;
            }
        }
        out += "\r\n";
    }

    std::filesystem::path m_folder;
    CsvEncoding m_encoding;
    std::vector<std::unique_ptr<File>> m_files; // by table
    std::unique_ptr<File> m_meta;
    std::string m_converted;
};

} // namespace

std::unique_ptr<TableSink> openCsvSink(const std::filesystem::path& folder, CsvEncoding encoding)
{
    return std::make_unique<CsvSink>(folder, encoding);
}

} // namespace tidemark::analytics
