#include "store/program_folder.h"

#include <system_error>

#include "text/system_places.h"

namespace tidemark::store {

namespace fs = std::filesystem;

bool isWritableFolder(const fs::path& folder) { return text::isWritableFolder(folder); }

fs::path chooseProgramFolder(const fs::path& exeFolder, const fs::path& userDataFolder)
{
    std::error_code ec;
    const bool installed = fs::exists(exeFolder / kInstalledMarker, ec);
    if ((installed || !isWritableFolder(exeFolder)) && !userDataFolder.empty())
        return userDataFolder;
    return exeFolder;
}

void linkInstalledManual(const fs::path& exeFolder, const fs::path& programFolder, const char* manualName)
{
    std::error_code ec;
    if (fs::equivalent(exeFolder, programFolder, ec))
        return;
    const fs::path installed = exeFolder / manualName;
    if (!fs::is_regular_file(installed, ec))
        return;
    const fs::path link = programFolder / manualName;
    const fs::file_status st = fs::symlink_status(link, ec);
    if (fs::is_symlink(st)) {
        if (fs::read_symlink(link, ec) == installed && !ec)
            return;
        fs::remove(link, ec);
    } else if (fs::exists(st)) {
        return; // the user's own copy
    }
    fs::create_symlink(installed, link, ec);
    if (!ec)
        return;
    // Where a user may not make symbolic links (Windows, by default), the manual is linked
    // hard, or else copied: the help menu opens it from the program folder either way.
    ec.clear();
    fs::create_hard_link(installed, link, ec);
    if (ec)
        fs::copy_file(installed, link, ec);
}

} // namespace tidemark::store
