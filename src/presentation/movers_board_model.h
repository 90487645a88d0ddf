#pragma once
// The window "オッズ急変" without its widgets: the movers board of the day the main window
// has loaded (analytics/movers_board.h) as a grid, the moment T it is taken at (now on a
// live day, or a clock time the user picks), the window W, the filters, the copy to the
// clipboard and the double-click that opens a runner's race in the main window at
// snapshot B. Texts are CP932.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analytics/movers_board.h"
#include "host/host.h"
#include "presentation/open_race.h"
#include "presentation/text_grid.h"
#include "presentation/cell_style.h"
#include "settings/ini_file.h"

namespace tidemark {
class MainPanelModel;
}

namespace tidemark::presentation {

// Columns of the board's grid.
enum class MoversColumn {
    Track,
    Race,
    PostTime,
    MinutesToPost,
    Horse,
    HorseName,
    OddsA,
    OddsB,
    ShareA,
    ShareB,
    Change,
    PlaceChange, // the other runner pool's change: place on the win board, win on the place board
    TimeA,
    TimeB,
    AgeB,
};
inline constexpr int kMoversColumns = 15;

// The order of the rows: a column and its direction. The board's own order is the
// change, descending.
struct MoversSort {
    MoversColumn column = MoversColumn::Change;
    bool descending = true;
    bool operator==(const MoversSort&) const = default;
};

// The header text of a column on the board of `pool` ("単勝A", "複勝変化", …).
std::string moversHeader(analytics::MoversPool pool, MoversColumn c);
// Sorts rows by a column's value (numbers as numbers, times as times), stable: rows of
// equal value keep the order they come in. Rows without a value in the column stand last
// in either direction.
void sortMoverRows(std::vector<analytics::MoverRow>& rows, analytics::MoversPool pool, MoversSort sort);
// The grid of `board`: a header row (the sorted column marked ▼ or ▲), then one row per
// entry in the board's order.
void fillMoversGrid(TextGrid& grid, const analytics::MoversBoard& board,
                    analytics::MoversPool pool = analytics::MoversPool::Win, MoversSort sort = {});
// "+1.2", "-0.8", "0.0": a change in points with its sign and one decimal.
std::string signedChangeText(double points);
// How a cell of the board is painted: rises in red tones, falls in blue, odds and shares
// coloured as the time-series grids colour them.
CellStyle moversCellStyle(const TextGrid& grid, int row, int col);

class MoversBoardObserver {
public:
    virtual ~MoversBoardObserver() = default;
    virtual void boardChanged() {}    // the grid, the title and the row count
    virtual void controlsChanged() {} // the moment, the window, the filters and what they offer
};

class MoversBoardModel {
public:
    static constexpr int kLiveRefreshMs = 60 * 1000;

    MoversBoardModel(Host& host, IniFile& settings, const MainPanelModel& panel, OpenRace openRace);
    ~MoversBoardModel();
    MoversBoardModel(const MoversBoardModel&) = delete;
    MoversBoardModel& operator=(const MoversBoardModel&) = delete;

    void setObserver(MoversBoardObserver* observer) { m_observer = observer; }

    static std::string caption();         // "オッズ急変"
    static std::string liveCheckCaption(); // "現在時刻"
    static std::string timeCaption();      // "基準時刻"
    static std::string windowCaption();    // "比較"
    static std::string notRunCheckCaption(); // "未発走のみ"
    static std::string minChangeCheckCaption(); // "変化"
    static std::string minChangeUnit();    // "ポイント以上"
    static std::string refreshCaption();   // "更新"
    static std::string copyCaption();      // "ｸﾘｯﾌﾟﾎﾞｰﾄﾞへｺﾋﾟｰ"
    static std::string noDayText();        // shown when no day is loaded
    static std::string windowItemText(int minutes); // "10分"
    static std::string poolItemText(analytics::MoversPool pool); // "単勝", "複勝", "馬連"
    // The drifters button: "下落順" on the board's order, "上昇順" once it shows the falls first.
    std::string driftersCaption() const;

