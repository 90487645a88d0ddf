#pragma once
// Every grid of the main window, named as the program names it, and the layout each one
// gets when the window is created: column and row counts, header texts, column widths
// (-1 = hidden), fixed rows and columns, row heights, font and selection mode.

#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "presentation/text_grid.h"

namespace tidemark::presentation {

enum class GridId {
    StringGrid2,  // 出馬表: race card at the selected moment
    StringGrid4,  // 時系列ｵｯｽﾞ表 単勝
    StringGrid5,  // 時系列ｵｯｽﾞ表 複勝 (lower and upper per horse)
    StringGrid6,  // 時系列ｵｯｽﾞ表 枠連
    StringGrid7,  // 時系列ｵｯｽﾞ表 馬連
    StringGrid8,  // ３系列オッズ表 複勝(低)
    StringGrid9,  // ３系列オッズ表 複勝(高)
    StringGrid10, // ３系列オッズ表 馬連(疑似)
    StringGrid11, // 券種別オッズ比較
    StringGrid12, // 時系列人気表 単勝
    StringGrid13, // 時系列人気表 複勝
    StringGrid14, // 時系列人気表 枠連
    StringGrid15, // 時系列人気表 馬連
    StringGrid16, // 時系列得票表 単勝
    StringGrid17, // 時系列得票表 複勝
    StringGrid18, // 時系列得票表 枠連
    StringGrid19, // 時系列得票表 馬連
    StringGrid20, // 断層表 単勝
    StringGrid21, // 断層表 複勝(低)
    StringGrid22, // 断層表 複勝(高)
    StringGrid23, // 断層表 馬連
    StringGrid24, // 馬連マトリクス
    StringGrid25, // 枠連馬連有利度比較
    StringGrid26, // ３系列オッズ表 単勝
    StringGrid27, // 単複比較 単÷複
    StringGrid28, // 単複比較 複÷単
    StringGrid29, // 時差比較 単勝
    StringGrid30, // 時差比較 複勝
};

inline constexpr int kGridCount = 28;

inline constexpr std::array<GridId, kGridCount> kAllGridIds{GridId::StringGrid2, GridId::StringGrid4,
    GridId::StringGrid5, GridId::StringGrid6, GridId::StringGrid7, GridId::StringGrid8, GridId::StringGrid9,
    GridId::StringGrid10, GridId::StringGrid11, GridId::StringGrid12, GridId::StringGrid13, GridId::StringGrid14,
    GridId::StringGrid15, GridId::StringGrid16, GridId::StringGrid17, GridId::StringGrid18, GridId::StringGrid19,
    GridId::StringGrid20, GridId::StringGrid21, GridId::StringGrid22, GridId::StringGrid23, GridId::StringGrid24,
    GridId::StringGrid25, GridId::StringGrid26, GridId::StringGrid27, GridId::StringGrid28, GridId::StringGrid29,
    GridId::StringGrid30};

constexpr int gridIndex(GridId id) { return static_cast<int>(id); }

// "StringGrid2" …
std::string_view gridName(GridId id);

// Grids that share their columns and colour rules.
enum class GridFamily {
    RaceCard,             // StringGrid2
    ThreePoint,           // StringGrid26, 8, 9, 10
    TicketType,           // StringGrid11
    Anomaly,              // StringGrid27–30
    Gap,                  // StringGrid20–23
    Matrix,               // StringGrid24
    Advantage,            // StringGrid25
    TimeSeriesOdds,       // StringGrid4–7
    TimeSeriesPopularity, // StringGrid12–15
    TimeSeriesShare,      // StringGrid16–19
};

GridFamily familyOf(GridId id);
bool isTimeSeries(GridId id);

// Font families as the program names them (CP932).
std::string fixedPitchGothic();    // "ＭＳ ゴシック"
std::string proportionalGothic();  // "ＭＳ Ｐゴシック"

// Lays grid `id` out as the main window does when it is created: every cell empty, two
// rows (the header and one empty data row), the column count of the layout, every column
// width and header text (the time-series headers of columns 2.. come with a race), fixed
// rows and columns, row heights, font, selection mode and scroll bars.
void layOutGrid(GridId id, TextGrid& grid);

// The main window's grids, one per id.
class GridSet {
public:
    TextGrid& operator[](GridId id) { return m_grids[static_cast<std::size_t>(gridIndex(id))]; }
    const TextGrid& operator[](GridId id) const { return m_grids[static_cast<std::size_t>(gridIndex(id))]; }

private:
    std::array<TextGrid, kGridCount> m_grids;
};

void layOutAllGrids(GridSet& grids);

// Column count of a time-series grid for a race of `runners` horses (0..18): one column
// per horse (two per horse on the odds and share place grids), 36 bracket pairs or 153
// quinella pairs after the time and vote-total columns. 0 for other grids.
int timeSeriesColumnCount(GridId id, int runners);

// Labels of the pair numbering, " 1- 2" (bracket pair 1..36, quinella pair 1..153).
struct PairLabels {
    std::function<std::string(int)> bracket;
    std::function<std::string(int)> quinella;
};

// What a race open does to a time-series grid's columns: sets the column count for the
// race and writes the headers of columns 2.. (" 7(単)", " 7(低)", " 1- 2(枠)" …). Columns
// the grid grows into take its default width. Does nothing for other grids.
void layOutTimeSeriesColumns(GridId id, TextGrid& grid, int runners, const PairLabels& labels);

} // namespace tidemark::presentation
