#pragma once
// What the engine asks of the system beyond files and text: the local clock and the
// per-user folders. One implementation per system (system_places_posix.cpp,
// system_places_win32.cpp).

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "text/date_time.h"

namespace tidemark::text {

// The wall clock in the computer's time zone, to the second.
DateTime localNow();

// True when files can be created in the folder.
bool isWritableFolder(const std::filesystem::path& folder);

// The user's own data folder for a program called `appName`: ~/.local/share/<appName>
// (or $XDG_DATA_HOME/<appName>) on Linux, %LOCALAPPDATA%\<appName> on Windows. Empty
// when the system does not say where the user's home is.
std::filesystem::path userDataFolder(std::string_view appName);

// The running program's own file (argv0 only where the system cannot say).
std::filesystem::path executablePath(const char* argv0);
// The file name of a program called `stem` on this system: "stem.exe" on Windows.
std::string executableFileName(std::string_view stem);

// The program's arguments as UTF-8, without the program's name (Windows hands main() its
// arguments in the ANSI code page; the wide command line has them whole).
std::vector<std::string> commandLineArguments(int argc, char** argv);

} // namespace tidemark::text
