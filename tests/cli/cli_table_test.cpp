// `table`: the text of the clipboard button, checked against the main window model's own
// copy on the same program folder (the day chosen, the race opened, the moment selected
// and the copy pressed through the model's handlers), and every way the command refuses.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>

#include "cli/cli_fixture.h"
#include "presentation/main_window_model.h"
#include "presentation/page_captions.h"
#include "records/record_view.h"
#include "service/null_nv_link.h"
#include "settings/ini_file.h"
#include "support/recording_host.h"
#include "text/cp932.h"
#include "text/file_io.h"

namespace tidemark::testing {
namespace {

using cli::ExitCode;
using presentation::ActivePage;
using presentation::MainPage;
using text::sj;
using text::toUtf8;

// The lines of a clipboard text, which ends every line with CR LF.
std::vector<std::string> crLfLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "a line without CR LF: " << text.substr(start);
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::size_t fieldCount(const std::string& line)
{
    return static_cast<std::size_t>(std::count(line.begin(), line.end(), '\t')) + 1;
}

// Every file of the folder with its content.
std::map<std::string, std::string> folderContents(const std::filesystem::path& root)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        files[std::filesystem::relative(entry.path(), root).string()] =
            entry.is_regular_file() ? text::readFile(entry.path()) : std::string("<folder>");
    return files;
}

// The window on the same folder: the day and race chosen through the panel's handlers,
// a moment of the time list selected, and the copy button pressed on a page.
class WindowCopy {
public:
    WindowCopy(const std::filesystem::path& home, int raceIndex, std::optional<int> momentIndex = {})
        : m_window(m_host, m_link, home)
    {
        m_window.restoreViewSettings();
        MainPanelModel& panel = m_window.panel();
        panel.buildDateList();
        const auto& days = panel.DateCombo().items;
        const auto day = std::find(days.begin(), days.end(), sj("2024年01月12日"));
        EXPECT_NE(day, days.end());
        panel.DateComboChange(static_cast<int>(day - days.begin()));
        panel.DatListClick(raceIndex);
        if (momentIndex)
            panel.TimeComboClick(*momentIndex);
    }

    std::string copy(const ActivePage& page)
    {
        m_host.clipboard.clear();
        m_window.clipboard().ClipBtn1Click(page);
        EXPECT_TRUE(m_window.clipboard().Label1Visible());
        return m_host.clipboard;
    }
    MainWindowModel& window() { return m_window; }

private:
    RecordingHost m_host;
    NullNvLink m_link;
    MainWindowModel m_window;
};

class CliTableTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_home = new TempDir;
        writeSimWorld(s_home->path());
        const CliRun import = runCli(home(), {"import", "--since", "2024/01/01 00:00:00"});
        EXPECT_EQ(import.code, ExitCode::Ok) << import.err;
        s_noOdds = new CliRun(runCli(home(), {"table", "20240112", "1", "出馬表"}));
        s_noOddsMoment = new CliRun(runCli(home(), {"table", "20240112", "1", "出馬表", "--moment", "01/12 12:20"}));
        const CliRun odds = runCli(home(), {"odds", "20240112"});
        EXPECT_EQ(odds.code, ExitCode::Ok) << odds.err;
    }
    static void TearDownTestSuite()
    {
        delete s_noOddsMoment;
        delete s_noOdds;
        delete s_home;
    }
    static const std::filesystem::path& home() { return s_home->path(); }
    static std::vector<std::string> times(const std::string& race)
    {
        return outputLines(runCli(home(), {"times", "20240112", race}).out);
    }

    static TempDir* s_home;
    static CliRun* s_noOdds;
    static CliRun* s_noOddsMoment;
};

TempDir* CliTableTest::s_home = nullptr;
CliRun* CliTableTest::s_noOdds = nullptr;
CliRun* CliTableTest::s_noOddsMoment = nullptr;

