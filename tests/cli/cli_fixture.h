#pragma once
// A program folder for the headless tool over a small simulated world (the race day
// 2024-01-12 only), a fixed clock three days later, and a way to run one command line
// and keep its exit code, stdout and stderr.

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/cli_app.h"
#include "store/store_layout.h"
#include "support/temp_dir.h"
#include "text/file_io.h"

namespace tidemark::testing {

struct CliRun {
    cli::ExitCode code = cli::ExitCode::Internal;
    std::string out;
    std::string err;
};

// extraIni: more of NVSim.ini, such as a [Fault1] section.
inline void writeSimWorld(const std::filesystem::path& home, const std::string& extraIni = {})
{
    text::writeFileAtomic(home / "NVSim.ini",
                          "[NVSim]\r\nSeed=4242\r\nFirstDay=20240112\r\nLastDay=20240112\r\nDownloadSpeed=3\r\n" + extraIni);
}

// catchInterrupt: as the tool's main() gives it (a Ctrl-C the test decides on).
inline CliRun runCli(const std::filesystem::path& home, std::vector<std::string> args, bool withHome = true,
                     std::function<std::function<bool()>()> catchInterrupt = {})
{
    if (withHome)
        args.insert(args.begin(), {"--home", text::utf8Path(home)});
    std::ostringstream out;
    std::ostringstream err;
    cli::Environment env{out, err, home, [] { return text::DateTime{2024, 1, 15, 12, 0, 0}; }, false,
                         std::move(catchInterrupt)};
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

// Every odds file of the race day `yyyymmdd` is made of whole records, and no temporary
// file is left beside them.
inline void expectWholeOddsFiles(const std::filesystem::path& home, const std::string& yyyymmdd)
{
    const auto folder = store::StoreLayout(home).oddsFolder(yyyymmdd);
    ASSERT_TRUE(std::filesystem::exists(folder));
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        ASSERT_TRUE(name.ends_with(".nvO1") || name.ends_with(".nvO2")) << name;
        const std::size_t size = name.ends_with(".nvO1") ? 962 : 2042;
        const std::string bytes = text::readFile(e.path());
        EXPECT_FALSE(bytes.empty()) << name;
        EXPECT_EQ(bytes.size() % size, 0u) << name;
        for (std::size_t at = size - 2; at < bytes.size(); at += size)
            EXPECT_EQ(bytes.substr(at, 2), "\r\n") << name;
    }
}

} // namespace tidemark::testing
