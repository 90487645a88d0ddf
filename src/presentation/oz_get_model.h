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

    // From the main window's race-day list build: the day labels, newest first.
    void setDateList(std::vector<std::string> labels) { m_import.setDateList(std::move(labels)); }
    // Before the main window shows this window: its selected day (empty when none).
    void showFor(std::string_view mainDayLabel) { m_import.showFor(mainDayLabel); }

    void DateComboChange(int index) { m_import.selectDay(index); }
    void ButtonStartClick() { m_import.importDay(); }
    void DLmonthBtnClick() { m_import.importPeriod(acquisition::BatchOddsImport::Period::Month); }
    void DLyearBtnClick() { m_import.importPeriod(acquisition::BatchOddsImport::Period::Year); }
    void ButtonCancelClick() { m_import.cancel(); }
    // "RAデータ更新" (never shown): reloads the selected day's race cards.
    void RAUpdateClick() { m_import.loadDayTable(); }

    const acquisition::BatchOddsImport& import() const noexcept { return m_import; }
    const std::vector<std::string>& DateComboItems() const noexcept { return m_import.dateItems(); }
    // -1 when no entry is selected.
    int DateComboIndex() const noexcept;
    const std::string& ErrorLabel() const noexcept { return m_import.errorLabel(); }
    const std::string& ProgressLabel() const noexcept { return m_import.progressLabel(); }
    const acquisition::ProgressBar& ProgressBar1() const noexcept { return m_import.progressBar(); }

private:
    acquisition::BatchOddsImport m_import;
};

} // namespace tidemark::presentation
