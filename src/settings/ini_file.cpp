#include "settings/ini_file.h"

#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "text/cp932.h"
#include "text/file_io.h"
#include "text/number_format.h"

namespace tidemark {
namespace {

// The platform's profile buffer holds 2047 characters and the terminating zero.
constexpr std::size_t kMaxValueBytes = 2047;

constexpr unsigned char kCornerOpen = 0xA2;  // half-width "｢"
constexpr unsigned char kCornerClose = 0xA3; // half-width "｣"

// Position of the first single-byte `c` in s, stepping over double-byte characters
// (their trail byte may be the same byte, ']' for one); npos when none.
std::size_t findSingleByte(std::string_view s, char c)
{
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == c)
            return i;
        if (text::isLeadByte(static_cast<unsigned char>(s[i])))
            ++i;
    }
    return std::string_view::npos;
}

// True when the last byte of s is a character of its own, not the trail byte of a
// double-byte character.
bool lastByteIsSingle(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t step = text::isLeadByte(static_cast<unsigned char>(s[i])) ? 2 : 1;
        if (i + step >= s.size())
            return step == 1 || i + 1 == s.size();
        i += step;
    }
    return false;
}

// Cuts s to at most kMaxValueBytes without leaving half of a double-byte character.
std::string cutValue(std::string_view s)
{
    if (s.size() <= kMaxValueBytes)
        return std::string(s);
    std::size_t i = 0;
    while (i < kMaxValueBytes) {
        std::size_t step = text::isLeadByte(static_cast<unsigned char>(s[i])) ? 2 : 1;
        if (i + step > kMaxValueBytes)
            break;
        i += step;
    }
    return std::string(s.substr(0, i));
}

void checkName(std::string_view name, const char* what, bool isKey)
{
    std::string_view t = text::trim(name);
    auto fail = [&](const char* why) {
        throw std::invalid_argument(std::string("settings ") + what + " name \"" + std::string(name) + "\" " + why);
    };
    if (t.empty())
        fail("is empty");
    if (name.find('\n') != std::string_view::npos || name.find('\r') != std::string_view::npos)
        fail("holds a line break");
    if (findSingleByte(name, '=') != std::string_view::npos)
        fail("holds '='");
    if (findSingleByte(name, ']') != std::string_view::npos)
        fail("holds ']'");
    if (isKey && t.front() == '[')
        fail("starts with '['");
}

// One line of the file, classified once.
struct Line {
    enum class Kind { Other, Section, Key };
    std::string text;
    Kind kind = Kind::Other;
    std::string name;  // section or key name, trimmed
    std::string value; // key value, trimmed
};

Line classify(std::string text)
{
    Line line;
    line.text = std::move(text);
    std::string_view t = text::trim(line.text);
    if (!t.empty() && t.front() == '[') {
        std::size_t close = findSingleByte(t.substr(1), ']');
        if (close != std::string_view::npos) {
            line.kind = Line::Kind::Section;
            line.name = std::string(text::trim(t.substr(1, close)));
        }
        return line;
    }
    std::size_t eq = t.find('=');
    if (eq != std::string_view::npos) {
        std::string_view key = text::trim(t.substr(0, eq));
        if (!key.empty()) {
            line.kind = Line::Kind::Key;
            line.name = std::string(key);
            line.value = std::string(text::trim(t.substr(eq + 1)));
        }
    }
    return line;
}

// The file as lines; CR LF, LF and a lone CR all end a line.
std::vector<Line> parse(const std::string& bytes)
{
    std::vector<Line> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        lines.push_back(classify(bytes.substr(start, i - start)));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines.push_back(classify(bytes.substr(start)));
    return lines;
}

// Index of the header of the first section named `section`; npos when none.
std::size_t findSection(const std::vector<Line>& lines, std::string_view section)
{
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].kind == Line::Kind::Section && text::equalsNoCase(lines[i].name, section))
            return i;
    return std::string::npos;
}

// One past the last line of the section whose header is at `header`.
std::size_t sectionEnd(const std::vector<Line>& lines, std::size_t header)
{
    std::size_t i = header + 1;
    while (i < lines.size() && lines[i].kind != Line::Kind::Section)
        ++i;
    return i;
}

std::size_t findKey(const std::vector<Line>& lines, std::size_t header, std::size_t end, std::string_view key)
{
    for (std::size_t i = header + 1; i < end; ++i)
        if (lines[i].kind == Line::Kind::Key && text::equalsNoCase(lines[i].name, key))
            return i;
    return std::string::npos;
}

