// The renderer's figures, against values worked out by hand: the bench's ratio to the reference
// pass, and the times a contact sheet shows.
#include "Benchmark.h"
#include "ContactSheet.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

namespace {

FrameCost gpuCost(double milliseconds) {
    PassTimes passes;
    passes.valid = true;
    passes.milliseconds[0] = milliseconds;
    return FrameCost{1.0, milliseconds, passes};
}

// "key value" pairs of the report line starting with `start`.
std::map<std::string, std::string> fieldsOf(const std::string& report, const std::string& start) {
    std::istringstream lines(report);
    std::map<std::string, std::string> fields;
    for (std::string line; std::getline(lines, line);) {
        if (line.compare(0, start.size(), start) != 0)
            continue;
        std::istringstream words(line.substr(start.size()));
        for (std::string key, value; words >> key >> value;)
            fields[key] = value;
    }
    return fields;
}

// A scene costs its GPU median over the reference's: half the reference is 0.5, twice is 2.
TEST(BenchmarkReport, RatioIsTheSceneOverTheReference) {
    BenchmarkReport report;
    for (double reference : {3.0, 4.0, 5.0})
        report.addReference(gpuCost(reference));
    for (double cost : {1.0, 2.0, 9.0})
        report.add(0, gpuCost(cost));
    for (double cost : {8.0, 8.0, 7.0})
        report.add(4, gpuCost(cost));
    for (double cost : {4.0, 4.0, 4.0})
        report.add(5, gpuCost(cost));
    std::ostringstream out;
    report.print(out, 0.0);
    struct Expected {
        const char* line;
        const char* median;
        const char* ratio;
    };
    for (const Expected& expected : {Expected{"scene 0 DuckNipples", "2.000", "0.500"},
                                     Expected{"scene 4 Architecture", "8.000", "2.000"},
                                     Expected{"scene 5 Garbitch", "4.000", "1.000"}}) {
        auto fields = fieldsOf(out.str(), expected.line);
        EXPECT_EQ(fields["gpu_median_ms"], expected.median) << out.str();
        EXPECT_EQ(fields["gpu_ratio"], expected.ratio) << out.str();
    }
}

// Thumbnails every step from 0 up to, not including, the show's end at 78 s, whether or not the
// step divides the length.
TEST(ContactSheet, TimesStopBeforeTheEndWhetherOrNotTheStepDividesIt) {
    struct Case {
        double every;
        size_t count;
        double last;
    };
    for (const Case& c :
         {Case{2.0, 39, 76.0}, Case{13.0, 6, 65.0}, Case{78.0, 1, 0.0}, Case{0.3, 260, 77.7},
          Case{5.0, 16, 75.0}, Case{77.9999996, 1, 0.0}, Case{20.0, 4, 60.0}}) {
        SCOPED_TRACE("every " + std::to_string(c.every));
        std::vector<double> times = sheetTimes(c.every, 78.0);
        ASSERT_EQ(times.size(), c.count);
        EXPECT_EQ(times.front(), 0.0);
        EXPECT_NEAR(times.back(), c.last, 1e-9);
    }
}

} // namespace