TEST_F(CliTableTest, RaceCardIsTheWindowsCopyWithItsTitleLines)
{
    const CliRun card = runCli(home(), {"--encoding", "cp932", "table", "20240112", "1", "出馬表"});
    ASSERT_EQ(card.code, ExitCode::Ok) << card.err;
    EXPECT_EQ(card.err, "");
    WindowCopy window(home(), 0);
    EXPECT_EQ(card.out, window.copy({MainPage::TabSheet2, 0, 0}));

    // The title, four race lines, the moment (the newest of the time list) and the
    // standard deviation, then the header row and one line per horse of 20 fields.
    const auto lines = crLfLines(card.out);
    const presentation::TextGrid& grid = window.window().grids()[presentation::GridId::StringGrid2];
    ASSERT_EQ(lines.size(), 6 + static_cast<std::size_t>(grid.rowCount()));
    EXPECT_TRUE(lines[0].starts_with(sj("[出馬表]"))) << toUtf8(lines[0]);
    EXPECT_EQ(lines[4], sj("選択時刻:") + times("1").back().substr(6));
    EXPECT_TRUE(lines[5].starts_with(sj("標準偏差："))) << toUtf8(lines[5]);
    EXPECT_EQ(lines[6].substr(0, 3), sj("枠") + "\t");
    for (std::size_t i = 6; i < lines.size(); ++i)
        EXPECT_EQ(fieldCount(lines[i]), 20u) << toUtf8(lines[i]);

    // UTF-8 by default: the same text, converted.
    const CliRun utf8 = runCli(home(), {"table", "20240112", "1", "出馬表"});
    EXPECT_EQ(utf8.out, toUtf8(card.out));
    EXPECT_NE(utf8.out, card.out);
}

TEST_F(CliTableTest, InnerPagesAreNamedByTheirTabs)
{
    WindowCopy window(home(), 1);
    const auto snapshots = times("2");
    ASSERT_GT(snapshots.size(), 1u);

    // 時系列ｵｯｽﾞ表 / 単勝: no time line; one row per snapshot after the header row.
    const CliRun win = runCli(home(), {"--encoding", "cp932", "table", "20240112", "2", "時系列ｵｯｽﾞ表", "単勝"});
    ASSERT_EQ(win.code, ExitCode::Ok) << win.err;
    EXPECT_EQ(win.out, window.copy({MainPage::TabSheet26, 0, 0}));
    const auto lines = crLfLines(win.out);
    EXPECT_TRUE(lines[0].starts_with(sj("[時系列オッズ表]-[単勝]")));
    EXPECT_EQ(lines[4], "");
    EXPECT_EQ(lines.size(), 5 + 1 + snapshots.size());
    // Left out, the inner page is the first, as each page control opens.
    EXPECT_EQ(runCli(home(), {"--encoding", "cp932", "table", "20240112", "2", "時系列ｵｯｽﾞ表"}).out, win.out);

    struct Case {
        std::vector<std::string> captions;
        ActivePage page;
        const char* title;
    };
    const std::vector<Case> cases{
        {{"時系列ｵｯｽﾞ表", "馬連"}, {MainPage::TabSheet26, 3, 0}, "[時系列オッズ表]-[馬連]"},
        {{"時系列得票表", "枠連"}, {MainPage::TabSheet13, 2, 0}, "[時系列得票表]-[枠連]"},
        {{"３系列オッズ表", "馬連(疑似)"}, {MainPage::TabSheet33, 3, 0}, "[３系列オッズ表]-[馬連(疑似)]"},
        {{"異常オッズ発見", "時差比較", "複勝"}, {MainPage::TabSheet50, 1, 1}, "[異常オッズ発見]-[時差比較]-[複勝]"},
        {{"異常オッズ発見"}, {MainPage::TabSheet50, 0, 0}, "[異常オッズ発見]-[単複比較]-[単÷複]"},
        {{"断層表", "複勝(低)"}, {MainPage::TabSheet10, 1, 0}, "[断層表：複勝(低)]"},
        {{"券種別オッズ比較"}, {MainPage::TabSheet38, 0, 0}, "[券種別オッズ比較表]"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"--encoding", "cp932", "table", "20240112", "2"};
        args.insert(args.end(), c.captions.begin(), c.captions.end());
        const CliRun r = runCli(home(), args);
        ASSERT_EQ(r.code, ExitCode::Ok) << c.title << r.err;
        EXPECT_TRUE(r.out.starts_with(sj(c.title))) << c.title;
        EXPECT_EQ(r.out, window.copy(c.page)) << c.title;
    }
}

TEST_F(CliTableTest, MatrixFollowsTheStoredOrderOfItsRows)
{
    IniFile ini(home() / "Tidemark2NV.ini");
    ini.writeInteger("Matrix", "Nin", 2);
    const CliRun matrix = runCli(home(), {"--encoding", "cp932", "table", "20240112", "3", "馬連マトリクス"});
    ini.writeInteger("Matrix", "Nin", 0);
    ASSERT_EQ(matrix.code, ExitCode::Ok) << matrix.err;
    EXPECT_TRUE(matrix.out.starts_with(sj("[馬連マトリクス](複勝(高)人気順) "))) << toUtf8(matrix.out);

    ini.writeInteger("Matrix", "Nin", 2);
    WindowCopy window(home(), 2);
    const std::string expected = window.copy({MainPage::TabSheet31, 0, 0});
    ini.writeInteger("Matrix", "Nin", 0);
    EXPECT_EQ(matrix.out, expected);
    // The default order differs.
    const CliRun byPopularity = runCli(home(), {"--encoding", "cp932", "table", "20240112", "3", "馬連マトリクス"});
    EXPECT_TRUE(byPopularity.out.starts_with(sj("[馬連マトリクス](単勝人気順) ")));
    EXPECT_NE(byPopularity.out.substr(byPopularity.out.find("\r\n")), matrix.out.substr(matrix.out.find("\r\n")));
}

