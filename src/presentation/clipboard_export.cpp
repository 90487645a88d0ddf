#include "presentation/clipboard_export.h"

#include "presentation/main_panel_model.h"
#include "presentation/selected_moment_grids.h"
#include "text/cp932.h"

namespace tidemark::presentation {

namespace {

using text::sj;

constexpr std::string_view kCrLf = "\r\n";

struct InnerTable {
    GridId grid;
    const char* title; // UTF-8 here, CP932 in the table
};

template <std::size_t N>
std::optional<CopyTable> pick(const std::array<InnerTable, N>& tables, int index, TitleKind kind)
{
    if (index < 0 || index >= static_cast<int>(N))
        return std::nullopt;
    const InnerTable& t = tables[static_cast<std::size_t>(index)];
    return CopyTable{t.grid, sj(t.title), kind};
}

constexpr std::array<InnerTable, 4> kThreePoint{{
    {GridId::StringGrid26, "[３系列オッズ表]-[単勝]"},
    {GridId::StringGrid8, "[３系列オッズ表]-[複勝(低)]"},
    {GridId::StringGrid9, "[３系列オッズ表]-[複勝(高)]"},
    {GridId::StringGrid10, "[３系列オッズ表]-[馬連(疑似)]"},
}};
constexpr std::array<InnerTable, 2> kWinPlaceRatio{{
    {GridId::StringGrid27, "[異常オッズ発見]-[単複比較]-[単÷複]"},
    {GridId::StringGrid28, "[異常オッズ発見]-[単複比較]-[複÷単]"},
}};
constexpr std::array<InnerTable, 2> kTimeDifference{{
    {GridId::StringGrid29, "[異常オッズ発見]-[時差比較]-[単勝]"},
    {GridId::StringGrid30, "[異常オッズ発見]-[時差比較]-[複勝]"},
}};
// The two place titles are written with the full-width colon, the others with the ASCII one.
constexpr std::array<InnerTable, 4> kGap{{
    {GridId::StringGrid20, "[断層表:単勝]"},
    {GridId::StringGrid21, "[断層表：複勝(低)]"},
    {GridId::StringGrid22, "[断層表：複勝(高)]"},
    {GridId::StringGrid23, "[断層表:馬連]"},
}};
constexpr std::array<InnerTable, 4> kSeriesOdds{{
    {GridId::StringGrid4, "[時系列オッズ表]-[単勝]"},
    {GridId::StringGrid5, "[時系列オッズ表]-[複勝]"},
    {GridId::StringGrid6, "[時系列オッズ表]-[枠連]"},
    {GridId::StringGrid7, "[時系列オッズ表]-[馬連]"},
}};
constexpr std::array<InnerTable, 4> kSeriesPopularity{{
    {GridId::StringGrid12, "[時系列人気表]-[単勝]"},
    {GridId::StringGrid13, "[時系列人気表]-[複勝]"},
    {GridId::StringGrid14, "[時系列人気表]-[枠連]"},
    {GridId::StringGrid15, "[時系列人気表]-[馬連]"},
}};
constexpr std::array<InnerTable, 4> kSeriesShare{{
    {GridId::StringGrid16, "[時系列得票表]-[単勝]"},
    {GridId::StringGrid17, "[時系列得票表]-[複勝]"},
    {GridId::StringGrid18, "[時系列得票表]-[枠連]"},
    {GridId::StringGrid19, "[時系列得票表]-[馬連]"},
}};

} // namespace

MainPage mainPageAt(int index)
{
    return index >= 0 && index < kMainPageCount ? static_cast<MainPage>(index) : MainPage::TabSheet1;
}

std::optional<CopyTable> copyTableFor(const ActivePage& page, std::string_view matrixBasis)
{
    switch (page.page) {
    case MainPage::TabSheet2: return CopyTable{GridId::StringGrid2, sj("[出馬表]"), TitleKind::RaceCard};
    case MainPage::TabSheet33: return pick(kThreePoint, page.inner, TitleKind::ThreePoint);
    case MainPage::TabSheet50:
        if (page.inner == 0)
            return pick(kWinPlaceRatio, page.innerInner, TitleKind::Anomaly);
        if (page.inner == 1)
            return pick(kTimeDifference, page.innerInner, TitleKind::Anomaly);
        return std::nullopt;
    case MainPage::TabSheet38:
        return CopyTable{GridId::StringGrid11, sj("[券種別オッズ比較表]"), TitleKind::MomentTable};
    case MainPage::TabSheet10: return pick(kGap, page.inner, TitleKind::MomentTable);
    case MainPage::TabSheet31:
        return CopyTable{GridId::StringGrid24, sj("[馬連マトリクス](") + std::string(matrixBasis) + sj("順) "),
                         TitleKind::MomentTable};
    case MainPage::TabSheet26: return pick(kSeriesOdds, page.inner, TitleKind::TimeSeries);
    case MainPage::TabSheet12: return pick(kSeriesPopularity, page.inner, TitleKind::TimeSeries);
    case MainPage::TabSheet13: return pick(kSeriesShare, page.inner, TitleKind::TimeSeries);
    case MainPage::TabSheet32:
    case MainPage::TabSheet42:
    case MainPage::TabSheet39:
    case MainPage::TabSheet3:
    case MainPage::TabSheet1: return std::nullopt;
    }
    return std::nullopt;
}

ClipboardTitles clipboardTitles(const MainPanelLabels& panel, const SelectedMomentView& moment,
                                std::string matrixBasis)
{
    ClipboardTitles t;
    t.TitleLabel = {panel.header.TitleLabel1, panel.header.TitleLabel2, panel.header.TitleLabel3,
                    panel.header.TitleLabel4};
    t.CurJikokuLabel = panel.CurJikokuLabel;
    t.JikokuLabel = panel.JikokuLabel;
    t.HensaLabel = moment.HensaLabel;
    t.matrixBasis = std::move(matrixBasis);
    return t;
}

std::string clipboardHeader(const CopyTable& table, const ClipboardTitles& titles)
{
    // T and the first title line share a line.
    std::string h = table.title;
    for (const std::string& line : titles.TitleLabel) {
        h += line;
        h += kCrLf;
    }
    const std::string moment = sj("選択時刻:") + titles.CurJikokuLabel;
    switch (table.kind) {
    case TitleKind::RaceCard:
        h += moment;
        h += kCrLf;
        h += sj("標準偏差：") + titles.HensaLabel;
        break;
    case TitleKind::ThreePoint:
        for (int i = 0; i < 3; ++i) {
            h += std::to_string(i + 1) + sj("回目時刻:") + titles.JikokuLabel[static_cast<std::size_t>(i)];
            h += kCrLf;
        }
        h += kCrLf;
        break;
    case TitleKind::Anomaly: h += kCrLf; break;
    case TitleKind::MomentTable:
        h += moment;
        h += kCrLf;
        break;
    case TitleKind::TimeSeries: break;
    }
    return h;
}

std::string gridClipboardRows(const TextGrid& grid)
{
    std::string out;
    for (int r = 0; r < grid.rowCount(); ++r) {
        for (int c = 0; c < grid.colCount(); ++c) {
            if (c > 0)
                out += '\t';
            out += grid.cell(r, c);
        }
        out += kCrLf;
    }
    return out;
}

std::string clipboardText(const CopyTable& table, const ClipboardTitles& titles, const TextGrid& grid)
{
    std::string text = clipboardHeader(table, titles);
    text += kCrLf;
    text += gridClipboardRows(grid);
    return text;
}

// --- the button and its notice -----------------------------------------------------------------

ClipboardExport::ClipboardExport(Host& host, const GridSet& grids, std::function<ClipboardTitles()> titles)
    : m_host(host)
    , m_grids(grids)
    , m_titles(std::move(titles))
{
}

void ClipboardExport::ClipBtn1Click(const ActivePage& page)
{
    const ClipboardTitles titles = m_titles ? m_titles() : ClipboardTitles{};
    const std::optional<CopyTable> table = copyTableFor(page, titles.matrixBasis);
    if (!table) {
        m_host.beep();
        m_host.information(noTableText());
        return;
    }
    setLabel1(true);
    // A second copy inside the second restarts the notice's second.
    m_noticeTimer->start(kNoticeMs, [this] { Timer1Timer(); });
    m_host.setClipboardText(clipboardText(*table, titles, m_grids[table->grid]));
}

void ClipboardExport::Timer1Timer()
{
    m_noticeTimer->stop();
    setLabel1(false);
}

void ClipboardExport::setLabel1(bool visible)
{
    if (m_label1Visible == visible)
        return;
    m_label1Visible = visible;
    if (m_observer)
        m_observer->label1Changed();
}

std::string ClipboardExport::ClipBtn1Caption() { return sj("ｸﾘｯﾌﾟﾎﾞｰﾄﾞへｺﾋﾟｰ"); }
std::string ClipboardExport::ClipBtn1Hint() { return sj("各種表の内容をｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰします"); }
std::string ClipboardExport::Label1Caption() { return sj("ｸﾘｯﾌﾟﾎﾞｰﾄﾞへｺﾋﾟｰしました"); }
std::string ClipboardExport::noTableText() { return sj("コピーしたい表をアクティブに(前面に表示)してください。"); }

} // namespace tidemark::presentation
