#pragma once
// CP932 (Windows Shift-JIS) byte strings: the program's own text encoding.
// Every record, settings value, log line and displayed text inside the engine is a
// std::string of CP932 bytes; positions and widths are byte counts.

#include <string>
#include <string_view>

namespace tidemark::text {

// First byte of a double-byte CP932 character.
constexpr bool isLeadByte(unsigned char c) noexcept
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// CP932 -> UTF-8 for the screen and file names. Never fails: a dangling lead byte at
// the end (a cut in the middle of a character) and undecodable bytes are dropped.
std::string toUtf8(std::string_view cp932);

// UTF-8 -> CP932. Characters CP932 cannot hold become "?".
std::string fromUtf8(std::string_view utf8);

// UTF-16 (a COM component's texts) -> CP932 and back, through the conversions above.
// An unpaired surrogate becomes "?" on the way in, as any character CP932 cannot hold.
std::string fromUtf16(std::u16string_view utf16);
std::u16string toUtf16(std::string_view cp932);

// Shorthand for a CP932 text written in the source as UTF-8: sj("大井").
inline std::string sj(std::string_view utf8) { return fromUtf8(utf8); }

// Bytes [pos, pos+len) counted from 1, clipped to the string: a short text yields
// what it has, never an out-of-range read.
std::string_view bytesAt(std::string_view s, std::size_t pos1, std::size_t len) noexcept;

// Delphi-style Trim: removes bytes <= 0x20 from both ends (never a full-width blank).
std::string_view trim(std::string_view s) noexcept;
std::string_view trimRight(std::string_view s) noexcept;
std::string_view trimLeft(std::string_view s) noexcept;
// Trim that also removes full-width blanks (81 40) at both ends, walking by characters so
// that the trail byte of a double-byte character is never taken for a blank: a name as
// the service pads it, without its padding.
std::string_view trimBlanks(std::string_view s) noexcept;

// Blank-padded to exactly `width` bytes (text left, blanks right) / (blanks left).
std::string padRight(std::string_view s, std::size_t width);
std::string padLeft(std::string_view s, std::size_t width);

// Upper-cases ASCII letters only, leaving every byte of a double-byte character as is.
std::string asciiUpper(std::string_view s);
// Case-insensitive comparison over ASCII letters, double-byte characters compared as bytes.
int compareNoCase(std::string_view a, std::string_view b) noexcept;
inline bool equalsNoCase(std::string_view a, std::string_view b) noexcept { return compareNoCase(a, b) == 0; }

} // namespace tidemark::text
