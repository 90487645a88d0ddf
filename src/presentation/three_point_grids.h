#pragma once
// The per-horse rows a race opening writes: the identity columns (bracket, number, name,
// sex and age, weight carried, jockey) of every per-horse grid, the trainer and the
// hidden mining columns of the race card, and the columns of the four "３系列オッズ表"
// grids from the three-point table. Cells hold the texts exactly as shown, because
// sorting, colouring and the clipboard read them back.

#include <array>
#include <string>

#include "analysis/day_table.h"
#include "analysis/three_point_table.h"
#include "presentation/grid_layouts.h"

namespace tidemark {
class MainPanelModel;
}

namespace tidemark::presentation {

// The ten grids with one row per horse, hidden together while a race is rebuilt.
inline constexpr std::array<GridId, 10> kPerHorseGrids{GridId::StringGrid2,  GridId::StringGrid26,
    GridId::StringGrid8, GridId::StringGrid9, GridId::StringGrid10, GridId::StringGrid11, GridId::StringGrid27,
    GridId::StringGrid28, GridId::StringGrid29, GridId::StringGrid30};

// The three-point grids and the figure each one shows.
struct ThreePointGrid {
    GridId grid;
    analysis::ThreePointTable::Group group;
};
inline constexpr std::array<ThreePointGrid, 4> kThreePointGrids{{
    {GridId::StringGrid26, analysis::ThreePointTable::Group::Win},
    {GridId::StringGrid8, analysis::ThreePointTable::Group::PlaceLow},
    {GridId::StringGrid9, analysis::ThreePointTable::Group::PlaceHigh},
    {GridId::StringGrid10, analysis::ThreePointTable::Group::Pseudo},
}};

// Columns of the three-point grids.
inline constexpr int kFirstPointCol = 6;  // odds, share, popularity of point 1; then 9 and 12
inline constexpr int kMinOrderCol = 15;   // "Min順": the largest popularity number reached
inline constexpr int kMaxOrderCol = 16;   // "Max順": the smallest popularity number reached
inline constexpr int kRangeCol = 17;      // "変動"
inline constexpr int kFinishCol = 18;     // "着", "人", "確ｵｯｽﾞ": 18, 19, 20
inline constexpr int kResultCols = 3;

// The identity texts of horse `horse` in columns 0-5: bracket ("5"), number (" 5"), the
// 36-byte name as stored, sex + age ("牡 4"), weight carried (" 5.5"; on ばんえい tracks
// the hexadecimal weight in kilograms, " 720") and the 8-byte jockey.
std::array<std::string, 6> identityTexts(const analysis::RaceSlot& slot, int horse);

// The text of one three-point or result cell.
std::string threePointOddsText(double odds);    // "%5.1f"
std::string threePointShareText(double share);  // "%5.1f"
std::string popularityText(int popularity);     // "%2d"
std::string fullWidthBlank();                   // "　": a cell with no value

// Makes every per-horse grid one empty data row (and clears the race card's data rows),
// as a race opening does before it rebuilds them.
void emptyPerHorseGrids(GridSet& grids);

// Hides or shows the per-horse grids together.
void setPerHorseGridsVisible(GridSet& grids, bool visible);

// Sets the ten per-horse grids to runnerCount + 1 rows and writes, for horses
// 1..runnerCount, the identity columns of every grid, the trainer and mining columns of
// StringGrid2, columns 6-20 of the four three-point grids, and the result columns 18-20
// of StringGrid10 into StringGrid27-30. Other cells are left as they are.
void writePerHorseRows(GridSet& grids, const analysis::RaceSlot& slot, const analysis::ThreePointTable& table);

// The race opening's two steps through the main panel: the three-point computation from
// the chosen time points of the open race, then the per-horse rows. Nothing happens when
// no race is open.
void runThreePointAnalysis(MainPanelModel& panel);
void writePerHorseRows(const MainPanelModel& panel, GridSet& grids);

} // namespace tidemark::presentation
