#include "gui/chart_page.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "gui/chart_widget.h"
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
// scratched before the sale. Horses 1, 4 and 10 stay at 3.5, 8.0 and 17.0.
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

// Brings the tab holding `w` to the front, every page control on the way.
void bringToFront(QWidget* w, QWidget* top)
{
    for (; w && w != top; w = w->parentWidget())
        if (auto* tabs = qobject_cast<QTabWidget*>(w->parentWidget() ? w->parentWidget()->parentWidget() : nullptr))
            if (tabs->indexOf(w) >= 0)
                tabs->setCurrentWidget(w);
}

// Whether a pixel within `reach` of (x, y) is within `tolerance` of `colour` per channel.
bool colourNear(const QImage& image, double x, double y, QColor colour, int reach = 1, int tolerance = 40)
{
    for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx) {
            const QColor c = image.pixelColor(static_cast<int>(std::lround(x)) + dx, static_cast<int>(std::lround(y)) + dy);
            if (std::abs(c.red() - colour.red()) <= tolerance && std::abs(c.green() - colour.green()) <= tolerance
                && std::abs(c.blue() - colour.blue()) <= tolerance)
                return true;
        }
    return false;
}

void sendMouseMove(QWidget* w, QPointF at)
{
    QMouseEvent move(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

class ChartPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testing::guiApp();
        model.fill(drifting(), 10);
    }
    // The page of the race on screen.
    std::unique_ptr<ChartPage> shown(int width, int height)
    {
        auto page = std::make_unique<ChartPage>(model);
        page->resize(width, height);
        page->show();
        return page;
    }
    testing::TempDir dir;
    IniFile ini{dir / "Tidemark2NV.ini"};
    testing::RecordingHost host;
    ChartModel model{host, ini};
};

TEST_F(ChartPageTest, ControlsForwardToTheModelAndTheChartsFollow)
{
    const std::unique_ptr<ChartPage> shownPage = shown(900, 600);
    ChartPage& page = *shownPage;
    ChartWidget* win = page.chart(ChartId::Chart1);
    ASSERT_NE(win, nullptr);
    EXPECT_EQ(win->objectName(), QStringLiteral("Chart1"));
    EXPECT_EQ(win->canvas().layout().legendEntries.size(), 10u);
    EXPECT_FALSE(win->canvas().lines()[0].empty());

    QListWidget* list = page.checkList(ChartList::CheckListBox1);
    ASSERT_EQ(list->count(), 10);
    EXPECT_EQ(list->item(9)->text(), QString::fromUtf8("10番"));
    list->item(0)->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(model.selections().CheckListBox1.checked[0]);
    EXPECT_TRUE(win->canvas().lines()[0].empty());
    // "全選択" and "全クリア" under the list.
    QPushButton* all = nullptr;
    QPushButton* none = nullptr;
    for (QPushButton* b : list->parentWidget()->findChildren<QPushButton*>()) {
        if (b->text() == QString::fromUtf8("全選択"))
            all = b;
        if (b->text() == QString::fromUtf8("全クリア"))
            none = b;
    }
    ASSERT_TRUE(all && none);
    none->click();
    EXPECT_EQ(list->item(3)->checkState(), Qt::Unchecked);
    EXPECT_TRUE(win->canvas().lines()[3].empty());
    all->click();
    EXPECT_TRUE(model.selections().CheckListBox1.allChecked());
    EXPECT_FALSE(win->canvas().lines()[0].empty());

    page.slider(AxisGroup::Odds)->setValue(200);
    EXPECT_EQ(model.TrackBar1().position, 200);
    EXPECT_EQ(page.maxYLabel(AxisGroup::Odds)->text(), QStringLiteral("200"));
    EXPECT_EQ(ini.readInteger("Graph", "Ymax1", 0), 200);
    EXPECT_DOUBLE_EQ(page.chart(ChartId::Chart4)->canvas().layout().yMaximum, 200.0);
    EXPECT_TRUE(page.chart(ChartId::Chart4)->canvas().layout().logarithmic);

    page.axisKindGroup(AxisGroup::Odds)->button(0)->click();
    EXPECT_EQ(ini.readInteger("Graph", "LogAxisY1", 9), 0);
    EXPECT_FALSE(page.chart(ChartId::Chart5)->canvas().layout().logarithmic);
    page.slider(AxisGroup::Share)->setValue(30);
    EXPECT_DOUBLE_EQ(page.chart(ChartId::Chart9)->canvas().layout().yMaximum, 30.0);
    page.axisKindGroup(AxisGroup::Share)->button(1)->click();
    EXPECT_TRUE(page.chart(ChartId::Chart10)->canvas().layout().logarithmic);
    // The difference chart's axis kind has no visible group; its handler still works.
    EXPECT_FALSE(page.axisKindGroup(AxisGroup::Difference)->button(0)->isVisible());
    page.axisKindGroup(AxisGroup::Difference)->button(1)->click();
    EXPECT_EQ(ini.readInteger("Graph", "LogAxisY4", 9), 1);
    page.slider(AxisGroup::Difference)->setValue(70);
    EXPECT_DOUBLE_EQ(page.chart(ChartId::Chart12)->canvas().layout().yMaximum, 70.0);

    QButtonGroup* horses = page.horseGroup(ChartList::RadioGroup6);
    ASSERT_EQ(horses->buttons().size(), 10);
    horses->button(6)->click(); // scratched: no lines
    EXPECT_EQ(model.selections().RadioGroup6.itemIndex, 6);
    EXPECT_TRUE(page.chart(ChartId::Chart5)->canvas().lines()[0].empty());
    page.horseGroup(ChartList::RadioGroup9)->button(2)->click();
    EXPECT_EQ(model.selections().RadioGroup9.itemIndex, 2);
    EXPECT_EQ(page.chart(ChartId::Chart9)->canvas().lines()[0].size(), 12u);

    page.RadioGroup2()->button(1)->click();
    EXPECT_EQ(model.RadioGroup2Index(), 1);
    EXPECT_EQ(model.chart(ChartId::Chart12).series[0].points[0].y, 0.0); // popularity 1 against 1

    model.empty();
    EXPECT_TRUE(page.chart(ChartId::Chart2)->canvas().lines()[0].empty());
    EXPECT_TRUE(page.chart(ChartId::Chart2)->canvas().layout().xMarks.empty());
}

