#include "presentation/selected_moment_grids.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "analysis/race_store_fixture.h"
#include "analysis/selected_snapshot.h"
#include "presentation/main_panel_model.h"
#include "presentation/three_point_grids.h"
#include "records/pair_index.h"
#include "records/record_builder.h"
#include "support/recording_host.h"
#include "text/cp932.h"
#include "text/number_format.h"

using namespace tidemark;
using namespace tidemark::presentation;
using records::OddsField;
using records::quinellaPairIndex;
using text::sj;

namespace {

using Texts = std::vector<std::string>;

const std::string kFull = sj("　");
const std::string kHalf = " ";

OddsField price(double odds) { return OddsField::fromOdds(odds); }

// Four runners at the moment 10:25:
//   1: win 2.3, place 1.1-1.5, bracket 1 in its SE record, finished 1st, final 1st at 2.5
//   2: win 5.0, place cancelled ("----")
//   3: cancelled everywhere
//   4: win 8.0, place 2.0-3.0
// Quinella 1-2 4.0, 1-4 10.0, 2-4 12.0.
struct Race {
    analysis::RaceSlot slot;
    int priced = 0;

    Race()
    {
        slot.raRecord = records::RaBuilder().date(2024, 1, 15).track("44").race(1).runners(4).build();
        const char* names[] = {"アイウエオカキクケコ", "サシスセソ", "タチツテト", "ナニヌネノ"};
        for (int h = 1; h <= 4; ++h) {
            records::SeBuilder se;
            se.track("44").race(1).horse(h).horseName(sj(names[h - 1])).trainer(sj("調教師")).jockey(sj("騎手"));
            if (h == 1)
                se.bracket(1).finishPosition(1).finalWinPopularity(1).finalWinOdds(2.5);
            slot.seRecords[static_cast<std::size_t>(h)] = se.build();
        }
        slot.record.runnerCount = 4;
        slot.record.finishPosition[1] = 1;
        slot.record.finalPopularity[1] = 1;
        slot.record.finalWinOdds[1] = 2.5;

        records::O1Builder o1;
        o1.announcement("01151025").win(1, price(2.3)).place(1, price(1.1), price(1.5));
        o1.win(2, price(5.0)).place(2, OddsField::cancelledBeforeSale(), OddsField::cancelledBeforeSale());
        o1.win(3, OddsField::cancelledBeforeSale()).place(3, OddsField::cancelledBeforeSale(),
                                                          OddsField::cancelledBeforeSale());
        o1.win(4, price(8.0)).place(4, price(2.0), price(3.0));
        o1.winVotes(1234567).placeVotes(0);
        records::O2Builder o2;
        o2.announcement("01151020").quinella(quinellaPairIndex(1, 2), price(4.0));
        o2.quinella(quinellaPairIndex(1, 4), price(10.0)).quinella(quinellaPairIndex(2, 4), price(12.0));
        slot.o1Selected = o1.build();
        slot.o2Selected = o2.build();
        priced = analysis::parseSelectedOdds(slot);
    }

    analysis::MomentAnalysis analyse(const analysis::SnapshotList& series = {})
    {
        return analysis::analyseSelectedMoment(slot, priced, analysis::StdDevKind::Sample, series, "01151025");
    }
};

struct MomentGrids : ::testing::Test {
    GridSet grids;
    SelectedMomentView view;
    MainPanelLabels labels;
    Race race;

    MomentGrids() { layOutAllGrids(grids); }

    Texts row(GridId id, int r, int from, int to) const
    {
        Texts texts;
        for (int c = from; c <= to; ++c)
            texts.push_back(grids[id].cell(r, c));
        return texts;
    }
    void fill(DiffRatioMode mode = DiffRatioMode::Differences, const analysis::SnapshotList& series = {})
    {
        const analysis::MomentAnalysis m = race.analyse(series);
        SelectedMomentOptions options;
        options.RadioGroup3 = mode;
        fillSelectedMoment(grids, view, labels, race.slot, m, "01/15 10:25", options);
    }
};

} // namespace

