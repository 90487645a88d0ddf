#pragma once
// A host for runs without a desktop (benchmarks, fuzzing, the manual's pictures): it shows
// nothing, gives fixed answers, keeps the timers for the caller to tick and reads a clock
// the caller sets.

#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "host/host.h"
#include "host/posted_tasks.h"

namespace tidemark {

class SilentHost : public Host {
public:
    void information(std::string_view) override {}
    bool confirm(std::string_view) override { return confirmAnswer; }
    void message(std::string_view text) override { lastMessage = std::string(text); }
    void beep() override {}
    // Runs what workers posted.
    void processEvents() override { m_posted.runAll(); }
    void setBusyCursor(bool) override {}
    void startTimer(TimerId id, int, std::function<void()> onTick) override { m_timers[id] = std::move(onTick); }
    void stopTimer(TimerId id) override { m_timers.erase(id); }
    void post(std::function<void()> task) override { m_posted.post(std::move(task)); }
    bool openWithDefault(const std::string&) override { return openAnswer; }
    void drawTransientText(int, int, std::string_view) override {}
    void setClipboardText(std::string_view) override {}
    text::DateTime now() const override { return clock; }

    // Runs one tick of a running timer; false when it is not running.
    bool fire(TimerId id)
    {
        auto it = m_timers.find(id);
        if (it == m_timers.end())
            return false;
        auto tick = it->second; // a tick may stop its own timer
        tick();
        return true;
    }

    bool confirmAnswer = true;
    bool openAnswer = false;
    text::DateTime clock{2024, 1, 15, 12, 0, 0};
    std::string lastMessage;

private:
    std::map<TimerId, std::function<void()>> m_timers;
    PostedTasks m_posted;
};

} // namespace tidemark
