#pragma once
// Shared fixtures of the simulated-service tests: a fixed clock and record readers.

#include <string>
#include <vector>

#include "nvsim/sim_nv_link.h"
#include "text/date_time.h"

namespace tidemark::nvsim::simtest {

inline text::DateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    text::DateTime t;
    t.year = y;
    t.month = mo;
    t.day = d;
    t.hour = h;
    t.minute = mi;
    t.second = s;
    return t;
}

// A clock the test moves by hand.
struct ManualClock {
    text::DateTime now;
    SimClock fn()
    {
        return [this] { return now; };
    }
};

// Every record of an open real-time transfer, CR LF included.
inline std::vector<std::string> readAll(NvLink& link, int* lastResult = nullptr)
{
    std::vector<std::string> out;
    std::string rec;
    std::string file;
    for (int guard = 0; guard < 1000000; ++guard) {
        const int n = link.NVRead(rec, 60000, file);
        if (n > 0) {
            out.push_back(rec);
            continue;
        }
        if (n == -1 || n == -3) {
            continue;
        }
        if (lastResult != nullptr) {
            *lastResult = n;
        }
        break;
    }
    return out;
}

inline SimConfig testConfig(std::uint32_t seed = 7)
{
    SimConfig c;
    c.seed = seed;
    c.firstDay = at(2024, 5, 1);
    c.downloadSpeed = 5;
    return c;
}

} // namespace tidemark::nvsim::simtest
