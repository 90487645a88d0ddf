// The export lock on POSIX systems: flock() on the lock file. A lock is tied to its open
// file, so the system drops it when the holder ends. The holder removes the file as it
// gives the lock up; one that takes the lock checks that the file it locked is still
// the one of that name, since it may have opened it just before it was removed.
#include "text/file_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "text/file_io.h"

namespace tidemark::text {

namespace {

[[noreturn]] void fail(const std::filesystem::path& path, int err)
{
    throw FileError(utf8Path(path) + ": " + systemMessage(err));
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
    for (;;) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0)
            fail(path, errno);
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int e = errno;
            ::close(fd);
            if (e == EWOULDBLOCK || e == EINTR)
                return {};
            fail(path, e);
        }
        struct stat locked {};
        struct stat named {};
        if (::fstat(fd, &locked) != 0 || ::stat(path.c_str(), &named) != 0 || locked.st_ino != named.st_ino ||
            locked.st_dev != named.st_dev) {
            ::close(fd); // removed by the holder that just gave it up: take the new one
            continue;
        }
        if (::ftruncate(fd, 0) == 0) {
            const std::string line = std::string(holder) + "\n";
            [[maybe_unused]] const ssize_t n = ::pwrite(fd, line.data(), line.size(), 0);
        }
        FileLock lock;
        lock.m_path = path;
        lock.m_handle = fd;
        return lock;
    }
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
    // Removed while still held, so no one takes the lock of a file about to vanish.
    ::unlink(m_path.c_str());
    ::close(static_cast<int>(m_handle));
    m_handle = -1;
}

std::int64_t currentProcessId() noexcept { return static_cast<std::int64_t>(::getpid()); }

} // namespace tidemark::text
