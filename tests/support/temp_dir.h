#pragma once
// A fresh folder under the system's temporary folder, removed with everything in it
// when the test ends.

#include <filesystem>

namespace tidemark::testing {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::filesystem::path& p) const { return m_path / p; }

private:
    std::filesystem::path m_path;
};

} // namespace tidemark::testing
