#include "text/child_process.h"

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

class Win32Child : public ChildProcess {
public:
    Win32Child(HANDLE process, HANDLE toChild, HANDLE fromChild) : m_process(process), m_to(toChild), m_from(fromChild) {}
    ~Win32Child() override { finish(); }

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
        if (!m_from)
            return -1;
        DWORD got = 0;
        const DWORD chunk = size > 0x10000000u ? 0x10000000u : static_cast<DWORD>(size);
        if (!ReadFile(m_from, buffer, chunk, &got, nullptr))
            return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
        return static_cast<std::ptrdiff_t>(got);
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
            CloseHandle(m_from);
            m_from = nullptr;
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
    HANDLE m_process;
    HANDLE m_to;
    HANDLE m_from;
};

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
    if (!CreatePipe(&childIn, &toChild, &inherit, 0)) {
        error = lastErrorText();
        return nullptr;
    }
    if (!CreatePipe(&fromChild, &childOut, &inherit, 0)) {
        error = lastErrorText();
        CloseHandle(childIn);
        CloseHandle(toChild);
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
        return nullptr;
    }
    CloseHandle(info.hThread);
    return std::make_unique<Win32Child>(info.hProcess, toChild, fromChild);
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
