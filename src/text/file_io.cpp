#include "text/file_io.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tidemark::text {
namespace {

[[noreturn]] void fail(const std::filesystem::path& path, int err)
{
    throw FileError(path.string() + ": " + systemMessage(err));
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
    std::filesystem::path tmp = path;
    tmp += ".tmp~";
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        fail(path, errno);
    const char* p = bytes.data();
    std::size_t left = bytes.size();
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

void commitFileAtomic(const std::filesystem::path& prepared, const std::filesystem::path& path)
{
    if (::rename(prepared.c_str(), path.c_str()) != 0) {
        int e = errno;
        ::unlink(prepared.c_str());
        fail(path, e);
    }
}

void discardPrepared(const std::filesystem::path& prepared) noexcept { ::unlink(prepared.c_str()); }

void writeFileAtomic(const std::filesystem::path& path, std::string_view bytes)
{
    commitFileAtomic(prepareFileAtomic(path, bytes), path);
}

void ensureDirectory(const std::filesystem::path& path)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        return;
    std::filesystem::create_directories(path, ec);
    if (ec)
        throw FileError(path.string() + ": " + ec.message());
    if (!std::filesystem::is_directory(path, ec))
        fail(path, ENOTDIR);
}

} // namespace tidemark::text
