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
    // Plays slower (0.5, 0.25) or at normal speed (1): the music resampled, the position moving
    // at that rate. False where the player cannot, which then plays on at its speed.
    virtual bool setSpeed(double speed) { return speed == 1.0; }

protected:
    ~Audio() = default;
};
