// The tune as data: instruments with their settings and automation, note events, sections, accents.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace Synth {

// Piecewise-linear curve over rows; holds its end values outside the points.
struct Automation {
    std::vector<std::pair<double, double>> points;

    double at(double row) const;
};

struct Instrument {
    std::string name;
    std::string kind;
    std::map<std::string, double> params;
    std::map<std::string, Automation> automation;

    double param(const std::string& key, double fallback) const;
    // The automated value at `row` where a curve exists, else the fixed setting.
    double paramAt(const std::string& key, double row, double fallback) const;
};

struct NoteEvent {
    int instrument = 0;
    double row = 0.0;
    double lengthRows = 0.0;
    std::vector<int> pitches; // MIDI numbers; empty for unpitched hits
    float velocity = 0.8f;
    int ordinal = 0; // position among this instrument's events, for alternating pans
};

struct Marker {
    double row = 0.0;
    std::string name;
};

// The longest tune rendered: the mix keeps about nine floats per sample, half a gigabyte here.
constexpr double longestSeconds = 300.0;
constexpr double shortestSeconds = 1.0;

struct Song {
    double seconds = 80.0;
    double targetLufs = -14.0;
    double ceilingDbtp = -1.5;
    std::vector<Instrument> instruments;
    std::vector<NoteEvent> events; // sorted by row, then instrument
    std::vector<Marker> sections;
    std::vector<Marker> accents;
    Automation masterGain; // dB

    int findInstrument(const std::string& name) const;
};

} // namespace Synth
