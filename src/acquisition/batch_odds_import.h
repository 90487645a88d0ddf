#pragma once
// The batch odds import: fills the per-race odds files of every race of a stored race
// day, of a month or of a year by asking the real-time channel for the win, place and
// bracket-quinella series ("0B41") and the quinella series ("0B42") of each race. It is
// the state and the behaviour of the "オッズ一括取得" window, which lives from start to
// end; the window shows the texts kept here and hands its clicks to the methods below.
//
// Errors of one race go to the error label and are counted; the import goes on with the
// next request. The cancel flag is the channel's shared real-time flag. The boxes that
// end an import come after the service is given back: a box left open holds nothing.

#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "acquisition/nv_channel.h"
#include "acquisition/stored_data_import.h"
#include "host/frame_pacer.h"
#include "host/host.h"
#include "store/record_store.h"
#include "text/date_time.h"

namespace tidemark::acquisition {

class BatchOddsImport {
public:
    static constexpr std::size_t kDaySlots = 96;
    static constexpr std::size_t kSlotBytes = 1272;

    enum class Period { Month, Year };

    BatchOddsImport(NvChannel& channel, Host& host, store::RecordStore& store);

    // Runs after every change of a text, the bar or the day. While a day is read, on a
    // desktop that paces its turns, the progress of its races is shown once a frame (an
    // error at once, and the end of the day or the import always).
    void setOnChange(std::function<void()> onChange) { m_onChange = std::move(onChange); }
    // The number of entries of the main window's race list (the progress bar's maximum).
    void setRaceListCount(std::function<int()> raceListCount) { m_raceListCount = std::move(raceListCount); }

    // The race-day list was rebuilt: `labels` newest first. Selects the first day not
    // after today (none: the index past the end) and loads its day table.
    void setDateList(std::vector<std::string> labels);
    // The main window shows this window with its selected day (empty when none).
    void showFor(std::string_view mainDayLabel);
    // A day was picked in the list.
    void selectDay(int index);

    // "オッズ取込(単日)".
    void importDay();
    // "オッズ取込(月単位)", "オッズ取込(年単位)".
    void importPeriod(Period period);
    // "データ取込中止" (asks first).
    void cancel();

    // "RAデータ更新": the selected day's race cards into the 96 slots. A missing day file
    // leaves the table as it was.
    void loadDayTable();

    const std::vector<std::string>& dateItems() const noexcept { return m_dateItems; }
    // Index into dateItems(); dateItems().size() when nothing valid is selected.
    int selectedIndex() const noexcept { return m_selected; }
    std::string selectedLabel() const;
    const std::array<std::string, kDaySlots>& dayTable() const noexcept { return m_dayTable; }
    const std::string& errorLabel() const noexcept { return m_errorLabel; }
    const std::string& progressLabel() const noexcept { return m_progressLabel; }
    const ProgressBar& progressBar() const noexcept { return m_bar; }
    bool batchRunning() const noexcept { return m_batch; }
    bool quietErrors() const noexcept { return m_quiet; }
    int racesTried() const noexcept { return m_racesTried; }
    int racesWithError() const noexcept { return m_racesWithError; }
    // Races of the last day whose odds came in whole (both requests read to their end).
    int racesImported() const noexcept { return m_racesImported; }

private:
    bool hasSelection() const noexcept;
    void changed();
    // Progress of a race: shown at once, or at the next turn of a paced desktop.
    void progressed();
    // The desktop's turn between races and records, once a frame: the latest texts, then
    // its events (a cancel among them).
    void giveTurn();
    // One day's races; true when every race of the day came in whole.
    bool runDay();
    // One request of one race. The file is replaced only by a read that ran to its end;
    // true when it did and brought records of the race.
    bool fetchOdds(std::string_view spec, std::string_view key, store::StoreKind kind);
    bool readLoop(std::vector<std::string>& buffer);
    void closeStep();
    void endWithFileError(const std::string& platformMessage);
    // A box to show once the import has given the service back (with its beep).
    enum class Box { Information, Message };
    void tellAfterwards(Box box, std::string text);
    // The box that ends a month or year import: the days whose every race came in, and
    // what was left incomplete.
    std::string periodReport(int started, int whole, bool cancelled, bool lastWhole) const;
    void showToldBoxes();

    NvChannel& m_channel;
    Host& m_host;
    store::RecordStore& m_store;
    std::function<void()> m_onChange;
    std::function<int()> m_raceListCount;
    FramePacer m_pacer;
    bool m_changePending = false;

    std::vector<std::string> m_dateItems;
    int m_selected = 0;
    std::array<std::string, kDaySlots> m_dayTable;

    std::string m_errorLabel;
    std::string m_progressLabel;
    ProgressBar m_bar;

    bool m_batch = false;
    bool m_quiet = false;
    bool m_running = false; // an import holds the service
    bool m_raceError = false;
    int m_racesTried = 0;
    int m_racesWithError = 0;
    int m_racesImported = 0;
    std::vector<std::pair<Box, std::string>> m_toldBoxes;
    std::string m_raceLabel;
    std::vector<std::string> m_o1Buffer;
    std::vector<std::string> m_o2Buffer;
};

} // namespace tidemark::acquisition
