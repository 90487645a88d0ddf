#pragma once
// The controls of the comparison pages and the one table the window builds itself:
// the gap thresholds of "断層表" (SEdit1-4), the quinella matrix of "馬連マトリクス"
// (StringGrid24, MatrixBtn, RadioGroup4 "配列基準"), the difference/ratio switch
// (RadioGroup3 "差・比切替") and the folding (RadioGroup15 "表を折りたたむ") of
// "券種別オッズ比較", and the standard-deviation menu items. Every switch keeps its
// value in the settings file across program runs.
//
// The main window owns one MatrixModel beside its grids: restore() at window creation,
// momentOptions() and matrixRefresh() for every moment selection, and the handlers for
// the controls.

#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "analysis/day_table.h"
#include "analysis/selected_moment.h"
#include "presentation/grid_layouts.h"
#include "presentation/selected_moment_grids.h"
#include "settings/ini_file.h"

namespace tidemark::presentation {

// --- the quinella matrix -----------------------------------------------------------------

// "配列基準" (RadioGroup4): which popularity orders the matrix, down and across.
enum class MatrixBasis {
    WinPopularity = 0,            // "単勝人気"
    PlaceLowPopularity = 1,       // "複勝(低)人気"
    PlaceHighPopularity = 2,      // "複勝(高)人気"
    PseudoQuinellaPopularity = 3, // "馬連人気"
};
inline constexpr int kMatrixBasisCount = 4;
// An item index outside 0..3 (a damaged settings value) counts as the first item.
MatrixBasis matrixBasisOf(int itemIndex);
// The item text (CP932).
std::string matrixBasisText(MatrixBasis basis);

// Rebuilds StringGrid24 for `slot` (nullptr = no race open): every cell emptied, then one
// row and one column per horse with a popularity of the basis, in popularity order; row
// cells bracket character, horse "%2d" and the first 18 bytes of the name, column
// headers the horse "%2d", inner cells the quinella odds of the pair "%5.1f" (empty
// without a price and on the diagonal). With no horse placed the grid keeps its header
// row and the three label columns.
void buildQuinellaMatrix(TextGrid& grid, const analysis::RaceSlot* slot, MatrixBasis basis);

// --- folding of the ticket-type table ------------------------------------------------------

// "表を折りたたむ" (RadioGroup15): which of columns 2-5 of StringGrid11 are hidden.
enum class GridFolding {
    None = 0,  // "無効": name, sex and age, weight, jockey shown
    Fold1 = 1, // "折りたたみ１": the name only
    Fold2 = 2, // "折りたたみ２": all four hidden
};
inline constexpr int kGridFoldingCount = 3;
GridFolding gridFoldingOf(int itemIndex); // outside 0..2: None
// Widths of columns 2, 3, 4, 5 of StringGrid11 for `folding` (-1 hidden).
std::array<int, 4> foldedWidths(GridFolding folding);
void applyFolding(TextGrid& ticketTypeGrid, GridFolding folding);

// --- the controls --------------------------------------------------------------------------

// The threshold boxes SEdit1..SEdit4 by index 0..3, with the gap grid each one colours.
inline constexpr int kThresholdBoxes = 4;
GridId thresholdGrid(int index);   // StringGrid20..23
int thresholdIndexOf(GridId grid); // -1 for grids without a threshold

// What the view repaints after a change made by the program or a handler.
class MatrixModelObserver {
public:
    virtual ~MatrixModelObserver() = default;
    virtual void thresholdTextChanged(int /*index*/) {} // restore() set an edit box text
    virtual void switchesChanged() {}                   // radio groups or menu items
    // Grids are reported by their own TextGridObserver.
};

class MatrixModel {
public:
    // The race on screen: nullptr when none is open.
    using CurrentRace = std::function<const analysis::RaceSlot*()>;

    MatrixModel(IniFile& ini, GridSet& grids, CurrentRace currentRace);

    void setObserver(MatrixModelObserver* observer) { m_observer = observer; }
    // Told when a switch or box could not be stored: the choice stays on screen, the
    // program goes on.
    void setSettingsFailed(std::function<void(const std::exception&)> report) { m_settingsFailedReport = std::move(report); }

    // Window creation: every control takes its stored value and its view follows as if
    // the user had chosen it (the folding is applied, the switch and the matrix are
    // redrawn for a race already open). Nothing is written to the settings file.
    void restore();

