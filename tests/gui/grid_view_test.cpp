#include "gui/grid_view.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDir>
#include <QFontInfo>
#include <QFontMetrics>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <QSignalSpy>
#include <QTest>

#include <string>
#include <vector>

#include "gui/grid_delegate.h"
#include "gui/grid_table_model.h"
#include "gui_test_app.h"
#include "presentation/cell_style.h"
#include "presentation/grid_layouts.h"
#include "presentation/text_grid.h"
#include "support/temp_dir.h"
#include "text/cp932.h"
#include "text/number_format.h"

namespace tidemark::gui {
namespace {

using namespace presentation;
using text::sj;

// Collects what the model tester reports instead of letting it abort the run.
std::vector<QString>& testerMessages()
{
    static std::vector<QString> messages;
    return messages;
}

void collectTesterMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (context.category && QByteArray(context.category).startsWith("qt.modeltest"))
        testerMessages().push_back(message);
    else if (type == QtFatalMsg)
        abort();
}

// A time-series style fill: time, vote total, one value per pair.
void fillSeries(TextGrid& grid, int snapshots, int salt)
{
    const TextGrid::Batch batch(grid);
    grid.setRowCount(snapshots + 1);
    for (int r = 1; r <= snapshots; ++r) {
        grid.setCell(r, 0, text::formatInt(9 + r / 60, 2) + ":" + text::formatZeroPad(r % 60, 2));
        grid.setCell(r, 1, text::formatInt(1000 + r * salt, 9));
        for (int c = 2; c < grid.colCount(); ++c)
            grid.setCell(r, c, text::formatFixed((r * 7 + c * salt) % 9999 / 10.0, 6, 1));
    }
}

class GridViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testing::guiApp();
        layOutAllGrids(grids);
    }
    GridSet grids;
};

TEST_F(GridViewTest, ModelPassesTheItemModelTesterThroughFillsAndResizes)
{
    TextGrid& grid = grids[GridId::StringGrid7];
    GridTableModel model(GridId::StringGrid7, grid);
    testerMessages().clear();
    const QtMessageHandler previous = qInstallMessageHandler(collectTesterMessages);
    {
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
        fillSeries(grid, 150, 3);              // batched: one reset
        grid.setCell(5, 7, sj("発売後取消")); // single cell
        grid.setColCount(40);                  // unbatched shape change
        grid.setRowCount(3);
        fillSeries(grid, 300, 5);
        grid.clearRows(1);
        grid.swapRows(1, 2);
        grid.setSize(0, 0);
        grid.setSize(2, 155);
    }
    qInstallMessageHandler(previous);
    for (const QString& m : testerMessages())
        ADD_FAILURE() << m.toStdString();
}

TEST_F(GridViewTest, A300By155FillIsOneResetAndTextsAreReadInPlace)
{
    TextGrid& grid = grids[GridId::StringGrid7];
    GridTableModel model(GridId::StringGrid7, grid);
    GridView view(model);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);

    fillSeries(grid, 299, 3);
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(changes.count(), 0);
    ASSERT_EQ(model.rowCount(), 300);
    ASSERT_EQ(model.columnCount(), 155);
    EXPECT_EQ(model.data(model.index(299, 154)).toString().toStdString(), grid.cell(299, 154));
    EXPECT_EQ(model.data(model.index(1, 1)).toString(), QStringLiteral("     1003"));

    // The next race: same shape, every text new — one change for the whole table, and
    // no text read before stays in the cache.
    const QString before = model.displayText(10, 20);
    fillSeries(grid, 299, 11);
    EXPECT_EQ(resets.count(), 1);
    ASSERT_EQ(changes.count(), 1);
    const auto args = changes.takeFirst();
    EXPECT_EQ(args.at(0).toModelIndex(), model.index(1, 1)); // the times stayed the same
    EXPECT_EQ(args.at(1).toModelIndex(), model.index(299, 154));
    EXPECT_NE(model.displayText(10, 20), before);
    EXPECT_EQ(model.displayText(10, 20).toStdString(), grid.cell(10, 20));

    // The layout survives the reset: widths with their grid line, the fixed time column.
    EXPECT_EQ(view.columnWidth(0), 61);
    EXPECT_EQ(view.columnWidth(1), 91);
    EXPECT_EQ(view.columnWidth(154), 61);
    EXPECT_EQ(view.rowHeight(299), 16);
}

