#pragma once
// Everything the engine may ask of the desktop. Window models receive a Host and never
// touch the toolkit themselves; tests pass a recording host that scripts the answers.
// All texts are CP932.

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "text/date_time.h"

namespace tidemark {

// What a timer is for, named as the windows name their timers. Only a label: the desktop
// and the tests tell timers apart by it; any number of timers of one kind run side by side.
enum class TimerId {
    Timer4,        // automatic results fetch of the main window
    TimerNVStatus, // download polling of the stored-data import
    Timer1,        // one-second clipboard notice
    OddsWatchTimer, // the odds watch of race day: its heartbeat and its steps
    MoversTimer,    // the movers board following the clock: one refresh a minute
};

// A timer of the desktop, owned by whoever made it: nobody else can restart or stop it,
// and it never ticks after its owner (which holds it) is gone.
class HostTimer {
public:
    virtual ~HostTimer() = default;
    // (Re)starts; onTick runs on the UI thread at every period until stopped. A tick may
    // restart or stop its own timer.
    virtual void start(int intervalMs, std::function<void()> onTick) = 0;
    virtual void stop() = 0;
    virtual bool running() const = 0;
};

class Host {
public:
    virtual ~Host() = default;

    // Information box: information icon, OK.
    virtual void information(std::string_view text) = 0;
    // Confirmation box: question icon, Yes and No. True for Yes.
    virtual bool confirm(std::string_view text) = 0;
    // Plain message box: text and OK.
    virtual void message(std::string_view text) = 0;
    virtual void beep() = 0;

    // Lets repaints, clicks and timer ticks run during a long loop.
    virtual void processEvents() = 0;
    // How often a long loop gives the desktop its turn (FramePacer): about a frame where
    // something is drawn; zero, at every turn, where nothing is (the turn costs nothing
    // there, and every progress text is kept).
    virtual std::chrono::milliseconds frameInterval() const { return std::chrono::milliseconds(0); }
    // The steady clock the pacing reads (not the wall clock: it never jumps).
    virtual std::chrono::steady_clock::time_point steadyNow() const { return std::chrono::steady_clock::now(); }
    virtual void setBusyCursor(bool busy) = 0;
    // A loop whose service is not ready yet: the desktop has its turn and a little time
    // passes before the loop asks again, rather than asking at once without end.
    virtual void pause(std::chrono::milliseconds wait);

    // A new timer, stopped, for its owner alone.
    virtual std::unique_ptr<HostTimer> makeTimer(TimerId kind) = 0;

    // Runs `task` on the UI thread after what is already waiting there; callable from any
    // thread (a worker hands its progress and its result back this way).
    virtual void post(std::function<void()> task) = 0;

    // Hands a file (UTF-8 path) or a web address to the desktop's default program.
    virtual bool openWithDefault(const std::string& pathOrUrl) = 0;

    // Draws a transient text on the main window surface (no control of its own).
    virtual void drawTransientText(int x, int y, std::string_view text) = 0;
    // Takes the transient texts away again, as the next painting of the window would.
    virtual void clearTransientTexts() {}

    virtual void setClipboardText(std::string_view text) = 0;

    // Local wall clock.
    virtual text::DateTime now() const = 0;
    text::DateTime today() const
    {
        text::DateTime t = now();
        t.hour = t.minute = t.second = 0;
        return t;
    }
};

} // namespace tidemark
