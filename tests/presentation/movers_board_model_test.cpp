// The window "オッズ急変" without widgets: what its grid, title and controls say over a
// small store, its filters, the copy, the double-click that opens a race at snapshot B,
// and the colours of its cells.

#include <gtest/gtest.h>

#include "analysis/race_store_fixture.h"
#include "presentation/main_window_model.h"
#include "presentation/movers_board_model.h"
#include "service/null_nv_link.h"
#include "settings/settings_keys.h"
#include "support/recording_host.h"
#include "text/cp932.h"
#include "text/number_format.h"

namespace tidemark::presentation {
namespace {

using testing::o1At;
using testing::o2At;
using testing::raceCard;
using testing::runner;
using text::sj;

class MoversBoardModelTest : public ::testing::Test {
protected:
    MoversBoardModelTest()
    {
        host.clock = {2024, 1, 20, 12, 0, 0}; // days after the race day
        store.dayFile({raceCard(1, 12, "1030").line(), raceCard(2, 12, "1100").line()});
        store.runnerFile({runner(1, 1).horseName(sj("アサカゼ")).line(), runner(1, 2).horseName(sj("ユウナギ")).line(),
                          runner(2, 1).horseName(sj("ハヤブサ")).line(), runner(2, 2).horseName(sj("ツバメ")).line()});
        // Race 1: horse 1 from 8.0 to 4.0 (+10.0), horse 2 from 4.0 to 5.0 (-4.0).
        store.writeLines(store.o1File(1), {o1At("01151000", 1).win(1, 8.0, 2).win(2, 4.0, 1).place(1, 2.0, 3.0, 2).line(),
                                           o1At("01151010", 1).win(1, 4.0, 1).win(2, 5.0, 2).place(1, 1.4, 2.0, 1).line(),
                                           o1At("01151020", 1).win(1, 3.0, 1).win(2, 6.0, 2).line()});
        store.writeLines(store.o2File(1), {o2At("01151000", 1).quinella(1, 5.0, 1).line()});
        // Race 2: horse 2 from 10.0 to 9.5 (+0.4, shown as +0.4), horse 1 unchanged.
        store.writeLines(store.o1File(2), {o1At("01151000", 2).win(1, 3.0, 1).win(2, 10.0, 2).line(),
                                           o1At("01151010", 2).win(1, 3.0, 1).win(2, 9.5, 2).line()});
        store.writeLines(store.o2File(2), {o2At("01151000", 2).quinella(1, 5.0, 1).line()});
        model.create();
        model.panel().buildDateList();
        model.panel().DateComboChange(0);
    }

    std::vector<std::string> column(MoversColumn c)
    {
        std::vector<std::string> out;
        const TextGrid& g = model.movers().grid();
        for (int r = 1; r < g.rowCount(); ++r)
            out.push_back(g.cell(r, static_cast<int>(c)));
        return out;
    }

