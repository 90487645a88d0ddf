#pragma once
// The "バックテスト" window without its widgets: a range of stored days, a rule with its
// parameters, the bet moment and the bet kind; a run on a worker thread that only reads
// the store, its progress taken over on the UI thread by a host timer, a cancel; then the
// summary, the splits by track and by popularity band, every bet, and the curve of the
// cumulative return. A double-click on a bet opens its race in the main window at the
// bet moment. The choice is kept in the settings (section Backtest). Texts are CP932.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "analytics/backtest.h"
#include "host/host.h"
#include "presentation/cell_style.h"
#include "presentation/chart_state.h"
#include "presentation/main_panel_model.h"
#include "presentation/text_grid.h"
#include "presentation/time_dialog_models.h"
#include "settings/ini_file.h"
#include "store/store_layout.h"

namespace tidemark::presentation {

// What the window shows besides itself tells it what changed.
class BacktestObserver {
public:
    virtual ~BacktestObserver() = default;
    virtual void controlsChanged() {} // the choice, the buttons' states
    virtual void progressChanged() {} // the progress bar and the status line
    virtual void resultChanged() {}   // the grids and the curve
};

class BacktestFormModel {
public:
    struct Texts {
        std::string caption;        // "バックテスト"
        std::string rangeLabel;     // "期間"
        std::string rangeTo;        // "～"
        std::string ruleLabel;      // "ルール"
        std::string paramLabel;     // "条件"
        std::string momentLabel;    // "購入時刻"
        std::string beforePost, beforePostUnit; // "発走" N "分前"
        std::string betLabel;       // "馬券"
        std::vector<std::string> betItems; // "単勝", "複勝"
        std::string runCaption;     // "実行"
        std::string cancelCaption;  // "中止"
        std::string summaryTitle, trackTitle, bandTitle, betsTitle, chartTitle;
        std::string chartAxis;      // "レース(発走順)"
        std::string openHint;       // how to open a race from the bets list
    };
    static const Texts& texts();

    // The grids of the window.
    enum class Grid { Summary, Tracks, Bands, Bets };

    // The rules of the rule list: caption, rule name, default parameters, their format.
    struct RuleItem {
        std::string caption; // CP932
        std::string name;    // "steam"
        std::string defaultParam;
        std::string hint;    // CP932
    };
    static const std::vector<RuleItem>& rules();

    using OpenRace = std::function<bool(const std::string& dayLabel, const std::string& raceKey,
                                        const std::string& momentKey)>;

    BacktestFormModel(Host& host, IniFile& settings, store::StoreLayout layout);
    // A run still going is cancelled and waited for.
    ~BacktestFormModel();
    BacktestFormModel(const BacktestFormModel&) = delete;
    BacktestFormModel& operator=(const BacktestFormModel&) = delete;

    void setObserver(BacktestObserver* observer) { m_observer = observer; }
    // How a bet's race is opened (the main window's panel); none: the double-click does nothing.
    void setOpenRace(OpenRace open) { m_openRace = std::move(open); }

    // The window is shown: the last choice from the settings, or the month of the
    // newest stored day.
    void FormShow();
    // Cancels a running backtest and waits for it; the choice is written to the settings.
    // The window may then close: true.
    bool FormCloseQuery();

    // --- controls -------------------------------------------------------------------
    const std::string& FromDate() const { return m_from; } // "yyyy/mm/dd"
    const std::string& ToDate() const { return m_to; }
    void setFromDate(std::string text) { m_from = std::move(text); }
    void setToDate(std::string text) { m_to = std::move(text); }
    const ListState& RuleCombo() const { return m_ruleCombo; }
    // Choosing a rule puts its default parameters into the parameter box.
    void RuleComboChange(int index);
    const std::string& ParamEdit() const { return m_param; }
    void setParamEdit(std::string text) { m_param = std::move(text); }
    // The format of the chosen rule's parameters.
    const std::string& ParamHint() const;
    const SpinBoxState& MinutesSpin() const { return m_minutes; }
    void setMinutesSpin(int minutes) { m_minutes.setValue(minutes); }
    int BetRadio() const { return m_bet; } // 0 win, 1 place
    void setBetRadio(int index) { m_bet = index == 1 ? 1 : 0; }

    // Starts the backtest on a worker thread; a date or rule that cannot be is said in a
    // box and nothing starts. Ignored while one runs.
    void RunBtnClick();
    // Asks the running backtest to stop; what it found so far is shown, marked.
    void CancelBtnClick();
    bool running() const { return m_worker != nullptr; }
    bool RunBtnEnabled() const { return !running(); }
    bool CancelBtnEnabled() const { return running() && !m_cancel->load(); }

    // --- progress -------------------------------------------------------------------
    int ProgressMax() const { return m_progressMax; }
    int ProgressPosition() const { return m_progressPosition; }
    const std::string& StatusLabel() const { return m_status; }

    // The host timer's tick: takes over the worker's progress and, when it has ended,
    // its result. Tests call it directly.
    void poll();
    // Waits for the worker to end, then polls (tests and the close).
    void waitForRun();

    // --- results --------------------------------------------------------------------
    TextGrid& grid(Grid which);
    const TextGrid& grid(Grid which) const;
    // The cumulative return less the stake (yen) after each race with bets, in the order
    // the races were run.
    const std::vector<double>& ReturnCurve() const { return m_curve; }
    // That curve as the window draws it.
    const ChartState& ReturnChart() const { return m_returnChart; }
    // The style of a cell of one of the grids.
    CellStyle cellStyle(Grid which, int row, int col) const;
    // Opens the race of the bet in that row of the bets grid at the bet moment.
    void BetGridDblClick(int row);
    const analytics::BacktestResult& result() const { return m_result; }

private:
    struct Shared {
        std::mutex mutex;
        analytics::BacktestProgress progress;
        bool done = false;
        analytics::BacktestResult result;
        std::string failure; // CP932: a store file that could not be read
    };

    void restoreChoice();
    void storeChoice();
    // The options of the controls; false (after saying why) when they name no backtest.
    bool options(analytics::BacktestOptions& out);
    void showResult();
    void notifyControls();

    Host& m_host;
    std::unique_ptr<HostTimer> m_pollTimer = m_host.makeTimer(TimerId::BacktestPoll);
    IniFile& m_settings;
    store::StoreLayout m_layout;
    BacktestObserver* m_observer = nullptr;
    OpenRace m_openRace;

    std::string m_from;
    std::string m_to;
    ListState m_ruleCombo;
    std::string m_param;
    SpinBoxState m_minutes{0, 60, 5};
    int m_bet = 0;

    std::unique_ptr<std::thread> m_worker;
    std::shared_ptr<Shared> m_shared;
    std::shared_ptr<std::atomic<bool>> m_cancel = std::make_shared<std::atomic<bool>>(false);
    int m_progressMax = 0;
    int m_progressPosition = 0;
    std::string m_status;

    analytics::BacktestResult m_result;
    TextGrid m_summary{1, 2};
    TextGrid m_tracks{1, 8};
    TextGrid m_bands{1, 8};
    TextGrid m_bets{1, 12};
    std::vector<double> m_curve;
    ChartState m_returnChart;
};

} // namespace tidemark::presentation
