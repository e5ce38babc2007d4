// The music player over the sound layer's FMOD-style interface: one streamed file, its channel
// position is the show's clock.
#pragma once

#include "Audio.h"
#include "kem/String.h"

#include <cstdint>

namespace FMOD {
class System;
class Sound;
class Channel;
} // namespace FMOD

class FmodAudio : public Audio {
public:
    // Throws Kem::Exception "Incorrect version of FMOD" unless the library is 0x00044005.
    FmodAudio();
    virtual ~FmodAudio();
    FmodAudio(const FmodAudio&) = delete;
    FmodAudio& operator=(const FmodAudio&) = delete;

    // Creates the stream and starts it at once, unpaused. Throws Kem::Exception naming the file
    // and the cause when the music cannot be read or decoded.
    void startStream(const Kem::String& path);

    void update() override;
    void pause() override;
    void play() override;
    void stop() override;
    bool isLoaded() override;
    bool isPlaying() override;
    double getPosition() override;
    void setPosition(double seconds) override;
    bool setSpeed(double speed) override;

private:
    FMOD::System* system = nullptr;
    FMOD::Channel* channel = nullptr;
    FMOD::Sound* sound = nullptr;
    bool playing = false;
    double speed = 1.0;
    float normalFrequency = 0.0f; // the channel's rate at normal speed
    // Once the music has been heard to its end: when, and where it ended.
    bool ended = false;
    std::uint32_t endedAt = 0;
    double endedPosition = 0.0;
};
