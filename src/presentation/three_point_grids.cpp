#include "presentation/three_point_grids.h"

#include <algorithm>

#include "analysis/three_point_analysis.h"
#include "presentation/cell_rendering.h"
#include "presentation/main_panel_model.h"
#include "records/keiba_func_nv.h"
#include "records/record_view.h"
#include "text/cp932.h"
#include "text/number_format.h"

namespace tidemark::presentation {

namespace {

using analysis::ThreePointTable;

// Race-card columns beyond the identity columns.
constexpr int kTrainerCol = 6;
constexpr int kMiningTimeCol = 13; // "ﾀｲﾑ型": always empty
constexpr int kMiningLastCol = 16; // 14-16: always "　"

std::string resultIntText(int value) { return value > 0 ? popularityText(value) : fullWidthBlank(); }

std::string finalOddsText(double odds) { return odds > 0.0 ? text::formatFixed(odds, 6, 1) : fullWidthBlank(); }

void writeIdentity(TextGrid& grid, int row, const std::array<std::string, 6>& identity)
{
    for (int c = 0; c < static_cast<int>(identity.size()); ++c)
        grid.setCell(row, c, identity[static_cast<std::size_t>(c)]);
}

void writeThreePointRow(TextGrid& grid, int horse, const std::array<ThreePointTable::Values, analysis::kTimePoints>& values,
                        const ThreePointTable::PopSummary& summary, const analysis::RaceRecord& record)
{
    const auto h = static_cast<std::size_t>(horse);
    for (int t = 0; t < analysis::kTimePoints; ++t) {
        const ThreePointTable::Values& v = values[static_cast<std::size_t>(t)];
        const int col = kFirstPointCol + 3 * t;
        if (v.popularity[h] >= 1) {
            grid.setCell(horse, col, threePointOddsText(v.odds[h]));
            grid.setCell(horse, col + 1, threePointShareText(v.share[h]));
            grid.setCell(horse, col + 2, popularityText(v.popularity[h]));
        } else {
            grid.setCell(horse, col, std::string());
            grid.setCell(horse, col + 1, std::string());
            grid.setCell(horse, col + 2, fullWidthBlank());
        }
    }
    grid.setCell(horse, kMinOrderCol, summary.popMax[h] >= 1 ? popularityText(summary.popMax[h]) : fullWidthBlank());
    grid.setCell(horse, kMaxOrderCol,
                 summary.popMin[h] < analysis::kNoPopDiff ? popularityText(summary.popMin[h]) : fullWidthBlank());
    grid.setCell(horse, kRangeCol,
                 summary.popRange[h] < analysis::kNoPopDiff ? popularityText(summary.popRange[h]) : fullWidthBlank());
    grid.setCell(horse, kFinishCol, resultIntText(record.finishPosition[h]));
    grid.setCell(horse, kFinishCol + 1, resultIntText(record.finalPopularity[h]));
    grid.setCell(horse, kFinishCol + 2, finalOddsText(record.finalWinOdds[h]));
}

} // namespace

std::string threePointOddsText(double odds) { return text::formatFixed(odds, 5, 1); }
std::string threePointShareText(double share) { return text::formatFixed(share, 5, 1); }
std::string popularityText(int popularity) { return text::formatInt(popularity, 2); }

std::string fullWidthBlank()
{
    static const std::string blank = text::sj("　");
    return blank;
}

std::array<std::string, 6> identityTexts(const analysis::RaceSlot& slot, int horse)
{
    const analysis::RaceRecord& record = slot.record;
    std::array<std::string, 6> texts;
    if (horse < 1 || horse > analysis::kMaxHorses)
        return texts;
    const records::SeView se(slot.seRecords[static_cast<std::size_t>(horse)]);
    const bool banei = records::RaView(slot.raRecord).isBanei();

    texts[0] = std::to_string(KeibaFuncNV::BracketOfHorse(record.runnerCount, horse));
    texts[1] = text::formatInt(horse, 2);
    texts[2] = std::string(se.horseName());
    const int age = se.age();
    texts[3] = KeibaFuncNV::SexText(se.sexCode()) + (age != 0 ? text::formatInt(age, 2) : std::string(2, ' '));
    texts[4] = weightCellText(slot.seRecords[static_cast<std::size_t>(horse)], banei);
    texts[5] = std::string(se.jockey());
    return texts;
}

void emptyPerHorseGrids(GridSet& grids)
{
    for (const GridId id : kPerHorseGrids) {
        TextGrid& grid = grids[id];
        const TextGrid::Batch batch(grid);
        grid.clearRows(1);
        if (id != GridId::StringGrid2)
            grid.setRowCount(2);
    }
}

void setPerHorseGridsVisible(GridSet& grids, bool visible)
{
    for (const GridId id : kPerHorseGrids)
        grids[id].setVisible(visible);
}

void writePerHorseRows(GridSet& grids, const analysis::RaceSlot& slot, const ThreePointTable& table)
{
    const analysis::RaceRecord& record = slot.record;
    const int runners = std::clamp(record.runnerCount, 0, analysis::kMaxHorses);

    std::array<std::array<std::string, 6>, analysis::kMaxHorses + 1> identity;
    for (int h = 1; h <= runners; ++h)
        identity[static_cast<std::size_t>(h)] = identityTexts(slot, h);

    for (const GridId id : kPerHorseGrids) {
        TextGrid& grid = grids[id];
        const TextGrid::Batch batch(grid);
        grid.setRowCount(runners + 1);
        for (int h = 1; h <= runners; ++h)
            writeIdentity(grid, h, identity[static_cast<std::size_t>(h)]);
    }

    TextGrid& card = grids[GridId::StringGrid2];
    {
        const TextGrid::Batch batch(card);
        for (int h = 1; h <= runners; ++h) {
            const records::SeView se(slot.seRecords[static_cast<std::size_t>(h)]);
            card.setCell(h, kTrainerCol, std::string(se.trainer()));
            // This system keeps no mining figures: the hidden columns stay as the program
            // leaves them when it has none.
            card.setCell(h, kMiningTimeCol, std::string());
            for (int c = kMiningTimeCol + 1; c <= kMiningLastCol; ++c)
                card.setCell(h, c, fullWidthBlank());
        }
    }

    for (const ThreePointGrid& tp : kThreePointGrids) {
        TextGrid& grid = grids[tp.grid];
        const TextGrid::Batch batch(grid);
        for (int h = 1; h <= runners; ++h)
            writeThreePointRow(grid, h, table.values(tp.group), table.summary(tp.group), record);
    }

    const TextGrid& pseudo = grids[GridId::StringGrid10];
    for (const GridId id : {GridId::StringGrid27, GridId::StringGrid28, GridId::StringGrid29, GridId::StringGrid30}) {
        TextGrid& grid = grids[id];
        const TextGrid::Batch batch(grid);
        for (int h = 1; h <= runners; ++h)
            for (int c = kFinishCol; c < kFinishCol + kResultCols; ++c)
                grid.setCell(h, c, pseudo.cell(h, c));
    }
}

void runThreePointAnalysis(MainPanelModel& panel)
{
    const analysis::RaceSlot* slot = panel.currentSlot();
    if (!slot)
        return;
    analysis::computeThreePoints(panel.threePoints(), panel.series().chosenO1, panel.series().chosenO2,
                                 slot->record.runnerCount);
}

void writePerHorseRows(const MainPanelModel& panel, GridSet& grids)
{
    const analysis::RaceSlot* slot = panel.currentSlot();
    if (!slot)
        return;
    writePerHorseRows(grids, *slot, panel.threePoints());
}

} // namespace tidemark::presentation
