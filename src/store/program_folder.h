#pragma once
// Where the program keeps its settings file, record store, CSV exports and error log.
//
// A program run from its build or unpacked folder keeps everything beside its executable.
// An installed program lives in a system folder it may not write to: the package puts a
// marker file beside the executable, and such a program (or one whose folder cannot be
// written) uses the user's own data folder instead. The manual stays where it was
// installed and is linked into the user's folder, where the help menu looks for it.

#include <filesystem>

namespace tidemark::store {

inline constexpr const char* kInstalledMarker = "Tidemark2NV.installed";

// True when files can be created in the folder.
bool isWritableFolder(const std::filesystem::path& folder);

// The program folder for an executable in exeFolder; userDataFolder is the desktop's
// per-user data folder of the program.
std::filesystem::path chooseProgramFolder(const std::filesystem::path& exeFolder,
                                          const std::filesystem::path& userDataFolder);

// Makes manualName in programFolder open the manual installed in exeFolder: a symbolic
// link, renewed when it points elsewhere. A real file the user put there is kept. Does
// nothing when both folders are one or no manual is installed; failures are silent (the
// help menu then says the manual is missing).
void linkInstalledManual(const std::filesystem::path& exeFolder, const std::filesystem::path& programFolder,
                         const char* manualName);

} // namespace tidemark::store
