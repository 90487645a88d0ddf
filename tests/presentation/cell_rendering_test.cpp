#include "presentation/cell_rendering.h"

#include <gtest/gtest.h>

#include <string>

#include "analysis/day_table.h"
#include "presentation/text_grid.h"
#include "records/pair_index.h"
#include "records/record_builder.h"
#include "results/payout_table.h"
#include "text/cp932.h"

using namespace tidemark;
using namespace tidemark::presentation;
using records::HrBuilder;
using records::RaBuilder;
using records::SeBuilder;
using text::sj;

namespace {

// One grid laid out as the window lays it out, with `rows` rows.
class Grids {
public:
    Grids() { layOutAllGrids(m_grids); }
    TextGrid& operator[](GridId id) { return m_grids[id]; }

private:
    GridSet m_grids;
};

CellStyle paint(GridId id, const TextGrid& grid, int row, int col, const RenderContext* render = nullptr,
                bool selected = false)
{
    StyleContext context;
    context.selected = selected;
    context.render = render;
    return styleFor(id, grid, row, col, context);
}

// The style of one data cell holding `text`.
CellStyle paintText(GridId id, int col, const std::string& text, const RenderContext* render = nullptr)
{
    Grids grids;
    TextGrid& grid = grids[id];
    grid.setSize(3, std::max(grid.colCount(), col + 1));
    grid.setCell(1, col, text);
    return paint(id, grid, 1, col, render);
}

// A race of `runners` horses on track `track`: horse h finished in `finish[h]` (0 = none).
analysis::RaceSlot raceSlot(int runners, std::string_view track, std::initializer_list<int> finish = {})
{
    analysis::RaceSlot slot;
    slot.raRecord = RaBuilder().date(2024, 1, 15).track(track).race(11).runners(runners).build();
    int h = 0;
    for (int f : finish) {
        ++h;
        slot.seRecords[static_cast<std::size_t>(h)] = SeBuilder().horse(h).finishPosition(f).build();
    }
    slot.record.runnerCount = runners;
    return slot;
}

} // namespace

TEST(CellValues, ReadTheShownTextStrictly)
{
    EXPECT_EQ(cellInteger(" 3"), 3);
    EXPECT_EQ(cellInteger("-3"), -3);
    EXPECT_EQ(cellInteger("+4 "), 4);
    EXPECT_EQ(cellInteger("1.5"), 0); // a ratio is no integer
    EXPECT_EQ(cellInteger(sj("　")), 0);
    EXPECT_EQ(cellInteger("3a"), 0);
    EXPECT_EQ(cellInteger(""), 0);
    EXPECT_DOUBLE_EQ(cellDecimal("  5.0"), 5.0);
    EXPECT_DOUBLE_EQ(cellDecimal("   1.30"), 1.3);
    EXPECT_DOUBLE_EQ(cellDecimal("-0.5"), -0.5);
    EXPECT_DOUBLE_EQ(cellDecimal(sj("発売後取消")), 0.0);
    EXPECT_DOUBLE_EQ(cellDecimal("nan"), 0.0);
    EXPECT_DOUBLE_EQ(cellDecimal("5.0*"), 0.0);
}

TEST(TimeSeriesColours, OddsThresholdsAreInclusiveExceptForPlace)
{
    EXPECT_EQ(paintText(GridId::StringGrid4, 3, "   5.0").textColour, colours::red);
    EXPECT_EQ(paintText(GridId::StringGrid4, 3, "   5.1").textColour, colours::blue);
    EXPECT_EQ(paintText(GridId::StringGrid4, 3, "  10.0").textColour, colours::blue);
    EXPECT_EQ(paintText(GridId::StringGrid4, 3, "  10.1").textColour, colours::black);
    EXPECT_EQ(paintText(GridId::StringGrid7, 40, "   4.2").textColour, colours::red);
    EXPECT_EQ(paintText(GridId::StringGrid5, 3, "   1.9").textColour, colours::red);
    EXPECT_EQ(paintText(GridId::StringGrid5, 3, "   2.0").textColour, colours::blue);
    EXPECT_EQ(paintText(GridId::StringGrid5, 3, "   3.0").textColour, colours::black);
    EXPECT_EQ(paintText(GridId::StringGrid4, 3, "   0.0").textColour, colours::black);
}

