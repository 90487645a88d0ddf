#include "presentation/three_point_grids.h"

#include "presentation/cell_rendering.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/race_store_fixture.h"
#include "analysis/three_point_analysis.h"
#include "presentation/main_panel_model.h"
#include "records/pair_index.h"
#include "records/record_builder.h"
#include "support/recording_host.h"
#include "text/cp932.h"

using namespace tidemark;
using namespace tidemark::presentation;
using records::OddsField;
using text::sj;

namespace {

const std::string kBlank = sj("　");

// A race of `runners` horses at `track` with plain runners (no name, sex or weight).
analysis::RaceSlot raceSlot(int runners, std::string_view track = "44")
{
    analysis::RaceSlot slot;
    slot.raRecord = records::RaBuilder().date(2024, 1, 15).track(track).race(1).runners(runners).build();
    for (int h = 1; h <= runners; ++h)
        slot.seRecords[static_cast<std::size_t>(h)] = records::SeBuilder().track(track).race(1).horse(h).build();
    slot.record.runnerCount = runners;
    return slot;
}

std::string o1Win(const std::vector<double>& win)
{
    records::O1Builder b;
    for (std::size_t i = 0; i < win.size(); ++i) {
        const int h = static_cast<int>(i) + 1;
        b.win(h, win[i] < 0 ? OddsField::cancelledBeforeSale() : OddsField::fromOdds(win[i]));
        b.place(h, win[i] < 0 ? OddsField::cancelledBeforeSale() : OddsField::fromOdds(win[i] / 3),
                win[i] < 0 ? OddsField::cancelledBeforeSale() : OddsField::fromOdds(win[i] / 2));
    }
    return b.line();
}

struct GridsFixture : ::testing::Test {
    GridSet grids;
    GridsFixture() { layOutAllGrids(grids); }

    std::vector<std::string> row(GridId id, int r, int from, int to) const
    {
        std::vector<std::string> texts;
        for (int c = from; c <= to; ++c)
            texts.push_back(grids[id].cell(r, c));
        return texts;
    }
};

} // namespace

// Identity columns of an 18-runner race in every per-horse grid, with the race card's
// trainer and hidden mining columns.
TEST_F(GridsFixture, IdentityColumnsOfEveryPerHorseGrid)
{
    analysis::RaceSlot slot = raceSlot(18);
    slot.seRecords[1] = records::SeBuilder().horse(1).horseName(sj("テイクオフ")).sex("1").age(4).weightTenths(550)
                            .jockey(sj("森泰斗")).trainer(sj("佐藤")).build();
    slot.seRecords[13] = records::SeBuilder().horse(13).sex("3").age(10).weightTenths(95).build();
    slot.seRecords[18] = records::SeBuilder().horse(18).sex("2").build();
    analysis::ThreePointTable table;
    emptyPerHorseGrids(grids);
    writePerHorseRows(grids, slot, table);

    for (const GridId id : kPerHorseGrids) {
        EXPECT_EQ(grids[id].rowCount(), 19) << gridName(id);
        EXPECT_EQ(row(id, 1, 0, 1), (std::vector<std::string>{"1", " 1"})) << gridName(id);
        EXPECT_EQ(grids[id].cell(1, 2), records::fitToWidth(sj("テイクオフ"), 36)) << gridName(id);
        EXPECT_EQ(grids[id].cell(1, 3), sj("牡 4"));
        EXPECT_EQ(grids[id].cell(1, 4), "55.0");
        EXPECT_EQ(grids[id].cell(1, 5), records::fitToWidth(sj("森泰斗"), 8));
        EXPECT_EQ(row(id, 13, 0, 4), (std::vector<std::string>{"7", "13", std::string(36, ' '), sj("ｾﾝ10"), " 9.5"}));
        EXPECT_EQ(row(id, 18, 0, 4), (std::vector<std::string>{"8", "18", std::string(36, ' '), sj("牝  "), "   "}));
        EXPECT_EQ(grids[id].cell(16, 0), "8");
        EXPECT_EQ(grids[id].cell(12, 0), "6");
    }
    EXPECT_EQ(grids[GridId::StringGrid2].cell(1, 6), records::fitToWidth(sj("佐藤"), 8));
    EXPECT_EQ(row(GridId::StringGrid2, 1, 13, 16), (std::vector<std::string>{"", kBlank, kBlank, kBlank}));
    EXPECT_EQ(grids[GridId::StringGrid11].cell(1, 6), ""); // the race card's trainer column only
}

