#include "presentation/chart_model.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "records/record_builder.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"
#include "text/cp932.h"

namespace tidemark::presentation {
namespace {

using records::O1Builder;
using records::OddsField;
using text::sj;

O1Builder snapshotAt(int hour, int minute)
{
    O1Builder b;
    b.dataKind('0').creationDate("20240115").date(2024, 1, 15).track("44").meeting(11).day(2).race(1);
    b.announcement(1, 15, hour, minute);
    return b;
}

// Three snapshots of a ten-horse race: horse h at win odds h + j, place (h, h + 1),
// bracket pair k at 10 k + j; some fields blank, cancelled, zero or damaged.
analysis::SnapshotList tenHorseSeries()
{
    // Horse 2 scratched before the sale; horse 5 has no votes at the middle snapshot;
    // horse 6's win field is damaged at the last one; bracket pair 3 scratched after the sale.
    analysis::SnapshotList list(3);
    for (int j = 0; j < 3; ++j) {
        O1Builder b = snapshotAt(10, 15 + 5 * j);
        for (int h = 1; h <= 10; ++h) {
            if (h == 2) {
                b.win(h, OddsField::cancelledBeforeSale());
                b.place(h, OddsField::cancelledBeforeSale(), OddsField::cancelledBeforeSale());
                continue;
            }
            if (h == 5 && j == 1) {
                b.win(h, OddsField::noVotes());
                b.place(h, OddsField::noVotes(), OddsField::noVotes());
                continue;
            }
            b.win(h, h + j, h);
            b.place(h, static_cast<double>(h), h + 1.0, h);
        }
        for (int k = 1; k <= 36; ++k) {
            if (k == 3)
                b.bracketQuinella(k, OddsField::cancelledAfterSale());
            else
                b.bracketQuinella(k, 10.0 * k + j, k);
        }
        if (j == 2)
            b.set(46 + 8 * 5, "12a4");
        list[static_cast<std::size_t>(j)] = b.line();
    }
    return list;
}

class ChartModelTest : public ::testing::Test {
protected:
    testing::TempDir dir;
    IniFile ini{dir / "Tidemark2NV.ini"};
    testing::RecordingHost host;
};

const ChartSeries& series(const ChartModel& m, ChartId chart, int oneBased)
{
    return m.chart(chart).series.at(static_cast<std::size_t>(oneBased - 1));
}

std::vector<double> ys(const ChartSeries& s)
{
    std::vector<double> out;
    for (const ChartPoint& p : s.points)
        out.push_back(p.y);
    return out;
}

std::vector<int> xs(const ChartSeries& s)
{
    std::vector<int> out;
    for (const ChartPoint& p : s.points)
        out.push_back(p.x);
    return out;
}

TEST_F(ChartModelTest, SeriesTitlesColoursAndWidthsOfEveryChart)
{
    ChartModel m(host, ini);
    const ChartState& win = m.chart(ChartId::Chart1);
    ASSERT_EQ(win.series.size(), 18u);
    EXPECT_EQ(win.series[0].title, "1");
    EXPECT_EQ(win.series[17].title, "18");
    const std::vector<std::string> horseColours{"#FF0000", "#800000", "#000000", "#FFFF00", "#808000", "#00FF00",
        "#808080", "#00FFFF", "#000080", "#FF00FF", "#400080", "#0000FF", "#008080", "#400080", "#008000", "#C0C0C0",
        "#FF0000", "#0000FF"};
    for (std::size_t h = 0; h < 18; ++h) {
        EXPECT_EQ(win.series[h].colour.hex(), horseColours[h]) << h + 1;
        EXPECT_EQ(win.series[h].lineWidth, h == 3 ? 2 : 1) << h + 1;
    }

    const ChartState& bracket = m.chart(ChartId::Chart10);
    ASSERT_EQ(bracket.series.size(), 36u);
    EXPECT_EQ(bracket.series[0].title, "1-1");
    EXPECT_EQ(bracket.series[8].title, "2-2");
    EXPECT_EQ(bracket.series[35].title, "8-8");
    EXPECT_EQ(bracket.series[8].colour.hex(), "#FF8000");  // 2-2
    EXPECT_EQ(bracket.series[14].colour.hex(), "#808000"); // 2-8
    EXPECT_EQ(bracket.series[23].colour.hex(), "#000080"); // 4-6
    EXPECT_EQ(bracket.series[29].colour.hex(), "#FF0000"); // 5-8
    EXPECT_EQ(bracket.series[35].colour.hex(), "#00FFFF"); // 8-8
    EXPECT_EQ(bracket.series[5].lineWidth, 2);              // 1-6
    EXPECT_EQ(bracket.series[31].lineWidth, 2);             // 6-7
    EXPECT_EQ(bracket.series[30].lineWidth, 1);

    const ChartState& cmp = m.chart(ChartId::Chart9);
    ASSERT_EQ(cmp.series.size(), 2u);
    EXPECT_EQ(cmp.series[0].title, sj("最高"));
    EXPECT_EQ(cmp.series[0].colour.hex(), "#FF0000");
    EXPECT_EQ(cmp.series[1].title, sj("最低"));
    EXPECT_EQ(cmp.series[1].colour.hex(), "#0000FF");

    EXPECT_EQ(m.chart(ChartId::Chart2).axis.title, sj("オッズ"));
    EXPECT_EQ(m.chart(ChartId::Chart8).axis.title, sj("得票率"));
    EXPECT_EQ(m.chart(ChartId::Chart12).axis.title, sj("オッズ"));
    EXPECT_EQ(m.chart(ChartId::Chart6).background, ChartBackground::Gradient);
    EXPECT_EQ(m.chart(ChartId::Chart7).background, ChartBackground::White);
    EXPECT_EQ(m.chart(ChartId::Chart12).background, ChartBackground::Gradient);
}

TEST_F(ChartModelTest, OddsAndShareLinesSkipBlankCancelledAndZeroFields)
{
    ChartModel m(host, ini);
    m.fill(tenHorseSeries(), 10);

    EXPECT_EQ(m.timeLabels(), (std::vector<std::string>{"10:15", "10:20", "10:25"}));
    const ChartSeries& h1 = series(m, ChartId::Chart1, 1);
    EXPECT_EQ(ys(h1), (std::vector<double>{1.0, 2.0, 3.0}));
    EXPECT_EQ(h1.points[2].label, "10:25");
    EXPECT_EQ(xs(h1), (std::vector<int>{0, 1, 2}));

    // Scratched horse: no points anywhere, but its legend entry stays.
    EXPECT_TRUE(series(m, ChartId::Chart1, 2).points.empty());
    EXPECT_TRUE(series(m, ChartId::Chart1, 2).inLegend);
    EXPECT_TRUE(series(m, ChartId::Chart7, 2).points.empty());

    // "0000" is a point at 0 on the odds charts, nothing on the vote-share charts.
    EXPECT_EQ(ys(series(m, ChartId::Chart1, 5)), (std::vector<double>{5.0, 0.0, 7.0}));
    EXPECT_EQ(xs(series(m, ChartId::Chart6, 5)), (std::vector<int>{0, 2}));
    // A damaged field counts as 0 odds.
    EXPECT_EQ(ys(series(m, ChartId::Chart1, 6)), (std::vector<double>{6.0, 7.0, 0.0}));
    EXPECT_EQ(xs(series(m, ChartId::Chart6, 6)), (std::vector<int>{0, 1}));

    EXPECT_DOUBLE_EQ(series(m, ChartId::Chart6, 4).points[0].y, 20.0); // 80 / 4.0
    EXPECT_EQ(ys(series(m, ChartId::Chart3, 3)), (std::vector<double>{3.0, 3.0, 3.0}));
    EXPECT_EQ(ys(series(m, ChartId::Chart4, 3)), (std::vector<double>{4.0, 4.0, 4.0}));
    // Place odds of 2.0 are a share of 13.3.
    EXPECT_NEAR(series(m, ChartId::Chart7, 1).points[0].y, 26.6, 1e-9);
    EXPECT_NEAR(series(m, ChartId::Chart8, 1).points[0].y, 13.3, 1e-9);

    // Bracket pairs: odds and 75 / odds; pair 3 cancelled after the sale.
    EXPECT_EQ(ys(series(m, ChartId::Chart2, 36)), (std::vector<double>{360.0, 361.0, 362.0}));
    EXPECT_DOUBLE_EQ(series(m, ChartId::Chart10, 1).points[0].y, 7.5);
    EXPECT_TRUE(series(m, ChartId::Chart2, 3).points.empty());
    EXPECT_TRUE(series(m, ChartId::Chart2, 36).inLegend);
}

TEST_F(ChartModelTest, LegendShowsTheRunnersOnlyAndClearAllKeepsIt)
{
    ChartModel m(host, ini);
    m.fill(tenHorseSeries(), 10);
    for (ChartId c : {ChartId::Chart1, ChartId::Chart3, ChartId::Chart4, ChartId::Chart6, ChartId::Chart7,
             ChartId::Chart8, ChartId::Chart12}) {
        for (int h = 1; h <= 18; ++h) {
            EXPECT_EQ(series(m, c, h).inLegend, h <= 10) << chartName(c) << " horse " << h;
            if (h > 10) {
                EXPECT_TRUE(series(m, c, h).points.empty());
            }
        }
    }
    EXPECT_EQ(m.selections().CheckListBox1.items.at(9), sj("10番"));
    EXPECT_EQ(m.selections().RadioGroup9.itemIndex, 0);

    m.ClearAllClick(ChartList::CheckListBox4);
    for (int h = 1; h <= 10; ++h) {
        EXPECT_TRUE(series(m, ChartId::Chart6, h).inLegend);
        EXPECT_TRUE(series(m, ChartId::Chart6, h).points.empty());
    }
    EXPECT_FALSE(series(m, ChartId::Chart1, 1).points.empty()); // other charts untouched

    m.CheckListBoxClickCheck(ChartList::CheckListBox4, 3, true);
    EXPECT_EQ(series(m, ChartId::Chart6, 4).points.size(), 3u);
    EXPECT_TRUE(series(m, ChartId::Chart6, 3).points.empty());

    m.SelectAllClick(ChartList::CheckListBox4);
    EXPECT_EQ(series(m, ChartId::Chart6, 3).points.size(), 3u);

    m.CheckListBoxClickCheck(ChartList::CheckListBox7, 35, false);
    EXPECT_TRUE(series(m, ChartId::Chart2, 36).points.empty());
    EXPECT_TRUE(series(m, ChartId::Chart2, 36).inLegend);
}

TEST_F(ChartModelTest, PlaceComparisonFollowsTheChosenHorse)
{
    ChartModel m(host, ini);
    m.fill(tenHorseSeries(), 10);
    const ChartState& odds = m.chart(ChartId::Chart5);
    EXPECT_EQ(ys(odds.series[0]), (std::vector<double>{2.0, 2.0, 2.0})); // 最高 = upper
    EXPECT_EQ(ys(odds.series[1]), (std::vector<double>{1.0, 1.0, 1.0})); // 最低 = lower

    m.RadioGroup9Click(4); // horse 5: zeros in the middle snapshot
    const ChartState& share = m.chart(ChartId::Chart9);
    EXPECT_EQ(xs(share.series[0]), (std::vector<int>{0, 2}));
    EXPECT_NEAR(share.series[0].points[0].y, 26.6 / 6.0, 1e-9);
    EXPECT_NEAR(share.series[1].points[0].y, 26.6 / 5.0, 1e-9);

    // A horse scratched at the last snapshot draws nothing, and the lines of the horse
    // chosen before do not stay.
    m.RadioGroup6Click(1);
    EXPECT_TRUE(m.chart(ChartId::Chart5).series[0].points.empty());
    EXPECT_TRUE(m.chart(ChartId::Chart5).series[1].points.empty());
    EXPECT_TRUE(m.chart(ChartId::Chart5).series[0].inLegend);
}

TEST_F(ChartModelTest, DifferenceChartInBothModes)
{
    analysis::SnapshotList list;
    // Horse 1: win 4.0 (popularity 2), place 2.0 (popularity 5); horse 2: no place price.
    list.push_back(snapshotAt(9, 30).win(1, 4.0, 2).place(1, 2.0, 3.0, 5).win(2, 8.0, 4).line());
    list.push_back(snapshotAt(9, 40)
                       .win(1, 4.0, 2)
                       .place(1, 2.0, 3.0, 5)
                       .win(2, 8.0, 4)
                       .place(2, OddsField::noVotes(), OddsField::noVotes(), 0)
                       .line());
    ChartModel m(host, ini);
    m.fill(list, 2);

    const ChartSeries& h1 = series(m, ChartId::Chart12, 1);
    ASSERT_EQ(h1.points.size(), 2u);
    EXPECT_NEAR(h1.points[0].y, 80.0 / 4.0 - (80.0 / 2.0) / 3.0, 1e-9);
    EXPECT_TRUE(series(m, ChartId::Chart12, 2).points.empty()); // blank, then zero place odds

    m.RadioGroup2Click(1);
    EXPECT_EQ(m.RadioGroup2Index(), 1);
    EXPECT_EQ(ys(series(m, ChartId::Chart12, 1)), (std::vector<double>{-3.0, -3.0}));
    EXPECT_TRUE(series(m, ChartId::Chart12, 2).points.empty());
    // The automatic bottom reaches the lowest difference; the top is the slider.
    EXPECT_LE(m.chart(ChartId::Chart12).axis.minimum, -3.0);
    EXPECT_DOUBLE_EQ(m.chart(ChartId::Chart12).axis.maximum, 50.0);
}

// The main window may rebuild the lists through the time-series step instead of fill().
TEST_F(ChartModelTest, ListsRebuiltByTheCallerDrawTheSameLines)
{
    struct Counter : ChartObserver {
        int selections = 0;
        int charts = 0;
        void selectionsChanged() override { ++selections; }
        void chartChanged(ChartId) override { ++charts; }
    } counter;
    ChartModel filled(host, ini);
    filled.fill(tenHorseSeries(), 10);
    ChartModel stepped(host, ini);
    stepped.setObserver(&counter);
    stepped.setSnapshots(tenHorseSeries());
    resetChartSelections(stepped.selections(), 10, stepped.redrawHandler());
    for (ChartId c : kAllCharts) {
        for (std::size_t i = 0; i < filled.chart(c).series.size(); ++i) {
            EXPECT_EQ(stepped.chart(c).series[i].points, filled.chart(c).series[i].points) << chartName(c);
            EXPECT_EQ(stepped.chart(c).series[i].inLegend, filled.chart(c).series[i].inLegend) << chartName(c);
        }
    }
    EXPECT_EQ(counter.selections, 11); // the view sees each rebuilt list
    EXPECT_EQ(counter.charts, 11);
}

TEST_F(ChartModelTest, EmptyAndNoSnapshots)
{
    ChartModel m(host, ini);
    m.fill(tenHorseSeries(), 10);
    m.empty();
    for (ChartId c : kAllCharts)
        for (const ChartSeries& s : m.chart(c).series)
            EXPECT_TRUE(s.points.empty()) << chartName(c) << " " << s.title;
    EXPECT_TRUE(m.timeLabels().empty());

    // A race without odds: the lists are rebuilt, the charts stay empty.
    m.fill({}, 12);
    EXPECT_EQ(m.selections().CheckListBox9.count(), 12);
    EXPECT_TRUE(series(m, ChartId::Chart1, 1).points.empty());
    m.SelectAllClick(ChartList::CheckListBox1);
    m.RadioGroup6Click(3);
    EXPECT_TRUE(series(m, ChartId::Chart1, 1).points.empty());
    EXPECT_TRUE(m.chart(ChartId::Chart5).series[0].points.empty());
}

TEST_F(ChartModelTest, DefaultsWhenTheSettingsAreAbsent)
{
    ChartModel m(host, ini);
    EXPECT_EQ(m.TrackBar1().position, 500);
    EXPECT_EQ(m.TrackBar1().maximum, 1000);
    EXPECT_EQ(m.TrackBar2().position, 50);
    EXPECT_EQ(m.TrackBar3().position, 50);
    EXPECT_EQ(m.TrackBar3().tickFrequency, 10);
    EXPECT_EQ(m.maxYLabel(AxisGroup::Odds), "500");
    EXPECT_EQ(m.axisKind(AxisGroup::Odds), 1);
    EXPECT_EQ(m.axisKind(AxisGroup::Share), 0);
    EXPECT_EQ(m.axisKind(AxisGroup::Difference), 0);
    for (ChartId c : kOddsCharts) {
        EXPECT_TRUE(m.chart(c).axis.logarithmic) << chartName(c);
        EXPECT_DOUBLE_EQ(m.chart(c).axis.minimum, kOddsLogFloor);
        EXPECT_DOUBLE_EQ(m.chart(c).axis.maximum, 500.0);
    }
    for (ChartId c : kShareCharts) {
        EXPECT_FALSE(m.chart(c).axis.logarithmic) << chartName(c);
        EXPECT_DOUBLE_EQ(m.chart(c).axis.minimum, 0.0);
        EXPECT_DOUBLE_EQ(m.chart(c).axis.maximum, 50.0);
    }
    EXPECT_FALSE(m.chart(ChartId::Chart12).axis.logarithmic);
    EXPECT_FALSE(std::filesystem::exists(ini.path())); // restoring writes nothing
}

TEST_F(ChartModelTest, SlidersAndAxisKindsRoundTripThroughTheSettings)
{
    {
        ChartModel m(host, ini);
        m.TrackBar1Change(120);
        m.TrackBar2Change(30);
        m.TrackBar3Change(70);
        m.RadioGroup11Click(0);
        m.RadioGroup12Click(1);
        m.RadioGroup1Click(1);
        EXPECT_EQ(m.maxYLabel(AxisGroup::Difference), "70");
        EXPECT_DOUBLE_EQ(m.chart(ChartId::Chart4).axis.maximum, 120.0);
        EXPECT_FALSE(m.chart(ChartId::Chart4).axis.logarithmic);
        EXPECT_DOUBLE_EQ(m.chart(ChartId::Chart4).axis.minimum, 0.0);
        EXPECT_TRUE(m.chart(ChartId::Chart10).axis.logarithmic);
        EXPECT_DOUBLE_EQ(m.chart(ChartId::Chart10).axis.minimum, kShareLogFloor);
        EXPECT_DOUBLE_EQ(m.chart(ChartId::Chart12).axis.maximum, 70.0);
        EXPECT_TRUE(m.chart(ChartId::Chart12).axis.logarithmic);
    }
    EXPECT_EQ(ini.readInteger("Graph", "Ymax1", 0), 120);
    EXPECT_EQ(ini.readInteger("Graph", "Ymax2", 0), 30);
    EXPECT_EQ(ini.readInteger("Graph", "Ymax4", 0), 70);
    EXPECT_EQ(ini.readInteger("Graph", "LogAxisY1", 9), 0);
    EXPECT_EQ(ini.readInteger("Graph", "LogAxisY2", 9), 1);
    EXPECT_EQ(ini.readInteger("Graph", "LogAxisY4", 9), 1);

    ChartModel again(host, ini);
    EXPECT_EQ(again.TrackBar1().position, 120);
    EXPECT_EQ(again.TrackBar2().position, 30);
    EXPECT_EQ(again.TrackBar3().position, 70);
    EXPECT_EQ(again.axisKind(AxisGroup::Odds), 0);
    EXPECT_EQ(again.axisKind(AxisGroup::Share), 1);
    EXPECT_EQ(again.axisKind(AxisGroup::Difference), 1);
    EXPECT_DOUBLE_EQ(again.chart(ChartId::Chart9).axis.maximum, 30.0);
    EXPECT_TRUE(again.chart(ChartId::Chart9).axis.logarithmic);
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(ChartModelTest, OutOfRangeSettingsAndSlidersAreClamped)
{
    ini.writeInteger("Graph", "Ymax1", 5000);
    ini.writeInteger("Graph", "Ymax2", -3);
    ini.writeInteger("Graph", "LogAxisY1", 7);
    ChartModel m(host, ini);
    EXPECT_EQ(m.TrackBar1().position, 1000);
    EXPECT_EQ(m.TrackBar2().position, 1);
    EXPECT_EQ(m.axisKind(AxisGroup::Odds), 0);

    // A logarithmic axis whose maximum is not above its floor shows one decade.
    m.RadioGroup11Click(1);
    m.TrackBar1Change(1);
    EXPECT_DOUBLE_EQ(m.chart(ChartId::Chart1).axis.minimum, 1.0);
    EXPECT_DOUBLE_EQ(m.chart(ChartId::Chart1).axis.maximum, 10.0);
    EXPECT_EQ(m.maxYLabel(AxisGroup::Odds), "1");
    m.TrackBar2Change(101);
    EXPECT_EQ(m.TrackBar2().position, 100);
    EXPECT_EQ(ini.readInteger("Graph", "Ymax2", 0), 100);
}

TEST_F(ChartModelTest, UnwritableSettingsAreReportedOnce)
{
    std::filesystem::create_directory(dir / "locked");
    IniFile blocked(dir / "locked"); // a folder in place of the file: every write fails
    ChartModel m(host, blocked);
    m.TrackBar1Change(100);
    m.TrackBar1Change(101);
    EXPECT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.beeps, 1);
    EXPECT_EQ(m.TrackBar1().position, 101); // the view still follows the slider
    EXPECT_DOUBLE_EQ(m.chart(ChartId::Chart2).axis.maximum, 101.0);
}

} // namespace
} // namespace tidemark::presentation