TEST(TimeSeriesColours, BackgroundsByColumnAndContent)
{
    const CellStyle priced = paintText(GridId::StringGrid4, 3, "  12.3");
    EXPECT_EQ(priced.background, colours::tipBackground);
    EXPECT_EQ(priced.align, HAlign::Right);
    EXPECT_EQ(paintText(GridId::StringGrid4, 1, "  1234").background, colours::totalPink);
    EXPECT_EQ(paintText(GridId::StringGrid4, 1, "  1234").textColour, colours::black);
    const CellStyle cancelled = paintText(GridId::StringGrid4, 3, sj(" 発売後取消"));
    EXPECT_EQ(cancelled.background, colours::silver);
    EXPECT_EQ(cancelled.textColour, colours::black);
    EXPECT_EQ(paintText(GridId::StringGrid6, 3, sj("発売前　取消")).background, colours::silver);
    EXPECT_EQ(paintText(GridId::StringGrid6, 3, "").background, colours::silver);
    EXPECT_EQ(paintText(GridId::StringGrid6, 3, "      ").background, colours::silver);
    EXPECT_EQ(paintText(GridId::StringGrid6, 3, sj("取消")).background, colours::tipBackground);
    // Place grids: lower odds (even columns) green, upper odds tip background.
    EXPECT_EQ(paintText(GridId::StringGrid5, 4, "   2.5").background, colours::placeGreen);
    EXPECT_EQ(paintText(GridId::StringGrid5, 5, "   2.5").background, colours::tipBackground);
    EXPECT_EQ(paintText(GridId::StringGrid17, 4, "  12.5").background, colours::placeGreen);
    EXPECT_EQ(paintText(GridId::StringGrid13, 4, " 2").background, colours::tipBackground);
    // The time column is a header.
    const CellStyle time = paintText(GridId::StringGrid4, 0, "15:40");
    EXPECT_EQ(time.background, colours::silver);
    EXPECT_EQ(time.align, HAlign::Center);
}

TEST(TimeSeriesColours, PopularityAndShareBounds)
{
    EXPECT_EQ(paintText(GridId::StringGrid12, 3, " 1").textColour, colours::red);
    EXPECT_EQ(paintText(GridId::StringGrid13, 3, " 2").textColour, colours::blue);
    EXPECT_EQ(paintText(GridId::StringGrid14, 3, " 3").textColour, colours::green);
    EXPECT_EQ(paintText(GridId::StringGrid15, 3, " 4").textColour, colours::black);
    EXPECT_EQ(paintText(GridId::StringGrid15, 3, " 0").textColour, colours::black);

    EXPECT_EQ(paintText(GridId::StringGrid16, 3, "  30.0").textColour, colours::red);
    EXPECT_EQ(paintText(GridId::StringGrid16, 3, "  29.9").textColour, colours::blue);
    EXPECT_EQ(paintText(GridId::StringGrid16, 3, "  10.0").textColour, colours::blue);
    EXPECT_EQ(paintText(GridId::StringGrid16, 3, "   9.9").textColour, colours::black);
    EXPECT_EQ(paintText(GridId::StringGrid17, 3, "  20.0").textColour, colours::red);
    EXPECT_EQ(paintText(GridId::StringGrid17, 3, "  19.9").textColour, colours::blue);
    EXPECT_EQ(paintText(GridId::StringGrid18, 3, "  10.0").textColour, colours::red);
    EXPECT_EQ(paintText(GridId::StringGrid19, 3, "   5.0").textColour, colours::blue);
    EXPECT_EQ(paintText(GridId::StringGrid19, 3, "   4.9").textColour, colours::black);
}

