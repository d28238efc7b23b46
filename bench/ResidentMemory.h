#pragma once
// The process's resident memory, for the benchmarks that watch it grow.
#include <unistd.h>

#include <fstream>

namespace wl::bench {

inline long residentKb() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace wl::bench
