#include "text/child_process.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tidemark::text {

namespace {

class PosixChild : public ChildProcess {
public:
    PosixChild(pid_t pid, int toChild, int fromChild) : m_pid(pid), m_to(toChild), m_from(fromChild) {}
    ~PosixChild() override { finish(); }

    bool write(const char* data, std::size_t size) override
    {
        if (m_to < 0)
            return false;
        // A child that has ended must not end us with SIGPIPE: block it for this thread
        // while writing and swallow the one the failed write raised.
        sigset_t pipeSet;
        sigset_t previous;
        sigemptyset(&pipeSet);
        sigaddset(&pipeSet, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipeSet, &previous);
        bool ok = true;
        while (size > 0) {
            const ssize_t n = ::write(m_to, data, size);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                ok = false;
                break;
            }
            data += n;
            size -= static_cast<std::size_t>(n);
        }
        if (!ok) {
            const timespec zero{0, 0};
            sigtimedwait(&pipeSet, nullptr, &zero);
        }
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        return ok;
    }

    std::ptrdiff_t read(char* buffer, std::size_t size) override
    {
        if (m_from < 0)
            return -1;
        for (;;) {
            const ssize_t n = ::read(m_from, buffer, size);
            if (n < 0 && errno == EINTR)
                continue;
            return n;
        }
    }

    bool waitReadable(int ms) override
    {
        if (m_from < 0)
            return true; // read() answers at once
        pollfd p{m_from, POLLIN, 0};
        // A signal cuts the wait short; the caller waits again.
        return ::poll(&p, 1, ms) > 0;
    }

    void finish() override
    {
        if (m_to >= 0) {
            ::close(m_to);
            m_to = -1;
        }
        if (m_pid > 0) {
            // Two seconds to end on its own after its input closed.
            for (int i = 0; i < 200; ++i) {
                if (reaped())
                    break;
                const timespec tick{0, 10'000'000};
                nanosleep(&tick, nullptr);
            }
            if (m_pid > 0) {
                ::kill(m_pid, SIGKILL);
                waitpid(m_pid, nullptr, 0);
                m_pid = -1;
            }
        }
        if (m_from >= 0) {
            ::close(m_from);
            m_from = -1;
        }
    }

    void kill() override
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
    }

private:
    bool reaped()
    {
        const pid_t r = waitpid(m_pid, nullptr, WNOHANG);
        if (r == m_pid || (r < 0 && errno == ECHILD)) {
            m_pid = -1;
            return true;
        }
        return false;
    }

    pid_t m_pid;
    int m_to;
    int m_from;
};

} // namespace

std::unique_ptr<ChildProcess> startChildProcess(std::string_view commandLine, std::string& error)
{
    std::vector<std::string> words = splitCommandLine(commandLine);
    if (words.empty()) {
        error = "no command line";
        return nullptr;
    }
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);

    int toChild[2];
    int fromChild[2];
    if (pipe2(toChild, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    if (pipe2(fromChild, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        ::close(toChild[0]);
        ::close(toChild[1]);
        return nullptr;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(toChild[0]);
    ::close(fromChild[1]);
    if (rc != 0) {
        error = words[0] + ": " + std::strerror(rc);
        ::close(toChild[1]);
        ::close(fromChild[0]);
        return nullptr;
    }
    return std::make_unique<PosixChild>(pid, toChild[1], fromChild[0]);
}

std::ptrdiff_t readStandardInput(char* buffer, std::size_t size)
{
    for (;;) {
        const ssize_t n = ::read(0, buffer, size);
        if (n < 0 && errno == EINTR)
            continue;
        return n;
    }
}

bool writeStandardOutput(const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(1, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace tidemark::text
