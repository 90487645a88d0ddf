#pragma once
// A program folder for the headless tool over a small simulated world (the race day
// 2024-01-12 only), a fixed clock three days later, and a way to run one command line
// and keep its exit code, stdout and stderr.

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_app.h"
#include "support/temp_dir.h"

namespace tidemark::testing {

struct CliRun {
    cli::ExitCode code = cli::ExitCode::Internal;
    std::string out;
    std::string err;
};

// extraIni: more of NVSim.ini, such as a [Fault1] section.
inline void writeSimWorld(const std::filesystem::path& home, const std::string& extraIni = {})
{
    std::ofstream ini(home / "NVSim.ini", std::ios::binary);
    ini << "[NVSim]\r\nSeed=4242\r\nFirstDay=20240112\r\nLastDay=20240112\r\nDownloadSpeed=3\r\n" << extraIni;
}

inline CliRun runCli(const std::filesystem::path& home, std::vector<std::string> args, bool withHome = true)
{
    if (withHome)
        args.insert(args.begin(), {"--home", home.string()});
    std::ostringstream out;
    std::ostringstream err;
    cli::Environment env{out, err, home, [] { return text::DateTime{2024, 1, 15, 12, 0, 0}; }, false, {}};
    CliRun r;
    r.code = cli::run(args, env);
    r.out = out.str();
    r.err = err.str();
    return r;
}

inline std::vector<std::string> outputLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

} // namespace tidemark::testing
