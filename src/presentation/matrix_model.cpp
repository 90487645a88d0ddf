#include "presentation/matrix_model.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "records/pair_index.h"
#include "records/record_view.h"
#include "settings/settings_keys.h"
#include "text/cp932.h"
#include "text/file_io.h"
#include "text/number_format.h"

namespace tidemark::presentation {

namespace {

using analysis::RaceRecord;
using analysis::RaceSlot;

constexpr int kLabelCols = 3;     // bracket, horse, name
constexpr int kNameBytes = 18;    // the matrix shows the first half of the name field

const std::array<settings::TextSetting, kThresholdBoxes> kThresholdKeys{
    settings::DansoBorderRatio, settings::DansoBorderRatioF1, settings::DansoBorderRatioF2,
    settings::DansoBorderRatioUR};

const analysis::PerHorse<int>& basisOrder(const RaceRecord& r, MatrixBasis basis)
{
    switch (basis) {
    case MatrixBasis::WinPopularity: return r.winPopularity;
    case MatrixBasis::PlaceLowPopularity: return r.placeLowPopularity;
    case MatrixBasis::PlaceHighPopularity: return r.placeHighPopularity;
    case MatrixBasis::PseudoQuinellaPopularity: return r.pseudoQuinellaPopularity;
    }
    return r.winPopularity;
}

// The pair text of two "%2d" horse texts, the smaller first by bytes: " 3-12".
std::string pairOf(const std::string& a, const std::string& b)
{
    return a < b ? a + "-" + b : b + "-" + a;
}

} // namespace

// --- the quinella matrix -------------------------------------------------------------------

MatrixBasis matrixBasisOf(int itemIndex)
{
    return itemIndex >= 0 && itemIndex < kMatrixBasisCount ? static_cast<MatrixBasis>(itemIndex)
                                                           : MatrixBasis::WinPopularity;
}

std::string matrixBasisText(MatrixBasis basis)
{
    switch (basis) {
    case MatrixBasis::WinPopularity: return text::sj("単勝人気");
    case MatrixBasis::PlaceLowPopularity: return text::sj("複勝(低)人気");
    case MatrixBasis::PlaceHighPopularity: return text::sj("複勝(高)人気");
    case MatrixBasis::PseudoQuinellaPopularity: return text::sj("馬連人気");
    }
    return std::string();
}

void buildQuinellaMatrix(TextGrid& grid, const RaceSlot* slot, MatrixBasis basis)
{
    const TextGrid::Batch batch(grid);
    grid.clear();

    const int runners = slot ? std::clamp(slot->record.runnerCount, 0, analysis::kMaxHorses) : 0;
    // Horses by their place in the chosen order; the orders are unique and run 1, 2, …
    // over the placed horses. A place beyond the field (a record that cannot be) is left
    // out rather than written past the grid.
    analysis::PerHorse<int> horseAt{};
    int placed = 0;
    if (slot) {
        const analysis::PerHorse<int>& order = basisOrder(slot->record, basis);
        for (int h = 1; h <= runners; ++h) {
            const int r = order[static_cast<std::size_t>(h)];
            if (r > 0 && r <= runners && horseAt[static_cast<std::size_t>(r)] == 0) {
                horseAt[static_cast<std::size_t>(r)] = h;
                ++placed;
            }
        }
    }
    // Places with no horse behind them close up, so the grid has no empty lines.
    std::vector<int> horses;
    for (int r = 1; r <= runners; ++r)
        if (horseAt[static_cast<std::size_t>(r)] != 0)
            horses.push_back(horseAt[static_cast<std::size_t>(r)]);

    grid.setSize(placed + 1, placed + kLabelCols);
    if (!slot)
        return;
    for (int i = 1; i <= placed; ++i) {
        const int h = horses[static_cast<std::size_t>(i - 1)];
        const records::SeView se(slot->seRecords[static_cast<std::size_t>(h)]);
        grid.setCell(i, 0, std::string(se.bytes(28, 1)));
        grid.setCell(i, 1, text::formatInt(h, 2));
        grid.setCell(i, 2, std::string(text::bytesAt(se.horseName(), 1, kNameBytes)));
        grid.setCell(0, i + 2, text::formatInt(h, 2));
    }
    const RaceRecord& r = slot->record;
    for (int j = kLabelCols; j < grid.colCount(); ++j) {
        for (int i = 1; i < grid.rowCount(); ++i) {
            if (j - i == 2)
                continue; // the horse against itself
            const int q = records::quinellaPairIndex(pairOf(grid.cell(i, 1), grid.cell(0, j)));
            if (q >= 1 && q <= analysis::kQuinellaPairs && r.quinellaOdds[static_cast<std::size_t>(q)] > 0.0)
                grid.setCell(i, j, text::formatFixed(r.quinellaOdds[static_cast<std::size_t>(q)], 5, 1));
        }
    }
}

// --- folding ---------------------------------------------------------------------------------

GridFolding gridFoldingOf(int itemIndex)
{
    return itemIndex >= 0 && itemIndex < kGridFoldingCount ? static_cast<GridFolding>(itemIndex) : GridFolding::None;
}

std::array<int, 4> foldedWidths(GridFolding folding)
{
    constexpr int hidden = TextGrid::kHidden;
    switch (folding) {
    case GridFolding::None: return {130, 35, 35, 60};
    case GridFolding::Fold1: return {130, hidden, hidden, hidden};
    case GridFolding::Fold2: return {hidden, hidden, hidden, hidden};
    }
    return {130, 35, 35, 60};
}

void applyFolding(TextGrid& grid, GridFolding folding)
{
    const TextGrid::Batch batch(grid);
    const std::array<int, 4> widths = foldedWidths(folding);
    for (int c = 0; c < 4; ++c)
        grid.setColWidth(c + 2, widths[static_cast<std::size_t>(c)]);
}

// --- thresholds ------------------------------------------------------------------------------

GridId thresholdGrid(int index)
{
    switch (index) {
    case 1: return GridId::StringGrid21;
    case 2: return GridId::StringGrid22;
    case 3: return GridId::StringGrid23;
    default: return GridId::StringGrid20;
    }
}

int thresholdIndexOf(GridId grid)
{
    for (int i = 0; i < kThresholdBoxes; ++i)
        if (thresholdGrid(i) == grid)
            return i;
    return -1;
}

bool MatrixModel::acceptableThresholdText(std::string_view t)
{
    const std::size_t dot = t.find('.');
    const std::string_view whole = t.substr(0, dot);
    const std::string_view fraction = dot == std::string_view::npos ? std::string_view() : t.substr(dot + 1);
    const auto digits = [](std::string_view s, std::size_t most) {
        return s.size() <= most &&
               std::all_of(s.begin(), s.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
    };
    return digits(whole, 2) && digits(fraction, 2);
}

// --- the model -------------------------------------------------------------------------------

MatrixModel::MatrixModel(IniFile& ini, GridSet& grids, CurrentRace currentRace)
    : m_ini(ini)
    , m_grids(grids)
    , m_currentRace(std::move(currentRace))
{
    for (std::string& t : m_thresholds)
        t = "1.5";
}

void MatrixModel::restore()
{
    for (int i = 0; i < kThresholdBoxes; ++i) {
        m_thresholds[static_cast<std::size_t>(i)] = kThresholdKeys[static_cast<std::size_t>(i)].read(m_ini);
        if (m_observer)
            m_observer->thresholdTextChanged(i);
    }
    m_basis = matrixBasisOf(settings::MatrixNin.read(m_ini));
    m_diffRatio = diffRatioModeOf(settings::BakenshuHikakuSaHi.read(m_ini));
    m_folding = gridFoldingOf(settings::GridFoldKenshu.read(m_ini));
    m_stdDev = analysis::stdDevKindOf(settings::StdDevKind.read(m_ini));

    applyFolding(m_grids[GridId::StringGrid11], m_folding);
    rewriteDiffColumns();
    // Before any race the matrix keeps the shape the window gave it.
    if (m_currentRace && m_currentRace())
        refreshMatrix();
    notifySwitches();
}

void MatrixModel::storeSetting(const std::function<void()>& write, bool oncePerRun)
{
    try {
        write();
        if (oncePerRun)
            m_settingsFailed = false;
    } catch (const text::FileError& e) {
        if (oncePerRun) {
            if (m_settingsFailed)
                return;
            m_settingsFailed = true;
        }
        if (m_settingsFailedReport)
            m_settingsFailedReport(e);
    }
}

void MatrixModel::thresholdChange(int index, std::string_view text)
{
    const auto i = static_cast<std::size_t>(index);
    m_thresholds[i] = std::string(text);
    storeSetting([&] { kThresholdKeys[i].write(m_ini, text); }, true);
}

const std::string& MatrixModel::SEditText(int index) const
{
    static const std::string none;
    return index >= 0 && index < kThresholdBoxes ? m_thresholds[static_cast<std::size_t>(index)] : none;
}

double MatrixModel::threshold(int index) const
{
    bool ok = false;
    const double v = text::readDecimal(SEditText(index), &ok);
    return ok && v > 0.0 ? v : 0.0;
}

void MatrixModel::MatrixBtnClick() { refreshMatrix(); }

void MatrixModel::RadioGroup4Click(int itemIndex)
{
    m_basis = matrixBasisOf(itemIndex);
    refreshMatrix();
    storeSetting([this] { settings::MatrixNin.write(m_ini, static_cast<int>(m_basis)); });
    notifySwitches();
}

void MatrixModel::RadioGroup3Click(int itemIndex)
{
    m_diffRatio = diffRatioModeOf(itemIndex);
    rewriteDiffColumns();
    storeSetting([this] { settings::BakenshuHikakuSaHi.write(m_ini, static_cast<int>(m_diffRatio)); });
    notifySwitches();
}

void MatrixModel::RadioGroup15Click(int itemIndex)
{
    m_folding = gridFoldingOf(itemIndex);
    storeSetting([this] { settings::GridFoldKenshu.write(m_ini, static_cast<int>(m_folding)); });
    applyFolding(m_grids[GridId::StringGrid11], m_folding);
    notifySwitches();
}

void MatrixModel::STDEVClick(int kind)
{
    m_stdDev = analysis::stdDevKindOf(kind);
    storeSetting([this] { settings::StdDevKind.write(m_ini, m_stdDev == analysis::StdDevKind::Sample ? 0 : 1); });
    notifySwitches();
}

SelectedMomentOptions MatrixModel::momentOptions() const
{
    SelectedMomentOptions o;
    o.stdDev = m_stdDev;
    o.RadioGroup3 = m_diffRatio;
    return o;
}

void MatrixModel::refreshMatrix()
{
    buildQuinellaMatrix(m_grids[GridId::StringGrid24], m_currentRace ? m_currentRace() : nullptr, m_basis);
}

std::function<void()> MatrixModel::matrixRefresh()
{
    return [this] { refreshMatrix(); };
}

// A switch turned by hand writes the ratios with one decimal; the next moment selection
// writes them with two, as the comparison always has.
void MatrixModel::rewriteDiffColumns()
{
    const RaceSlot* slot = m_currentRace ? m_currentRace() : nullptr;
    if (!slot || slot->record.runnerCount <= 0)
        return;
    writeTicketTypeDiffColumns(m_grids[GridId::StringGrid11], slot->record, m_diffRatio, 1);
}

void MatrixModel::notifySwitches()
{
    if (m_observer)
        m_observer->switchesChanged();
}

// --- captions --------------------------------------------------------------------------------

std::string MatrixModel::thresholdCaption(int index)
{
    switch (index) {
    case 0: return text::sj("単勝断層");
    case 1: return text::sj("複勝(低)断層");
    case 2: return text::sj("複勝(高)断層");
    case 3: return text::sj("馬連断層");
    default: return std::string();
    }
}

std::string MatrixModel::thresholdSuffix() { return text::sj("倍以上を着色"); }
std::string MatrixModel::MatrixBtnCaption() { return text::sj("マトリクス"); }
std::string MatrixModel::RadioGroup4Caption() { return text::sj("配列基準"); }
std::string MatrixModel::RadioGroup3Caption() { return text::sj("差・比切替"); }
std::string MatrixModel::RadioGroup15Caption() { return text::sj("表を折りたたむ"); }

std::string MatrixModel::RadioGroup3Item(int index)
{
    switch (index) {
    case 0: return text::sj("差表示");
    case 1: return text::sj("比表示");
    default: return std::string();
    }
}

std::string MatrixModel::RadioGroup15Item(int index)
{
    switch (index) {
    case 0: return text::sj("無効");
    case 1: return text::sj("折りたたみ１");
    case 2: return text::sj("折りたたみ２");
    default: return std::string();
    }
}

} // namespace tidemark::presentation
