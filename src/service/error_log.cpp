#include "service/error_log.h"

#include <utility>

#include "text/cp932.h"
#include "text/file_io.h"

namespace tidemark {
namespace {

// CR LF, LF or a lone CR end a line; a last line without an ending still counts.
std::vector<std::string> splitLines(const std::string& bytes)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        out.push_back(bytes.substr(start, i - start));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        out.push_back(bytes.substr(start));
    return out;
}

std::string oneLine(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r' || s[i] == '\n') {
            out.push_back(' ');
            if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')
                ++i;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

} // namespace

ErrorLog::ErrorLog(std::filesystem::path programFolder) : m_path(std::move(programFolder) / "ErrorLog.txt") {}

void ErrorLog::load()
{
    m_lines = splitLines(text::readFile(m_path));
}

void ErrorLog::save() const
{
    std::string bytes;
    for (const std::string& l : m_lines) {
        bytes += l;
        bytes += "\r\n";
    }
    text::writeFileAtomic(m_path, bytes);
}

void ErrorLog::startUp(const text::DateTime& now, std::string_view programFolderCp932)
{
    std::string bytes;
    if (text::tryReadFile(m_path, bytes))
        m_lines = splitLines(bytes);
    else
        m_lines.clear();
    if (m_lines.size() > kKeptLines)
        m_lines.erase(m_lines.begin(), m_lines.end() - static_cast<std::ptrdiff_t>(kKeptLines));
    m_lines.push_back(text::sj("ソフト起動：") + text::formatDateTime("yyyy/mm/dd hh:nn:ss", now));
    m_lines.push_back(oneLine(programFolderCp932));
    save();
}

void ErrorLog::append(std::string_view messageCp932, const text::DateTime& now)
{
    load();
    m_lines.push_back(text::sj("【エラー】") + text::formatDateTime("hh:nn:ss", now) + text::sj("：") +
                      oneLine(messageCp932));
    save();
}

} // namespace tidemark
