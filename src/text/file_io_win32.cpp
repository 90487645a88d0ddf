// Whole-file reads and atomic writes on Windows: wide paths at the API, a flushed
// temporary file moved over the target by MoveFileExW with write-through. Windows has no
// flush of a folder's entries: MOVEFILE_WRITE_THROUGH returns only once the move is on
// the disk, which is what the folder flush gives elsewhere.
#include "text/file_io.h"

#include <windows.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "text/file_io_seam.h"

namespace tidemark::text {
namespace {

int injected(DiskStep step, const std::filesystem::path& path) { return detail::injectedDiskFault(step, path); }

std::string wideToUtf8(const wchar_t* w, int n)
{
    if (n <= 0)
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, w, n, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, w, n, out.data(), size, nullptr, nullptr);
    return out;
}

// The system's own text for a Windows error code, as UTF-8, without its line break.
std::string windowsMessage(DWORD code)
{
    wchar_t* buf = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<LPWSTR>(&buf), 0, nullptr);
    std::string msg = n > 0 && buf ? wideToUtf8(buf, static_cast<int>(n)) : std::string();
    if (buf)
        LocalFree(buf);
    while (!msg.empty() && (msg.back() == '\n' || msg.back() == '\r' || msg.back() == ' ' || msg.back() == '.'))
        msg.pop_back();
    if (msg.empty())
        msg = "error " + std::to_string(code);
    return msg;
}

// A failure reported by the C library's numbering (the test seam's faults).
[[noreturn]] void fail(const std::filesystem::path& path, int err)
{
    throw FileError(utf8Path(path) + ": " + systemMessage(err));
}

// A failure reported by the Windows API.
[[noreturn]] void failWin(const std::filesystem::path& path, DWORD code)
{
    throw FileError(utf8Path(path) + ": " + windowsMessage(code));
}

class Handle {
public:
    explicit Handle(HANDLE h) : m_h(h) {}
    ~Handle() { close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool ok() const { return m_h != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return m_h; }
    // False with GetLastError() set when the system reports a failure on closing.
    bool close()
    {
        if (m_h == INVALID_HANDLE_VALUE)
            return true;
        const BOOL r = CloseHandle(m_h);
        m_h = INVALID_HANDLE_VALUE;
        return r != 0;
    }

private:
    HANDLE m_h;
};

bool isDirectory(const std::filesystem::path& path)
{
    const DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace

std::string systemMessage(int err)
{
    char buf[256] = {};
    if (strerror_s(buf, sizeof buf, err) != 0 || buf[0] == '\0')
        return "error " + std::to_string(err);
    return buf;
}

bool tryReadFile(const std::filesystem::path& path, std::string& out)
{
    if (isDirectory(path))
        fail(path, EISDIR);
    Handle h(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.ok()) {
        const DWORD e = GetLastError();
        if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND)
            return false;
        failWin(path, e);
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(h.get(), &size))
        failWin(path, GetLastError());
    // The size as the file's, grown while more comes (a file still being written).
    std::size_t have = 0;
    out.resize(static_cast<std::size_t>(size.QuadPart) + 1);
    for (;;) {
        if (have == out.size())
            out.resize(out.size() * 2 + 65536);
        const std::size_t want = out.size() - have;
        const DWORD chunk = want > 0x40000000 ? 0x40000000 : static_cast<DWORD>(want);
        DWORD got = 0;
        if (!ReadFile(h.get(), out.data() + have, chunk, &got, nullptr)) {
            const DWORD e = GetLastError();
            out.clear();
            failWin(path, e);
        }
        if (got == 0)
            break;
        have += got;
    }
    out.resize(have);
    return true;
}

std::string readFile(const std::filesystem::path& path)
{
    std::string out;
    if (!tryReadFile(path, out))
        failWin(path, ERROR_FILE_NOT_FOUND);
    return out;
}

std::filesystem::path prepareFileAtomic(const std::filesystem::path& path, std::string_view bytes, bool flushToDisk)
{
    const std::filesystem::path tmp = temporaryFileOf(path);
    if (int e = injected(DiskStep::CreateTemp, path))
        fail(path, e);
    Handle h(CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.ok())
        failWin(tmp, GetLastError()); // the temporary file is what could not be made
    auto giveUp = [&](auto report) {
        h.close();
        DeleteFileW(tmp.c_str());
        report();
    };
    if (int e = injected(DiskStep::WriteTemp, path))
        giveUp([&] { fail(path, e); });
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const DWORD chunk = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
        DWORD written = 0;
        if (!WriteFile(h.get(), p, chunk, &written, nullptr) || written == 0) {
            const DWORD e = GetLastError();
            giveUp([&] { failWin(path, e ? e : ERROR_WRITE_FAULT); });
        }
        p += written;
        left -= written;
    }
    if (flushToDisk) {
        if (int e = injected(DiskStep::SyncTemp, path))
            giveUp([&] { fail(path, e); });
        if (!FlushFileBuffers(h.get())) {
            const DWORD e = GetLastError();
            giveUp([&] { failWin(path, e); });
        }
    }
    if (!h.close()) {
        const DWORD e = GetLastError();
        DeleteFileW(tmp.c_str());
        failWin(path, e);
    }
    if (isDirectory(path)) {
        DeleteFileW(tmp.c_str());
        fail(path, EISDIR);
    }
    return tmp;
}

