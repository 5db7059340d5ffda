#pragma once

// Timing and printing shared by the benchmarks that measure the project beside pugixml in
// the same run: best of five, MiB/s of the same document, and time ratios (the project's
// time divided by the peer's; below 1 the project is faster).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace bench {

// Makes every run of a fresh document take its memory from the system and give it back, as
// the one load of a program that opens one file does. Without this the allocator keeps freed
// blocks below a threshold it raises as it goes, so that later runs reuse memory already
// touched: the best of five would then favour whichever side allocates smaller blocks.
inline void TakeMemoryFromTheSystem() {
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 64 * 1024);
    mallopt(M_TRIM_THRESHOLD, 128 * 1024);
#endif
}

template <typename Step> double BestOf5(Step step) {
    double best = 1e30;
    for (int run = 0; run < 5; ++run) {
        const auto start = std::chrono::steady_clock::now();
        step();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

// One line: what was timed, its best time, the throughput over mib, and the ratio of the
// project's time (ours) to this time when this line is a peer's.
inline void PrintTiming(const char* label, double mib, double seconds, double ours = 0) {
    std::printf("  %-40s %8.4f s %9.1f MiB/s", label, seconds, mib / seconds);
    if (ours > 0)
        std::printf("   project/peer time %5.2f", ours / seconds);
    std::printf("\n");
}

inline std::u16string Widen(const std::string& ascii) {
    return {ascii.begin(), ascii.end()};
}

} // namespace bench
