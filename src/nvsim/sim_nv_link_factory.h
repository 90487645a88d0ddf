#pragma once
// Creates the simulated component, configured from NVSim.ini in the program folder.

#include <filesystem>
#include <functional>
#include <memory>

#include "nvsim/sim_nv_link.h"
#include "service/nv_link.h"

namespace tidemark::nvsim {

class SimNvLinkFactory : public NvLinkFactory {
public:
    // programFolder: where NVSim.ini lives (a missing file means the defaults).
    // clock: the local wall clock, usually the host's; empty = this machine's clock.
    // settingsDialog: shows the settings dialog for the given NVSim.ini path and
    // answers 0 when saved (then the component reads the file again); empty = no
    // dialog, NVSetUIProperties answers 0.
    explicit SimNvLinkFactory(std::filesystem::path programFolder, SimClock clock = {},
                              std::function<int(const std::filesystem::path&)> settingsDialog = {});

    bool installed() const override { return true; }
    // A new component with the settings as the file holds them now.
    std::unique_ptr<NvLink> create() override;

    std::filesystem::path iniPath() const { return m_folder / kSimIniName; }

private:
    std::filesystem::path m_folder;
    SimClock m_clock;
    std::function<int(const std::filesystem::path&)> m_settingsDialog;
};

} // namespace tidemark::nvsim
