#include "gui/chart_page.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QListWidget>
#include <QLogValueAxis>
#include <QPixmap>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QValueAxis>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "gui_test_app.h"
#include "records/record_builder.h"
#include "settings/ini_file.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"

namespace tidemark::gui {
namespace {

using presentation::AxisGroup;
using presentation::ChartId;
using presentation::ChartList;
using presentation::ChartModel;

// Twelve snapshots 10:00-10:55 of a ten-horse race whose odds drift apart; horse 7 is
// scratched before the sale.
analysis::SnapshotList drifting()
{
    analysis::SnapshotList list;
    for (int j = 0; j < 12; ++j) {
        records::O1Builder b;
        b.dataKind('0').creationDate("20240115").date(2024, 1, 15).track("44").meeting(11).day(2).race(1);
        b.announcement(1, 15, 10, 5 * j);
        for (int h = 1; h <= 10; ++h) {
            if (h == 7) {
                b.win(h, records::OddsField::cancelledBeforeSale());
                b.place(h, records::OddsField::cancelledBeforeSale(), records::OddsField::cancelledBeforeSale());
                continue;
            }
            const double win = std::round(10.0 * (1.5 * h + 0.4 * j * (h % 3 - 1) + 2.0)) / 10.0;
            b.win(h, win, h);
            b.place(h, std::max(1.0, win / 3.0), std::max(1.2, win / 2.0), h);
        }
        for (int k = 1; k <= 36; ++k)
            b.bracketQuinella(k, 5.0 + 3.0 * k + 0.5 * j, k);
        list.push_back(b.line());
    }
    return list;
}

class ChartPageTest : public ::testing::Test {
protected:
    void SetUp() override { testing::guiApp(); }
    testing::TempDir dir;
    IniFile ini{dir / "Tidemark2NV.ini"};
    testing::RecordingHost host;
};

TEST_F(ChartPageTest, LinesFollowTheModel)
{
    ChartModel model(host, ini);
    model.fill(drifting(), 10);
    ChartPage page(model);
    page.resize(900, 600);
    page.show(); // legend markers report visible only on a shown chart

    for (ChartId id : presentation::kAllCharts) {
        const presentation::ChartState& state = model.chart(id);
        QChart* chart = page.chart(id);
        ASSERT_NE(chart, nullptr);
        ASSERT_EQ(chart->series().size(), static_cast<qsizetype>(state.series.size())) << presentation::chartName(id);
        for (int i = 0; i < static_cast<int>(state.series.size()); ++i) {
            const presentation::ChartSeries& s = state.series[static_cast<std::size_t>(i)];
            QLineSeries* line = page.lineSeries(id, i);
            EXPECT_EQ(line->pen().color().name(QColor::HexRgb).toUpper().toStdString(), s.colour.hex());
            EXPECT_EQ(line->pen().width(), s.lineWidth);
            EXPECT_EQ(line->count(), static_cast<int>(s.points.size()));
            // A marker reports visible only on the chart of the tab in front.
            if (!s.inLegend || id == ChartId::Chart1) {
                EXPECT_EQ(chart->legend()->markers(line).at(0)->isVisible(), s.inLegend);
            }
        }
    }
    EXPECT_EQ(page.lineSeries(ChartId::Chart1, 0)->count(), 12);
    EXPECT_EQ(page.lineSeries(ChartId::Chart1, 6)->count(), 0); // scratched
    EXPECT_FALSE(page.chart(ChartId::Chart1)->legend()->markers(page.lineSeries(ChartId::Chart1, 10)).at(0)->isVisible());
    EXPECT_EQ(page.lineSeries(ChartId::Chart1, 0)->at(3), QPointF(3, model.chart(ChartId::Chart1).series[0].points[3].y));

    auto* time = qobject_cast<QCategoryAxis*>(page.chart(ChartId::Chart2)->axes(Qt::Horizontal).at(0));
    ASSERT_NE(time, nullptr);
    EXPECT_EQ(time->categoriesLabels().front(), QStringLiteral("10:00"));
    EXPECT_EQ(time->categoriesLabels().back(), QStringLiteral("10:55"));
    EXPECT_EQ(time->titleText(), QString::fromUtf8("時間"));
    // Odds charts start logarithmic, vote shares normal (the defaults).
    EXPECT_NE(qobject_cast<QLogValueAxis*>(page.chart(ChartId::Chart1)->axes(Qt::Vertical).at(0)), nullptr);
    auto* share = qobject_cast<QValueAxis*>(page.chart(ChartId::Chart6)->axes(Qt::Vertical).at(0));
    ASSERT_NE(share, nullptr);
    EXPECT_DOUBLE_EQ(share->max(), 50.0);
    EXPECT_EQ(share->titleText(), QString::fromUtf8("得票率"));
}

TEST_F(ChartPageTest, ControlsForwardToTheModel)
{
    ChartModel model(host, ini);
    model.fill(drifting(), 10);
    ChartPage page(model);

    QListWidget* list = page.checkList(ChartList::CheckListBox1);
    ASSERT_EQ(list->count(), 10);
    EXPECT_EQ(list->item(9)->text(), QString::fromUtf8("10番"));
    list->item(0)->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(model.selections().CheckListBox1.checked[0]);
    EXPECT_EQ(page.lineSeries(ChartId::Chart1, 0)->count(), 0);

    page.slider(AxisGroup::Odds)->setValue(200);
    EXPECT_EQ(model.TrackBar1().position, 200);
    EXPECT_EQ(page.maxYLabel(AxisGroup::Odds)->text(), QStringLiteral("200"));
    EXPECT_EQ(ini.readInteger("Graph", "Ymax1", 0), 200);
    EXPECT_DOUBLE_EQ(qobject_cast<QLogValueAxis*>(page.chart(ChartId::Chart4)->axes(Qt::Vertical).at(0))->max(), 200.0);

    page.axisKindGroup(AxisGroup::Odds)->button(0)->click();
    EXPECT_EQ(ini.readInteger("Graph", "LogAxisY1", 9), 0);
    EXPECT_NE(qobject_cast<QValueAxis*>(page.chart(ChartId::Chart5)->axes(Qt::Vertical).at(0)), nullptr);

    QButtonGroup* horses = page.horseGroup(ChartList::RadioGroup6);
    ASSERT_EQ(horses->buttons().size(), 10);
    horses->button(2)->click();
    EXPECT_EQ(model.selections().RadioGroup6.itemIndex, 2);
    EXPECT_EQ(page.lineSeries(ChartId::Chart5, 0)->count(), 12);

    page.RadioGroup2()->button(1)->click();
    EXPECT_EQ(model.RadioGroup2Index(), 1);
    EXPECT_EQ(page.lineSeries(ChartId::Chart12, 0)->at(0).y(), 0.0); // popularity 1 against 1

    model.empty();
    EXPECT_EQ(page.lineSeries(ChartId::Chart2, 0)->count(), 0);
}

TEST_F(ChartPageTest, RendersOffScreen)
{
    ChartModel model(host, ini);
    model.fill(drifting(), 10);
    ChartPage page(model);
    page.resize(1100, 640);
    page.show();
    const char* out = std::getenv("TIDEMARK_SCREENSHOT_DIR");
    const std::filesystem::path folder = out ? std::filesystem::path(out) : dir.path();
    for (int tab : {0, 1, 2}) {
        page.PageControl14->setCurrentIndex(tab);
        QApplication::processEvents();
        const QPixmap shot = page.grab();
        EXPECT_FALSE(shot.isNull());
        EXPECT_TRUE(shot.save(QString::fromStdString((folder / ("chart_page_" + std::to_string(tab) + ".png")).string())));
    }
    page.PageControl14->setCurrentIndex(0);
    page.PageControl15->setCurrentIndex(3);
    QApplication::processEvents();
    EXPECT_TRUE(page.grab().save(QString::fromStdString((folder / "chart_page_compare.png").string())));
}

} // namespace
} // namespace tidemark::gui

