#include "presentation/clipboard_export.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "presentation/main_panel_model.h"
#include "presentation/matrix_model.h"
#include "presentation/selected_moment_grids.h"
#include "records/pair_index.h"
#include "support/recording_host.h"
#include "text/cp932.h"

using namespace tidemark;
using namespace tidemark::presentation;
using text::sj;

namespace {

// The text split at CR LF; a lone LF or CR anywhere fails the test.
std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "text does not end with CR LF";
            out.push_back(text.substr(start));
            break;
        }
        out.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    for (const std::string& l : out)
        EXPECT_EQ(l.find_first_of("\r\n"), std::string::npos) << l;
    return out;
}

std::vector<std::string> fields(const std::string& line)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        out.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos)
            return out;
        start = tab + 1;
    }
}

struct Clipboard : ::testing::Test {
    tidemark::testing::RecordingHost host;
    GridSet grids;
    ClipboardTitles titles;
    ClipboardExport clip{host, grids, [this] { return titles; }};

    Clipboard()
    {
        layOutAllGrids(grids);
        titles.TitleLabel = {sj("2024年01月15日(月) 大井 11R"), sj("第10回 東京記念"), sj("12頭 2400m"), sj("定量")};
        titles.CurJikokuLabel = "10:25";
        titles.JikokuLabel = {"09:55", "10:05", "10:15"};
        titles.HensaLabel = " 4.21";
        titles.matrixBasis = sj("単勝人気");
    }
    std::vector<std::string> copy(ActivePage page)
    {
        host.clipboard.clear();
        clip.ClipBtn1Click(page);
        return lines(host.clipboard);
    }
};

} // namespace

// Win time series of 12 snapshots and 10 horses: the title lines, one empty line, then 13
// lines of 12 fields, the header row first.
TEST_F(Clipboard, TimeSeriesTable)
{
    TextGrid& g = grids[GridId::StringGrid4];
    layOutTimeSeriesColumns(GridId::StringGrid4, g, 10, PairLabels{records::bracketPairLabel, records::quinellaPairLabel});
    g.setRowCount(13);
    for (int r = 1; r <= 12; ++r)
        for (int c = 0; c < g.colCount(); ++c)
            g.setCell(r, c, std::to_string(r) + "." + std::to_string(c));

    const std::vector<std::string> l = copy({MainPage::TabSheet26, 0});
    ASSERT_EQ(l.size(), 4u + 1u + 13u);
    EXPECT_EQ(l[0], sj("[時系列オッズ表]-[単勝]2024年01月15日(月) 大井 11R"));
    EXPECT_EQ(l[3], sj("定量"));
    EXPECT_EQ(l[4], "");
    EXPECT_EQ(fields(l[5]).size(), 12u);
    EXPECT_EQ(fields(l[5])[0], "");
    EXPECT_EQ(fields(l[5])[2], sj(" 1(単)"));
    for (std::size_t i = 5; i < l.size(); ++i)
        EXPECT_EQ(fields(l[i]).size(), 12u) << i;
    EXPECT_EQ(l.back(), "12.0\t12.1\t12.2\t12.3\t12.4\t12.5\t12.6\t12.7\t12.8\t12.9\t12.10\t12.11");
}

// The race card, byte for byte: its stored headers, all 20 columns with the four hidden
// mining columns, the deviation line right above the header row, rows in screen order.
TEST_F(Clipboard, RaceCardBytes)
{
    TextGrid& g = grids[GridId::StringGrid2];
    g.setRowCount(3);
    for (int c = 0; c < 20; ++c) {
        g.setCell(1, c, "a" + std::to_string(c));
        g.setCell(2, c, "b" + std::to_string(c));
    }
    g.setCell(1, 13, "");
    g.swapRows(1, 2); // as a sort leaves it
    ASSERT_TRUE(g.isColHidden(13));

    clip.ClipBtn1Click({MainPage::TabSheet2});
    std::string expected = sj("[出馬表]2024年01月15日(月) 大井 11R\r\n第10回 東京記念\r\n12頭 2400m\r\n定量\r\n") +
                           sj("選択時刻:10:25\r\n標準偏差： 4.21\r\n");
    for (int c = 0; c < 20; ++c)
        expected += g.cell(0, c) + (c < 19 ? "\t" : "\r\n");
    expected += "b0\tb1\tb2\tb3\tb4\tb5\tb6\tb7\tb8\tb9\tb10\tb11\tb12\tb13\tb14\tb15\tb16\tb17\tb18\tb19\r\n";
    expected += "a0\ta1\ta2\ta3\ta4\ta5\ta6\ta7\ta8\ta9\ta10\ta11\ta12\t\ta14\ta15\ta16\ta17\ta18\ta19\r\n";
    EXPECT_EQ(host.clipboard, expected);
    EXPECT_EQ(fields(lines(host.clipboard)[6])[13], sj("ﾀｲﾑ型"));
    EXPECT_EQ(fields(lines(host.clipboard)[6])[7], sj("単勝"));
}