// The race card: prices and orders of the moment, one half-width blank for a missing
// price, a full-width blank for a missing order or result; a horse with win odds but a
// cancelled place field has no win order.
TEST_F(MomentGrids, RaceCardRows)
{
    fill();
    const TextGrid& card = grids[GridId::StringGrid2];
    EXPECT_EQ(card.rowCount(), 5);
    EXPECT_TRUE(card.visible());
    EXPECT_EQ(card.cell(1, 1), " 1");
    EXPECT_EQ(card.cell(1, 6), records::fitToWidth(sj("調教師"), 8));
    EXPECT_EQ(row(GridId::StringGrid2, 1, 7, 19), (Texts{"   2.3", " 1", "   1.1", " 1", "   1.5", " 1", "", kFull,
                                                         kFull, kFull, " 1", " 1", "   2.5"}));
    EXPECT_EQ(row(GridId::StringGrid2, 2, 7, 19), (Texts{"   5.0", kFull, kHalf, kFull, kHalf, kFull, "", kFull,
                                                         kFull, kFull, kFull, kFull, kFull}));
    EXPECT_EQ(row(GridId::StringGrid2, 3, 7, 12), (Texts{kHalf, kFull, kHalf, kFull, kHalf, kFull}));
    EXPECT_EQ(row(GridId::StringGrid2, 4, 7, 12), (Texts{"   8.0", " 2", "   2.0", " 2", "   3.0", " 2"}));
}

// The ticket-type comparison in both modes: negative differences keep their sign, ratios
// are written with two decimals, and a horse without a win order shows " " in column 18
// either way.
TEST_F(MomentGrids, TicketTypeRowsInBothModes)
{
    fill(DiffRatioMode::Differences);
    const TextGrid& cmp = grids[GridId::StringGrid11];
    EXPECT_EQ(cmp.rowCount(), 5);
    EXPECT_EQ(row(GridId::StringGrid11, 0, 18, 20), (Texts{sj("単複差"), sj("単連差"), sj("連複差")}));
    // Horse 1: pseudo share 37.5/4 + 37.5/10 = 13.125, odds 6.1.
    EXPECT_EQ(row(GridId::StringGrid11, 1, 6, 23),
              (Texts{"   2.3", "  34.8", " 1", "   1.1", "  24.2", " 1", "   1.5", "  17.7", " 1", "   6.1", "  13.1",
                     " 1", " 0", " 0", " 0", " 1", " 1", "   2.5"}));
    EXPECT_EQ(row(GridId::StringGrid11, 2, 6, 23),
              (Texts{"   5.0", "  16.0", kFull, kHalf, kHalf, kFull, kHalf, kHalf, kFull, "   6.4", "  12.5", " 2",
                     kHalf, kHalf, kHalf, kFull, kFull, kHalf}));
    EXPECT_EQ(row(GridId::StringGrid11, 3, 15, 17), (Texts{kHalf, kHalf, kFull}));
    EXPECT_EQ(row(GridId::StringGrid11, 4, 18, 20), (Texts{" 0", "-1", " 1"}));

    fill(DiffRatioMode::Ratios);
    EXPECT_EQ(row(GridId::StringGrid11, 0, 18, 20), (Texts{sj("単複比"), sj("単連比"), sj("連複比")}));
    EXPECT_EQ(row(GridId::StringGrid11, 1, 18, 20), (Texts{"  1.43", "  2.65", "  0.54"}));
    EXPECT_EQ(row(GridId::StringGrid11, 2, 18, 20), (Texts{kHalf, kHalf, kHalf}));
    EXPECT_EQ(row(GridId::StringGrid11, 4, 18, 20), (Texts{"  0.75", "  1.45", "  0.52"}));

    // The switch itself writes one decimal, on the horse's own row of a sorted grid.
    grids[GridId::StringGrid11].swapRows(1, 4);
    writeTicketTypeDiffColumns(grids[GridId::StringGrid11], race.slot.record, DiffRatioMode::Ratios, 1);
    EXPECT_EQ(row(GridId::StringGrid11, 1, 18, 20), (Texts{"   0.8", "   1.5", "   0.5"}));
    EXPECT_EQ(row(GridId::StringGrid11, 4, 18, 20), (Texts{"   1.4", "   2.7", "   0.5"}));
}

