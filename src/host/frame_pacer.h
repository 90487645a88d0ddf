#pragma once
// Paces the turns a long loop gives the desktop. Repainting the window and looking for
// clicks after every record costs far more than the record itself; once a frame is as
// quick for the eye and for a cancel, which is seen at the first turn after the click.
// What a loop changes between two turns is shown at the next one.

#include <chrono>
#include <optional>

#include "host/host.h"

namespace tidemark {

class FramePacer {
public:
    explicit FramePacer(const Host& host) : m_host(host) {}

    // False when the host takes every turn: then every change is shown as it happens.
    bool paced() const { return m_host.frameInterval() > std::chrono::milliseconds(0); }

    // True when the desktop is due its turn: always the first time after restart(), then
    // once a frame has passed since the last turn given.
    bool due()
    {
        const std::chrono::milliseconds frame = m_host.frameInterval();
        if (frame <= std::chrono::milliseconds(0))
            return true;
        const auto now = m_host.steadyNow();
        if (m_last && now - *m_last < frame)
            return false;
        m_last = now;
        return true;
    }

    // The next due() is true: a new loop begins with a turn.
    void restart() { m_last.reset(); }
    // A turn was given outside the loop's pace (before a request): the next is a frame on.
    void turnGiven()
    {
        if (paced())
            m_last = m_host.steadyNow();
    }

private:
    const Host& m_host;
    std::optional<std::chrono::steady_clock::time_point> m_last;
};

} // namespace tidemark
