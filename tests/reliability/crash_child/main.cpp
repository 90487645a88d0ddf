// tidemark2nv_crashpoint: the companion tool with a crash point, for the crash-safety
// test. Exactly tidemark2nv, plus two test switches read from the environment:
//
//   TIDEMARK_CRASH_AT=N     the process kills itself (SIGKILL, nothing flushed, no
//                           handler runs) just before its N-th disk step (counted from 1:
//                           make a folder, create / write / flush a temporary file,
//                           rename it, flush the folder)
//   TIDEMARK_CRASH_LOG=FILE every disk step is appended to FILE, one line each:
//                           "step<TAB>path"; a rename also gives the FNV-1a hash of the
//                           bytes it puts in place: "rename<TAB>path<TAB>hash"
//
// The reference run logs, so the test knows every version each file ever had and how
// many crash points there are.

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

#include "cli/cli_app.h"
#include "text/file_io.h"

namespace {

using tidemark::text::DiskStep;

const char* stepName(DiskStep s)
{
    switch (s) {
    case DiskStep::CreateTemp: return "create";
    case DiskStep::WriteTemp: return "write";
    case DiskStep::SyncTemp: return "sync";
    case DiskStep::Rename: return "rename";
    case DiskStep::SyncFolder: return "syncfolder";
    case DiskStep::MakeFolder: return "mkdir";
    }
    return "?";
}

std::uint64_t fnv1a(const std::string& bytes)
{
    std::uint64_t h = 14695981039346656037ull;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

void writeAll(int fd, const std::string& s)
{
    const char* p = s.data();
    std::size_t left = s.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n <= 0)
            return;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

} // namespace

int main(int argc, char** argv)
{
    const char* at = std::getenv("TIDEMARK_CRASH_AT");
    const char* log = std::getenv("TIDEMARK_CRASH_LOG");
    const long crashAt = at ? std::strtol(at, nullptr, 10) : 0;
    const int logFd = log ? ::open(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644) : -1;
    if (crashAt > 0 || logFd >= 0) {
        tidemark::text::setDiskStepHookForTesting([crashAt, logFd, steps = 0L](DiskStep step,
                                                                               const std::filesystem::path& p) mutable {
            if (++steps == crashAt)
                ::raise(SIGKILL);
            if (logFd >= 0) {
                std::string line = std::string(stepName(step)) + "\t" + p.string();
                if (step == DiskStep::Rename) {
                    std::string bytes;
                    tidemark::text::tryReadFile(tidemark::text::temporaryFileOf(p), bytes);
                    line += "\t" + std::to_string(fnv1a(bytes));
                }
                writeAll(logFd, line + "\n");
            }
            return 0;
        });
    }
    std::vector<std::string> args(argv + 1, argv + argc);
    tidemark::cli::Environment env{std::cout, std::cerr, std::filesystem::current_path(), {}, true, {}};
    return static_cast<int>(tidemark::cli::run(args, env));
}
