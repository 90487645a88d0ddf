// The race card (StringGrid2) paints every data cell from the race model of the horse
// whose number stands in column 1, so a sorted card still shows each horse's own
// figures; its header is a two-line caption. Also the RenderContext set-up.

#include "presentation/cell_rendering.h"

#include <charconv>
#include <cmath>

#include "presentation/text_grid.h"
#include "records/keiba_func_nv.h"
#include "records/record_view.h"
#include "results/payout_table.h"
#include "results/results_panel.h"
#include "text/cp932.h"
#include "text/number_format.h"

namespace tidemark::presentation {

namespace {

constexpr std::size_t kShownNameBytes = 18;
const std::string kHalfBlank = " ";

bool validHorse(int horse) { return horse >= 1 && horse <= analysis::kMaxHorses; }

std::string oddsText(double odds) { return odds > 0.0 ? text::formatFixed(odds, 6, 1) : kHalfBlank; }
std::string orderText(int order) { return order >= 1 ? text::formatInt(order, 2) : kHalfBlank; }


// The figure behind a coloured race card column: from the race record, or read back from
// the cell when no race is open.
int raceCardFigure(const RenderContext& context, const TextGrid& grid, int row, int col, int horse)
{
    if (!context.slot || !validHorse(horse))
        return cellInteger(grid.cell(row, col));
    const analysis::RaceRecord& r = context.slot->record;
    const auto h = static_cast<std::size_t>(horse);
    switch (col) {
    case 8: return r.winPopularity[h];
    case 10: return r.placeLowPopularity[h];
    case 12: return r.placeHighPopularity[h];
    case 17: return r.finishPosition[h];
    case 18: return r.finalPopularity[h];
    default: return 0;
    }
}

} // namespace

// --- RenderContext ----------------------------------------------------------------------

void RenderContext::setRace(const analysis::RaceSlot* raceSlot, const results::PayoutTable& payouts)
{
    slot = raceSlot;
    winningBracketPair.fill(false);
    winningQuinellaPair.fill(false);
    resultBracketPairs.fill(std::string());
    if (!raceSlot)
        return;
    for (int p : results::winningPairs(payouts, results::PayoutKind::BracketQuinella))
        if (p >= 1 && p <= analysis::kBracketPairs)
            winningBracketPair[static_cast<std::size_t>(p)] = true;
    for (int p : results::winningPairs(payouts, results::PayoutKind::Quinella))
        if (p >= 1 && p <= analysis::kQuinellaPairs)
            winningQuinellaPair[static_cast<std::size_t>(p)] = true;
    for (std::size_t i = 0; i < resultBracketPairs.size(); ++i) {
        const results::PayoutItem& item =
            payouts.entry(results::PayoutKind::BracketQuinella, static_cast<int>(i) + 1);
        resultBracketPairs[i] = results::payoutRowTexts(results::PayoutKind::BracketQuinella, item).result;
    }
}

void RenderContext::setGapThreshold(int index, std::string_view editText)
{
    setGapThreshold(index, cellDecimal(editText));
}

void RenderContext::setGapThreshold(int index, double value)
{
    if (index < 0 || index >= kGapThresholds || !std::isfinite(value))
        return;
    gapThresholdHundredths[static_cast<std::size_t>(index)] = std::llround(value * 100.0);
}

double RenderContext::gapThreshold(int index) const
{
    if (index < 0 || index >= kGapThresholds)
        return 0.0;
    return static_cast<double>(gapThresholdHundredths[static_cast<std::size_t>(index)]) / 100.0;
}

int gapThresholdIndex(GridId id)
{
    switch (id) {
    case GridId::StringGrid20: return 0;
    case GridId::StringGrid21: return 1;
    case GridId::StringGrid22: return 2;
    case GridId::StringGrid23: return 3;
    default: return -1;
    }
}

// --- cell values ------------------------------------------------------------------------

int cellInteger(std::string_view s) noexcept
{
    s = text::trim(s);
    if (!s.empty() && s.front() == '+') {
        s.remove_prefix(1);
        if (!s.empty() && (s.front() == '+' || s.front() == '-'))
            return 0;
    }
    int v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    return ec == std::errc() && end == s.data() + s.size() ? v : 0;
}

double cellDecimal(std::string_view s) noexcept
{
    s = text::trim(s);
    if (!s.empty() && s.front() == '+') {
        s.remove_prefix(1);
        if (!s.empty() && (s.front() == '+' || s.front() == '-'))
            return 0.0;
    }
    double v = 0.0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v))
        return 0.0;
    return v;
}

Rgb bracketColour(int bracket, Rgb otherwise)
{
    switch (bracket) {
    case 1: return colours::white;
    case 2: return colours::gray;
    case 3: return colours::red;
    case 4: return colours::blue;
    case 5: return colours::yellow;
    case 6: return colours::lime;
    case 7: return colours::orange;
    case 8: return colours::fuchsia;
    default: return otherwise;
    }
}

