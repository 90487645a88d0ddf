#pragma once
// The one data-service component of the program, shared by every window that talks
// to it. The service keeps one transfer open at a time, and the windows pump events
// while they read, so a timer tick or a click could otherwise start a second
// transfer in the middle of the first one. Every acquisition claims the channel for
// its whole run; a second one is refused while the claim is held.
//
// Background work (the odds watch) holds the channel on weaker terms: it gives way. A
// user's acquisition that starts while the watch reads takes the channel at once; the
// channel first asks the watch to close what it has open, and the watch, when its read
// loop gets control back, finds that its claim is gone and leaves the service alone.
// The user's own fetch or import therefore goes first and the watch waits.
//
// The channel also carries the real-time cancel flag: the batch odds window's cancel
// button sets it and every real-time read loop stops on it.

#include <cstdint>
#include <functional>
#include <string>

#include "host/host.h"
#include "service/nv_link.h"

namespace tidemark::acquisition {

class NvChannel {
public:
    explicit NvChannel(NvLink& link) noexcept : m_link(link) {}
    NvChannel(const NvChannel&) = delete;
    NvChannel& operator=(const NvChannel&) = delete;

    NvLink& link() noexcept { return m_link; }

    // True while a user's acquisition holds the channel (background work gives way, so
    // it does not count).
    bool busy() const noexcept { return m_holder == Holder::User; }
    // True while anyone holds it, background work included.
    bool held() const noexcept { return m_holder != Holder::None; }
    // Claims the channel for a user's acquisition; false (and nothing changes) while
    // another user's acquisition holds it. Background work that holds it gives way first.
    bool tryClaim() noexcept;
    // Ends a user's claim.
    void release() noexcept;

    bool cancelRequested() const noexcept { return m_cancel; }
    // Also stops a wait for an answer of the service that is under way (the read loops
    // call it while they pump events).
    void requestCancel() noexcept
    {
        m_cancel = true;
        m_link.stopWaiting();
    }
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

    // Holds the channel for background work for one scope, unless someone holds it
    // already. `giveWay` runs when a user's acquisition takes the channel away meanwhile
    // (inside that acquisition's claim): it closes what the background work has open.
    class BackgroundClaim {
    public:
        BackgroundClaim(NvChannel& channel, std::function<void()> giveWay);
        ~BackgroundClaim();
        BackgroundClaim(const BackgroundClaim&) = delete;
        BackgroundClaim& operator=(const BackgroundClaim&) = delete;

        // The claim was granted and has not been taken away: the service may be called.
        bool held() const noexcept;
        explicit operator bool() const noexcept { return held(); }
        // It was granted and then taken away by a user's acquisition.
        bool lost() const noexcept { return m_granted && !held(); }

    private:
        NvChannel& m_channel;
        std::uint64_t m_generation = 0;
        bool m_granted = false;
    };

private:
    enum class Holder { None, User, Background };

    NvLink& m_link;
    Holder m_holder = Holder::None;
    // Counts the claims, so that a background claim knows whether it is still the one.
    std::uint64_t m_generation = 0;
    std::function<void()> m_giveWay;
    bool m_cancel = false;
};

// Shown when the user starts an acquisition while another one is still running (CP932).
std::string busyRefusalText();
// The refusal as the user meets it: a beep and that box.
void refuseWhileBusy(Host& host);

} // namespace tidemark::acquisition