TEST(TimeSeriesColours, HeadersMarkThePlacedHorsesAndWinningPairs)
{
    // Horse 1 won, 2 second, 3 third, 4 unplaced.
    analysis::RaceSlot slot = raceSlot(10, "44", {1, 2, 3, 4});
    const std::string hr = HrBuilder().date(2024, 1, 15).track("44").race(11)
                               .bracketQuinella(1, 3, 6, 1230, 4).bracketQuinella(2, 1, 2, 560, 2)
                               .quinella(1, 3, 12, 4560, 9).build();
    const results::PayoutTable payouts = results::payoutTableOf(hr);
    RenderContext render;
    render.setRace(&slot, payouts);

    Grids grids;
    TextGrid& win = grids[GridId::StringGrid4];
    win.setColCount(12);
    EXPECT_EQ(paint(GridId::StringGrid4, win, 0, 2, &render).background, colours::red);  // horse 1
    EXPECT_EQ(paint(GridId::StringGrid4, win, 0, 3, &render).background, colours::blue); // horse 2
    EXPECT_EQ(paint(GridId::StringGrid4, win, 0, 4, &render).background, colours::lime); // horse 3
    EXPECT_EQ(paint(GridId::StringGrid4, win, 0, 5, &render).background, colours::silver);
    EXPECT_EQ(paint(GridId::StringGrid4, win, 0, 1, &render).background, colours::silver); // vote total
    EXPECT_EQ(paint(GridId::StringGrid4, win, 0, 2, &render).textColour, colours::black);

    // Two columns per horse: columns 2 and 3 are horse 1, 4 and 5 horse 2.
    TextGrid& place = grids[GridId::StringGrid5];
    place.setColCount(22);
    EXPECT_EQ(paint(GridId::StringGrid5, place, 0, 2, &render).background, colours::red);
    EXPECT_EQ(paint(GridId::StringGrid5, place, 0, 3, &render).background, colours::red);
    EXPECT_EQ(paint(GridId::StringGrid5, place, 0, 5, &render).background, colours::blue);
    EXPECT_EQ(paint(GridId::StringGrid17, place, 0, 7, &render).background, colours::lime);
    // One column per horse on the popularity place grid.
    TextGrid& popularity = grids[GridId::StringGrid13];
    popularity.setColCount(12);
    EXPECT_EQ(paint(GridId::StringGrid13, popularity, 0, 3, &render).background, colours::blue);

    const int bracket36 = records::bracketPairIndex(3, 6);
    const int bracket12 = records::bracketPairIndex(1, 2);
    const int quinella = records::quinellaPairIndex(3, 12);
    for (GridId id : {GridId::StringGrid6, GridId::StringGrid14, GridId::StringGrid18}) {
        const TextGrid& g = grids[id];
        EXPECT_EQ(paint(id, g, 0, bracket36 + 1, &render).background, colours::red);
        EXPECT_EQ(paint(id, g, 0, bracket12 + 1, &render).background, colours::red);
        EXPECT_EQ(paint(id, g, 0, bracket36 + 2, &render).background, colours::silver);
    }
    for (GridId id : {GridId::StringGrid7, GridId::StringGrid15, GridId::StringGrid19}) {
        const TextGrid& g = grids[id];
        EXPECT_EQ(paint(id, g, 0, quinella + 1, &render).background, colours::red);
        EXPECT_EQ(paint(id, g, 0, quinella, &render).background, colours::silver);
    }

    // No race: nothing is marked.
    render.setRace(nullptr, payouts);
    EXPECT_EQ(paint(GridId::StringGrid4, win, 0, 2, &render).background, colours::silver);
    EXPECT_EQ(paint(GridId::StringGrid6, grids[GridId::StringGrid6], 0, bracket36 + 1, &render).background,
              colours::silver);
}