TEST_F(CliTableTest, MomentSelectsAnEntryOfTheTimeList)
{
    const auto snapshots = times("1");
    ASSERT_GT(snapshots.size(), 2u);
    const std::string& first = snapshots.front();

    const CliRun newest = runCli(home(), {"--encoding", "cp932", "table", "20240112", "1", "出馬表"});
    const CliRun early = runCli(home(), {"--encoding", "cp932", "table", "20240112", "1", "出馬表", "--moment", first});
    ASSERT_EQ(early.code, ExitCode::Ok) << early.err;
    EXPECT_NE(early.out, newest.out);
    EXPECT_EQ(crLfLines(early.out)[4], sj("選択時刻:") + first.substr(6));
    EXPECT_EQ(early.out, WindowCopy(home(), 0, 0).copy({MainPage::TabSheet2, 0, 0}));

    // The last entry is the one the race opens with.
    const CliRun last = runCli(home(), {"--encoding", "cp932", "table", "20240112", "1", "出馬表", "--moment",
                                        snapshots.back()});
    EXPECT_EQ(last.out, newest.out);
    // A moment in the middle, on a moment page, for the race named by its track and number.
    const std::size_t middle = snapshots.size() / 2;
    WindowCopy window(home(), 0, static_cast<int>(middle));
    const MainPanelModel& panel = window.window().panel();
    const records::RecordView ra(panel.dayTable().slots[static_cast<std::size_t>(panel.raceEntries()[0].slot)].raRecord);
    const std::string byCode = std::string(ra.trackCode()) + ":" + std::to_string(ra.raceNumber());
    const CliRun gap = runCli(home(), {"--encoding", "cp932", "table", "20240112", byCode, "断層表", "馬連", "--moment",
                                       snapshots[middle]});
    ASSERT_EQ(gap.code, ExitCode::Ok) << gap.err;
    EXPECT_EQ(gap.out, window.copy({MainPage::TabSheet10, 3, 0}));
    EXPECT_EQ(crLfLines(gap.out)[4], sj("選択時刻:") + snapshots[middle].substr(6));
}

TEST_F(CliTableTest, RaceWithoutOddsCopiesItsCardButHasNoMoment)
{
    ASSERT_EQ(s_noOdds->code, ExitCode::Ok) << s_noOdds->err;
    EXPECT_TRUE(s_noOdds->out.starts_with("[出馬表]")) << s_noOdds->out;
    EXPECT_NE(s_noOdds->err.find("当レースはオッズが未取得です。"), std::string::npos);

    EXPECT_EQ(s_noOddsMoment->code, ExitCode::NotFound);
    EXPECT_EQ(s_noOddsMoment->out, "");
    EXPECT_EQ(outputLines(s_noOddsMoment->err).size(), 1u) << s_noOddsMoment->err;
    EXPECT_NE(s_noOddsMoment->err.find("unknown moment 01/12 12:20: 当レースはオッズが未取得です。"), std::string::npos)
        << s_noOddsMoment->err;
}

