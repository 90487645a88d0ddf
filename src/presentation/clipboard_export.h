#pragma once
// "ｸﾘｯﾌﾟﾎﾞｰﾄﾞへｺﾋﾟｰ" (ClipBtn1): the table of the page the user is looking at goes to the
// clipboard as tab-separated text, every row in its on-screen order and every column,
// hidden ones too, as stored, after title lines naming the race and its time points.
// CR LF ends every line; the text is CP932 (the host converts it for the desktop). The
// red notice Label1 confirms the copy for one second (Timer1).

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "host/host.h"
#include "presentation/grid_layouts.h"

namespace tidemark {
struct MainPanelLabels;
}

namespace tidemark::presentation {

struct SelectedMomentView;

// The pages of PageControl1, in tab order (TabSheet1, the hidden page of internal
// buttons, comes last).
enum class MainPage {
    TabSheet2,  // "出馬表"
    TabSheet33, // "３系列オッズ表": PageControl12 単勝 / 複勝(低) / 複勝(高) / 馬連(疑似)
    TabSheet50, // "異常オッズ発見": PageControl6 単複比較 (PageControl7) / 時差比較 (PageControl8)
    TabSheet38, // "券種別オッズ比較"
    TabSheet10, // "断層表": PageControl2 単勝 / 複勝(低) / 複勝(高) / 馬連
    TabSheet31, // "馬連マトリクス"
    TabSheet26, // "時系列ｵｯｽﾞ表": PageControl10 単勝 / 複勝 / 枠連 / 馬連
    TabSheet12, // "時系列人気表": PageControl4
    TabSheet13, // "時系列得票表": PageControl5
    TabSheet32, // "馬連・枠連"
    TabSheet42, // "グラフ"
    TabSheet39, // "オッズ閲覧"
    TabSheet3,  // "成績結果"
    TabSheet1,  // "オッズ閲覧", never shown
};
inline constexpr int kMainPageCount = 14;
// The page at tab position `index` of PageControl1; TabSheet1 outside the range (a page
// without a table).
MainPage mainPageAt(int index);

// What is in front: the page of PageControl1, the page index of its inner page control
// (PageControl12, PageControl6, PageControl2, PageControl10, PageControl4, PageControl5)
// and, on "異常オッズ発見", the page index of PageControl7 or PageControl8 inside it.
struct ActivePage {
    MainPage page = MainPage::TabSheet2;
    int inner = 0;
    int innerInner = 0;
};

// How the title lines of a page are laid out.
enum class TitleKind {
    RaceCard,    // the moment and the standard deviation, then the header row directly
    ThreePoint,  // the three time points, then an empty line
    Anomaly,     // an empty line in place of the time lines
    MomentTable, // the moment, then an empty line (ticket-type, gap and matrix pages)
    TimeSeries,  // no time line
};

struct CopyTable {
    GridId grid = GridId::StringGrid2;
    std::string title; // T, CP932: "[出馬表]" …
    TitleKind kind = TitleKind::RaceCard;
};

// The table of the page in front; none for pages without one. `matrixBasis` is the
// selected item text of RadioGroup4 ("単勝人気"), part of the matrix title.
std::optional<CopyTable> copyTableFor(const ActivePage& page, std::string_view matrixBasis);

// The label texts the title lines are made of (CP932).
struct ClipboardTitles {
    std::array<std::string, 4> TitleLabel;  // TitleLabel1..4
    std::string CurJikokuLabel;             // the selected moment
    std::array<std::string, 3> JikokuLabel; // JikokuLabel1..3: the three time points
    std::string HensaLabel;                 // the standard deviation
    std::string matrixBasis;                // selected item text of RadioGroup4
};
ClipboardTitles clipboardTitles(const MainPanelLabels& panel, const SelectedMomentView& moment,
                                std::string matrixBasis);

// The title lines H of a table (without the CR LF that separates them from the rows).
std::string clipboardHeader(const CopyTable& table, const ClipboardTitles& titles);
// Every row of the grid, header row first: cells joined by TAB, each row ended by CR LF.
std::string gridClipboardRows(const TextGrid& grid);
// H + CR LF + the rows: what goes on the clipboard.
std::string clipboardText(const CopyTable& table, const ClipboardTitles& titles, const TextGrid& grid);

class ClipboardExportObserver {
public:
    virtual ~ClipboardExportObserver() = default;
    virtual void label1Changed() = 0; // the notice was shown or hidden
};

class ClipboardExport {
public:
    static constexpr int kNoticeMs = 1000;

    // `titles` is asked at every copy, so the lines show what the labels show then.
    ClipboardExport(Host& host, const GridSet& grids, std::function<ClipboardTitles()> titles);

    void setObserver(ClipboardExportObserver* observer) { m_observer = observer; }

    // Copies the table of `page`; on a page without a table it beeps and asks the user
    // to bring a table to the front, leaving the clipboard and the notice alone.
    void ClipBtn1Click(const ActivePage& page);
    // The one-shot notice timer: hides Label1 and stops itself.
    void Timer1Timer();

    bool Label1Visible() const { return m_label1Visible; }

    // Fixed texts (CP932).
    static std::string ClipBtn1Caption(); // "ｸﾘｯﾌﾟﾎﾞｰﾄﾞへｺﾋﾟｰ"
    static std::string ClipBtn1Hint();    // "各種表の内容をｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰします"
    static std::string Label1Caption();   // "ｸﾘｯﾌﾟﾎﾞｰﾄﾞへｺﾋﾟｰしました", red bold on black
    static std::string noTableText();     // "コピーしたい表をアクティブに(前面に表示)してください。"

private:
    void setLabel1(bool visible);

    Host& m_host;
    std::unique_ptr<HostTimer> m_noticeTimer = m_host.makeTimer(TimerId::Timer1);
    const GridSet& m_grids;
    std::function<ClipboardTitles()> m_titles;
    ClipboardExportObserver* m_observer = nullptr;
    bool m_label1Visible = false;
};

} // namespace tidemark::presentation
