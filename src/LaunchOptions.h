// The setup dialog's choices, one record for the whole process, and the resolution table.
#pragma once

#include <cstdint>

struct Resolution {
    std::int32_t width;
    std::int32_t height;
    const char* label;
};

constexpr int resolutionCount = 3;
extern const Resolution resolutions[resolutionCount];

struct LaunchOptions {
    bool accepted = false;
    std::int32_t resolution = 1;
    bool fullscreen = false;
    bool mustache = true; // stored, never used
};

// The one record, created with its initial values on first use.
LaunchOptions& getLaunchOptions();
// The resolution table row that the record names; every consumer of the render size uses it.
const Resolution& getRenderResolution();