// On the ばんえい tracks the weight is three hexadecimal digits in kilograms: "000" is a
// weight of 0 ("%4d"); a blank or damaged weight field shows blanks there as elsewhere. The
// drawn race card and the cells its clipboard copy holds say the same.
TEST_F(GridsFixture, BaneiWeightIsHexadecimal)
{
    analysis::RaceSlot slot = raceSlot(5, "83");
    slot.seRecords[1] = records::SeBuilder().horse(1).baneiWeight(720).build();
    EXPECT_EQ(text::bytesAt(slot.seRecords[1], 289, 3), "2D0");
    slot.seRecords[3] = records::SeBuilder().horse(3).text(289, 3, "000").build();
    slot.seRecords[4] = records::SeBuilder().horse(4).text(289, 3, "2G0").build();
    slot.seRecords[5] = records::SeBuilder().horse(5).text(289, 3, " 1F").build();
    writePerHorseRows(grids, slot, analysis::ThreePointTable());
    const std::vector<std::string> expected{"", " 720", "   ", "   0", "   ", "  31"};
    for (int horse = 1; horse <= 5; ++horse) {
        const auto h = static_cast<std::size_t>(horse);
        EXPECT_EQ(grids[GridId::StringGrid10].cell(horse, 4), expected[h]) << horse;
        EXPECT_EQ(grids[GridId::StringGrid2].cell(horse, 4), expected[h]) << horse;
        EXPECT_EQ(raceCardText(slot, 5, horse, 4), expected[h]) << horse;
    }
}

// Odds, shares and popularity at three points with their formats; a horse cancelled at
// every point shows "　" in the popularity and summary columns and nothing in the odds
// and share columns; results and their copies in the anomaly grids.
TEST_F(GridsFixture, ThreePointColumnsAndResults)
{
    analysis::RaceSlot slot = raceSlot(3);
    slot.record.finishPosition = {0, 1, 0, 12};
    slot.record.finalPopularity = {0, 2, 0, 1};
    slot.record.finalWinOdds = {0, 3.5, 0, 999.9};
    const std::vector<std::string> o1{o1Win({3.5, -1, 999.9}), o1Win({12.0, -1, 1.5}), o1Win({2.5, -1, 4.0})};
    analysis::ThreePointTable table;
    analysis::computeThreePoints(table, o1, {}, 3);
    writePerHorseRows(grids, slot, table);

    const TextGrid& win = grids[GridId::StringGrid26];
    EXPECT_EQ(row(GridId::StringGrid26, 1, 6, 20),
              (std::vector<std::string>{"  3.5", " 22.9", " 1", " 12.0", "  6.7", " 2", "  2.5", " 32.0", " 1", " 2",
                                        " 1", " 1", " 1", " 2", "   3.5"}));
    EXPECT_EQ(row(GridId::StringGrid26, 3, 6, 8), (std::vector<std::string>{"999.9", "  0.1", " 2"}));
    EXPECT_EQ(row(GridId::StringGrid26, 3, 18, 20), (std::vector<std::string>{"12", " 1", " 999.9"}));
    EXPECT_EQ(row(GridId::StringGrid26, 2, 6, 20),
              (std::vector<std::string>{"", "", kBlank, "", "", kBlank, "", "", kBlank, kBlank, kBlank, kBlank, kBlank,
                                        kBlank, kBlank}));
    EXPECT_EQ(win.cell(0, 6), sj("オッズ1")); // the header stays

    // Place grids from their own figures: 3.5 / 3 is stored as 1.2, 26.6 / 1.2 = 22.2.
    EXPECT_EQ(row(GridId::StringGrid8, 1, 6, 8), (std::vector<std::string>{"  1.2", " 22.2", " 1"}));
    EXPECT_EQ(row(GridId::StringGrid9, 1, 6, 8), (std::vector<std::string>{"  1.8", " 14.8", " 1"}));

    for (const GridId id : {GridId::StringGrid27, GridId::StringGrid28, GridId::StringGrid29, GridId::StringGrid30}) {
        EXPECT_EQ(row(id, 1, 18, 20), (std::vector<std::string>{" 1", " 2", "   3.5"})) << gridName(id);
        EXPECT_EQ(row(id, 2, 18, 20), (std::vector<std::string>{kBlank, kBlank, kBlank})) << gridName(id);
        EXPECT_EQ(grids[id].cell(1, 6), "") << gridName(id); // filled by the time-series tables
    }
}

// One O1 point only: the second and third show "　" and nothing, the summaries use the
// one point ("変動" 0). A race of 8 without a quinella file: the pseudo grid holds
// identity and results only.
TEST_F(GridsFixture, OnePointAndNoQuinella)
{
    analysis::RaceSlot slot = raceSlot(8);
    slot.record.finishPosition[4] = 3;
    analysis::ThreePointTable table;
    analysis::computeThreePoints(table, {o1Win({2.0, 3.0, 4.0, 5.0, 6.0, 7.0, 8.0, 9.0})}, {}, 8);
    writePerHorseRows(grids, slot, table);

    EXPECT_EQ(row(GridId::StringGrid26, 4, 6, 17),
              (std::vector<std::string>{"  5.0", " 16.0", " 4", "", "", kBlank, "", "", kBlank, " 4", " 4", " 0"}));
    EXPECT_EQ(row(GridId::StringGrid10, 4, 0, 1), (std::vector<std::string>{"4", " 4"}));
    EXPECT_EQ(row(GridId::StringGrid10, 4, 6, 18),
              (std::vector<std::string>{"", "", kBlank, "", "", kBlank, "", "", kBlank, kBlank, kBlank, kBlank, " 3"}));
    EXPECT_EQ(grids[GridId::StringGrid10].rowCount(), 9);
}

