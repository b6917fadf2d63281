// What the benchmark drivers share for their figures: the clock, the summary of a case's runs
// and the rows of the table.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace qb::bench {

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

struct Stats {
    double median = 0, min = 0, max = 0;
};

inline Stats Summarise(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    Stats s;
    if (v.empty()) {
        return s;
    }
    const std::size_t n = v.size();
    s.median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    s.min = v.front();
    s.max = v.back();
    return s;
}

// The value that `share` (0..1) of the figures do not exceed (nearest rank).
inline double Percentile(std::vector<double> v, double share) {
    if (v.empty()) {
        return 0;
    }
    std::sort(v.begin(), v.end());
    const double rank = share * static_cast<double>(v.size());
    std::size_t at = static_cast<std::size_t>(rank);
    if (static_cast<double>(at) < rank) {
        ++at;
    }
    return v[std::clamp<std::size_t>(at, 1, v.size()) - 1];
}

inline void Row(const std::string& what, const Stats& s, const char* unit = "ms") {
    std::printf("| %s | %.1f | %.1f .. %.1f | %s |\n", what.c_str(), s.median, s.min, s.max, unit);
    std::fflush(stdout);
}

inline std::string SizeName(std::size_t size) {
    return size >= 1000000 ? std::to_string(size / 1000000) + " MB"
                           : std::to_string(size / 1000) + " KB";
}

}  // namespace qb::bench
