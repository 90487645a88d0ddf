#pragma once
// The one data-service component of the program, shared by every window that talks
// to it. The service keeps one transfer open at a time, and the windows pump events
// while they read, so a timer tick or a click could otherwise start a second
// transfer in the middle of the first one. Every acquisition claims the channel for
// its whole run; a second one is refused while the claim is held.
//
// The channel also carries the real-time cancel flag: the batch odds window's cancel
// button sets it and every real-time read loop stops on it.

#include <string>

#include "service/nv_link.h"

namespace tidemark::acquisition {

class NvChannel {
public:
    explicit NvChannel(NvLink& link) noexcept : m_link(link) {}
    NvChannel(const NvChannel&) = delete;
    NvChannel& operator=(const NvChannel&) = delete;

    NvLink& link() noexcept { return m_link; }

    // True while an acquisition holds the channel.
    bool busy() const noexcept { return m_busy; }
    // Claims the channel; false (and nothing changes) while another acquisition holds it.
    bool tryClaim() noexcept;
    void release() noexcept { m_busy = false; }

    bool cancelRequested() const noexcept { return m_cancel; }
    void requestCancel() noexcept { m_cancel = true; }
    void clearCancel() noexcept { m_cancel = false; }

    // Holds the channel for one scope.
    class Claim {
    public:
        explicit Claim(NvChannel& channel) noexcept : m_channel(channel), m_held(channel.tryClaim()) {}
        ~Claim()
        {
            if (m_held)
                m_channel.release();
        }
        Claim(const Claim&) = delete;
        Claim& operator=(const Claim&) = delete;
        explicit operator bool() const noexcept { return m_held; }

    private:
        NvChannel& m_channel;
        bool m_held;
    };

private:
    NvLink& m_link;
    bool m_busy = false;
    bool m_cancel = false;
};

// Shown when the user starts an acquisition while another one is still running (CP932).
std::string busyRefusalText();

} // namespace tidemark::acquisition
