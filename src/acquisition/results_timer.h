#pragma once
// The automatic results acquisition of the main window: while today's race day is
// loaded, Timer4 repeats the silent results fetch every Time/AutoRdataGet minutes, from
// a little before the first post of the day until 18:00.

#include <functional>
#include <memory>
#include <string>

#include "host/host.h"
#include "settings/ini_file.h"

namespace tidemark::acquisition {

class ResultsTimer {
public:
    // fetchSilently: the main window's results fetch, run without beeps.
    ResultsTimer(Host& host, const IniFile& settings, std::function<void()> fetchSilently);

    // A day is being loaded: the timer stops until dayLoaded.
    void stop();
    // The day `dayLabel` ('yyyy"年"mm"月"dd"日"') is loaded; slot0Ra is its first race
    // card, whose post time sets the start of the fetching window. Runs the timer only
    // when the day is today.
    void dayLoaded(std::string_view dayLabel, std::string_view slot0Ra);

    // Timer4 tick.
    void Timer4Timer();
    // A tick of a timer started elsewhere: the loaded day's first post comes from slot 0.
    void Timer4Timer(std::string_view slot0Ra);

    bool running() const noexcept { return m_running; }
    int intervalMinutes() const noexcept { return m_intervalMinutes; }

private:
    Host& m_host;
    std::unique_ptr<HostTimer> m_timer4 = m_host.makeTimer(TimerId::Timer4);
    const IniFile& m_settings;
    std::function<void()> m_fetchSilently;
    std::string m_firstPost;
    int m_intervalMinutes = 0;
    bool m_running = false;
};

} // namespace tidemark::acquisition
