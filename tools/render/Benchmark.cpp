// Summaries of frame costs grouped by the scene that drew them.
#include "Benchmark.h"

#include <algorithm>
#include <cmath>
#include <iomanip>

namespace {

const char* const sceneNames[] = {"DuckNipples", "Sphurrs", "DruSucks", "Colon", "Architecture",
                                  "Garbitch"};

void printSummary(std::ostream& out, const char* what, const CostSummary& s) {
    out << " " << what << "_median_ms " << s.median << " " << what << "_p95_ms " << s.p95 << " "
        << what << "_max_ms " << s.maximum;
}

} // namespace

CostSummary summarise(std::vector<double> values) {
    CostSummary summary;
    summary.frames = values.size();
    if (values.empty())
        return summary;
    std::sort(values.begin(), values.end());
    auto rank = [&](double fraction) {
        size_t index = size_t(std::ceil(fraction * values.size()));
        return values[std::min(values.size() - 1, index == 0 ? 0 : index - 1)];
    };
    summary.median = rank(0.5);
    summary.p95 = rank(0.95);
    summary.maximum = values.back();
    return summary;
}

void BenchmarkReport::print(std::ostream& out, double startupMilliseconds) const {
    out << std::fixed << std::setprecision(3);
    out << "startup_ms " << startupMilliseconds << "\n";
    for (const auto& [scene, frames] : costs) {
        std::vector<double> cpu, gpu;
        for (const FrameCost& cost : frames) {
            cpu.push_back(cost.cpuMilliseconds);
            if (cost.gpuMilliseconds >= 0)
                gpu.push_back(cost.gpuMilliseconds);
        }
        const char* name = scene >= 0 && scene < 6 ? sceneNames[scene] : "unknown";
        out << "scene " << scene << " " << name << " frames " << frames.size();
        printSummary(out, "cpu", summarise(cpu));
        if (!gpu.empty())
            printSummary(out, "gpu", summarise(gpu));
        out << "\n";
    }
}
