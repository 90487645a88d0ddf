#pragma once
// The host of the headless tool: no windows. Information boxes become lines on the
// error stream (UTF-8), message boxes are kept for the command to report, a confirmation is always Yes (the command line already is the go-ahead),
// the busy cursor and the beep do nothing, and timers are kept so that the command
// that waits on one (the download polling of the stored-data import) can pump it.

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "host/host.h"
#include "host/posted_tasks.h"
#include "host/manual_timers.h"

namespace tidemark::cli {

using Clock = std::function<text::DateTime()>;

// This machine's local wall clock.
text::DateTime systemNow();

class CliHost : public Host {
public:
    // realTime: wait a timer's interval between its ticks (off in tests).
    CliHost(std::ostream& err, Clock clock, bool realTime);

    void information(std::string_view text) override;
    bool confirm(std::string_view text) override;
    void message(std::string_view text) override;
    void beep() override {}
    // Runs what workers posted.
    void processEvents() override { m_posted.runAll(); }
    void setBusyCursor(bool /*busy*/) override {}
    void post(std::function<void()> task) override { m_posted.post(std::move(task)); }
    // Waits only when it runs in real time (not in tests).
    void pause(std::chrono::milliseconds wait) override;
    std::unique_ptr<HostTimer> makeTimer(TimerId kind) override { return m_timers.make(kind); }
    // Nothing is handed to a desktop here.
    bool openWithDefault(const std::string& /*pathOrUrl*/) override { return false; }
    // Kept, not shown: only the command that asked about the race says it.
    void drawTransientText(int x, int y, std::string_view text) override;
    const std::string& transientText() const { return m_transient; }
    void clearTransientText() { m_transient.clear(); }
    // Kept for the command that copies a table to print it (CP932, as the window holds it).
    void setClipboardText(std::string_view text) override { m_clipboard = std::string(text); }
    const std::string& clipboardText() const { return m_clipboard; }
    text::DateTime now() const override { return m_clock(); }

    // Ticks the timers of the kind until none of them runs.
    void runTimer(TimerId kind);
    bool timerRunning(TimerId kind) const { return m_timers.running(kind); }

    // A progress line (CP932) on the error stream, unless it repeats the last one.
    void progress(std::string_view text);
    // A line of the tool's own (UTF-8) on the error stream.
    void note(std::string_view utf8);

    // Message boxes shown: the engine shows a platform file error in one.
    int messageBoxes() const { return m_messageBoxes; }
    // Texts of the information and message boxes, in order (CP932).
    const std::vector<std::string>& boxTexts() const { return m_boxTexts; }

private:
    void show(std::string_view cp932);

    std::ostream& m_err;
    Clock m_clock;
    bool m_realTime;
    ManualTimers m_timers;
    PostedTasks m_posted;
    std::vector<std::string> m_boxTexts;
    std::string m_lastProgress;
    std::string m_clipboard;
    std::string m_transient;
    int m_messageBoxes = 0;
};

} // namespace tidemark::cli
