// The export lock on Windows: the lock file held open for writing without sharing its
// writing, so a second writer's open fails with a sharing violation; opened to be
// deleted on close, so the system removes it when the holder's handle closes, however
// the holder ends. Readers of the holder's line share everything and never block it.
#include "text/file_lock.h"

#include <windows.h>

#include "text/file_io.h"

namespace tidemark::text {

namespace {

[[noreturn]] void failWin(const std::filesystem::path& path, DWORD code)
{
    // The system's own text, as every other file error on this system gives it.
    wchar_t* buf = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<LPWSTR>(&buf), 0, nullptr);
    std::string text;
    if (n > 0 && buf) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, buf, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
        text.resize(static_cast<std::size_t>(size > 0 ? size : 0));
        if (size > 0)
            WideCharToMultiByte(CP_UTF8, 0, buf, static_cast<int>(n), text.data(), size, nullptr, nullptr);
    }
    if (buf)
        LocalFree(buf);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    throw FileError(utf8Path(path) + ": " + (text.empty() ? "error " + std::to_string(code) : text));
}

} // namespace

FileLock::FileLock(FileLock&& other) noexcept : m_path(std::move(other.m_path)), m_handle(other.m_handle)
{
    other.m_handle = -1;
}

FileLock& FileLock::operator=(FileLock&& other) noexcept
{
    if (this != &other) {
        release();
        m_path = std::move(other.m_path);
        m_handle = other.m_handle;
        other.m_handle = -1;
    }
    return *this;
}

FileLock FileLock::tryTake(const std::filesystem::path& path, std::string_view holder)
{
    const HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                 nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD e = GetLastError();
        // Held by another writer; or given up a moment ago and not yet gone (the
        // system refuses a file waiting to be deleted), which is as good as held.
        if (e == ERROR_SHARING_VIOLATION || e == ERROR_LOCK_VIOLATION)
            return {};
        if (e == ERROR_ACCESS_DENIED && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
            return {};
        failWin(path, e);
    }
    const std::string line = std::string(holder) + "\r\n";
    DWORD written = 0;
    SetEndOfFile(h);
    WriteFile(h, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    FileLock lock;
    lock.m_path = path;
    lock.m_handle = reinterpret_cast<std::intptr_t>(h);
    return lock;
}

std::string FileLock::holderOf(const std::filesystem::path& path)
{
    std::string bytes;
    try {
        if (!tryReadFile(path, bytes))
            return {};
    } catch (const FileError&) {
        return {};
    }
    while (!bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r'))
        bytes.pop_back();
    return bytes;
}

void FileLock::release() noexcept
{
    if (m_handle == -1)
        return;
    CloseHandle(reinterpret_cast<HANDLE>(m_handle)); // the system removes the file
    m_handle = -1;
}

std::int64_t currentProcessId() noexcept { return static_cast<std::int64_t>(GetCurrentProcessId()); }

} // namespace tidemark::text
