#include "presentation/selected_moment_grids.h"

#include <algorithm>

#include "analysis/odds_values.h"
#include "analysis/selected_snapshot.h"
#include "presentation/main_panel_model.h"
#include "presentation/three_point_grids.h"
#include "records/pair_index.h"
#include "records/record_view.h"
#include "text/cp932.h"
#include "text/number_format.h"

namespace tidemark::presentation {

namespace {

using analysis::RaceRecord;
using analysis::RaceSlot;

const std::string kHalfBlank = " ";

int runnersOf(const RaceRecord& r) { return std::clamp(r.runnerCount, 0, analysis::kMaxHorses); }

std::string odds61(double v) { return text::formatFixed(v, 6, 1); }

// An odds cell and the share beside it: both one half-width blank without a price.
std::string priceText(double odds) { return odds > 0.0 ? odds61(odds) : kHalfBlank; }
std::string orderText(int order) { return order >= 1 ? popularityText(order) : fullWidthBlank(); }
std::string resultText(int value) { return value > 0 ? popularityText(value) : fullWidthBlank(); }

// "hhmm" as "hh時mm分".
std::string hourMinuteJapanese(std::string_view hhmm)
{
    return std::string(text::bytesAt(hhmm, 1, 2)) + text::sj("時") + std::string(text::bytesAt(hhmm, 3, 2)) +
           text::sj("分");
}

std::string browseText(double v)
{
    if (v == analysis::kOddsCancelled)
        return text::sj("取消");
    if (v == analysis::kOddsBlank || v == 0.0)
        return std::string();
    return odds61(v);
}

std::string voteTotal(std::string_view record, std::size_t pos)
{
    const std::string_view field = text::bytesAt(record, pos, 11);
    if (text::trim(field).empty())
        return std::string();
    return text::formatGrouped(static_cast<double>(text::readInt(field)), 11, 0);
}

std::string pairText(int a, int b) { return text::formatInt(a, 2) + "-" + text::formatInt(b, 2); }

// "%2d" n + "　" + horse "%2d" + "番　" + odds "%5.1f".
std::vector<std::string> horseList(const std::vector<analysis::RankedOdds>& order)
{
    std::vector<std::string> items;
    int n = 0;
    for (const analysis::RankedOdds& e : order)
        items.push_back(text::formatInt(++n, 2) + fullWidthBlank() + text::formatInt(e.number, 2) + text::sj("番　") +
                        text::formatFixed(e.odds, 5, 1));
    return items;
}

// "%2d" n + "　" + pair label + "　" + odds.
std::vector<std::string> pairList(const std::vector<analysis::RankedOdds>& order, bool quinella)
{
    std::vector<std::string> items;
    int n = 0;
    for (const analysis::RankedOdds& e : order) {
        const std::string label =
            quinella ? records::quinellaPairLabel(e.number) : records::bracketPairLabel(e.number);
        items.push_back(text::formatInt(++n, 2) + fullWidthBlank() + label + fullWidthBlank() +
                        text::formatFixed(e.odds, quinella ? 7 : 6, 1));
    }
    return items;
}

// The row of horse `horse` by its number in column 1, or row `horse` when none holds it.
int rowOfHorse(const TextGrid& grid, int horse)
{
    for (int r = 1; r < grid.rowCount(); ++r)
        if (text::readInt(grid.cell(r, 1)) == horse)
            return r;
    return horse;
}

void writeExtremes(TextGrid& grid, int row, const analysis::OddsExtremes& e, double current)
{
    const std::string highest = text::formatFixed(e.highest, 5, 1);
    const std::string lowest = text::formatFixed(e.lowest, 5, 1);
    const std::string now = text::formatFixed(current, 5, 1);
    grid.setCell(row, 6, e.highestTime);
    grid.setCell(row, 7, highest);
    grid.setCell(row, 8, now);
    grid.setCell(row, 9, text::formatFixed(e.highest / current, 5, 2));
    grid.setCell(row, 10, e.lowestTime);
    grid.setCell(row, 11, lowest);
    grid.setCell(row, 12, now);
    grid.setCell(row, 13, text::formatFixed(e.lowest / current, 5, 2));
    grid.setCell(row, 14, highest);
    grid.setCell(row, 15, lowest);
    grid.setCell(row, 16, text::formatFixed(e.highest / e.lowest, 5, 2));
    grid.setCell(row, 17, text::formatFixed(e.highest - e.lowest, 5, 1));
}

// Columns 1-5 of one horse of a gap row: bracket, number, name, odds, finishing position.
void writeGapHorse(TextGrid& grid, int row, int firstCol, const RaceSlot& slot, const analysis::RankedOdds& horse)
{
    const records::SeView se(slot.seRecords[static_cast<std::size_t>(std::clamp(horse.number, 0, analysis::kMaxHorses))]);
    const int bracket = se.bracket();
    const int finish = se.finishPosition();
    grid.setCell(row, firstCol, bracket != 0 ? text::formatInt(bracket, 1) : kHalfBlank);
    grid.setCell(row, firstCol + 1, text::formatInt(se.horseNumber(), 2));
    grid.setCell(row, firstCol + 2, std::string(text::bytesAt(se.horseName(), 1, 18)));
    grid.setCell(row, firstCol + 3, odds61(horse.odds));
    grid.setCell(row, firstCol + 4, finish != 0 ? text::formatInt(finish, 2) : std::string(2, ' '));
}

constexpr std::array<GridId, 4> kGapGrids{GridId::StringGrid20, GridId::StringGrid21, GridId::StringGrid22,
                                          GridId::StringGrid23};

} // namespace

DiffRatioMode diffRatioModeOf(int itemIndex) { return itemIndex == 1 ? DiffRatioMode::Ratios : DiffRatioMode::Differences; }

void OddsBrowseLabels::clear()
{
    for (auto* a : {&win, &placeLow, &placeHigh})
        for (std::string& s : *a)
            s.clear();
    for (std::string& s : bracket)
        s.clear();
    for (std::string& s : quinella)
        s.clear();
}

std::string listTimeLabel(const std::string& timeText)
{
    return std::string(text::bytesAt(timeText, 7, 2)) + text::sj("時") + std::string(text::bytesAt(timeText, 10, 2)) +
           text::sj("分");
}

// --- rows of the race card and the ticket-type comparison ------------------------------

void writeRaceCardRows(TextGrid& grid, const RaceSlot& slot)
{
    const RaceRecord& r = slot.record;
    const TextGrid::Batch batch(grid);
    for (int h = 1; h <= runnersOf(r); ++h) {
        const auto i = static_cast<std::size_t>(h);
        const std::array<std::string, 6> identity = identityTexts(slot, h);
        for (int c = 0; c < 6; ++c)
            grid.setCell(h, c, identity[static_cast<std::size_t>(c)]);
        grid.setCell(h, 6, std::string(records::SeView(slot.seRecords[i]).trainer()));
        grid.setCell(h, 7, priceText(r.winOdds[i]));
        grid.setCell(h, 8, orderText(r.winPopularity[i]));
        grid.setCell(h, 9, priceText(r.placeLowOdds[i]));
        grid.setCell(h, 10, orderText(r.placeLowPopularity[i]));
        grid.setCell(h, 11, priceText(r.placeHighOdds[i]));
        grid.setCell(h, 12, orderText(r.placeHighPopularity[i]));
        // The mining figures this system does not hold.
        grid.setCell(h, 13, std::string());
        for (int c = 14; c <= 16; ++c)
            grid.setCell(h, c, fullWidthBlank());
        grid.setCell(h, 17, resultText(r.finishPosition[i]));
        grid.setCell(h, 18, resultText(r.finalPopularity[i]));
        grid.setCell(h, 19, r.finalWinOdds[i] > 0.0 ? odds61(r.finalWinOdds[i]) : fullWidthBlank());
    }
}

void writeTicketTypeRows(TextGrid& grid, const RaceSlot& slot, DiffRatioMode mode)
{
    const RaceRecord& r = slot.record;
    const TextGrid::Batch batch(grid);
    for (int h = 1; h <= runnersOf(r); ++h) {
        const auto i = static_cast<std::size_t>(h);
        const std::array<std::string, 6> identity = identityTexts(slot, h);
        for (int c = 0; c < 6; ++c)
            grid.setCell(h, c, identity[static_cast<std::size_t>(c)]);
        const auto pair = [&](int col, double odds, double share, int order) {
            grid.setCell(h, col, priceText(odds));
            grid.setCell(h, col + 1, odds > 0.0 ? odds61(share) : kHalfBlank);
            grid.setCell(h, col + 2, orderText(order));
        };
        pair(6, r.winOdds[i], analysis::winShare(r.winOdds[i]), r.winPopularity[i]);
        pair(9, r.placeLowOdds[i], analysis::placeShare(r.placeLowOdds[i]), r.placeLowPopularity[i]);
        pair(12, r.placeHighOdds[i], analysis::placeShare(r.placeHighOdds[i]), r.placeHighPopularity[i]);
        pair(15, r.pseudoQuinellaOdds[i], r.pseudoQuinellaShare[i], r.pseudoQuinellaPopularity[i]);
        grid.setCell(h, 21, resultText(r.finishPosition[i]));
        grid.setCell(h, 22, resultText(r.finalPopularity[i]));
        grid.setCell(h, 23, priceText(r.finalWinOdds[i]));
    }
    writeTicketTypeDiffColumns(grid, r, mode, 2);
}

void writeTicketTypeDiffColumns(TextGrid& grid, const RaceRecord& r, DiffRatioMode mode, int ratioDecimals)
{
    const TextGrid::Batch batch(grid);
    const auto diff = [](int v) { return v > 19 ? kHalfBlank : popularityText(v); };
    const auto ratio = [ratioDecimals](double v) {
        return v >= analysis::kNoRatio ? kHalfBlank : text::formatFixed(v, 6, ratioDecimals);
    };
    switch (mode) {
    case DiffRatioMode::Differences:
        grid.setCell(0, 18, text::sj("単複差"));
        grid.setCell(0, 19, text::sj("単連差"));
        grid.setCell(0, 20, text::sj("連複差"));
        for (int h = 1; h <= runnersOf(r); ++h) {
            const auto i = static_cast<std::size_t>(h);
            const int row = rowOfHorse(grid, h);
            grid.setCell(row, 18, diff(r.popDiffWinPlace[i]));
            grid.setCell(row, 19, diff(r.popDiffWinPseudo[i]));
            grid.setCell(row, 20, diff(r.popDiffPseudoPlace[i]));
        }
        break;
    case DiffRatioMode::Ratios:
        grid.setCell(0, 18, text::sj("単複比"));
        grid.setCell(0, 19, text::sj("単連比"));
        grid.setCell(0, 20, text::sj("連複比"));
        for (int h = 1; h <= runnersOf(r); ++h) {
            const auto i = static_cast<std::size_t>(h);
            const int row = rowOfHorse(grid, h);
            grid.setCell(row, 18, ratio(r.ratioWinPlace[i]));
            grid.setCell(row, 19, ratio(r.ratioWinPseudo[i]));
            grid.setCell(row, 20, ratio(r.ratioPseudoPlace[i]));
        }
        break;
    }
}

// --- gap tables, advantage list, time difference --------------------------------------

void writeGapTable(TextGrid& grid, const RaceSlot& slot, const analysis::GapTable& table)
{
    if (table.priced == 0)
        return;
    const TextGrid::Batch batch(grid);
    grid.setRowCount(table.priced);
    for (const analysis::GapRow& row : table.rows) {
        const int n = row.position;
        grid.setCell(n, 0, text::formatInt(n, 2));
        writeGapHorse(grid, n, 1, slot, row.upper);
        grid.setCell(n, 6, ">");
        grid.setCell(n, 7, row.ratio() > 0.0 ? odds61(row.ratio()) : std::string());
        grid.setCell(n, 8, "<");
        grid.setCell(n, 9, text::formatInt(n + 1, 2));
        writeGapHorse(grid, n, 10, slot, row.lower);
    }
}

void writeAdvantageTable(TextGrid& grid, std::string& countLabel, const std::vector<analysis::BracketAdvantage>& rows)
{
    const TextGrid::Batch batch(grid);
    grid.setRowCount(static_cast<int>(rows.size()) + 1);
    int r = 0;
    for (const analysis::BracketAdvantage& a : rows) {
        ++r;
        grid.setCell(r, 0, pairText(a.bracketA, a.bracketB));
        grid.setCell(r, 1, text::formatFixed(a.bracketOdds, 8, 1));
        grid.setCell(r, 2, text::formatInt(a.bracketPopularity, 2));
        grid.setCell(r, 3, pairText(a.horseA, a.horseB));
        grid.setCell(r, 4, text::formatFixed(a.quinellaOdds, 8, 1));
        grid.setCell(r, 5, text::formatInt(a.quinellaPopularity, 2));
        grid.setCell(r, 6, text::formatFixed(a.difference(), 8, 1));
        grid.setCell(r, 7, text::formatFixed(a.ratio(), 8, 2));
    }
    countLabel = text::formatInt(static_cast<int>(rows.size()), 2) + text::sj("件");
}

void writeTimeDifferences(TextGrid& winGrid, TextGrid& placeGrid, const RaceRecord& r,
                          const analysis::TimeDifferences& d)
{
    const int runners = runnersOf(r);
    for (TextGrid* g : {&winGrid, &placeGrid}) {
        const TextGrid::Batch batch(*g);
        // A race opening analyses its last moment before it sizes the per-horse grids;
        // the rows must be there for the figures to stay.
        if (g->rowCount() < runners + 1)
            g->setRowCount(runners + 1);
        for (int row = 1; row <= runners; ++row)
            for (int c = 6; c <= 17; ++c)
                g->setCell(row, c, std::string());
    }
    const TextGrid::Batch winBatch(winGrid);
    const TextGrid::Batch placeBatch(placeGrid);
    for (int h = 1; h <= runners; ++h) {
        const auto i = static_cast<std::size_t>(h);
        if (d.win[i].counted)
            writeExtremes(winGrid, rowOfHorse(winGrid, h), d.win[i], r.winOdds[i]);
        if (d.place[i].counted)
            writeExtremes(placeGrid, rowOfHorse(placeGrid, h), d.place[i], r.placeLowOdds[i]);
    }
}

// --- the whole moment -----------------------------------------------------------------

void beginMomentSelection(GridSet& grids, SelectedMomentView& view, const std::string& timeText)
{
    grids[GridId::StringGrid2].setVisible(false);
    view.SelTimeLabel = timeText;
}

void fillSelectedMoment(GridSet& grids, SelectedMomentView& view, MainPanelLabels& panelLabels, const RaceSlot& slot,
                        const analysis::MomentAnalysis& m, const std::string& timeText,
                        const SelectedMomentOptions& options, const std::function<void()>& refreshMatrix)
{
    const RaceRecord& r = slot.record;
    const int runners = runnersOf(r);

    view.HensaLabel = m.deviation ? text::formatFixed(*m.deviation, 5, 2) : std::string();

    if (!r.o1Time.empty()) {
        panelLabels.CurJikokuLabel =
            std::string(text::bytesAt(r.o1Time, 1, 2)) + ":" + std::string(text::bytesAt(r.o1Time, 3, 2));
        view.Label60 = hourMinuteJapanese(r.o1Time);
    }
    if (!r.o2Time.empty())
        view.Label56 = hourMinuteJapanese(r.o2Time);

    view.browse.clear();
    for (int h = 1; h <= runners; ++h) {
        const auto i = static_cast<std::size_t>(h);
        view.browse.win[i] = browseText(r.winOdds[i]);
        view.browse.placeLow[i] = browseText(r.placeLowOdds[i]);
        view.browse.placeHigh[i] = browseText(r.placeHighOdds[i]);
    }
    for (int k = 1; k <= analysis::kBracketPairs; ++k)
        view.browse.bracket[static_cast<std::size_t>(k)] = browseText(r.bracketOdds[static_cast<std::size_t>(k)]);
    for (int k = 1; k <= analysis::kQuinellaPairs; ++k)
        view.browse.quinella[static_cast<std::size_t>(k)] = browseText(r.quinellaOdds[static_cast<std::size_t>(k)]);

    panelLabels.ThyokeiLabel = voteTotal(slot.o1Selected, 928);
    panelLabels.FhyokeiLabel = voteTotal(slot.o1Selected, 939);
    panelLabels.WhyokeiLabel = voteTotal(slot.o1Selected, 950);
    panelLabels.UhyokeiLabel = voteTotal(slot.o2Selected, 2030);

    const std::string listLabel = listTimeLabel(timeText);
    const auto fillList = [&](std::vector<std::string>& list, std::string& label, std::vector<std::string> items) {
        list = std::move(items);
        label = list.empty() ? std::string() : listLabel;
    };
    fillList(view.TanList4, view.Label105, horseList(m.lists.win));
    fillList(view.FLList4, view.Label107, horseList(m.lists.placeLow));
    fillList(view.FHList4, view.Label109, horseList(m.lists.placeHigh));
    fillList(view.wkList4, view.Label111, pairList(m.lists.bracket, false));
    fillList(view.umList4, view.Label129, pairList(m.lists.quinella, true));

    TextGrid& card = grids[GridId::StringGrid2];
    TextGrid& comparison = grids[GridId::StringGrid11];
    {
        const TextGrid::Batch cardBatch(card);
        const TextGrid::Batch comparisonBatch(comparison);
        for (GridId id : {GridId::StringGrid2, GridId::StringGrid11, GridId::StringGrid20, GridId::StringGrid21,
                          GridId::StringGrid22, GridId::StringGrid23}) {
            const TextGrid::Batch batch(grids[id]);
            grids[id].clearRows(1);
            grids[id].setRowCount(runners + 1);
        }
        writeRaceCardRows(card, slot);
        writeTicketTypeRows(comparison, slot, options.RadioGroup3);
    }
    for (analysis::GapFigure f : analysis::kGapFigures)
        writeGapTable(grids[kGapGrids[static_cast<std::size_t>(f)]], slot, m.gap(f));

    for (GridId id : {GridId::StringGrid2, GridId::StringGrid20, GridId::StringGrid11, GridId::StringGrid21,
                      GridId::StringGrid22, GridId::StringGrid23})
        grids[id].setVisible(true);

    if (refreshMatrix)
        refreshMatrix();

    TextGrid& advantage = grids[GridId::StringGrid25];
    {
        const TextGrid::Batch batch(advantage);
        advantage.clearRows(1);
        advantage.setRowCount(2);
        view.WKUMCTLabel.clear();
        writeAdvantageTable(advantage, view.WKUMCTLabel, m.advantages);
    }

    writeTimeDifferences(grids[GridId::StringGrid29], grids[GridId::StringGrid30], r, m.timeDifferences);
}

analysis::MomentAnalysis runSelectedMoment(MainPanelModel& panel, GridSet& grids, SelectedMomentView& view,
                                           const analysis::SelectedSnapshot& snapshot,
                                           const SelectedMomentOptions& options,
                                           const std::function<void()>& refreshMatrix)
{
    analysis::RaceSlot* slot = panel.currentSlot();
    if (!slot)
        return {};
    const std::string timeText = panel.TimeCombo().text();
    analysis::MomentAnalysis m =
        analysis::analyseSelectedMoment(*slot, snapshot.pricedHorses, options.stdDev, panel.series().o1Snapshots,
                                        analysis::momentKeyOfTimeText(timeText));
    fillSelectedMoment(grids, view, panel.labels(), *slot, m, timeText, options, refreshMatrix);
    panel.labelsUpdated();
    return m;
}

} // namespace tidemark::presentation
