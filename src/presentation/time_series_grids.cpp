#include "presentation/time_series_grids.h"

#include <algorithm>
#include <array>
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

// Room for any cell text of the series grids.
using CellBuffer = std::array<char, 32>;

// Odds are whole tenths, so "%W.1f" is their digits with a point before the last one;
// written without the general formatter, which dominates a long series otherwise.
std::string_view tenthsText(CellBuffer& buf, double odds, int width)
{
    // Priced odds are tenths / 10 and above 0: adding a half and cutting rounds them back.
    unsigned long long tenths = static_cast<unsigned long long>(odds * 10.0 + 0.5);
    char digits[24];
    std::size_t n = 0;
    do {
        digits[n++] = static_cast<char>('0' + tenths % 10);
        tenths /= 10;
    } while (tenths > 0 || n < 2);
    const std::size_t length = n + 1;
    std::size_t at = 0;
    for (std::size_t pad = length; pad < static_cast<std::size_t>(width); ++pad)
        buf[at++] = ' ';
    while (n > 1)
        buf[at++] = digits[--n];
    buf[at++] = '.';
    buf[at++] = digits[0];
    return {buf.data(), at};
}

std::string_view cancelView(SeriesOdds::Kind kind)
{
    switch (kind) {
    case SeriesOdds::Kind::CancelledBefore: return cancelledBeforeText();
    case SeriesOdds::Kind::CancelledAfter: return cancelledAfterText();
    case SeriesOdds::Kind::None:
    case SeriesOdds::Kind::Price: break;
    }
    return {};
}

std::string_view oddsView(CellBuffer& buf, const SeriesOdds& odds, int width)
{
    if (odds.kind == SeriesOdds::Kind::Price)
        return tenthsText(buf, odds.odds, width);
    return cancelView(odds.kind);
}

std::string_view shareView(CellBuffer& buf, const SeriesOdds& odds, int width)
{
    if (odds.kind == SeriesOdds::Kind::Price)
        return {buf.data(), text::formatFixedTo(buf.data(), buf.size(), odds.share, width, 1)};
    return cancelView(odds.kind);
}

// "%Wd" of a popularity order (within -999..999).
std::string_view orderView(CellBuffer& buf, int order, int width)
{
    char digits[8];
    std::size_t n = 0;
    unsigned value = static_cast<unsigned>(order < 0 ? -order : order);
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0);
    const std::size_t length = n + (order < 0 ? 1 : 0);
    std::size_t at = 0;
    for (std::size_t pad = length; pad < static_cast<std::size_t>(width); ++pad)
        buf[at++] = ' ';
    if (order < 0)
        buf[at++] = '-';
    while (n > 0)
        buf[at++] = digits[--n];
    return {buf.data(), at};
}

std::string_view o1PopularityView(CellBuffer& buf, const SeriesPopularity& popularity)
{
    switch (popularity.kind) {
    case SeriesPopularity::Kind::NoOrder: return noOrderText();
    case SeriesPopularity::Kind::Unpriced: return {};
    case SeriesPopularity::Kind::Order: return orderView(buf, popularity.order, 2);
    }
    return {};
}

std::string_view quinellaPopularityView(CellBuffer& buf, const SeriesPopularity& popularity)
{
    if (popularity.kind == SeriesPopularity::Kind::Order)
        return orderView(buf, popularity.order, 3);
    return {};
}

// Rows 1.. empty and `rows` rows; only the rows that stay are emptied.
void resetRows(TextGrid& grid, int rows)
{
    if (rows < grid.rowCount()) {
        grid.setRowCount(rows);
        grid.clearRows(1);
    } else {
        grid.clearRows(1);
        grid.setRowCount(rows);
    }
}

int clampRunners(int runnerCount) { return std::clamp(runnerCount, 0, analysis::kMaxHorses); }

} // namespace

std::string seriesOddsText(const SeriesOdds& odds, int width)
{
    CellBuffer buf;
    return std::string(oddsView(buf, odds, width));
}

std::string seriesShareText(const SeriesOdds& odds, int width)
{
    CellBuffer buf;
    return std::string(shareView(buf, odds, width));
}

std::string o1PopularityText(const SeriesPopularity& popularity)
{
    CellBuffer buf;
    return std::string(o1PopularityView(buf, popularity));
}

std::string quinellaPopularityText(const SeriesPopularity& popularity)
{
    CellBuffer buf;
    return std::string(quinellaPopularityView(buf, popularity));
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

    CellBuffer buf;
    analysis::O1SeriesRow row;
    for (int r = 1; r < rows; ++r) {
        analysis::readO1SeriesRow(row, o1Snapshots[static_cast<std::size_t>(r - 1)], n);
        for (TextGrid* g : all)
            g->writeCell(r, 0, row.time);
        const std::string winVotes = voteTotalText(row.winVotes);
        const std::string placeVotes = voteTotalText(row.placeVotes);
        const std::string bracketVotes = voteTotalText(row.bracketVotes);
        for (TextGrid* g : {&winOdds, &winPop, &winShare})
            g->writeCell(r, 1, winVotes);
        for (TextGrid* g : {&placeOdds, &placePop, &placeShare})
            g->writeCell(r, 1, placeVotes);
        for (TextGrid* g : {&bracketOdds, &bracketPop, &bracketShare})
            g->writeCell(r, 1, bracketVotes);

        for (int h = 1; h <= n; ++h) {
            const auto i = static_cast<std::size_t>(h);
            winOdds.writeCell(r, h + 1, oddsView(buf, row.win[i], kWinWidth));
            winShare.writeCell(r, h + 1, shareView(buf, row.win[i], kWinWidth));
            winPop.writeCell(r, h + 1, o1PopularityView(buf, row.winPopularity[i]));
            placeOdds.writeCell(r, 2 * h, oddsView(buf, row.placeLow[i], kPlaceWidth));
            placeOdds.writeCell(r, 2 * h + 1, oddsView(buf, row.placeHigh[i], kPlaceWidth));
            placeShare.writeCell(r, 2 * h, shareView(buf, row.placeLow[i], kPlaceWidth));
            placeShare.writeCell(r, 2 * h + 1, shareView(buf, row.placeHigh[i], kPlaceWidth));
            placePop.writeCell(r, h + 1, o1PopularityView(buf, row.placePopularity[i]));
        }
        for (int k = 1; k <= analysis::kBracketPairs; ++k) {
            const auto i = static_cast<std::size_t>(k);
            bracketOdds.writeCell(r, k + 1, oddsView(buf, row.bracket[i], kBracketWidth));
            bracketShare.writeCell(r, k + 1, shareView(buf, row.bracket[i], kBracketWidth));
            bracketPop.writeCell(r, k + 1, o1PopularityView(buf, row.bracketPopularity[i]));
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

    CellBuffer buf;
    analysis::O2SeriesRow row;
    for (int r = 1; r < rows; ++r) {
        analysis::readO2SeriesRow(row, o2Snapshots[static_cast<std::size_t>(r - 1)]);
        const std::string votes = voteTotalText(row.quinellaVotes);
        for (TextGrid* g : all) {
            g->writeCell(r, 0, row.time);
            g->writeCell(r, 1, votes);
        }
        for (int k = 1; k <= analysis::kQuinellaPairs; ++k) {
            const auto i = static_cast<std::size_t>(k);
            odds.writeCell(r, k + 1, oddsView(buf, row.quinella[i], kQuinellaWidth));
            share.writeCell(r, k + 1, shareView(buf, row.quinella[i], kQuinellaWidth));
            pop.writeCell(r, k + 1, quinellaPopularityView(buf, row.quinellaPopularity[i]));
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