// Gap tables: adjacent horses in popularity with the gap of their rounded odds; the name
// is cut to 18 bytes; a bracket of 0 and a finishing position of 0 are blanks.
TEST_F(MomentGrids, GapTables)
{
    fill();
    const TextGrid& win = grids[GridId::StringGrid20];
    EXPECT_EQ(win.rowCount(), 3);
    EXPECT_EQ(row(GridId::StringGrid20, 1, 0, 14),
              (Texts{" 1", "1", " 1", sj("アイウエオカキクケ"), "   2.3", " 1", ">", "   2.2", "<", " 2", kHalf, " 2",
                     std::string(text::bytesAt(records::fitToWidth(sj("サシスセソ"), 18), 1, 18)), "   5.0", "  "}));
    EXPECT_EQ(row(GridId::StringGrid20, 2, 9, 11), (Texts{" 3", kHalf, " 4"}));
    // Upper place: two priced horses, one row.
    EXPECT_EQ(grids[GridId::StringGrid22].rowCount(), 2);
    EXPECT_EQ(grids[GridId::StringGrid22].cell(1, 7), "   2.0");
    // Pseudo quinella 6.1, 6.4 and 11.6 as rounded: 6.4 / 6.1 is 1.0 (unrounded it would be 1.05).
    EXPECT_EQ(grids[GridId::StringGrid23].rowCount(), 3);
    EXPECT_EQ(row(GridId::StringGrid23, 1, 4, 7), (Texts{"   6.1", " 1", ">", "   1.0"}));
    EXPECT_EQ(grids[GridId::StringGrid23].cell(2, 7), "   1.8");
}

// Nobody priced keeps runnerCount + 1 empty rows; one priced horse leaves the header only.
TEST_F(MomentGrids, GapTablesWithNoneOrOnePriced)
{
    TextGrid& grid = grids[GridId::StringGrid20];
    grid.setRowCount(5);
    analysis::GapTable none;
    writeGapTable(grid, race.slot, none);
    EXPECT_EQ(grid.rowCount(), 5);
    analysis::GapTable one;
    one.priced = 1;
    writeGapTable(grid, race.slot, one);
    EXPECT_EQ(grid.rowCount(), 1);
}

// Labels and lists of the moment: the spread needs five priced horses, the vote totals
// are grouped in eleven characters, the browse labels say "取消" for a cancelled horse,
// the lists carry the time of the selected entry.
TEST_F(MomentGrids, LabelsAndLists)
{
    view.HensaLabel = "stale";
    fill();
    EXPECT_EQ(view.HensaLabel, ""); // three priced horses: 1, 2 and 4; 3 is cancelled
    EXPECT_EQ(labels.CurJikokuLabel, "10:25");
    EXPECT_EQ(view.Label60, sj("10時25分"));
    EXPECT_EQ(view.Label56, sj("10時20分"));
    EXPECT_EQ(labels.ThyokeiLabel, "  1,234,567");
    EXPECT_EQ(labels.FhyokeiLabel, "          0");
    EXPECT_EQ(labels.WhyokeiLabel, ""); // blank field
    EXPECT_EQ(view.browse.win[1], "   2.3");
    EXPECT_EQ(view.browse.placeLow[2], sj("取消"));
    EXPECT_EQ(view.browse.placeHigh[2], sj("取消"));
    EXPECT_EQ(view.browse.win[3], sj("取消"));
    EXPECT_EQ(view.browse.bracket[1], "");
    EXPECT_EQ(view.browse.quinella[quinellaPairIndex(2, 4)], "  12.0");

    EXPECT_EQ(view.TanList4, (Texts{" 1" + kFull + " 1" + sj("番　") + "  2.3", " 2" + kFull + " 2" + sj("番　") + "  5.0",
                                    " 3" + kFull + " 4" + sj("番　") + "  8.0"}));
    EXPECT_EQ(view.Label105, sj("10時25分"));
    EXPECT_EQ(view.umList4.front(), " 1" + kFull + " 1- 2" + kFull + "    4.0");
    EXPECT_TRUE(view.wkList4.empty());
    EXPECT_EQ(view.Label111, "");
}

// The first entry of the win list for horse 5 at 2.3, and the spread over five horses.
TEST(SelectedMomentLabels, FavouriteAndDeviation)
{
    analysis::RaceSlot slot;
    slot.record.runnerCount = 5;
    records::O1Builder o1;
    const double win[] = {16.0, 4.0, 8.0, 10.0, 2.3};
    for (int h = 1; h <= 5; ++h)
        o1.win(h, price(win[h - 1]));
    slot.o1Selected = o1.build();
    const int priced = analysis::parseSelectedOdds(slot);
    GridSet grids;
    layOutAllGrids(grids);
    SelectedMomentView view;
    MainPanelLabels labels;
    SelectedMomentOptions options;
    options.stdDev = analysis::StdDevKind::Population;
    const analysis::MomentAnalysis m =
        analysis::analyseSelectedMoment(slot, priced, options.stdDev, {}, "01151025");
    fillSelectedMoment(grids, view, labels, slot, m, "01/15 10:25", options);
    ASSERT_FALSE(view.TanList4.empty());
    EXPECT_EQ(view.TanList4.front(), " 1" + sj("　") + " 5" + sj("番　") + "  2.3");
    // Shares 5, 20, 10, 8 and 34.78: population deviation 10.85 (the sample one is 12.13).
    EXPECT_EQ(view.HensaLabel, "10.85");
}

