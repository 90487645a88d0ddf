// The CSV sink: one file per table in a folder, a header line of column names, then
// one line per row (RFC 4180: commas, CR LF, a field quoted when it holds a comma, a
// quote or a line break; NULL is an empty field). UTF-8 files begin with a byte-order
// mark unless told not to, so that Excel reads them as UTF-8; CP932 files have none.
// Each file is written beside its target under a temporary name and renamed into
// place when the export finishes, so the folder only ever holds whole exports; an
// export that ends early removes its temporary files. A day's lines wait in memory
// until the day is committed. The folder is taken for the run with a lock file in it
// ("export.lock"), so two exports never write the same temporary files.

#include <charconv>
#include <string>
#include <vector>

#include "analytics/table_sink.h"
#include "text/cp932.h"
#include "text/file_io.h"

namespace tidemark::analytics {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

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

void appendText(std::string& out, std::string_view utf8, CsvEncoding encoding, std::string& converted)
{
    std::string_view s = utf8;
    if (encoding == CsvEncoding::Cp932 && !isAscii(utf8)) {
        converted = text::fromUtf8(utf8);
        s = converted;
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

void appendCsvLine(std::string& out, Row row, CsvEncoding encoding, std::string& converted)
{
    for (std::size_t c = 0; c < row.size(); ++c) {
        if (c)
            out += ',';
        const Value& v = row[c];
        switch (v.kind) {
        case Value::Kind::Null: break;
        case Value::Kind::Integer: appendInteger(out, v.integer); break;
        case Value::Kind::Real: appendReal(out, v.real); break;
        case Value::Kind::Text: appendText(out, v.text, encoding, converted); break;
        }
    }
    out += "\r\n";
}

// Runs a file step; its file error is the sink's failure, as the interface promises.
template <class Step>
void guarded(Step step)
{
    try {
        step();
    } catch (const text::FileError& e) {
        throw SinkError(e.what());
    }
}

class CsvSink final : public TableSink {
public:
    CsvSink(std::filesystem::path folder, CsvEncoding encoding, bool byteOrderMark, SinkOptions options)
        : m_folder(std::move(folder))
        , m_encoding(encoding)
        , m_byteOrderMark(byteOrderMark && encoding == CsvEncoding::Utf8)
        , m_options(std::move(options))
    {
    }
    ~CsvSink() override { abandon(); }

    void open(std::span<const SeasonTable> tables) override
    {
        guarded([&] { text::ensureDirectory(m_folder); });
        m_lock = takeExportLock(m_folder / "export.lock", describe(), exportLockHolder(), m_options);
        // What an export killed before it finished left behind; no other export
        // writes these names while the lock is held.
        for (SeasonTable t : kSeasonTables)
            text::discardPrepared(text::temporaryFileOf(target(tableDef(t))));
        for (const TableDef* def : {&metaTableDef(), &metaDaysTableDef()})
            text::discardPrepared(text::temporaryFileOf(target(*def)));
        m_files.clear();
        m_files.resize(kSeasonTables.size());
        for (SeasonTable t : tables)
            m_files[static_cast<std::size_t>(t)] = start(tableDef(t));
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
            guarded([&] { f->out.append(f->day); });
            f->day.clear();
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
        // The meta files are written whole, like the tables' files; a CSV folder holds
        // one export, its number 1.
        std::unique_ptr<File> metaFile = start(metaTableDef());
        appendLine(metaFile->day, metaRow(meta, 1));
        std::unique_ptr<File> dayFile = start(metaDaysTableDef());
        for (const ExportMeta::Day& day : meta.dayRows)
            appendLine(dayFile->day, metaDayRow(day, 1));
        m_files.push_back(std::move(metaFile));
        m_files.push_back(std::move(dayFile));
        commitDay();
        guarded([&] {
            for (auto& f : m_files)
                if (f)
                    f->out.finish();
            for (auto& f : m_files)
                if (f)
                    f->out.commit(false);
            text::flushFolderOf(m_folder / "races.csv");
        });
        m_files.clear();
        m_lock.release();
    }

    void abandon() noexcept override
    {
        for (auto& f : m_files)
            if (f)
                f->out.discard();
        m_files.clear();
        m_lock.release();
    }

    std::string describe() const override { return text::utf8Path(m_folder); }

private:
    struct File {
        explicit File(const std::filesystem::path& target) : out(target) {}
        text::StreamedFile out;
        std::string day; // lines of the day being written
    };

    std::filesystem::path target(const TableDef& def) const { return m_folder / (std::string(def.name) + ".csv"); }

    std::unique_ptr<File> start(const TableDef& def)
    {
        std::unique_ptr<File> f;
        guarded([&] { f = std::make_unique<File>(target(def)); });
        if (m_byteOrderMark)
            f->day += kByteOrderMark;
        for (std::size_t c = 0; c < def.columns.size(); ++c) {
            if (c)
                f->day += ',';
            f->day += def.columns[c].name;
        }
        f->day += "\r\n";
        return f;
    }

    void appendLine(std::string& out, Row row) { appendCsvLine(out, row, m_encoding, m_converted); }

    std::filesystem::path m_folder;
    CsvEncoding m_encoding;
    bool m_byteOrderMark;
    SinkOptions m_options;
    text::FileLock m_lock;
    std::vector<std::unique_ptr<File>> m_files; // by table; the meta files last when finishing
    std::string m_converted;
};

} // namespace

void appendCsvLine(std::string& out, Row row)
{
    std::string converted;
    appendCsvLine(out, row, CsvEncoding::Utf8, converted);
}

std::unique_ptr<TableSink> openCsvSink(const std::filesystem::path& folder, CsvEncoding encoding, bool byteOrderMark,
                                       const SinkOptions& options)
{
    return std::make_unique<CsvSink>(folder, encoding, byteOrderMark, options);
}

} // namespace tidemark::analytics
