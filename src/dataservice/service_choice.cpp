#include "dataservice/service_choice.h"

#include <algorithm>
#include <cctype>

#include "nvsim/sim_nv_link_factory.h"
#include "service/error_log.h"
#include "settings/settings_keys.h"
#include "text/file_io.h"
#include "text/system_places.h"

namespace tidemark::dataservice {

namespace {

// A service the setting names but this machine cannot create.
class MissingFactory : public NvLinkFactory {
public:
    bool installed() const override { return false; }
    std::unique_ptr<NvLink> create() override { return nullptr; }
};

bridge::FaultReport errorLogReport(const ServiceEnvironment& env)
{
    return [folder = env.programFolder, clock = env.clock](const std::string& line) {
        try {
            ErrorLog log(folder);
            log.append(line, clock ? clock() : text::localNow());
        } catch (const text::FileError&) {
            // The call's own result still tells the caller; a log that cannot be written
            // must not turn a service fault into a crash.
        }
    };
}

} // namespace

std::optional<ServiceKind> parseServiceKind(std::string_view word)
{
    std::string w(word);
    std::transform(w.begin(), w.end(), w.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (w == "automatic")
        return ServiceKind::Automatic;
    if (w == "com")
        return ServiceKind::Com;
    if (w == "bridge")
        return ServiceKind::Bridge;
    if (w == "sim")
        return ServiceKind::Sim;
    return std::nullopt;
}

const char* serviceWord(ServiceKind kind)
{
    switch (kind) {
    case ServiceKind::Automatic: return "automatic";
    case ServiceKind::Com: return "com";
    case ServiceKind::Bridge: return "bridge";
    case ServiceKind::Sim: return "sim";
    }
    return "?";
}

ServiceSetting readServiceSetting(const IniFile& ini)
{
    ServiceSetting s;
    const std::string use = settings::DataServiceUse.read(ini);
    if (const auto kind = parseServiceKind(use))
        s.use = *kind;
    else
        s.unknownUse = use;
    s.bridgeCommand = settings::DataServiceBridge.read(ini);
    s.bridgeDeadlineSeconds = std::max(0, settings::DataServiceBridgeDeadline.read(ini));
    return s;
}

std::string defaultBridgeCommand(const std::filesystem::path& programDir)
{
    std::error_code ec;
    const std::filesystem::path exe = programDir / text::executableFileName("tidemark2nv-link");
    if (programDir.empty() || !std::filesystem::is_regular_file(exe, ec))
        return {};
    // Quoted: program folders often hold blanks.
    const std::u8string u8 = exe.u8string();
    return "\"" + std::string(u8.begin(), u8.end()) + "\"";
}

ChosenService chooseService(const ServiceSetting& setting, const ServiceEnvironment& env,
                            nvsim::SimSettingsEditor simSettings)
{
    const bridge::FaultReport report = errorLogReport(env);
    const std::string bridgeCommand =
        setting.bridgeCommand.empty() ? defaultBridgeCommand(env.programDir) : setting.bridgeCommand;
    auto sim = [&] {
        return ChosenService{std::make_unique<nvsim::SimNvLinkFactory>(env.programFolder, env.clock, simSettings),
                             ServiceKind::Sim};
    };
    bridge::BridgeWait wait = env.bridgeWait;
    if (setting.bridgeDeadlineSeconds > 0)
        wait.deadlines = bridge::BridgeDeadlines::all(std::chrono::seconds(setting.bridgeDeadlineSeconds));
    auto bridged = [&] {
        return ChosenService{std::make_unique<bridge::BridgeNvLinkFactory>(bridgeCommand, report, wait),
                             ServiceKind::Bridge};
    };
    switch (setting.use) {
    case ServiceKind::Sim:
        return sim();
    case ServiceKind::Bridge:
        return bridged();
    case ServiceKind::Com: {
        std::unique_ptr<NvLinkFactory> com = makeComFactory(report);
        if (!com)
            com = std::make_unique<MissingFactory>();
        return ChosenService{std::move(com), ServiceKind::Com};
    }
    case ServiceKind::Automatic:
        break;
    }
    if (std::unique_ptr<NvLinkFactory> com = makeComFactory(report); com && com->installed())
        return ChosenService{std::move(com), ServiceKind::Com};
    if (!bridgeCommand.empty()) {
        ChosenService b = bridged();
        if (b.factory->installed())
            return b;
    }
    return sim();
}

} // namespace tidemark::dataservice
