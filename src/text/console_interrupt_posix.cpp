#include "text/console_interrupt.h"

#include <csignal>

namespace tidemark::text {

namespace {

volatile std::sig_atomic_t s_interrupted = 0;

extern "C" void onConsoleInterrupt(int signal)
{
    s_interrupted = 1;
    // The next Ctrl-C is not caught: it ends the program.
    std::signal(signal, SIG_DFL);
}

} // namespace

void catchConsoleInterrupt()
{
    s_interrupted = 0;
    std::signal(SIGINT, onConsoleInterrupt);
}

bool consoleInterruptRequested() noexcept { return s_interrupted != 0; }

} // namespace tidemark::text
