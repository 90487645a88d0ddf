#pragma once
// Which data-service component the desktop program uses: the setting [DataService] of its
// settings file, chosen as the companion tool chooses.

#include <filesystem>

#include "dataservice/service_choice.h"

namespace tidemark::gui {

class QtHost;

// programFolder: settings, NVSim.ini and the error log; programDir: the executable's folder,
// where the bridge sits.
dataservice::ChosenService makeService(const std::filesystem::path& programFolder,
                                       const std::filesystem::path& programDir, QtHost& host);

} // namespace tidemark::gui
