#include "acquisition/realtime_read.h"

#include <string>

namespace tidemark::acquisition {

RealtimeRead readRealtime(NvLink& link, Host& host, const std::function<void()>& turn,
                          const std::function<bool()>& stop,
                          const std::function<void(std::string_view record)>& onRecord)
{
    std::string rec;
    std::string fileName;
    for (;;) {
        turn();
        if (stop())
            return {RealtimeRead::End::Stopped, 0};
        rec.clear();
        const int n = link.NVRead(rec, kRealtimeReadBufferSize, fileName);
        if (n > 0) {
            onRecord(std::string_view(rec).substr(0, static_cast<std::size_t>(n)));
        } else if (n == 0) {
            return {RealtimeRead::End::Complete, 0};
        } else if (n < -3) {
            // The call may have been given up for a stop asked while it waited.
            if (stop())
                return {RealtimeRead::End::Stopped, 0};
            return {RealtimeRead::End::Failed, n};
        } else if (n != -1) {
            host.pause(kNotReadyPause);
        }
    }
}

} // namespace tidemark::acquisition
