// Lookups on the tune's data: automation curves and instrument settings.
#include "Song.h"

namespace Synth {

double Automation::at(double row) const {
    if (points.empty())
        return 0.0;
    if (row <= points.front().first)
        return points.front().second;
    for (size_t i = 1; i < points.size(); ++i) {
        if (row < points[i].first) {
            const auto& [r0, v0] = points[i - 1];
            const auto& [r1, v1] = points[i];
            return v0 + (v1 - v0) * (row - r0) / (r1 - r0);
        }
    }
    return points.back().second;
}

double Instrument::param(const std::string& key, double fallback) const {
    auto found = params.find(key);
    return found == params.end() ? fallback : found->second;
}

double Instrument::paramAt(const std::string& key, double row, double fallback) const {
    auto curve = automation.find(key);
    if (curve != automation.end())
        return curve->second.at(row);
    return param(key, fallback);
}

int Song::findInstrument(const std::string& name) const {
    for (size_t i = 0; i < instruments.size(); ++i)
        if (instruments[i].name == name)
            return static_cast<int>(i);
    return -1;
}

} // namespace Synth
