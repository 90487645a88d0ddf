#pragma once
// Code tables of local racing: record codes to the texts the program shows, writes
// into file names and exports. Plain functions without state; every text is CP932.

#include <string>
#include <string_view>

namespace tidemark::KeibaFuncNV {

// Track name of a two-character track code. Form 2: two full-width characters
// (4 bytes), four half-width blanks for an unlisted code. Form 0: 6 bytes.
std::string TrackName(std::string_view code, int form);

} // namespace tidemark::KeibaFuncNV
