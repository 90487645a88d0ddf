// Ctrl-C for real: the tool runs as a child process and gets SIGINT. `watch` on a
// simulated race day ends at once with every file whole; `export` of a season rolls back
// the day it was writing, keeps the days before, builds its indexes, leaves no journal,
// lock or temporary file, says what it kept and ends with exit code 130.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <optional>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

#include "analytics/sqlite_reader.h"
#include "cli/cli_fixture.h"
#include "records/record_builder.h"
#include "store/record_store.h"
#include "store/store_layout.h"
#include "text/file_io.h"

extern char** environ;

namespace tidemark::testing {
namespace {

using namespace std::chrono_literals;

// The tool (on a test clock) as a child process with stdout and stderr into `output`.
pid_t spawnTool(std::vector<std::string> args, std::vector<std::string> envs, const std::filesystem::path& output)
{
    args.insert(args.begin(), TIDEMARK2NV_TESTCLOCK_EXE);
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
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

// The child's exit status once it ended, or nullopt (then it is killed) after `limit`.
std::optional<int> waitForChild(pid_t pid, std::chrono::seconds limit)
{
    int status = 0;
    const auto stopBy = std::chrono::steady_clock::now() + limit;
    pid_t ended = 0;
    while ((ended = ::waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < stopBy)
        std::this_thread::sleep_for(10ms);
    if (ended == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return std::nullopt;
    }
    return status;
}

std::string o1Key(const std::string& ymd, const std::string& track, int day, int race)
{
    auto two = [](int n) { return std::string(n < 10 ? "0" : "") + std::to_string(n); };
    return ymd + track + "01" + two(day) + two(race);
}

bool fileSays(const std::filesystem::path& file, std::string_view text)
{
    std::string bytes;
    return text::tryReadFile(file, bytes) && bytes.find(text) != std::string::npos;
}

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
    const std::filesystem::path output = home / "watch.txt";
    const pid_t pid = spawnTool({"--home", home.path().string(), "watch", "20240112", "--ahead", "240"},
                                {"TIDEMARK_TEST_CLOCK=20240112173000", "TIDEMARK_TEST_CLOCK_SPEED=60"}, output);
    ASSERT_GT(pid, 0);

    // Once two races are in, Ctrl-C.
    const std::filesystem::path folder = store::StoreLayout(home.path()).oddsFolder("20240112");
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (odds1Files(folder) < 2 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    ASSERT_GE(odds1Files(folder), 2) << text::readFile(output);
    ASSERT_EQ(::kill(pid, SIGINT), 0);

    // It ends within a heartbeat or so; a child that does not is killed, and fails the test.
    const std::optional<int> ended = waitForChild(pid, 10s);
    ASSERT_TRUE(ended) << "the watch did not stop on SIGINT\n" << text::readFile(output);
    const int status = *ended;
    ASSERT_TRUE(WIFEXITED(status)) << text::readFile(output);
    EXPECT_EQ(WEXITSTATUS(status), 0) << text::readFile(output);
    const std::string said = text::readFile(output);
    EXPECT_NE(said.find("stopped;"), std::string::npos) << said;
    EXPECT_NE(said.find("every file written is whole"), std::string::npos) << said;

    expectWholeOddsFiles(home.path(), "20240112");
}

// A season busy enough that an export of it takes a good second: 10 days of 30 races,
// 120 announcements of 14 runners each, written straight into the store's files.
void writeBusySeason(const std::filesystem::path& home)
{
    store::StoreLayout layout(home);
    layout.createFolders();
    store::RecordStore store(layout);
    store::StoreBatch batch(store);
    for (int day = 1; day <= 10; ++day) {
        const std::string ymd = "202402" + std::string(day < 10 ? "0" : "") + std::to_string(day);
        std::filesystem::create_directories(layout.oddsFolder(ymd));
        for (int race = 1; race <= 30; ++race) {
            const std::string track = race <= 12 ? "44" : race <= 24 ? "45" : "46";
            const int number = (race - 1) % 12 + 1;
            records::RaBuilder ra;
            ra.date(2024, 2, day).track(track).meeting(1).day(day).race(number).runners(14).startTime("1500");
            store.storeRa(ra.build(), store::Origin::Import);
            std::string bytes;
            for (int n = 0; n < 120; ++n) {
                records::O1Builder o1;
                o1.date(2024, 2, day).track(track).meeting(1).day(day).race(number).set(3, "0");
                o1.creationDate(ymd).announcement(ymd.substr(4) + (n < 60 ? "13" : "14") +
                                                  (n % 60 < 10 ? "0" : "") + std::to_string(n % 60));
                for (int h = 1; h <= 14; ++h)
                    o1.win(h, 2.0 + h + 0.1 * n, h).place(h, 1.1, 1.5 + 0.1 * h, h);
                bytes += o1.build() + "\r\n";
            }
            std::ofstream(layout.oddsFile(store::StoreKind::O1, o1Key(ymd, track, day, number)), std::ios::binary)
                << bytes;
        }
    }
    batch.commit();
}

TEST(CliInterrupt, CtrlCEndsAnExportAfterTheDaysItFinished)
{
    TempDir home;
    writeBusySeason(home.path());
    const std::filesystem::path db = home / "season.sqlite";
    const std::filesystem::path output = home / "export.txt";
    const pid_t pid = spawnTool({"--home", home.path().string(), "export", "--from", "20240201", "--to", "20240210"},
                                {"TIDEMARK_TEST_CLOCK=20240215120000"}, output);
    ASSERT_GT(pid, 0);

    // Once the first day is in, Ctrl-C.
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (!fileSays(output, "(1/10 days done)") && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(2ms);
    ASSERT_TRUE(fileSays(output, "(1/10 days done)")) << text::readFile(output);
    ASSERT_EQ(::kill(pid, SIGINT), 0);
    const std::optional<int> status = waitForChild(pid, 60s);
    ASSERT_TRUE(status) << "the export did not stop on SIGINT\n" << text::readFile(output);
    const std::string said = text::readFile(output);
    ASSERT_TRUE(WIFEXITED(*status)) << said;
    EXPECT_EQ(WEXITSTATUS(*status), 130) << said;

    // The days it says it kept are in, whole; the day it was writing is not.
    const std::size_t at = said.find("interrupted: ");
    ASSERT_NE(at, std::string::npos) << said;
    const int kept = std::stoi(said.substr(at + 13));
    EXPECT_GE(kept, 1);
    EXPECT_LT(kept, 10) << said;
    EXPECT_NE(said.find("left as it was, the indexes built"), std::string::npos) << said;
    EXPECT_NE(said.find("days\t" + std::to_string(kept) + "\n"), std::string::npos) << said;
    // Nothing beside the file (before this test's own reading leaves its WAL files).
    for (const char* left : {"season.sqlite-journal", "season.sqlite.lock", "season.sqlite-wal"})
        EXPECT_FALSE(std::filesystem::exists(home / left)) << left;
    EXPECT_EQ(sqlValue(db, "SELECT count(DISTINCT day) FROM races"), std::to_string(kept));
    EXPECT_EQ(sqlValue(db, "SELECT count(*) FROM win_place"), std::to_string(kept * 30 * 120 * 14));
    EXPECT_EQ(sqlValue(db, "SELECT count(*) FROM sqlite_master WHERE name = 'races_day'"), "1");
}

} // namespace
} // namespace tidemark::testing
