#pragma once
// A Host for tests: records every box, beep, timer and clipboard text, answers
// confirmation boxes from a script (Yes when the script is empty), and has a clock
// the test sets.

#include <chrono>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "host/host.h"
#include "host/manual_timers.h"
#include "host/posted_tasks.h"

namespace tidemark::testing {

class RecordingHost : public Host {
public:
    enum class BoxKind { Information, Confirm, Message };
    struct Box {
        BoxKind kind;
        std::string text; // CP932
    };

    void information(std::string_view text) override;
    bool confirm(std::string_view text) override;
    void message(std::string_view text) override;
    void beep() override { ++beeps; }
    void processEvents() override;
    void setBusyCursor(bool busy) override { busyCursor = busy; }
    // Posted tasks run at the next processEvents or runPostedUntil.
    void post(std::function<void()> task) override { posted.post(std::move(task)); }
    // Counted, not waited: the desktop's turn is taken (processEvents) and no time passes.
    void pause(std::chrono::milliseconds wait) override;
    std::unique_ptr<HostTimer> makeTimer(TimerId kind) override { return timers.make(kind); }
    bool openWithDefault(const std::string& pathOrUrl) override;
    void drawTransientText(int x, int y, std::string_view text) override;
    void clearTransientTexts() override { ++transientClears; }
    void setClipboardText(std::string_view text) override { clipboard = std::string(text); }
    text::DateTime now() const override { return clock; }
    std::chrono::milliseconds frameInterval() const override { return frame; }
    std::chrono::steady_clock::time_point steadyNow() const override { return steady; }

    // Fires every running timer of the kind once; false when none is running.
    bool fire(TimerId kind) { return timers.fire(kind); }
    bool timerRunning(TimerId kind) const { return timers.running(kind); }
    // Runs the posted tasks as they come, as the UI thread would, until `done` holds;
    // false when it still does not after `timeout`.
    bool runPostedUntil(const std::function<bool()>& done,
                        std::chrono::milliseconds timeout = std::chrono::seconds(20));

    // Texts of all boxes, in order (CP932).
    std::vector<std::string> boxTexts() const;

    PostedTasks posted;
    std::deque<bool> confirmAnswers; // scripted answers, front first
    std::function<void()> onProcessEvents; // lets a test act "during" a long loop
    // Runs while an information or plain box is "open" (a desktop box runs events).
    std::function<void(const Box&)> onBox;
    std::vector<Box> boxes;
    std::vector<std::string> opened;
    std::vector<std::string> transientTexts;
    ManualTimers timers;
    std::string clipboard;
    int beeps = 0;
    int transientClears = 0;
    int eventPumps = 0;
    std::vector<std::chrono::milliseconds> pauses;
    bool busyCursor = false;
    bool openSucceeds = true;
    text::DateTime clock{2024, 1, 15, 12, 0, 0};
    // A desktop that takes a long loop's turns once a frame, on a steady clock the test
    // moves; a frame of 0 (the default) takes every turn.
    std::chrono::milliseconds frame{0};
    std::chrono::steady_clock::time_point steady{};
};

} // namespace tidemark::testing
