// tidemark2nv: the headless companion tool of the desktop program.

#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_app.h"
#include "text/console_interrupt.h"
#include "text/system_places.h"

int main(int argc, char** argv)
{
    const std::vector<std::string> args = tidemark::text::commandLineArguments(argc, argv);
    // The program folder is the folder of the executable, as for the desktop program.
    const std::filesystem::path exe = tidemark::text::executablePath(argc > 0 ? argv[0] : nullptr);
    const auto catchInterrupt = [] {
        tidemark::text::catchConsoleInterrupt();
        return std::function<bool()>([] { return tidemark::text::consoleInterruptRequested(); });
    };
    tidemark::cli::Environment env{std::cout, std::cerr, exe.parent_path(), {}, true, catchInterrupt};
    return static_cast<int>(tidemark::cli::run(args, env));
}