// A smaller race after a larger one: the rows of the old race are gone and no old
// three-point text survives in a cell the new race leaves without a value.
TEST_F(GridsFixture, RebuildAfterAnotherRace)
{
    analysis::ThreePointTable table;
    analysis::computeThreePoints(table, {o1Win(std::vector<double>(12, 5.0))}, {}, 12);
    writePerHorseRows(grids, raceSlot(12), table);
    grids[GridId::StringGrid11].setCell(5, 8, " 3"); // the selected-moment columns of the other grids
    ASSERT_EQ(grids[GridId::StringGrid26].cell(2, 6), "  5.0");

    emptyPerHorseGrids(grids);
    for (const GridId id : kPerHorseGrids)
        EXPECT_EQ(grids[id].rowCount(), id == GridId::StringGrid2 ? 13 : 2) << gridName(id);
    EXPECT_EQ(grids[GridId::StringGrid11].cell(1, 0), "");
    EXPECT_EQ(grids[GridId::StringGrid2].cell(12, 1), "");

    analysis::computeThreePoints(table, {o1Win({5.0, -1})}, {}, 2);
    writePerHorseRows(grids, raceSlot(2), table);
    EXPECT_EQ(grids[GridId::StringGrid2].rowCount(), 3);
    EXPECT_EQ(grids[GridId::StringGrid26].cell(2, 6), "");
    EXPECT_EQ(grids[GridId::StringGrid26].cell(2, 8), kBlank);

    // Even without the emptying step the three-point cells of a horse are all rewritten.
    analysis::computeThreePoints(table, {o1Win({-1, 5.0})}, {}, 2);
    writePerHorseRows(grids, raceSlot(2), table);
    EXPECT_EQ(row(GridId::StringGrid26, 1, 6, 8), (std::vector<std::string>{"", "", kBlank}));
}

namespace {

// The steps the main window runs at a race opening, over a grid set.
struct ThreePointSteps : RaceViewSteps {
    MainPanelModel* panel = nullptr;
    GridSet* grids = nullptr;
    void raceViewsCleared() override { emptyPerHorseGrids(*grids); }
    void threePointAnalysis() override { runThreePointAnalysis(*panel); }
    void perHorseRows() override { writePerHorseRows(*panel, *grids); }
};

} // namespace

// A race opened from the store: the time points nearest 30, 20 and 10 minutes before the
// 10:40 post are 10:10, 10:20 and 10:30; the one O2 snapshot is the nearest to all three
// targets and gives the pseudo figures of every point.
TEST_F(GridsFixture, RaceOpenedFromTheStore)
{
    tidemark::testing::RaceStore store;
    tidemark::testing::RecordingHost host;
    IniFile ini{store.dir / "Tidemark2NV.ini"};
    MainPanelModel panel{host, store.dir.path(), ini};
    ThreePointSteps steps;
    steps.panel = &panel;
    steps.grids = &grids;
    panel.setSteps(&steps);

    store.dayFile({tidemark::testing::raceCard(1, 3, "1040").line()});
    store.fullRunners(1, 3);
    std::vector<std::string> o1;
    const std::vector<std::vector<double>> win{{9.0, 2.0, 3.0}, {2.0, 3.0, 9.0}, {2.5, 3.0, 4.0}, {3.0, 2.5, 4.0}};
    const char* times[] = {"01151000", "01151010", "01151020", "01151030"};
    for (std::size_t i = 0; i < win.size(); ++i) {
        records::O1Builder b = tidemark::testing::o1At(times[i]);
        for (int h = 1; h <= 3; ++h)
            b.win(h, win[i][static_cast<std::size_t>(h - 1)], 0);
        o1.push_back(b.line());
    }
    store.writeLines(store.o1File(), o1);
    records::O2Builder q = tidemark::testing::o2At("01151030");
    q.quinella(records::quinellaPairIndex(1, 2), 4.0, 0).quinella(records::quinellaPairIndex(1, 3), 8.0, 0);
    q.quinella(records::quinellaPairIndex(2, 3), 16.0, 0);
    store.writeLines(store.o2File(), {q.line()});

    panel.buildDateList();
    panel.DateComboChange(0);
    ASSERT_NE(panel.currentSlot(), nullptr);

    EXPECT_EQ(grids[GridId::StringGrid26].rowCount(), 4);
    EXPECT_EQ(row(GridId::StringGrid26, 1, 6, 17),
              (std::vector<std::string>{"  2.0", " 40.0", " 1", "  2.5", " 32.0", " 1", "  3.0", " 26.7", " 2", " 2",
                                        " 1", " 1"}));
    // Horse 1: 37.5/4 + 37.5/8 = 14.1 %, odds 80 / 14.0625 = 5.7.
    EXPECT_EQ(row(GridId::StringGrid10, 1, 6, 17),
              (std::vector<std::string>{"  5.7", " 14.1", " 1", "  5.7", " 14.1", " 1", "  5.7", " 14.1", " 1", " 1",
                                        " 1", " 0"}));
    EXPECT_EQ(row(GridId::StringGrid10, 3, 6, 8), (std::vector<std::string>{" 11.4", "  7.0", " 3"}));
}
