#include "cli/cli_host.h"

#include <chrono>
#include <ostream>
#include <thread>

#include "text/cp932.h"
#include "text/system_places.h"

namespace tidemark::cli {

text::DateTime systemNow() { return text::localNow(); }

CliHost::CliHost(std::ostream& err, Clock clock, bool realTime)
    : m_err(err), m_clock(clock ? std::move(clock) : Clock(systemNow)), m_realTime(realTime)
{
}

void CliHost::show(std::string_view cp932)
{
    // Boxes break their lines with CR LF; a terminal wants LF.
    std::string utf8 = text::toUtf8(cp932);
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n')
            continue;
        out += utf8[i];
    }
    note(out);
}

void CliHost::information(std::string_view text)
{
    m_boxTexts.emplace_back(text);
    show(text);
}

void CliHost::message(std::string_view text)
{
    // The engine shows a platform file error in a message box; the command that ran
    // into it reports it as its error line, so it is not shown twice.
    ++m_messageBoxes;
    m_boxTexts.emplace_back(text);
}

bool CliHost::confirm(std::string_view /*text*/) { return true; }

void CliHost::pause(std::chrono::milliseconds wait)
{
    if (m_realTime)
        std::this_thread::sleep_for(wait);
}

void CliHost::runTimer(TimerId kind)
{
    while (m_timers.running(kind)) {
        if (m_realTime)
            std::this_thread::sleep_for(std::chrono::milliseconds(m_timers.intervalMs(kind)));
        m_timers.fire(kind);
    }
}

void CliHost::drawTransientText(int /*x*/, int /*y*/, std::string_view text) { m_transient = std::string(text); }

void CliHost::progress(std::string_view text)
{
    if (text.empty() || text == m_lastProgress)
        return;
    m_lastProgress = std::string(text);
    note(text::toUtf8(text));
}

void CliHost::note(std::string_view utf8)
{
    m_err << "tidemark2nv: " << utf8 << '\n';
    m_err.flush();
}

} // namespace tidemark::cli
