#pragma once
// Which data service answers: the provider's component in this process, the same component
// through the bridge, or the simulated service. Chosen once at start from the setting
// [DataService] Use (or the tool's --service) and shared by the window and the tool.

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "bridge/bridge_nv_link.h"
#include "nvsim/sim_nv_link.h"
#include "nvsim/sim_nv_link_factory.h"
#include "service/nv_link.h"
#include "settings/ini_file.h"

namespace tidemark::dataservice {

enum class ServiceKind { Automatic, Com, Bridge, Sim };

// "automatic", "com", "bridge", "sim" (any case); nullopt for anything else.
std::optional<ServiceKind> parseServiceKind(std::string_view word);
// The word parseServiceKind reads.
const char* serviceWord(ServiceKind kind);

// What the user asked for.
struct ServiceSetting {
    ServiceKind use = ServiceKind::Automatic;
    // Starts the bridge; blank: the bridge beside the program when there is one.
    std::string bridgeCommand;
    // The value of Use when it was not one of the four words (it then reads as automatic).
    std::string unknownUse;
    // [DataService] BridgeDeadline: seconds the bridge may take for any call but the
    // component's settings dialog and NVInit; 0 (or blank) keeps each call's own deadline.
    int bridgeDeadlineSeconds = 0;
};

ServiceSetting readServiceSetting(const IniFile& ini);

// The bridge's command line when none is set: the bridge executable in `programDir`
// when it exists there, else blank.
std::string defaultBridgeCommand(const std::filesystem::path& programDir);

struct ChosenService {
    // Says "not installed" when the service asked for cannot be created: the start check
    // then tells the user to install UmaConn.
    std::unique_ptr<NvLinkFactory> factory;
    ServiceKind kind = ServiceKind::Sim;  // never Automatic
};

struct ServiceEnvironment {
    std::filesystem::path programFolder;  // NVSim.ini and ErrorLog.txt
    std::filesystem::path programDir;     // where the bridge executable sits
    nvsim::SimClock clock;                // empty: this machine's clock
    // What the bridge's calls do while they wait: the window serves its events.
    bridge::BridgeWait bridgeWait{};
};

// simSettings: the settings dialog the simulated service shows for "UmaConn設定"
// (NVSetUIProperties); empty where there is no window (the tool): the call then shows
// nothing and answers 0.
ChosenService chooseService(const ServiceSetting& setting, const ServiceEnvironment& env,
                            nvsim::SimSettingsEditor simSettings = {});

// The component in this process, where this build has one; null otherwise.
std::unique_ptr<NvLinkFactory> makeComFactory(bridge::FaultReport onFault);

} // namespace tidemark::dataservice
