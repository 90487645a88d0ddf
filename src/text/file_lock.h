#pragma once
// An exclusive lock that one writer holds at a time, across processes and within one:
// a season export takes the lock of its database or folder for the whole run, so two
// exports never write into one place at once. The system drops the lock when its
// holder ends, however it ends, so a killed export never leaves a place locked. The
// lock file holds a line about its holder, for the message of the writer that finds it
// taken.
//
// On Linux the lock is flock() on the lock file; on Windows the file is held open without
// sharing its writing, and removed by the system when the holder's handle closes.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace tidemark::text {

class FileLock {
public:
    FileLock() = default;
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock() { release(); }

    // Takes the lock of `path` when no one holds it, creating the file and writing
    // `holder` into it; a lock that is not held() when another holds it. Throws
    // FileError when the lock file cannot be made.
    static FileLock tryTake(const std::filesystem::path& path, std::string_view holder);
    // What the holder of the lock wrote (UTF-8); empty when there is none to read.
    static std::string holderOf(const std::filesystem::path& path);

    bool held() const noexcept { return m_handle != -1; }
    // Gives the lock up and removes its file. Never throws.
    void release() noexcept;

private:
    std::filesystem::path m_path;
    std::intptr_t m_handle = -1;
};

// This process's number, as the system's task lists show it.
std::int64_t currentProcessId() noexcept;

} // namespace tidemark::text
