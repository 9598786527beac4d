#pragma once

#include <QElapsedTimer>

#include <algorithm>
#include <functional>
#include <vector>

// The figures the benchmarks print: medians, in milliseconds.
namespace Timing {

inline double median(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

// Median milliseconds of runs calls of work.
inline double timed(const std::function<void()>& work, int runs)
{
    std::vector<double> samples;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        samples.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return median(samples);
}

} // namespace Timing
