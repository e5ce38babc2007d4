// A music clock that stands where a test puts it, for code that reads tracks through Sync.
#pragma once

#include "Audio.h"

class StillAudio : public Audio {
public:
    void update() override {}
    void pause() override {}
    void play() override {}
    void stop() override {}
    // Without a channel the clock reads 0, as a stream that never started.
    bool isLoaded() override { return loaded; }
    bool isPlaying() override { return loaded; }
    double getPosition() override { return loaded ? position : 0.0; }
    void setPosition(double seconds) override { position = seconds; }

    bool loaded = true;
    double position = 0.0;
};
