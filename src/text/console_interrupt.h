#pragma once
// Ctrl-C for the console tool's long commands: once caught, the first interrupt only sets
// a flag that the command looks at between its steps, so that it can end after a whole
// file rather than in the middle of one; a second interrupt ends the program at once, as
// a user pressing Ctrl-C again expects. On Windows, Ctrl-Break and closing the console
// window count as an interrupt too (the window's close waits a few seconds for the
// command to wind down).

namespace tidemark::text {

// Catches the interrupt (Ctrl-C) from now on. Call it only from a command that asks
// interruptRequested() between its steps: any other command is ended by Ctrl-C as usual.
void catchConsoleInterrupt();
// An interrupt arrived since catchConsoleInterrupt().
bool consoleInterruptRequested() noexcept;

} // namespace tidemark::text
