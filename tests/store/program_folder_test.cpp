#include "store/program_folder.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>

#include "support/temp_dir.h"

namespace tidemark::store {
namespace {

namespace fs = std::filesystem;

void touch(const fs::path& p, const char* content = "")
{
    std::ofstream(p) << content;
}

struct Folders {
    tidemark::testing::TempDir dir;
    fs::path exe = dir.path() / "bin";
    fs::path user = dir.path() / "home" / "Tidemark2NV";
    Folders()
    {
        fs::create_directories(exe);
        fs::create_directories(user);
    }
};

TEST(ProgramFolder, BuildOrUnpackedFolderKeepsItsOwnFilesAndAnInstalledProgramUsesTheUserFolder)
{
    Folders f;
    EXPECT_TRUE(isWritableFolder(f.exe));
    EXPECT_FALSE(isWritableFolder(f.dir.path() / "missing"));
    EXPECT_EQ(chooseProgramFolder(f.exe, f.user), f.exe);

    touch(f.exe / kInstalledMarker);
    EXPECT_EQ(chooseProgramFolder(f.exe, f.user), f.user);
    // Without a user folder to go to, the executable's folder is still the best there is.
    EXPECT_EQ(chooseProgramFolder(f.exe, fs::path()), f.exe);
}

TEST(ProgramFolder, AFolderThatCannotBeWrittenSendsTheProgramToTheUserFolder)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "the superuser may write into any folder";
    Folders f;
    fs::permissions(f.exe, fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_FALSE(isWritableFolder(f.exe));
    EXPECT_EQ(chooseProgramFolder(f.exe, f.user), f.user);
    fs::permissions(f.exe, fs::perms::owner_write, fs::perm_options::add);
}

TEST(ProgramFolder, TheInstalledManualIsLinkedIntoTheUserFolderAndFollowsAMovedInstallation)
{
    Folders f;
    const char* name = "Tidemark2NV.pdf";
    linkInstalledManual(f.exe, f.user, name);
    EXPECT_FALSE(fs::exists(fs::symlink_status(f.user / name))) << "no manual installed, nothing to link";

    touch(f.exe / name, "%PDF");
    linkInstalledManual(f.exe, f.user, name);
    ASSERT_TRUE(fs::is_symlink(f.user / name));
    EXPECT_EQ(fs::read_symlink(f.user / name), f.exe / name);

    // Installed elsewhere later: the link follows.
    const fs::path other = f.dir.path() / "opt";
    fs::create_directories(other);
    touch(other / name, "%PDF");
    linkInstalledManual(other, f.user, name);
    EXPECT_EQ(fs::read_symlink(f.user / name), other / name);

    // A copy of the user's own is never replaced.
    fs::remove(f.user / name);
    touch(f.user / name, "mine");
    linkInstalledManual(f.exe, f.user, name);
    EXPECT_FALSE(fs::is_symlink(f.user / name));

    // Run from its own folder the program finds the manual beside itself: no link there.
    linkInstalledManual(f.exe, f.exe, name);
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(f.exe / name)));
}

} // namespace
} // namespace tidemark::store
