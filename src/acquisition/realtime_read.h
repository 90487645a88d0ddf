#pragma once
// The read loop of one real-time transfer, shared by the odds watch, the main window's
// fetches and the batch odds import: NVRead until the end of the transfer, with the
// desktop's turn before every call. A service that is not ready yet (-2, -3) is asked
// again after a short pause that serves the window's events, as the download polling
// waits between two looks; the start of the next file (-1) is read on at once. The
// records go to the caller as they come; which of them are odds of the race is the
// store's to judge. Opening and closing the transfer are the caller's.

#include <chrono>
#include <functional>
#include <string_view>

#include "host/host.h"
#include "service/nv_link.h"

namespace tidemark::acquisition {

struct RealtimeRead {
    enum class End {
        Complete, // the service said 0: everything read
        Stopped,  // stop() answered true (a failure while a stop was asked counts as one)
        Failed,   // NVRead answered an error, in `code`
    };
    End end = End::Complete;
    int code = 0;
};

inline constexpr int kRealtimeReadBufferSize = 60000;
inline constexpr std::chrono::milliseconds kNotReadyPause{10};

// turn: the desktop's turn before each call (paced by the caller); stop: asked after it,
// true ends the read; onRecord: each record as delivered (the read's bytes).
RealtimeRead readRealtime(NvLink& link, Host& host, const std::function<void()>& turn,
                          const std::function<bool()>& stop,
                          const std::function<void(std::string_view record)>& onRecord);

} // namespace tidemark::acquisition
