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

} // namespace tidemark::text
