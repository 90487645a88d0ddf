#pragma once
// The simulated component's own settings, NVSim.ini in the program folder (not the
// program's settings file):
//
//   [NVSim]
//   Seed=20240101          ; the world: the same seed always gives the same races
//   FirstDay=20240101      ; first simulated race day (default: 400 days before today)
//   LastDay=20250630       ; last simulated race day (default: tomorrow)
//   DownloadSpeed=8        ; files fetched per NVStatus poll; 0 = everything at hand
//   SteamRate=10           ; percent of races with informed money on one runner; 0 = none
//   SteamStrength=100      ; percent by which that runner's true chance beats the crowd's share; 0 = none
//   [Fault1]               ; up to [Fault9]
//   Call=NVOpen            ; NVInit NVSetUIProperties NVOpen NVStatus NVGets NVRead NVRTOpen NVClose
//   Code=-301              ; the result to answer
//   At=1                   ; from the n-th call of that name (counted from the start)
//   Count=1                ; for this many calls in a row

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "text/date_time.h"

namespace tidemark::nvsim {

inline constexpr const char* kSimIniName = "NVSim.ini";
inline constexpr int kMaxFaults = 9; // [Fault1] … [Fault9]
// The calls a fault rule may name.
inline constexpr std::array<const char*, 8> kFaultCalls = {"NVInit",   "NVSetUIProperties", "NVOpen",  "NVStatus",
                                                          "NVGets",   "NVRead",            "NVRTOpen", "NVClose"};

struct FaultRule {
    std::string call; // operation name as in the list above
    int code = 0;
    int at = 1;
    int count = 1;
};

struct SimConfig {
    std::uint32_t seed = 20100201;
    std::optional<text::DateTime> firstDay;
    std::optional<text::DateTime> lastDay;
    int downloadSpeed = 8;
    int steamRate = 10;      // 0 … 100
    int steamStrength = 100; // 0 … 400
    std::vector<FaultRule> faults;
};

// Defaults for a missing file or key; a malformed value keeps its default.
SimConfig loadSimConfig(const std::filesystem::path& iniPath);
// Writes every key of [NVSim] and the fault rules (the settings dialog) in one atomic
// replacement of the file; other sections, keys and comment lines stay as they were.
// Rules beyond the list are switched off by a blank Call. Throws text::FileError (the
// file then unchanged).
void saveSimConfig(const std::filesystem::path& iniPath, const SimConfig& config);

} // namespace tidemark::nvsim