    // --- handlers ------------------------------------------------------------------------
    // Edit boxes of "断層表": the text is stored at every keystroke. The grids are not
    // repainted by this; their colours read the threshold when they are painted.
    void SEdit1Change(std::string_view text) { thresholdChange(0, text); }
    void SEdit2Change(std::string_view text) { thresholdChange(1, text); }
    void SEdit3Change(std::string_view text) { thresholdChange(2, text); }
    void SEdit4Change(std::string_view text) { thresholdChange(3, text); }
    void MatrixBtnClick();
    void RadioGroup4Click(int itemIndex);
    void RadioGroup3Click(int itemIndex);
    void RadioGroup15Click(int itemIndex);
    // Either standard-deviation menu item: 0 "標本標準偏差(STDEV)", 1 "母集団標準偏差(STDEVP)".
    // The shown value follows at the next moment selection.
    void STDEVClick(int kind);

    // --- state shown by the view -----------------------------------------------------------
    // Text of edit box 0..3 (SEdit1..SEdit4), CP932; empty outside the range.
    const std::string& SEditText(int index) const;
    // The threshold a box stands for: its decimal value; an empty, invalid or negative
    // text counts as 0 (every ratio coloured).
    double threshold(int index) const;
    int RadioGroup4ItemIndex() const { return static_cast<int>(m_basis); }
    int RadioGroup3ItemIndex() const { return static_cast<int>(m_diffRatio); }
    int RadioGroup15ItemIndex() const { return static_cast<int>(m_folding); }
    MatrixBasis basis() const { return m_basis; }
    DiffRatioMode diffRatioMode() const { return m_diffRatio; }
    GridFolding folding() const { return m_folding; }
    analysis::StdDevKind stdDevKind() const { return m_stdDev; }
    bool STDEVChecked() const { return m_stdDev == analysis::StdDevKind::Sample; }
    bool STDEVPChecked() const { return m_stdDev == analysis::StdDevKind::Population; }
    // The selected item text of RadioGroup4 ("単勝人気" …), for the clipboard title.
    std::string basisText() const { return matrixBasisText(m_basis); }

    // --- what a moment selection needs ------------------------------------------------------
    // The checked standard deviation and the switch position.
    SelectedMomentOptions momentOptions() const;
    // Rebuilds the matrix for the race on screen (as MatrixBtn does).
    void refreshMatrix();
    // refreshMatrix as the callback of runSelectedMoment; valid as long as this model.
    std::function<void()> matrixRefresh();

    // --- fixed captions (CP932) -------------------------------------------------------------
    static std::string thresholdCaption(int index); // "単勝断層" …
    static std::string thresholdSuffix();           // "倍以上を着色"
    static std::string MatrixBtnCaption();          // "マトリクス"
    static std::string RadioGroup4Caption();        // "配列基準"
    static std::string RadioGroup3Caption();        // "差・比切替"
    static std::string RadioGroup15Caption();       // "表を折りたたむ"
    static std::string RadioGroup3Item(int index);  // "差表示", "比表示"
    static std::string RadioGroup15Item(int index); // "無効", "折りたたみ１", "折りたたみ２"
    // Accepts what a box with two integer and two fraction digits and no sign can hold
    // ("", "1", "12.", "1.5", "99.99"); the view keeps other keystrokes out.
    static bool acceptableThresholdText(std::string_view text);

private:
    // Writes one setting; a file error goes to the report instead of the caller. A box
    // stored at every keystroke reports a run of failures once.
    void storeSetting(const std::function<void()>& write, bool oncePerRun = false);
    std::function<void(const std::exception&)> m_settingsFailedReport;
    bool m_settingsFailed = false; // the threshold boxes' run of failures
    void thresholdChange(int index, std::string_view text);
    void rewriteDiffColumns();
    void notifySwitches();

    IniFile& m_ini;
    GridSet& m_grids;
    CurrentRace m_currentRace;
    MatrixModelObserver* m_observer = nullptr;

    std::array<std::string, kThresholdBoxes> m_thresholds;
    MatrixBasis m_basis = MatrixBasis::WinPopularity;
    DiffRatioMode m_diffRatio = DiffRatioMode::Differences;
    GridFolding m_folding = GridFolding::None;
    analysis::StdDevKind m_stdDev = analysis::StdDevKind::Sample;
};

} // namespace tidemark::presentation
