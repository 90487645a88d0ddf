#pragma once
// The main window without its widgets: start-up, first show, menu actions and close.
// The Qt window forwards every event here and shows what the model holds.

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/nv_channel.h"
#include "acquisition/realtime_fetch.h"
#include "acquisition/results_timer.h"
#include "host/host.h"
#include "presentation/backtest_model.h"
#include "presentation/chart_selections.h"
#include "presentation/grid_layouts.h"
#include "presentation/cell_rendering.h"
#include "presentation/chart_model.h"
#include "presentation/clipboard_export.h"
#include "presentation/grid_sorting.h"
#include "presentation/main_panel_model.h"
#include "presentation/matrix_model.h"
#include "presentation/movers_board_model.h"
#include "presentation/alert_model.h"
#include "presentation/odds_watch_model.h"
#include "presentation/oz_get_model.h"
#include "presentation/tokutei_jikoku_model.h"
#include "presentation/results_panel_model.h"
#include "presentation/selected_moment_grids.h"
#include "store/record_store.h"
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

// What the main window shows besides itself tells it what changed.
class MainWindowObserver {
public:
    virtual ~MainWindowObserver() = default;
    virtual void momentViewChanged() {} // labels and lists of the selected moment
    virtual void statusLabelChanged() {} // DLlabel
    virtual void oddsWatchChanged() {}   // the watch's switch and its status-bar text
};

class MainWindowModel : private RaceViewSteps {
public:
    // programFolder: folder of the executable; the settings file is exeName + ".ini" in it.
    MainWindowModel(Host& host, NvLink& link, std::filesystem::path programFolder,
                    std::string exeName = "Tidemark2NV");

    // Window creation: error-log start-up, the MaeUri tick, the Data and CSV folders.
    // Throws text::FileError when a folder cannot be created (start-up then fails).
    void create();
    // The view switches and gap thresholds as last stored, the part of create() that
    // reads only: a reader of the store without a window (the companion tool) calls it
    // alone, so it writes no log and makes no folder.
    void restoreViewSettings();

    // First show: NVInit with the service id; true when the service is ready and the
    // race-day list may be built.
    bool firstShow();

    WindowPlacement placement() const;      // from locate/*
    void close(const WindowPlacement& now); // writes locate/*

    void maeuriMenuClick(); // toggles and writes MaeUri/Ignore
    // A fault no handler foresaw ended one action: an error-log line and the message; the
    // program goes on.
    void unexpectedFault(std::string_view whatUtf8);
    bool maeuriChecked() const { return m_maeuri; }

    // StdDev/kind: 0 sample, anything else population.
    void STDEVClick(int kind);
    int stdDevKind() const { return m_matrix.STDEVChecked() ? 0 : 1; }

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

    void setObserver(MainWindowObserver* observer) { m_observer = observer; }

    // "結果情報": the day's results from the service, then the payouts shown.
    void KekkaGetBtnClick();
    // "ｵｯｽﾞ取得": the selected race's odds series from the service, then the day reloaded.
    void SokuhoOddsBtnClick();
    const std::string& DLlabel() const { return m_fetch.dlLabel(); }

    presentation::GridSet& grids() { return m_grids; }
    // Check lists and horse selectors of the chart pages, rebuilt at every race opening.
    const presentation::ChartSelections& chartSelections() const { return m_chartModel.selections(); }
    presentation::ChartModel& chartModel() { return m_chartModel; }
    // The two windows that live as long as the main window: the batch odds import and the
    // specific-time export.
    presentation::OzGetModel& ozGet() { return m_ozGet; }
    TokuteiJikokuFormModel& tokutei() { return m_tokutei; }
    // The backtest window, kept with the main window so a run goes on while it is hidden;
    // its bets open their races in this window's panel.
    presentation::BacktestFormModel& backtest() { return m_backtest; }
    // The day the export window works on: the race cards of the loaded day in slot order.
    results::ExportDay exportDay() const;
    // The change handler of a chart list (redraws its chart); none until the charts exist.
    void setChartRedraw(presentation::ChartRedraw redraw) { m_chartRedraw = std::move(redraw); }
    const presentation::SelectedMomentView& momentView() const { return m_momentView; }
    ResultsPanelModel& results() { return m_results; }
    presentation::MatrixModel& matrix() { return m_matrix; }
    presentation::ClipboardExport& clipboard() { return m_clipboard; }
    const presentation::RenderContext& render() const { return m_render; }
    presentation::GridSorting& sorting() { return m_sorting; }
    // The gap threshold boxes of "断層表": stored and used by the colouring at once.
    void SEditChange(int index, const std::string& text);
    acquisition::NvChannel& channel() { return m_channel; }
    store::RecordStore& recordStore() { return m_store; }

    // The odds watch of race day and the movers board "オッズ急変" over the loaded day.
    presentation::OddsWatchModel& oddsWatch() { return m_oddsWatch; }
    presentation::MoversBoardModel& movers() { return m_movers; }
    // Race-day alerts over what the watch writes: the list window and the rules dialog.
    presentation::AlertListModel& alerts() { return m_alerts; }
    presentation::AlertRulesDialogModel& alertRules() { return m_alertRules; }

    IniFile& settings() { return m_ini; }
    ErrorLog& errorLog() { return m_errorLog; }
    NvLink& link() { return m_link; }
    Host& host() { return m_host; }

private:
    void settingsFailed(const std::exception& e);
    Host& m_host;
    NvLink& m_link;
    std::filesystem::path m_programFolder;
    IniFile m_ini;
    // RaceViewSteps: the views that follow the day load and the race opening.
    void payoutTablesCleared() override;
    void importPayouts() override;
    void resultsTimerTick() override;
    void raceViewsCleared() override;
    void threePointAnalysis() override;
    void timeSeriesHeaders() override;
    void perHorseRows() override;
    void timeSeriesTables() override;
    void resultsLabels() override;
    void sortFlagsReset() override;
    void raceCardShown() override;
    void batchDateListChanged(const std::vector<std::string>& labels, int selected) override;
    void payoutsChanged();
    void momentSelectionStarting() override;
    void selectedMomentAnalysis(const analysis::SelectedSnapshot& snapshot) override;
    void dayLoaded() override;
    void oddsWatchWrote(std::string_view raceKey);

    acquisition::FetchSelection fetchSelection() const;
    void fetchResults(bool silent);

    ErrorLog m_errorLog;
    MainPanelModel m_panel;
    presentation::GridSet m_grids;
    presentation::ChartModel m_chartModel;
    presentation::ChartRedraw m_chartRedraw;
    presentation::SelectedMomentView m_momentView;
    ResultsPanelModel m_results;
    acquisition::NvChannel m_channel;
    store::RecordStore m_store;
    acquisition::RealtimeFetch m_fetch;
    acquisition::ResultsTimer m_resultsTimer;
    presentation::MatrixModel m_matrix;
    presentation::ClipboardExport m_clipboard;
    presentation::RenderContext m_render;
    presentation::GridSorting m_sorting;
    presentation::OzGetModel m_ozGet;
    TokuteiJikokuFormModel m_tokutei;
    presentation::OddsWatchModel m_oddsWatch;
    presentation::MoversBoardModel m_movers;
    presentation::BacktestFormModel m_backtest;
    presentation::AlertListModel m_alerts;
    presentation::AlertRulesDialogModel m_alertRules;
    MainWindowObserver* m_observer = nullptr;
    std::string m_version;
    bool m_maeuri = false;
};

} // namespace tidemark
