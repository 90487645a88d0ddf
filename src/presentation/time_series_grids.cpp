#include "presentation/time_series_grids.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "presentation/main_panel_model.h"
#include "records/pair_index.h"
#include "text/cp932.h"
#include "text/number_format.h"

namespace tidemark::presentation {

using analysis::SeriesOdds;
using analysis::SeriesPopularity;

namespace {

constexpr int kWinWidth = 5;      // "%5.1f" win odds and shares
constexpr int kPlaceWidth = 4;    // "%4.1f" place odds and shares
constexpr int kBracketWidth = 5;  // "%5.1f"
constexpr int kQuinellaWidth = 6; // "%6.1f"

// Holds back the notifications of several grids until the whole step is written.
class Batches {
public:
    void add(TextGrid& grid) { m_batches.push_back(std::make_unique<TextGrid::Batch>(grid)); }

private:
    std::vector<std::unique_ptr<TextGrid::Batch>> m_batches;
};

// Converted once: a long series writes these into thousands of cells.
const std::string& cancelledBeforeText()
{
    static const std::string t = text::sj("発売前取消");
    return t;
}
const std::string& cancelledAfterText()
{
    static const std::string t = text::sj("発売後取消");
    return t;
}
const std::string& noOrderText()
{
    static const std::string t = text::sj("　");
    return t;
}

std::string cancelText(SeriesOdds::Kind kind)
{
    switch (kind) {
    case SeriesOdds::Kind::CancelledBefore: return cancelledBeforeText();
    case SeriesOdds::Kind::CancelledAfter: return cancelledAfterText();
    case SeriesOdds::Kind::None:
    case SeriesOdds::Kind::Price: break;
    }
    return {};
}

// Odds are whole tenths, so "%W.1f" is their digits with a point before the last one;
// written without the general formatter, which dominates a long series otherwise.
std::string tenthsText(double odds, int width)
{
    const long long tenths = std::llround(odds * 10.0);
    std::string s = std::to_string(tenths / 10);
    s += '.';
    s += static_cast<char>('0' + tenths % 10);
    if (static_cast<int>(s.size()) < width)
        s.insert(0, static_cast<std::size_t>(width) - s.size(), ' ');
    return s;
}

void resetRows(TextGrid& grid, int rows)
{
    grid.clearRows(1);
    grid.setRowCount(rows);
}

int clampRunners(int runnerCount) { return std::clamp(runnerCount, 0, analysis::kMaxHorses); }

} // namespace

std::string seriesOddsText(const SeriesOdds& odds, int width)
{
    if (odds.kind == SeriesOdds::Kind::Price)
        return tenthsText(odds.odds, width);
    return cancelText(odds.kind);
}

std::string seriesShareText(const SeriesOdds& odds, int width)
{
    if (odds.kind == SeriesOdds::Kind::Price)
        return text::formatFixed(odds.share, width, 1);
    return cancelText(odds.kind);
}

std::string o1PopularityText(const SeriesPopularity& popularity)
{
    switch (popularity.kind) {
    case SeriesPopularity::Kind::NoOrder: return noOrderText();
    case SeriesPopularity::Kind::Unpriced: return {};
    case SeriesPopularity::Kind::Order: return text::formatInt(popularity.order, 2);
    }
    return {};
}

std::string quinellaPopularityText(const SeriesPopularity& popularity)
{
    switch (popularity.kind) {
    case SeriesPopularity::Kind::NoOrder:
    case SeriesPopularity::Kind::Unpriced: return {};
    case SeriesPopularity::Kind::Order: return text::formatInt(popularity.order, 3);
    }
    return {};
}

std::string voteTotalText(std::int64_t votes) { return text::formatGrouped(static_cast<double>(votes), 11, 0); }

void emptyTimeSeriesGrids(GridSet& grids)
{
    for (GridId id : kTimeSeriesGrids) {
        TextGrid& grid = grids[id];
        const TextGrid::Batch batch(grid);
        resetRows(grid, 2);
    }
}

void writeTimeSeriesHeaders(GridSet& grids, int runnerCount)
{
    const PairLabels labels{records::bracketPairLabel, records::quinellaPairLabel};
    for (GridId id : kTimeSeriesGrids)
        layOutTimeSeriesColumns(id, grids[id], clampRunners(runnerCount), labels);
}

void writeO1SeriesTables(GridSet& grids, const analysis::SnapshotList& o1Snapshots, int runnerCount)
{
    const int n = clampRunners(runnerCount);
    TextGrid& winOdds = grids[GridId::StringGrid4];
    TextGrid& placeOdds = grids[GridId::StringGrid5];
    TextGrid& bracketOdds = grids[GridId::StringGrid6];
    TextGrid& winPop = grids[GridId::StringGrid12];
    TextGrid& placePop = grids[GridId::StringGrid13];
    TextGrid& bracketPop = grids[GridId::StringGrid14];
    TextGrid& winShare = grids[GridId::StringGrid16];
    TextGrid& placeShare = grids[GridId::StringGrid17];
    TextGrid& bracketShare = grids[GridId::StringGrid18];
    const std::array<TextGrid*, 9> all{&winOdds, &placeOdds, &bracketOdds, &winPop, &placePop, &bracketPop,
        &winShare, &placeShare, &bracketShare};

    Batches batches;
    for (TextGrid* g : all)
        batches.add(*g);
    if (o1Snapshots.empty()) {
        for (TextGrid* g : all)
            resetRows(*g, 2);
        return;
    }
    const int rows = static_cast<int>(o1Snapshots.size()) + 1;
    for (TextGrid* g : all)
        resetRows(*g, rows);
    for (TextGrid* g : {&winOdds, &winPop, &placePop, &winShare})
        g->setColCount(n + 2);
    for (TextGrid* g : {&placeOdds, &placeShare})
        g->setColCount(2 * n + 2);

    for (int r = 1; r < rows; ++r) {
        const analysis::O1SeriesRow row =
            analysis::readO1SeriesRow(o1Snapshots[static_cast<std::size_t>(r - 1)], n);
        for (TextGrid* g : all)
            g->setCell(r, 0, row.time);
        const std::string winVotes = voteTotalText(row.winVotes);
        const std::string placeVotes = voteTotalText(row.placeVotes);
        const std::string bracketVotes = voteTotalText(row.bracketVotes);
        for (TextGrid* g : {&winOdds, &winPop, &winShare})
            g->setCell(r, 1, winVotes);
        for (TextGrid* g : {&placeOdds, &placePop, &placeShare})
            g->setCell(r, 1, placeVotes);
        for (TextGrid* g : {&bracketOdds, &bracketPop, &bracketShare})
            g->setCell(r, 1, bracketVotes);

        for (int h = 1; h <= n; ++h) {
            const auto i = static_cast<std::size_t>(h);
            winOdds.setCell(r, h + 1, seriesOddsText(row.win[i], kWinWidth));
            winShare.setCell(r, h + 1, seriesShareText(row.win[i], kWinWidth));
            winPop.setCell(r, h + 1, o1PopularityText(row.winPopularity[i]));
            placeOdds.setCell(r, 2 * h, seriesOddsText(row.placeLow[i], kPlaceWidth));
            placeOdds.setCell(r, 2 * h + 1, seriesOddsText(row.placeHigh[i], kPlaceWidth));
            placeShare.setCell(r, 2 * h, seriesShareText(row.placeLow[i], kPlaceWidth));
            placeShare.setCell(r, 2 * h + 1, seriesShareText(row.placeHigh[i], kPlaceWidth));
            placePop.setCell(r, h + 1, o1PopularityText(row.placePopularity[i]));
        }
        for (int k = 1; k <= analysis::kBracketPairs; ++k) {
            const auto i = static_cast<std::size_t>(k);
            bracketOdds.setCell(r, k + 1, seriesOddsText(row.bracket[i], kBracketWidth));
            bracketShare.setCell(r, k + 1, seriesShareText(row.bracket[i], kBracketWidth));
            bracketPop.setCell(r, k + 1, o1PopularityText(row.bracketPopularity[i]));
        }
    }
}

void writeO2SeriesTables(GridSet& grids, const analysis::SnapshotList& o2Snapshots)
{
    TextGrid& odds = grids[GridId::StringGrid7];
    TextGrid& pop = grids[GridId::StringGrid15];
    TextGrid& share = grids[GridId::StringGrid19];
    const std::array<TextGrid*, 3> all{&odds, &pop, &share};

    Batches batches;
    for (TextGrid* g : all)
        batches.add(*g);
    const int rows = o2Snapshots.empty() ? 2 : static_cast<int>(o2Snapshots.size()) + 1;
    for (TextGrid* g : all)
        resetRows(*g, rows);
    if (o2Snapshots.empty())
        return;

    for (int r = 1; r < rows; ++r) {
        const analysis::O2SeriesRow row = analysis::readO2SeriesRow(o2Snapshots[static_cast<std::size_t>(r - 1)]);
        const std::string votes = voteTotalText(row.quinellaVotes);
        for (TextGrid* g : all) {
            g->setCell(r, 0, row.time);
            g->setCell(r, 1, votes);
        }
        for (int k = 1; k <= analysis::kQuinellaPairs; ++k) {
            const auto i = static_cast<std::size_t>(k);
            odds.setCell(r, k + 1, seriesOddsText(row.quinella[i], kQuinellaWidth));
            share.setCell(r, k + 1, seriesShareText(row.quinella[i], kQuinellaWidth));
            pop.setCell(r, k + 1, quinellaPopularityText(row.quinellaPopularity[i]));
        }
    }
}

void writeRatioTables(TextGrid& winOverPlace, TextGrid& placeOverWin,
                      const analysis::PerHorse<analysis::HorseRatioMoments>& moments, int runnerCount)
{
    const int n = clampRunners(runnerCount);
    const auto write = [n, &moments](TextGrid& grid, bool win) {
        const TextGrid::Batch batch(grid);
        if (grid.rowCount() < n + 1)
            grid.setRowCount(n + 1);
        for (int h = 1; h <= n; ++h) {
            const analysis::HorseRatioMoments& horse = moments[static_cast<std::size_t>(h)];
            const std::vector<analysis::RatioMoment>& list = win ? horse.winOverPlace : horse.placeOverWin;
            for (int m = 0; m < analysis::kRatioMomentsShown; ++m) {
                const int col = kFirstRatioCol + m * kRatioColsPerMoment;
                if (m < static_cast<int>(list.size())) {
                    const analysis::RatioMoment& moment = list[static_cast<std::size_t>(m)];
                    grid.setCell(h, col, std::string(moment.timeText()));
                    grid.setCell(h, col + 1, std::string(moment.numeratorOddsText()));
                    grid.setCell(h, col + 2, std::string(moment.denominatorOddsText()));
                    grid.setCell(h, col + 3, std::string(moment.ratioText()));
                } else {
                    for (int c = col; c < col + kRatioColsPerMoment; ++c)
                        grid.setCell(h, c, std::string());
                }
            }
        }
    };
    write(winOverPlace, true);
    write(placeOverWin, false);
}

void writeTimeSeriesTables(GridSet& grids, const analysis::SnapshotSeries& series, int runnerCount)
{
    writeO1SeriesTables(grids, series.o1Snapshots, runnerCount);
    writeO2SeriesTables(grids, series.o2Snapshots);
    writeRatioTables(grids[GridId::StringGrid27], grids[GridId::StringGrid28],
                     analysis::searchWinPlaceRatios(series.o1Snapshots, runnerCount), runnerCount);
}

void writeTimeSeriesHeaders(const MainPanelModel& panel, GridSet& grids)
{
    if (const analysis::RaceSlot* slot = panel.currentSlot())
        writeTimeSeriesHeaders(grids, slot->record.runnerCount);
}

void runTimeSeriesTables(const MainPanelModel& panel, GridSet& grids, ChartSelections& charts,
                         const ChartRedraw& redraw)
{
    const analysis::RaceSlot* slot = panel.currentSlot();
    if (!slot)
        return;
    writeTimeSeriesTables(grids, panel.series(), slot->record.runnerCount);
    resetChartSelections(charts, slot->record.runnerCount, redraw);
}

} // namespace tidemark::presentation