// A moment missing from the O1 file: every price is blank, so the rows show blanks, the
// gap tables keep their empty rows and the lists stay empty.
TEST_F(MomentGrids, MomentMissingFromTheFile)
{
    race.slot.o1Selected.assign(analysis::kO1Size, ' ');
    race.slot.o2Selected.assign(analysis::kO2Size, ' ');
    race.slot.record.resetSelectedMoment();
    race.priced = analysis::parseSelectedOdds(race.slot);
    view.TanList4 = {"stale"};
    view.Label105 = "stale";
    fill();
    EXPECT_EQ(row(GridId::StringGrid2, 1, 7, 12), (Texts{kHalf, kFull, kHalf, kFull, kHalf, kFull}));
    EXPECT_EQ(row(GridId::StringGrid11, 1, 15, 18), (Texts{kHalf, kHalf, kFull, kHalf}));
    EXPECT_EQ(grids[GridId::StringGrid20].rowCount(), 5);
    EXPECT_EQ(grids[GridId::StringGrid20].cell(1, 0), "");
    EXPECT_TRUE(view.TanList4.empty());
    EXPECT_EQ(view.Label105, "");
    EXPECT_EQ(view.browse.win[1], "");
    EXPECT_EQ(labels.ThyokeiLabel, "");
    EXPECT_EQ(view.HensaLabel, "");
}

// The advantage list: cells, count label, and an empty list.
TEST_F(MomentGrids, AdvantageTable)
{
    analysis::BracketAdvantage a;
    a.bracketA = 1;
    a.bracketB = 2;
    a.bracketOdds = 10.0;
    a.bracketPopularity = 4;
    a.horseA = 1;
    a.horseB = 3;
    a.quinellaOdds = 8.0;
    a.quinellaPopularity = 112;
    std::string label;
    writeAdvantageTable(grids[GridId::StringGrid25], label, {a, a});
    EXPECT_EQ(grids[GridId::StringGrid25].rowCount(), 3);
    EXPECT_EQ(row(GridId::StringGrid25, 1, 0, 7),
              (Texts{" 1- 2", "    10.0", " 4", " 1- 3", "     8.0", "112", "     2.0", "    1.25"}));
    EXPECT_EQ(label, sj(" 2件"));

    fill(); // no quinella pays less than its bracket pair here
    EXPECT_EQ(grids[GridId::StringGrid25].rowCount(), 1);
    EXPECT_EQ(view.WKUMCTLabel, sj(" 0件"));
}

// Time difference against the other snapshots, written to the row that holds the horse
// even after the grid was sorted; horses without a counted snapshot stay empty.
TEST_F(MomentGrids, TimeDifferenceRows)
{
    const auto snap = [](const char* time, double win1, double low1) {
        records::O1Builder b;
        b.announcement(time).win(1, price(win1)).place(1, price(low1), price(3.0));
        return b.line();
    };
    analysis::SnapshotList series{snap("01151000", 4.6, 1.0), snap("01151010", 1.9, 1.4), snap("01151025", 2.3, 1.1)};
    for (GridId id : {GridId::StringGrid29, GridId::StringGrid30}) {
        TextGrid& g = grids[id];
        g.setRowCount(5);
        for (int h = 1; h <= 4; ++h)
            g.setCell(h, 1, text::formatInt(h, 2));
        g.setCell(4, 6, "stale");
        g.swapRows(1, 3); // sorted: horse 1 now in row 3
    }
    fill(DiffRatioMode::Differences, series);
    EXPECT_EQ(row(GridId::StringGrid29, 3, 6, 17), (Texts{"10:00", "  4.6", "  2.3", " 2.00", "10:10", "  1.9", "  2.3",
                                                          " 0.83", "  4.6", "  1.9", " 2.42", "  2.7"}));
    EXPECT_EQ(row(GridId::StringGrid30, 3, 6, 13),
              (Texts{"10:10", "  1.4", "  1.1", " 1.27", "10:00", "  1.0", "  1.1", " 0.91"}));
    EXPECT_EQ(grids[GridId::StringGrid29].cell(1, 6), "");
    EXPECT_EQ(grids[GridId::StringGrid29].cell(4, 6), ""); // horse 4: no other snapshot prices it
}

namespace {

// The main window's part in a moment selection, as it wires these steps.
struct MomentSteps : RaceViewSteps {
    MainPanelModel* panel = nullptr;
    GridSet* grids = nullptr;
    SelectedMomentView view;
    SelectedMomentOptions options;
    int matrixRefreshes = 0;

