#pragma once

// The spread of a job's wall time over a number of runs, for the in-process benchmarks.

#include <algorithm>
#include <chrono>
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
