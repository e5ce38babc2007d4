// The preview's heads-up display, drawn with Dear ImGui over the scaled picture (never into the
// show's own image): the timeline bar with scenes, title cards, loop and play head, a status
// line, and the last error in red.
#pragma once

#include "PassTimers.h"
#include "ShowMap.h"

#include <string>

struct HudState {
    double time = 0.0;
    double row = 0.0;
    bool paused = false;
    double framesPerSecond = 0.0;
    const PassTimes* passes = nullptr;
    bool loop = false;
    bool markingLoop = false;
    double loopStart = 0.0;
    double loopEnd = 0.0;
    const char* link = nullptr; // the live link's state, or null without one
    const std::string* error = nullptr;
};

class Hud {
public:
    // Where the bar goes in a window of that size; call before drawing and hit tests.
    void layout(int windowWidth, int windowHeight);
    void draw(const HudState& state, const ShowMap& map);
    // The show time under x when (x, y) is on the timeline bar.
    bool timeAt(int x, int y, double& seconds) const;
    // x clamped onto the bar: dragging past its ends seeks to the show's ends.
    double timeAtClamped(int x) const;
    // Pixels the bar and status line take at the bottom of the window.
    int getHeight() const { return height; }

private:
    float left = 0, right = 0, barTop = 0, barBottom = 0, top = 0;
    int height = 0;
    char line[512] = {};
};