TEST(HorseGridColours, ThreePointColumns)
{
    const GridId id = GridId::StringGrid26;
    EXPECT_EQ(paintText(id, 0, "3").background, colours::red);
    EXPECT_EQ(paintText(id, 0, "5").background, colours::yellow);
    EXPECT_EQ(paintText(id, 0, "9").background, colours::white); // no such bracket
    EXPECT_EQ(paintText(id, 0, "3").textColour, colours::black);
    EXPECT_EQ(paintText(id, 1, " 7").background, colours::tipBackground);
    EXPECT_EQ(paintText(id, 2, "name").align, HAlign::Left);
    EXPECT_EQ(paintText(id, 3, "x").align, HAlign::Center);

    const CellStyle first = paintText(id, 8, " 1");
    EXPECT_EQ(first.background, colours::popularityGreen);
    EXPECT_TRUE(first.bold);
    EXPECT_EQ(first.textColour, colours::red);
    EXPECT_EQ(paintText(id, 11, " 3").textColour, colours::blue);
    EXPECT_EQ(paintText(id, 14, " 4").textColour, colours::black);
    EXPECT_EQ(paintText(id, 15, " 2").background, colours::lilac);
    EXPECT_EQ(paintText(id, 19, " 1").background, colours::paleYellow);
    EXPECT_FALSE(paintText(id, 20, "  3.4").bold);

    // "変動": 2 blue, 3 purple, 4..18 red, otherwise black.
    EXPECT_EQ(paintText(id, 17, " 1").textColour, colours::black);
    EXPECT_EQ(paintText(id, 17, " 2").textColour, colours::blue);
    EXPECT_EQ(paintText(id, 17, " 3").textColour, colours::purple);
    EXPECT_EQ(paintText(id, 17, " 4").textColour, colours::red);
    EXPECT_EQ(paintText(id, 17, "18").textColour, colours::red);
    EXPECT_EQ(paintText(id, 17, "19").textColour, colours::black);
    EXPECT_EQ(paintText(id, 17, "19").background, colours::lightPink);
    EXPECT_EQ(paintText(GridId::StringGrid10, 17, " 3").textColour, colours::purple);
}

TEST(HorseGridColours, TicketTypeDifferencesAndRatios)
{
    const GridId id = GridId::StringGrid11;
    EXPECT_EQ(paintText(id, 18, "-3").textColour, colours::purple);
    EXPECT_EQ(paintText(id, 19, "-19").textColour, colours::black);
    EXPECT_EQ(paintText(id, 20, "-2").textColour, colours::blue);
    EXPECT_EQ(paintText(id, 18, "  1.50").textColour, colours::black); // a ratio
    EXPECT_EQ(paintText(id, 18, " ").background, colours::lilac);
    EXPECT_EQ(paintText(id, 17, " 1").background, colours::popularityGreen);
    EXPECT_EQ(paintText(id, 17, " 1").textColour, colours::red);
    EXPECT_EQ(paintText(id, 16, " 1").textColour, colours::black);
    EXPECT_EQ(paintText(id, 22, " 2").textColour, colours::blue);
    EXPECT_EQ(paintText(id, 23, "  3.4").background, colours::paleYellow);
    EXPECT_EQ(paintText(id, 2, "name").align, HAlign::Left);
}

TEST(HorseGridColours, AnomalyGroupsAndSeparators)
{
    EXPECT_EQ(paintText(GridId::StringGrid27, 14, "15:40").background, colours::lightCyan);
    EXPECT_EQ(paintText(GridId::StringGrid29, 14, "  3.4").background, colours::white);
    EXPECT_EQ(paintText(GridId::StringGrid28, 17, "  1.20").background, colours::popularityGreen);
    EXPECT_EQ(paintText(GridId::StringGrid30, 16, "  1.20").background, colours::lilac);
    EXPECT_EQ(paintText(GridId::StringGrid30, 17, "  1.2").background, colours::lilac);
    EXPECT_EQ(paintText(GridId::StringGrid27, 16, "  1.2").background, colours::white);
    EXPECT_EQ(paintText(GridId::StringGrid29, 18, " 1").textColour, colours::red);
    EXPECT_FALSE(paintText(GridId::StringGrid29, 20, " 1").bold);

    Grids grids;
    const TextGrid& grid = grids[GridId::StringGrid28];
    for (int row : {0, 1})
        for (int col : {5, 9, 13, 17}) {
            const CellStyle s = paint(GridId::StringGrid28, grid, row, col);
            ASSERT_EQ(s.lineCount, 1) << row << "," << col;
            EXPECT_EQ(s.lines[0], (CellLine{CellEdge::Right, colours::blue, 3}));
        }
    EXPECT_EQ(paint(GridId::StringGrid28, grid, 1, 6).lineCount, 0);
}

