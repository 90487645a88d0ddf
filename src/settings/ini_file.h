#pragma once
// The settings component: an INI-style CP932 file read and written directly on every
// access (no caching), so a value written by one window is seen by the next read in any
// other. Section and key names compare without regard to case.
//
// Reads report no file errors: a missing or unreadable file reads as "every key missing",
// so every value falls back to its default. Writes read the file first and throw
// text::FileError when it cannot be read or replaced, so a write never clobbers settings
// it could not see.
// Section and key names must be non-empty and hold no '=', ']' or line break (a key may
// not start with '['): anything else could not be read back and throws
// std::invalid_argument.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tidemark {

// One value to write: section, key and the text stored.
struct IniEntry {
    std::string section;
    std::string key;
    std::string value;
};

class IniFile {
public:
    // The file beside the executable: the executable's name with ".ini".
    static std::filesystem::path pathForExecutable(const std::filesystem::path& executable);

    explicit IniFile(std::filesystem::path path);

    const std::filesystem::path& path() const { return m_path; }
    void setPath(std::filesystem::path path) { m_path = std::move(path); }

    // Raw value as stored, blanks around it removed, one pair of double quotes removed,
    // cut to 2047 bytes (never inside a double-byte character); `def` when the key is
    // missing.
    std::string readRaw(std::string_view section, std::string_view key, std::string_view def) const;

    // Text: a missing key yields `def`; a value in half-width corner brackets or double
    // quotes loses them; "｢｣" or "\"\"" yields the empty text.
    std::string readString(std::string_view section, std::string_view key, std::string_view def) const;
    // Integer: decimal, or hexadecimal after "0x"/"0X"/"$"; anything else yields `def`.
    std::int32_t readInteger(std::string_view section, std::string_view key, std::int32_t def) const;
    // Flag: read as an integer with default 1 or 0; any non-zero integer is true.
    bool readBool(std::string_view section, std::string_view key, bool def) const;

    // Writes create the file, the section or the key when missing and replace the whole
    // file atomically. A line break inside a value is stored as a blank (the file holds one
    // value per line). Throw text::FileError.
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, std::int32_t value);
    void writeBool(std::string_view section, std::string_view key, bool value);
    // Several values in one replacement of the file: all of them are written or, when the
    // write fails, none. Names are checked before anything is written.
    void writeStrings(const std::vector<IniEntry>& entries);

private:
    std::filesystem::path m_path;
};

} // namespace tidemark
