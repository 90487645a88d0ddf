// Ctrl-C in `tidemark2nv watch`, for real: the tool runs as a child process on a simulated
// race day, gets SIGINT while it fetches, and ends at once with every file whole.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

#include "cli/cli_fixture.h"
#include "store/store_layout.h"
#include "text/file_io.h"

extern char** environ;

namespace tidemark::testing {
namespace {

using namespace std::chrono_literals;

int odds1Files(const std::filesystem::path& folder)
{
    std::error_code ec;
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec))
        n += e.path().extension() == ".nvO1" ? 1 : 0;
    return n;
}

TEST(CliInterrupt, CtrlCEndsTheWatchBetweenRequestsWithEveryFileWhole)
{
    TempDir home;
    writeSimWorld(home.path());
    std::ostringstream out;
    std::ostringstream err;
    cli::Environment env{out, err, home.path(), [] { return text::DateTime{2024, 1, 12, 8, 0, 0}; }, false, {}};
    ASSERT_EQ(cli::run({"--home", home.path().string(), "import", "--since", "2024/01/01 00:00:00"}, env),
              cli::ExitCode::Ok)
        << err.str();

    // 17:30 on race day, a simulated minute a real second: every race to come is due.
    std::vector<std::string> args{TIDEMARK2NV_TESTCLOCK_EXE, "--home", home.path().string(), "watch", "20240112",
                                  "--ahead", "240"};
    std::vector<std::string> envs{"TIDEMARK_TEST_CLOCK=20240112173000", "TIDEMARK_TEST_CLOCK_SPEED=60"};
    for (char** e = environ; *e; ++e)
        envs.emplace_back(*e);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& e : envs)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    const std::filesystem::path output = home / "watch.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);

    // Once two races are in, Ctrl-C.
    const std::filesystem::path folder = store::StoreLayout(home.path()).oddsFolder("20240112");
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (odds1Files(folder) < 2 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    ASSERT_GE(odds1Files(folder), 2) << text::readFile(output);
    ASSERT_EQ(::kill(pid, SIGINT), 0);

    // It ends within a heartbeat or so; a child that does not is killed, and fails the test.
    int status = 0;
    const auto stopBy = std::chrono::steady_clock::now() + 10s;
    pid_t ended = 0;
    while ((ended = ::waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < stopBy)
        std::this_thread::sleep_for(10ms);
    if (ended == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        FAIL() << "the watch did not stop on SIGINT\n" << text::readFile(output);
    }
    ASSERT_TRUE(WIFEXITED(status)) << text::readFile(output);
    EXPECT_EQ(WEXITSTATUS(status), 0) << text::readFile(output);
    const std::string said = text::readFile(output);
    EXPECT_NE(said.find("stopped;"), std::string::npos) << said;
    EXPECT_NE(said.find("every file written is whole"), std::string::npos) << said;

    expectWholeOddsFiles(home.path(), "20240112");
}

} // namespace
} // namespace tidemark::testing
