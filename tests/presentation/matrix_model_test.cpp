#include "presentation/matrix_model.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "analysis/selected_snapshot.h"
#include "presentation/main_panel_model.h"
#include "records/pair_index.h"
#include "records/record_builder.h"
#include "settings/settings_keys.h"
#include "support/temp_dir.h"
#include "text/cp932.h"
#include "text/number_format.h"

using namespace tidemark;
using namespace tidemark::presentation;
using records::OddsField;
using records::quinellaPairIndex;
using text::sj;

namespace {

using Texts = std::vector<std::string>;

const std::string kHalf = " ";

// Eleven runners; horse h is in bracket (h + 1) / 2 and named after its number. Win
// popularity: 10, 9, 3, 1 … by odds; horse 2 has none. The place-high order differs.
analysis::RaceSlot elevenRunners()
{
    analysis::RaceSlot slot;
    slot.record.runnerCount = 11;
    for (int h = 1; h <= 11; ++h) {
        records::SeBuilder se;
        // Ten full-width characters: 20 bytes, of which the matrix shows 18.
        se.bracket((h + 1) / 2).horse(h).horseName(sj("アイウエオカキクケコ") + std::to_string(h));
        slot.seRecords[static_cast<std::size_t>(h)] = se.build();
    }
    const int win[] = {0, 4, 0, 3, 5, 6, 7, 8, 9, 2, 1, 10};
    const int placeHigh[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    for (int h = 1; h <= 11; ++h) {
        slot.record.winPopularity[static_cast<std::size_t>(h)] = win[h];
        slot.record.placeHighPopularity[static_cast<std::size_t>(h)] = placeHigh[h];
    }
    for (int a = 1; a <= 11; ++a)
        for (int b = a + 1; b <= 11; ++b)
            slot.record.quinellaOdds[static_cast<std::size_t>(quinellaPairIndex(a, b))] = a * 10 + b;
    slot.record.quinellaOdds[static_cast<std::size_t>(quinellaPairIndex(3, 9))] = 0.0;  // no votes
    slot.record.quinellaOdds[static_cast<std::size_t>(quinellaPairIndex(1, 3))] = -1.0; // cancelled
    return slot;
}

Texts rowTexts(const TextGrid& g, int r, int from, int to)
{
    Texts t;
    for (int c = from; c <= to; ++c)
        t.push_back(g.cell(r, c));
    return t;
}

struct Matrix : ::testing::Test {
    tidemark::testing::TempDir dir;
    IniFile ini{dir / "Tidemark2NV.ini"};
    GridSet grids;
    analysis::RaceSlot slot = elevenRunners();
    const analysis::RaceSlot* open = &slot;
    MatrixModel model{ini, grids, [this] { return open; }};

    Matrix() { layOutAllGrids(grids); }
    const TextGrid& matrix() const { return grids[GridId::StringGrid24]; }
};

} // namespace

// Rows and columns follow the win popularity; a horse without one is left out; names are
// cut to 18 bytes; pairs read both ways, " 9-10" included (a blank sorts before a digit);
// the diagonal, unpriced and cancelled pairs stay empty; old texts are gone.
TEST_F(Matrix, WinBasisLayout)
{
    grids[GridId::StringGrid24].setCell(1, 20, "stale");
    model.MatrixBtnClick();
    const TextGrid& g = matrix();
    ASSERT_EQ(g.rowCount(), 11);
    ASSERT_EQ(g.colCount(), 13);
    EXPECT_EQ(rowTexts(g, 0, 0, 5), (Texts{"", "", "", "10", " 9", " 3"}));
    EXPECT_EQ(rowTexts(g, 1, 0, 2), (Texts{"5", "10", sj("アイウエオカキクケ")}));
    EXPECT_EQ(rowTexts(g, 2, 0, 1), (Texts{"5", " 9"}));
    EXPECT_EQ(g.cell(10, 1), "11");
    // Row 1 is horse 10: against itself empty, against 9 " 9-10", against 3 " 3-10".
    EXPECT_EQ(rowTexts(g, 1, 3, 5), (Texts{"", "100.0", " 40.0"}));
    EXPECT_EQ(rowTexts(g, 2, 3, 5), (Texts{"100.0", "", ""})); // 3-9 has no votes
    EXPECT_EQ(g.cell(3, 3), " 40.0");                          // the same pair from the other side
    EXPECT_EQ(g.cell(3, 6), "");                               // 1-3 cancelled
    EXPECT_EQ(g.cell(4, 12), " 21.0");                         // horse 1 against horse 11
    for (int i = 1; i < g.rowCount(); ++i)
        EXPECT_EQ(g.cell(i, i + 2), "") << i;
}

// The place-high basis puts the horse with placeHighPopularity 1 first both ways; the
// switch is stored, and an item outside the group counts as the first one.
TEST_F(Matrix, BasisSwitchRebuildsAndIsStored)
{
    model.RadioGroup4Click(2);
    EXPECT_EQ(settings::MatrixNin.read(ini), 2);
    EXPECT_EQ(matrix().rowCount(), 12);
    EXPECT_EQ(matrix().cell(1, 1), " 1");
    EXPECT_EQ(matrix().cell(0, 3), " 1");
    EXPECT_EQ(matrix().cell(1, 4), " 12.0");
    EXPECT_EQ(model.basisText(), sj("複勝(高)人気"));

    model.RadioGroup4Click(3); // nobody has a pseudo-quinella order here
    EXPECT_EQ(matrix().rowCount(), 1);
    EXPECT_EQ(matrix().colCount(), 3);
    EXPECT_EQ(model.basisText(), sj("馬連人気"));

    model.RadioGroup4Click(9);
    EXPECT_EQ(model.RadioGroup4ItemIndex(), 0);
    EXPECT_EQ(settings::MatrixNin.read(ini), 0);
    EXPECT_EQ(matrix().cell(1, 1), "10");
}

// No race open: header row and the three label columns, every cell empty.
TEST_F(Matrix, NoRaceLeavesLabelColumnsOnly)
{
    model.MatrixBtnClick();
    open = nullptr;
    model.MatrixBtnClick();
    EXPECT_EQ(matrix().rowCount(), 1);
    EXPECT_EQ(matrix().colCount(), 3);
    EXPECT_EQ(rowTexts(matrix(), 0, 0, 2), (Texts{"", "", ""}));
}

// The switch rewrites columns 18-20 with one decimal, round trip back to differences;
// values out of range show " "; the position is stored and is what the next moment uses.
TEST_F(Matrix, DiffRatioSwitchRoundTrip)
{
    TextGrid& cmp = grids[GridId::StringGrid11];
    slot.record.runnerCount = 2;
    slot.record.popDiffWinPlace = {0, -3, 20};
    slot.record.popDiffWinPseudo = {0, 19, 1};
    slot.record.ratioWinPlace = {0, 1.25, 20.0};
    slot.record.ratioWinPseudo = {0, 19.94, 0.5};
    cmp.setRowCount(3);
    writeTicketTypeRows(cmp, slot, DiffRatioMode::Differences);

    model.RadioGroup3Click(1);
    EXPECT_EQ(settings::BakenshuHikakuSaHi.read(ini), 1);
    EXPECT_EQ(model.momentOptions().RadioGroup3, DiffRatioMode::Ratios);
    EXPECT_EQ(rowTexts(cmp, 0, 18, 20), (Texts{sj("単複比"), sj("単連比"), sj("連複比")}));
    EXPECT_EQ(rowTexts(cmp, 1, 18, 19), (Texts{"   1.3", "  19.9"}));
    EXPECT_EQ(rowTexts(cmp, 2, 18, 19), (Texts{kHalf, "   0.5"}));

    model.RadioGroup3Click(0);
    EXPECT_EQ(settings::BakenshuHikakuSaHi.read(ini), 0);
    EXPECT_EQ(rowTexts(cmp, 0, 18, 20), (Texts{sj("単複差"), sj("単連差"), sj("連複差")}));
    EXPECT_EQ(rowTexts(cmp, 1, 18, 19), (Texts{"-3", "19"}));
    EXPECT_EQ(rowTexts(cmp, 2, 18, 19), (Texts{kHalf, " 1"}));

    // Without runners nothing is written, not even the headers.
    slot.record.runnerCount = 0;
    model.RadioGroup3Click(1);
    EXPECT_EQ(cmp.cell(0, 18), sj("単複差"));
    EXPECT_EQ(settings::BakenshuHikakuSaHi.read(ini), 1);
}

// Folding widths of columns 2-5, stored at every change; folding 0 gives the widths back.
TEST_F(Matrix, FoldingWidths)
{
    const TextGrid& cmp = grids[GridId::StringGrid11];
    const auto widths = [&] { return std::vector<int>{cmp.colWidth(2), cmp.colWidth(3), cmp.colWidth(4), cmp.colWidth(5)}; };
    model.RadioGroup15Click(1);
    EXPECT_EQ(widths(), (std::vector<int>{130, -1, -1, -1}));
    EXPECT_EQ(settings::GridFoldKenshu.read(ini), 1);
    model.RadioGroup15Click(2);
    EXPECT_EQ(widths(), (std::vector<int>{-1, -1, -1, -1}));
    EXPECT_EQ(cmp.colWidth(1), 20);
    EXPECT_EQ(cmp.colWidth(6), 50);
    model.RadioGroup15Click(0);
    EXPECT_EQ(widths(), (std::vector<int>{130, 35, 35, 60}));
    EXPECT_EQ(settings::GridFoldKenshu.read(ini), 0);
}

// Every keystroke of a threshold box goes to its own key as typed; the value a box stands
// for is its decimal, 0 when empty; only what two plus two digits hold is accepted.
TEST_F(Matrix, ThresholdBoxes)
{
    model.SEdit1Change("2");
    model.SEdit1Change("2.");
    model.SEdit1Change("2.05");
    model.SEdit3Change("");
    model.SEdit4Change("12.5");
    EXPECT_EQ(settings::DansoBorderRatio.read(ini), "2.05");
    EXPECT_EQ(settings::DansoBorderRatioF1.read(ini), "1.5"); // untouched: the default
    EXPECT_EQ(settings::DansoBorderRatioF2.read(ini), "");
    EXPECT_EQ(settings::DansoBorderRatioUR.read(ini), "12.5");
    EXPECT_DOUBLE_EQ(model.threshold(0), 2.05);
    EXPECT_DOUBLE_EQ(model.threshold(1), 1.5);
    EXPECT_DOUBLE_EQ(model.threshold(2), 0.0);
    EXPECT_EQ(model.SEditText(3), "12.5");
    EXPECT_EQ(model.SEditText(4), "");

    EXPECT_EQ(thresholdGrid(3), GridId::StringGrid23);
    EXPECT_EQ(thresholdIndexOf(GridId::StringGrid21), 1);
    EXPECT_EQ(thresholdIndexOf(GridId::StringGrid24), -1);

    for (const char* ok : {"", "1", "12", "1.", "1.5", "99.99", ".5"})
        EXPECT_TRUE(MatrixModel::acceptableThresholdText(ok)) << ok;
    for (const char* bad : {"100", "1.555", "-1", "+1", "1,5", "1.5.", "a"})
        EXPECT_FALSE(MatrixModel::acceptableThresholdText(bad)) << bad;
}

// The standard-deviation items are radio items: any kind but 0 is the population one.
TEST_F(Matrix, StandardDeviationItems)
{
    EXPECT_TRUE(model.STDEVChecked());
    model.STDEVClick(1);
    EXPECT_TRUE(model.STDEVPChecked());
    EXPECT_FALSE(model.STDEVChecked());
    EXPECT_EQ(settings::StdDevKind.read(ini), 1);
    EXPECT_EQ(model.momentOptions().stdDev, analysis::StdDevKind::Population);
    model.STDEVClick(0);
    EXPECT_EQ(settings::StdDevKind.read(ini), 0);
    EXPECT_EQ(model.momentOptions().stdDev, analysis::StdDevKind::Sample);
}

// A first start writes nothing and keeps the creation layout; stored values are taken
// up and followed by the views as if chosen: folding applied, "｢｣" an empty box, the
// matrix and the switch redrawn for a race already open.
TEST_F(Matrix, RestoreAtStart)
{
    open = nullptr;
    model.restore();
    EXPECT_FALSE(std::filesystem::exists(ini.path()));
    EXPECT_EQ(model.SEditText(0), "1.5");
    EXPECT_EQ(matrix().colCount(), 21);
    EXPECT_EQ(matrix().rowCount(), 2);
    EXPECT_EQ(grids[GridId::StringGrid11].colWidth(2), 130);

    ini.writeString("Danso", "BorderRatio", sj("｢2.0｣"));
    ini.writeString("Danso", "BorderRatioUR", sj("｢｣"));
    settings::GridFoldKenshu.write(ini, 2);
    settings::MatrixNin.write(ini, 2);
    settings::BakenshuHikakuSaHi.write(ini, 1);
    settings::StdDevKind.write(ini, 7);
    slot.record.runnerCount = 11;
    slot.record.ratioWinPlace[1] = 1.25;
    grids[GridId::StringGrid11].setRowCount(12);
    for (int h = 1; h <= 11; ++h)
        grids[GridId::StringGrid11].setCell(h, 1, text::formatInt(h, 2));
    open = &slot;

    struct Seen : MatrixModelObserver {
        int thresholds = 0;
        int switches = 0;
        void thresholdTextChanged(int) override { ++thresholds; }
        void switchesChanged() override { ++switches; }
    } seen;
    MatrixModel again(ini, grids, [this] { return open; });
    again.setObserver(&seen);
    again.restore();
    EXPECT_EQ(seen.thresholds, 4);
    EXPECT_EQ(seen.switches, 1);
    EXPECT_EQ(again.SEditText(0), "2.0");
    EXPECT_EQ(again.SEditText(3), "");
    EXPECT_EQ(grids[GridId::StringGrid11].colWidth(2), -1);
    EXPECT_EQ(again.RadioGroup3ItemIndex(), 1);
    EXPECT_EQ(grids[GridId::StringGrid11].cell(1, 18), "   1.3");
    EXPECT_TRUE(again.STDEVPChecked());
    EXPECT_EQ(matrix().cell(1, 1), " 1");
}

// Through the moment selection: the analysis orders the horses, the fill calls the
// refresh after the gap tables, and the matrix shows the quinella odds of the moment.
TEST_F(Matrix, RefreshedByMomentSelection)
{
    auto price = [](double v) { return OddsField::fromOdds(v); };
    analysis::RaceSlot race;
    race.raRecord = records::RaBuilder().date(2024, 1, 15).track("44").race(1).runners(3).build();
    for (int h = 1; h <= 3; ++h)
        race.seRecords[static_cast<std::size_t>(h)] =
            records::SeBuilder().track("44").race(1).bracket(h).horse(h).horseName(sj("ウマ")).build();
    race.record.runnerCount = 3;
    records::O1Builder o1;
    o1.announcement("01151025").win(1, price(9.0)).place(1, price(3.0), price(4.0));
    o1.win(2, price(1.5)).place(2, price(1.1), price(1.2));
    o1.win(3, price(4.0)).place(3, price(1.5), price(2.0));
    records::O2Builder o2;
    o2.announcement("01151025").quinella(quinellaPairIndex(1, 2), price(6.0));
    o2.quinella(quinellaPairIndex(1, 3), price(20.0)).quinella(quinellaPairIndex(2, 3), price(2.5));
    race.o1Selected = o1.build();
    race.o2Selected = o2.build();
    const int priced = analysis::parseSelectedOdds(race);
    const analysis::MomentAnalysis m =
        analysis::analyseSelectedMoment(race, priced, model.stdDevKind(), {}, "01151025");
    open = &race;

    SelectedMomentView view;
    MainPanelLabels labels;
    fillSelectedMoment(grids, view, labels, race, m, "01/15 10:25", model.momentOptions(), model.matrixRefresh());
    const TextGrid& g = matrix();
    ASSERT_EQ(g.rowCount(), 4);
    EXPECT_EQ(rowTexts(g, 0, 3, 5), (Texts{" 2", " 3", " 1"}));
    EXPECT_EQ(rowTexts(g, 1, 0, 5), (Texts{"2", " 2", records::fitToWidth(sj("ウマ"), 18), "", "  2.5", "  6.0"}));
    EXPECT_EQ(rowTexts(g, 3, 3, 5), (Texts{"  6.0", " 20.0", ""}));
}
