#pragma once
// Whole-file reads and atomic whole-file writes. The store, the settings file and the
// error log are always rewritten whole; a crash or a full disk must never leave a
// half-written file, so a write goes to a temporary file beside the target, is
// flushed to disk and then renamed over it; the folder is flushed after the rename
// (and the parent of a folder after its creation), so that a power cut cannot undo
// the rename.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tidemark::text {

// A platform file error. what() is the platform's message (UTF-8), prefixed with the
// path it concerns; it ends the current operation and is shown to the user.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The whole file as bytes. Throws FileError when it exists but cannot be read
// (a directory where a file is expected counts as unreadable).
std::string readFile(const std::filesystem::path& path);

// Like readFile, but a missing file reads as nullopt-like false.
bool tryReadFile(const std::filesystem::path& path, std::string& out);

// Replaces the file with `bytes` atomically. Throws FileError; the old file is then
// unchanged and no temporary file is left behind.
void writeFileAtomic(const std::filesystem::path& path, std::string_view bytes);

// writeFileAtomic in steps, for replacing several files all or none: prepare writes
// `bytes` to the temporary file beside `path` and returns it (throws FileError,
// leaving nothing behind); unless it was flushed to disk there, flushPrepared does
// that before the commit; commit renames it over `path` (throws
// FileError, the temporary file removed); discard removes it unused.
std::filesystem::path prepareFileAtomic(const std::filesystem::path& path, std::string_view bytes,
                                        bool flushToDisk = true);
void flushPrepared(const std::filesystem::path& prepared, const std::filesystem::path& path);
// flushFolder false leaves the folder flush to the caller (flushFolderOf), for a writer
// that renames several files into one folder and flushes it once after them.
void commitFileAtomic(const std::filesystem::path& prepared, const std::filesystem::path& path,
                      bool flushFolder = true);
// Flushes the folder holding `path`, so that a rename into it survives a power cut.
// Throws FileError naming `path`.
void flushFolderOf(const std::filesystem::path& path);
void discardPrepared(const std::filesystem::path& prepared) noexcept;
// The temporary file a write of `path` goes through (beside it, "<name>.tmp~"). One
// left by a crash is never read as data and is replaced by the next write of `path`.
std::filesystem::path temporaryFileOf(const std::filesystem::path& path);

// A file written in pieces and put in place whole, as writeFileAtomic puts one piece:
// a season table of many days is appended day by day to the temporary file beside the
// target; finish flushes it to disk and closes it, commit renames it over the target.
// One neither committed nor finished is removed by discard or by the destructor, so an
// interrupted writer leaves no temporary file behind.
class StreamedFile {
public:
    // Creates the temporary file (replacing one a crash left behind). Throws FileError.
    explicit StreamedFile(std::filesystem::path target);
    ~StreamedFile();
    StreamedFile(const StreamedFile&) = delete;
    StreamedFile& operator=(const StreamedFile&) = delete;

    // Throws FileError naming the target; the file is then discarded.
    void append(std::string_view bytes);
    // Flushes the temporary file to disk and closes it. Throws FileError (discarded).
    void finish();
    // Renames the finished file over the target (commitFileAtomic). Throws FileError.
    void commit(bool flushFolder = true);
    // Removes the temporary file unless it was committed. Never throws.
    void discard() noexcept;

    const std::filesystem::path& target() const noexcept { return m_target; }
    const std::filesystem::path& temporary() const noexcept { return m_temporary; }

private:
    std::filesystem::path m_target;
    std::filesystem::path m_temporary;
    std::intptr_t m_handle = -1; // the system's handle of the open temporary file
    bool m_present = false;      // the temporary file exists
};

// Creates a folder (and its parents) when missing. Throws FileError.
void ensureDirectory(const std::filesystem::path& path);

// The platform's message for an errno value, as UTF-8.
std::string systemMessage(int err);

// A path as UTF-8 text, and back: the engine's file names are UTF-8 on every system
// (Windows keeps them as UTF-16, where the narrow form would be the ANSI code page).
std::string utf8Path(const std::filesystem::path& path);
std::filesystem::path pathFromUtf8(std::string_view utf8);

// The disk steps of the writes above, in their order for one file.
enum class DiskStep {
    CreateTemp, // open the temporary file beside the target
    WriteTemp,  // write its bytes
    SyncTemp,   // flush it to disk
    Rename,     // rename it over the target
    SyncFolder, // flush the folder holding the renamed file, or a newly made folder
    MakeFolder, // create a missing folder
};

// Test seam for disk-fault and crash tests: called before every step with the path
// it concerns (the target file; for SyncFolder and MakeFolder the folder). A result
// other than 0 is an errno value the step then fails with, as the disk would have.
// No program sets it. Pass an empty function to remove it.
using DiskStepHook = std::function<int(DiskStep step, const std::filesystem::path& path)>;
void setDiskStepHookForTesting(DiskStepHook hook);

} // namespace tidemark::text
