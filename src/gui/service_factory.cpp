#include "gui/service_factory.h"

#include "gui/qt_host.h"
#include "gui/sim_settings_dialog.h"
#include "settings/ini_file.h"

namespace tidemark::gui {

// The simulated service follows the desktop's clock, so "today" is live, and shows its
// own settings dialog for "UmaConn設定". A bridge's calls serve the window's events while
// they wait, so the window paints and answers while the component works or shows a dialog.
dataservice::ChosenService makeService(const std::filesystem::path& programFolder,
                                       const std::filesystem::path& programDir, QtHost& host)
{
    const IniFile ini(IniFile::pathForExecutable(programFolder / "Tidemark2NV"));
    dataservice::ServiceEnvironment env{programFolder, programDir, [&host] { return host.now(); }};
    env.bridgeWait.serveEvents = [&host] { host.processEvents(); };
    return dataservice::chooseService(dataservice::readServiceSetting(ini), env, simSettingsEditor(host));
}

} // namespace tidemark::gui