TEST(GapColours, ThresholdComparesTheShownValue)
{
    RenderContext render;
    render.setGapThreshold(0, std::string_view("1.6"));
    const GridId id = GridId::StringGrid20;
    EXPECT_EQ(paintText(id, 7, "   1.6", &render).background, colours::red); // however close the quotient
    EXPECT_EQ(paintText(id, 7, "   1.5", &render).background, colours::white);
    // Each grid has its own box.
    EXPECT_EQ(paintText(GridId::StringGrid21, 7, "   1.5", &render).background, colours::red);
    render.setGapThreshold(1, std::string_view("1.55"));
    EXPECT_EQ(paintText(GridId::StringGrid21, 7, "   1.5", &render).background, colours::white);
    EXPECT_EQ(paintText(GridId::StringGrid21, 7, "   1.6", &render).background, colours::red);
    // An empty box counts as 0: every ratio is marked.
    render.setGapThreshold(3, std::string_view(""));
    EXPECT_EQ(render.gapThreshold(3), 0.0);
    EXPECT_EQ(paintText(GridId::StringGrid23, 7, "   1.0", &render).background, colours::red);
    // Without a context the setting's default 1.5 applies.
    EXPECT_EQ(paintText(GridId::StringGrid22, 7, "   1.5").background, colours::red);
    EXPECT_EQ(paintText(GridId::StringGrid22, 7, "   1.4").background, colours::white);

    EXPECT_EQ(paintText(id, 0, " 1").background, colours::skyBlue);
    EXPECT_TRUE(paintText(id, 0, " 1").bold);
    EXPECT_EQ(paintText(id, 10, "4").background, colours::blue);
    EXPECT_EQ(paintText(id, 11, "12").background, colours::tipBackground);
    EXPECT_EQ(paintText(id, 12, "name").align, HAlign::Left);
    EXPECT_EQ(paintText(id, 4, "  3.4").align, HAlign::Center);
    EXPECT_EQ(paintText(id, 14, " 2").textColour, colours::blue);
    EXPECT_EQ(paintText(id, 14, " 2").background, colours::resultYellow);
    EXPECT_EQ(paintText(id, 6, ">").background, colours::gray);
}

TEST(MatrixColours, HeadersDiagonalAndOddsBands)
{
    analysis::RaceSlot slot = raceSlot(6, "44", {2, 1, 0, 3});
    RenderContext render;
    render.setRace(&slot, results::PayoutTable());
    Grids grids;
    TextGrid& m = grids[GridId::StringGrid24];
    m.setSize(4, 6);
    m.setCell(0, 3, " 2");
    m.setCell(0, 4, " 1");
    m.setCell(0, 5, " 3");
    m.setCell(1, 0, "2");
    m.setCell(1, 4, "  10.0");
    m.setCell(1, 5, "  10.1");
    m.setCell(2, 3, " 100.0");
    m.setCell(2, 5, "  50.0");
    m.setCell(3, 3, "  49.9");
    const auto at = [&](int r, int c) { return paint(GridId::StringGrid24, m, r, c, &render); };
    EXPECT_EQ(at(0, 3).background, colours::red);  // horse 2 won
    EXPECT_EQ(at(0, 4).background, colours::blue); // horse 1 second
    EXPECT_EQ(at(0, 5).background, colours::aqua); // horse 3 unplaced
    EXPECT_EQ(at(0, 1).background, colours::aqua);
    EXPECT_EQ(at(1, 0).background, colours::gray); // bracket 2
    EXPECT_EQ(at(1, 1).background, colours::cream);
    EXPECT_EQ(at(1, 3).background, colours::yellow); // against itself
    EXPECT_EQ(at(3, 4).background, colours::gray);   // empty
    EXPECT_EQ(at(1, 4).background, colours::white);
    EXPECT_EQ(at(1, 4).textColour, colours::blue);
    EXPECT_EQ(at(1, 5).textColour, colours::black);
    EXPECT_EQ(at(2, 3).textColour, colours::red);
    EXPECT_EQ(at(2, 5).textColour, colours::green);
    EXPECT_EQ(at(3, 3).textColour, colours::black);
    EXPECT_EQ(at(2, 3).offsetY, 2);
    EXPECT_EQ(at(0, 3).offsetY, 2);
}

