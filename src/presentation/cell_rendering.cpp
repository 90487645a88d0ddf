// The colour rules of the text-drawn grids. Each family reads the figure that picks a
// colour back from the cell text, exactly as shown, so a colour always agrees with the
// figure the user reads.

#include "presentation/cell_rendering.h"

#include "analysis/selected_moment.h"

#include <cmath>
#include <cstdlib>

#include "presentation/text_grid.h"
#include "records/record_view.h"
#include "text/cp932.h"

namespace tidemark::presentation {

namespace {

// --- the figures a rule reads -----------------------------------------------------------

int finishOf(const RenderContext& context, int horse)
{
    if (!context.slot || horse < 1 || horse > analysis::kMaxHorses)
        return 0;
    return records::SeView(std::string_view(context.slot->seRecords[static_cast<std::size_t>(horse)]))
        .finishPosition();
}

// Header of a placed horse: first red, second blue, third lime.
bool placedHeader(CellStyle& s, int finish)
{
    switch (finish) {
    case 1: s.background = colours::red; return true;
    case 2: s.background = colours::blue; return true;
    case 3: s.background = colours::lime; return true;
    default: return false;
    }
}

// A popularity difference: 2 blue, 3 purple, 4..18 red, whatever the sign.
Rgb differenceColour(int value)
{
    const int d = std::abs(value);
    if (d == 2)
        return colours::blue;
    if (d == 3)
        return colours::purple;
    if (d >= 4 && d <= 18)
        return colours::red;
    return colours::black;
}

// Empty, or a cancellation, once every half-width and full-width blank is left out.
bool blankOrCancelled(std::string_view text)
{
    std::string compact;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == ' ')
            continue;
        if (c == 0x81 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x40) {
            ++i;
            continue;
        }
        if (text::isLeadByte(c) && i + 1 < text.size()) {
            compact += text[i];
            compact += text[++i];
            continue;
        }
        compact += text[i];
    }
    if (compact.empty())
        return true;
    static const std::string before = text::sj("発売前取消");
    static const std::string after = text::sj("発売後取消");
    return compact == before || compact == after;
}

// --- time-series grids --------------------------------------------------------------------

enum class SeriesColumns { PerHorse, TwoPerHorse, BracketPairs, QuinellaPairs };
enum class SeriesFigure { Odds, PlaceOdds, Popularity, Share };

struct SeriesRule {
    SeriesColumns columns;
    SeriesFigure figure;
    double high = 0.0; // shares: red from here
    double low = 0.0;  // shares: blue from here
};

SeriesRule seriesRule(GridId id)
{
    switch (id) {
    case GridId::StringGrid4: return {SeriesColumns::PerHorse, SeriesFigure::Odds};
    case GridId::StringGrid5: return {SeriesColumns::TwoPerHorse, SeriesFigure::PlaceOdds};
    case GridId::StringGrid6: return {SeriesColumns::BracketPairs, SeriesFigure::Odds};
    case GridId::StringGrid7: return {SeriesColumns::QuinellaPairs, SeriesFigure::Odds};
    case GridId::StringGrid12: return {SeriesColumns::PerHorse, SeriesFigure::Popularity};
    case GridId::StringGrid13: return {SeriesColumns::PerHorse, SeriesFigure::Popularity};
    case GridId::StringGrid14: return {SeriesColumns::BracketPairs, SeriesFigure::Popularity};
    case GridId::StringGrid15: return {SeriesColumns::QuinellaPairs, SeriesFigure::Popularity};
    case GridId::StringGrid16: return {SeriesColumns::PerHorse, SeriesFigure::Share, 30.0, 10.0};
    case GridId::StringGrid17: return {SeriesColumns::TwoPerHorse, SeriesFigure::Share, 20.0, 10.0};
    case GridId::StringGrid18: return {SeriesColumns::BracketPairs, SeriesFigure::Share, 10.0, 5.0};
    case GridId::StringGrid19: return {SeriesColumns::QuinellaPairs, SeriesFigure::Share, 10.0, 5.0};
    default: return {SeriesColumns::PerHorse, SeriesFigure::Odds};
    }
}

