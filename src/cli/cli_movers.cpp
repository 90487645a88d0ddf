// The movers board from the command line: the window "オッズ急変" over a stored day at a
// clock time, its copy printed instead of put on the clipboard.

#include "cli/cli_session.h"

#include <algorithm>

#include "analytics/movers_board.h"
#include "presentation/movers_board_model.h"
#include "text/cp932.h"
#include "text/date_time.h"
#include "text/number_format.h"

namespace tidemark::cli {

ExitCode commandMovers(Session& s)
{
    const std::string* at = s.inv().option("--at");
    if (!at)
        throw CommandError(ExitCode::Usage, "movers needs --at hhmm, the clock time of the board");
    const int minute = text::minuteOfHhmm(*at);
    if (minute < 0)
        throw CommandError(ExitCode::Usage, "malformed --at " + *at + " (hhmm, a time of day)");
    int windowIndex = -1;
    if (const std::string* w = s.inv().option("--window")) {
        std::int32_t n = 0;
        const auto& windows = analytics::kMoversWindows;
        const auto it = text::tryParseInt32(*w, n) ? std::find(windows.begin(), windows.end(), n) : windows.end();
        if (it == windows.end())
            throw CommandError(ExitCode::Usage, "malformed --window " + *w + " (5, 10, 15 or 30 minutes)");
        windowIndex = static_cast<int>(it - windows.begin());
    }
    std::optional<int> top;
    if (const std::string* k = s.inv().option("--top")) {
        std::int32_t n = 0;
        if (!text::tryParseInt32(*k, n) || n < 1)
            throw CommandError(ExitCode::Usage, "malformed --top " + *k + " (a number of rows, 1 or more)");
        top = n;
    }

    s.loadDay(s.inv().positional[0]);
    presentation::MoversBoardModel board(s.host(), s.ini(), s.panel(), {});
    const int boxes = s.host().messageBoxes();
    board.open();
    if (windowIndex >= 0)
        board.selectWindow(windowIndex);
    board.TimeEditChange(minute);
    failOnFileBox(s, boxes);
    if (board.board().oddsFiles == 0)
        throw CommandError(ExitCode::NotFound, "no odds are stored for the day " + s.inv().positional[0] +
                                                   " (see odds)");
    s.emit(board.clipboardText(top));
    return ExitCode::Ok;
}

} // namespace tidemark::cli
