// GPU time of each pass of the last completed frame, from timer queries.
#pragma once

#include "Extensions.h"

enum class Pass { Scene, Overlay, Cards, Grading, Bloom };
constexpr int passCount = 5;
struct PassTimes {
    double milliseconds[passCount] = {};
    bool valid = false;
};

// A ring of GL_TIME_ELAPSED queries, one per pass for each frame in flight. Results are taken a
// frame or two late, once the driver has them, so the CPU never waits for the GPU; a caller that
// wants the frame it just drew can wait for it instead.
class PassTimers {
public:
    // Whether the current context can time passes at all.
    static bool available();

    // Throws when the current context has no timer queries.
    PassTimers();
    ~PassTimers();
    PassTimers(const PassTimers&) = delete;
    PassTimers& operator=(const PassTimers&) = delete;

    // Ends the pass before it, if any; Pass::Scene starts a new frame.
    void begin(Pass pass);
    // Ends the frame's last pass and takes the newest results the driver has ready; with
    // waitForResults, those of this very frame.
    void endFrame(bool waitForResults);
    const PassTimes& getTimes() const { return times; }

private:
    static constexpr int ringSize = 4;

    void endOpenPass();
    bool collect(int slot, bool wait);

    GLuint queries[ringSize][passCount] = {};
    bool issued[ringSize][passCount] = {};
    // A slot whose frame ended with every pass timed and whose results are not read yet.
    bool pending[ringSize] = {};
    int slot = 0;
    int openPass = -1;
    bool frameOpen = false;
    PassTimes times;
};
