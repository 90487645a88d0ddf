#pragma once
// What the fuzz targets share: a host that shows nothing, a scratch program folder
// emptied before every input, and the splitting of one input into the files or
// records of a store.

#include "host/silent_host.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace tidemark::fuzz {

// Separates the parts of one input ("the RA file", "the first odds record" ...). A seed
// is its parts joined by it; a mutated input simply has more or fewer parts.
inline constexpr std::string_view kPartMarker = "\n@@part@@\n";

inline std::vector<std::string_view> splitParts(const std::uint8_t* data, std::size_t size)
{
    std::string_view all(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t at = all.find(kPartMarker);
        if (at == std::string_view::npos) {
            parts.push_back(all);
            return parts;
        }
        parts.push_back(all.substr(0, at));
        all.remove_prefix(at + kPartMarker.size());
    }
}

inline std::string_view partOr(const std::vector<std::string_view>& parts, std::size_t i)
{
    return i < parts.size() ? parts[i] : std::string_view{};
}

// Stops the run when an invariant of the store is broken: libFuzzer keeps the input.
[[noreturn]] inline void broken(const char* what)
{
    ::write(2, what, std::char_traits<char>::length(what));
    ::write(2, "\n", 1);
    std::abort();
}

// A program folder of its own per process under the temporary folder, with a sentinel
// folder beside it: what a target writes must stay inside `program()`.
class Scratch {
public:
    Scratch()
    {
        namespace fs = std::filesystem;
        const char* tmp = std::getenv("TMPDIR");
        fs::path base = tmp && *tmp ? fs::path(tmp) : fs::temp_directory_path();
        m_root = base / ("tidemark-fuzz-" + std::to_string(::getpid()));
        fs::remove_all(m_root);
        fs::create_directories(m_root / "outside");
        m_program = m_root / "prog";
    }
    ~Scratch()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_root, ec);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    // An empty program folder for the next input.
    const std::filesystem::path& fresh()
    {
        std::filesystem::remove_all(m_program);
        std::filesystem::create_directories(m_program);
        return m_program;
    }
    const std::filesystem::path& program() const noexcept { return m_program; }

    // Nothing may have appeared beside the program folder.
    void checkNothingOutside() const
    {
        std::size_t entries = 0;
        for (const auto& e : std::filesystem::directory_iterator(m_root)) {
            (void)e;
            ++entries;
        }
        if (entries != 2 || !std::filesystem::is_empty(m_root / "outside"))
            broken("a file appeared outside the program folder");
    }

private:
    std::filesystem::path m_root;
    std::filesystem::path m_program;
};

// Shows nothing, answers every question with No.
struct NullHost : SilentHost {
    NullHost()
    {
        confirmAnswer = false;
        openAnswer = true;
    }
};

} // namespace tidemark::fuzz