Rgb seriesTextColour(const SeriesRule& rule, std::string_view text)
{
    if (rule.figure == SeriesFigure::Popularity) {
        switch (cellInteger(text)) {
        case 1: return colours::red;
        case 2: return colours::blue;
        case 3: return colours::green;
        default: return colours::black; // none, or below the first three
        }
    }
    const double v = cellDecimal(text);
    if (v <= 0.0)
        return colours::black;
    switch (rule.figure) {
    case SeriesFigure::Odds: return v <= 5.0 ? colours::red : v <= 10.0 ? colours::blue : colours::black;
    // Place odds are short: the bounds are strict.
    case SeriesFigure::PlaceOdds: return v < 2.0 ? colours::red : v < 3.0 ? colours::blue : colours::black;
    case SeriesFigure::Share: return v >= rule.high ? colours::red : v >= rule.low ? colours::blue : colours::black;
    case SeriesFigure::Popularity: break;
    }
    return colours::black;
}

bool seriesHeaderMarked(const SeriesRule& rule, const RenderContext& context, int col)
{
    switch (rule.columns) {
    case SeriesColumns::PerHorse: return false;
    case SeriesColumns::TwoPerHorse: return false;
    case SeriesColumns::BracketPairs:
        return col - 1 >= 1 && col - 1 <= analysis::kBracketPairs &&
            context.winningBracketPair[static_cast<std::size_t>(col - 1)];
    case SeriesColumns::QuinellaPairs:
        return col - 1 >= 1 && col - 1 <= analysis::kQuinellaPairs &&
            context.winningQuinellaPair[static_cast<std::size_t>(col - 1)];
    }
    return false;
}

CellStyle timeSeriesStyle(GridId id, const TextGrid& grid, int row, int col, const RenderContext& context)
{
    const SeriesRule rule = seriesRule(id);
    CellStyle s;
    s.align = (row >= 1 && col >= 1) ? HAlign::Right : HAlign::Center;
    if (row == 0 || col == 0) {
        s.background = colours::silver;
        if (row == 0 && col >= 2) {
            switch (rule.columns) {
            case SeriesColumns::PerHorse: placedHeader(s, finishOf(context, col - 1)); break;
            case SeriesColumns::TwoPerHorse: placedHeader(s, finishOf(context, col / 2)); break;
            case SeriesColumns::BracketPairs:
            case SeriesColumns::QuinellaPairs:
                if (seriesHeaderMarked(rule, context, col))
                    s.background = colours::red;
                break;
            }
        }
        return s;
    }
    if (col == 1) {
        s.background = colours::totalPink; // the pool's vote total
        return s;
    }
    const std::string& text = grid.cell(row, col);
    if (blankOrCancelled(text))
        s.background = colours::silver;
    else if (rule.columns == SeriesColumns::TwoPerHorse && rule.figure != SeriesFigure::Popularity && col % 2 == 0)
        s.background = colours::placeGreen; // the lower place odds of a horse
    else
        s.background = colours::tipBackground;
    s.textColour = seriesTextColour(rule, text);
    return s;
}

// --- horse grids --------------------------------------------------------------------------

// Columns 0..2 of the horse grids: bracket, horse number, name (left-aligned).
void identityColumn(CellStyle& s, const TextGrid& grid, int row, int col)
{
    switch (col) {
    case 0: s.background = bracketColour(cellInteger(grid.cell(row, col)), colours::white); break;
    case 1: s.background = colours::tipBackground; break;
    default:
        s.background = colours::white;
        s.align = HAlign::Left;
        break;
    }
}

void positionColumn(CellStyle& s, const TextGrid& grid, int row, int col, Rgb background)
{
    s.background = background;
    s.bold = true;
    s.textColour = positionColour(cellInteger(grid.cell(row, col)));
}