namespace tidemark::gui {
namespace {

// Charts off screen are brought up to date when they come into view: a race opened
// while another page is in front shows its own lines on the chart page, not the last
// race's, and a chart brought to the front follows the model.
TEST_F(ChartPageTest, ChartsOffScreenCatchUpWhenShown)
{
    ChartModel model(host, ini);
    ChartPage page(model);
    page.resize(900, 600);
    page.show();
    QChartView* view = nullptr;
    for (QChartView* v : page.findChildren<QChartView*>())
        if (v->chart()->objectName() == QStringLiteral("Chart2"))
            view = v;
    ASSERT_NE(view, nullptr);
    ASSERT_FALSE(view->isVisible()); // the win chart is the tab in front
    const auto firstLine = [view] { return qobject_cast<QLineSeries*>(view->chart()->series().at(0)); };

    model.fill(drifting(), 10);
    EXPECT_EQ(firstLine()->count(), 0); // not laid out while hidden
    // The bracket quinella tab in front: its chart shows the model's points.
    for (QWidget* w = view; w && w != &page; w = w->parentWidget())
        if (auto* tabs = qobject_cast<QTabWidget*>(w->parentWidget() ? w->parentWidget()->parentWidget() : nullptr))
            if (tabs->indexOf(w) >= 0)
                tabs->setCurrentWidget(w);
    ASSERT_TRUE(view->isVisible());
    EXPECT_EQ(firstLine()->count(), static_cast<int>(model.chart(ChartId::Chart2).series[0].points.size()));
    EXPECT_GT(firstLine()->count(), 0);

    // Shown, it follows every change at once.
    model.ClearAllClick(ChartList::CheckListBox7);
    EXPECT_EQ(firstLine()->count(), 0);
}

} // namespace
} // namespace tidemark::gui