// The picture of the win chart has each ticked horse's colour where its line must be and
// none where an unticked horse's line would be; the still picture follows the model also
// for a chart changed while it was not in front.
TEST_F(ChartPageTest, ThePictureShowsTheTickedLinesOnly)
{
    model.CheckListBoxClickCheck(ChartList::CheckListBox1, 9, false); // horse 10 (fuchsia) unticked
    const std::unique_ptr<ChartPage> shownPage = shown(1000, 620);
    ChartPage& page = *shownPage;
    ChartWidget* chart = page.chart(ChartId::Chart1);
    ASSERT_TRUE(chart->isVisible());
    // The chart lays itself out when it paints: its pixels are known after the first picture.
    QImage shot = chart->grab().toImage();
    const presentation::ChartLayout& L = chart->canvas().layout();
    const double x = L.xPixel(1);
    // A line of one pixel between two rows is spread over both by the antialiasing: its
    // strongest pixel is about three quarters of its colour.
    constexpr int kThinLine = 72;
    EXPECT_TRUE(colourNear(shot, x, L.yPixel(3.5), QColor(0xFF, 0x00, 0x00), 1, kThinLine)); // horse 1
    EXPECT_TRUE(colourNear(shot, x, L.yPixel(8.0), QColor(0xFF, 0xFF, 0x00)));  // horse 4, 2 pixels wide
    EXPECT_FALSE(colourNear(shot, x, L.yPixel(17.0), QColor(0xFF, 0x00, 0xFF), 2)); // horse 10 unticked
    // The shaded plotting area in its blue frame.
    EXPECT_TRUE(colourNear(shot, 2, 2, QColor(0x00, 0x80, 0xFF), 0, 2));
    EXPECT_TRUE(colourNear(shot, L.plot.x + 2, L.plot.y + 2, QColor(0xFF, 0x80, 0x80), 0, 12));

    // Horse 1 emphasised from its legend entry: horse 4's line fades, horse 1's stays.
    const presentation::ChartLegendEntry& first = L.legendEntries.front();
    QTest::mouseClick(chart, Qt::LeftButton, {},
                      QPoint(static_cast<int>(first.rect.x + first.rect.width / 2), static_cast<int>(first.rect.y + first.rect.height / 2)));
    EXPECT_EQ(chart->canvas().emphasised(), 0);
    shot = chart->grab().toImage();
    EXPECT_TRUE(colourNear(shot, x, L.yPixel(3.5), QColor(0xFF, 0x00, 0x00), 1, kThinLine));
    EXPECT_FALSE(colourNear(shot, x, L.yPixel(8.0), QColor(0xFF, 0xFF, 0x00), 1, 60));

    // Changed while the vote-share page is in front, the win chart shows the change.
    page.PageControl14->setCurrentIndex(1);
    QApplication::processEvents();
    model.ClearAllClick(ChartList::CheckListBox1);
    page.PageControl14->setCurrentIndex(0);
    QApplication::processEvents();
    shot = chart->grab().toImage();
    EXPECT_FALSE(colourNear(shot, x, L.yPixel(3.5), QColor(0xFF, 0x00, 0x00), 2));

    // A race of one announcement: each horse a dot.
    model.fill({drifting().front()}, 10);
    shot = chart->grab().toImage();
    EXPECT_TRUE(colourNear(shot, L.xPixel(0), L.yPixel(3.5), QColor(0xFF, 0x00, 0x00), 1, kThinLine));
}

