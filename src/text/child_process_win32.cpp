#include "text/child_process.h"

#include <algorithm>
#include <cstring>
#include <string>

#include <windows.h>

namespace tidemark::text {

namespace {

std::wstring widen(std::string_view s)
{
    if (s.empty())
        return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

std::string lastErrorText()
{
    return "Windows error " + std::to_string(GetLastError());
}

// The child's standard output reaches us through a named pipe opened for overlapped
// reads (an anonymous pipe cannot be waited on): a wait for its answer can then end after a
// while and let the window serve its events, and a read never blocks once the wait said so.
class Win32Child : public ChildProcess {
public:
    Win32Child(HANDLE process, HANDLE toChild, HANDLE fromChild, HANDLE readEvent)
        : m_process(process), m_to(toChild), m_from(fromChild)
    {
        m_overlapped.hEvent = readEvent;
    }
    ~Win32Child() override
    {
        finish();
        CloseHandle(m_overlapped.hEvent);
    }

    bool write(const char* data, std::size_t size) override
    {
        if (!m_to)
            return false;
        while (size > 0) {
            DWORD written = 0;
            const DWORD chunk = size > 0x10000000u ? 0x10000000u : static_cast<DWORD>(size);
            if (!WriteFile(m_to, data, chunk, &written, nullptr) || written == 0)
                return false;
            data += written;
            size -= written;
        }
        return true;
    }

    std::ptrdiff_t read(char* buffer, std::size_t size) override
    {
        while (!waitReadable(1000)) {
        }
        if (m_pos < m_have) {
            const std::size_t n = std::min(size, static_cast<std::size_t>(m_have - m_pos));
            std::memcpy(buffer, m_buffer + m_pos, n);
            m_pos += static_cast<DWORD>(n);
            return static_cast<std::ptrdiff_t>(n);
        }
        return m_state == State::Ended ? 0 : -1;
    }

    bool waitReadable(int ms) override
    {
        for (;;) {
            if (m_pos < m_have || m_state == State::Ended || m_state == State::Failed)
                return true;
            if (m_state == State::Idle)
                startRead();
            if (m_state != State::Pending)
                continue;
            if (WaitForSingleObject(m_overlapped.hEvent, ms < 0 ? INFINITE : static_cast<DWORD>(ms)) != WAIT_OBJECT_0)
                return false;
            DWORD got = 0;
            if (GetOverlappedResult(m_from, &m_overlapped, &got, FALSE))
                arrived(got);
            else
                failed();
            if (m_state == State::Idle && m_pos == m_have)
                ms = 0; // an empty completion: look once more, without waiting again
        }
    }

    void finish() override
    {
        if (m_to) {
            CloseHandle(m_to);
            m_to = nullptr;
        }
        if (m_process) {
            if (WaitForSingleObject(m_process, 2000) != WAIT_OBJECT_0)
                TerminateProcess(m_process, 1);
            CloseHandle(m_process);
            m_process = nullptr;
        }
        if (m_from) {
            // The buffer of a read still under way must outlive it.
            if (m_state == State::Pending) {
                DWORD got = 0;
                CancelIoEx(m_from, &m_overlapped);
                GetOverlappedResult(m_from, &m_overlapped, &got, TRUE);
            }
            CloseHandle(m_from);
            m_from = nullptr;
            m_state = State::Ended;
        }
    }

    void kill() override
    {
        if (m_process) {
            TerminateProcess(m_process, 1);
            WaitForSingleObject(m_process, INFINITE);
        }
    }

private:
    enum class State { Idle, Pending, Ended, Failed };

    void startRead()
    {
        m_pos = m_have = 0;
        ResetEvent(m_overlapped.hEvent);
        DWORD got = 0;
        if (ReadFile(m_from, m_buffer, sizeof m_buffer, &got, &m_overlapped)) {
            // Done at once; the result is still taken from the overlapped structure.
            if (GetOverlappedResult(m_from, &m_overlapped, &got, FALSE))
                arrived(got);
            else
                failed();
        } else if (GetLastError() == ERROR_IO_PENDING) {
            m_state = State::Pending;
        } else {
            failed();
        }
    }

    void arrived(DWORD got)
    {
        m_have = got;
        m_pos = 0;
        m_state = State::Idle;
    }

    void failed()
    {
        const DWORD e = GetLastError();
        m_state = e == ERROR_BROKEN_PIPE || e == ERROR_PIPE_NOT_CONNECTED ? State::Ended : State::Failed;
    }

    HANDLE m_process;
    HANDLE m_to;
    HANDLE m_from;
    OVERLAPPED m_overlapped{};
    State m_state = State::Idle;
    char m_buffer[65536];
    DWORD m_have = 0;
    DWORD m_pos = 0;
};

// A pipe of which only our end reads overlapped; the child's end (inheritable) is plain.
bool makeOutputPipe(SECURITY_ATTRIBUTES& inherit, HANDLE& ours, HANDLE& childs, std::string& error)
{
    static LONG serial = 0;
    const std::wstring name = L"\\\\.\\pipe\\tidemark2nv-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(InterlockedIncrement(&serial)) + L"-" + std::to_wstring(GetTickCount64());
    ours = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                            PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 65536, 65536, 0, nullptr);
    if (ours == INVALID_HANDLE_VALUE) {
        ours = nullptr;
        error = lastErrorText();
        return false;
    }
    childs = CreateFileW(name.c_str(), GENERIC_WRITE, 0, &inherit, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (childs == INVALID_HANDLE_VALUE) {
        childs = nullptr;
        error = lastErrorText();
        CloseHandle(ours);
        ours = nullptr;
        return false;
    }
    return true;
}

} // namespace

std::unique_ptr<ChildProcess> startChildProcess(std::string_view commandLine, std::string& error)
{
    if (splitCommandLine(commandLine).empty()) {
        error = "no command line";
        return nullptr;
    }
    SECURITY_ATTRIBUTES inherit{};
    inherit.nLength = sizeof inherit;
    inherit.bInheritHandle = TRUE;
    HANDLE childIn = nullptr;
    HANDLE toChild = nullptr;
    HANDLE fromChild = nullptr;
    HANDLE childOut = nullptr;
    // Room for several requests, so that a request to a bridge that has stopped reading
    // does not block us before its deadline can end it.
    if (!CreatePipe(&childIn, &toChild, &inherit, 1u << 20)) {
        error = lastErrorText();
        return nullptr;
    }
    if (!makeOutputPipe(inherit, fromChild, childOut, error)) {
        CloseHandle(childIn);
        CloseHandle(toChild);
        return nullptr;
    }
    HANDLE readEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!readEvent) {
        error = lastErrorText();
        CloseHandle(childIn);
        CloseHandle(toChild);
        CloseHandle(fromChild);
        CloseHandle(childOut);
        return nullptr;
    }
    // Only the child's ends are inherited.
    SetHandleInformation(toChild, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(fromChild, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childIn;
    startup.hStdOutput = childOut;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info{};
    std::wstring line = widen(commandLine);
    const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                        nullptr, &startup, &info);
    CloseHandle(childIn);
    CloseHandle(childOut);
    if (!started) {
        error = lastErrorText();
        CloseHandle(toChild);
        CloseHandle(fromChild);
        CloseHandle(readEvent);
        return nullptr;
    }
    CloseHandle(info.hThread);
    return std::make_unique<Win32Child>(info.hProcess, toChild, fromChild, readEvent);
}

std::ptrdiff_t readStandardInput(char* buffer, std::size_t size)
{
    DWORD got = 0;
    const DWORD chunk = size > 0x10000000u ? 0x10000000u : static_cast<DWORD>(size);
    if (!ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, chunk, &got, nullptr))
        return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
    return static_cast<std::ptrdiff_t>(got);
}

bool writeStandardOutput(const char* data, std::size_t size)
{
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    while (size > 0) {
        DWORD written = 0;
        const DWORD chunk = size > 0x10000000u ? 0x10000000u : static_cast<DWORD>(size);
        if (!WriteFile(out, data, chunk, &written, nullptr) || written == 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

} // namespace tidemark::text
