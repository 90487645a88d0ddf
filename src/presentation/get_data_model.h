#pragma once
// The stored-data import window "データ取込" (TGetDataForm): what it shows and its event
// handlers. Created by the main window's "データ取得" each time, shown modally and
// destroyed when closed. The import itself is acquisition::StoredDataImport; the window
// adds its fixed texts and the hand-over to the main window when it closes.

#include <functional>
#include <string>

#include "acquisition/stored_data_import.h"

namespace tidemark::presentation {

class GetDataModel {
public:
    static constexpr int kWidth = 400;
    static constexpr int kHeight = 238;

    // Fixed texts (CP932).
    static std::string caption();             // "データ取込"
    static std::string buttonStartCaption();  // "データ取込"
    static std::string buttonCancelCaption(); // "データ取込中止"
    static std::string speedButton1Caption(); // "UmaConn設定"
    static std::string downloadCaption();     // "ダウンロード" beside ProgressBar1
    static std::string readCaption();         // "読込み" beside ProgressBar2
    static std::string makeDataCaption();     // "作成データ" before ProgressLabel
    static std::string startDateCaption();    // "取得開始日付" before GetDateLabel

    // onClosed: the main window empties its race list, hides its pages and rebuilds
    // the race-day list ("リスト作成").
    GetDataModel(acquisition::NvChannel& channel, Host& host, store::RecordStore& store, IniFile& settings,
                 std::function<void()> onClosed);

    // Any text, bar, the picker or the phase changed.
    void setOnChange(std::function<void()> onChange);
    // A close that had to wait for the running read may now go on: the view closes.
    void setOnCloseReady(std::function<void()> onCloseReady);

    void FormShow();
    void ButtonStartClick() { m_import.start(); }
    void ButtonCancelClick() { m_import.cancel(); }
    void SpeedButton1Click() { m_import.serviceSettings(); }
    // The calendar picked a date (the time of day stays).
    void DateTimePicker1Change(int year, int month, int day) { m_import.setDate(year, month, day); }
    // TimerNVStatus is run by the host; the view never needs to call this.
    void TimerNVStatusTimer() { m_import.statusTick(); }
    // True when the window may close now. False while a read is running: it is told to
    // stop, closes its transfer, and onCloseReady follows.
    bool FormCloseQuery() { return m_import.requestClose(); }
    // The window closed.
    void FormClose();

    const acquisition::StoredDataImport& import() const noexcept { return m_import; }
    const std::string& GetDateLabel() const noexcept { return m_import.getDateLabel(); }
    const std::string& ProgressLabel() const noexcept { return m_import.progressLabel(); }
    const std::string& MkDataLabel() const noexcept { return m_import.mkDataLabel(); }
    const acquisition::ProgressBar& ProgressBar1() const noexcept { return m_import.downloadBar(); }
    const acquisition::ProgressBar& ProgressBar2() const noexcept { return m_import.readBar(); }
    const text::DateTime& DateTimePicker1() const noexcept { return m_import.picker(); }
    // Start and the service settings do nothing useful while a transfer runs.
    bool transferRunning() const noexcept { return m_import.phase() != acquisition::StoredDataImport::Phase::Idle; }

private:
    acquisition::StoredDataImport m_import;
    std::function<void()> m_onClosed;
    bool m_closed = false;
};

} // namespace tidemark::presentation
