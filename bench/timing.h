// Timing helpers that the benchmarks share.
#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

namespace tolvane::bench {

using Clock = std::chrono::steady_clock;

inline double Milliseconds(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace tolvane::bench
