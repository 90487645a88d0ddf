#pragma once
// A host for runs without a desktop (benchmarks, fuzzing, the manual's pictures): it shows
// nothing, gives fixed answers, keeps the timers for the caller to tick and reads a clock
// the caller sets.

#include <string>
#include <string_view>

#include "host/host.h"
#include "host/posted_tasks.h"
#include "host/manual_timers.h"

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
    void post(std::function<void()> task) override { m_posted.post(std::move(task)); }
    void pause(std::chrono::milliseconds) override {}
    std::unique_ptr<HostTimer> makeTimer(TimerId kind) override { return m_timers.make(kind); }
    bool openWithDefault(const std::string&) override { return openAnswer; }
    void drawTransientText(int, int, std::string_view) override {}
    void setClipboardText(std::string_view) override {}
    text::DateTime now() const override { return clock; }

    // Runs one tick of every running timer of the kind; false when none is running.
    bool fire(TimerId kind) { return m_timers.fire(kind); }

    bool confirmAnswer = true;
    bool openAnswer = false;
    text::DateTime clock{2024, 1, 15, 12, 0, 0};
    std::string lastMessage;

private:
    ManualTimers m_timers;
    PostedTasks m_posted;
};

} // namespace tidemark