TEST_F(CliTableTest, RefusalsSayWhatWasWrongAndWriteNothing)
{
    const std::string firstMoment = times("1").front();
    struct Case {
        std::vector<std::string> args;
        ExitCode code;
        std::vector<const char*> inMessage;
    };
    const std::vector<Case> cases{
        {{"馬券"}, ExitCode::Usage, {"unknown page 馬券", "(pages with a table: 出馬表, ３系列オッズ表", "時系列得票表)"}},
        {{"時系列オッズ表"}, ExitCode::Usage, {"unknown page 時系列オッズ表", "時系列ｵｯｽﾞ表"}},
        {{"時系列ｵｯｽﾞ表", "複勝(低)"},
         ExitCode::Usage,
         {"unknown inner page 複勝(低) of 時系列ｵｯｽﾞ表 (its pages: 単勝, 複勝, 枠連, 馬連)"}},
        {{"異常オッズ発見", "時差比較", "単÷複"},
         ExitCode::Usage,
         {"unknown inner page 単÷複 of 異常オッズ発見 時差比較 (its pages: 単勝, 複勝)"}},
        {{"出馬表", "単勝"}, ExitCode::Usage, {"the page 出馬表 has no inner pages, so no 単勝"}},
        {{"断層表", "単勝", "低"}, ExitCode::Usage, {"the page 断層表 単勝 has no inner pages, so no 低"}},
        {{"成績結果"}, ExitCode::Usage, {"the page 成績結果 has no table to copy (pages with a table: 出馬表"}},
        {{"オッズ閲覧", "馬連"}, ExitCode::Usage, {"the page オッズ閲覧 馬連 has no table to copy"}},
        {{"馬連・枠連"}, ExitCode::Usage, {"the page 馬連・枠連 has no table"}},
        {{"出馬表", "--moment", "12:20"}, ExitCode::Usage, {"malformed --moment 12:20 (\"mm/dd hh:nn\""}},
        {{"出馬表", "--moment", "1/12 12:20"}, ExitCode::Usage, {"malformed --moment 1/12 12:20"}},
        {{"出馬表", "--moment", "13/12 12:20"}, ExitCode::Usage, {"malformed --moment 13/12"}},
        {{"出馬表", "--moment", "01/12 12:60"}, ExitCode::Usage, {"malformed --moment"}},
        {{"出馬表", "--moment", "01/12 04:00"},
         ExitCode::NotFound,
         {"unknown moment 01/12 04:00: not in the time list of race 1 (", firstMoment.c_str(), "see times)"}},
        {{"出馬表", "--moment"}, ExitCode::Usage, {"--moment needs a value"}},
        {{"出馬表", "単勝", "単勝", "単勝"}, ExitCode::Usage, {"too many arguments for table"}},
    };
    const auto before = folderContents(home());
    for (const Case& c : cases) {
        std::vector<std::string> args{"table", "20240112", "1"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliRun r = runCli(home(), args);
        EXPECT_EQ(r.code, c.code) << c.inMessage.front() << "\n" << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(outputLines(r.err).size(), 1u) << r.err;
        for (const char* part : c.inMessage)
            EXPECT_NE(r.err.find(part), std::string::npos) << part << "\n" << r.err;
    }
    // The day and the race as every command resolves them.
    const std::vector<std::pair<std::vector<std::string>, ExitCode>> others{
        {{"table", "20240113", "1", "出馬表"}, ExitCode::NotFound},
        {{"table", "20240112", "99", "出馬表"}, ExitCode::NotFound},
        {{"table", "20240112", "99:1", "出馬表"}, ExitCode::NotFound},
        {{"table", "20240112", "R1", "出馬表"}, ExitCode::Usage},
        {{"table", "20240112", "1"}, ExitCode::Usage},
        {{"times", "20240112", "1", "--moment", firstMoment}, ExitCode::Usage},
    };
    for (const auto& [args, code] : others) {
        const CliRun r = runCli(home(), args);
        EXPECT_EQ(r.code, code) << args[1] << " " << args[2] << "\n" << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(outputLines(r.err).size(), 1u) << r.err;
    }
    // Neither these nor a copy write anything: no log, no folder, no settings.
    EXPECT_EQ(runCli(home(), {"table", "20240112", "1", "出馬表", "--moment", firstMoment}).code, ExitCode::Ok);
    EXPECT_EQ(folderContents(home()), before);
}

TEST_F(CliTableTest, HelpNamesEveryPageWithATable)
{
    const CliRun help = runCli(home(), {"table", "--help"});
    EXPECT_EQ(help.code, ExitCode::Ok);
    EXPECT_TRUE(help.out.starts_with("tidemark2nv table DAY RACE PAGE [INNER [INNER2]] [--moment \"mm/dd hh:nn\"]"))
        << help.out;
    for (MainPage page : presentation::shownMainPages()) {
        const std::string caption = toUtf8(presentation::mainPageCaption(page));
        EXPECT_NE(help.out.find(caption), std::string::npos) << caption;
        // The tabs of every page with a table are named too.
        if (!presentation::copyTableFor(ActivePage{page, 0, 0}, {}))
            continue;
        for (const std::string& inner : presentation::innerPageCaptions(page)) {
            EXPECT_NE(help.out.find(toUtf8(inner)), std::string::npos) << caption << " " << toUtf8(inner);
        }
    }
    const CliRun all = runCli(home(), {"--help"});
    EXPECT_NE(all.out.find("  tidemark2nv table DAY RACE PAGE"), std::string::npos);
    EXPECT_NE(all.out.find("a moment not in the race's time list"), std::string::npos);
    EXPECT_NE(all.out.find("a page without a table"), std::string::npos);
}

} // namespace
} // namespace tidemark::testing
