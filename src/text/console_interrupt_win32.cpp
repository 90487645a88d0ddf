// Ctrl-C, Ctrl-Break and closing the console window on Windows: a control handler, which
// Windows calls on a thread of its own. Closing the window ends the process as soon as
// the handler returns (and after a few seconds in any case), so for that event the
// handler sets the flag and then holds on while the command winds down: the day being
// written is rolled back and the files are closed before the process ends.
#include "text/console_interrupt.h"

#include <windows.h>

#include <atomic>

namespace tidemark::text {

namespace {

std::atomic<bool> s_interrupted{false};

BOOL WINAPI onConsoleControl(DWORD type)
{
    switch (type) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        // A second interrupt is not caught: the default handler ends the program.
        if (s_interrupted.exchange(true))
            return FALSE;
        return TRUE;
    case CTRL_CLOSE_EVENT:
        s_interrupted = true;
        // The system allows about five seconds; the process ends when the command
        // returns from main, or when they run out.
        Sleep(4500);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

void catchConsoleInterrupt()
{
    s_interrupted = false;
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
}

bool consoleInterruptRequested() noexcept { return s_interrupted.load(); }

} // namespace tidemark::text