// Under the pointer: the crosshair at the nearest snapshot with the values there; the
// read-out goes with the pointer; a click on a line emphasises it until clicked again.
TEST_F(ChartPageTest, PointerReadsOutAndClicksEmphasise)
{
    const std::unique_ptr<ChartPage> shownPage = shown(1000, 620);
    ChartPage& page = *shownPage;
    ChartWidget* chart = page.chart(ChartId::Chart1);
    const presentation::ChartLayout& L = chart->canvas().layout();
    sendMouseMove(chart, QPointF(L.xPixel(4) + 3, L.plot.y + 20));
    const presentation::ChartHover& hover = chart->canvas().hover();
    ASSERT_TRUE(hover.active);
    EXPECT_EQ(hover.heading, "10:20");
    ASSERT_EQ(hover.rows.size(), 9u); // ten horses, one scratched
    EXPECT_EQ(hover.rows.front().title, "10");
    const QImage shot = chart->grab().toImage();
    EXPECT_TRUE(colourNear(shot, hover.box.x + hover.box.width / 2, hover.box.y + 1, QColor(0xFF, 0xFF, 0xE1), 0, 4));

    QTest::mouseClick(chart, Qt::LeftButton, {}, QPoint(static_cast<int>(L.xPixel(2)), static_cast<int>(L.yPixel(3.5))));
    EXPECT_EQ(chart->canvas().emphasised(), 0);
    QTest::mouseClick(chart, Qt::LeftButton, {}, QPoint(static_cast<int>(L.xPixel(2)), static_cast<int>(L.yPixel(3.5))));
    EXPECT_EQ(chart->canvas().emphasised(), -1);

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(chart, &leave);
    EXPECT_FALSE(chart->canvas().hover().active);

    // A larger font lays the chart out again: wider value labels push the plot right.
    const double left = chart->canvas().layout().plot.x;
    QFont larger = chart->font();
    larger.setPointSizeF(larger.pointSizeF() * 2.0);
    chart->setFont(larger);
    EXPECT_GT(chart->canvas().layout().plot.x, left);
}

TEST_F(ChartPageTest, RendersOffScreen)
{
    const std::unique_ptr<ChartPage> shownPage = shown(1100, 640);
    ChartPage& page = *shownPage;
    page.axisKindGroup(AxisGroup::Share)->button(1)->click(); // the vote shares on a logarithmic axis
    const char* out = std::getenv("TIDEMARK_SCREENSHOT_DIR");
    const std::filesystem::path folder = out ? std::filesystem::path(out) : dir.path();
    for (int tab : {0, 1, 2}) {
        page.PageControl14->setCurrentIndex(tab);
        QApplication::processEvents();
        const QPixmap shot = page.grab();
        EXPECT_FALSE(shot.isNull());
        EXPECT_TRUE(shot.save(QString::fromStdString((folder / ("chart_page_" + std::to_string(tab) + ".png")).string())));
    }
    bringToFront(page.chart(ChartId::Chart2), &page);
    QApplication::processEvents();
    EXPECT_TRUE(page.grab().save(QString::fromStdString((folder / "chart_page_bracket.png").string())));
}

} // namespace
} // namespace tidemark::gui
