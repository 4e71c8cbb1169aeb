#pragma once

// The spread of a job's wall time over a number of runs, for the in-process benchmarks.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

struct Spread {
    double median, fastest, slowest; // milliseconds
};

template <typename Job> Spread timeRuns(int runs, Job job)
{
    using Clock = std::chrono::steady_clock;
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        job();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.front(), ms.back()};
}

// "what           median 1.23 ms  (fastest 1.10, slowest 2.00)"
inline void printSpread(const char *what, const Spread &s)
{
    std::printf("%-14s median %.2f ms  (fastest %.2f, slowest %.2f)\n", what, s.median, s.fastest, s.slowest);
}
