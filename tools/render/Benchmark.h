// Per-scene frame cost: CPU time to issue a frame and GPU time from timer queries.
#pragma once

#include "PassTimers.h"

#include <map>
#include <ostream>
#include <vector>

struct FrameCost {
    double cpuMilliseconds;
    double gpuMilliseconds; // negative when the driver has no timer queries
    PassTimes passes;       // invalid when the driver has no timer queries
};

struct CostSummary {
    size_t frames = 0;
    double median = 0, p95 = 0, maximum = 0;
};

// Nearest-rank percentiles of the values.
CostSummary summarise(std::vector<double> values);

class BenchmarkReport {
public:
    void add(int scene, FrameCost cost) { costs[scene].push_back(cost); }
    // A draw of the reference pass, measured the same way in the same run.
    void addReference(FrameCost cost) { reference.push_back(cost); }
    // Plain text, one "key value" or table line per fact, for scripts. Each scene's GPU median
    // is also given as a ratio of the reference's, with the median of each of its passes.
    void print(std::ostream& out, double startupMilliseconds) const;

private:
    std::map<int, std::vector<FrameCost>> costs;
    std::vector<FrameCost> reference;
};
