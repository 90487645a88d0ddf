#pragma once
// The timers of a host without an event loop (the tests, the headless tool, benchmarks,
// fuzzing): they tick only when the one who drives the host fires them, by kind. Each
// owner still has its own timer: firing a kind ticks every running timer of that kind.

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "host/host.h"

namespace tidemark {

class ManualTimers {
public:
    std::unique_ptr<HostTimer> make(TimerId kind);

    // Ticks every timer of the kind that is running, once each; a timer stopped or
    // destroyed by an earlier tick is left out. False when none was running.
    bool fire(TimerId kind);
    bool running(TimerId kind) const;
    std::size_t runningCount(TimerId kind) const;
    // The period of the timer of the kind that was started last (running ones first);
    // 0 when there is none.
    int intervalMs(TimerId kind) const;

    struct State {
        TimerId kind;
        bool running = false;
        bool alive = true;
        int intervalMs = 0;
        unsigned long startOrder = 0;
        std::function<void()> onTick;
    };

private:
    std::vector<std::shared_ptr<State>> m_timers;
    unsigned long m_starts = 0;
};

} // namespace tidemark
