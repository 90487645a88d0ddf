#pragma once
// The batch odds window "オッズ一括取得" (TOzGetForm): what it shows and its event
// handlers. Created at program start and kept until the end; the main window fills
// its day list and shows it modally. The import itself is acquisition::BatchOddsImport.

#include <functional>
#include <string>
#include <vector>

#include "acquisition/batch_odds_import.h"

namespace tidemark::presentation {

class OzGetModel {
public:
    static constexpr int kWidth = 447;
    static constexpr int kHeight = 143;
    // Rows the day list shows when it drops down.
    static constexpr int kDateComboDropDownCount = 36;

    // Fixed texts (CP932).
    static std::string caption();             // "オッズ一括取得"
    static std::string buttonStartCaption();  // "オッズ取込(単日)"
    static std::string dlMonthBtnCaption();   // "オッズ取込(月単位)"
    static std::string dlYearBtnCaption();    // "オッズ取込(年単位)"
    static std::string buttonCancelCaption(); // "データ取込中止"

    // raceListCount: entries of the main window's race list (the progress maximum).
    OzGetModel(acquisition::NvChannel& channel, Host& host, store::RecordStore& store,
               std::function<int()> raceListCount);

    void setOnChange(std::function<void()> onChange) { m_import.setOnChange(std::move(onChange)); }
    // A close that had to wait for the running import may now go on: the view closes.
    void setOnCloseReady(std::function<void()> onCloseReady) { m_onCloseReady = std::move(onCloseReady); }

    // From the main window's race-day list build: the day labels, newest first.
    void setDateList(std::vector<std::string> labels) { m_import.setDateList(std::move(labels)); }
    // Before the main window shows this window: its selected day (empty when none).
    void showFor(std::string_view mainDayLabel) { m_import.showFor(mainDayLabel); }

    // Ignored while an import runs: the import works through the day it started with
    // (the day list follows a month or year import by itself).
    void DateComboChange(int index);
    void ButtonStartClick();
    void DLmonthBtnClick();
    void DLyearBtnClick();
    void ButtonCancelClick() { m_import.cancel(); }
    // "RAデータ更新" (never shown): reloads the selected day's race cards.
    void RAUpdateClick() { m_import.loadDayTable(); }
    // True when the window may close now. While an import runs it is told to stop (the
    // shared cancel flag, without the cancel button's question) and false is returned;
    // onCloseReady follows once the import has ended, so the window never disappears
    // with a transfer still going on behind it.
    bool FormCloseQuery();

    // A single-day, month or year import is running (its loops pump events, so clicks
    // arrive meanwhile).
    bool importRunning() const noexcept { return m_import.quietErrors() || m_import.batchRunning(); }

    const acquisition::BatchOddsImport& import() const noexcept { return m_import; }
    const std::vector<std::string>& DateComboItems() const noexcept { return m_import.dateItems(); }
    // -1 when no entry is selected.
    int DateComboIndex() const noexcept;
    const std::string& ErrorLabel() const noexcept { return m_import.errorLabel(); }
    const std::string& ProgressLabel() const noexcept { return m_import.progressLabel(); }
    const acquisition::ProgressBar& ProgressBar1() const noexcept { return m_import.progressBar(); }

private:
    // After an import handler returned: a close that waited for it goes on.
    void importEnded();

    acquisition::NvChannel& m_channel;
    acquisition::BatchOddsImport m_import;
    std::function<void()> m_onCloseReady;
    bool m_closeRequested = false;
};

} // namespace tidemark::presentation
