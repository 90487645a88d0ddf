#pragma once
// The left-hand panel of the main window and the race header, without widgets: the day
// list (DateCombo), the race list (DatList), the snapshot list (TimeCombo), the
// navigation and time-point buttons and the header labels. The window forwards every
// event to the handler of the same name and shows what the model holds.

#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/day_table.h"
#include "analysis/race_calendar.h"
#include "analysis/race_header.h"
#include "analysis/selected_snapshot.h"
#include "analysis/snapshot_series.h"
#include "analysis/three_point_table.h"
#include "host/host.h"
#include "presentation/list_state.h"
#include "settings/ini_file.h"
#include "store/store_layout.h"

namespace tidemark {

// What the panel tells its view, so the view repaints only what changed.
class MainPanelObserver {
public:
    virtual ~MainPanelObserver() = default;
    virtual void dateListChanged() {}   // DateCombo items or selection
    virtual void raceListChanged() {}   // DatList items or selection, UpDown1
    virtual void timeListChanged() {}   // TimeCombo items or selection
    virtual void labelsChanged() {}     // header labels, time labels, Label3Dj2, Panel3 colour
    virtual void timeButtonsChanged() {} // SpeedButton3-5 captions and which is down
    virtual void panelsChanged() {}     // Panel1, PageControl1, the per-horse grids shown or hidden
};

// The steps of other views that run at their place while a day loads or a race opens;
// the main window model fills them. Every step does nothing by default.
class RaceViewSteps {
public:
    virtual ~RaceViewSteps() = default;
    // The batch-odds window's date list and the selection of its newest day not after
    // today (labels.size() when every day lies ahead, -1 for an empty list); the window
    // then runs its date-change handling.
    virtual void batchDateListChanged(const std::vector<std::string>& /*labels*/, int /*selected*/) {}
    virtual void payoutTablesCleared() {}  // with resetDay
    virtual void importPayouts() {}        // the day's payouts are in the slots
    virtual void resultsTimerTick() {}     // Timer4: the automatic results fetch
    virtual void raceViewsCleared() {}     // race opening: grids emptied, charts emptied, browse labels cleared
    virtual void threePointAnalysis() {}
    virtual void timeSeriesHeaders() {}
    virtual void perHorseRows() {}         // rows of the per-horse grids
    virtual void resultsLabels() {}
    virtual void timeSeriesTables() {}     // time-series tables, anomaly tables, chart selections
    virtual void sortFlagsReset() {}
    // The race is open: the race card is shown again, whatever the last moment analysis did.
    virtual void raceCardShown() {}
    // The day's race cards and runners are in the day table and its race list is built
    // (also for a day without races); the race is opened next.
    virtual void dayLoaded() {}
    // A moment is about to be loaded (the TimeCombo selection is set): the race card is
    // hidden until the moment has been analysed.
    virtual void momentSelectionStarting() {}
    // The selected moment is loaded (outcome Ready); the moment's analysis runs here.
    virtual void selectedMomentAnalysis(const analysis::SelectedSnapshot& /*snapshot*/) {}
};

struct MainPanelLabels {
    std::string Label3Dj2;      // number of snapshots
    std::string CurJikokuLabel; // time of the selected moment
    std::array<std::string, 3> JikokuLabel; // JikokuLabel1-3: hh:mm of the three time points
    std::string ThyokeiLabel;   // vote totals of the selected moment
    std::string FhyokeiLabel;
    std::string WhyokeiLabel;
    std::string UhyokeiLabel;
    analysis::RaceHeader header; // TitleLabel1-4, BashoLabel, RaceLabel
    std::optional<analysis::Rgb> Panel3Colour; // unset until a race sets it
};

class MainPanelModel {
public:
    MainPanelModel(Host& host, std::filesystem::path programFolder, IniFile& ini);

    void setObserver(MainPanelObserver* observer) { m_observer = observer; }
    void setSteps(RaceViewSteps* steps);

    // --- operations -------------------------------------------------------------
    // Fills DateCombo (newest day first, nothing selected) and the batch-odds date list.
    void buildDateList();
    // Loads the day of the DateCombo selection into the day table and opens a race.
    void loadDay();
    // Builds everything shown for the DatList selection.
    void openRace();
    // Loads the TimeCombo selection and runs the moment's analysis.
    void selectMoment();
    // The open race read again from its odds files (the odds watch replaced them): the
    // selected moment stays selected, and a selection of the newest moment moves on to
    // the new newest one.
    void reopenRace();
    // Selects the time-list item `timeText` ("mm/dd hh:nn"; the last of equal items) and
    // loads it; false, and nothing changes, when the list has no such item.
    bool selectMomentText(std::string_view timeText);

    // --- handlers ---------------------------------------------------------------
    void DateComboChange(int index);
    void DatListClick(int index);
    void UpDown1Click(int position);
    void B4RBtnClick();
    void AfRBtnClick();
    void TimeComboClick(int index);
    void B4TimeBtnClick();
    void AfTimeBtnClick();
    void SpeedButton3Click() { timePointButtonClick(0); }
    void SpeedButton4Click() { timePointButtonClick(1); }
    void SpeedButton5Click() { timePointButtonClick(2); }
    void NextRaceBtnClick();

