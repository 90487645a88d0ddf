#pragma once
// The specific-time odds export window TTokuteiJikokuForm ("特定時刻オッズ出力") without
// its widgets: a fixed dialog of 350 × 358, centred on the main window, created once at
// program start and shown modally from the main menu. Its controls' state, the handlers
// the view forwards, and the section CSVTime of the settings (read when the window
// opens, written whenever it closes). The export itself is results::runSpecificTimeExport.
// Texts are CP932.

#include <filesystem>
#include <string>
#include <vector>

#include "host/host.h"
#include "presentation/time_dialog_models.h"
#include "results/specific_time_export.h"
#include "settings/ini_file.h"
#include "store/store_layout.h"

namespace tidemark {

class TokuteiJikokuFormModel {
public:
    struct Texts {
        std::string caption;                    // "特定時刻オッズ出力"
        std::string kindGroupCaption;           // RadioGroup1 "取得する時刻の種類"
        std::vector<std::string> kindItems;     // three items, shown in three columns
        std::string clockLabel;                 // "特定時刻で指定"
        std::string hourUnit, minuteUnit;       // "時" after SpinEdit4, "分" after SpinEdit5
        std::string clockNote;                  // "（午前０時～２３時５９分までの任意の時刻を指定）"
        std::string beforePostLabel;            // "発走前時刻で指定"
        std::string beforePost, beforePostUnit; // "発走" SpinEdit3 "分前"
        std::string beforePostNote;             // "（発走何分前の時刻かを０～５９分前で指定）"
        std::string itemGroupCaption;           // RadioGroup2 "出力項目"
        std::vector<std::string> itemItems;     // "オッズ", "人気順位"
        std::string openFileCaption;            // OpenFileCheck
        std::string exportCaption;              // ClipBtn1
        std::string exportHint;
        std::string noDaySelected;              // "開催日が選択されていません。"
        std::string notOpened;                  // written file the desktop could not open
    };
    static const Texts& texts();

    static constexpr int kClientWidth = 350;
    static constexpr int kClientHeight = 358;

    TokuteiJikokuFormModel(Host& host, IniFile& settings, store::StoreLayout layout);

    // The main window's N9Click: with no day chosen in DateCombo, beeps and says so and
    // returns false. Otherwise reads CSVTime into the controls, keeps the day to export
    // and returns true: the view then shows the window modally.
    bool N9Click(bool daySelected, results::ExportDay day);

    // Controls. Spin boxes keep their values inside their ranges.
    int RadioGroup1() const { return m_kind; }           // 0 当日, 1 前日, 2 発走前
    const SpinBoxState& SpinEdit4() const { return m_hour; }   // 0–23
    const SpinBoxState& SpinEdit5() const { return m_minute; } // 0–59
    const SpinBoxState& SpinEdit3() const { return m_beforePost; } // 3–59 minutes
    int RadioGroup2() const { return m_item; }           // 0 odds, 1 popularity
    bool OpenFileCheck() const { return m_openFiles; }

    void setRadioGroup1(int index);
    void setSpinEdit4(int v) { m_hour.setValue(v); }
    void setSpinEdit5(int v) { m_minute.setValue(v); }
    void setSpinEdit3(int v) { m_beforePost.setValue(v); }
    void setRadioGroup2(int index);
    void setOpenFileCheck(bool checked) { m_openFiles = checked; }

    // The choice the controls make.
    results::ExportChoice choice() const;

    // Runs the export with the hourglass shown, pumping events between races. A file
    // error is shown (beep, then the platform's message); nothing is reported as done
    // unless all four files were written. Ignored while an export is running (a click
    // that arrives while events are pumped).
    void ClipBtn1Click();
    bool exporting() const { return m_exporting; }
    // What the last export did (empty before the first).
    const results::ExportResult& lastResult() const { return m_lastResult; }

    // Writes CSVTime/tokutei ("0930" for 9:30), b4hasso, property and OzOrNin. The window
    // always closes: true. A settings file that cannot be written is reported.
    bool FormCloseQuery();

private:
    Host& m_host;
    IniFile& m_settings;
    store::StoreLayout m_layout;
    results::ExportDay m_day;
    results::ExportResult m_lastResult;

    int m_kind = 0;
    SpinBoxState m_hour{0, 23, 9};
    SpinBoxState m_minute{0, 59, 30};
    SpinBoxState m_beforePost{3, 59, 10};
    int m_item = 0;
    bool m_openFiles = false;
    bool m_exporting = false;
};

} // namespace tidemark