void differenceColumn(CellStyle& s, const TextGrid& grid, int row, int col, Rgb background)
{
    s.background = background;
    s.bold = true;
    s.textColour = differenceColour(cellInteger(grid.cell(row, col)));
}

CellStyle threePointStyle(const TextGrid& grid, int row, int col)
{
    CellStyle s;
    if (row == 0) {
        s.background = colours::silver;
        return s;
    }
    switch (col) {
    case 0:
    case 1:
    case 2: identityColumn(s, grid, row, col); break;
    case 8:
    case 11:
    case 14: positionColumn(s, grid, row, col, colours::popularityGreen); break;
    case 15:
    case 16: positionColumn(s, grid, row, col, colours::lilac); break;
    case 17: differenceColumn(s, grid, row, col, colours::lightPink); break;
    case 18:
    case 19: positionColumn(s, grid, row, col, colours::paleYellow); break;
    case 20: s.background = colours::paleYellow; break;
    default: s.background = colours::white; break;
    }
    return s;
}

CellStyle ticketTypeStyle(const TextGrid& grid, int row, int col)
{
    CellStyle s;
    if (row == 0) {
        s.background = colours::silver;
        return s;
    }
    switch (col) {
    case 0:
    case 1:
    case 2: identityColumn(s, grid, row, col); break;
    case 8:
    case 11:
    case 14:
    case 17: positionColumn(s, grid, row, col, colours::popularityGreen); break;
    // Differences or ratios; a ratio text is no integer and stays black.
    case 18:
    case 19:
    case 20: differenceColumn(s, grid, row, col, colours::lilac); break;
    case 21:
    case 22: positionColumn(s, grid, row, col, colours::paleYellow); break;
    case 23: s.background = colours::paleYellow; break;
    default: s.background = colours::white; break;
    }
    return s;
}

CellStyle anomalyStyle(GridId id, const TextGrid& grid, int row, int col)
{
    CellStyle s;
    if (col == 5 || col == 9 || col == 13 || col == 17)
        s.addLine(CellEdge::Right, colours::blue, 3); // column group separator
    if (row == 0) {
        s.background = colours::silver;
        return s;
    }
    const bool ratioGrid = id == GridId::StringGrid27 || id == GridId::StringGrid28;
    s.background = colours::white;
    switch (col) {
    case 0:
    case 1:
    case 2: identityColumn(s, grid, row, col); break;
    case 6:
    case 10: s.background = colours::lightCyan; break;
    case 14:
        if (ratioGrid)
            s.background = colours::lightCyan;
        break;
    case 9:
    case 13: s.background = colours::popularityGreen; break;
    case 16:
        if (!ratioGrid)
            s.background = colours::lilac;
        break;
    case 17: s.background = ratioGrid ? colours::popularityGreen : colours::lilac; break;
    case 18:
    case 19: positionColumn(s, grid, row, col, colours::paleYellow); break;
    case 20: s.background = colours::paleYellow; break;
    default: break;
    }
    return s;
}

CellStyle gapStyle(GridId id, const TextGrid& grid, int row, int col, const RenderContext& context)
{
    CellStyle s;
    if (row == 0) {
        s.background = colours::silver;
        return s;
    }
    switch (col) {
    case 0:
    case 9:
        s.background = colours::skyBlue;
        s.bold = true;
        break;
    case 1:
    case 10:
        s.background = bracketColour(cellInteger(grid.cell(row, col)), colours::white);
        s.bold = true;
        break;
    case 2:
    case 11:
        s.background = colours::tipBackground;
        s.bold = true;
        break;
    case 3:
    case 12:
        s.background = colours::white;
        s.align = HAlign::Left;
        break;
    case 5:
    case 14: positionColumn(s, grid, row, col, colours::resultYellow); break;
    case 6:
    case 8: s.background = colours::gray; break;
    case 7: {
        // The ratio as shown (one decimal) against the box's two-decimal value.
        const int index = gapThresholdIndex(id);
        const bool marked = index >= 0 && analysis::gapMarked(cellDecimal(grid.cell(row, col)), context.gapThreshold(index));
        s.background = marked ? colours::red : colours::white;
        break;
    }
    default: s.background = colours::white; break;
    }
    return s;
}

