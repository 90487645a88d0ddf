// The clipboard copy from the command line: the main window's model over the program
// folder, the day and race chosen, a moment of the time list selected, the page named
// by its tab captions in front, and the copy button pressed; the text it copies goes to
// stdout instead of the clipboard.

#include "cli/cli_session.h"

#include <algorithm>

#include "presentation/main_window_model.h"
#include "presentation/page_captions.h"
#include "service/null_nv_link.h"
#include "text/cp932.h"

namespace tidemark::cli {

namespace {

using presentation::ActivePage;
using presentation::PageLookup;

std::string joined(const std::vector<std::string>& cp932)
{
    std::string out;
    for (const std::string& c : cp932)
        out += (out.empty() ? "" : ", ") + text::toUtf8(c);
    return out;
}

bool hasTable(const ActivePage& page) { return presentation::copyTableFor(page, {}).has_value(); }

// The pages of PageControl1 whose first inner page holds a table.
std::string pagesWithTable()
{
    std::vector<std::string> captions;
    for (presentation::MainPage page : presentation::shownMainPages())
        if (hasTable(ActivePage{page, 0, 0}))
            captions.push_back(presentation::mainPageCaption(page));
    return joined(captions);
}

// The captions of the page control at `level` below the pages found so far.
std::vector<std::string> tabsAt(const PageLookup& found)
{
    return found.level == 1 ? presentation::innerPageCaptions(found.page.page)
                            : presentation::innerInnerPageCaptions(found.page.page, found.page.inner);
}

// The page that PAGE [INNER [INNER2]] name; a usage error for anything that is no tab of
// the window or holds no table.
ActivePage pageOf(const std::vector<std::string>& args)
{
    std::vector<std::string> captions;
    for (const std::string& a : args)
        captions.push_back(text::fromUtf8(a));
    const PageLookup found = presentation::findPage(captions);
    // "出馬表 単勝": the captions up to the level that went wrong, as the user wrote them.
    std::string named;
    for (int i = 0; i < found.level; ++i)
        named += (i > 0 ? " " : "") + args[static_cast<std::size_t>(i)];
    const std::string& wrong = args[static_cast<std::size_t>(found.level)];
    switch (found.outcome) {
    case PageLookup::Outcome::Found:
        break;
    case PageLookup::Outcome::Unknown:
        if (found.level == 0)
            throw CommandError(ExitCode::Usage, "unknown page " + wrong + " (pages with a table: " + pagesWithTable() + ")");
        throw CommandError(ExitCode::Usage, "unknown inner page " + wrong + " of " + named + " (its pages: " +
                                                joined(tabsAt(found)) + ")");
    case PageLookup::Outcome::NoPagesInside:
        throw CommandError(ExitCode::Usage, "the page " + named + " has no inner pages, so no " + wrong);
    }
    if (!hasTable(found.page)) {
        std::string all = args.front();
        for (std::size_t i = 1; i < args.size(); ++i)
            all += " " + args[i];
        throw CommandError(ExitCode::Usage, "the page " + all + " has no table to copy (pages with a table: " +
                                                pagesWithTable() + ")");
    }
    return found.page;
}

bool digits(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "mm/dd hh:nn", the form of the time list.
bool wellFormedMoment(std::string_view m)
{
    if (m.size() != 11 || m[2] != '/' || m[5] != ' ' || m[8] != ':')
        return false;
    for (std::size_t at : {0u, 3u, 6u, 9u})
        if (!digits(m.substr(at, 2)))
            return false;
    const int month = std::stoi(std::string(m.substr(0, 2)));
    const int day = std::stoi(std::string(m.substr(3, 2)));
    const int hour = std::stoi(std::string(m.substr(6, 2)));
    const int minute = std::stoi(std::string(m.substr(9, 2)));
    return month >= 1 && month <= 12 && day >= 1 && day <= 31 && hour <= 23 && minute <= 59;
}

} // namespace

ExitCode commandTable(Session& s)
{
    const std::vector<std::string>& args = s.inv().positional;
    // What can be told from the command line alone is told before anything is read.
    const ActivePage page = pageOf(std::vector<std::string>(args.begin() + 2, args.end()));
    const std::string* moment = s.inv().option("--moment");
    if (moment && !wellFormedMoment(*moment))
        throw CommandError(ExitCode::Usage, "malformed --moment " + *moment + " (\"mm/dd hh:nn\", as times lists it)");

    // Reading the store needs no data service, and the window's start-up writes (the
    // log's start line, the folders) have no place in a copy.
    NullNvLink link;
    MainWindowModel window(s.host(), link, s.home());
    window.restoreViewSettings();
    MainPanelModel& panel = window.panel();
    s.loadDay(args[0], panel);
    s.openRace(args[1], panel);

    if (moment) {
        const auto& items = panel.TimeCombo().items;
        const auto it = std::find(items.rbegin(), items.rend(), text::fromUtf8(*moment));
        if (it == items.rend()) {
            if (items.empty())
                throw CommandError(ExitCode::NotFound, "unknown moment " + *moment + ": " +
                                                           text::toUtf8(MainPanelModel::noOddsText()));
            throw CommandError(ExitCode::NotFound, "unknown moment " + *moment + ": not in the time list of race " +
                                                       args[1] + " (" + text::toUtf8(items.front()) + " to " +
                                                       text::toUtf8(items.back()) + ", see times)");
        }
        const int boxes = s.host().messageBoxes();
        panel.TimeComboClick(static_cast<int>(items.rend() - it) - 1);
        failOnFileBox(s, boxes);
    } else if (!s.host().transientText().empty()) {
        // A race without odds: what the window writes on its surface; its race card still copies.
        s.host().note(text::toUtf8(s.host().transientText()));
    }

    window.clipboard().ClipBtn1Click(page);
    s.emit(s.host().clipboardText());
    return ExitCode::Ok;
}

} // namespace tidemark::cli
