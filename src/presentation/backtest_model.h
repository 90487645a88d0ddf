#pragma once
// The "バックテスト" window without its widgets: a range of stored days, a rule with its
// parameters, the bet moment and the bet kind; a run on a worker thread that only reads
// the store and posts its progress and its end back to the UI thread through the host,
// a cancel; then the
// summary, the splits by track and by popularity band, every bet, and the curve of the
// cumulative return. A double-click on a bet opens its race in the main window at the
// bet moment. The choice is kept in the settings (section Backtest). Texts are CP932.

#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "analytics/backtest.h"
#include "host/host.h"
#include "presentation/cell_style.h"
#include "presentation/chart_state.h"
#include "presentation/list_state.h"
#include "presentation/open_race.h"
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

    // The grids of the window and their columns.
    enum class Grid { Summary, Tracks, Bands, Bets };
    enum class SummaryColumn { Label, Value };
    enum class TallyColumn { Name, Races, Bets, Hits, StrikeRate, Stake, Payout, ReturnRate };
    static constexpr int kTallyColumns = 8;
    enum class BetColumn { Date, Track, Race, PostTime, BetAt, Horse, HorseName, Odds, Popularity, Finish, Outcome,
                           Payout };
    static constexpr int kBetColumns = 12;

    // The rules of the rule list: caption, rule name, default parameters, their format.
    struct RuleItem {
        std::string caption; // CP932
        std::string name;    // "steam"
        std::string defaultParam;
        std::string hint;    // CP932
    };
    static const std::vector<RuleItem>& rules();

    // What a run runs: runBacktest, unless a test holds it at a point of its choice.
    using Runner = std::function<analytics::BacktestResult(const store::StoreLayout&, const analytics::BacktestOptions&,
                                                           const analytics::BacktestListener&, std::stop_token)>;

    BacktestFormModel(Host& host, IniFile& settings, store::StoreLayout layout);
    // A run still going is asked to stop and waited for (it stops between races).
    ~BacktestFormModel();
    BacktestFormModel(const BacktestFormModel&) = delete;
    BacktestFormModel& operator=(const BacktestFormModel&) = delete;

    void setObserver(BacktestObserver* observer) { m_observer = observer; }
    // How a bet's race is opened (the main window's panel); none: the double-click does nothing.
    void setOpenRace(OpenRace open) { m_openRace = std::move(open); }
    void setRunner(Runner runner) { m_runner = std::move(runner); }

    // The window is shown: the last choice from the settings, or the month of the
    // newest stored day; while a run goes on, that run's choice and its progress.
    void FormShow();
    // The choice is written to the settings and the window may close (true). A run goes
    // on while the window is hidden, and the window shows its end when opened again;
    // only the cancel button stops it.
    bool FormCloseQuery();

    // --- controls -------------------------------------------------------------------
    // Every input that shapes a run is fixed while it runs: the setters and the rule list
    // change nothing then, and the summary tells what was run.
    const std::string& FromDate() const { return m_from; } // "yyyy/mm/dd"
    const std::string& ToDate() const { return m_to; }
    void setFromDate(std::string text);
    void setToDate(std::string text);
    const ListState& RuleCombo() const { return m_ruleCombo; }
    // Choosing a rule puts its default parameters into the parameter box.
    void RuleComboChange(int index);
    const std::string& ParamEdit() const { return m_param; }
    void setParamEdit(std::string text);
    // The format of the chosen rule's parameters.
    const std::string& ParamHint() const;
    const SpinBoxState& MinutesSpin() const { return m_minutes; }
    void setMinutesSpin(int minutes);
    int BetRadio() const { return m_bet; } // 0 win, 1 place
    void setBetRadio(int index);

    // Starts the backtest on a worker thread; a date or rule that cannot be is said in a
    // box and nothing starts. Ignored while one runs.
    void RunBtnClick();
    // Asks the running backtest to stop; it stops before its next race, and what it found
    // so far is shown, marked.
    void CancelBtnClick();
    // From the click on the run button until its end has reached the UI thread.
    bool running() const { return m_running; }
    bool RunBtnEnabled() const { return !running(); }
    bool CancelBtnEnabled() const { return running() && !m_worker.get_stop_token().stop_requested(); }

    // --- progress -------------------------------------------------------------------
    int ProgressMax() const { return m_progressMax; }
    int ProgressPosition() const { return m_progressPosition; }
    const std::string& StatusLabel() const { return m_status; }


    // --- results --------------------------------------------------------------------
    TextGrid& grid(Grid which);
    const TextGrid& grid(Grid which) const;
    // The cumulative return less the stake (yen) after each race with bets, in the order
    // the races were run.
    const std::vector<double>& ReturnCurve() const { return m_curve; }
    // That curve as the window draws it.
    const ChartState& ReturnChart() const { return m_returnChart; }
    // The style of a cell of one of the grids, from the result the grid shows (never
    // from its display texts).
    CellStyle cellStyle(Grid which, int row, int col) const;
    // Opens the race of the bet in that row of the bets grid at the bet moment: true. A
    // race no longer stored is said instead.
    bool BetGridDblClick(int row);
    const analytics::BacktestResult& result() const { return m_result; }

private:
    // The worker's latest progress; one posted task at a time takes it over.
    struct Progress {
        std::mutex mutex;
        analytics::BacktestProgress progress;
        bool posted = false;
    };

    // The inputs of a run, as the summary tells them.
    struct Choice {
        std::string from, to;
        int rule = 0;
        std::string param;
        int minutes = 0;
        int bet = 0;
    };

    void restoreChoice();
    void storeChoice();
    // The options of the controls; false (after saying why) when they name no backtest.
    bool options(analytics::BacktestOptions& out);
    void showResult();
    void notifyControls();
    // On the UI thread, from the tasks the worker posts.
    void takeProgress();
    void finishRun(analytics::BacktestResult& result, const std::string& failure);

    Host& m_host;
    IniFile& m_settings;
    store::StoreLayout m_layout;
    BacktestObserver* m_observer = nullptr;
    OpenRace m_openRace;
    Runner m_runner;

    std::string m_from;
    std::string m_to;
    ListState m_ruleCombo;
    std::string m_param;
    SpinBoxState m_minutes{0, 60, 5};
    int m_bet = 0;
    Choice m_ran; // the inputs of the run shown

    std::jthread m_worker;
    bool m_running = false;
    std::shared_ptr<Progress> m_progress;
    // Held weakly by the tasks the worker posts: a task that arrives after the model has
    // gone does nothing.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
    int m_progressMax = 0;
    int m_progressPosition = 0;
    std::string m_status;

    analytics::BacktestResult m_result;
    TextGrid m_summary{1, 2};
    TextGrid m_tracks{1, kTallyColumns};
    TextGrid m_bands{1, kTallyColumns};
    TextGrid m_bets{1, kBetColumns};
    int m_summaryReturnRow = -1; // the row of the return rate in the summary
    std::vector<double> m_curve;
    ChartState m_returnChart;
};

} // namespace tidemark::presentation