CellStyle matrixStyle(const TextGrid& grid, int row, int col, const RenderContext& context)
{
    CellStyle s;
    s.offsetY = 2;
    const std::string& text = grid.cell(row, col);
    if (row == 0) {
        s.background = colours::aqua;
        if (col >= 3)
            if (const int horse = cellInteger(text); horse > 0)
                placedHeader(s, finishOf(context, horse));
        return s;
    }
    switch (col) {
    case 0: s.background = bracketColour(cellInteger(text), colours::white); return s;
    case 1:
    case 2: s.background = colours::cream; return s;
    default: break;
    }
    if (col - row == 2)
        s.background = colours::yellow; // the horse against itself
    else
        s.background = text.empty() ? colours::gray : colours::white;
    const double v = cellDecimal(text);
    if (v >= 100.0)
        s.textColour = colours::red;
    else if (v >= 50.0)
        s.textColour = colours::green;
    else if (v > 0.0 && v <= 10.0)
        s.textColour = colours::blue;
    return s;
}

CellStyle advantageStyle(const TextGrid& grid, int row, int col, const RenderContext& context)
{
    CellStyle s;
    s.offsetY = 1;
    if (row == 0) {
        s.background = colours::silver;
        return s;
    }
    const std::string& text = grid.cell(row, col);
    switch (col) {
    case 0:
        s.background = colours::paleGreen;
        for (const std::string& pair : context.resultBracketPairs)
            if (!text::trim(pair).empty() && text == pair)
                s.background = colours::red; // the winning bracket pair
        break;
    case 1:
    case 2: s.background = colours::paleGreen; break;
    case 3:
    case 4:
    case 5: s.background = colours::lightCyan; break;
    case 7: {
        const double v = cellDecimal(text);
        s.background = v >= 1.3 ? colours::fuchsia
            : v >= 1.2          ? colours::aqua
            : v >= 1.1          ? colours::yellow
                                : colours::white;
        break;
    }
    default: s.background = colours::white; break;
    }
    return s;
}

} // namespace

void outlineSelection(CellStyle& s, const TextGrid& grid, int col)
{
    s.addLine(CellEdge::Top, colours::black);
    s.addLine(CellEdge::Bottom, colours::black);
    const bool cellMode = grid.selectionMode() == SelectionMode::Cell;
    if (cellMode || col == grid.fixedCols())
        s.addLine(CellEdge::Left, colours::black);
    if (cellMode || col == grid.colCount() - 1)
        s.addLine(CellEdge::Right, colours::black);
}

CellStyle styleFor(GridId id, const TextGrid& grid, int row, int col, const StyleContext& context)
{
    static const RenderContext noRace;
    const RenderContext& render = context.render ? *context.render : noRace;
    CellStyle s;
    switch (familyOf(id)) {
    case GridFamily::RaceCard: s = raceCardStyle(grid, row, col, render); break;
    case GridFamily::ThreePoint: s = threePointStyle(grid, row, col); break;
    case GridFamily::TicketType: s = ticketTypeStyle(grid, row, col); break;
    case GridFamily::Anomaly: s = anomalyStyle(id, grid, row, col); break;
    case GridFamily::Gap: s = gapStyle(id, grid, row, col, render); break;
    case GridFamily::Matrix: s = matrixStyle(grid, row, col, render); break;
    case GridFamily::Advantage: s = advantageStyle(grid, row, col, render); break;
    case GridFamily::TimeSeriesOdds:
    case GridFamily::TimeSeriesPopularity:
    case GridFamily::TimeSeriesShare: s = timeSeriesStyle(id, grid, row, col, render); break;
    }
    // The race card never shows a selected row.
    if (context.selected && id != GridId::StringGrid2 && !grid.isFixed(row, col))
        outlineSelection(s, grid, col);
    return s;
}

} // namespace tidemark::presentation
