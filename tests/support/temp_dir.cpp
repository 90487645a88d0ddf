#include "support/temp_dir.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace tidemark::testing {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tidemark-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

} // namespace tidemark::testing