TEST(AdvantageColours, RatioBandsAndWinningBracketPair)
{
    const GridId id = GridId::StringGrid25;
    EXPECT_EQ(paintText(id, 7, "    1.30").background, colours::fuchsia);
    EXPECT_EQ(paintText(id, 7, "    1.29").background, colours::aqua);
    EXPECT_EQ(paintText(id, 7, "    1.20").background, colours::aqua);
    EXPECT_EQ(paintText(id, 7, "    1.19").background, colours::yellow);
    EXPECT_EQ(paintText(id, 7, "    1.10").background, colours::yellow);
    EXPECT_EQ(paintText(id, 7, "    1.09").background, colours::white);
    EXPECT_EQ(paintText(id, 6, "    9.99").background, colours::white);
    EXPECT_EQ(paintText(id, 4, "   12.0").background, colours::lightCyan);
    EXPECT_EQ(paintText(id, 7, "    1.30").offsetY, 1);

    analysis::RaceSlot slot = raceSlot(10, "44");
    const std::string hr = HrBuilder().date(2024, 1, 15).track("44").race(11)
                               .bracketQuinella(1, 3, 6, 1230, 4).build();
    RenderContext render;
    render.setRace(&slot, results::payoutTableOf(hr));
    EXPECT_EQ(render.resultBracketPairs[0], " 3- 6");
    EXPECT_EQ(paintText(id, 0, " 3- 6", &render).background, colours::red);
    EXPECT_EQ(paintText(id, 0, " 3- 7", &render).background, colours::paleGreen);
    // Empty result entries never match an empty cell.
    EXPECT_EQ(paintText(id, 0, "", &render).background, colours::paleGreen);
}

TEST(SelectionOutline, FramesTheRowOrTheCell)
{
    Grids grids;
    TextGrid& grid = grids[GridId::StringGrid26];
    const CellStyle first = paint(GridId::StringGrid26, grid, 1, 0, nullptr, true);
    EXPECT_EQ(first.lineCount, 3); // top, bottom, left
    EXPECT_EQ(first.background, colours::white);
    const CellStyle last = paint(GridId::StringGrid26, grid, 1, grid.colCount() - 1, nullptr, true);
    EXPECT_EQ(last.lines[2].edge, CellEdge::Right);
    const CellStyle cell = paint(GridId::StringGrid25, grids[GridId::StringGrid25], 1, 3, nullptr, true);
    EXPECT_EQ(cell.lineCount, 4);
    // Fixed cells are never framed.
    EXPECT_EQ(paint(GridId::StringGrid4, grids[GridId::StringGrid4], 1, 0, nullptr, true).lineCount, 0);
}

namespace {

// A race card of 12 runners whose row 1 shows horse 1 and row 2 horse 12 (sorted).
struct RaceCard {
    Grids grids;
    analysis::RaceSlot slot = raceSlot(12, "44");
    RenderContext render;

