#include "nvsim/sim_config.h"

#include <algorithm>

#include "settings/ini_file.h"
#include "text/number_format.h"

namespace tidemark::nvsim {

namespace {

constexpr const char* kSection = "NVSim";

std::optional<text::DateTime> dayOf(std::int32_t yyyymmdd)
{
    const int y = yyyymmdd / 10000;
    const int m = yyyymmdd / 100 % 100;
    const int d = yyyymmdd % 100;
    if (yyyymmdd <= 0 || !text::isValidDate(y, m, d)) {
        return std::nullopt;
    }
    text::DateTime t;
    t.year = y;
    t.month = m;
    t.day = d;
    t.hour = t.minute = t.second = 0;
    return t;
}

std::int32_t numberOf(const std::optional<text::DateTime>& t)
{
    return t ? t->year * 10000 + t->month * 100 + t->day : 0;
}

} // namespace

SimConfig loadSimConfig(const std::filesystem::path& iniPath)
{
    SimConfig c;
    std::error_code ec;
    if (!std::filesystem::exists(iniPath, ec)) {
        return c;
    }
    const IniFile ini(iniPath);
    c.seed = static_cast<std::uint32_t>(ini.readInteger(kSection, "Seed", static_cast<std::int32_t>(c.seed)));
    c.firstDay = dayOf(ini.readInteger(kSection, "FirstDay", 0));
    c.lastDay = dayOf(ini.readInteger(kSection, "LastDay", 0));
    c.downloadSpeed = std::max(0, ini.readInteger(kSection, "DownloadSpeed", c.downloadSpeed));
    c.steamRate = std::clamp(ini.readInteger(kSection, "SteamRate", c.steamRate), 0, 100);
    c.steamStrength = std::clamp(ini.readInteger(kSection, "SteamStrength", c.steamStrength), 0, 400);
    for (int i = 1; i <= kMaxFaults; ++i) {
        const std::string section = "Fault" + std::to_string(i);
        FaultRule f;
        f.call = ini.readString(section, "Call", "");
        f.code = ini.readInteger(section, "Code", 0);
        f.at = ini.readInteger(section, "At", 1);
        f.count = ini.readInteger(section, "Count", 1);
        if (!f.call.empty() && f.code != 0 && f.at >= 1 && f.count >= 1) {
            c.faults.push_back(f);
        }
    }
    return c;
}

void saveSimConfig(const std::filesystem::path& iniPath, const SimConfig& c)
{
    IniFile ini(iniPath);
    auto dayText = [](const std::optional<text::DateTime>& t) {
        return t ? std::to_string(numberOf(t)) : std::string(); // blank: the default window
    };
    std::vector<IniEntry> entries = {
        {kSection, "Seed", std::to_string(static_cast<std::int32_t>(c.seed))},
        {kSection, "FirstDay", dayText(c.firstDay)},
        {kSection, "LastDay", dayText(c.lastDay)},
        {kSection, "DownloadSpeed", std::to_string(c.downloadSpeed)},
        {kSection, "SteamRate", std::to_string(c.steamRate)},
        {kSection, "SteamStrength", std::to_string(c.steamStrength)},
    };
    for (int i = 1; i <= kMaxFaults; ++i) {
        const std::string section = "Fault" + std::to_string(i);
        const auto k = static_cast<std::size_t>(i - 1);
        if (k < c.faults.size()) {
            const FaultRule& f = c.faults[k];
            entries.push_back({section, "Call", f.call});
            entries.push_back({section, "Code", std::to_string(f.code)});
            entries.push_back({section, "At", std::to_string(f.at)});
            entries.push_back({section, "Count", std::to_string(f.count)});
        } else if (ini.readRaw(section, "Call", "") != "") {
            // A rule taken away: a blank call switches it off, its other lines stay.
            entries.push_back({section, "Call", ""});
        }
    }
    // One replacement of the file: a failed save leaves the old settings whole.
    ini.writeStrings(entries);
}

} // namespace tidemark::nvsim
