#pragma once
// The most resident memory the benchmark process has held, in megabytes (VmHWM, or the
// maximum resident set where the proc file is missing).

#include <sys/resource.h>

#include <fstream>
#include <string>

inline double peakMegabytes()
{
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word)
        if (word == "VmHWM:") {
            double kb = 0;
            status >> kb;
            return kb / 1024.0;
        }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}