// Three time points: their lines and two empty lines; anomaly pages: two empty lines.
TEST_F(Clipboard, ThreePointAndAnomalyTitles)
{
    std::vector<std::string> l = copy({MainPage::TabSheet33, 2});
    ASSERT_GE(l.size(), 10u);
    EXPECT_EQ(l[0], sj("[３系列オッズ表]-[複勝(高)]2024年01月15日(月) 大井 11R"));
    EXPECT_EQ(l[4], sj("1回目時刻:09:55"));
    EXPECT_EQ(l[5], sj("2回目時刻:10:05"));
    EXPECT_EQ(l[6], sj("3回目時刻:10:15"));
    EXPECT_EQ(l[7], "");
    EXPECT_EQ(l[8], "");
    EXPECT_EQ(fields(l[9]).size(), 21u);
    EXPECT_EQ(fields(l[9])[15], sj("Min順"));

    l = copy({MainPage::TabSheet50, 1, 1});
    ASSERT_GE(l.size(), 7u);
    EXPECT_EQ(l[0], sj("[異常オッズ発見]-[時差比較]-[複勝]2024年01月15日(月) 大井 11R"));
    EXPECT_EQ(l[4], "");
    EXPECT_EQ(l[5], "");
    EXPECT_EQ(fields(l[6])[6], sj("Max時"));
}

// Ticket-type, gap and matrix pages: the moment and one empty line; folded columns are
// copied all the same; the matrix title carries the basis and a trailing blank.
TEST_F(Clipboard, MomentTablesAndFoldedColumns)
{
    applyFolding(grids[GridId::StringGrid11], GridFolding::Fold2);
    grids[GridId::StringGrid11].setCell(1, 2, sj("ウマ"));
    std::vector<std::string> l = copy({MainPage::TabSheet38});
    ASSERT_EQ(l.size(), 8u);
    EXPECT_EQ(l[0], sj("[券種別オッズ比較表]2024年01月15日(月) 大井 11R"));
    EXPECT_EQ(l[4], sj("選択時刻:10:25"));
    EXPECT_EQ(l[5], "");
    EXPECT_EQ(fields(l[6]).size(), 24u);
    EXPECT_EQ(fields(l[6])[2], sj("馬名"));
    EXPECT_EQ(fields(l[7])[2], sj("ウマ"));

    l = copy({MainPage::TabSheet10, 1});
    EXPECT_EQ(l[0], sj("[断層表：複勝(低)]2024年01月15日(月) 大井 11R"));
    EXPECT_EQ(fields(l[6])[7], sj("断層"));
    l = copy({MainPage::TabSheet10, 3});
    EXPECT_EQ(l[0], sj("[断層表:馬連]2024年01月15日(月) 大井 11R"));

    titles.matrixBasis = sj("複勝(高)人気");
    l = copy({MainPage::TabSheet31});
    EXPECT_EQ(l[0], sj("[馬連マトリクス](複勝(高)人気順) 2024年01月15日(月) 大井 11R"));
    EXPECT_EQ(l[4], sj("選択時刻:10:25"));
    EXPECT_EQ(fields(l[6]).size(), 21u); // the matrix before its first build
}

// Every copyable page and inner page names its own grid and title.
TEST_F(Clipboard, TableOfEveryPage)
{
    struct Case {
        ActivePage page;
        GridId grid;
        const char* title;
    };
    const Case cases[] = {
        {{MainPage::TabSheet33, 0}, GridId::StringGrid26, "[３系列オッズ表]-[単勝]"},
        {{MainPage::TabSheet33, 1}, GridId::StringGrid8, "[３系列オッズ表]-[複勝(低)]"},
        {{MainPage::TabSheet33, 3}, GridId::StringGrid10, "[３系列オッズ表]-[馬連(疑似)]"},
        {{MainPage::TabSheet50, 0, 0}, GridId::StringGrid27, "[異常オッズ発見]-[単複比較]-[単÷複]"},
        {{MainPage::TabSheet50, 0, 1}, GridId::StringGrid28, "[異常オッズ発見]-[単複比較]-[複÷単]"},
        {{MainPage::TabSheet50, 1, 0}, GridId::StringGrid29, "[異常オッズ発見]-[時差比較]-[単勝]"},
        {{MainPage::TabSheet10, 0}, GridId::StringGrid20, "[断層表:単勝]"},
        {{MainPage::TabSheet10, 2}, GridId::StringGrid22, "[断層表：複勝(高)]"},
        {{MainPage::TabSheet26, 1}, GridId::StringGrid5, "[時系列オッズ表]-[複勝]"},
        {{MainPage::TabSheet26, 3}, GridId::StringGrid7, "[時系列オッズ表]-[馬連]"},
        {{MainPage::TabSheet12, 0}, GridId::StringGrid12, "[時系列人気表]-[単勝]"},
        {{MainPage::TabSheet12, 2}, GridId::StringGrid14, "[時系列人気表]-[枠連]"},
        {{MainPage::TabSheet13, 1}, GridId::StringGrid17, "[時系列得票表]-[複勝]"},
        {{MainPage::TabSheet13, 3}, GridId::StringGrid19, "[時系列得票表]-[馬連]"},
    };
    for (const Case& c : cases) {
        const std::optional<CopyTable> t = copyTableFor(c.page, "");
        ASSERT_TRUE(t) << c.title;
        EXPECT_EQ(t->grid, c.grid) << c.title;
        EXPECT_EQ(t->title, sj(c.title));
    }
    EXPECT_EQ(mainPageAt(5), MainPage::TabSheet31);
    EXPECT_EQ(mainPageAt(12), MainPage::TabSheet3);
    EXPECT_EQ(mainPageAt(-1), MainPage::TabSheet1);
}