TEST_F(GridViewTest, Cp932TextsAreConvertedOncePerChange)
{
    TextGrid& grid = grids[GridId::StringGrid26];
    GridTableModel model(GridId::StringGrid26, grid);
    EXPECT_EQ(model.displayText(0, 20), QString::fromUtf8("確ｵｯｽﾞ"));
    EXPECT_EQ(model.displayText(0, 15), QString::fromUtf8("Min順"));
    grid.setCell(1, 2, sj("ハルウララ"));
    EXPECT_EQ(model.displayText(1, 2), QString::fromUtf8("ハルウララ"));
    grid.setCell(1, 2, sj("ｵｰｼｬﾝ"));
    EXPECT_EQ(model.displayText(1, 2), QString::fromUtf8("ｵｰｼｬﾝ"));
    // A name cut in the middle of a double-byte character shows what is whole.
    grid.setCell(1, 2, sj("大井").substr(0, 3));
    EXPECT_EQ(model.displayText(1, 2), QString::fromUtf8("大"));
    EXPECT_TRUE(model.displayText(99, 99).isEmpty());
    EXPECT_FALSE(model.data(model.index(1, 2), Qt::EditRole).isValid());
}

TEST_F(GridViewTest, HiddenColumnsAreNeitherShownNorReachable)
{
    TextGrid& card = grids[GridId::StringGrid2];
    card.setRowCount(13);
    card.setCell(3, 13, "mined");
    GridTableModel model(GridId::StringGrid2, card);
    GridView view(model);
    view.resize(800, 300);
    view.show();
    for (int c = 13; c <= 16; ++c) {
        EXPECT_TRUE(view.isColumnHidden(c)) << c;
        EXPECT_EQ(model.flags(model.index(3, c)), Qt::NoItemFlags) << c;
    }
    EXPECT_FALSE(view.isColumnHidden(12));
    EXPECT_EQ(model.data(model.index(3, 13)).toString(), QStringLiteral("mined")); // still there to copy
    // Fixed cells cannot be selected either; data cells can.
    EXPECT_EQ(model.flags(model.index(0, 5)), Qt::NoItemFlags);
    EXPECT_EQ(model.flags(model.index(3, 1)), Qt::NoItemFlags);
    EXPECT_TRUE(model.flags(model.index(3, 12)) & Qt::ItemIsSelectable);
    EXPECT_FALSE(model.flags(model.index(3, 12)) & Qt::ItemIsEditable);

    // The keyboard steps from column 12 straight to 17.
    view.setCurrentIndex(model.index(3, 12));
    view.setFocus();
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QApplication::sendEvent(&view, &right);
    EXPECT_EQ(view.currentIndex().column(), 17);
    // …and never onto the fixed columns.
    view.setCurrentIndex(model.index(3, 2));
    QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    QApplication::sendEvent(&view, &left);
    EXPECT_EQ(view.currentIndex().column(), 2);

    // The row heights: header 27, data 18, each with its grid line.
    EXPECT_EQ(view.rowHeight(0), 28);
    EXPECT_EQ(view.rowHeight(5), 19);
    // Showing the columns again when the layout changes (the ticket table's folding works so).
    card.setColWidth(14, 20);
    EXPECT_FALSE(view.isColumnHidden(14));
    EXPECT_EQ(view.columnWidth(14), 21);
}

