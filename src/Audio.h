// A music player whose playback position is the show's time base.
#pragma once

class Audio {
public:
    virtual void update() = 0;
    virtual void pause() = 0;
    virtual void play() = 0;
    virtual void stop() = 0;
    virtual bool isLoaded() = 0;
    virtual bool isPlaying() = 0;
    // Seconds of music heard so far.
    virtual double getPosition() = 0;
    virtual void setPosition(double seconds) = 0;

protected:
    ~Audio() = default;
};
