// The parts of the whole-file writes every system shares; the disk work itself is in
// file_io_posix.cpp and file_io_win32.cpp.
#include "text/file_io.h"

#include <utility>

#include "text/file_io_seam.h"

namespace tidemark::text {
namespace {

DiskStepHook& diskStepHook()
{
    static DiskStepHook hook;
    return hook;
}

} // namespace

namespace detail {

int injectedDiskFault(DiskStep step, const std::filesystem::path& path)
{
    const DiskStepHook& hook = diskStepHook();
    return hook ? hook(step, path) : 0;
}

} // namespace detail

void setDiskStepHookForTesting(DiskStepHook hook) { diskStepHook() = std::move(hook); }

std::filesystem::path temporaryFileOf(const std::filesystem::path& path)
{
    std::filesystem::path tmp = path;
    tmp += ".tmp~";
    return tmp;
}

std::string utf8Path(const std::filesystem::path& path)
{
    const std::u8string s = path.u8string();
    return std::string(s.begin(), s.end());
}

std::filesystem::path pathFromUtf8(std::string_view utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

void writeFileAtomic(const std::filesystem::path& path, std::string_view bytes)
{
    commitFileAtomic(prepareFileAtomic(path, bytes), path);
}

StreamedFile::StreamedFile(std::filesystem::path target)
    : m_target(std::move(target)), m_temporary(temporaryFileOf(m_target))
{
    m_handle = detail::createForWriting(m_temporary, m_target);
    m_present = true;
}

StreamedFile::~StreamedFile() { discard(); }

void StreamedFile::append(std::string_view bytes)
{
    if (m_handle == -1)
        throw FileError(utf8Path(m_target) + ": written after it was finished");
    try {
        detail::writeAll(m_handle, bytes, m_target);
    } catch (const FileError&) {
        discard();
        throw;
    }
}

void StreamedFile::finish()
{
    if (m_handle == -1)
        return;
    try {
        detail::syncAndClose(m_handle, m_target);
    } catch (const FileError&) {
        discard();
        throw;
    }
}

void StreamedFile::commit(bool flushFolder)
{
    finish();
    if (!m_present)
        throw FileError(utf8Path(m_target) + ": nothing left to put in place");
    m_present = false; // commitFileAtomic removes it when the rename fails
    commitFileAtomic(m_temporary, m_target, flushFolder);
}

void StreamedFile::discard() noexcept
{
    detail::closeQuietly(m_handle);
    if (m_present)
        detail::removeQuietly(m_temporary);
    m_present = false;
}

} // namespace tidemark::text
