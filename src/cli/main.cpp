// tidemark2nv: the headless companion tool of the desktop program.

#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "cli/cli_app.h"
#include "text/console_interrupt.h"

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    // The program folder is the folder of the executable, as for the desktop program.
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        exe = std::filesystem::absolute(argv[0], ec);
    const auto catchInterrupt = [] {
        tidemark::text::catchConsoleInterrupt();
        return std::function<bool()>([] { return tidemark::text::consoleInterruptRequested(); });
    };
    tidemark::cli::Environment env{std::cout, std::cerr, exe.parent_path(), {}, true, catchInterrupt};
    return static_cast<int>(tidemark::cli::run(args, env));
}
