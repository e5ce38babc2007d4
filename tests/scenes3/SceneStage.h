// Headless stage for the scene frame tests: track files that hold one value per "setting"
// (a row), a music clock that stands still, frames drawn as the director would and read back.
#pragma once

#include "Effect.h"

#include <glm/glm.hpp>

#include <map>
#include <string>
#include <vector>

namespace scenes3 {

// Rows at which the written tracks change value; each test picks one.
enum Setting { Base = 0, Moved = 100, Dark = 200, Alternate = 300, Silent = 400 };

// Track name -> value per setting, in the order of the enum (Silent is always 0).
using TrackTable = std::map<std::string, std::vector<float>>;

// Writes the tracks into a fresh folder, points the sync module at it, attaches the clock.
// Call once per process, before any track is read.
void writeTracks(const TrackTable& tracks);
void setSetting(Setting setting);

struct Frame {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgba; // bottom row first, as read back

    const unsigned char* at(int x, int y) const { return &rgba[(size_t(y) * width + x) * 4]; }
    float luminance(int x, int y) const;
    float meanLuminance(int y0, int y1) const;
    // Mean of one channel (0 red, 1 green, 2 blue) over rows y0 ... y1, 0 ... 1.
    float meanChannel(int channel, int y0, int y1) const;
};

// Share of pixels within rows y0 ... y1 whose colour differs noticeably between a and b.
float changedShare(const Frame& a, const Frame& b, int y0, int y1);

// Sets the resolution row that names this size, so the scenes read it as the output size.
void selectResolution(int width, int height);

// Draws one frame of the effect into a fresh target of that size and reads it back. With
// staleState the target is cleared, then unbound and the viewport shrunk before the call.
Frame drawFrame(Effect& effect, int width, int height, double time, const glm::mat4& view,
                bool staleState = false);

// Saves a frame under <build>/scenes3-frames/<name>.png, top row first.
void save(const Frame& frame, const std::string& name);

} // namespace scenes3
