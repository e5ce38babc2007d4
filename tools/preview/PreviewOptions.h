// The preview's command line.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

struct PreviewUsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct PreviewOptions {
    int resolution = 1; // index into the resolution table
    double start = 0.0;
    bool paused = false;
    bool loop = false;
    double loopStart = 0.0, loopEnd = 0.0;
    bool editor = false;
    std::string editorHost;
    std::uint16_t editorPort = 0;
    std::string content;    // the content folder whose sources are watched
    bool panel = false;     // the track panel open from the start
    std::string screenshot; // the whole window saved here once the music lanes are ready; then quit
    bool reportLanes = false; // the lanes' geometry and the waveform's data on standard output
    bool help = false;
    bool version = false;
};

extern const char* const previewUsage;

// Throws PreviewUsageError with a message fit for the user.
PreviewOptions parsePreviewOptions(int argc, const char* const* argv,
                                   const std::string& defaultContent);
