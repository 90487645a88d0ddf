// tidemark2nv: the headless companion tool of the desktop program.

#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_app.h"
#include "store/program_folder.h"
#include "text/console_interrupt.h"
#include "text/system_places.h"

int main(int argc, char** argv)
{
    const std::vector<std::string> args = tidemark::text::commandLineArguments(argc, argv);
    // The program folder is the desktop program's: the folder of the executable, or the
    // user's data folder when the tool is installed beside the window.
    const std::filesystem::path exe = tidemark::text::executablePath(argc > 0 ? argv[0] : nullptr);
    const std::filesystem::path home =
        tidemark::store::chooseProgramFolder(exe.parent_path(), tidemark::text::userDataFolder("Tidemark2NV"));
    const auto catchInterrupt = [] {
        tidemark::text::catchConsoleInterrupt();
        return std::function<bool()>([] { return tidemark::text::consoleInterruptRequested(); });
    };
    tidemark::cli::Environment env{std::cout, std::cerr, home, {}, true, catchInterrupt};
    return static_cast<int>(tidemark::cli::run(args, env));
}
