#include "gui/grid_style_provider.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "gui/grid_delegate.h"
#include "gui/grid_view.h"
#include "gui_test_app.h"
#include "presentation/grid_layouts.h"
#include "presentation/text_grid.h"

namespace tidemark::gui {
namespace {

using namespace presentation;

TEST(GridStyleProvider, PaintsWithTheMainWindowsThresholds)
{
    testing::guiApp();
    GridSet grids;
    layOutAllGrids(grids);
    TextGrid& gap = grids[GridId::StringGrid20];
    gap.setCell(1, 7, "   1.6");
    GridTableModel model(GridId::StringGrid20, gap);
    GridView view(model);

    RenderContext render;
    render.setGapThreshold(0, 2.0);
    GridStyleProvider::install(model, render);
    EXPECT_EQ(model.styleAt(1, 7, false).background, colours::white);
    // The view reads the context at paint time: a changed box needs no new provider.
    render.setGapThreshold(0, 1.6);
    EXPECT_EQ(model.styleAt(1, 7, false).background, colours::red);

    const QRect cell = view.visualRect(model.index(1, 7));
    QImage image(cell.size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        view.delegate().paintCell(&painter, QRect(QPoint(0, 0), cell.size()), 1, 7, false);
    }
    EXPECT_EQ(image.pixelColor(1, cell.height() - 1), QColor(Qt::red));
}

} // namespace
} // namespace tidemark::gui