    RaceCard()
    {
        slot.seRecords[1] = SeBuilder().horse(1).horseName(sj("アイウエオカキクケコ")).sex("1").age(4)
                                .weightTenths(550).jockey(sj("騎手一")).trainer(sj("調教一")).build();
        slot.seRecords[12] = SeBuilder().horse(12).sex("3").age(0).weightTenths(0).build();
        analysis::RaceRecord& r = slot.record;
        r.winOdds[1] = 3.4;
        r.winPopularity[1] = 1;
        r.placeLowOdds[1] = -1.0; // cancelled
        r.placeHighOdds[1] = 2.0;
        r.placeLowPopularity[1] = 0;
        r.placeHighPopularity[1] = 4;
        r.finishPosition[1] = 2;
        r.finalPopularity[1] = 3;
        r.finalWinOdds[1] = 0.0;
        r.winOdds[12] = 123.4;
        r.placeLowOdds[12] = 10.5;
        r.placeHighOdds[12] = 20.0;
        r.finalWinOdds[12] = 45.6;
        render.setRace(&slot, results::PayoutTable());
        TextGrid& card = grids[GridId::StringGrid2];
        card.setRowCount(13);
        card.setCell(1, 1, " 1");
        card.setCell(2, 1, "12");
        card.setCell(2, 7, "stale text"); // the card draws from the model, not from here
    }
    CellStyle at(int row, int col) { return paint(GridId::StringGrid2, grids[GridId::StringGrid2], row, col, &render); }
};

} // namespace

TEST(RaceCard, DrawsEachRowFromTheHorseInColumnOne)
{
    RaceCard card;
    const CellStyle bracket1 = card.at(1, 0);
    EXPECT_EQ(bracket1.text, "1");
    EXPECT_EQ(bracket1.background, colours::white);
    EXPECT_EQ(bracket1.textColour, colours::black);
    EXPECT_EQ(bracket1.fontPixelHeight, 13);
    EXPECT_TRUE(bracket1.bold);
    EXPECT_EQ(bracket1.offsetX, 6);
    const CellStyle bracket8 = card.at(2, 0);
    EXPECT_EQ(bracket8.text, "8");
    EXPECT_EQ(bracket8.background, colours::fuchsia);
    EXPECT_EQ(bracket8.textColour, colours::white);

    const CellStyle number = card.at(2, 1);
    EXPECT_TRUE(number.ownText);
    EXPECT_EQ(number.text, "12");
    EXPECT_EQ(number.background, colours::tipBackground);
    EXPECT_EQ(number.offsetX, 2);
    EXPECT_EQ(number.offsetY, 2);
    EXPECT_EQ(number.align, HAlign::Left);

    EXPECT_EQ(card.at(1, 2).text, sj("アイウエオカキクケ")); // the first 18 bytes
    EXPECT_EQ(card.at(1, 2).fontPixelHeight, 12);
    EXPECT_EQ(card.at(1, 3).text, sj("牡 4"));
    EXPECT_EQ(card.at(2, 3).text, sj("ｾﾝ  "));
    EXPECT_EQ(card.at(1, 4).text, "55.0");
    EXPECT_EQ(card.at(2, 4).text, "   ");
    EXPECT_EQ(card.at(1, 5).text, sj("騎手一  "));
    EXPECT_EQ(card.at(1, 6).text, sj("調教一  "));

    EXPECT_EQ(card.at(1, 7).text, "   3.4");
    EXPECT_EQ(card.at(2, 7).text, " 123.4");
    EXPECT_EQ(card.at(1, 9).text, " ");  // cancelled
    EXPECT_EQ(card.at(1, 11).text, " "); // no upper odds without a lower figure
    EXPECT_EQ(card.at(2, 11).text, "  20.0");

    const CellStyle first = card.at(1, 8);
    EXPECT_EQ(first.text, " 1");
    EXPECT_EQ(first.background, colours::popularityGreen);
    EXPECT_TRUE(first.bold);
    EXPECT_EQ(first.textColour, colours::red);
    const CellStyle none = card.at(1, 10);
    EXPECT_EQ(none.text, " ");
    EXPECT_EQ(none.textColour, colours::black);
    EXPECT_EQ(card.at(1, 12).textColour, colours::black);

    const CellStyle finish = card.at(1, 17);
    EXPECT_EQ(finish.text, " 2");
    EXPECT_EQ(finish.background, colours::resultYellow);
    EXPECT_EQ(finish.textColour, colours::blue);
    EXPECT_EQ(finish.offsetX, 6);
    EXPECT_EQ(card.at(1, 18).textColour, colours::blue);
    EXPECT_EQ(card.at(1, 19).text, " ");
    const CellStyle odds = card.at(2, 19);
    EXPECT_EQ(odds.text, "  45.6");
    EXPECT_FALSE(odds.bold);
    EXPECT_EQ(odds.textColour, colours::black);

    // Every cell, header or data, has its black bottom line; a selected row shows nothing more.
    for (int col : {0, 4, 13, 19}) {
        const CellStyle s = paint(GridId::StringGrid2, card.grids[GridId::StringGrid2], 1, col, &card.render, true);
        ASSERT_EQ(s.lineCount, 1);
        EXPECT_EQ(s.lines[0], (CellLine{CellEdge::Bottom, colours::black, 1}));
    }
    EXPECT_EQ(card.at(0, 5).lineCount, 1);
}

