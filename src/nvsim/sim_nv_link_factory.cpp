#include "nvsim/sim_nv_link_factory.h"

namespace tidemark::nvsim {

SimNvLinkFactory::SimNvLinkFactory(std::filesystem::path programFolder, SimClock clock,
                                   SimSettingsEditor settingsDialog)
    : m_folder(std::move(programFolder))
    , m_clock(std::move(clock))
    , m_settingsDialog(std::move(settingsDialog))
{
}

std::unique_ptr<NvLink> SimNvLinkFactory::create()
{
    const std::filesystem::path ini = iniPath();
    std::function<int()> dialog;
    if (m_settingsDialog) {
        dialog = [show = m_settingsDialog, ini] { return show(ini); };
    }
    return std::make_unique<SimNvLink>(loadSimConfig(ini), m_clock, std::move(dialog),
                                       [ini] { return loadSimConfig(ini); });
}

} // namespace tidemark::nvsim
