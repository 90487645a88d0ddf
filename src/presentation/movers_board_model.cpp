#include "presentation/movers_board_model.h"

#include <algorithm>
#include <cmath>

#include "analysis/race_calendar.h"
#include "presentation/cell_rendering.h"
#include "presentation/clipboard_export.h"
#include "presentation/grid_layouts.h"
#include "presentation/main_panel_model.h"
#include "records/keiba_func_nv.h"
#include "records/record_view.h"
#include "settings/settings_keys.h"
#include "text/cp932.h"
#include "text/date_time.h"
#include "text/file_io.h"
#include "text/number_format.h"

namespace tidemark::presentation {

using text::sj;

namespace {

struct ColumnSpec {
    const char* header;
    int width;
};

constexpr std::array<ColumnSpec, kMoversColumns> kColumns{{
    {"場", 36},
    {"R", 24},
    {"発走", 42},
    {"発走迄", 44},
    {"馬番", 32},
    {"馬名", 130},
    {"単勝A", 50},
    {"単勝B", 50},
    {"支持率A", 54},
    {"支持率B", 54},
    {"単勝変化", 60},
    {"複勝変化", 60},
    {"A時刻", 42},
    {"B時刻", 42},
    {"B経過", 38},
}};
// The sort mark takes one full-width character more.
constexpr int kMarkWidth = 12;

// Rises in red tones, falls in blue tones: the stronger the move, the deeper the tint.
constexpr Rgb kStrongRise{0xFF9A9A};
constexpr Rgb kRise{0xFFD2D2};
constexpr Rgb kStrongFall{0x9ABCFF};
constexpr Rgb kFall{0xD2E0FF};
// Points of change from which a move is tinted, and tinted deeply.
constexpr double kNotable = 2.0;
constexpr double kStrong = 5.0;

constexpr int col(MoversColumn c) { return static_cast<int>(c); }

std::string oddsText(const records::OddsField& f) { return text::formatFixed(f.value(), 6, 1); }

// Place odds as the range they are quoted in: "1.4-2.0".
std::string placeRangeText(const records::OddsField& low, const records::OddsField& high)
{
    std::string out = text::formatFixed(low.value(), 0, 1);
    if (high.kind() == records::OddsKind::Odds)
        out += "-" + text::formatFixed(high.value(), 0, 1);
    return out;
}

std::string hhmmOf(const std::string& mmddhhmm)
{
    return mmddhhmm.size() < 8 ? std::string() : mmddhhmm.substr(4, 2) + ":" + mmddhhmm.substr(6, 2);
}

// The other runner pool's change of a row: place on the win board, win on the place one.
std::optional<double> otherChange(const analytics::MoverRow& r, analytics::MoversPool pool)
{
    if (pool == analytics::MoversPool::Win && r.change.placeCounts)
        return r.change.placeChange;
    if (pool == analytics::MoversPool::Place && r.change.counts)
        return r.change.winChange;
    return std::nullopt;
}

int columnWidth(analytics::MoversPool pool, MoversColumn c)
{
    const int base = kColumns[static_cast<std::size_t>(c)].width;
    if (pool == analytics::MoversPool::Place && (c == MoversColumn::OddsA || c == MoversColumn::OddsB))
        return 64;
    if (pool == analytics::MoversPool::Quinella) {
        if (c == MoversColumn::HorseName)
            return 250;
        if (c == MoversColumn::OddsA || c == MoversColumn::OddsB)
            return 56;
        if (c == MoversColumn::PlaceChange)
            return -1; // no other pool beside a pair
    }
    return base;
}

// A column's value for sorting; text columns give none and are compared as texts.
std::optional<double> numericKey(const analytics::MoverRow& r, analytics::MoversPool pool, MoversColumn c)
{
    switch (c) {
    case MoversColumn::Race: return r.raceNumber;
    case MoversColumn::MinutesToPost:
        return r.minutesToPost ? std::optional<double>(*r.minutesToPost) : std::nullopt;
    case MoversColumn::Horse: return r.entry.first * 100.0 + r.entry.second;
    case MoversColumn::OddsA: return static_cast<double>(r.move.oddsA.tenths());
    case MoversColumn::OddsB: return static_cast<double>(r.move.oddsB.tenths());
    case MoversColumn::ShareA: return r.move.shareA;
    case MoversColumn::ShareB: return r.move.shareB;
    case MoversColumn::Change: return r.move.change;
    case MoversColumn::PlaceChange: return otherChange(r, pool);
    case MoversColumn::TimeA: return r.minuteA;
    case MoversColumn::TimeB: return r.minuteB;
    case MoversColumn::AgeB: return r.ageB;
    case MoversColumn::Track:
    case MoversColumn::PostTime:
    case MoversColumn::HorseName: return std::nullopt;
    }
    return std::nullopt;
}

const std::string& textKey(const analytics::MoverRow& r, MoversColumn c)
{
    return c == MoversColumn::Track ? r.trackCode : c == MoversColumn::PostTime ? r.postTime : r.horseName;
}

bool isTextColumn(MoversColumn c)
{
    return c == MoversColumn::Track || c == MoversColumn::PostTime || c == MoversColumn::HorseName;
}

// Shares and changes are read from the largest down; everything else from the smallest up.
bool descendsFirst(MoversColumn c)
{
    return c == MoversColumn::ShareA || c == MoversColumn::ShareB || c == MoversColumn::Change ||
           c == MoversColumn::PlaceChange;
}

// The first `count` lines of a text of CR LF lines.
std::string firstLines(const std::string& text, int count)
{
    std::size_t end = 0;
    for (int i = 0; i < count && end < text.size(); ++i) {
        const std::size_t at = text.find("\r\n", end);
        end = at == std::string::npos ? text.size() : at + 2;
    }
    return text.substr(0, end);
}

} // namespace

std::string signedChangeText(double points)
{
    // Rounded first, so that a change that shows as 0.0 carries no sign.
    const double tenths = std::round(points * 10.0);
    if (tenths == 0.0)
        return "0.0";
    return (tenths > 0 ? "+" : "-") + text::formatFixed(std::fabs(tenths) / 10.0, 0, 1);
}

std::string moversHeader(analytics::MoversPool pool, MoversColumn c)
{
    using analytics::MoversPool;
    const char* poolName = pool == MoversPool::Win ? "単勝" : pool == MoversPool::Place ? "複勝" : "馬連";
    switch (c) {
    case MoversColumn::Horse:
        return sj(pool == MoversPool::Quinella ? "組番" : "馬番");
    case MoversColumn::OddsA: return sj(poolName) + "A";
    case MoversColumn::OddsB: return sj(poolName) + "B";
    case MoversColumn::Change: return sj(poolName) + sj("変化");
    case MoversColumn::PlaceChange:
        return pool == MoversPool::Win ? sj("複勝変化") : pool == MoversPool::Place ? sj("単勝変化") : std::string();
    default: return sj(kColumns[static_cast<std::size_t>(c)].header);
    }
}

void sortMoverRows(std::vector<analytics::MoverRow>& rows, analytics::MoversPool pool, MoversSort sort)
{
    const MoversColumn c = sort.column;
    if (isTextColumn(c)) {
        std::stable_sort(rows.begin(), rows.end(), [&](const analytics::MoverRow& a, const analytics::MoverRow& b) {
            const int cmp = textKey(a, c).compare(textKey(b, c));
            return sort.descending ? cmp > 0 : cmp < 0;
        });
        return;
    }
    std::stable_sort(rows.begin(), rows.end(), [&](const analytics::MoverRow& a, const analytics::MoverRow& b) {
        const std::optional<double> ka = numericKey(a, pool, c);
        const std::optional<double> kb = numericKey(b, pool, c);
        if (!ka || !kb)
            return ka.has_value() && !kb.has_value(); // rows without a value last
        return sort.descending ? *ka > *kb : *ka < *kb;
    });
}

void fillMoversGrid(TextGrid& grid, const analytics::MoversBoard& board, analytics::MoversPool pool, MoversSort sort)
{
    TextGrid::Batch batch(grid);
    grid.setSize(static_cast<int>(board.rows.size()) + 1, kMoversColumns);
    grid.setFixedRows(1);
    grid.setFixedCols(0);
    grid.setFont(fixedPitchGothic(), pointsToPixels(9));
    grid.setDefaultRowHeight(18);
    grid.setSelectionMode(SelectionMode::Row);
    for (int c = 0; c < kMoversColumns; ++c) {
        const auto column = static_cast<MoversColumn>(c);
        const bool sorted = column == sort.column;
        grid.setCell(0, c, moversHeader(pool, column) + (sorted ? sj(sort.descending ? "▼" : "▲") : std::string()));
        const int width = columnWidth(pool, column);
        grid.setColWidth(c, width < 0 ? width : width + (sorted ? kMarkWidth : 0));
    }
    for (std::size_t i = 0; i < board.rows.size(); ++i) {
        const analytics::MoverRow& r = board.rows[i];
        const int row = static_cast<int>(i) + 1;
        const analytics::PoolChange& m = r.move;
        std::vector<std::string> cells(kMoversColumns);
        cells[col(MoversColumn::Track)] = KeibaFuncNV::TrackName(r.trackCode, 2);
        cells[col(MoversColumn::Race)] = text::formatInt(r.raceNumber, 2);
        cells[col(MoversColumn::PostTime)] = r.postTime.substr(0, 2) + ":" + r.postTime.substr(2, 2);
        if (r.minutesToPost)
            cells[col(MoversColumn::MinutesToPost)] =
                *r.minutesToPost > 0 ? text::formatInt(*r.minutesToPost, 3) : sj("発走済");
        cells[col(MoversColumn::Horse)] = pool == analytics::MoversPool::Quinella
                                              ? std::to_string(r.entry.first) + "-" + std::to_string(r.entry.second)
                                              : text::formatInt(r.entry.first, 2);
        cells[col(MoversColumn::HorseName)] = r.horseName;
        if (pool == analytics::MoversPool::Place) {
            cells[col(MoversColumn::OddsA)] = placeRangeText(m.oddsA, m.highA);
            cells[col(MoversColumn::OddsB)] = placeRangeText(m.oddsB, m.highB);
        } else {
            cells[col(MoversColumn::OddsA)] = oddsText(m.oddsA);
            cells[col(MoversColumn::OddsB)] = oddsText(m.oddsB);
        }
        cells[col(MoversColumn::ShareA)] = text::formatFixed(m.shareA, 5, 1);
        cells[col(MoversColumn::ShareB)] = text::formatFixed(m.shareB, 5, 1);
        cells[col(MoversColumn::Change)] = signedChangeText(m.change);
        if (const std::optional<double> other = otherChange(r, pool))
            cells[col(MoversColumn::PlaceChange)] = signedChangeText(*other);
        cells[col(MoversColumn::TimeA)] = hhmmOf(r.announcementA);
        cells[col(MoversColumn::TimeB)] = hhmmOf(r.announcementB);
        cells[col(MoversColumn::AgeB)] = text::formatInt(r.ageB, 3);
        grid.setRow(row, cells);
    }
    grid.clearSelection();
}

CellStyle moversCellStyle(const TextGrid& grid, int row, int c)
{
    CellStyle s;
    if (row == 0) {
        s.background = colours::silver;
        return s;
    }
    const std::string& text = grid.cell(row, c);
    switch (static_cast<MoversColumn>(c)) {
    case MoversColumn::Track:
    case MoversColumn::Race:
    case MoversColumn::PostTime:
        s.background = colours::tipBackground;
        break;
    case MoversColumn::MinutesToPost:
        s.background = colours::lightCyan;
        s.align = HAlign::Right;
        break;
    case MoversColumn::TimeA:
    case MoversColumn::TimeB:
        s.background = colours::tipBackground;
        break;
    case MoversColumn::AgeB:
        s.background = colours::lightCyan;
        s.align = HAlign::Right;
        break;
    case MoversColumn::Horse:
        s.background = colours::tipBackground;
        s.bold = true;
        break;
    case MoversColumn::HorseName:
        s.align = HAlign::Left;
        break;
    case MoversColumn::OddsA:
    case MoversColumn::OddsB: {
        // As the win odds of the time-series table.
        const double v = cellDecimal(text);
        s.textColour = v <= 0 ? colours::black : v <= 5 ? colours::red : v <= 10 ? colours::blue : colours::black;
        s.align = HAlign::Right;
        break;
    }
    case MoversColumn::ShareA:
    case MoversColumn::ShareB: {
        // As the win shares of the time-series table.
        const double v = cellDecimal(text);
        s.textColour = v >= 30 ? colours::red : v >= 10 ? colours::blue : colours::black;
        s.align = HAlign::Right;
        break;
    }
    case MoversColumn::Change:
    case MoversColumn::PlaceChange: {
        const double v = cellDecimal(text);
        s.textColour = v > 0 ? colours::red : v < 0 ? colours::blue : colours::black;
        s.background = v >= kStrong      ? kStrongRise
                       : v >= kNotable   ? kRise
                       : v <= -kStrong   ? kStrongFall
                       : v <= -kNotable  ? kFall
                                         : colours::white;
        s.bold = std::fabs(v) >= kNotable;
        s.align = HAlign::Right;
        break;
    }
    }
    return s;
}

// --- the window ---------------------------------------------------------------------

MoversBoardModel::MoversBoardModel(Host& host, IniFile& settings, const MainPanelModel& panel, OpenRace openRace)
    : m_host(host), m_settings(settings), m_panel(panel), m_openRace(std::move(openRace))
{
    fillMoversGrid(m_grid, m_board);
}

MoversBoardModel::~MoversBoardModel()
{
    m_refreshTimer->stop();
}

void MoversBoardModel::close()
{
    m_open = false;
    m_refreshTimer->stop();
}

std::string MoversBoardModel::caption() { return sj("オッズ急変"); }
std::string MoversBoardModel::liveCheckCaption() { return sj("現在時刻"); }
std::string MoversBoardModel::timeCaption() { return sj("基準時刻"); }
std::string MoversBoardModel::windowCaption() { return sj("比較"); }
std::string MoversBoardModel::notRunCheckCaption() { return sj("未発走のみ"); }
std::string MoversBoardModel::minChangeCheckCaption() { return sj("変化"); }
std::string MoversBoardModel::minChangeUnit() { return sj("ポイント以上"); }
std::string MoversBoardModel::refreshCaption() { return sj("更新"); }
std::string MoversBoardModel::copyCaption() { return ClipboardExport::ClipBtn1Caption(); }
std::string MoversBoardModel::noDayText() { return sj("開催日を選んでください。"); }
std::string MoversBoardModel::windowItemText(int minutes) { return std::to_string(minutes) + sj("分前と比較"); }
std::string MoversBoardModel::poolItemText(analytics::MoversPool pool)
{
    return sj(pool == analytics::MoversPool::Win ? "単勝" : pool == analytics::MoversPool::Place ? "複勝" : "馬連");
}

std::string MoversBoardModel::driftersCaption() const
{
    return sj(m_sort == MoversSort{MoversColumn::Change, false} ? "上昇順" : "下落順");
}

void MoversBoardModel::PoolSwitchClick(int index)
{
    if (index < 0 || index >= static_cast<int>(analytics::kMoversPools.size()))
        return;
    m_pool = analytics::kMoversPools[static_cast<std::size_t>(index)];
    notifyControls();
    rebuild();
}

void MoversBoardModel::GridHeaderClick(int row, int col)
{
    if (!sortsAt(row, col))
        return;
    const auto column = static_cast<MoversColumn>(col);
    m_sort = column == m_sort.column ? MoversSort{column, !m_sort.descending} : MoversSort{column, descendsFirst(column)};
    notifyControls();
    rebuild();
}

void MoversBoardModel::DriftersBtnClick()
{
    const MoversSort drifters{MoversColumn::Change, false};
    m_sort = m_sort == drifters ? MoversSort{} : drifters;
    notifyControls();
    rebuild();
}

std::string MoversBoardModel::dayLabel() const { return m_panel.DateCombo().text(); }

void MoversBoardModel::open()
{
    m_open = true;
    m_day = analytics::moversDay(m_panel.dayTable(), m_panel.raceEntries(), m_panel.layout());
    m_dayLabel = dayLabel();

    // The tracks of the day in race-list order; the one picked before stays picked.
    const std::string picked = m_trackIndex > 0 && m_trackIndex < static_cast<int>(m_trackCodes.size())
                                   ? m_trackCodes[static_cast<std::size_t>(m_trackIndex)]
                                   : std::string();
    m_trackItems = {sj("全場")};
    m_trackCodes = {std::string()};
    int firstPost = -1;
    for (const analytics::MoversRace& race : m_day.races) {
        if (race.raRecord.empty())
            continue;
        const records::RaView ra(race.raRecord);
        const std::string code(ra.trackCode());
        if (std::find(m_trackCodes.begin(), m_trackCodes.end(), code) == m_trackCodes.end()) {
            m_trackCodes.push_back(code);
            m_trackItems.push_back(KeibaFuncNV::TrackName(code, 2));
        }
        const int post = text::minuteOfHhmm(ra.startTime());
        if (post >= 0 && (firstPost < 0 || post < firstPost))
            firstPost = post;
    }
    const auto it = std::find(m_trackCodes.begin(), m_trackCodes.end(), picked);
    m_trackIndex = it == m_trackCodes.end() ? 0 : static_cast<int>(it - m_trackCodes.begin());

    const text::DateTime today = m_host.today();
    m_liveAvailable = !dayLabel().empty() && dayLabel() == analysis::dayLabelOf(today.year, today.month, today.day);
    m_live = m_liveAvailable;
    // Another day is looked back on from its first post on; the user moves on from there.
    if (!m_live)
        m_minute = firstPost >= 0 ? firstPost : analytics::minuteOfDay(12, 0);

    const int stored = settings::MoversWindow.read(m_settings);
    const auto w = std::find(analytics::kMoversWindows.begin(), analytics::kMoversWindows.end(), stored);
    const auto def = std::find(analytics::kMoversWindows.begin(), analytics::kMoversWindows.end(),
                               analytics::kDefaultMoversWindow);
    m_windowIndex = static_cast<int>((w != analytics::kMoversWindows.end() ? w : def) - analytics::kMoversWindows.begin());
    notifyControls();
    rebuild();
}

void MoversBoardModel::RefreshBtnClick() { rebuild(); }

void MoversBoardModel::LiveCheckClick(bool live)
{
    m_live = live && m_liveAvailable;
    notifyControls();
    rebuild();
}

void MoversBoardModel::TimeEditChange(int minuteOfDay)
{
    if (minuteOfDay < 0 || minuteOfDay >= 24 * 60)
        return;
    m_minute = minuteOfDay;
    m_live = false; // a time picked by hand is the moment, not the clock
    notifyControls();
    rebuild();
}

void MoversBoardModel::WindowComboChange(int index)
{
    if (index < 0 || index >= static_cast<int>(analytics::kMoversWindows.size()))
        return;
    try {
        settings::MoversWindow.write(m_settings, analytics::kMoversWindows[static_cast<std::size_t>(index)]);
    } catch (const text::FileError&) {
        // The choice still applies; only the next start forgets it.
    }
    selectWindow(index);
}

void MoversBoardModel::selectWindow(int index)
{
    if (index < 0 || index >= static_cast<int>(analytics::kMoversWindows.size()))
        return;
    m_windowIndex = index;
    notifyControls();
    rebuild();
}

void MoversBoardModel::TrackComboChange(int index)
{
    if (index < 0 || index >= static_cast<int>(m_trackItems.size()))
        return;
    m_trackIndex = index;
    rebuild();
}

void MoversBoardModel::NotRunCheckClick(bool on)
{
    m_notRun = on;
    rebuild();
}

void MoversBoardModel::MinChangeCheckClick(bool on)
{
    m_minChangeOn = on;
    rebuild();
}

void MoversBoardModel::MinChangeEditChange(int tenths)
{
    m_minChangeTenths = tenths;
    if (m_minChangeOn)
        rebuild();
}

void MoversBoardModel::oddsWritten()
{
    if (m_open)
        rebuild();
}

analytics::MoversQuery MoversBoardModel::query() const
{
    analytics::MoversQuery q;
    q.pool = m_pool;
    q.atMinute = m_minute;
    q.windowMinutes = analytics::kMoversWindows[static_cast<std::size_t>(m_windowIndex)];
    q.trackCode = m_trackCodes.empty() ? std::string() : m_trackCodes[static_cast<std::size_t>(m_trackIndex)];
    q.notYetRun = m_notRun;
    // At least the value as the board shows it, rounded to tenths.
    if (m_minChangeOn)
        q.minChange = (m_minChangeTenths - 0.5) / 10.0;
    return q;
}

void MoversBoardModel::rebuild()
{
    if (m_live) {
        const text::DateTime now = m_host.now();
        m_minute = analytics::minuteOfDay(now.hour, now.minute);
        notifyControls();
    }
    // Following the clock, A and B move on as the minutes pass, new odds or not.
    if (m_open && m_live)
        m_refreshTimer->start(kLiveRefreshMs, [this] { rebuild(); });
    else
        m_refreshTimer->stop();
    m_board = {};
    try {
        if (!m_day.races.empty())
            m_board = analytics::buildMoversBoard(m_day, query());
    } catch (const text::FileError& e) {
        m_host.beep();
        m_host.message(text::fromUtf8(e.what()));
        m_board = {};
    }
    sortMoverRows(m_board.rows, m_pool, m_sort);
    fillMoversGrid(m_grid, m_board, m_pool, m_sort);

    const analytics::MoversQuery q = query();
    m_title = "[" + caption() + "]" + dayLabel() + " " + text::hhColonNn(m_minute) + " (" + windowItemText(q.windowMinutes) + ")";
    if (m_pool != analytics::MoversPool::Win)
        m_title += " " + poolItemText(m_pool);
    if (!q.trackCode.empty())
        m_title += " " + m_trackItems[static_cast<std::size_t>(m_trackIndex)];
    if (m_notRun)
        m_title += " " + notRunCheckCaption();
    if (m_minChangeOn)
        m_title += " " + minChangeCheckCaption() + signedChangeText(m_minChangeTenths / 10.0) + minChangeUnit();

    if (m_day.races.empty())
        m_summary = noDayText();
    else if (m_board.oddsFiles == 0)
        m_summary = sj("この開催日のオッズは未取得です。");
    else if (m_board.rows.empty())
        m_summary = sj("該当する馬はいません。");
    else
        m_summary = std::to_string(m_board.rows.size()) + sj(m_pool == analytics::MoversPool::Quinella ? "組" : "頭");
    if (!m_day.races.empty() && m_board.staleRaces > 0)
        m_summary += sj("（直近のオッズなし ") + std::to_string(m_board.staleRaces) + sj("レース）");
    notifyBoard();
}

void MoversBoardModel::GridDblClick(int row)
{
    if (row < 1 || row > static_cast<int>(m_board.rows.size()) || !m_openRace)
        return;
    const analytics::MoverRow& r = m_board.rows[static_cast<std::size_t>(row - 1)];
    m_openRace(m_dayLabel, r.raceKey, r.announcementB);
}

std::string MoversBoardModel::clipboardText(std::optional<int> limit) const
{
    // The header as words, without the sort mark, so that a pasted table reads plainly.
    std::string rows = gridClipboardRows(m_grid);
    std::string header;
    for (int c = 0; c < kMoversColumns; ++c)
        header += (c > 0 ? "\t" : "") + moversHeader(m_pool, static_cast<MoversColumn>(c));
    rows.replace(0, rows.find("\r\n"), header);
    return m_title + "\r\n" + (limit ? firstLines(rows, 1 + std::max(0, *limit)) : rows);
}

void MoversBoardModel::ClipBtnClick()
{
    m_host.setClipboardText(clipboardText());
    m_summary = std::to_string(m_board.rows.size()) + sj("頭　ｸﾘｯﾌﾟﾎﾞｰﾄﾞへｺﾋﾟｰしました");
    notifyBoard();
}

void MoversBoardModel::notifyBoard()
{
    if (m_observer)
        m_observer->boardChanged();
}

void MoversBoardModel::notifyControls()
{
    if (m_observer)
        m_observer->controlsChanged();
}

} // namespace tidemark::presentation
