// The preview's heads-up display, drawn with Dear ImGui over the scaled picture (never into the
// show's own image): the timeline bar with scenes, title cards, loop, markers and play head over
// the shared time axis's pixels (the whole show, with the stretch the lanes show marked when
// zoomed), a status line, and the last error in red.
#pragma once

#include "PassTimers.h"
#include "ShowMap.h"

#include <string>

class Markers;
class TimeAxis;

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
    double speed = 1.0;
    const char* link = nullptr; // the live link's state, or null without one
    const Markers* markers = nullptr;
    const std::string* error = nullptr;
};

class Hud {
public:
    // Where the bar goes in a window of that size; call before drawing and hit tests.
    void layout(int windowWidth, int windowHeight);
    void draw(const HudState& state, const ShowMap& map, const TimeAxis& axis);
    // Whether (x, y) is on the timeline bar.
    bool isOnBar(int x, int y, const TimeAxis& axis) const;
    // Whether (x, y) is on the mark of the stretch the lanes show (only while zoomed).
    bool isOnStretch(int x, int y, const TimeAxis& axis) const;
    // The show time under x, clamped onto the bar: dragging past its ends seeks to the ends.
    double timeAtClamped(int x, const TimeAxis& axis) const;
    // Pixels the bar and status line take at the bottom of the window.
    int getHeight() const { return height; }

private:
    float barTop = 0, barBottom = 0, top = 0, windowRight = 0;
    int height = 0;
    char line[512] = {};
};
