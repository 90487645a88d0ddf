#pragma once
// The program's printf-style number formats. A value exactly halfway rounds away
// from zero in its shortest decimal form, as a person reads it: 1.25 in "%5.1f" is
// "  1.3" and 1.125 in "%6.2f" is "  1.13".

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tidemark::text {

// "%W.Df": right-aligned in at least `width` characters with `decimals` decimals.
std::string formatFixed(double value, int width, int decimals);
// The same text written into `out`, returning its length; a text longer than `size` is
// cut (32 bytes hold any value below 1e20 at widths up to 20; the quick path needs 12
// bytes or the width). For filling many cells without a string for each.
std::size_t formatFixedTo(char* out, std::size_t size, double value, int width, int decimals);
// formatFixed the long way, through the shortest decimal text of the value; the
// reference the quick path is held to.
std::string formatFixedSlowly(double value, int width, int decimals);

// "%Wd": right-aligned integer in at least `width` characters.
std::string formatInt(std::int64_t value, int width = 0);

// "%W.Dn": thousands separated by commas, `decimals` decimals, right-aligned.
std::string formatGrouped(double value, int width, int decimals = 0);

// Delphi's "0000"-style pattern: the integer with leading zeros to `digits` digits
// (a negative value keeps its sign in front).
std::string formatZeroPad(std::int64_t value, int digits);

// The program's integer-reading rule for record fields and texts: leading half-width
// blanks are skipped, an optional sign is accepted, the digits up to the first other
// character make the value; text without a leading number reads as 0. Saturates at
// the range of int64 instead of overflowing.
std::int64_t readInt(std::string_view s) noexcept;

// Strict integer conversion (settings values): surrounding blanks allowed, an optional
// sign, decimal digits or a "$"/"0x" hexadecimal number, nothing else; out-of-range
// values of a 32-bit integer fail. Returns false when the text is not such a number.
bool tryParseInt32(std::string_view s, std::int32_t& out) noexcept;

// Decimal reading of a grid cell or edit box ("  12.3", "-0.5"): like readInt but with
// an optional fraction. Text without a leading number reads as 0; `ok` tells which.
double readDecimal(std::string_view s, bool* ok = nullptr) noexcept;

} // namespace tidemark::text
