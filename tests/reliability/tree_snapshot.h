#pragma once
// Every file and folder under a root with its bytes, to show afterwards that an
// operation changed nothing it should not have: no file outside the store folder was
// created, changed or removed, and every store file is whole.

#include "text/file_io.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace tidemark::reliability {

class TreeSnapshot {
public:
    // Entries under `root`, skipping the subtrees in `excluded` (they are still listed
    // themselves, as folders, so removing one is seen).
    static TreeSnapshot of(const std::filesystem::path& root, const std::vector<std::filesystem::path>& excluded)
    {
        namespace fs = std::filesystem;
        TreeSnapshot s;
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
             it.increment(ec)) {
            const fs::path rel = fs::relative(it->path(), root);
            bool skip = false;
            for (const fs::path& x : excluded)
                skip = skip || it->path() == x;
            if (it->is_symlink()) {
                s.m_entries[text::utf8Path(rel)] = "symlink:" + text::utf8Path(fs::read_symlink(it->path()));
                it.disable_recursion_pending();
            } else if (it->is_directory()) {
                s.m_entries[text::utf8Path(rel)] = "folder";
                if (skip)
                    it.disable_recursion_pending();
            } else {
                s.m_entries[text::utf8Path(rel)] = "file:" + text::readFile(it->path());
            }
        }
        return s;
    }

    // Paths that appeared, vanished or changed, each with what happened to it.
    std::vector<std::string> differences(const TreeSnapshot& before) const
    {
        std::vector<std::string> out;
        for (const auto& [path, content] : m_entries) {
            auto it = before.m_entries.find(path);
            if (it == before.m_entries.end())
                out.push_back("new: " + path);
            else if (it->second != content)
                out.push_back("changed: " + path);
        }
        for (const auto& [path, content] : before.m_entries)
            if (!m_entries.count(path))
                out.push_back("gone: " + path);
        return out;
    }

    const std::map<std::string, std::string>& entries() const noexcept { return m_entries; }

private:
    std::map<std::string, std::string> m_entries;
};

} // namespace tidemark::reliability
