#pragma once
// The odds watch as the main window shows it: the switch "オッズ監視" in the button bar,
// the status-bar text with its progress and its last error, and the settings dialog
// "オッズ監視設定". The watch itself is acquisition::OddsWatch. Texts are CP932.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "acquisition/odds_watch.h"
#include "host/host.h"
#include "presentation/time_dialog_models.h"
#include "settings/ini_file.h"

namespace tidemark::presentation {

class OddsWatchModel {
public:
    OddsWatchModel(acquisition::NvChannel& channel, Host& host, store::RecordStore& store, IniFile& settings,
                   std::filesystem::path programFolder);

    static std::string switchCaption(); // "オッズ監視"
    static std::string switchHint();
    static std::string settingsCaption(); // "監視設定", the button that opens the dialog

    // The switch: on reads OddsWatch/Ahead, Every and Near and starts the watch; off stops it.
    void OddsWatchBtnClick();
    bool switchDown() const { return m_watch.on(); }

    // What the status bar shows: the watch's progress, then its last error.
    std::string statusText() const;
    // The status text's hint: how fresh the odds of every race watched are, one a line.
    std::string statusHint() const { return m_watch.freshnessText(); }

    // The main window loaded a day (yyyymmdd; empty when none). The watch keeps to
    // today's races whatever day is shown, and says so while another one is.
    void dayShown(std::string dayKey);
    // The settings dialog stored new times: the running watch takes them from its next round.
    void settingsChanged();

    // Runs after every change of the switch or the status text.
    void setOnChange(std::function<void()> onChange) { m_onChange = std::move(onChange); }
    // Runs after the watch wrote a race's odds files (its race key).
    void setOnRaceWritten(std::function<void(std::string_view raceKey)> onWritten);

    acquisition::OddsWatch& watch() { return m_watch; }

private:
    void changed();

    IniFile& m_settings;
    acquisition::OddsWatch m_watch;
    std::string m_shownDay;
    std::function<void()> m_onChange;
};

// "オッズ監視設定": how far ahead of the post and how often the watch fetches, and from
// how many minutes before the post it reads every minute.
class OddsWatchSettingsModel {
public:
    struct Texts {
        std::string caption;
        std::string explanation;
        std::string aheadBefore, aheadAfter; // "発走前" [minutes] "分以内のレースを取得（5～240分）"
        std::string everyBefore, everyAfter; // "取得間隔" [minutes] "分ごと（1～30分）"
        std::string nearBefore, nearAfter;   // "発走前" [minutes] "分からは1分ごとに取得（0～30分、0は使わない）"
        std::string okCaption;
        std::string cancelCaption;
    };
    static const Texts& texts();

    // Opens the dialog with OddsWatch/Ahead, Every and Near.
    explicit OddsWatchSettingsModel(IniFile& settings);

    const SpinBoxState& ahead() const { return m_ahead; }
    const SpinBoxState& every() const { return m_every; }
    const SpinBoxState& near() const { return m_near; }
    bool isOpen() const { return m_open; }

    void setAhead(int v) { m_ahead.setValue(v); }
    void setEvery(int v) { m_every.setValue(v); }
    void setNear(int v) { m_near.setValue(v); }
    // Writes the three keys and closes: true. A file that cannot be written is said (after a
    // beep) and the dialog stays open, to try again or to cancel.
    bool okClick(Host& host);
    // Cancel or the close box: nothing is written.
    void cancelClick() { m_open = false; }

private:
    IniFile& m_settings;
    SpinBoxState m_ahead{acquisition::OddsWatch::kMinAhead, acquisition::OddsWatch::kMaxAhead, 60};
    SpinBoxState m_every{acquisition::OddsWatch::kMinEvery, acquisition::OddsWatch::kMaxEvery, 2};
    SpinBoxState m_near{acquisition::OddsWatch::kMinNear, acquisition::OddsWatch::kMaxNear,
                        acquisition::OddsWatch::kDefaultNear};
    bool m_open = true;
};

} // namespace tidemark::presentation
