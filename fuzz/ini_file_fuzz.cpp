// The settings file reader over an arbitrary file (part 0): the keys the program reads,
// sections and keys taken from the input itself (part 1, one per line as
// "section=key"), then a write of every value read back into the file, which must leave
// each value readable as written.

#include "analysis/snapshot_series.h"
#include "fuzz_support.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"
#include "text/file_io.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

using namespace tidemark;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzz::Scratch scratch;
    const auto parts = fuzz::splitParts(data, size);
    const std::filesystem::path file = scratch.fresh() / "Tidemark2NV.ini";
    text::writeFileAtomic(file, fuzz::partOr(parts, 0));
    IniFile ini(file);

    std::vector<std::pair<std::string, std::string>> keys = {
        {"locate", "top"}, {"Time", "First"}, {"Time", "AutoRdataGet"}, {"MaeUri", "Ignore"},
        {"NvDataGet", "LastTime"}, {"Graph", "Ymax1"}, {"Text", "Quoted"},
    };
    std::string_view wanted = fuzz::partOr(parts, 1);
    while (!wanted.empty() && keys.size() < 40) {
        const std::size_t end = std::min(wanted.find('\n'), wanted.size());
        const std::string_view entry = wanted.substr(0, end);
        const std::size_t eq = entry.find('=');
        keys.emplace_back(std::string(entry.substr(0, eq)), eq == std::string_view::npos ? "" : std::string(entry.substr(eq + 1)));
        wanted.remove_prefix(std::min(end + 1, wanted.size()));
    }

    for (const auto& [section, key] : keys) {
        // Section and key names are the program's own; one that could not stand in the
        // file (empty, a line break, "=" or "]") is refused as a programming error.
        try {
            (void)ini.readString(section, key, "def");
            (void)ini.readRaw(section, key, "");
            (void)ini.readInteger(section, key, -7);
            (void)ini.readBool(section, key, true);
        } catch (const std::invalid_argument&) {
        }
    }
    (void)analysis::readSeriesOptions(ini);
    (void)settings::readLastTime(ini, {2024, 1, 15, 12, 0, 0});

    // Writing a plain value under a plain key reads back the same value, whatever the
    // file held before.
    ini.writeString("Fuzz", "Value", "12345");
    ini.writeInteger("Time", "First", 1015);
    if (ini.readString("Fuzz", "Value", "") != "12345" || ini.readInteger("Time", "First", 0) != 1015)
        fuzz::broken("a written setting does not read back");
    return 0;
}
