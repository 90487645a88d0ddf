// The companion tool killed (SIGKILL) in the middle of its import, odds and results
// commands: afterwards every file of the program folder is either its old content or
// one of the contents the same command writes when it runs uninterrupted, whole; and
// running the command again completes the store to exactly the one of an uninterrupted
// run, replacing every temporary file the kill left (the readers never look at them:
// the rerun starts from the store as the kill left it).
//
// Two ways to kill: deterministically just before the N-th disk step (a build of the
// tool with a crash point, crash_child/main.cpp), at points spread over all steps of
// the run, and after random delays (the tool itself).
//
//   TIDEMARK_CRASH_KILLS=all | N   crash points per command (default 40; all = every step)
//   TIDEMARK_CRASH_DELAY_KILLS=N   delay kills per command (default 8)

#include "support/temp_dir.h"
#include "text/file_io.h"
#include "tree_snapshot.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace tidemark::reliability {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

using Tree = std::map<std::string, std::string>;

std::uint64_t fnv1a(std::string_view bytes)
{
    std::uint64_t h = 14695981039346656037ull;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

bool isTemporary(const std::string& path) { return path.ends_with(text::temporaryFileOf("x").string().substr(1)); }

Tree withoutTemporaries(Tree tree)
{
    std::erase_if(tree, [](const auto& e) { return isTemporary(e.first); });
    return tree;
}

struct Child {
    pid_t pid = -1;
};

struct Ended {
    bool killed = false; // by SIGKILL
    int exitCode = -1;   // when it exited
};

Child spawnChild(const std::string& exe, const std::vector<std::string>& args,
                 const std::vector<std::string>& extraEnv, const fs::path& output)
{
    std::vector<std::string> argStore{exe};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argStore)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envStore;
    for (char** e = environ; *e; ++e)
        if (!std::string_view(*e).starts_with("TIDEMARK_CRASH_"))
            envStore.emplace_back(*e);
    envStore.insert(envStore.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> envp;
    for (std::string& e : envStore)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    Child c;
    const int rc = posix_spawn(&c.pid, exe.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(rc, 0) << "cannot start " << exe;
    if (rc != 0)
        c.pid = -1;
    return c;
}

Ended waitChild(Child c)
{
    Ended e;
    if (c.pid < 0)
        return e;
    int status = 0;
    while (::waitpid(c.pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status))
        e.killed = WTERMSIG(status) == SIGKILL;
    else if (WIFEXITED(status))
        e.exitCode = WEXITSTATUS(status);
    return e;
}

// One command of the tool over one program folder, with what its uninterrupted run
// starts from, writes and ends with.
class CrashRig {
public:
    CrashRig(const fs::path& work, std::vector<std::string> command) : m_work(work), m_command(std::move(command))
    {
        m_home = m_work / "home";
        m_initial = m_work / "initial";
    }

    // The program folder as the command finds it.
    const fs::path& initialFolder() const { return m_initial; }
    const fs::path& home() const { return m_home; }

    void reset() const
    {
        fs::remove_all(m_home);
        fs::copy(m_initial, m_home, fs::copy_options::recursive);
    }

    std::vector<std::string> args() const
    {
        std::vector<std::string> a{"--home", m_home.string()};
        a.insert(a.end(), m_command.begin(), m_command.end());
        return a;
    }

    // The uninterrupted run, logging every disk step.
    void reference()
    {
        reset();
        m_before = TreeSnapshot::of(m_home, {}).entries();
        const fs::path log = m_work / "steps.log";
        fs::remove(log);
        const auto start = Clock::now();
        const Ended e = waitChild(spawnChild(TIDEMARK_CRASHPOINT_EXE, args(), {"TIDEMARK_CRASH_LOG=" + log.string()},
                                             m_work / "out.txt"));
        m_duration = Clock::now() - start;
        ASSERT_EQ(e.exitCode, 0) << text::readFile(m_work / "out.txt");
        m_after = TreeSnapshot::of(m_home, {}).entries();
        std::ifstream in(log);
        for (std::string line; std::getline(in, line);) {
            ++m_steps;
            std::istringstream fields(line);
            std::string step, path, hash;
            std::getline(fields, step, '\t');
            std::getline(fields, path, '\t');
            std::getline(fields, hash, '\t');
            if (step == "rename")
                m_versions[fs::relative(path, m_home).string()].insert(std::stoull(hash));
        }
        ASSERT_GT(m_steps, 0);
        // Only what the run writes may change, and the end state is one of its versions.
        for (const auto& [path, content] : m_after) {
            if (content != "folder" && (!m_before.count(path) || m_before.at(path) != content)) {
                ASSERT_TRUE(m_versions[path].count(fnv1a(std::string_view(content).substr(5)))) << path;
            }
        }
    }

    long steps() const { return m_steps; }
    Clock::duration duration() const { return m_duration; }
    const Tree& after() const { return m_after; }

    struct Verdict {
        bool killed = false;
        int torn = 0;       // files neither their old content nor one the run writes
        int lost = 0;       // files of the finished store missing or different after the rerun
        int temporaries = 0; // temporary files left by the kill
        int remaining = 0;   // ... and still there after the rerun
    };

    // Checks the folder as a kill left it, then reruns the command and compares.
    Verdict checkAndRerun(bool killed, const std::string& what)
    {
        Verdict v;
        v.killed = killed;
        const Tree left = TreeSnapshot::of(m_home, {}).entries();
        for (const auto& [path, content] : m_before)
            if (!left.count(path)) {
                ++v.lost;
                ADD_FAILURE() << what << ": gone after the kill: " << path;
            }
        for (const auto& [path, content] : left) {
            if (content == "folder")
                continue;
            if (isTemporary(path)) {
                ++v.temporaries;
                continue;
            }
            const bool old = m_before.count(path) && m_before.at(path) == content;
            const auto it = m_versions.find(path);
            const bool written = it != m_versions.end() && it->second.count(fnv1a(std::string_view(content).substr(5)));
            if (!old && !written) {
                ++v.torn;
                ADD_FAILURE() << what << ": neither old nor new content: " << path << " (" << content.size() - 5
                              << " bytes)";
            }
        }
        const Ended rerun = waitChild(spawnChild(TIDEMARK2NV_EXE, args(), {}, m_work / "rerun.txt"));
        EXPECT_EQ(rerun.exitCode, 0) << what << ": the rerun failed: " << text::readFile(m_work / "rerun.txt");
        const Tree rerunTree = TreeSnapshot::of(m_home, {}).entries();
        for (const auto& [path, content] : rerunTree)
            if (isTemporary(path))
                ++v.remaining;
        const Tree done = withoutTemporaries(rerunTree);
        const Tree expected = withoutTemporaries(m_after);
        for (const auto& [path, content] : expected) {
            const auto it = done.find(path);
            if (it == done.end() || it->second != content) {
                ++v.lost;
                ADD_FAILURE() << what << ": the rerun did not complete " << path;
            }
        }
        for (const auto& [path, content] : done)
            if (!expected.count(path))
                ADD_FAILURE() << what << ": the rerun left a file the uninterrupted run does not: " << path;
        return v;
    }

private:
    fs::path m_work;
    fs::path m_home;
    fs::path m_initial;
    std::vector<std::string> m_command;
    Tree m_before;
    Tree m_after;
    std::map<std::string, std::set<std::uint64_t>> m_versions;
    long m_steps = 0;
    Clock::duration m_duration{};
};

long envCount(const char* name, long fallback, long all)
{
    const char* v = std::getenv(name);
    if (!v || !*v)
        return fallback;
    if (std::string_view(v) == "all")
        return all;
    return std::max(0L, std::strtol(v, nullptr, 10));
}

struct Tally {
    int kills = 0;
    int survived = 0;
    int lost = 0;
    int torn = 0;
    int temporaries = 0;
    int remaining = 0;

    void add(const CrashRig::Verdict& v)
    {
        if (!v.killed)
            return;
        ++kills;
        lost += v.lost;
        torn += v.torn;
        temporaries += v.temporaries;
        remaining += v.remaining;
        if (v.lost == 0 && v.torn == 0)
            ++survived;
    }
};

// Kills the command at crash points spread over its disk steps, then after random
// delays; every kill is checked and completed by a rerun.
Tally killRepeatedly(CrashRig& rig, const char* name)
{
    Tally t;
    const long steps = rig.steps();
    const long points = std::min(steps, envCount("TIDEMARK_CRASH_KILLS", 40, steps));
    std::set<long> at;
    // The first and last steps, and the rest spread evenly: every kind of step is hit
    // because a write's steps are consecutive and the spacing is not a multiple of them.
    for (long i = 0; i < points; ++i)
        at.insert(points == 1 ? 1 : 1 + i * (steps - 1) / (points - 1));
    for (long n : at) {
        rig.reset();
        const Ended e = waitChild(spawnChild(TIDEMARK_CRASHPOINT_EXE, rig.args(), {"TIDEMARK_CRASH_AT=" + std::to_string(n)},
                                             rig.home().parent_path() / "killed.txt"));
        EXPECT_TRUE(e.killed) << name << ": crash point " << n << " was not reached (exit " << e.exitCode << ")";
        t.add(rig.checkAndRerun(e.killed, std::string(name) + ", killed before disk step " + std::to_string(n)));
    }

    const long delays = envCount("TIDEMARK_CRASH_DELAY_KILLS", 8, 1000000);
    std::mt19937 random(20240112);
    const auto span = std::chrono::duration_cast<std::chrono::microseconds>(rig.duration()).count();
    std::uniform_int_distribution<long> delay(0, std::max(1L, static_cast<long>(span)));
    for (long i = 0; i < delays; ++i) {
        rig.reset();
        const long us = delay(random);
        const Child c = spawnChild(TIDEMARK2NV_EXE, rig.args(), {}, rig.home().parent_path() / "killed.txt");
        std::this_thread::sleep_for(std::chrono::microseconds(us));
        ::kill(c.pid, SIGKILL);
        const Ended e = waitChild(c);
        // A run that finished before the kill is still checked, but is no kill.
        t.add(rig.checkAndRerun(e.killed, std::string(name) + ", killed after " + std::to_string(us) + " us"));
    }
    std::printf("crash safety, %s: %ld disk steps, %d kills, %d survived, %d files lost, %d torn, "
                "%d temporary files left by kills, %d of them still there after the rerun\n",
                name, steps, t.kills, t.survived, t.lost, t.torn, t.temporaries, t.remaining);
    return t;
}

// Writes a snapshot back as files under `root`.
void materialise(const Tree& tree, const fs::path& root)
{
    fs::create_directories(root);
    for (const auto& [path, content] : tree) {
        if (content == "folder") {
            fs::create_directories(root / path);
            continue;
        }
        fs::create_directories((root / path).parent_path());
        std::ofstream(root / path, std::ios::binary) << std::string_view(content).substr(5);
    }
}

void writeSimWorld(const fs::path& home)
{
    fs::create_directories(home);
    std::ofstream ini(home / "NVSim.ini", std::ios::binary);
    ini << "[NVSim]\r\nSeed=4242\r\nFirstDay=20240112\r\nLastDay=20240112\r\nDownloadSpeed=0\r\n";
}

TEST(CrashSafety, KilledImportsAndFetchesLoseNothingAndARerunCompletesTheStore)
{
    testing::TempDir work;
    Tally total;

    // The stored-data import into an empty program folder.
    CrashRig import(work / "import", {"import", "--since", "2024/01/01 00:00:00"});
    writeSimWorld(import.initialFolder());
    ASSERT_NO_FATAL_FAILURE(import.reference());
    ASSERT_TRUE(import.after().count("Data")) << "the import made no store";
    const Tally ti = killRepeatedly(import, "import");

    // The batch odds import of the day the import stored.
    CrashRig odds(work / "odds", {"odds", "20240112"});
    materialise(import.after(), odds.initialFolder());
    ASSERT_NO_FATAL_FAILURE(odds.reference());
    const Tally to = killRepeatedly(odds, "odds");

    // The results fetch of that day over the store with its odds: payouts as delivered,
    // one whole-file rewrite per record.
    CrashRig results(work / "results", {"results", "20240112"});
    materialise(odds.after(), results.initialFolder());
    ASSERT_NO_FATAL_FAILURE(results.reference());
    const Tally tr = killRepeatedly(results, "results");

    for (const Tally* t : {&ti, &to, &tr}) {
        total.kills += t->kills;
        total.survived += t->survived;
        total.lost += t->lost;
        total.torn += t->torn;
        total.temporaries += t->temporaries;
        total.remaining += t->remaining;
    }
    EXPECT_EQ(total.survived, total.kills);
    EXPECT_EQ(total.lost, 0);
    EXPECT_EQ(total.torn, 0);
    // A temporary file a kill leaves is the one the next write of its file replaces.
    EXPECT_EQ(total.remaining, 0);
    EXPECT_GT(total.kills, 0);
    ::testing::Test::RecordProperty("kills", total.kills);
    ::testing::Test::RecordProperty("kills_survived", total.survived);
    ::testing::Test::RecordProperty("files_lost", total.lost);
    std::printf("crash safety: %d kills, %d survived, %d files lost\n", total.kills, total.survived, total.lost);
}

} // namespace
} // namespace tidemark::reliability
