#pragma once
// A helper program started with its standard input and output piped to us (its standard
// error stays ours), and our own standard streams as raw bytes, for a program that
// serves another over them. One file per system implements this.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tidemark::text {

class ChildProcess {
public:
    virtual ~ChildProcess() = default;

    // Writes all bytes to the child's standard input; false when the child is gone.
    virtual bool write(const char* data, std::size_t size) = 0;
    // Reads from the child's standard output: > 0 bytes read, 0 the child closed it
    // (usually: it ended), < 0 an error.
    virtual std::ptrdiff_t read(char* buffer, std::size_t size) = 0;
    // Waits at most `ms` milliseconds for the child's standard output to hold bytes or to
    // end: true when read() will not block.
    virtual bool waitReadable(int ms) = 0;
    // Closes the child's standard input, waits a moment for it to end and ends it
    // otherwise. Also done by the destructor.
    virtual void finish() = 0;
    // Ends the child at once (tests use this to stand for a crash).
    virtual void kill() = 0;
};

// Starts `commandLine` (UTF-8; words separated by blanks, a word may be quoted with double
// quotes). Null with `error` set when it cannot be started.
std::unique_ptr<ChildProcess> startChildProcess(std::string_view commandLine, std::string& error);

// Splits a command line into its words as startChildProcess does on systems that pass
// words rather than one line.
std::vector<std::string> splitCommandLine(std::string_view commandLine);

// Our own standard streams as raw bytes (no line-end translation).
std::ptrdiff_t readStandardInput(char* buffer, std::size_t size);
bool writeStandardOutput(const char* data, std::size_t size);

} // namespace tidemark::text
