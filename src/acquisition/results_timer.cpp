#include "acquisition/results_timer.h"

#include <algorithm>

#include "records/record_view.h"
#include "settings/settings_keys.h"
#include "text/cp932.h"
#include "text/date_time.h"
#include "text/text_functions.h"

namespace tidemark::acquisition {

namespace {
// Results stop changing in the evening.
constexpr std::string_view kLastTick = "1800";
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

void ResultsTimer::dayLoaded(std::string_view dayLabel, std::string_view slot0Ra)
{
    stop();
    // A hand-edited interval of 0 or less would fire the service without pause.
    m_intervalMinutes = std::max(1, settings::TimeAutoRdataGetTimer.read(m_settings));
    m_firstPost = std::string(records::RaView(slot0Ra).startTime());
    const std::string today = text::formatDateTime(text::sj("yyyy\"年\"mm\"月\"dd\"日\""), m_host.now());
    if (dayLabel != today)
        return;
    m_timer4->start(m_intervalMinutes * 60 * 1000, [this] { Timer4Timer(); });
    m_running = true;
}

void ResultsTimer::Timer4Timer(std::string_view slot0Ra)
{
    m_firstPost = std::string(records::RaView(slot0Ra).startTime());
    Timer4Timer();
}

void ResultsTimer::Timer4Timer()
{
    const std::string now = text::formatDateTime("hhnn", m_host.now());
    const int minutes = settings::TimeAutoRdataGetTimer.read(m_settings);
    const std::string from = text::addMinutes(m_firstPost, -(minutes + 30));
    if (now <= kLastTick && now > from && m_fetchSilently)
        m_fetchSilently();
}

} // namespace tidemark::acquisition