TEST_F(GridViewTest, FixedRowsAndColumnsStayWhileTheRestScrolls)
{
    TextGrid& grid = grids[GridId::StringGrid4];
    layOutTimeSeriesColumns(GridId::StringGrid4, grid, 16, {});
    fillSeries(grid, 200, 3);
    GridTableModel model(GridId::StringGrid4, grid);
    GridView view(model);
    view.resize(400, 300);
    view.show();
    QApplication::processEvents();

    view.horizontalScrollBar()->setValue(view.horizontalScrollBar()->maximum());
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
    QApplication::processEvents();
    // Top-left corner: the header of the time column; left edge: times; top edge: headers.
    EXPECT_EQ(view.cellAt({5, 5}), (std::pair{0, 0}));
    EXPECT_EQ(view.cellAt({5, 100}).second, 0);
    EXPECT_GT(view.cellAt({5, 100}).first, 100);
    EXPECT_EQ(view.cellAt({200, 5}).first, 0);
    EXPECT_GT(view.cellAt({200, 5}).second, 5);
    // Away from the edges the scrolled cells show.
    const auto [row, col] = view.cellAt({200, 100});
    EXPECT_GT(row, 100);
    EXPECT_GT(col, 5);

    // The wheel over the fixed time column scrolls the grid, and the times follow.
    view.verticalScrollBar()->setValue(0);
    QWidget* timeColumn = view.childAt(view.viewport()->geometry().topLeft() + QPoint(5, 100));
    ASSERT_NE(timeColumn, nullptr);
    ASSERT_NE(timeColumn, view.viewport());
    const QPoint at(5, 100);
    QWheelEvent wheel(at, timeColumn->mapToGlobal(at), {}, {0, -120}, Qt::NoButton, Qt::NoModifier,
        Qt::NoScrollPhase, false);
    QApplication::sendEvent(timeColumn, &wheel);
    const int scrolled = view.verticalScrollBar()->value();
    EXPECT_GT(scrolled, 0);
    EXPECT_EQ(view.cellAt({5, 100}).first, view.cellAt({200, 100}).first);

    // A press on a header cell (drawn by the fixed-row overlay) names that cell.
    QSignalSpy pressed(&view, &GridView::cellPressed);
    QSignalSpy released(&view, &GridView::cellReleased);
    QWidget* headers = view.childAt(view.viewport()->geometry().topLeft() + QPoint(200, 5));
    ASSERT_NE(headers, nullptr);
    QTest::mouseClick(headers, Qt::LeftButton, {}, QPoint(200, 5));
    ASSERT_EQ(pressed.count(), 1);
    EXPECT_EQ(pressed.at(0).at(0).toInt(), 0);
    EXPECT_EQ(pressed.at(0).at(1).toInt(), view.cellAt({200, 5}).second);
    EXPECT_EQ(released.count(), 1);
    EXPECT_EQ(grid.selectedRow(), -1); // the header is not selectable
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(200, 100));
    EXPECT_EQ(grid.selectedRow(), view.cellAt({200, 100}).first);
    EXPECT_EQ(pressed.count(), 2);

    // Two quick presses on a header: Qt delivers the second as a double-click, and it is
    // a press all the same (a sortable column sorts at each).
    pressed.clear();
    const QPoint onHeader(200, 5);
    const QPoint global = headers->mapToGlobal(onHeader);
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                                    QEvent::MouseButtonRelease}) {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, onHeader, global, Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(headers, &e);
    }
    ASSERT_EQ(pressed.count(), 2);
    EXPECT_EQ(pressed.at(1).at(0).toInt(), 0);
    EXPECT_EQ(pressed.at(1).at(1).toInt(), view.cellAt({200, 5}).second);

    // A cell brought into view by the keyboard is not left under the time column.
    view.horizontalScrollBar()->setValue(view.horizontalScrollBar()->maximum());
    view.scrollTo(model.index(50, 2));
    EXPECT_GE(view.visualRect(model.index(50, 2)).left(), view.columnWidth(0));
    EXPECT_GE(view.visualRect(model.index(50, 2)).top(), view.rowHeight(0));

    // The next race, opened while the view is up: the overlays keep in step through
    // the reset (same rows at the left as in the body, the header row on top).
    layOutTimeSeriesColumns(GridId::StringGrid4, grid, 12, {});
    fillSeries(grid, 120, 5);
    QApplication::processEvents();
    view.verticalScrollBar()->setValue(30);
    QApplication::processEvents();
    EXPECT_EQ(view.cellAt({5, 5}), (std::pair{0, 0}));
    for (int y : {20, 60, 150, 250})
        EXPECT_EQ(view.cellAt({5, y}).first, view.cellAt({200, y}).first) << y;
    EXPECT_EQ(view.cellAt({200, 5}).first, 0);
}

