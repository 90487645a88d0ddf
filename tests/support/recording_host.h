#pragma once
// A Host for tests: records every box, beep, timer and clipboard text, answers
// confirmation boxes from a script (Yes when the script is empty), and has a clock
// the test sets.

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host/host.h"
#include "host/posted_tasks.h"

namespace tidemark::testing {

class RecordingHost : public Host {
public:
    enum class BoxKind { Information, Confirm, Message };
    struct Box {
        BoxKind kind;
        std::string text; // CP932
    };
    struct Timer {
        bool running = false;
        int intervalMs = 0;
        std::function<void()> onTick;
    };

    void information(std::string_view text) override;
    bool confirm(std::string_view text) override;
    void message(std::string_view text) override;
    void beep() override { ++beeps; }
    void processEvents() override;
    void setBusyCursor(bool busy) override { busyCursor = busy; }
    void startTimer(TimerId id, int intervalMs, std::function<void()> onTick) override;
    void stopTimer(TimerId id) override;
    // Posted tasks run at the next processEvents or runPostedUntil.
    void post(std::function<void()> task) override { posted.post(std::move(task)); }
    bool openWithDefault(const std::string& pathOrUrl) override;
    void drawTransientText(int x, int y, std::string_view text) override;
    void clearTransientTexts() override { ++transientClears; }
    void setClipboardText(std::string_view text) override { clipboard = std::string(text); }
    text::DateTime now() const override { return clock; }
    std::chrono::milliseconds frameInterval() const override { return frame; }
    std::chrono::steady_clock::time_point steadyNow() const override { return steady; }

    // Fires a running timer once; false when it is not running.
    bool fire(TimerId id);
    bool timerRunning(TimerId id) const;
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
    std::map<TimerId, Timer> timers;
    std::string clipboard;
    int beeps = 0;
    int transientClears = 0;
    int eventPumps = 0;
    bool busyCursor = false;
    bool openSucceeds = true;
    text::DateTime clock{2024, 1, 15, 12, 0, 0};
    // A desktop that takes a long loop's turns once a frame, on a steady clock the test
    // moves; a frame of 0 (the default) takes every turn.
    std::chrono::milliseconds frame{0};
    std::chrono::steady_clock::time_point steady{};
};

} // namespace tidemark::testing
