#include "presentation/cell_style.h"

#include "presentation/text_grid.h"

namespace tidemark::presentation {

std::string Rgb::hex() const
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out = "#";
    for (int shift = 20; shift >= 0; shift -= 4)
        out += digits[(value >> shift) & 0xF];
    return out;
}

CellStyle styleFor(GridId id, const TextGrid& grid, int row, int col, const StyleContext& context)
{
    CellStyle style;
    if (grid.isFixed(row, col)) {
        style.background = colours::silver;
        return style;
    }
    // The race card takes its colours from the race model and never shows a selected row.
    if (context.selected && id != GridId::StringGrid2) {
        style.background = colours::highlight;
        style.textColour = colours::highlightText;
    }
    return style;
}

} // namespace tidemark::presentation
