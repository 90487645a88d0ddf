#pragma once
// Creates the simulated component, configured from NVSim.ini in the program folder.

#include <filesystem>
#include <functional>
#include <memory>

#include "nvsim/sim_nv_link.h"
#include "service/nv_link.h"

namespace tidemark::nvsim {

// The settings dialog of the simulated component, as the desktop shell provides it (the
// component itself has no windows): edits the NVSim.ini at the given path and answers 0
// when it closes, saved or cancelled; the component then reads the file again.
using SimSettingsEditor = std::function<int(const std::filesystem::path& iniPath)>;

class SimNvLinkFactory : public NvLinkFactory {
public:
    // programFolder: where NVSim.ini lives (a missing file means the defaults).
    // clock: the local wall clock, usually the host's; empty = this machine's clock.
    // settingsDialog: what NVSetUIProperties shows; empty = no dialog, NVSetUIProperties
    // answers 0.
    explicit SimNvLinkFactory(std::filesystem::path programFolder, SimClock clock = {},
                              SimSettingsEditor settingsDialog = {});

    bool installed() const override { return true; }
    // A new component with the settings as the file holds them now.
    std::unique_ptr<NvLink> create() override;

    std::filesystem::path iniPath() const { return m_folder / kSimIniName; }

private:
    std::filesystem::path m_folder;
    SimClock m_clock;
    SimSettingsEditor m_settingsDialog;
};

} // namespace tidemark::nvsim
