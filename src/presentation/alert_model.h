#pragma once
// Race-day alerts without their widgets: the rules as the settings keep them, the rules
// dialog "アラート設定" (its fields, their checks and messages) and the alert list window
// "アラート" (one line per alert, the sound and the desktop notification when one fires,
// the double-click that opens the race at that announcement). Texts are CP932.

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "analytics/alert_rules.h"
#include "host/host.h"
#include "presentation/open_race.h"
#include "presentation/text_grid.h"
#include "settings/ini_file.h"
#include "store/store_layout.h"

namespace tidemark {
class MainPanelModel;
}

namespace tidemark::presentation {

struct AlertSettings {
    std::vector<analytics::AlertRule> rules;
    bool sound = true;
    bool notify = true;
    bool operator==(const AlertSettings&) const = default;
};

// Rules that cannot be read back (a file edited by hand) are left out.
AlertSettings readAlertSettings(const IniFile& ini);
// Throws text::FileError when the file cannot be written.
void writeAlertSettings(IniFile& ini, const AlertSettings& settings);

// --- the rules dialog ------------------------------------------------------------------

class AlertRulesDialogModel {
public:
    // A race the odds rules may name: its key (16 digits) and its text ("大井 5R 15:40").
    using RaceChoices = std::function<std::vector<std::pair<std::string, std::string>>()>;

    AlertRulesDialogModel(Host& host, IniFile& settings, RaceChoices races, std::function<void()> onSaved);

    static std::string caption();              // "アラート設定"
    static std::vector<std::string> kindItems(); // in the order of analytics::AlertKind
    static std::string soundCaption();         // "音を鳴らす"
    static std::string notifyCaption();        // "デスクトップ通知"

    // The dialog opens: the stored rules and switches, the races of the loaded day.
    void open();

    // --- handlers ---------------------------------------------------------------------
    void KindComboChange(int index);
    void PointsEditChange(std::string text);  // P, "5" or "2.5"
    void WindowEditChange(std::string text);  // W, minutes
    void RaceComboChange(int index);
    void HorseEditChange(std::string text);
    void OddsEditChange(std::string text);    // X, "4.5"
    // Adds the rule of the fields; a field out of range gets its message instead.
    void AddBtnClick();
    void RemoveBtnClick(int index);
    void SoundCheckClick(bool on);
    void NotifyCheckClick(bool on);
    // Stores everything; false (after the message) when the file cannot be written.
    bool OkBtnClick();

    // --- what the dialog shows ----------------------------------------------------------
    int kind() const { return m_kind; }
    bool shareFieldsEnabled() const; // P and W
    bool oddsFieldsEnabled() const;  // race, horse and X
    const std::string& points() const { return m_points; }
    const std::string& window() const { return m_window; }
    const std::string& horse() const { return m_horse; }
    const std::string& odds() const { return m_odds; }
    int raceIndex() const { return m_raceIndex; }
    std::vector<std::string> raceItems() const;
    std::vector<std::string> ruleItems() const; // the rules as the list shows them
    const AlertSettings& settings() const { return m_edit; }

private:
    Host& m_host;
    IniFile& m_settings;
    RaceChoices m_raceChoices;
    std::function<void()> m_onSaved;
    std::vector<std::pair<std::string, std::string>> m_races;
    AlertSettings m_edit;
    int m_kind = 0;
    std::string m_points;
    std::string m_window;
    int m_raceIndex = -1;
    std::string m_horse;
    std::string m_odds;
};

// The races of the day the main window has loaded, as the dialog offers them.
std::vector<std::pair<std::string, std::string>> alertRaceChoices(const MainPanelModel& panel);

// --- the alert list window ---------------------------------------------------------------

class AlertListObserver {
public:
    virtual ~AlertListObserver() = default;
    virtual void alertsChanged() {}
    // A desktop notification, when the desktop has them.
    virtual void notify(const std::string& /*title*/, const std::string& /*text*/) {}
};

class AlertListModel {
public:
    AlertListModel(Host& host, IniFile& settings, store::StoreLayout layout, OpenRace openRace);

    static std::string caption();      // "アラート"
    static std::string clearCaption(); // "消去"

    void setObserver(AlertListObserver* observer) { m_observer = observer; }
    // The rules and switches read again (after the dialog stored them).
    void reloadRules();

    // The watch wrote the odds of a race: its new announcements judged. New alerts go
    // to the top of the list, with the sound and the notification as switched.
    void raceWritten(std::string_view raceKey);
    // Opens the race of a data row at the alert's announcement in the main window.
    void GridDblClick(int row);
    void ClearBtnClick();

    TextGrid& grid() { return m_grid; }
    const TextGrid& grid() const { return m_grid; }
    const std::vector<analytics::Alert>& alerts() const { return m_alerts; } // newest first
    const analytics::AlertMonitor& monitor() const { return m_monitor; }

private:
    void fill();

    Host& m_host;
    IniFile& m_settings;
    store::StoreLayout m_layout;
    OpenRace m_openRace;
    AlertListObserver* m_observer = nullptr;
    analytics::AlertMonitor m_monitor;
    AlertSettings m_current;
    std::vector<analytics::Alert> m_alerts;
    TextGrid m_grid;
};

} // namespace tidemark::presentation
