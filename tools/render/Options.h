// The offline renderer's command line.
#pragma once

#include <stdexcept>
#include <string>

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A frame rate as a fraction, so 60000/1001 stays exact.
struct FrameRate {
    long long numerator = 60;
    long long denominator = 1;

    double perSecond() const { return double(numerator) / double(denominator); }
    // Frame n's time, in whole milliseconds of music (the clock's unit), rounded to nearest.
    long long frameMilliseconds(long long frame) const;
    // The first frame at or after a time, and the number of frames that start before a time.
    long long firstFrameAtOrAfter(double seconds) const;
};

enum class Mode { Frame, Frames, Video, Sheet, Bench, Help, Version };

struct Options {
    Mode mode = Mode::Help;
    int resolution = 1;   // index into the resolution table
    std::string tracks;   // folder of track files, empty for Data/
    std::string dataRoot; // folder holding Data/, empty for the working folder
    FrameRate fps;
    double time = 0.0; // frame
    double from = 0.0, to = 78.0;
    bool rangeGiven = false;
    double every = 0.0; // sheet
    std::string output;
};

constexpr double showSeconds = 78.0;

extern const char* const renderUsage;

FrameRate parseFrameRate(const std::string& text);
// Throws UsageError with a message fit for the user.
Options parseOptions(int argc, const char* const* argv);