// Pages without a table, and inner pages that do not exist: a beep and the request, the
// clipboard untouched, no notice.
TEST_F(Clipboard, PagesWithoutTable)
{
    host.clipboard = "before";
    for (ActivePage p : {ActivePage{MainPage::TabSheet32}, ActivePage{MainPage::TabSheet42},
                         ActivePage{MainPage::TabSheet39}, ActivePage{MainPage::TabSheet3},
                         ActivePage{MainPage::TabSheet33, 4}, ActivePage{MainPage::TabSheet50, 2, 0},
                         ActivePage{MainPage::TabSheet26, -1}})
        clip.ClipBtn1Click(p);
    EXPECT_EQ(host.beeps, 7);
    ASSERT_EQ(host.boxes.size(), 7u);
    EXPECT_EQ(host.boxes[0].kind, tidemark::testing::RecordingHost::BoxKind::Information);
    EXPECT_EQ(host.boxes[0].text, sj("コピーしたい表をアクティブに(前面に表示)してください。"));
    EXPECT_EQ(host.clipboard, "before");
    EXPECT_FALSE(clip.Label1Visible());
    EXPECT_FALSE(host.timerRunning(TimerId::Timer1));
}

// The notice: shown with the copy, a one-second one-shot timer that hides it; a second
// copy restarts the second.
TEST_F(Clipboard, NoticeForOneSecond)
{
    struct Seen : ClipboardExportObserver {
        int changes = 0;
        void label1Changed() override { ++changes; }
    } seen;
    clip.setObserver(&seen);

    clip.ClipBtn1Click({MainPage::TabSheet2});
    EXPECT_TRUE(clip.Label1Visible());
    EXPECT_TRUE(host.timerRunning(TimerId::Timer1));
    EXPECT_EQ(host.timers.intervalMs(TimerId::Timer1), 1000);
    EXPECT_EQ(seen.changes, 1);
    clip.ClipBtn1Click({MainPage::TabSheet38});
    EXPECT_EQ(seen.changes, 1);

    ASSERT_TRUE(host.fire(TimerId::Timer1));
    EXPECT_FALSE(clip.Label1Visible());
    EXPECT_FALSE(host.timerRunning(TimerId::Timer1));
    EXPECT_EQ(seen.changes, 2);
    EXPECT_FALSE(host.fire(TimerId::Timer1));
    EXPECT_EQ(ClipboardExport::Label1Caption(), sj("ｸﾘｯﾌﾟﾎﾞｰﾄﾞへｺﾋﾟｰしました"));
}

// Every window has a notice timer of its own: a copy in another window neither takes
// the first one's timer over nor leaves a timer behind when its window goes.
TEST_F(Clipboard, NoticeTimerOfEachWindow)
{
    {
        ClipboardExport other{host, grids, [this] { return titles; }};
        clip.ClipBtn1Click({MainPage::TabSheet2});
        other.ClipBtn1Click({MainPage::TabSheet2});
        EXPECT_EQ(host.timers.runningCount(TimerId::Timer1), 2u);
        ASSERT_TRUE(host.fire(TimerId::Timer1));
        EXPECT_FALSE(clip.Label1Visible());
        EXPECT_FALSE(other.Label1Visible());
        other.ClipBtn1Click({MainPage::TabSheet2});
    }
    EXPECT_FALSE(host.fire(TimerId::Timer1));
}

// The titles come from the labels of the window at the moment of the copy.
TEST_F(Clipboard, TitlesFromTheWindowLabels)
{
    MainPanelLabels panel;
    panel.header.TitleLabel1 = "L1";
    panel.header.TitleLabel4 = "L4";
    panel.CurJikokuLabel = "10:40";
    panel.JikokuLabel = {"a", "b", "c"};
    SelectedMomentView moment;
    moment.HensaLabel = " 1.00";
    const ClipboardTitles t = clipboardTitles(panel, moment, sj("馬連人気"));
    EXPECT_EQ(clipboardHeader(CopyTable{GridId::StringGrid2, "T", TitleKind::RaceCard}, t),
              sj("TL1\r\n\r\n\r\nL4\r\n選択時刻:10:40\r\n標準偏差： 1.00"));
    EXPECT_EQ(clipboardHeader(CopyTable{GridId::StringGrid24, "T", TitleKind::TimeSeries}, t), "TL1\r\n\r\n\r\nL4\r\n");
    EXPECT_EQ(t.matrixBasis, sj("馬連人気"));
    EXPECT_EQ(t.JikokuLabel[2], "c");
}
