#include "presentation/grid_layouts.h"

#include <algorithm>
#include <initializer_list>
#include <utility>

#include "text/cp932.h"
#include "text/number_format.h"

namespace tidemark::presentation {
namespace {

using text::sj;

// One column of a layout: header (UTF-8 in the source, stored as CP932) and width.
struct Column {
    std::string_view header;
    int width;
};

constexpr int kMaxRunners = 18;
constexpr int kBracketPairs = 36;
constexpr int kQuinellaPairs = 153;

// Writes headers and widths of columns from `first` on; the grid must be wide enough.
void applyColumns(TextGrid& grid, int first, std::initializer_list<Column> columns)
{
    int c = first;
    for (const Column& col : columns) {
        grid.setCell(0, c, sj(col.header));
        grid.setColWidth(c, col.width);
        ++c;
    }
}

// Shape, font and behaviour shared by every grid; cells emptied.
void prepare(TextGrid& grid, int cols, std::string font, int fontPixels, int rowHeight, int fixedCols,
    SelectionMode mode, int defaultColWidth = 64)
{
    grid.setSize(0, 0); // forget texts, widths and heights of an earlier layout
    grid.setDefaultColWidth(defaultColWidth);
    grid.setFixedRows(1);
    grid.setFixedCols(fixedCols);
    grid.setDefaultRowHeight(rowHeight);
    grid.setSize(2, cols);
    grid.setFont(std::move(font), fontPixels);
    grid.setSelectionMode(mode);
    grid.setScrollBars(true);
    grid.setFlatBorder(false);
    grid.setVisible(true);
    grid.clearSelection();
}

// Columns 0–5 of every horse grid but the race card.
void horseIdentityColumns(TextGrid& grid)
{
    applyColumns(grid, 0,
        {{"枠", 20}, {"馬", 20}, {"馬名", 130}, {"性齢", 35}, {"斤量", 35}, {"騎手", 60}});
}

void layOutRaceCard(TextGrid& grid)
{
    prepare(grid, 20, fixedPitchGothic(), 12, 18, 2, SelectionMode::Row); // 9 pt
    grid.setRowHeight(0, 27);
    applyColumns(grid, 0,
        {{"枠", 20}, {"馬", 20}, {"馬名", 150}, {"性齢", 30}, {"斤量", 30}, {"騎手", 50}, {"調教師", 50},
            {"単勝", 50}, {"順", 20}, {"複勝(低)", 50}, {"順", 20}, {"複勝(高)", 50}, {"順", 20},
            // Mining columns: kept, filled and copied, never shown.
            {"ﾀｲﾑ型", TextGrid::kHidden}, {"順", TextGrid::kHidden}, {"対戦型", TextGrid::kHidden},
            {"順", TextGrid::kHidden}, {"着順", 30}, {"人気", 30}, {"確定ｵｯｽﾞ", 50}});
}

void layOutThreePoint(TextGrid& grid)
{
    prepare(grid, 21, fixedPitchGothic(), 13, 15, 0, SelectionMode::Row);
    horseIdentityColumns(grid);
    applyColumns(grid, 6,
        {{"オッズ1", 50}, {"得票率1", 50}, {"順", 20}, {"オッズ2", 50}, {"得票率2", 50}, {"順", 20},
            {"オッズ3", 50}, {"得票率3", 50}, {"順", 20}, {"Min順", 35}, {"Max順", 35}, {"変動", 30},
            {"着", 20}, {"人", 20}, {"確ｵｯｽﾞ", 45}});
}

void layOutTicketType(TextGrid& grid)
{
    prepare(grid, 24, fixedPitchGothic(), 13, 15, 0, SelectionMode::Row);
    horseIdentityColumns(grid);
    applyColumns(grid, 6,
        {{"単ｵｯｽﾞ", 50}, {"得票率", 50}, {"順", 20}, {"複ｵｽﾞ低", 50}, {"得票率", 50}, {"順", 20},
            {"複ｵｽﾞ高", 50}, {"得票率", 50}, {"順", 20}, {"馬連ｵｽﾞ", 50}, {"得票率", 50}, {"順", 20},
            {"単複差", 45}, {"単連差", 45}, {"連複差", 45}, {"着", 20}, {"人", 20}, {"確ｵｯｽﾞ", 45}});
}

void layOutAnomaly(GridId id, TextGrid& grid)
{
    prepare(grid, 21, fixedPitchGothic(), 13, 15, 0, SelectionMode::Row);
    horseIdentityColumns(grid);
    // The ratio columns 9, 13, 17 are wider on three of the four grids.
    const int ratio = (id == GridId::StringGrid28 || id == GridId::StringGrid29) ? 55 : 50;
    if (id == GridId::StringGrid27) {
        applyColumns(grid, 6,
            {{"時刻1", 50}, {"単ｵｯｽﾞ1", 50}, {"複ｵｯｽﾞ1", 50}, {"単÷複1", ratio}, {"時刻2", 50},
                {"単ｵｯｽﾞ2", 50}, {"複ｵｯｽﾞ2", 50}, {"単÷複2", ratio}, {"時刻3", 50}, {"単ｵｯｽﾞ3", 50},
                {"複ｵｯｽﾞ3", 50}, {"単÷複3", ratio}});
    } else if (id == GridId::StringGrid28) {
        applyColumns(grid, 6,
            {{"時刻1", 50}, {"複ｵｯｽﾞ1", 50}, {"単ｵｯｽﾞ1", 50}, {"複÷単1", ratio}, {"時刻2", 50},
                {"複ｵｯｽﾞ2", 50}, {"単ｵｯｽﾞ2", 50}, {"複÷単2", ratio}, {"時刻3", 50}, {"複ｵｯｽﾞ3", 50},
                {"単ｵｯｽﾞ3", 50}, {"複÷単3", ratio}});
    } else { // StringGrid29, StringGrid30: the series against the selected moment
        applyColumns(grid, 6,
            {{"Max時", 50}, {"Maxｵｽﾞ", 50}, {"選ｵｯｽﾞ", 50}, {"Max/選", ratio}, {"Min時", 50},
                {"Minｵｽﾞ", 50}, {"選ｵｯｽﾞ", 50}, {"Min/選", ratio}, {"Maxｵｽﾞ", 50}, {"Minｵｽﾞ", 50},
                {"Max/Min", 50}, {"Max-Min", ratio}});
    }
    applyColumns(grid, 18, {{"着", 20}, {"人", 20}, {"確ｵｯｽﾞ", 45}});
}

void layOutGap(GridId id, TextGrid& grid)
{
    prepare(grid, 15, fixedPitchGothic(), 13, 15, 0, SelectionMode::Row);
    std::string_view odds = "単ｵｯｽﾞ";
    int oddsWidth = 50;
    if (id == GridId::StringGrid21) {
        odds = "複(低)";
    } else if (id == GridId::StringGrid22) {
        odds = "複(高)";
    } else if (id == GridId::StringGrid23) {
        odds = "馬連ｵｯｽﾞ";
        oddsWidth = 60;
    }
    // The upper horse of an adjacent pair, the gap ratio between ">" and "<", the lower horse.
    applyColumns(grid, 0,
        {{"人", 20}, {"枠", 20}, {"馬", 20}, {"馬名", 130}, {odds, oddsWidth}, {"着", 20}, {"", 10},
            {"断層", 50}, {"", 10}, {"人", 20}, {"枠", 20}, {"馬", 20}, {"馬名", 130}, {odds, oddsWidth},
            {"着", 20}});
}

void layOutMatrix(TextGrid& grid)
{
    // Rebuilt at every moment selection with one row and one column per placed horse.
    prepare(grid, 21, fixedPitchGothic(), 12, 15, 0, SelectionMode::Cell, 40);
    applyColumns(grid, 0, {{"", 17}, {"", 20}, {"", 112}});
    grid.setScrollBars(false);
    grid.setFlatBorder(true);
}

void layOutAdvantage(TextGrid& grid)
{
    prepare(grid, 8, fixedPitchGothic(), 12, 15, 0, SelectionMode::Cell);
    applyColumns(grid, 0,
        {{"枠連", 40}, {"ｵｯｽﾞ", 50}, {"人気", 30}, {"馬連", 40}, {"ｵｯｽﾞ", 50}, {"人気", 30}, {"ｵｯｽﾞ差", 50},
            {"ｵｯｽﾞ比", 50}});
}

// How a time-series grid spreads its values over columns 2..
enum class SeriesColumns {
    None,         // not a time-series grid
    PerHorse,     // column h+1 = horse h, "(単)"
    PerHorsePlace,// column h+1 = horse h, "(複)"
    LowHigh,      // columns 2h and 2h+1 = lower and upper place odds of horse h
    BracketPairs, // column p+1 = bracket pair p
    QuinellaPairs,// column p+1 = quinella pair p
};

SeriesColumns seriesColumns(GridId id)
{
    switch (id) {
    case GridId::StringGrid4:
    case GridId::StringGrid12:
    case GridId::StringGrid16: return SeriesColumns::PerHorse;
    case GridId::StringGrid13: return SeriesColumns::PerHorsePlace;
    case GridId::StringGrid5:
    case GridId::StringGrid17: return SeriesColumns::LowHigh;
    case GridId::StringGrid6:
    case GridId::StringGrid14:
    case GridId::StringGrid18: return SeriesColumns::BracketPairs;
    case GridId::StringGrid7:
    case GridId::StringGrid15:
    case GridId::StringGrid19: return SeriesColumns::QuinellaPairs;
    case GridId::StringGrid2:
    case GridId::StringGrid8:
    case GridId::StringGrid9:
    case GridId::StringGrid10:
    case GridId::StringGrid11:
    case GridId::StringGrid20:
    case GridId::StringGrid21:
    case GridId::StringGrid22:
    case GridId::StringGrid23:
    case GridId::StringGrid24:
    case GridId::StringGrid25:
    case GridId::StringGrid26:
    case GridId::StringGrid27:
    case GridId::StringGrid28:
    case GridId::StringGrid29:
    case GridId::StringGrid30: break;
    }
    return SeriesColumns::None;
}

// Widths of the time column, the vote-total column and the value columns.
struct TimeSeriesWidths {
    int time;
    int total;
    int value;
};

TimeSeriesWidths timeSeriesWidths(SeriesColumns kind)
{
    switch (kind) {
    case SeriesColumns::None: break;
    case SeriesColumns::PerHorse: return {45, 67, 45};
    case SeriesColumns::PerHorsePlace:
    case SeriesColumns::LowHigh: return {45, 68, 45};
    case SeriesColumns::BracketPairs: return {60, 71, 60};
    case SeriesColumns::QuinellaPairs: return {60, 90, 60};
    }
    return {0, 0, 0};
}

void layOutTimeSeries(GridId id, TextGrid& grid)
{
    const TimeSeriesWidths w = timeSeriesWidths(seriesColumns(id));
    // The win grids use the proportional font; the others the fixed-pitch one.
    const bool proportional = id == GridId::StringGrid4 || id == GridId::StringGrid12 || id == GridId::StringGrid16;
    // Pair grids have a column per pair whatever the field; horse grids get theirs with a race.
    const int cols = std::max(timeSeriesColumnCount(id, 0), 2);
    prepare(grid, cols, proportional ? proportionalGothic() : fixedPitchGothic(), 13, 15, 1, SelectionMode::Row,
        w.value);
    applyColumns(grid, 0, {{"", w.time}, {"票数(百円)", w.total}});
}

std::string horseHeader(int horse, std::string_view suffix)
{
    return text::formatInt(horse, 2) + sj(suffix);
}

} // namespace

std::string_view gridName(GridId id)
{
    switch (id) {
    case GridId::StringGrid2: return "StringGrid2";
    case GridId::StringGrid4: return "StringGrid4";
    case GridId::StringGrid5: return "StringGrid5";
    case GridId::StringGrid6: return "StringGrid6";
    case GridId::StringGrid7: return "StringGrid7";
    case GridId::StringGrid8: return "StringGrid8";
    case GridId::StringGrid9: return "StringGrid9";
    case GridId::StringGrid10: return "StringGrid10";
    case GridId::StringGrid11: return "StringGrid11";
    case GridId::StringGrid12: return "StringGrid12";
    case GridId::StringGrid13: return "StringGrid13";
    case GridId::StringGrid14: return "StringGrid14";
    case GridId::StringGrid15: return "StringGrid15";
    case GridId::StringGrid16: return "StringGrid16";
    case GridId::StringGrid17: return "StringGrid17";
    case GridId::StringGrid18: return "StringGrid18";
    case GridId::StringGrid19: return "StringGrid19";
    case GridId::StringGrid20: return "StringGrid20";
    case GridId::StringGrid21: return "StringGrid21";
    case GridId::StringGrid22: return "StringGrid22";
    case GridId::StringGrid23: return "StringGrid23";
    case GridId::StringGrid24: return "StringGrid24";
    case GridId::StringGrid25: return "StringGrid25";
    case GridId::StringGrid26: return "StringGrid26";
    case GridId::StringGrid27: return "StringGrid27";
    case GridId::StringGrid28: return "StringGrid28";
    case GridId::StringGrid29: return "StringGrid29";
    case GridId::StringGrid30: return "StringGrid30";
    }
    return {};
}

GridFamily familyOf(GridId id)
{
    switch (id) {
    case GridId::StringGrid2: return GridFamily::RaceCard;
    case GridId::StringGrid26:
    case GridId::StringGrid8:
    case GridId::StringGrid9:
    case GridId::StringGrid10: return GridFamily::ThreePoint;
    case GridId::StringGrid11: return GridFamily::TicketType;
    case GridId::StringGrid27:
    case GridId::StringGrid28:
    case GridId::StringGrid29:
    case GridId::StringGrid30: return GridFamily::Anomaly;
    case GridId::StringGrid20:
    case GridId::StringGrid21:
    case GridId::StringGrid22:
    case GridId::StringGrid23: return GridFamily::Gap;
    case GridId::StringGrid24: return GridFamily::Matrix;
    case GridId::StringGrid25: return GridFamily::Advantage;
    case GridId::StringGrid4:
    case GridId::StringGrid5:
    case GridId::StringGrid6:
    case GridId::StringGrid7: return GridFamily::TimeSeriesOdds;
    case GridId::StringGrid12:
    case GridId::StringGrid13:
    case GridId::StringGrid14:
    case GridId::StringGrid15: return GridFamily::TimeSeriesPopularity;
    case GridId::StringGrid16:
    case GridId::StringGrid17:
    case GridId::StringGrid18:
    case GridId::StringGrid19: return GridFamily::TimeSeriesShare;
    }
    return GridFamily::RaceCard;
}

bool isTimeSeries(GridId id)
{
    return seriesColumns(id) != SeriesColumns::None;
}

std::string fixedPitchGothic()
{
    return sj("ＭＳ ゴシック");
}

std::string proportionalGothic()
{
    return sj("ＭＳ Ｐゴシック");
}

void layOutGrid(GridId id, TextGrid& grid)
{
    const TextGrid::Batch batch(grid);
    switch (familyOf(id)) {
    case GridFamily::RaceCard: layOutRaceCard(grid); break;
    case GridFamily::ThreePoint: layOutThreePoint(grid); break;
    case GridFamily::TicketType: layOutTicketType(grid); break;
    case GridFamily::Anomaly: layOutAnomaly(id, grid); break;
    case GridFamily::Gap: layOutGap(id, grid); break;
    case GridFamily::Matrix: layOutMatrix(grid); break;
    case GridFamily::Advantage: layOutAdvantage(grid); break;
    case GridFamily::TimeSeriesOdds:
    case GridFamily::TimeSeriesPopularity:
    case GridFamily::TimeSeriesShare: layOutTimeSeries(id, grid); break;
    }
}

void layOutAllGrids(GridSet& grids)
{
    for (GridId id : kAllGridIds)
        layOutGrid(id, grids[id]);
}

int timeSeriesColumnCount(GridId id, int runners)
{
    runners = std::clamp(runners, 0, kMaxRunners);
    switch (seriesColumns(id)) {
    case SeriesColumns::None: return 0;
    case SeriesColumns::PerHorse:
    case SeriesColumns::PerHorsePlace: return runners + 2;
    case SeriesColumns::LowHigh: return 2 * runners + 2;
    case SeriesColumns::BracketPairs: return kBracketPairs + 2;
    case SeriesColumns::QuinellaPairs: return kQuinellaPairs + 2;
    }
    return 0;
}

void layOutTimeSeriesColumns(GridId id, TextGrid& grid, int runners, const PairLabels& labels)
{
    const SeriesColumns kind = seriesColumns(id);
    if (kind == SeriesColumns::None)
        return;
    runners = std::clamp(runners, 0, kMaxRunners);
    const TextGrid::Batch batch(grid);
    grid.setColCount(timeSeriesColumnCount(id, runners));
    for (int c = 2; c < grid.colCount(); ++c)
        grid.setCell(0, c, std::string());
    switch (kind) {
    case SeriesColumns::None: break;
    case SeriesColumns::PerHorse:
        for (int h = 1; h <= runners; ++h)
            grid.setCell(0, h + 1, horseHeader(h, "(単)"));
        break;
    case SeriesColumns::PerHorsePlace:
        for (int h = 1; h <= runners; ++h)
            grid.setCell(0, h + 1, horseHeader(h, "(複)"));
        break;
    case SeriesColumns::LowHigh:
        for (int h = 1; h <= runners; ++h) {
            grid.setCell(0, 2 * h, horseHeader(h, "(低)"));
            grid.setCell(0, 2 * h + 1, horseHeader(h, "(高)"));
        }
        break;
    case SeriesColumns::BracketPairs:
        for (int p = 1; p <= kBracketPairs; ++p)
            grid.setCell(0, p + 1, (labels.bracket ? labels.bracket(p) : std::string()) + sj("(枠)"));
        break;
    case SeriesColumns::QuinellaPairs:
        for (int p = 1; p <= kQuinellaPairs; ++p)
            grid.setCell(0, p + 1, (labels.quinella ? labels.quinella(p) : std::string()) + sj("(馬)"));
        break;
    }
}

} // namespace tidemark::presentation
