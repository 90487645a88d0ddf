// Ctrl-C (and Ctrl-Break) in a Windows console: a control handler, which Windows calls
// on a thread of its own.
#include "text/console_interrupt.h"

#include <windows.h>

#include <atomic>

namespace tidemark::text {

namespace {

std::atomic<bool> s_interrupted{false};

BOOL WINAPI onConsoleControl(DWORD type)
{
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT)
        return FALSE;
    // A second interrupt is not caught: the default handler ends the program.
    if (s_interrupted.exchange(true))
        return FALSE;
    return TRUE;
}

} // namespace

void catchConsoleInterrupt()
{
    s_interrupted = false;
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
}

bool consoleInterruptRequested() noexcept { return s_interrupted.load(); }

} // namespace tidemark::text