TEST_F(GridViewTest, SelectionFollowsTheGridBothWays)
{
    TextGrid& horses = grids[GridId::StringGrid26];
    horses.setRowCount(13);
    GridTableModel model(GridId::StringGrid26, horses);
    GridView view(model);
    EXPECT_EQ(view.selectionBehavior(), QAbstractItemView::SelectRows);

    horses.select(4);
    EXPECT_TRUE(view.selectionModel()->isRowSelected(4, {}));
    QSignalSpy moved(&view, &GridView::currentCellChanged);
    view.setCurrentIndex(model.index(7, 3));
    EXPECT_EQ(horses.selectedRow(), 7);
    EXPECT_EQ(moved.count(), 1);
    horses.clearSelection();
    EXPECT_FALSE(view.selectionModel()->hasSelection());
    EXPECT_EQ(moved.count(), 1); // the program's own change is not reported back

    // The selection survives a refill of the same rows.
    horses.select(5);
    {
        const TextGrid::Batch batch(horses);
        horses.setRowCount(2);
        horses.setRowCount(13);
    }
    EXPECT_FALSE(horses.hasSelection()); // row 5 went with the cut
    horses.select(6);
    horses.setColCount(25);
    EXPECT_TRUE(view.selectionModel()->isRowSelected(6, {}));

    TextGrid& matrix = grids[GridId::StringGrid24];
    GridTableModel matrixModel(GridId::StringGrid24, matrix);
    GridView matrixView(matrixModel);
    EXPECT_EQ(matrixView.selectionBehavior(), QAbstractItemView::SelectItems);
    EXPECT_EQ(matrixView.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    matrix.select(1, 5);
    EXPECT_EQ(matrixView.currentIndex(), matrixModel.index(1, 5));
    EXPECT_FALSE(matrixView.selectionModel()->isSelected(matrixModel.index(1, 6)));
}

TEST_F(GridViewTest, HidingWhileRefilledAndShowingAgain)
{
    TextGrid& grid = grids[GridId::StringGrid8];
    GridTableModel model(GridId::StringGrid8, grid);
    GridView view(model);
    view.show();
    grid.setVisible(false);
    EXPECT_TRUE(view.isHidden());
    grid.setVisible(true);
    EXPECT_FALSE(view.isHidden());
    // A view the window hid itself is not shown by the grid.
    view.hide();
    grid.setVisible(false);
    grid.setVisible(true);
    EXPECT_TRUE(view.isHidden());
}

QImage renderCell(const GridView& view, int row, int col)
{
    // The cell without its grid line: as wide as the grid says.
    const QRect cell = view.visualRect(view.model()->index(row, col));
    QImage image(cell.size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    view.delegate().paintCell(&painter, QRect(QPoint(0, 0), cell.size()), row, col, false);
    return image;
}

TEST_F(GridViewTest, DelegatePaintsExactlyTheStyle)
{
    TextGrid& grid = grids[GridId::StringGrid27];
    grid.setCell(1, 5, "12");
    GridTableModel model(GridId::StringGrid27, grid);
    GridView view(model);

    // The default style: silver header, white data.
    EXPECT_EQ(renderCell(view, 0, 2).pixelColor(2, 2), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(renderCell(view, 1, 2).pixelColor(2, 2), QColor(Qt::white));

    model.setStyleProvider([](const TextGrid&, int, int col, const StyleContext&) {
        CellStyle s;
        s.background = col == 5 ? colours::lilac : colours::white;
        s.textColour = colours::red;
        if (col == 5)
            s.addLine(CellEdge::Right, colours::blue, 3);
        return s;
    });
    const QImage image = renderCell(view, 1, 5); // 60 wide, 15 high
    ASSERT_EQ(image.width(), 60);
    EXPECT_EQ(image.pixelColor(1, 14), QColor(0xFA, 0xD0, 0xFD));
    EXPECT_EQ(image.pixelColor(59, 14), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(57, 14), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(56, 14), QColor(0xFA, 0xD0, 0xFD));
    bool red = false; // the text, centred
    for (int x = 20; x < 40; ++x)
        for (int y = 0; y < 14; ++y)
            red = red || (image.pixelColor(x, y).red() > 200 && image.pixelColor(x, y).green() < 80);
    EXPECT_TRUE(red);
}

bool hasInk(const QImage& image, int top, int bottom)
{
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).lightness() < 100)
                return true;
    return false;
}

TEST_F(GridViewTest, OwnTextIsDrawnLineByLine)
{
    TextGrid& card = grids[GridId::StringGrid2]; // header row 27 pixels high
    GridTableModel model(GridId::StringGrid2, card);
    GridView view(model);
    model.setStyleProvider([](const TextGrid&, int row, int, const StyleContext&) {
        CellStyle s;
        if (row == 0) {
            s.align = HAlign::Left;
            s.offsetX = 1;
            s.offsetY = 1;
            s.drawText(sj("枠\n番"));
        }
        return s;
    });
    const QImage twoLines = renderCell(view, 0, 0);
    ASSERT_EQ(twoLines.height(), 27);
    EXPECT_TRUE(hasInk(twoLines, 0, 13));
    EXPECT_TRUE(hasInk(twoLines, 14, 27));
    model.setStyleProvider([](const TextGrid&, int, int, const StyleContext&) {
        CellStyle s;
        s.drawText(sj("枠"));
        return s;
    });
    EXPECT_FALSE(hasInk(renderCell(view, 0, 0), 14, 27));
}

TEST(GridFont, JapaneseFixedPitchFontKeepsHalfWidthAtHalf)
{
    testing::guiApp();
    const QFont font = gridFont(fixedPitchGothic(), 13);
    const QFontInfo info(font);
    if (!info.family().contains(QStringLiteral("Gothic")) && !info.family().contains(QStringLiteral("ゴシック")))
        GTEST_SKIP() << "no Japanese gothic font installed: " << info.family().toStdString();
    const QFontMetrics metrics(font);
    EXPECT_EQ(metrics.horizontalAdvance(QString::fromUtf8("ｵｯｽﾞ")) * 2,
        metrics.horizontalAdvance(QString::fromUtf8("オッズ馬")));
    EXPECT_EQ(metrics.horizontalAdvance(QStringLiteral(" 1- 2")), metrics.horizontalAdvance(QStringLiteral("17-18")));
    const QFontInfo proportional(gridFont(proportionalGothic(), 13));
    EXPECT_NE(proportional.family(), info.family());
}

// Renders two grids to PNG files for a look by eye (TIDEMARK_GRID_PNG_DIR, else a
// temporary folder that is removed again).
TEST_F(GridViewTest, RendersGridsOffScreen)
{
    testing::TempDir temp;
    const QByteArray dirEnv = qgetenv("TIDEMARK_GRID_PNG_DIR");
    const QString dir = dirEnv.isEmpty() ? QString::fromStdString(temp.path().string()) : QString::fromUtf8(dirEnv);
    QDir().mkpath(dir);

    TextGrid& card = grids[GridId::StringGrid2];
    card.setRowCount(4);
    const std::vector<std::vector<const char*>> rows{
        {"1", " 1", "ハルウララ", "牝 5", "52.0", "武豊", "宗石大", "   3.4", " 1", "   1.2", " 1", "   1.5", " 2", "", "　",
            "　", "　", " 3", " 1", "   3.4"},
        {"2", " 2", "ｵｰｼｬﾝｽﾞｽｰﾊﾟｰﾉｳﾞｧ", "牡 4", "54.0", "的場文", "川島正", "  12.8", " 4", "   2.3", " 3", "   3.1",
            " 4", "", "　", "　", "　", " 1", " 4", "  12.8"},
        {"3", " 3", "大井の星", "ｾﾝ 7", "56.0", "森泰斗", "佐藤賢", " 145.3", "10", "  18.2", "11", "  25.0", "11",
            "", "　", "　", "　", "10", "10", " 145.3"},
    };
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 20; ++c)
            card.setCell(r + 1, c, sj(rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]));
    GridTableModel cardModel(GridId::StringGrid2, card);
    GridView cardView(cardModel);
    cardView.resize(cardView.fullSize());
    cardView.show();
    QApplication::processEvents();
    const QImage cardImage = cardView.grab().toImage();
    ASSERT_FALSE(cardImage.isNull());
    EXPECT_TRUE(cardImage.save(dir + QStringLiteral("/StringGrid2.png")));
    EXPECT_EQ(cardImage.width(), cardView.width());

    TextGrid& series = grids[GridId::StringGrid5];
    layOutTimeSeriesColumns(GridId::StringGrid5, series, 12, {});
    fillSeries(series, 150, 7);
    GridTableModel seriesModel(GridId::StringGrid5, series);
    GridView seriesView(seriesModel);
    seriesView.resize(700, 260);
    seriesView.show();
    QApplication::processEvents();
    seriesView.horizontalScrollBar()->setValue(300);
    seriesView.verticalScrollBar()->setValue(40); // rows
    QApplication::processEvents();
    const QImage seriesImage = seriesView.grab().toImage();
    EXPECT_TRUE(seriesImage.save(dir + QStringLiteral("/StringGrid5_scrolled.png")));
    if (!dirEnv.isEmpty()) { // enlarged copies for reading the pixels by eye
        cardImage.scaled(cardImage.size() * 2).save(dir + QStringLiteral("/StringGrid2@2x.png"));
        seriesImage.scaled(seriesImage.size() * 2).save(dir + QStringLiteral("/StringGrid5_scrolled@2x.png"));
    }
}

} // namespace
} // namespace tidemark::gui
