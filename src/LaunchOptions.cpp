// The resolution table and the process-wide launch record.
#include "LaunchOptions.h"

const Resolution resolutions[resolutionCount] = {
    {1920, 1080, "1920x1080"},
    {1280, 720, "1280x720"},
    {1024, 768, "1024x768"},
};

LaunchOptions& getLaunchOptions() {
    static LaunchOptions options;
    return options;
}

const Resolution& getRenderResolution() { return resolutions[getLaunchOptions().resolution]; }