Rgb positionColour(int position)
{
    if (position == 1)
        return colours::red;
    if (position == 2 || position == 3)
        return colours::blue;
    return colours::black;
}

// --- race card --------------------------------------------------------------------------

std::string raceCardHeaderText(int col)
{
    switch (col) {
    case 0: return text::sj("枠\n番");
    case 1: return text::sj("馬\n番");
    case 2: return text::sj("馬名");
    case 3: return text::sj("性齢");
    case 4: return text::sj("斤量");
    case 5: return text::sj("騎手");
    case 6: return text::sj("調教師");
    case 7: return text::sj("単勝ｵｯｽﾞ\n ");
    case 8:
    case 10:
    case 12: return text::sj("順\n位");
    case 9: return text::sj("複勝ｵｯｽﾞ\n　最低");
    case 11: return text::sj("複勝ｵｯｽﾞ\n　最高");
    case 17: return text::sj("着順\n　");
    case 18: return text::sj("人気\n　");
    case 19: return text::sj("確定ｵｯｽﾞ\n　");
    default: return std::string();
    }
}

std::string weightCellText(std::string_view seRecord, bool banei)
{
    static const std::string kNoWeight(3, ' ');
    const records::SeView se(seRecord);
    if (banei) {
        const std::optional<int> kilograms = se.baneiWeightField();
        return kilograms ? text::formatInt(*kilograms, 4) : kNoWeight;
    }
    const int tenths = se.weightTenths();
    return tenths != 0 ? text::formatFixed(tenths / 10.0, 4, 1) : kNoWeight;
}

std::string raceCardText(const analysis::RaceSlot& slot, int runners, int horse, int col)
{
    if (!validHorse(horse))
        return std::string();
    const auto h = static_cast<std::size_t>(horse);
    const analysis::RaceRecord& r = slot.record;
    const records::SeView se(std::string_view(slot.seRecords[h]));
    switch (col) {
    case 0: return text::formatInt(KeibaFuncNV::BracketOfHorse(runners, horse), 1);
    case 1: return text::formatInt(horse, 2);
    case 2: return std::string(se.horseName().substr(0, kShownNameBytes));
    case 3: {
        const int age = se.age();
        return KeibaFuncNV::SexText(se.sexCode()) + (age != 0 ? text::formatInt(age, 2) : std::string(2, ' '));
    }
    case 4: return weightCellText(slot.seRecords[h], records::RaView(std::string_view(slot.raRecord)).isBanei());
    case 5: return std::string(se.jockey());
    case 6: return std::string(se.trainer());
    case 7: return oddsText(r.winOdds[h]);
    case 8: return orderText(r.winPopularity[h]);
    case 9: return oddsText(r.placeLowOdds[h]);
    case 10: return orderText(r.placeLowPopularity[h]);
    // The upper odds show only beside a lower figure.
    case 11: return r.placeLowOdds[h] > 0.0 ? text::formatFixed(r.placeHighOdds[h], 6, 1) : kHalfBlank;
    case 12: return orderText(r.placeHighPopularity[h]);
    case 17: return orderText(r.finishPosition[h]);
    case 18: return orderText(r.finalPopularity[h]);
    case 19: return oddsText(r.finalWinOdds[h]);
    default: return std::string();
    }
}

CellStyle raceCardStyle(const TextGrid& grid, int row, int col, const RenderContext& context)
{
    CellStyle s;
    s.align = HAlign::Left;
    s.offsetX = 2; // grid line + 1
    s.offsetY = 2;
    s.addLine(CellEdge::Bottom, colours::black);
    if (row == 0) {
        s.background = colours::silver;
        if (std::string caption = raceCardHeaderText(col); !caption.empty())
            s.drawText(std::move(caption));
        return s;
    }
    if (col == 0 || col >= 17)
        s.offsetX = 6;
    s.fontPixelHeight = pointsToPixels(9);

    const int horse = cellInteger(grid.cell(row, 1));
    const int runners = grid.rowCount() - 1;
    if (context.slot)
        s.drawText(raceCardText(*context.slot, runners, horse, col));

    switch (col) {
    case 0: {
        const int bracket = KeibaFuncNV::BracketOfHorse(runners, horse);
        s.background = bracketColour(bracket, colours::white);
        s.textColour = (bracket == 1 || bracket == 5) ? colours::black : colours::white;
        s.fontPixelHeight = pointsToPixels(10);
        s.bold = true;
        break;
    }
    case 1:
        s.background = colours::tipBackground;
        s.fontPixelHeight = pointsToPixels(10);
        s.bold = true;
        break;
    case 8:
    case 10:
    case 12:
        s.background = colours::popularityGreen;
        s.bold = true;
        s.textColour = positionColour(raceCardFigure(context, grid, row, col, horse));
        break;
    case 17:
    case 18:
        s.background = colours::resultYellow;
        s.bold = true;
        s.textColour = positionColour(raceCardFigure(context, grid, row, col, horse));
        break;
    case 19: s.background = colours::resultYellow; break;
    default: s.background = colours::white; break;
    }
    return s;
}

} // namespace tidemark::presentation
