// tidemark2nv_testclock: the companion tool on a clock of the test's choosing, for the
// tests that run it as a child process on a simulated race day. Exactly tidemark2nv
// (Ctrl-C caught as the tool catches it), except that its clock is read from the
// environment:
//
//   TIDEMARK_TEST_CLOCK=yyyymmddhhnnss  the clock at the start
//   TIDEMARK_TEST_CLOCK_SPEED=N         simulated seconds per real second (default 1)

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_app.h"
#include "text/console_interrupt.h"
#include "text/date_time.h"

int main(int argc, char** argv)
{
    const char* clock = std::getenv("TIDEMARK_TEST_CLOCK");
    const char* speed = std::getenv("TIDEMARK_TEST_CLOCK_SPEED");
    const auto start = clock ? tidemark::text::parseCompactDateTime(clock) : std::nullopt;
    if (!start) {
        std::cerr << "tidemark2nv_testclock: TIDEMARK_TEST_CLOCK=yyyymmddhhnnss is needed\n";
        return 1;
    }
    const long factor = speed ? std::strtol(speed, nullptr, 10) : 1;
    const auto began = std::chrono::steady_clock::now();
    const std::int64_t startSeconds = start->secondsSinceEpoch();
    const tidemark::cli::Clock testClock = [=] {
        const auto real = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - began);
        return tidemark::text::DateTime::fromSecondsSinceEpoch(startSeconds + real.count() * factor / 1000);
    };
    const auto catchInterrupt = [] {
        tidemark::text::catchConsoleInterrupt();
        return std::function<bool()>([] { return tidemark::text::consoleInterruptRequested(); });
    };
    std::vector<std::string> args(argv + 1, argv + argc);
    tidemark::cli::Environment env{std::cout, std::cerr, std::filesystem::current_path(), testClock, true,
                                   catchInterrupt};
    return static_cast<int>(tidemark::cli::run(args, env));
}
