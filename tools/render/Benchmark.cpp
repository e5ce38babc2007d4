// Summaries of frame costs grouped by the scene that drew them.
#include "Benchmark.h"

#include <algorithm>
#include <cmath>
#include <iomanip>

namespace {

const char* const sceneNames[] = {"DuckNipples", "Sphurrs",      "DruSucks",
                                  "Colon",       "Architecture", "Garbitch"};
const char* const passNames[passCount] = {"scene", "overlay", "cards", "grading", "bloom"};

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

// The CPU and GPU summaries of the frames; the GPU median, or 0 when there are no GPU times.
double printCosts(std::ostream& out, const std::vector<FrameCost>& frames) {
    std::vector<double> cpu, gpu;
    for (const FrameCost& cost : frames) {
        cpu.push_back(cost.cpuMilliseconds);
        if (cost.gpuMilliseconds >= 0)
            gpu.push_back(cost.gpuMilliseconds);
    }
    out << " frames " << frames.size();
    printSummary(out, "cpu", summarise(cpu));
    if (gpu.empty())
        return 0.0;
    CostSummary summary = summarise(gpu);
    printSummary(out, "gpu", summary);
    return summary.median;
}

void BenchmarkReport::print(std::ostream& out, double startupMilliseconds) const {
    out << std::fixed << std::setprecision(3);
    out << "startup_ms " << startupMilliseconds << "\n";
    double referenceGpu = 0.0;
    if (!reference.empty()) {
        out << "reference";
        referenceGpu = printCosts(out, reference);
        out << "\n";
    }
    for (const auto& [scene, frames] : costs) {
        const char* name = scene >= 0 && scene < 6 ? sceneNames[scene] : "unknown";
        out << "scene " << scene << " " << name;
        double gpu = printCosts(out, frames);
        if (gpu > 0 && referenceGpu > 0)
            out << " gpu_ratio " << gpu / referenceGpu;
        for (int pass = 0; pass < passCount; ++pass) {
            std::vector<double> times;
            for (const FrameCost& cost : frames)
                if (cost.passes.valid)
                    times.push_back(cost.passes.milliseconds[pass]);
            if (!times.empty())
                out << " " << passNames[pass] << "_median_ms " << summarise(times).median;
        }
        out << "\n";
    }
}
