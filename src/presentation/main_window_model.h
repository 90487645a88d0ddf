#pragma once
// The main window without its widgets: start-up, first show, menu actions and close.
// The Qt window forwards every event here and shows what the model holds.

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/host.h"
#include "presentation/main_panel_model.h"
#include "service/error_log.h"
#include "service/nv_link.h"
#include "settings/ini_file.h"

namespace tidemark {

struct WindowPlacement {
    int top = 10;
    int left = 10;
    int width = 780;
    int height = 560;
};

// The start check of the program: false (after telling the user) when no data-service
// component is installed, in which case the program ends.
bool checkServiceInstalled(const NvLinkFactory& factory, Host& host);

class MainWindowModel {
public:
    // programFolder: folder of the executable; the settings file is exeName + ".ini" in it.
    MainWindowModel(Host& host, NvLink& link, std::filesystem::path programFolder,
                    std::string exeName = "Tidemark2NV");

    // Window creation: error-log start-up, the MaeUri tick, the Data and CSV folders.
    // Throws text::FileError when a folder cannot be created (start-up then fails).
    void create();

    // First show: NVInit with the service id; true when the service is ready and the
    // race-day list may be built.
    bool firstShow();

    WindowPlacement placement() const;      // from locate/*
    void close(const WindowPlacement& now); // writes locate/*

    void maeuriMenuClick(); // toggles and writes MaeUri/Ignore
    bool maeuriChecked() const { return m_maeuri; }

    // StdDev/kind: 0 sample, anything else population.
    void STDEVClick(int kind);
    int stdDevKind() const { return m_stdDevKind; }

    // Opens the manual beside the executable, or says it is missing.
    void HelpContentsItemClick();

    const std::filesystem::path& programFolder() const { return m_programFolder; }
    std::filesystem::path dataFolder() const { return m_programFolder / "Data"; }
    std::filesystem::path csvFolder() const { return m_programFolder / "CSV"; }
    const std::string& versionText() const { return m_version; }
    std::string serviceId() const;

    // The left-hand panel, the day model and the race header.
    MainPanelModel& panel() { return m_panel; }
    const MainPanelModel& panel() const { return m_panel; }

    // "リスト作成": the race-day list, rebuilt after the service started and after an import.
    void MakeDataListBtnClick();

    IniFile& settings() { return m_ini; }
    ErrorLog& errorLog() { return m_errorLog; }
    NvLink& link() { return m_link; }
    Host& host() { return m_host; }

private:
    Host& m_host;
    NvLink& m_link;
    std::filesystem::path m_programFolder;
    IniFile m_ini;
    ErrorLog m_errorLog;
    MainPanelModel m_panel;
    std::string m_version;
    bool m_maeuri = false;
    int m_stdDevKind = 0;
};

} // namespace tidemark
