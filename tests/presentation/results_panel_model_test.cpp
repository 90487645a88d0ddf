#include <gtest/gtest.h>

#include "analysis/race_store_fixture.h"
#include "presentation/main_panel_model.h"
#include "presentation/results_panel_model.h"
#include "records/pair_index.h"
#include "records/record_builder.h"
#include "support/recording_host.h"

using namespace tidemark;
using records::HrBuilder;
using text::sj;
using tidemark::testing::raceCard;
using tidemark::testing::RaceStore;
using tidemark::testing::RecordingHost;

namespace {

HrBuilder payoutsOf(int race)
{
    HrBuilder b;
    b.dataKind('2').creationDate(2024, 1, 15).date(2024, 1, 15).track("44").meeting(11).day(2).race(race);
    return b;
}

// The main window's part: forwards the day-load and race-opening steps to the results page.
struct Steps : RaceViewSteps {
    ResultsPanelModel* results = nullptr;
    int opened = 0;
    void payoutTablesCleared() override { results->payoutTablesCleared(); }
    void importPayouts() override { results->HrReadBtnClick(); }
    void raceViewsCleared() override { ++opened; }
    void resultsLabels() override { results->showRaceResults(); }
};

struct Observer : ResultsPanelObserver {
    int changes = 0;
    void resultsPanelChanged() override { ++changes; }
};

struct ResultsPage : ::testing::Test {
    RaceStore store;
    RecordingHost host;
    IniFile ini{store.dir / "Tidemark2NV.ini"};
    MainPanelModel main{host, store.dir.path(), ini};
    ResultsPanelModel results{host, main};
    Steps steps;
    Observer observer;

