#include "support/temp_dir.h"

#include <random>
#include <stdexcept>
#include <string>

namespace tidemark::testing {

TempDir::TempDir()
{
    // A random name made by create_directory, which fails on a name already taken: the
    // same guarantee as mkdtemp, on every system.
    static thread_local std::mt19937_64 random{std::random_device{}()};
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = "tidemark-test-";
        for (int i = 0; i < 10; ++i)
            name += kLetters[random() % (sizeof kLetters - 1)];
        std::error_code ec;
        if (std::filesystem::create_directory(base / name, ec)) {
            m_path = base / name;
            return;
        }
    }
    throw std::runtime_error("no temporary folder could be made in " + base.string());
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

} // namespace tidemark::testing
