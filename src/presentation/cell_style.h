#pragma once
// How one grid cell is painted. Colours carry meaning (brackets, popularity, winners,
// gaps between odds), so they are decided here, in the engine, as a pure function of the
// grid, the cell and its text; the screen paints exactly what it is given.

#include <array>
#include <cstdint>
#include <string>
#include <utility>

#include "presentation/grid_layouts.h"

namespace tidemark::presentation {

class TextGrid;

// 0xRRGGBB.
struct Rgb {
    std::uint32_t value = 0;

    constexpr int red() const { return static_cast<int>((value >> 16) & 0xFF); }
    constexpr int green() const { return static_cast<int>((value >> 8) & 0xFF); }
    constexpr int blue() const { return static_cast<int>(value & 0xFF); }
    // "#RRGGBB", upper-case hexadecimal.
    std::string hex() const;
    constexpr bool operator==(const Rgb&) const = default;
};

// The named colours of the grids.
namespace colours {
inline constexpr Rgb white{0xFFFFFF};
inline constexpr Rgb black{0x000000};
inline constexpr Rgb red{0xFF0000};
inline constexpr Rgb blue{0x0000FF};
inline constexpr Rgb lime{0x00FF00};
inline constexpr Rgb green{0x008000};
inline constexpr Rgb purple{0x800080};
inline constexpr Rgb yellow{0xFFFF00};
inline constexpr Rgb aqua{0x00FFFF};
inline constexpr Rgb fuchsia{0xFF00FF};
inline constexpr Rgb orange{0xFF8000};
inline constexpr Rgb gray{0x808080};
inline constexpr Rgb silver{0xC0C0C0};
inline constexpr Rgb skyBlue{0xA6CAF0};
inline constexpr Rgb cream{0xFFFBF0};
inline constexpr Rgb popularityGreen{0x8BFC8B};
inline constexpr Rgb lilac{0xFAD0FD};
inline constexpr Rgb lightPink{0xFFB9FF};
inline constexpr Rgb resultYellow{0xF9FE8F};
inline constexpr Rgb paleYellow{0xFFFF80};
inline constexpr Rgb lightCyan{0xBFFFFF};
inline constexpr Rgb totalPink{0xFFD0FF};
inline constexpr Rgb placeGreen{0xA0E4A8};
inline constexpr Rgb paleGreen{0xD0FFD0};
// The desktop's tooltip background; the classic Windows value, as toolkits differ.
inline constexpr Rgb tipBackground{0xFFFFE1};
// Selected cells of grids that show their selection.
inline constexpr Rgb highlight{0x3399FF};
inline constexpr Rgb highlightText{0xFFFFFF};
} // namespace colours

enum class HAlign { Left, Center, Right };

enum class CellEdge { Top, Bottom, Left, Right };

// A line drawn over the cell after its text, along one edge, inside the cell.
struct CellLine {
    CellEdge edge = CellEdge::Bottom;
    Rgb colour = colours::black;
    int width = 1;
    bool operator==(const CellLine&) const = default;
};

struct CellStyle {
    static constexpr int kMaxLines = 4;

    Rgb background = colours::white;
    Rgb textColour = colours::black;
    bool bold = false;
    // Character height in pixels at 96 dpi; 0 = the grid's own font.
    int fontPixelHeight = 0;
    // Text is always drawn from the top of the cell.
    HAlign align = HAlign::Center;
    // Offsets of the text from the cell's left (or right, when right-aligned) and top edge.
    int offsetX = 0;
    int offsetY = 0;
    // When set, `text` is drawn instead of the cell text (race card data cells drawn from
    // the race model, two-line headers). Lines are separated by '\n'; each further line
    // sits one text line lower. CP932.
    bool ownText = false;
    std::string text;
    std::array<CellLine, kMaxLines> lines{};
    int lineCount = 0;

    void addLine(CellEdge edge, Rgb colour, int width = 1)
    {
        if (lineCount < kMaxLines)
            lines[static_cast<std::size_t>(lineCount++)] = CellLine{edge, colour, width};
    }
    void drawText(std::string t)
    {
        ownText = true;
        text = std::move(t);
    }
};

struct RenderContext; // presentation/cell_rendering.h

// What, besides the grid and the cell, a style depends on: whether the view shows the
// cell selected, and the open race with its payouts and the gap thresholds.
struct StyleContext {
    bool selected = false;
    // Filled by the main window once per race and moment; none paints as with no race
    // open (no winners, default thresholds, the race card from its own cell texts).
    const RenderContext* render = nullptr;
};

// Character height in pixels of a font of `points` at 96 dots per inch, rounded as the
// desktop rounds it (9 pt = 12 px, 10 pt = 13 px).
constexpr int pointsToPixels(int points)
{
    return (points * 96 + 36) / 72;
}

// The style of cell (row, col) of grid `id`: the colour, weight, size, alignment and
// drawn-text rules of every grid family (presentation/cell_rendering.cpp). A selected
// data cell keeps its colours and gets a thin outline, except on the race card, which
// never shows a selected row.
CellStyle styleFor(GridId id, const TextGrid& grid, int row, int col, const StyleContext& context);

// The selected row (or cell) keeps its colours and is framed, like a focus rectangle.
void outlineSelection(CellStyle& s, const TextGrid& grid, int col);

} // namespace tidemark::presentation
