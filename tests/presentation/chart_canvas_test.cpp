#include "presentation/chart_canvas.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "presentation/chart_axis.h"
#include "presentation/chart_model.h"
#include "records/record_builder.h"
#include "settings/ini_file.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"
#include "text/number_format.h"

namespace tidemark::presentation {
namespace {

// A font of 7 pixels a byte, 13 pixels a line.
struct FixedMeasure : ChartTextMeasure {
    double width(const std::string& s) const override { return 7.0 * static_cast<double>(s.size()); }
    double height() const override { return 13.0; }
};

std::vector<double> values(const std::vector<AxisTick>& ticks)
{
    std::vector<double> out;
    for (const AxisTick& t : ticks)
        out.push_back(t.value);
    return out;
}

std::vector<std::string> labels(const std::vector<AxisTick>& ticks)
{
    std::vector<std::string> out;
    for (const AxisTick& t : ticks)
        out.push_back(t.label);
    return out;
}

ChartAxis axis(double minimum, double maximum, bool log)
{
    ChartAxis a;
    a.minimum = minimum;
    a.maximum = maximum;
    a.logarithmic = log;
    return a;
}

std::vector<std::string> everyMinute(int from, int count)
{
    std::vector<std::string> out;
    for (int m = from; m < from + count; ++m)
        out.push_back(text::formatZeroPad(m / 60 % 24, 2) + ":" + text::formatZeroPad(m % 60, 2));
    return out;
}

TEST(ChartAxisTest, RoundStepsAndRanges)
{
    EXPECT_DOUBLE_EQ(niceStep(550.0, 8), 100.0);
    EXPECT_DOUBLE_EQ(niceStep(50.0, 11), 5.0);
    EXPECT_DOUBLE_EQ(niceStep(0.9, 5), 0.2);
    EXPECT_DOUBLE_EQ(niceStep(0.0, 5), 1.0);
    // A step of room past each end that has values, always through 0.
    const AxisRange losing = roundRange(-250.0, 30.0, 100.0, 8);
    EXPECT_DOUBLE_EQ(losing.minimum, -300.0);
    EXPECT_DOUBLE_EQ(losing.maximum, 100.0);
    const AxisRange flat = roundRange(0.0, 0.0, 100.0, 8);
    EXPECT_DOUBLE_EQ(flat.minimum, 0.0);
    EXPECT_DOUBLE_EQ(flat.maximum, 20.0);
}

TEST(ChartAxisTest, NormalAxisTicksAreRoundWholeNumbers)
{
    EXPECT_EQ(values(valueTicks(axis(0, 50, false), 300, 26)),
              (std::vector<double>{0, 5, 10, 15, 20, 25, 30, 35, 40, 45, 50}));
    EXPECT_EQ(values(valueTicks(axis(0, 50, false), 300, 60)), (std::vector<double>{0, 10, 20, 30, 40, 50}));
    // The difference chart's automatic bottom: the ticks stay on the round values.
    EXPECT_EQ(values(valueTicks(axis(-9, 50, false), 300, 30)), (std::vector<double>{0, 10, 20, 30, 40, 50}));
    EXPECT_EQ(labels(valueTicks(axis(-300, 100, false), 300, 60)),
              (std::vector<std::string>{"-300", "-200", "-100", "0", "100"}));
    EXPECT_EQ(labels(valueTicks(axis(0, 1000, false), 300, 60)).back(), "1,000");
    // "#,##0" has no decimals: a range of 1 is not cut finer than 1.
    EXPECT_EQ(values(valueTicks(axis(0, 1, false), 300, 26)), (std::vector<double>{0, 1}));
    // Far from 0 a step vanishes in rounding; the ticks still end.
    EXPECT_LE(valueTicks(axis(1e17, 1e17 + 64, false), 300, 26).size(), 13u);
    EXPECT_TRUE(valueTicks(axis(0, std::numeric_limits<double>::infinity(), true), 300, 26).empty());
}

TEST(ChartAxisTest, LogarithmicTicksFollowTheRoomOfADecade)
{
    EXPECT_EQ(labels(valueTicks(axis(1, 500, true), 300, 17)),
              (std::vector<std::string>{"1", "2", "5", "10", "20", "50", "100", "200", "500"}));
    EXPECT_EQ(labels(valueTicks(axis(1, 500, true), 60, 17)), (std::vector<std::string>{"1", "10", "100"}));
    EXPECT_EQ(labels(valueTicks(axis(1, 1000, true), 30, 17)), (std::vector<std::string>{"1", "100"}));
    EXPECT_EQ(labels(valueTicks(axis(1, 1000, true), 60, 17)).back(), "1,000");
    // Below 1 with the decimal it needs: "#,##0" would write 0.1 as "0".
    const std::vector<AxisTick> share = valueTicks(axis(kShareLogFloor, 50, true), 400, 17);
    EXPECT_EQ(labels(share), (std::vector<std::string>{"0.1", "0.2", "0.5", "1", "2", "5", "10", "20", "50"}));
    EXPECT_NEAR(share[0].value, 0.1, 1e-12);

    EXPECT_TRUE(showable(axis(1, 500, true), 0.5)); // drawn off the bottom
    EXPECT_FALSE(showable(axis(1, 500, true), 0.0));
    EXPECT_TRUE(showable(axis(0, 500, false), 0.0));
}

TEST(ChartAxisTest, TimeLabelsAreThinnedToRoundMinutesAndNeverOverlap)
{
    // Ten hours of one announcement a minute on 800 pixels, labels 15 pixels across.
    const std::vector<std::string> day = everyMinute(8 * 60, 600);
    const double spacing = 800.0 / 599.0;
    const std::vector<int> chosen = thinTimeLabels(day, spacing, 15.0);
    ASSERT_GT(chosen.size(), 10u);
    EXPECT_EQ(chosen.front(), 0);
    EXPECT_EQ(chosen.back(), 599); // the latest announcement
    for (std::size_t k = 1; k < chosen.size(); ++k) {
        EXPECT_GE((chosen[k] - chosen[k - 1]) * spacing, 15.0);
        if (k + 1 < chosen.size()) {
            EXPECT_EQ(chosen[k] % 15, 0) << day[static_cast<std::size_t>(chosen[k])];
        }
    }
    // With room, every minute once; a second announcement of a minute is not written again.
    EXPECT_EQ(thinTimeLabels({"10:00", "10:00", "10:01", "10:02"}, 20.0, 15.0), (std::vector<int>{0, 2, 3}));
    // A lone early snapshot of the sale's eve does not thin the whole day.
    std::vector<std::string> withEve{"15:00"};
    for (const std::string& t : everyMinute(8 * 60, 120))
        withEve.push_back(t);
    const std::vector<int> eve = thinTimeLabels(withEve, 5.0, 15.0);
    EXPECT_GE(eve.size(), 20u);
    EXPECT_TRUE(thinTimeLabels({}, 5.0, 15.0).empty());
    // The latest time takes the place of a round one too close to it.
    EXPECT_EQ(thinTimeLabels(everyMinute(10 * 60, 17), 5.0, 15.0), (std::vector<int>{0, 5, 10, 16}));
    EXPECT_EQ(thinTimeLabels({"??", "10:00"}, 20.0, 15.0), (std::vector<int>{0, 1}));
}

// --- the chart on a surface ------------------------------------------------------------

// Twelve snapshots 10:00-10:55 of a ten-horse race: horse h at win odds h + 0.5 j,
// horse 2 scratched, horse 5 at "0000" in the first snapshot.
analysis::SnapshotList race()
{
    analysis::SnapshotList list;
    for (int j = 0; j < 12; ++j) {
        records::O1Builder b;
        b.dataKind('0').creationDate("20240115").date(2024, 1, 15).track("44").meeting(11).day(2).race(1);
        b.announcement(1, 15, 10, 5 * j);
        for (int h = 1; h <= 10; ++h) {
            if (h == 2)
                b.win(h, records::OddsField::cancelledBeforeSale());
            else if (h == 5 && j == 0)
                b.win(h, records::OddsField::noVotes());
            else
                b.win(h, h + 0.5 * j, h);
            b.place(h, 1.5, 2.0, h);
        }
        for (int k = 1; k <= 36; ++k)
            b.bracketQuinella(k, 4.0 + k, k);
        list.push_back(b.line());
    }
    return list;
}

class ChartCanvasTest : public ::testing::Test {
protected:
    ChartCanvasTest() { model.fill(race(), 10); }
    testing::TempDir dir;
    IniFile ini{dir / "Tidemark2NV.ini"};
    testing::RecordingHost host;
    ChartModel model{host, ini};
    FixedMeasure measure;
};

TEST_F(ChartCanvasTest, LayoutKeepsLegendLabelsAndPlotApart)
{
    ChartCanvas win(model.chart(ChartId::Chart1), measure);
    win.resize(900, 500);
    const ChartLayout& L = win.layout();
    ASSERT_EQ(L.legendEntries.size(), 10u); // the runners only; the scratched horse keeps its entry
    EXPECT_EQ(L.legendEntries[1].series, 1);
    EXPECT_GT(L.legend.x, L.plot.right());
    EXPECT_LE(L.legend.right(), 900.0);
    EXPECT_TRUE(L.verticalTimes);
    ASSERT_EQ(L.xMarks.size(), 12u); // room for every time
    EXPECT_EQ(L.xMarks.front().label, "10:00");
    EXPECT_DOUBLE_EQ(L.xMarks.front().position, L.plot.x);
    EXPECT_DOUBLE_EQ(L.xMarks.back().position, L.plot.right());
    EXPECT_GE(L.xLabelTop, L.plot.bottom());
    EXPECT_LE(L.xLabelTop + measure.width("10:00"), L.xTitle.y); // the times stand above "時間"
    // Default odds axis: logarithmic from 1 to the slider's 500, labels right of the title.
    EXPECT_TRUE(L.logarithmic);
    EXPECT_DOUBLE_EQ(L.yPixel(1.0), L.plot.bottom());
    EXPECT_DOUBLE_EQ(L.yPixel(500.0), L.plot.y);
    EXPECT_LT(L.valueTitle.x + measure.height() / 2.0, L.plot.x - measure.width("500"));
    EXPECT_LT(L.zeroLine, 0.0);

    // 36 bracket pairs on a low chart: the legend takes columns, and stays inside.
    ChartCanvas bracket(model.chart(ChartId::Chart2), measure);
    bracket.resize(700, 260);
    const ChartLayout& B = bracket.layout();
    ASSERT_EQ(B.legendEntries.size(), 36u);
    for (const ChartLegendEntry& e : B.legendEntries) {
        EXPECT_GE(e.rect.y, 0.0);
        EXPECT_LE(e.rect.bottom(), 260.0);
        EXPECT_GT(e.rect.x, B.plot.right());
    }
    EXPECT_GT(B.legendEntries.back().rect.x, B.legendEntries.front().rect.x);

    // Squeezed, the times thin out without touching.
    bracket.resize(300, 260);
    const ChartLayout& S = bracket.layout();
    ASSERT_LT(S.xMarks.size(), 12u);
    for (std::size_t k = 1; k < S.xMarks.size(); ++k)
        EXPECT_GE(S.xMarks[k].position - S.xMarks[k - 1].position, measure.height());
}

TEST_F(ChartCanvasTest, LinesLeaveOutWhatTheAxisCannotShow)
{
    ChartCanvas win(model.chart(ChartId::Chart1), measure);
    win.resize(900, 500);
    EXPECT_EQ(win.lines()[0].size(), 12u);
    EXPECT_TRUE(win.lines()[1].empty());      // scratched
    EXPECT_EQ(win.lines()[4].size(), 11u);    // "0000" has no place on a logarithmic axis
    EXPECT_TRUE(win.lines()[12].empty());     // no 13th runner
    EXPECT_DOUBLE_EQ(win.lines()[0][3].y, win.layout().yPixel(2.5));
    model.RadioGroup11Click(0);
    win.stateChanged();
    EXPECT_EQ(win.lines()[4].size(), 12u);    // a normal axis draws it at 0
    EXPECT_DOUBLE_EQ(win.lines()[4][0].y, win.layout().plot.bottom());
    model.CheckListBoxClickCheck(ChartList::CheckListBox1, 0, false);
    win.stateChanged();
    EXPECT_TRUE(win.lines()[0].empty());
}

TEST_F(ChartCanvasTest, PointerReadsOutTheNearestSnapshot)
{
    ChartCanvas win(model.chart(ChartId::Chart1), measure);
    win.resize(900, 500);
    const ChartLayout& L = win.layout();
    const double between = (L.xPixel(3) + L.xPixel(4)) / 2.0;
    EXPECT_TRUE(win.mouseMove(between - 2.0, L.plot.y + 30));
    const ChartHover& H = win.hover();
    ASSERT_TRUE(H.active);
    EXPECT_EQ(H.x, 3);
    EXPECT_EQ(H.heading, "10:15");
    EXPECT_DOUBLE_EQ(H.pixelX, L.xPixel(3));
    // Nine runners priced, highest first, in the chart's decimals, on readable chips.
    ASSERT_EQ(H.rows.size(), 9u);
    EXPECT_EQ(H.rows[0].title, "10");
    EXPECT_EQ(H.rows[0].value, "11.5");
    EXPECT_EQ(H.rows.back().title, "1");
    EXPECT_EQ(H.rows.back().value, "2.5");
    EXPECT_EQ(H.rows[6].title, "4");
    EXPECT_EQ(H.rows[6].colour, Rgb{0xFFFF00});
    EXPECT_EQ(H.rows[6].textColour, colours::black);
    EXPECT_EQ(H.rows[1].textColour, colours::white); // horse 9, navy
    for (const ChartReadoutRow& r : H.rows) {
        EXPECT_TRUE(H.box.contains(r.chip.x, r.chip.y));
        EXPECT_TRUE(H.box.contains(r.valueRect.right(), r.valueRect.bottom()));
    }
    EXPECT_LE(H.box.right(), 900.0);
    EXPECT_GE(H.box.y, 0.0);

    // At the right edge the read-out goes to the left of the crosshair.
    win.mouseMove(L.plot.right(), L.plot.y + 30);
    EXPECT_EQ(win.hover().x, 11);
    EXPECT_LT(win.hover().box.right(), win.hover().pixelX);
    // New points under a pointer at rest are read out again.
    model.CheckListBoxClickCheck(ChartList::CheckListBox1, 9, false);
    win.stateChanged();
    EXPECT_EQ(win.hover().rows.size(), 8u);

    EXPECT_TRUE(win.mouseMove(L.legend.x + 5, L.legend.y + 5)); // off the plot: the read-out goes
    EXPECT_FALSE(win.hover().active);
    win.mouseMove(between, L.plot.y + 30);
    EXPECT_TRUE(win.mouseLeave());
    EXPECT_FALSE(win.hover().active);

    // The difference chart's automatic bottom goes below 0, where the line of no
    // difference is marked; in "人気差" it reads out whole numbers.
    ChartCanvas difference(model.chart(ChartId::Chart12), measure);
    difference.resize(900, 500);
    EXPECT_LT(model.chart(ChartId::Chart12).axis.minimum, 0.0);
    EXPECT_DOUBLE_EQ(difference.layout().zeroLine, difference.layout().yPixel(0.0));
    difference.mouseMove(difference.layout().xPixel(0), difference.layout().plot.y + 10);
    ASSERT_FALSE(difference.hover().rows.empty());
    EXPECT_NE(difference.hover().rows[0].value.find('.'), std::string::npos);
    model.RadioGroup2Click(1);
    difference.stateChanged();
    ASSERT_FALSE(difference.hover().rows.empty());
    EXPECT_EQ(difference.hover().rows[0].value, "0");
}

TEST_F(ChartCanvasTest, AClickEmphasisesASeriesUntilClickedAgain)
{
    ChartCanvas win(model.chart(ChartId::Chart1), measure);
    win.resize(900, 500);
    const ChartLayout& L = win.layout();
    EXPECT_EQ(win.emphasised(), -1);
    EXPECT_EQ(win.lineStyle(3).width, 2);

    // On the line of horse 3 (odds 3 + 0.5 j), between two snapshots.
    const double x = (L.xPixel(5) + L.xPixel(6)) / 2.0;
    EXPECT_TRUE(win.click(x, L.yPixel(3.0 + 0.5 * 5.5) + 1.0));
    EXPECT_EQ(win.emphasised(), 2);
    EXPECT_TRUE(win.lineStyle(2).front);
    EXPECT_EQ(win.lineStyle(2).width, 2);
    EXPECT_LT(win.lineStyle(0).alpha, 255);
    EXPECT_EQ(win.lineStyle(3).width, 1);

    // Another series' legend entry moves the emphasis; its own entry ends it.
    const ChartLegendEntry& sixth = L.legendEntries[5];
    EXPECT_TRUE(win.click(sixth.rect.x + 3, sixth.rect.y + 3));
    EXPECT_EQ(win.emphasised(), 5);
    EXPECT_FALSE(win.click(L.plot.x + 2, L.plot.y + 2)); // nothing there
    EXPECT_EQ(win.emphasised(), 5);
    // Unticked, it is not emphasised; ticked again, it is.
    model.CheckListBoxClickCheck(ChartList::CheckListBox1, 5, false);
    win.stateChanged();
    EXPECT_EQ(win.emphasised(), -1);
    EXPECT_EQ(win.lineStyle(0).alpha, 255);
    model.CheckListBoxClickCheck(ChartList::CheckListBox1, 5, true);
    win.stateChanged();
    EXPECT_EQ(win.emphasised(), 5);
    EXPECT_TRUE(win.click(sixth.rect.x + 3, sixth.rect.y + 3));
    EXPECT_EQ(win.emphasised(), -1);
    // The scratched horse's entry has no line to emphasise.
    const ChartLegendEntry& second = L.legendEntries[1];
    EXPECT_FALSE(win.click(second.rect.x + 3, second.rect.y + 3));
}

} // namespace
} // namespace tidemark::presentation
