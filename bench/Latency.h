#pragma once
// What the benchmarks say of a list of delays.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace wl::bench {

inline double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

// "N events, p50 X ms, p99 Y ms, max Z ms"
inline std::string latencyText(const std::vector<double>& ms) {
    char text[160];
    std::snprintf(text, sizeof text, "%zu events, p50 %.3f ms, p99 %.3f ms, max %.3f ms", ms.size(), percentile(ms, 0.5),
                  percentile(ms, 0.99), percentile(ms, 1.0));
    return text;
}

}  // namespace wl::bench
