#include "text/system_places.h"

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <system_error>

#include "text/file_io.h"

namespace tidemark::text {

DateTime localNow()
{
    SYSTEMTIME t{};
    GetLocalTime(&t);
    return DateTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

bool isWritableFolder(const std::filesystem::path& folder)
{
    // Windows answers "may I write here" truly only to an attempt: a probe file made and
    // removed at once.
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec))
        return false;
    const std::filesystem::path probe = folder / L"~tidemark-write-probe.tmp";
    HANDLE h = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_EXISTS;
    CloseHandle(h);
    return true;
}

std::filesystem::path userDataFolder(std::string_view appName)
{
    const DWORD n = GetEnvironmentVariableW(L"LOCALAPPDATA", nullptr, 0);
    if (n == 0)
        return {};
    std::wstring dir(n, L'\0');
    const DWORD got = GetEnvironmentVariableW(L"LOCALAPPDATA", dir.data(), n);
    if (got == 0 || got >= n)
        return {};
    dir.resize(got);
    return std::filesystem::path(dir) / pathFromUtf8(appName);
}

std::string executableFileName(std::string_view stem) { return std::string(stem) + ".exe"; }

std::filesystem::path executablePath(const char* argv0)
{
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0)
            break;
        if (n < buf.size()) {
            buf.resize(n);
            return std::filesystem::path(buf);
        }
        buf.resize(buf.size() * 2);
    }
    std::error_code ec;
    return std::filesystem::absolute(argv0 ? argv0 : "", ec);
}

std::vector<std::string> commandLineArguments(int argc, char** argv)
{
    int n = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &n);
    if (!wide)
        return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
    std::vector<std::string> args;
    for (int i = 1; i < n; ++i) {
        const std::filesystem::path arg(wide[i]);
        args.push_back(utf8Path(arg));
    }
    LocalFree(wide);
    return args;
}

} // namespace tidemark::text