    void raceViewsCleared() override { emptyPerHorseGrids(*grids); }
    void threePointAnalysis() override { runThreePointAnalysis(*panel); }
    void perHorseRows() override { writePerHorseRows(*panel, *grids); }
    void momentSelectionStarting() override { beginMomentSelection(*grids, view, panel->TimeCombo().text()); }
    void selectedMomentAnalysis(const analysis::SelectedSnapshot& s) override
    {
        runSelectedMoment(*panel, *grids, view, s, options, [this] { ++matrixRefreshes; });
    }
};

struct PanelMoments : ::testing::Test {
    tidemark::testing::RaceStore store;
    tidemark::testing::RecordingHost host;
    IniFile ini{store.dir / "Tidemark2NV.ini"};
    MainPanelModel panel{host, store.dir.path(), ini};
    GridSet grids;
    MomentSteps steps;

    PanelMoments()
    {
        layOutAllGrids(grids);
        steps.panel = &panel;
        steps.grids = &grids;
        panel.setSteps(&steps);
    }

    // Ten runners; horse h is priced at h + 1 at 10:00 and h + 0.5 at 10:10.
    void race(bool withQuinella)
    {
        store.dayFile({tidemark::testing::raceCard(1, 10, "1040").line()});
        store.fullRunners(1, 10);
        std::vector<std::string> o1;
        for (const auto& [time, add] : {std::pair{"01151000", 1.0}, std::pair{"01151010", 0.5}}) {
            records::O1Builder b = tidemark::testing::o1At(time);
            for (int h = 1; h <= 10; ++h)
                b.win(h, price(h + add)).place(h, price(1.0 + h / 10.0), price(2.0 + h / 10.0));
            o1.push_back(b.line());
        }
        store.writeLines(store.o1File(), o1);
        if (withQuinella) {
            records::O2Builder q = tidemark::testing::o2At("01151010");
            q.quinella(quinellaPairIndex(1, 2), price(3.0));
            store.writeLines(store.o2File(), {q.line()});
        }
        panel.buildDateList();
        panel.DateComboChange(0);
    }
};

} // namespace

// Opening a race analyses its last moment and the per-horse rows complete the grids;
// choosing the first moment rewrites them and compares against the other snapshot.
TEST_F(PanelMoments, OpenRaceThenSelectAnotherMoment)
{
    race(true);
    ASSERT_NE(panel.currentSlot(), nullptr);
    EXPECT_EQ(steps.matrixRefreshes, 1);
    const TextGrid& card = grids[GridId::StringGrid2];
    EXPECT_TRUE(card.visible());
    EXPECT_EQ(card.rowCount(), 11);
    EXPECT_EQ(card.cell(10, 7), "  10.5");
    EXPECT_EQ(card.cell(10, 8), "10");
    EXPECT_EQ(steps.view.SelTimeLabel, "01/15 10:10");
    EXPECT_EQ(panel.labels().CurJikokuLabel, "10:10");
    // Every horse's time difference survives the sizing of the per-horse grids.
    EXPECT_EQ(grids[GridId::StringGrid29].rowCount(), 11);
    EXPECT_EQ(grids[GridId::StringGrid29].cell(10, 7), " 11.0");
    EXPECT_EQ(grids[GridId::StringGrid29].cell(10, 1), "10");
    EXPECT_EQ(grids[GridId::StringGrid20].rowCount(), 10);

    panel.TimeComboClick(0);
    EXPECT_EQ(steps.matrixRefreshes, 2);
    EXPECT_EQ(card.cell(10, 7), "  11.0");
    EXPECT_EQ(steps.view.SelTimeLabel, "01/15 10:00");
    EXPECT_EQ(grids[GridId::StringGrid29].cell(10, 7), " 10.5"); // the other snapshot is now the lower one
    EXPECT_EQ(grids[GridId::StringGrid29].cell(10, 6), "10:10");
    EXPECT_EQ(panel.labels().CurJikokuLabel, "10:00");
}

// More than eight runners and no quinella file: the moment cannot be analysed and the
// race card stays hidden.
TEST_F(PanelMoments, NoQuinellaFileKeepsTheRaceCardHidden)
{
    race(false);
    panel.TimeComboClick(0);
    EXPECT_FALSE(grids[GridId::StringGrid2].visible());
    EXPECT_EQ(steps.matrixRefreshes, 0);
    EXPECT_EQ(steps.view.SelTimeLabel, "01/15 10:00");
}