    ResultsPage()
    {
        steps.results = &results;
        main.setSteps(&steps);
        results.setObserver(&observer);
        host.clock = {2024, 1, 20, 12, 0, 0}; // not race day: no results timer
    }
    std::filesystem::path payoutFile() const { return store.data("2024年01月15日.nvHR"); }
    void threeRaces()
    {
        store.dayFile({raceCard(1).line(), raceCard(2).line(), raceCard(3).line()});
        store.fullRunners(3, 12);
    }
    void chooseDay()
    {
        main.buildDateList();
        main.DateComboChange(0);
    }
};

TEST_F(ResultsPage, DayLoadShowsTheOpenRacesPayouts)
{
    threeRaces();
    store.writeLines(payoutFile(), {payoutsOf(1).win(1, 4, 250, 1).line(),
                                    payoutsOf(2).win(1, 7, 1230, 5).win(2, 9, 560, 3).quinella(1, 7, 9, 4500, 12)
                                        .bracketQuinella(1, 5, 6, 2100, 8).line()});
    chooseDay(); // opens the first race
    EXPECT_EQ(results.labelText("Label3D19"), " 4");
    EXPECT_EQ(results.labelText("Label3D23"), "     250");

    main.DatListClick(1);
    EXPECT_EQ(results.labelText("Label3D19"), " 7");
    EXPECT_EQ(results.labelText("Label3D25"), " 9");
    EXPECT_EQ(results.labelText("Label3D64"), " 7- 9");
    EXPECT_EQ(results.winningQuinellaPairs(), (std::vector<int>{records::quinellaPairIndex(7, 9)}));
    EXPECT_EQ(results.winningBracketPairs(), (std::vector<int>{records::bracketPairIndex(5, 6)}));

    main.DatListClick(2); // no payouts yet: the page is emptied
    EXPECT_EQ(results.labelText("Label3D19"), "");
    EXPECT_TRUE(results.winningQuinellaPairs().empty());
    EXPECT_GE(observer.changes, 3);
}

TEST_F(ResultsPage, ArrivingPayoutsOfTheSelectedRaceReopenIt)
{
    threeRaces();
    chooseDay();
    main.DatListClick(1);
    const int opened = steps.opened;
    EXPECT_EQ(results.labelText("Label3D19"), "");

    // Another race's payouts: the open race is not shown again.
    store.writeLines(payoutFile(), {payoutsOf(1).win(1, 4, 250, 1).line()});
    results.HrReadBtnClick();
    EXPECT_EQ(steps.opened, opened);
    EXPECT_EQ(results.payouts().table(0).entry(results::PayoutKind::Win, 1).horse, 4);

    store.writeLines(payoutFile(), {payoutsOf(1).win(1, 4, 250, 1).line(), payoutsOf(2).win(1, 2, 330, 2).line()});
    results.HrReadBtnClick();
    EXPECT_EQ(steps.opened, opened + 1);
    EXPECT_EQ(results.labelText("Label3D19"), " 2");
    EXPECT_EQ(main.DatList().itemIndex, 1);

    results.HrReadBtnClick(); // nothing new
    EXPECT_EQ(steps.opened, opened + 1);
}

TEST_F(ResultsPage, WithoutASelectedRaceTheImportOpensNothing)
{
    store.dayFile({raceCard(1).line()}); // no runner file: the race list is emptied
    store.writeLines(payoutFile(), {payoutsOf(1).win(1, 4, 250, 1).line()});
    chooseDay();
    ASSERT_TRUE(main.DatList().empty());
    const int opened = steps.opened;
    results.HrReadBtnClick();
    EXPECT_EQ(steps.opened, opened);
    EXPECT_EQ(results.payouts().table(0).entry(results::PayoutKind::Win, 1).horse, 4);
    EXPECT_EQ(results.labelText("Label3D19"), "");
}

TEST_F(ResultsPage, RaceAddedByTheResultsFetchReloadsTheDay)
{
    store.dayFile({raceCard(1).line(), raceCard(3).line()});
    store.fullRunners(3, 12);
    chooseDay();
    main.DatListClick(1); // race 3, slot 1
    ASSERT_EQ(main.DatList().count(), 2);

    store.dayFile({raceCard(1).line(), raceCard(2).line(), raceCard(3).line()});
    store.writeLines(payoutFile(), {payoutsOf(3).win(1, 8, 870, 4).line()});
    results.HrReadBtnClick();

    ASSERT_EQ(main.DatList().count(), 3);
    // Every entry opens its own race again: the last viewed entry is reopened.
    EXPECT_EQ(main.dayTable().currentRace, main.raceEntries()[1].slot);
    main.DatListClick(2);
    EXPECT_EQ(records::RaView(main.currentSlot()->raRecord).raceNumber(), 3);
    EXPECT_EQ(results.labelText("Label3D19"), " 8");
}

TEST_F(ResultsPage, UnreadablePayoutFileIsReportedAndKeepsThePage)
{
    threeRaces();
    store.writeLines(payoutFile(), {payoutsOf(1).win(1, 4, 250, 1).line()});
    chooseDay();
    ASSERT_EQ(results.labelText("Label3D19"), " 4");

    std::filesystem::remove(payoutFile());
    std::filesystem::create_directory(payoutFile());
    const int beeps = host.beeps;
    results.HrReadBtnClick();
    EXPECT_EQ(host.beeps, beeps + 1);
    ASSERT_FALSE(host.boxes.empty());
    EXPECT_EQ(host.boxes.back().kind, RecordingHost::BoxKind::Message);
    EXPECT_EQ(results.labelText("Label3D19"), " 4");
    EXPECT_EQ(results.payouts().table(0).entry(results::PayoutKind::Win, 1).horse, 4);
}

TEST_F(ResultsPage, NewDayEmptiesThePayouts)
{
    threeRaces();
    store.writeLines(payoutFile(), {payoutsOf(1).win(1, 4, 250, 1).line()});
    chooseDay();
    ASSERT_TRUE(results.payouts().payoutsLoaded(0));

    std::filesystem::remove(payoutFile());
    main.DateComboChange(0);
    EXPECT_FALSE(results.payouts().payoutsLoaded(0));
    EXPECT_TRUE(results.payouts().table(0).empty());
    EXPECT_EQ(results.labelText("Label3D19"), "");
}

} // namespace