    // Opens a stored race at one of its announcements, as a user would by hand: the day
    // of `dayLabel` chosen (unless it is the one shown), the race of `raceKey` (16 digits)
    // opened and the first time-list entry of `momentKey` (MMDDhhmm) selected. False when
    // the day, the race or the moment is not there (the store changed since).
    bool openRaceAt(std::string_view dayLabel, std::string_view raceKey, std::string_view momentKey);

    // --- state shown by the view -------------------------------------------------
    const ListState& DateCombo() const { return m_dateCombo; }
    const ListState& DatList() const { return m_datList; }
    const ListState& TimeCombo() const { return m_timeCombo; }
    int UpDown1Position() const { return m_upDownPosition; }
    int UpDown1Max() const { return m_upDownMax; }
    // Captions of SpeedButton3-5: "-" or "hh:mm"; timeButtonDown() is 0..2 or -1.
    const std::array<std::string, 3>& timeButtonCaptions() const { return m_timeCaptions; }
    int timeButtonDown() const { return m_timeButtonDown; }
    const MainPanelLabels& labels() const { return m_labels; }
    // Later steps write the labels of the selected moment here, then call labelsUpdated().
    MainPanelLabels& labels() { return m_labels; }
    void labelsUpdated();
    bool Panel1Visible() const { return m_panel1Visible; }
    // The stored-data import window closed: the race list is emptied, the page area
    // hidden and the day list built again (the store may hold new days).
    void importWindowClosed();
    bool PageControl1Visible() const { return m_pageControlVisible; }
    bool perHorseGridsVisible() const { return m_perHorseGridsVisible; }
    bool resultsTimerRunning() const { return m_timerRunning; }

    // Fixed captions of the panel (CP932).
    static std::string timeCountCaption(); // "時系列数:"
    static std::string previousCaption();  // "↑"
    static std::string nextCaption();      // "↓"
    static std::string nextRaceCaption();  // "直前ﾚｰｽ"
    // The three time points by name: "第１回" … over the jump buttons (which show their
    // times), "１回目" … over the time labels.
    static std::string timePointCaption(int point);
    static std::string timeLabelCaption(int point);
    static std::string noOddsText();       // "当レースはオッズが未取得です。"
    static std::string dataIncompleteText(); // "データ作成が未完了のようです。"

    // --- the day model ------------------------------------------------------------
    analysis::DayTable& dayTable() { return m_table; }
    const analysis::DayTable& dayTable() const { return m_table; }
    const analysis::SnapshotSeries& series() const { return m_series; }
    analysis::ThreePointTable& threePoints() { return m_threePoints; }
    const analysis::ThreePointTable& threePoints() const { return m_threePoints; }
    // The slot of the open race, nullptr when no race is open.
    analysis::RaceSlot* currentSlot();
    const analysis::RaceSlot* currentSlot() const;
    // The slot behind each race-list entry.
    const std::vector<analysis::RaceListEntry>& raceEntries() const { return m_entries; }
    const analysis::DayFiles& dayFiles() const { return m_day; }
    const store::StoreLayout& layout() const { return m_layout; }
    const std::filesystem::path& programFolder() const { return m_layout.programFolder(); }
    // The last moment loaded by selectMoment.
    const analysis::SelectedSnapshot& lastSnapshot() const { return m_lastSnapshot; }

private:
    void timePointButtonClick(int button);
    void resetTimeCaptions();
    void selectRace(int index);   // selects a race-list entry and opens it
    void selectTime(int index);   // selects a time-list entry and loads it
    bool raceOpenable() const;
    std::string raceDay() const;  // month and day of the DateCombo text
    void fileFailed(const std::exception& e);

    void notifyDates();
    void notifyRaces();
    void notifyTimes();
    void notifyLabels();
    void notifyButtons();
    void notifyPanels();

    Host& m_host;
    std::unique_ptr<HostTimer> m_timer4 = m_host.makeTimer(TimerId::Timer4);
    IniFile& m_ini;
    store::StoreLayout m_layout;
    MainPanelObserver* m_observer = nullptr;
    RaceViewSteps m_noSteps;
    RaceViewSteps* m_steps = &m_noSteps;

    ListState m_dateCombo;
    ListState m_datList;
    ListState m_timeCombo;
    int m_upDownPosition = 0;
    int m_upDownMax = 0;
    std::array<std::string, 3> m_timeCaptions;
    int m_timeButtonDown = -1;
    MainPanelLabels m_labels;
    bool m_panel1Visible = true;
    bool m_pageControlVisible = true;
    bool m_perHorseGridsVisible = true;
    bool m_timerRunning = false;

    analysis::DayTable m_table;
    analysis::SnapshotSeries m_series;
    analysis::ThreePointTable m_threePoints;
    std::vector<analysis::RaceListEntry> m_entries;
    analysis::DayFiles m_day;
    analysis::RaceOddsFiles m_raceFiles;
    analysis::SelectedSnapshot m_lastSnapshot;
};

} // namespace tidemark
