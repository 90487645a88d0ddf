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
    for (int i = 1; i <= 9; ++i) {
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
    ini.writeInteger(kSection, "Seed", static_cast<std::int32_t>(c.seed));
    ini.writeInteger(kSection, "FirstDay", numberOf(c.firstDay));
    ini.writeInteger(kSection, "LastDay", numberOf(c.lastDay));
    ini.writeInteger(kSection, "DownloadSpeed", c.downloadSpeed);
    ini.writeInteger(kSection, "SteamRate", c.steamRate);
    ini.writeInteger(kSection, "SteamStrength", c.steamStrength);
    for (int i = 1; i <= 9; ++i) {
        const std::string section = "Fault" + std::to_string(i);
        const auto k = static_cast<std::size_t>(i - 1);
        const FaultRule f = k < c.faults.size() ? c.faults[k] : FaultRule{};
        ini.writeString(section, "Call", f.call);
        ini.writeInteger(section, "Code", f.code);
        ini.writeInteger(section, "At", f.at);
        ini.writeInteger(section, "Count", f.count);
    }
}

} // namespace tidemark::nvsim