// A value is one line of the file: a line break inside it becomes a blank.
std::string singleLine(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (c == '\r' || c == '\n') {
            out.push_back(' ');
            if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n')
                ++i;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

} // namespace

std::filesystem::path IniFile::pathForExecutable(const std::filesystem::path& executable)
{
    std::filesystem::path p = executable;
    p.replace_extension(".ini");
    return p;
}

IniFile::IniFile(std::filesystem::path path) : m_path(std::move(path)) {}

namespace {

// The stored value of section/key (trimmed, one pair of double quotes removed, cut),
// nullopt when the key is missing or the file cannot be read.
std::optional<std::string> lookUp(const std::filesystem::path& path, std::string_view section, std::string_view key)
{
    checkName(section, "section", false);
    checkName(key, "key", true);
    std::string bytes;
    try {
        if (!text::tryReadFile(path, bytes))
            return std::nullopt;
    } catch (const text::FileError&) {
        return std::nullopt;
    }
    std::vector<Line> lines = parse(bytes);
    std::string_view s = text::trim(section);
    std::string_view k = text::trim(key);
    std::size_t header = findSection(lines, s);
    if (header == std::string::npos)
        return std::nullopt;
    std::size_t at = findKey(lines, header, sectionEnd(lines, header), k);
    if (at == std::string::npos)
        return std::nullopt;
    std::string_view v = lines[at].value;
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
        v = v.substr(1, v.size() - 2);
    return cutValue(v);
}

} // namespace

std::string IniFile::readRaw(std::string_view section, std::string_view key, std::string_view def) const
{
    std::optional<std::string> v = lookUp(m_path, section, key);
    return v ? std::move(*v) : cutValue(def);
}

std::string IniFile::readString(std::string_view section, std::string_view key, std::string_view def) const
{
    std::optional<std::string> found = lookUp(m_path, section, key);
    if (!found)
        return cutValue(def); // what the bracketed default comes back as
    const std::string& v = *found;
    if (v.size() == 2 &&
        (v == "\"\"" || (static_cast<unsigned char>(v[0]) == kCornerOpen &&
                         static_cast<unsigned char>(v[1]) == kCornerClose)))
        return {};
    if (v.size() > 2) {
        bool quoted = v.front() == '"' && v.back() == '"';
        // The closing bracket must be a character of its own: the same byte also ends
        // many double-byte characters, which must not be cut in half.
        bool bracketed = static_cast<unsigned char>(v.front()) == kCornerOpen &&
                         static_cast<unsigned char>(v.back()) == kCornerClose && lastByteIsSingle(v);
        if (quoted || bracketed)
            return v.substr(1, v.size() - 2);
    }
    return v;
}

std::int32_t IniFile::readInteger(std::string_view section, std::string_view key, std::int32_t def) const
{
    std::optional<std::string> v = lookUp(m_path, section, key);
    std::int32_t out = 0;
    if (v && text::tryParseInt32(*v, out))
        return out;
    return def;
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool def) const
{
    return readInteger(section, key, def ? 1 : 0) != 0;
}

namespace {

// The file `bytes` with section/key set to `value`; every other line kept as it was.
std::string withValue(const std::string& bytes, std::string_view section, std::string_view key,
                      std::string_view value)
{
    checkName(section, "section", false);
    checkName(key, "key", true);
    std::string_view s = text::trim(section);
    std::string_view k = text::trim(key);
    std::vector<Line> lines = parse(bytes);
    std::vector<std::string> out;
    out.reserve(lines.size() + 2);
    for (const Line& l : lines)
        out.push_back(l.text);

    std::string v = singleLine(value);
    std::size_t header = findSection(lines, s);
    if (header == std::string::npos) {
        out.push_back("[" + std::string(s) + "]");
        out.push_back(std::string(k) + "=" + v);
    } else {
        std::size_t end = sectionEnd(lines, header);
        std::size_t at = findKey(lines, header, end, k);
        if (at != std::string::npos) {
            // Keep the key as it is spelled in the file.
            out[at] = lines[at].name + "=" + v;
        } else {
            // After the section's last line that is not blank, so that blank lines
            // separating it from the next section stay where they are.
            std::size_t insertAt = header + 1;
            for (std::size_t i = header + 1; i < end; ++i)
                if (!text::trim(lines[i].text).empty())
                    insertAt = i + 1;
            out.insert(out.begin() + static_cast<std::ptrdiff_t>(insertAt), std::string(k) + "=" + v);
        }
    }

    std::string file;
    for (const std::string& l : out) {
        file += l;
        file += "\r\n";
    }
    return file;
}

} // namespace

void IniFile::writeString(std::string_view section, std::string_view key, std::string_view value)
{
    writeStrings({{std::string(section), std::string(key), std::string(value)}});
}

void IniFile::writeStrings(const std::vector<IniEntry>& entries)
{
    for (const IniEntry& e : entries) {
        checkName(e.section, "section", false);
        checkName(e.key, "key", true);
    }
    std::string bytes;
    text::tryReadFile(m_path, bytes); // throws when the file exists but cannot be read
    for (const IniEntry& e : entries)
        bytes = withValue(bytes, e.section, e.key, e.value);
    text::writeFileAtomic(m_path, bytes);
}

void IniFile::writeInteger(std::string_view section, std::string_view key, std::int32_t value)
{
    writeString(section, key, std::to_string(value));
}

void IniFile::writeBool(std::string_view section, std::string_view key, bool value)
{
    writeString(section, key, value ? "1" : "0");
}

} // namespace tidemark
