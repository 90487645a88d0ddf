#pragma once
// The headless companion tool tidemark2nv: the engine's import, fetch, inspection and
// export driven from a command line instead of the window. Every command is a plain
// function here, so tests run it without starting a process.

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "cli/cli_host.h"

namespace tidemark::cli {

// Exit codes, as `tidemark2nv --help` lists them.
enum class ExitCode {
    Ok = 0,
    Internal = 1,        // an unexpected failure of the tool itself
    Usage = 2,           // unknown command or option, missing or malformed argument
    NoProgramFolder = 3, // the program folder does not exist
    NotFound = 4,        // unknown day or race; nothing stored to work on
    Service = 5,         // the data service answered with an error (or refused)
    File = 6,            // a file could not be read or written
    Database = 7,        // the export's database or folder could not be opened, reached or written, refused a
                         // statement, or another export held it
    Interrupted = 130,   // Ctrl-C: the command stopped between two of its steps, what it finished kept
};

struct Environment {
    std::ostream& out; // what a command gives: lists, file names
    std::ostream& err; // progress, notices, the one line of an error (UTF-8)
    // The program folder when --home is not given: the folder of the executable.
    std::filesystem::path defaultHome;
    Clock clock;          // empty: this machine's clock
    bool realTime = true; // wait the 10 ms of the download polling between polls
    // For a command that stops cleanly when interrupted (watch, export): starts catching
    // Ctrl-C (Ctrl-Break and closing the console on Windows) and gives the question
    // whether it came. Empty: such a command runs to its own end.
    std::function<std::function<bool()>()> catchInterrupt;
};

// Runs one command line (arguments after the program name, UTF-8).
ExitCode run(const std::vector<std::string>& args, Environment& env);

// The text of `tidemark2nv --help` (UTF-8).
std::string usageText();

} // namespace tidemark::cli