void flushPrepared(const std::filesystem::path& prepared, const std::filesystem::path& path)
{
    if (int e = injected(DiskStep::SyncTemp, path))
        fail(path, e);
    // FlushFileBuffers needs a handle that may write.
    Handle h(CreateFileW(prepared.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.ok())
        failWin(path, GetLastError());
    if (!FlushFileBuffers(h.get()))
        failWin(path, GetLastError());
}

void commitFileAtomic(const std::filesystem::path& prepared, const std::filesystem::path& path, bool flushFolder)
{
    if (int e = injected(DiskStep::Rename, path)) {
        DeleteFileW(prepared.c_str());
        fail(path, e);
    }
    if (!MoveFileExW(prepared.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD e = GetLastError();
        DeleteFileW(prepared.c_str());
        failWin(path, e);
    }
    if (flushFolder)
        flushFolderOf(path);
}

void flushFolderOf(const std::filesystem::path& path)
{
    // Nothing to flush (see the top of this file); the step is still offered to the
    // disk-fault seam, so that a fault there surfaces as it does elsewhere.
    const std::filesystem::path folder = path.parent_path().empty() ? std::filesystem::path(".") : path.parent_path();
    if (int e = injected(DiskStep::SyncFolder, folder))
        fail(path, e);
}

void discardPrepared(const std::filesystem::path& prepared) noexcept { DeleteFileW(prepared.c_str()); }

namespace detail {

std::intptr_t createForWriting(const std::filesystem::path& file, const std::filesystem::path& target)
{
    if (int e = injected(DiskStep::CreateTemp, target))
        fail(target, e);
    const HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        failWin(file, GetLastError()); // the temporary file is what could not be made
    return reinterpret_cast<std::intptr_t>(h);
}

void writeAll(std::intptr_t& handle, std::string_view bytes, const std::filesystem::path& target)
{
    if (int e = injected(DiskStep::WriteTemp, target)) {
        closeQuietly(handle);
        fail(target, e);
    }
    const HANDLE h = reinterpret_cast<HANDLE>(handle);
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const DWORD chunk = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
        DWORD written = 0;
        if (!WriteFile(h, p, chunk, &written, nullptr) || written == 0) {
            const DWORD e = GetLastError();
            closeQuietly(handle);
            failWin(target, e ? e : ERROR_WRITE_FAULT);
        }
        p += written;
        left -= written;
    }
}

void syncAndClose(std::intptr_t& handle, const std::filesystem::path& target)
{
    const HANDLE h = reinterpret_cast<HANDLE>(handle);
    handle = -1;
    if (int e = injected(DiskStep::SyncTemp, target)) {
        CloseHandle(h);
        fail(target, e);
    }
    if (!FlushFileBuffers(h)) {
        const DWORD e = GetLastError();
        CloseHandle(h);
        failWin(target, e);
    }
    if (!CloseHandle(h))
        failWin(target, GetLastError());
}

void closeQuietly(std::intptr_t& handle) noexcept
{
    if (handle != -1)
        CloseHandle(reinterpret_cast<HANDLE>(handle));
    handle = -1;
}

void removeQuietly(const std::filesystem::path& file) noexcept { DeleteFileW(file.c_str()); }

} // namespace detail

void ensureDirectory(const std::filesystem::path& path)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::is_directory(path, ec))
        return;
    std::vector<fs::path> missing;
    for (fs::path p = path; !p.empty() && !fs::exists(p, ec); p = p.parent_path()) {
        missing.insert(missing.begin(), p);
        if (p == p.parent_path())
            break;
    }
    for (const fs::path& p : missing) {
        if (int e = injected(DiskStep::MakeFolder, p))
            fail(p, e);
        if (!CreateDirectoryW(p.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            failWin(p, GetLastError());
        flushFolderOf(p);
    }
    if (!fs::is_directory(path, ec))
        fail(path, ENOTDIR);
}

} // namespace tidemark::text
