#pragma once
// The automatic results acquisition of the main window: while today's race day is
// loaded, Timer4 repeats the silent results fetch every Time/AutoRdataGet minutes, from
// a little before the day's earliest post (over every race card of the day, whatever
// track runs first) until 18:00, or until half an hour after the day's last post when
// night races run later than that.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/host.h"
#include "settings/ini_file.h"

namespace tidemark::acquisition {

class ResultsTimer {
public:
    // Results stop changing in the evening; night races move the end on.
    static constexpr int kLastMinute = 18 * 60;
    static constexpr int kAfterLastPostMinutes = 30;

    // fetchSilently: the main window's results fetch, run without beeps.
    ResultsTimer(Host& host, const IniFile& settings, std::function<void()> fetchSilently);

    // A day is being loaded: the timer stops until dayLoaded.
    void stop();
    // The day `dayLabel` ('yyyy"年"mm"月"dd"日"') is loaded with its race cards (blank
    // slots allowed), whose post times set the fetching window. Runs the timer only when
    // the day is today.
    void dayLoaded(std::string_view dayLabel, const std::vector<std::string_view>& raceCards);

    // Timer4 tick.
    void Timer4Timer();
    // A tick of a timer started elsewhere: the loaded day's race cards come with it.
    void Timer4Timer(const std::vector<std::string_view>& raceCards);

    bool running() const noexcept { return m_running; }
    int intervalMinutes() const noexcept { return m_intervalMinutes; }

private:
    void takePosts(const std::vector<std::string_view>& raceCards);

    Host& m_host;
    std::unique_ptr<HostTimer> m_timer4 = m_host.makeTimer(TimerId::Timer4);
    const IniFile& m_settings;
    std::function<void()> m_fetchSilently;
    int m_firstPost = -1; // minutes after midnight; -1 when no card has a post time
    int m_lastPost = -1;
    int m_intervalMinutes = 0;
    bool m_running = false;
};

} // namespace tidemark::acquisition
