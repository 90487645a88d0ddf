#pragma once
// The settings dialog of the simulated data service ("UmaConn設定" while the simulated
// service answers): its captions, the values of NVSim.ini as the edit boxes show them,
// and the check of what the user typed. Texts are CP932.

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "host/host.h"

#include "nvsim/sim_config.h"

namespace tidemark::nvsim {

// The edit boxes of one fault rule; a row with a blank call is no rule.
struct SimFaultFields {
    std::string call;
    std::string code;
    std::string at;
    std::string count;
};

// What the dialog's boxes hold.
struct SimSettingsFields {
    std::string seed;
    std::string firstDay; // yyyymmdd, or blank for the default window
    std::string lastDay;
    std::string downloadSpeed;
    std::string steamRate;
    std::string steamStrength;
    std::array<SimFaultFields, kMaxFaults> faults;
};

// Which box a refusal points to.
enum class SimSettingsField { None, Seed, FirstDay, LastDay, DownloadSpeed, SteamRate, SteamStrength, FaultCall,
                              FaultCode, FaultAt, FaultCount };

struct SimSettingsCheck {
    bool ok = false;
    SimConfig config;                           // when ok
    std::string message;                               // when not: what to correct
    SimSettingsField field = SimSettingsField::None;
    int faultRow = -1;                                 // 0-based, for the fault boxes
};

// Bounds of the values the dialog accepts.
inline constexpr int kMaxDownloadSpeed = 100000;

SimSettingsFields fieldsOf(const SimConfig& config);
// The settings the boxes describe, or the first thing to correct. Fault rows are taken in
// order, rows with a blank call left out.
SimSettingsCheck checkSimSettings(const SimSettingsFields& fields);
// The OK button: the settings the boxes describe are written to `iniPath` (ok: the dialog
// closes). A refusal or a file that cannot be written is said after a beep, and the
// dialog stays open with its focus on `field` (None for a file error: the file is as it
// was, the user may try again or cancel).
SimSettingsCheck saveSimSettings(const SimSettingsFields& fields, const std::filesystem::path& iniPath, Host& host);

struct SimSettingsTexts {
    std::string title;         // "模擬データサービスの設定"
    std::string seed;          // "乱数の種 (Seed)"
    std::string firstDay;      // "開始日 (FirstDay)"
    std::string lastDay;       // "終了日 (LastDay)"
    std::string dayHint;       // "yyyymmdd、空欄は既定"
    std::string downloadSpeed; // "ダウンロード速度 (DownloadSpeed)"
    std::string steamRate;     // "大口投票の割合％ (SteamRate)"
    std::string steamStrength; // "大口投票の強さ％ (SteamStrength)"
    std::string faults;        // "障害の注入"
    std::array<std::string, 4> faultHeaders; // "呼び出し", "結果コード", "何回目から", "回数"
    std::string note;          // when the settings take effect
};
const SimSettingsTexts& simSettingsTexts();

// The choices of a fault row's call box: blank (no rule), then the calls a rule may name.
std::vector<std::string> simFaultCallChoices();

} // namespace tidemark::nvsim