    testing::RaceStore store;
    testing::RecordingHost host;
    NullNvLink link;
    MainWindowModel model{host, link, store.dir.path()};
};

TEST_F(MoversBoardModelTest, ALookBackAtAPastDayStartsAtItsFirstPost)
{
    MoversBoardModel& board = model.movers();
    EXPECT_FALSE(board.isOpen());
    board.open();
    EXPECT_FALSE(board.liveAvailable());
    EXPECT_FALSE(board.live());
    EXPECT_EQ(board.timeMinute(), 10 * 60 + 30);
    EXPECT_EQ(board.windowIndex(), 1); // 10 minutes
    EXPECT_EQ(board.trackItems(), std::vector<std::string>({sj("全場"), sj("大井")}));

    const TextGrid& g = board.grid();
    ASSERT_EQ(g.colCount(), kMoversColumns);
    std::vector<std::string> header;
    for (int c = 0; c < g.colCount(); ++c)
        header.push_back(text::toUtf8(g.cell(0, c)));
    EXPECT_EQ(header, (std::vector<std::string>{"場", "R", "発走", "発走迄", "馬番", "馬名", "単勝A", "単勝B",
                                                "支持率A", "支持率B", "単勝変化▼", "複勝変化", "A時刻", "B時刻",
                                                "B経過"}));
    // At 10:30 against 10:20 each race has one announcement at A and B: nothing is
    // listed, and the board says how many races are so.
    EXPECT_EQ(g.rowCount(), 1);
    EXPECT_EQ(board.summary(), sj("該当する馬はいません。（直近のオッズなし 2レース）"));
    EXPECT_EQ(board.title(), sj("[オッズ急変]2024年01月15日 10:30 (10分前と比較)"));

    // At 10:25 race 1 goes from 10:10 to 10:20; race 2 has nothing after 10:10.
    board.TimeEditChange(10 * 60 + 25);
    EXPECT_EQ(column(MoversColumn::Change), (std::vector<std::string>{"+6.7", "-2.7"}));
    EXPECT_EQ(column(MoversColumn::HorseName), (std::vector<std::string>{sj("アサカゼ"), sj("ユウナギ")}));
    EXPECT_EQ(board.summary(), sj("2頭（直近のオッズなし 1レース）"));

    // At 10:15 with a window of 15: race 1 from 10:00 to 10:10.
    board.TimeEditChange(10 * 60 + 15);
    board.WindowComboChange(2);
    EXPECT_EQ(settings::MoversWindow.read(model.settings()), 15);
    const TextGrid& h = board.grid();
    ASSERT_EQ(h.rowCount(), 5);
    const std::vector<std::string> top{h.cell(1, 0), h.cell(1, 1), h.cell(1, 2), h.cell(1, 3), h.cell(1, 4),
                                       h.cell(1, 5), h.cell(1, 6), h.cell(1, 7), h.cell(1, 8), h.cell(1, 9),
                                       h.cell(1, 10), h.cell(1, 11), h.cell(1, 12), h.cell(1, 13), h.cell(1, 14)};
    EXPECT_EQ(top, (std::vector<std::string>{sj("大井"), " 1", "10:30", " 15", " 1", sj("アサカゼ"), "   8.0",
                                             "   4.0", " 10.0", " 20.0", "+10.0",
                                             "+" + text::formatFixed(26.6 / 1.4 - 26.6 / 2.0, 0, 1), "10:00",
                                             "10:10", "  5"}));
    EXPECT_EQ(column(MoversColumn::Change), (std::vector<std::string>{"+10.0", "+0.4", "0.0", "-4.0"}));
    EXPECT_EQ(column(MoversColumn::PlaceChange), (std::vector<std::string>{top[11], "", "", ""}));
    EXPECT_EQ(board.title(), sj("[オッズ急変]2024年01月15日 10:15 (15分前と比較)"));
}

TEST_F(MoversBoardModelTest, FiltersCopyAndTheWayBackToTheRace)
{
    MoversBoardModel& board = model.movers();
    board.open();
    board.TimeEditChange(10 * 60 + 10);

    // At least +0.4 as shown (the change itself is 0.42…): two runners.
    board.MinChangeEditChange(4);
    EXPECT_EQ(board.grid().rowCount(), 5); // not yet switched on
    board.MinChangeCheckClick(true);
    EXPECT_EQ(column(MoversColumn::Change), (std::vector<std::string>{"+10.0", "+0.4"}));
    board.MinChangeEditChange(5);
    EXPECT_EQ(column(MoversColumn::Change), (std::vector<std::string>{"+10.0"}));
    board.MinChangeCheckClick(false);

    board.TrackComboChange(1);
    EXPECT_EQ(board.grid().rowCount(), 5); // every race is at 大井
    // 10:35 looking back 30 minutes: "発走迄" counts from 10:35, and race 1 has run.
    board.selectWindow(3);
    board.TimeEditChange(10 * 60 + 35);
    EXPECT_EQ(column(MoversColumn::MinutesToPost), (std::vector<std::string>{sj("発走済"), " 25", " 25", sj("発走済")}));
    board.NotRunCheckClick(true);
    EXPECT_EQ(column(MoversColumn::Horse), (std::vector<std::string>{" 2", " 1"}));
    EXPECT_EQ(column(MoversColumn::PostTime), (std::vector<std::string>{"11:00", "11:00"}));
    EXPECT_EQ(board.title(), sj("[オッズ急変]2024年01月15日 10:35 (30分前と比較) 大井 未発走のみ"));
    board.NotRunCheckClick(false);
    board.selectWindow(1);

    // The copy: the title line, then every row, cells separated by TAB.
    board.TimeEditChange(10 * 60 + 10);
    board.ClipBtnClick();
    const std::string& clip = host.clipboard;
    EXPECT_EQ(clip.rfind(board.title() + "\r\n" + sj("場\tR\t発走\t発走迄\t馬番\t馬名\t"), 0), 0u);
    EXPECT_EQ(std::count(clip.begin(), clip.end(), '\n'), 6); // title, header, four runners
    EXPECT_EQ(std::count(clip.begin(), clip.end(), '\t'), 5 * 14);
    EXPECT_EQ(clip.find(sj("▼")), std::string::npos); // the header as words
    EXPECT_EQ(clip.substr(clip.size() - 2), "\r\n");
    EXPECT_NE(board.summary().find(sj("ｸﾘｯﾌﾟﾎﾞｰﾄﾞへｺﾋﾟｰしました")), std::string::npos);
    const std::string top2 = board.clipboardText(2);
    EXPECT_EQ(std::count(top2.begin(), top2.end(), '\n'), 4);
    EXPECT_EQ(clip.rfind(top2, 0), 0u);

    // A double-click on 大井 1R opens it at its snapshot B, 10:10, not at its newest.
    model.panel().DatListClick(1);
    board.GridDblClick(1);
    EXPECT_EQ(model.panel().DatList().itemIndex, 0);
    EXPECT_EQ(model.panel().TimeCombo().text(), "01/15 10:10");
    EXPECT_EQ(model.panel().TimeCombo().count(), 3);
    board.GridDblClick(0); // the header
    board.GridDblClick(9); // past the rows
    EXPECT_EQ(model.panel().TimeCombo().text(), "01/15 10:10");
}

TEST_F(MoversBoardModelTest, EveryColumnSortsBothWaysWithTiesInTheBoardsOrder)
{
    MoversBoardModel& board = model.movers();
    board.open();
    board.TimeEditChange(10 * 60 + 10);
    const std::vector<std::string> boardOrder = column(MoversColumn::HorseName);
    ASSERT_EQ(column(MoversColumn::Change), (std::vector<std::string>{"+10.0", "+0.4", "0.0", "-4.0"}));

    // The horse number: ascending first, ties (horse 1 of both races) in the board's order;
    // again, descending, the ties still in the board's order.
    board.GridHeaderClick(0, static_cast<int>(MoversColumn::Horse));
    EXPECT_EQ(column(MoversColumn::HorseName),
              (std::vector<std::string>{sj("アサカゼ"), sj("ハヤブサ"), sj("ツバメ"), sj("ユウナギ")}));
    EXPECT_EQ(board.grid().cell(0, static_cast<int>(MoversColumn::Horse)), sj("馬番▲"));
    EXPECT_EQ(board.grid().cell(0, static_cast<int>(MoversColumn::Change)), sj("単勝変化"));
    board.GridHeaderClick(0, static_cast<int>(MoversColumn::Horse));
    EXPECT_EQ(column(MoversColumn::HorseName),
              (std::vector<std::string>{sj("ツバメ"), sj("ユウナギ"), sj("アサカゼ"), sj("ハヤブサ")}));
    EXPECT_EQ(board.grid().cell(0, static_cast<int>(MoversColumn::Horse)), sj("馬番▼"));
    board.GridHeaderClick(1, static_cast<int>(MoversColumn::Race)); // a data row: no sort
    EXPECT_EQ(board.sort().column, MoversColumn::Horse);

    // Every column, both ways: the cells run in the order of their values.
    const auto ordered = [&](MoversColumn c, bool descending) {
        std::vector<std::string> cells = column(c);
        std::erase(cells, std::string()); // rows without a value: checked below
        const bool text = c == MoversColumn::Track || c == MoversColumn::PostTime || c == MoversColumn::HorseName ||
                          c == MoversColumn::TimeA || c == MoversColumn::TimeB;
        for (std::size_t i = 1; i < cells.size(); ++i) {
            const bool before = text ? cells[i - 1] < cells[i] : cellDecimal(cells[i - 1]) < cellDecimal(cells[i]);
            const bool after = text ? cells[i] < cells[i - 1] : cellDecimal(cells[i]) < cellDecimal(cells[i - 1]);
            if (descending ? before : after)
                return false;
        }
        return true;
    };
    for (int c = 0; c < kMoversColumns; ++c) {
        SCOPED_TRACE(c);
        const auto mc = static_cast<MoversColumn>(c);
        if (board.sort().column == mc)
            board.GridHeaderClick(0, static_cast<int>(MoversColumn::Track)); // start afresh
        board.GridHeaderClick(0, c);
        const bool first = board.sort().descending;
        EXPECT_EQ(first, mc == MoversColumn::ShareA || mc == MoversColumn::ShareB || mc == MoversColumn::Change ||
                             mc == MoversColumn::PlaceChange);
        EXPECT_TRUE(ordered(mc, first));
        board.GridHeaderClick(0, c);
        EXPECT_EQ(board.sort().descending, !first);
        EXPECT_TRUE(ordered(mc, !first));
    }
    // Rows without a place change stand last either way.
    EXPECT_EQ(board.sort().column, MoversColumn::AgeB);
    board.GridHeaderClick(0, static_cast<int>(MoversColumn::PlaceChange));
    EXPECT_EQ(column(MoversColumn::PlaceChange).back(), "");
    EXPECT_NE(column(MoversColumn::PlaceChange).front(), "");
    board.GridHeaderClick(0, static_cast<int>(MoversColumn::PlaceChange));
    EXPECT_EQ(column(MoversColumn::PlaceChange).back(), "");
    EXPECT_NE(column(MoversColumn::PlaceChange).front(), "");

    // The drifters: one click from the board's order, the falls first; the order stays
    // while the board is built again; a second click brings the rises back.
    board.DriftersBtnClick();
    board.DriftersBtnClick();
    EXPECT_EQ(board.sort(), MoversSort{});
    EXPECT_EQ(column(MoversColumn::HorseName), boardOrder);
    EXPECT_EQ(board.driftersCaption(), sj("下落順"));
    board.DriftersBtnClick();
    EXPECT_EQ(board.driftersCaption(), sj("上昇順"));
    EXPECT_EQ(column(MoversColumn::Change), (std::vector<std::string>{"-4.0", "0.0", "+0.4", "+10.0"}));
    board.TimeEditChange(10 * 60 + 10);
    EXPECT_EQ(column(MoversColumn::Change).front(), "-4.0");
    board.DriftersBtnClick();
    EXPECT_EQ(column(MoversColumn::HorseName), boardOrder);
    // The header's reverse reaches them as well, in one click.
    board.GridHeaderClick(0, static_cast<int>(MoversColumn::Change));
    EXPECT_EQ(column(MoversColumn::Change).front(), "-4.0");
    EXPECT_EQ(board.grid().cell(0, static_cast<int>(MoversColumn::Change)), sj("単勝変化▲"));

    // The pools: the place board shows the range, its share from the lower odds, and the
    // win change beside it; the quinella board a pair.
    board.DriftersBtnClick();
    board.PoolSwitchClick(1);
    EXPECT_EQ(column(MoversColumn::OddsA), (std::vector<std::string>{"2.0-3.0"}));
    EXPECT_EQ(column(MoversColumn::Change), (std::vector<std::string>{signedChangeText(26.6 / 1.4 - 26.6 / 2.0)}));
    EXPECT_EQ(column(MoversColumn::PlaceChange), (std::vector<std::string>{"+10.0"}));
    EXPECT_EQ(board.grid().cell(0, static_cast<int>(MoversColumn::PlaceChange)), sj("単勝変化"));
    EXPECT_NE(board.title().find(sj(" 複勝")), std::string::npos);
    store.writeLines(store.o2File(1), {o2At("01151000", 1).quinella(1, 5.0, 1).line(),
                                       o2At("01151007", 1).quinella(1, 4.0, 1).line()});
    board.PoolSwitchClick(2);
    EXPECT_EQ(column(MoversColumn::Horse), (std::vector<std::string>{"1-2"}));
    EXPECT_EQ(column(MoversColumn::HorseName), (std::vector<std::string>{sj("アサカゼ・ユウナギ")}));
    EXPECT_EQ(column(MoversColumn::Change), (std::vector<std::string>{signedChangeText(75.0 / 4.0 - 75.0 / 5.0)}));
    EXPECT_EQ(column(MoversColumn::TimeB), (std::vector<std::string>{"10:07"}));
    EXPECT_EQ(column(MoversColumn::AgeB), (std::vector<std::string>{"  3"}));
    EXPECT_EQ(board.grid().colWidth(static_cast<int>(MoversColumn::PlaceChange)), -1);
    EXPECT_EQ(board.summary(), sj("1組（直近のオッズなし 1レース）"));
    board.PoolSwitchClick(3); // no such pool
    EXPECT_EQ(board.poolIndex(), 2);
}

TEST_F(MoversBoardModelTest, ADayWithoutOddsOrWithoutRacesSaysSo)
{
    std::filesystem::remove_all(store.layout.dataFolder() / "20240115");
    model.movers().open();
    EXPECT_EQ(model.movers().summary(), sj("この開催日のオッズは未取得です。"));
    EXPECT_EQ(model.movers().grid().rowCount(), 1);

    MainWindowModel empty(host, link, store.dir.path() / "none");
    empty.movers().open();
    EXPECT_EQ(empty.movers().summary(), MoversBoardModel::noDayText());
    EXPECT_EQ(empty.movers().trackItems().size(), 1u);
}

TEST(MoversBoardCells, RisesAreRedFallsBlueAndStrongerMovesDeeper)
{
    TextGrid grid(7, kMoversColumns);
    const std::vector<std::string> changes{"+5.0", "+2.0", "+1.9", "0.0", "-2.0", "-5.3"};
    for (int r = 1; r <= 6; ++r) {
        grid.setCell(r, static_cast<int>(MoversColumn::Change), changes[static_cast<std::size_t>(r - 1)]);
        grid.setCell(r, static_cast<int>(MoversColumn::OddsB), r == 1 ? "   5.0" : "  10.1");
        grid.setCell(r, static_cast<int>(MoversColumn::ShareB), r == 1 ? " 30.0" : "  9.9");
    }
    const auto style = [&](int row, MoversColumn c) { return moversCellStyle(grid, row, static_cast<int>(c)); };
    const auto change = [&](int row) { return style(row, MoversColumn::Change); };
    EXPECT_EQ(change(1).textColour, colours::red);
    EXPECT_TRUE(change(1).bold);
    EXPECT_EQ(change(2).textColour, colours::red);
    EXPECT_NE(change(1).background, change(2).background); // deeper for a stronger rise
    EXPECT_NE(change(2).background, colours::white);
    EXPECT_EQ(change(3).background, colours::white); // under 2 points: colour of the text only
    EXPECT_FALSE(change(3).bold);
    EXPECT_EQ(change(4).textColour, colours::black);
    EXPECT_EQ(change(5).textColour, colours::blue);
    EXPECT_EQ(change(6).textColour, colours::blue);
    EXPECT_NE(change(5).background, change(6).background);
    EXPECT_NE(change(5).background, change(2).background);
    EXPECT_EQ(change(1).align, HAlign::Right);
    EXPECT_EQ(style(0, MoversColumn::Change).background, colours::silver);
    EXPECT_EQ(style(1, MoversColumn::OddsB).textColour, colours::red);
    EXPECT_EQ(style(2, MoversColumn::OddsB).textColour, colours::black);
    EXPECT_EQ(style(1, MoversColumn::ShareB).textColour, colours::red);
    EXPECT_EQ(style(2, MoversColumn::ShareB).textColour, colours::black);
    EXPECT_EQ(style(1, MoversColumn::HorseName).align, HAlign::Left);

    EXPECT_EQ(signedChangeText(0.04), "0.0");
    EXPECT_EQ(signedChangeText(-0.04), "0.0");
    EXPECT_EQ(signedChangeText(-0.05), "-0.1");
    EXPECT_EQ(signedChangeText(12.345), "+12.3");
}

} // namespace
} // namespace tidemark::presentation
