// The backtest window's model over the small season of
// tests/analytics/season_store_fixture.h: its choice and where it is kept, a run on its
// worker handed back through the host, the grids and the curve it shows, its refusals,
// a cancel and a close met by a run held in its course, and a bet opened in the main
// window at its moment.

#include "presentation/backtest_model.h"

#include <gtest/gtest.h>

#include "analytics/season_store_fixture.h"
#include "presentation/main_window_model.h"
#include "service/null_nv_link.h"
#include "settings/settings_keys.h"
#include "support/held_backtest.h"
#include "support/recording_host.h"
#include "text/cp932.h"

namespace tidemark::presentation {
namespace {

using text::sj;
using text::toUtf8;
using Grid = BacktestFormModel::Grid;

std::vector<std::string> rowOf(const TextGrid& g, int row)
{
    std::vector<std::string> out;
    for (int c = 0; c < g.colCount(); ++c)
        out.push_back(toUtf8(g.cell(row, c)));
    return out;
}

class BacktestModelTest : public ::testing::Test {
protected:
    testing::SeasonStore season;
    testing::RecordingHost host;
    IniFile ini{season.dir / "Tidemark2NV.ini"};
    BacktestFormModel model{host, ini, season.layout};

    // The UI thread's part: takes what the worker posts until the run has ended.
    bool waitForRun() { return host.runPostedUntil([this] { return !model.running(); }); }
};

TEST_F(BacktestModelTest, OpensOnTheMonthOfTheNewestDayAndKeepsTheChoice)
{
    model.FormShow();
    EXPECT_EQ(model.FromDate(), "2024/01/01");
    EXPECT_EQ(model.ToDate(), "2024/01/05");
    EXPECT_EQ(toUtf8(model.RuleCombo().text()), "1番人気");
    EXPECT_EQ(model.MinutesSpin().value, 5);

    model.RuleComboChange(2);
    EXPECT_EQ(model.ParamEdit(), "5:10");
    EXPECT_NE(toUtf8(model.ParamHint()).find("W分間"), std::string::npos);
    model.setParamEdit("3:15");
    model.setMinutesSpin(99); // kept within 0-60
    model.setBetRadio(1);
    model.setFromDate("2024/01/02");
    EXPECT_TRUE(model.FormCloseQuery());

    BacktestFormModel again(host, ini, season.layout);
    again.FormShow();
    EXPECT_EQ(again.FromDate(), "2024/01/02");
    EXPECT_EQ(again.RuleCombo().itemIndex, 2);
    EXPECT_EQ(again.ParamEdit(), "3:15");
    EXPECT_EQ(again.MinutesSpin().value, 60);
    EXPECT_EQ(again.BetRadio(), 1);

    // The rule is kept by its name, so the list may be reordered; the place in the list
    // that earlier versions kept still reads.
    EXPECT_EQ(settings::BacktestRule.read(ini), "steam");
    for (const auto& [stored, index] : std::vector<std::pair<std::string, int>>{{"gap", 5}, {"4", 4}, {"99", 0}, {"x", 0}}) {
        settings::BacktestRule.write(ini, stored);
        BacktestFormModel old(host, ini, season.layout);
        old.FormShow();
        EXPECT_EQ(old.RuleCombo().itemIndex, index) << stored;
    }
}

TEST_F(BacktestModelTest, ARunOnItsWorkerFillsTheGridsAndTheCurve)
{
    model.FormShow();
    model.RuleComboChange(1); // popularity:2
    model.RunBtnClick();
    EXPECT_TRUE(model.running());
    EXPECT_FALSE(model.RunBtnEnabled());
    EXPECT_TRUE(model.CancelBtnEnabled());
    model.RunBtnClick(); // ignored while it runs
    // Every input that shaped the run stays as it was run.
    model.setBetRadio(1);
    model.RuleComboChange(3);
    model.setParamEdit("3");
    model.setMinutesSpin(20);
    model.setFromDate("2024/01/03");
    model.setToDate("2024/01/04");
    EXPECT_EQ(model.BetRadio(), 0);
    EXPECT_EQ(model.RuleCombo().itemIndex, 1);
    EXPECT_EQ(model.ParamEdit(), "2");
    EXPECT_EQ(model.MinutesSpin().value, 5);
    EXPECT_EQ(model.FromDate(), "2024/01/01");
    EXPECT_EQ(model.ToDate(), "2024/01/05");
    ASSERT_TRUE(waitForRun());
    EXPECT_FALSE(model.running());
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_EQ(model.ProgressPosition(), model.ProgressMax());
    EXPECT_EQ(toUtf8(model.StatusLabel()), "完了  2レース  2点");

    // Horse 3 of 大井 won (650 yen), horse 2 of 川崎 did not.
    const TextGrid& bets = model.grid(Grid::Bets);
    ASSERT_EQ(bets.rowCount(), 3);
    EXPECT_EQ(rowOf(bets, 1), (std::vector<std::string>{"2024/01/01", "大井", "1", "10:15", "10:10", " 3",
                                                         "テストホース3", "   6.5", " 2", " 1", "的中", "650"}));
    EXPECT_EQ(rowOf(bets, 2)[10], "");
    EXPECT_EQ(model.ReturnCurve(), (std::vector<double>{550.0, 450.0}));
    // As drawn: from 0 before the first race, on a round range through 0.
    const ChartState& chart = model.ReturnChart();
    ASSERT_EQ(chart.series.size(), 1u);
    EXPECT_EQ(chart.series[0].points.size(), 3u);
    EXPECT_EQ(chart.series[0].points[2].y, 450.0);
    EXPECT_EQ(chart.axis.minimum, 0.0);
    EXPECT_EQ(chart.axis.maximum, 700.0);
    EXPECT_EQ(chart.xAxis.maximum, 2);

    const TextGrid& tracks = model.grid(Grid::Tracks);
    ASSERT_EQ(tracks.rowCount(), 4);
    EXPECT_EQ(rowOf(tracks, 1), (std::vector<std::string>{"大井", "1", "1", "1", "100.0%", "100円", "650円", "650.0%"}));
    EXPECT_EQ(rowOf(tracks, 3), (std::vector<std::string>{"合計", "2", "2", "1", "50.0%", "200円", "650円", "325.0%"}));
    EXPECT_EQ(rowOf(model.grid(Grid::Bands), 1)[0], "2-3");

    const TextGrid& summary = model.grid(Grid::Summary);
    std::map<std::string, std::string> values;
    for (int r = 0; r < summary.rowCount(); ++r)
        values[toUtf8(summary.cell(r, 0))] = toUtf8(summary.cell(r, 1));
    EXPECT_EQ(values["対象レース"], "2 / 4 (ｵｯｽﾞなし 0、結果なし 2、購入時刻なし 0)"); // 01/05: a card only
    EXPECT_EQ(values["ルール"], "人気順 2");
    EXPECT_EQ(values["期間"], "2024/01/01～2024/01/05 (3日)");
    EXPECT_EQ(values["購入"], "単勝 発走5分前");
    EXPECT_EQ(values["回収率"], "325.0%");
    EXPECT_EQ(values["ROI"].substr(0, 6), "225.0%");

    // Hits stand out; a return above the stake is red.
    EXPECT_EQ(model.cellStyle(Grid::Bets, 1, 10).textColour, colours::red);
    EXPECT_EQ(model.cellStyle(Grid::Bets, 1, 0).background, colours::resultYellow);
    EXPECT_EQ(model.cellStyle(Grid::Bets, 2, 0).background, colours::white);
    EXPECT_EQ(model.cellStyle(Grid::Tracks, 3, 7).textColour, colours::red);
    EXPECT_EQ(model.cellStyle(Grid::Tracks, 2, 7).textColour, colours::black);
    EXPECT_EQ(model.cellStyle(Grid::Summary, 9, 1).textColour, colours::red); // 回収率
    // The style comes from the result, not from the texts the grid shows.
    model.grid(Grid::Bets).setCell(2, 10, sj("的中"));
    model.grid(Grid::Summary).setCell(9, 0, "");
    EXPECT_EQ(model.cellStyle(Grid::Bets, 2, 0).background, colours::white);
    EXPECT_EQ(model.cellStyle(Grid::Summary, 9, 1).textColour, colours::red);
}

TEST_F(BacktestModelTest, WhatCannotBeRunIsSaidAndNothingStarts)
{
    model.FormShow();
    model.setToDate("2023/12/31");
    model.RunBtnClick();
    EXPECT_FALSE(model.running());
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(toUtf8(host.boxes[0].text).find("期間の日付が正しくありません"), std::string::npos);

    // A condition that cannot be is said in Japanese, with what the box takes.
    model.setToDate("2024/01/05");
    model.RuleComboChange(1);
    for (const char* bad : {"0", "19", "３", "x"}) {
        host.boxes.clear();
        model.setParamEdit(sj(bad));
        model.RunBtnClick();
        EXPECT_FALSE(model.running());
        ASSERT_EQ(host.boxes.size(), 1u);
        EXPECT_EQ(toUtf8(host.boxes[0].text), "「人気順」の条件が正しくありません。\nK: 人気順位(1～18)") << bad;
    }
    EXPECT_EQ(host.beeps, 5);
}

TEST_F(BacktestModelTest, ACancelStopsTheRunWhereItIsAndACloseLetsItGoOn)
{
    // Cancelled after its first race: the first race's count, marked.
    testing::HeldBacktest held;
    model.setRunner(held.runner());
    model.FormShow();
    model.RunBtnClick();
    ASSERT_TRUE(held.waitHeld());
    model.CancelBtnClick();
    EXPECT_FALSE(model.CancelBtnEnabled());
    EXPECT_TRUE(model.running());
    held.release();
    ASSERT_TRUE(waitForRun());
    EXPECT_TRUE(model.RunBtnEnabled());
    EXPECT_TRUE(model.result().cancelled);
    EXPECT_EQ(model.result().racesInRange, 1);
    EXPECT_EQ(toUtf8(model.StatusLabel()), "中止しました  1レース  1点");
    EXPECT_EQ(toUtf8(model.grid(Grid::Summary).cell(0, 0)), "中止");

    // A close while it runs hides the window at once; the run goes on to its end.
    testing::HeldBacktest again;
    model.setRunner(again.runner());
    model.RunBtnClick();
    ASSERT_TRUE(again.waitHeld());
    EXPECT_TRUE(model.FormCloseQuery());
    EXPECT_TRUE(model.running());
    again.release();
    ASSERT_TRUE(waitForRun());
    EXPECT_FALSE(model.result().cancelled);
    EXPECT_TRUE(toUtf8(model.StatusLabel()).starts_with("完了"));
    model.FormShow(); // opened again: the end is there
    EXPECT_TRUE(toUtf8(model.StatusLabel()).starts_with("完了"));
}

TEST_F(BacktestModelTest, AnyFailureOfTheWorkerIsSaidAndEndsTheRun)
{
    model.setRunner([](const store::StoreLayout&, const analytics::BacktestOptions&,
                       const analytics::BacktestListener&, std::stop_token) -> analytics::BacktestResult {
        throw 42; // not a std::exception
    });
    model.FormShow();
    model.RunBtnClick();
    ASSERT_TRUE(waitForRun());
    EXPECT_EQ(toUtf8(model.StatusLabel()), "中断しました");
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(toUtf8(host.boxes[0].text), "バックテストを続けられませんでした。");
    EXPECT_TRUE(model.RunBtnEnabled());
}

TEST(BacktestWindowTest, ADoubleClickOpensTheRaceAtTheBetMoment)
{
    testing::SeasonStore season;
    testing::RecordingHost host;
    NullNvLink link;
    MainWindowModel window(host, link, season.dir.path());
    window.panel().buildDateList();
    window.panel().DateComboChange(0); // the newest day, 2024-01-05
    BacktestFormModel& backtest = window.backtest();
    backtest.FormShow();
    backtest.setMinutesSpin(10);
    backtest.RunBtnClick();
    ASSERT_TRUE(host.runPostedUntil([&] { return !backtest.running(); }));
    ASSERT_EQ(backtest.grid(Grid::Bets).rowCount(), 3);

    backtest.BetGridDblClick(1);
    const MainPanelModel& panel = window.panel();
    EXPECT_EQ(toUtf8(panel.DateCombo().text()), "2024年01月01日");
    EXPECT_EQ(toUtf8(panel.DatList().text()), "大井 1R");
    EXPECT_EQ(panel.TimeCombo().text(), "01/01 10:00");
    EXPECT_EQ(panel.currentSlot()->record.o1Time, "1000");

    backtest.BetGridDblClick(2);
    EXPECT_EQ(toUtf8(panel.DatList().text()), "川崎 1R");
    EXPECT_EQ(panel.TimeCombo().text(), "01/02 14:40");

    // A race that is no longer stored is said, not opened.
    EXPECT_FALSE(window.panel().openRaceAt(sj("2024年01月01日"), "2024010144030109", "01011000"));
    EXPECT_FALSE(window.panel().openRaceAt(sj("2024年01月01日"), "2024010144030101", "01010101"));
    EXPECT_FALSE(window.panel().openRaceAt(sj("2024年02月01日"), "2024020144030101", "02011000"));
}

} // namespace
} // namespace tidemark::presentation
