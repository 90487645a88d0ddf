#include "text/system_places.h"

#include <cstdlib>
#include <ctime>
#include <unistd.h>

#include <system_error>

#include "text/file_io.h"

namespace tidemark::text {

DateTime localNow()
{
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    return DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                    local.tm_hour,        local.tm_min,     local.tm_sec};
}

bool isWritableFolder(const std::filesystem::path& folder)
{
    std::error_code ec;
    return std::filesystem::is_directory(folder, ec) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

std::filesystem::path userDataFolder(std::string_view appName)
{
    const std::filesystem::path app = pathFromUtf8(appName);
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/')
        return std::filesystem::path(xdg) / app;
    if (const char* home = std::getenv("HOME"); home && home[0] != '\0')
        return std::filesystem::path(home) / ".local" / "share" / app;
    return {};
}

std::string executableFileName(std::string_view stem) { return std::string(stem); }

std::filesystem::path executablePath(const char* argv0)
{
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        exe = std::filesystem::absolute(argv0 ? argv0 : "", ec);
    return exe;
}

std::vector<std::string> commandLineArguments(int argc, char** argv)
{
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

} // namespace tidemark::text
