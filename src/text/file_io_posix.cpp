// Whole-file reads and atomic writes on POSIX systems: open/write/fsync/rename, and the
// folder flushed after a rename.
#include "text/file_io.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "text/file_io_seam.h"

namespace tidemark::text {
namespace {

[[noreturn]] void fail(const std::filesystem::path& path, int err)
{
    throw FileError(utf8Path(path) + ": " + systemMessage(err));
}

int injected(DiskStep step, const std::filesystem::path& path) { return detail::injectedDiskFault(step, path); }

// Flushes a folder's entries (a rename into it, a folder made in it) to disk. A file
// system that cannot flush folders (EINVAL) or a folder that may not be read keeps
// the entry as the rename left it: nothing more can be done there, and the write
// itself succeeded. Any other failure is the disk's and is reported against `path`.
void syncFolder(const std::filesystem::path& folder, const std::filesystem::path& path)
{
    const std::filesystem::path dir = folder.empty() ? std::filesystem::path(".") : folder;
    if (int e = injected(DiskStep::SyncFolder, dir))
        fail(path, e);
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == EACCES)
            return;
        fail(path, errno);
    }
    if (::fsync(fd) != 0) {
        int e = errno;
        ::close(fd);
        if (e == EINVAL || e == ENOTSUP)
            return;
        fail(path, e);
    }
    ::close(fd);
}

} // namespace

std::string systemMessage(int err)
{
    char buf[256];
    // GNU strerror_r returns the message pointer.
    const char* msg = strerror_r(err, buf, sizeof buf);
    return msg ? std::string(msg) : std::string("error ") + std::to_string(err);
}

bool tryReadFile(const std::filesystem::path& path, std::string& out)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return false;
        fail(path, errno);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        int e = errno;
        ::close(fd);
        fail(path, e);
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        fail(path, EISDIR);
    }
    // Read straight into the string: its size as the file's, then grown while more comes
    // (a file that is still being written) and cut to what was read.
    std::size_t size = 0;
    std::size_t room = st.st_size > 0 ? static_cast<std::size_t>(st.st_size) : 0;
    room += 1; // one byte more shows the end without a second read in most cases
    out.resize(room);
    for (;;) {
        if (size == out.size())
            out.resize(out.size() * 2 + 65536);
        ssize_t n = ::read(fd, out.data() + size, out.size() - size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            int e = errno;
            ::close(fd);
            out.clear();
            fail(path, e);
        }
        if (n == 0)
            break;
        size += static_cast<std::size_t>(n);
    }
    out.resize(size);
    ::close(fd);
    return true;
}

std::string readFile(const std::filesystem::path& path)
{
    std::string out;
    if (!tryReadFile(path, out))
        fail(path, ENOENT);
    return out;
}

std::filesystem::path prepareFileAtomic(const std::filesystem::path& path, std::string_view bytes, bool flushToDisk)
{
    const std::filesystem::path tmp = temporaryFileOf(path);
    if (int e = injected(DiskStep::CreateTemp, path))
        fail(path, e);
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        fail(tmp, errno); // the temporary file is what could not be made
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    if (int e = injected(DiskStep::WriteTemp, path)) {
        ::close(fd);
        ::unlink(tmp.c_str());
        fail(path, e);
    }
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            int e = errno;
            ::close(fd);
            ::unlink(tmp.c_str());
            fail(path, e);
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (flushToDisk) {
        if (int e = injected(DiskStep::SyncTemp, path)) {
            ::close(fd);
            ::unlink(tmp.c_str());
            fail(path, e);
        }
    }
    if (flushToDisk && ::fsync(fd) != 0) {
        int e = errno;
        ::close(fd);
        ::unlink(tmp.c_str());
        fail(path, e);
    }
    if (::close(fd) != 0) {
        int e = errno;
        ::unlink(tmp.c_str());
        fail(path, e);
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        ::unlink(tmp.c_str());
        fail(path, EISDIR);
    }
    return tmp;
}

void flushPrepared(const std::filesystem::path& prepared, const std::filesystem::path& path)
{
    if (int e = injected(DiskStep::SyncTemp, path))
        fail(path, e);
    int fd = ::open(prepared.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        fail(path, errno);
    if (::fsync(fd) != 0) {
        int e = errno;
        ::close(fd);
        fail(path, e);
    }
    ::close(fd);
}

void commitFileAtomic(const std::filesystem::path& prepared, const std::filesystem::path& path, bool flushFolder)
{
    if (int e = injected(DiskStep::Rename, path)) {
        ::unlink(prepared.c_str());
        fail(path, e);
    }
    if (::rename(prepared.c_str(), path.c_str()) != 0) {
        int e = errno;
        ::unlink(prepared.c_str());
        fail(path, e);
    }
    // The file now holds its new bytes; until the folder is flushed, a power cut can
    // still bring back the old entry (or none).
    if (flushFolder)
        syncFolder(path.parent_path(), path);
}

void flushFolderOf(const std::filesystem::path& path) { syncFolder(path.parent_path(), path); }

void discardPrepared(const std::filesystem::path& prepared) noexcept { ::unlink(prepared.c_str()); }

namespace detail {

std::intptr_t createForWriting(const std::filesystem::path& file, const std::filesystem::path& target)
{
    if (int e = injected(DiskStep::CreateTemp, target))
        fail(target, e);
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        fail(file, errno); // the temporary file is what could not be made
    return fd;
}

void writeAll(std::intptr_t& handle, std::string_view bytes, const std::filesystem::path& target)
{
    if (int e = injected(DiskStep::WriteTemp, target)) {
        closeQuietly(handle);
        fail(target, e);
    }
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(static_cast<int>(handle), p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int e = errno;
            closeQuietly(handle);
            fail(target, e);
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

void syncAndClose(std::intptr_t& handle, const std::filesystem::path& target)
{
    const int fd = static_cast<int>(handle);
    handle = -1;
    if (int e = injected(DiskStep::SyncTemp, target)) {
        ::close(fd);
        fail(target, e);
    }
    if (::fsync(fd) != 0) {
        const int e = errno;
        ::close(fd);
        fail(target, e);
    }
    if (::close(fd) != 0)
        fail(target, errno);
}

void closeQuietly(std::intptr_t& handle) noexcept
{
    if (handle != -1)
        ::close(static_cast<int>(handle));
    handle = -1;
}

void removeQuietly(const std::filesystem::path& file) noexcept { ::unlink(file.c_str()); }

} // namespace detail

void ensureDirectory(const std::filesystem::path& path)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::is_directory(path, ec))
        return;
    // The folders to make, outermost first; each new entry is flushed in its parent.
    std::vector<fs::path> missing;
    for (fs::path p = path; !p.empty() && !fs::exists(p, ec); p = p.parent_path()) {
        missing.insert(missing.begin(), p);
        if (p == p.parent_path())
            break;
    }
    for (const fs::path& p : missing) {
        if (int e = injected(DiskStep::MakeFolder, p))
            fail(p, e);
        if (::mkdir(p.c_str(), 0777) != 0 && errno != EEXIST)
            fail(p, errno);
        syncFolder(p.parent_path(), p);
    }
    if (!fs::is_directory(path, ec))
        fail(path, ENOTDIR);
}

} // namespace tidemark::text
