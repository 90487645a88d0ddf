#pragma once
// What a moment selection shows: the race card with the odds of the moment
// (StringGrid2), the ticket-type comparison (StringGrid11), the four gap tables
// (StringGrid20-23), the bracket-versus-quinella list (StringGrid25), the time-difference
// tables (StringGrid29, StringGrid30), the standard deviation, the moment labels, the
// odds-browse labels, the vote totals and the five popularity lists. Cells hold the texts
// exactly as shown, because sorting, colouring and the clipboard read them back.
//
// The main window runs it from its race-view steps: beginMomentSelection before the
// moment is loaded, runSelectedMoment once it is loaded (TimeComboClick, the time
// buttons, and the last moment of a race that was just opened).

#include <functional>
#include <string>
#include <vector>

#include "analysis/day_table.h"
#include "analysis/selected_moment.h"
#include "presentation/grid_layouts.h"

namespace tidemark {
class MainPanelModel;
struct MainPanelLabels;
namespace analysis {
struct SelectedSnapshot;
}
} // namespace tidemark

namespace tidemark::presentation {

// "差・比切替" (RadioGroup3): columns 18-20 of StringGrid11.
enum class DiffRatioMode {
    Differences = 0, // "差表示": popularity differences
    Ratios = 1,      // "比表示": vote-share ratios
};
DiffRatioMode diffRatioModeOf(int itemIndex);

// The labels of the "オッズ閲覧" pages, by horse number and pair index (element 0 unused):
// "取消", the odds "%6.1f", or empty.
struct OddsBrowseLabels {
    analysis::PerHorse<std::string> win;
    analysis::PerHorse<std::string> placeLow;
    analysis::PerHorse<std::string> placeHigh;
    analysis::PerBracketPair<std::string> bracket;
    analysis::PerQuinellaPair<std::string> quinella;

    void clear();
};

// Labels and lists of the main window that only a moment selection writes.
struct SelectedMomentView {
    std::string SelTimeLabel; // "選択時刻" of the time-difference page
    std::string HensaLabel;   // standard deviation on the race card page
    std::string Label60;      // "hh時mm分" of the O1 snapshot ("単複枠")
    std::string Label56;      // "hh時mm分" of the O2 snapshot ("馬連")
    OddsBrowseLabels browse;

    // "人気順" page: the lists and the time label above each.
    std::vector<std::string> TanList4;
    std::vector<std::string> FLList4;
    std::vector<std::string> FHList4;
    std::vector<std::string> wkList4;
    std::vector<std::string> umList4;
    std::string Label105; // TanList4
    std::string Label107; // FLList4
    std::string Label109; // FHList4
    std::string Label111; // wkList4
    std::string Label129; // umList4

    std::string WKUMCTLabel; // "該当数" of the bracket-versus-quinella list, " 3件"
};

struct SelectedMomentOptions {
    analysis::StdDevKind stdDev = analysis::StdDevKind::Sample; // the checked menu item
    DiffRatioMode RadioGroup3 = DiffRatioMode::Differences;
};

// Step before the moment is loaded: hides the race card (it stays hidden when the moment
// cannot be analysed) and shows the selected time-list entry in SelTimeLabel.
void beginMomentSelection(GridSet& grids, SelectedMomentView& view, const std::string& timeText);

// Writes everything a loaded and analysed moment shows. `timeText` is the selected
// time-list entry ("mm/dd hh:nn"); `refreshMatrix` rebuilds the quinella matrix at its
// place after the gap tables (nothing when empty).
void fillSelectedMoment(GridSet& grids, SelectedMomentView& view, MainPanelLabels& panelLabels,
                        const analysis::RaceSlot& slot, const analysis::MomentAnalysis& analysis,
                        const std::string& timeText, const SelectedMomentOptions& options,
                        const std::function<void()>& refreshMatrix = {});

// The whole moment for the open race of the panel, after loadSelectedSnapshot reported
// Ready: the analysis into the race record, then fillSelectedMoment, then the panel's
// labels are reported changed. Nothing happens when no race is open.
analysis::MomentAnalysis runSelectedMoment(MainPanelModel& panel, GridSet& grids, SelectedMomentView& view,
                                           const analysis::SelectedSnapshot& snapshot,
                                           const SelectedMomentOptions& options,
                                           const std::function<void()>& refreshMatrix = {});

// --- single steps, also used by the comparison switches ---------------------------------

// Rows 1..runnerCount of StringGrid2 / StringGrid11, row h = horse h, every column.
void writeRaceCardRows(TextGrid& grid, const analysis::RaceSlot& slot);
void writeTicketTypeRows(TextGrid& grid, const analysis::RaceSlot& slot, DiffRatioMode mode);

// Headers and cells of StringGrid11 columns 18-20: differences "%2d" or ratios with
// `ratioDecimals` decimals (2 at a moment selection, 1 when the switch is turned), " " for
// no value. Each horse's row is found by its number in column 1, so a sorted grid gets
// every figure on the horse's own row.
void writeTicketTypeDiffColumns(TextGrid& grid, const analysis::RaceRecord& record, DiffRatioMode mode,
                                int ratioDecimals);

// One gap table. With no priced horse the grid is left as it is; otherwise its row count
// is the number of priced horses and each row holds two horses next in popularity.
void writeGapTable(TextGrid& grid, const analysis::RaceSlot& slot, const analysis::GapTable& table);

// StringGrid25 and its count label.
void writeAdvantageTable(TextGrid& grid, std::string& countLabel,
                         const std::vector<analysis::BracketAdvantage>& rows);

// Columns 6-17 of StringGrid29 (win) and StringGrid30 (place): emptied for the horses of
// the race, then written for every horse with a counted snapshot. A horse's row is found
// by its number in column 1, so a sorted grid keeps each horse on its own row. A grid
// with fewer rows than the race has horses is grown to runnerCount + 1 rows.
void writeTimeDifferences(TextGrid& winGrid, TextGrid& placeGrid, const analysis::RaceRecord& record,
                          const analysis::TimeDifferences& differences);

// The label text of a time-list entry "mm/dd hh:nn": "hh時nn分".
std::string listTimeLabel(const std::string& timeText);

} // namespace tidemark::presentation
