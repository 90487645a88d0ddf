#include "acquisition/results_timer.h"

#include <algorithm>

#include "records/record_view.h"
#include "settings/settings_keys.h"
#include "text/cp932.h"
#include "text/date_time.h"

namespace tidemark::acquisition {

namespace {
// The timer's period as it runs: a hand-edited 0 or less would fire without pause.
int periodMinutes(const IniFile& settings) { return std::max(1, settings::TimeAutoRdataGetTimer.read(settings)); }
} // namespace

ResultsTimer::ResultsTimer(Host& host, const IniFile& settings, std::function<void()> fetchSilently)
    : m_host(host), m_settings(settings), m_fetchSilently(std::move(fetchSilently))
{
}

void ResultsTimer::stop()
{
    m_timer4->stop();
    m_running = false;
}

void ResultsTimer::takePosts(const std::vector<std::string_view>& raceCards)
{
    m_firstPost = -1;
    m_lastPost = -1;
    for (std::string_view card : raceCards) {
        const records::RaView ra(card);
        if (!ra.isRace() || ra.raceNumber() <= 0)
            continue;
        const int post = text::minuteOfHhmm(ra.startTime());
        if (post < 0)
            continue;
        m_firstPost = m_firstPost < 0 ? post : std::min(m_firstPost, post);
        m_lastPost = std::max(m_lastPost, post);
    }
}

void ResultsTimer::dayLoaded(std::string_view dayLabel, const std::vector<std::string_view>& raceCards)
{
    stop();
    m_intervalMinutes = periodMinutes(m_settings);
    takePosts(raceCards);
    const std::string today = text::formatDateTime(text::sj("yyyy\"年\"mm\"月\"dd\"日\""), m_host.now());
    if (dayLabel != today)
        return;
    m_timer4->start(m_intervalMinutes * 60 * 1000, [this] { Timer4Timer(); });
    m_running = true;
}

void ResultsTimer::Timer4Timer(const std::vector<std::string_view>& raceCards)
{
    takePosts(raceCards);
    Timer4Timer();
}

void ResultsTimer::Timer4Timer()
{
    if (m_firstPost < 0 || !m_fetchSilently)
        return; // no race with a post time: no result to wait for
    const text::DateTime t = m_host.now();
    const int now = t.hour * 60 + t.minute;
    // From one period and half an hour before the first post (exclusive) ...
    const int from = m_firstPost - (periodMinutes(m_settings) + 30);
    // ... to 18:00, or half an hour after a later last post (within the day).
    const int until = std::min(24 * 60 - 1, std::max(kLastMinute, m_lastPost + kAfterLastPostMinutes));
    if (now > from && now <= until)
        m_fetchSilently();
}

} // namespace tidemark::acquisition
