#pragma once
// What the cell colours of the main window's grids read besides the cell texts: the open
// race (the race card is drawn from its model, the headers of the time-series grids and
// the matrix mark its placed horses), its winning pairs, the bracket-quinella results of
// the results page and the thresholds of the gap tables. The main window fills one
// RenderContext when a race is opened or its payouts arrive and when a threshold box
// changes; styleFor (cell_style.h) reads it for every painted cell, so nothing here is
// computed per cell that could be computed once.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "analysis/day_table.h"
#include "presentation/cell_style.h"
#include "presentation/grid_layouts.h"

namespace tidemark::results {
class PayoutTable;
}

namespace tidemark::presentation {

// Threshold edit boxes of the gap tables: SEdit1 StringGrid20 … SEdit4 StringGrid23.
inline constexpr int kGapThresholds = 4;
inline constexpr double kDefaultGapThreshold = 1.5;

struct RenderContext {
    // The open race; none = no race open. The race card reads its RA, SE and race
    // record at paint time, so a moment selection needs no new context.
    const analysis::RaceSlot* slot = nullptr;
    // Winning pairs of the race's payouts (index 1..36 / 1..153): the time-series headers
    // of those pairs are red.
    analysis::PerBracketPair<bool> winningBracketPair{};
    analysis::PerQuinellaPair<bool> winningQuinellaPair{};
    // The bracket-quinella result texts as the results page shows them (" 3- 6"; empty
    // when the entry is empty): the advantage list marks those bracket pairs.
    std::array<std::string, 3> resultBracketPairs;
    // Threshold of each gap table in hundredths, as the edit box's two fraction digits
    // hold it.
    std::array<std::int64_t, kGapThresholds> gapThresholdHundredths{150, 150, 150, 150};

    // The open race and its payouts: slot, winning pairs and result texts. A null slot
    // clears all three.
    void setRace(const analysis::RaceSlot* raceSlot, const results::PayoutTable& payouts);
    // Threshold box `index` (0 = SEdit1 … 3 = SEdit4) holds `editText`; an empty or
    // invalid text counts as 0, so every ratio is coloured.
    void setGapThreshold(int index, std::string_view editText);
    void setGapThreshold(int index, double value);
    double gapThreshold(int index) const;
};

// Index 0..3 of the threshold box that colours a gap grid; -1 for other grids.
int gapThresholdIndex(GridId id);

// --- how the rules read a cell text ---------------------------------------------------

// The cell text read as an integer: blanks (bytes up to 0x20) around it allowed, an
// optional sign, digits and nothing else; any other text (empty, "1.5", "　") reads 0.
int cellInteger(std::string_view text) noexcept;
// The cell text read as a decimal ("  5.0", "-0.3", "12"); any other text reads 0.
double cellDecimal(std::string_view text) noexcept;

// Background of a bracket number 1..8; `otherwise` for any other value.
Rgb bracketColour(int bracket, Rgb otherwise);
// A popularity or finishing position: 1 red, 2 or 3 blue, anything else black.
Rgb positionColour(int position);

// --- the race card, drawn from the race model ------------------------------------------

// The two-line header caption of race card column `col` ("枠\n番", "馬名" …); empty for
// the hidden columns, which keep their stored header.
std::string raceCardHeaderText(int col);

// The weight carried as the race card and the grids beside it show it (identity column 4):
// "%4.1f" of the tenths, three blanks when none; on the ばんえい tracks the kilograms of the
// hexadecimal field as "%4d" ("000" is "   0"), three blanks when blank or damaged. One
// function for the drawn card and the cells the clipboard copies, so the two agree.
std::string weightCellText(std::string_view seRecord, bool banei);

// The text the race card draws in column `col` for horse `horse` of `slot`, from its SE
// record and race record (CP932). Empty for a horse outside 1..18 and for the hidden
// columns.
std::string raceCardText(const analysis::RaceSlot& slot, int runners, int horse, int col);

// The style of a race card cell: the horse is the number in column 1 of the row, its
// bracket follows from the row count (runners + 1). With no race open the data cells
// show their own texts in the same colours.
CellStyle raceCardStyle(const TextGrid& grid, int row, int col, const RenderContext& context);

} // namespace tidemark::presentation