TEST(RaceCard, TwoLineHeaders)
{
    RaceCard card;
    EXPECT_EQ(card.at(0, 0).text, sj("枠\n番"));
    EXPECT_EQ(card.at(0, 2).text, sj("馬名"));
    EXPECT_EQ(card.at(0, 7).text, sj("単勝ｵｯｽﾞ\n "));
    EXPECT_EQ(card.at(0, 9).text, sj("複勝ｵｯｽﾞ\n　最低"));
    EXPECT_EQ(card.at(0, 11).text, sj("複勝ｵｯｽﾞ\n　最高"));
    EXPECT_EQ(card.at(0, 12).text, sj("順\n位"));
    EXPECT_EQ(card.at(0, 17).text, sj("着順\n　"));
    EXPECT_EQ(card.at(0, 19).text, sj("確定ｵｯｽﾞ\n　"));
    EXPECT_FALSE(card.at(0, 14).ownText); // hidden columns keep their stored header
    const CellStyle header = card.at(0, 17);
    EXPECT_EQ(header.offsetX, 2);
    EXPECT_EQ(header.align, HAlign::Left);
    EXPECT_EQ(header.background, colours::silver);
    EXPECT_EQ(header.fontPixelHeight, 0);
}

TEST(RaceCard, WeightsOfBaneiTracksAreHexadecimalKilograms)
{
    analysis::RaceSlot banei = raceSlot(2, "83");
    banei.seRecords[1] = SeBuilder().horse(1).baneiWeight(1000).build(); // "3E8"
    banei.seRecords[2] = SeBuilder().horse(2).text(289, 3, "000").build();
    EXPECT_EQ(raceCardText(banei, 2, 1, 4), "1000");
    EXPECT_EQ(raceCardText(banei, 2, 2, 4), "   0");
    analysis::RaceSlot flat = raceSlot(2, "44");
    flat.seRecords[1] = SeBuilder().horse(1).text(289, 3, "550").build();
    EXPECT_EQ(raceCardText(flat, 2, 1, 4), "55.0");
    EXPECT_EQ(raceCardText(flat, 2, 0, 4), ""); // no horse
}

TEST(RaceCard, WithoutARaceTheCellsShowTheirOwnTexts)
{
    Grids grids;
    TextGrid& card = grids[GridId::StringGrid2];
    card.setCell(1, 1, " 1");
    card.setCell(1, 8, " 2");
    const CellStyle s = paint(GridId::StringGrid2, card, 1, 8);
    EXPECT_FALSE(s.ownText);
    EXPECT_EQ(s.textColour, colours::blue);
    EXPECT_EQ(s.background, colours::popularityGreen);
    // An empty row has no horse: its bracket cell takes the grid's background.
    card.setCell(1, 1, "");
    RenderContext render;
    analysis::RaceSlot slot = raceSlot(1, "44");
    render.setRace(&slot, results::PayoutTable());
    const CellStyle empty = paint(GridId::StringGrid2, card, 1, 0, &render);
    EXPECT_EQ(empty.text, "");
    EXPECT_EQ(empty.background, colours::white);
}
