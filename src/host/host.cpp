#include "host/host.h"

#include <thread>

namespace tidemark {

void Host::pause(std::chrono::milliseconds wait)
{
    processEvents();
    std::this_thread::sleep_for(wait);
}

} // namespace tidemark