    // --- handlers -------------------------------------------------------------------
    // The window is shown (or the main window loaded another day while it is open): the
    // day's tracks are offered, T is now on a live day and the first post otherwise.
    void open();
    void close();
    bool isOpen() const { return m_open; }
    // Builds the board again with the current moment (the clock's on a live board, which
    // also builds itself again every minute while it is open).
    void RefreshBtnClick();
    void LiveCheckClick(bool live);
    // A clock time picked by the user, minutes after midnight.
    void TimeEditChange(int minuteOfDay);
    // The window W, index into analytics::kMoversWindows; remembered for the next time.
    void WindowComboChange(int index);
    // The same without remembering it (the companion tool's --window).
    void selectWindow(int index);
    // 0 = every track, i = the i-th track of trackItems().
    void TrackComboChange(int index);
    void NotRunCheckClick(bool on);
    void MinChangeCheckClick(bool on);
    void MinChangeEditChange(int tenths);
    // The pool switch, index into analytics::kMoversPools.
    void PoolSwitchClick(int index);
    // A press on the grid: on the header row it sorts by that column (natural direction
    // first: times, numbers and odds ascending, shares and changes descending), a second
    // press on the same column reverses.
    void GridHeaderClick(int row, int col);
    // Whether a press on (row, col) sorts (the pointer becomes a hand there).
    bool sortsAt(int row, int col) const { return row == 0 && col >= 0 && col < kMoversColumns; }
    // The largest falls first; pressed again, the board's order back.
    void DriftersBtnClick();
    // Opens the race of a data row at its snapshot B in the main window.
    void GridDblClick(int row);
    // The title line and every row, tab-separated, to the clipboard.
    void ClipBtnClick();
    // The watch wrote odds: an open board is built again.
    void oddsWritten();

    // --- what the window shows ---------------------------------------------------------
    TextGrid& grid() { return m_grid; }
    const TextGrid& grid() const { return m_grid; }
    const std::string& title() const { return m_title; }
    // "32頭" or the reason there are no rows.
    const std::string& summary() const { return m_summary; }
    bool liveAvailable() const { return m_liveAvailable; }
    bool live() const { return m_live; }
    int timeMinute() const { return m_minute; } // T shown in the time box
    int windowIndex() const { return m_windowIndex; }
    const std::vector<std::string>& trackItems() const { return m_trackItems; } // "全場", "大井", …
    int trackIndex() const { return m_trackIndex; }
    bool notRun() const { return m_notRun; }
    bool minChangeOn() const { return m_minChangeOn; }
    int minChangeTenths() const { return m_minChangeTenths; }
    const analytics::MoversBoard& board() const { return m_board; }
    int poolIndex() const { return static_cast<int>(m_pool); }
    MoversSort sort() const { return m_sort; }

    // The clipboard text (title line, then the rows; `limit` data rows at most when given).
    std::string clipboardText(std::optional<int> limit = std::nullopt) const;

private:
    void rebuild();
    analytics::MoversQuery query() const;
    std::string dayLabel() const;
    void notifyBoard();
    void notifyControls();

    Host& m_host;
    std::unique_ptr<HostTimer> m_refreshTimer = m_host.makeTimer(TimerId::MoversTimer);
    IniFile& m_settings;
    const MainPanelModel& m_panel;
    OpenRace m_openRace;
    MoversBoardObserver* m_observer = nullptr;

    TextGrid m_grid;
    analytics::MoversDay m_day;
    std::string m_dayLabel; // the day of m_day
    analytics::MoversBoard m_board;
    std::string m_title;
    std::string m_summary;
    bool m_open = false;
    bool m_liveAvailable = false;
    bool m_live = false;
    int m_minute = 0;
    int m_windowIndex = 1;
    std::vector<std::string> m_trackItems;
    std::vector<std::string> m_trackCodes; // parallel to m_trackItems, "" for every track
    int m_trackIndex = 0;
    bool m_notRun = false;
    bool m_minChangeOn = false;
    int m_minChangeTenths = 10;
    analytics::MoversPool m_pool = analytics::MoversPool::Win;
    MoversSort m_sort;
};

} // namespace tidemark::presentation
