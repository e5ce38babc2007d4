// The objects behind the FMOD-style handles: a system that owns the output and mixes its
// channels, sounds that own a decoder, and channels that decode ahead on a thread of their own.
#pragma once

#include "platform/sound/FrameRing.h"
#include "platform/sound/HeardClock.h"
#include "platform/sound/Mp3Stream.h"
#include "platform/sound/Output.h"
#include "platform/sound/fmod.hpp"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace sound {

class ChannelObject;

class SoundObject : public FMOD::Sound {
public:
    explicit SoundObject(const char* path) : stream(path) {}
    Mp3Stream stream;
    // The channel decoding this stream; a stream plays on one channel at a time.
    ChannelObject* playingOn = nullptr;
};

class ChannelObject : public FMOD::Channel {
public:
    // Real-time channels start decoding at once; non-real-time ones follow SoundControl's position.
    // followsDevice: the output is a real device whose callbacks tell what is heard.
    ChannelObject(SoundObject& sound, int latencyFrames, bool followsDevice, bool nonRealTime,
                  bool paused);
    ~ChannelObject();

    // Device side: adds this channel's next frames onto out.
    void mix(float* out, int frames, double now);

    FMOD_RESULT readPosition(unsigned int* milliseconds);
    FMOD_RESULT readPlaying(bool* playing);
    FMOD_RESULT seek(unsigned int milliseconds);
    FMOD_RESULT setPausedState(bool paused);
    FMOD_RESULT setSpeed(double speed);
    int getSampleRate() const { return sampleRate; }
    double getSpeed();
    FMOD_RESULT halt();
    bool isStopped();

private:
    void decode();
    // Under the lock: drops what was decoded and has the decoder start again at frame.
    void reposition(double now, double milliseconds, std::int64_t frame);

    SoundObject& sound;
    const bool nonRealTime;
    const int sampleRate;
    std::mutex lock;
    std::condition_variable wake;
    FrameRing ring;
    HeardClock clock;
    std::int64_t nextFrame = 0;   // stream frame the device takes next
    std::uint64_t generation = 0; // bumped by every reposition
    std::int64_t seekFrame = 0;   // where the decoder starts for this generation
    bool decodedToEnd = false;    // the decoder has read the stream's last frame
    double speed = 1.0;           // stream frames per output frame
    double phase = 0.0;           // how far into the next held frame resampling stands
    bool stopped = false;
    bool quitting = false;
    std::thread decoder;
};

class SystemObject final : public FMOD::System, public Mixer {
public:
    SystemObject();
    ~SystemObject();

    FMOD_RESULT initialise(int maxChannels);
    FMOD_RESULT openStream(const char* path, FMOD::Sound** sound);
    FMOD_RESULT start(SoundObject* sound, bool paused, FMOD::Channel** channel);

    void mix(float* out, int frames, double now) override;

private:
    const bool nonRealTime;
    int maxChannels = 0;
    std::unique_ptr<Output> output;
    int outputRate = 0;
    std::vector<std::unique_ptr<SoundObject>> sounds;
    std::vector<std::unique_ptr<ChannelObject>> channels;
    std::mutex mixLock;
    std::vector<ChannelObject*> mixing; // guarded by mixLock
};

} // namespace sound
