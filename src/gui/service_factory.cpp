#include "gui/service_factory.h"

#include "gui/qt_host.h"
#include "gui/sim_settings_dialog.h"
#include "settings/ini_file.h"

namespace tidemark::gui {

// The simulated service follows the desktop's clock, so "today" is live, and shows its
// own settings dialog for "UmaConn設定".
dataservice::ChosenService makeService(const std::filesystem::path& programFolder,
                                       const std::filesystem::path& programDir, QtHost& host)
{
    const IniFile ini(IniFile::pathForExecutable(programFolder / "Tidemark2NV"));
    return dataservice::chooseService(dataservice::readServiceSetting(ini),
                                      {programFolder, programDir, [&host] { return host.now(); }},
                                      simSettingsEditor(host));
}

} // namespace tidemark::gui
