#pragma once
// What a race opening writes into the time-series grids ("時系列ｵｯｽﾞ表", "時系列人気表",
// "時系列得票表": one row per snapshot, one column per horse or pair), into the win/place
// ratio tables ("単÷複" StringGrid27, "複÷単" StringGrid28, columns 6-17) and into the
// chart selections. Cells hold the texts exactly as shown, because sorting, colouring
// and the clipboard read them back.
//
// The main window runs the three steps of a race opening from its race-view steps:
//   raceViewsCleared   -> emptyTimeSeriesGrids(grids)
//   timeSeriesHeaders  -> writeTimeSeriesHeaders(panel, grids)
//   timeSeriesTables   -> runTimeSeriesTables(panel, grids, charts, redraw)
// A moment selection touches none of these grids.

#include <array>
#include <string>

#include "analysis/anomaly_search.h"
#include "analysis/snapshot_series.h"
#include "analysis/time_series_tables.h"
#include "presentation/chart_selections.h"
#include "presentation/grid_layouts.h"

namespace tidemark {
class MainPanelModel;
}

namespace tidemark::presentation {

// The twelve time-series grids; the first nine follow the O1 series, the last three the O2 series.
inline constexpr std::array<GridId, 12> kTimeSeriesGrids{GridId::StringGrid4, GridId::StringGrid5,
    GridId::StringGrid6, GridId::StringGrid12, GridId::StringGrid13, GridId::StringGrid14, GridId::StringGrid16,
    GridId::StringGrid17, GridId::StringGrid18, GridId::StringGrid7, GridId::StringGrid15, GridId::StringGrid19};

// Columns 6-17 of the ratio tables: time, first odds, second odds, ratio for the
// largest ratio, then the second and the third.
inline constexpr int kFirstRatioCol = 6;
inline constexpr int kRatioColsPerMoment = 4;

// --- cell texts -----------------------------------------------------------------------

// Odds or share of one field: "発売前取消", "発売後取消", the value "%W.1f", or empty.
std::string seriesOddsText(const analysis::SeriesOdds& odds, int width);
std::string seriesShareText(const analysis::SeriesOdds& odds, int width);
// Popularity of an O1 field: "%2d", empty beside odds that are not above 0, "　" for no order.
std::string o1PopularityText(const analysis::SeriesPopularity& popularity);
// Popularity of a quinella field: "%3d", or empty.
std::string quinellaPopularityText(const analysis::SeriesPopularity& popularity);
// The vote total "%11.0n": thousands separators, no decimals, width 11.
std::string voteTotalText(std::int64_t votes);

// --- steps of a race opening ----------------------------------------------------------

// Every time-series grid back to its header row and one empty data row.
void emptyTimeSeriesGrids(GridSet& grids);

// Header row of columns 2.. for a race of `runnerCount` horses: " 7(単)", " 7(低)",
// " 7(高)", " 7(複)", " 1- 2(枠)", " 1- 2(馬)"; the horse grids get the race's column count.
void writeTimeSeriesHeaders(GridSet& grids, int runnerCount);

// The nine O1 grids from the O1 series, row r = snapshot r - 1: row count snapshots + 1
// and, on the horse grids, the race's column count. An empty series leaves the header
// and one empty data row.
void writeO1SeriesTables(GridSet& grids, const analysis::SnapshotList& o1Snapshots, int runnerCount);
// The three quinella grids from the O2 series, all 153 pairs.
void writeO2SeriesTables(GridSet& grids, const analysis::SnapshotList& o2Snapshots);

// Columns 6-17 of rows 1..runnerCount of StringGrid27 ("単÷複") and StringGrid28 ("複÷単"),
// row h = horse h (a race opening writes them before any sort). Cells of a moment that
// does not exist are emptied. A grid with fewer rows grows to runnerCount + 1.
void writeRatioTables(TextGrid& winOverPlace, TextGrid& placeOverWin,
                      const analysis::PerHorse<analysis::HorseRatioMoments>& moments, int runnerCount);

// Everything of the tables step for one race: the O1 and O2 grids, the ratio search and
// its two tables.
void writeTimeSeriesTables(GridSet& grids, const analysis::SnapshotSeries& series, int runnerCount);

// The steps through the main panel, for its open race; nothing happens when no race is
// open. runTimeSeriesTables writes the tables, then rebuilds the chart selections and
// runs their handlers through `redraw`.
void writeTimeSeriesHeaders(const MainPanelModel& panel, GridSet& grids);
void runTimeSeriesTables(const MainPanelModel& panel, GridSet& grids, ChartSelections& charts,
                         const ChartRedraw& redraw = {});

} // namespace tidemark::presentation
