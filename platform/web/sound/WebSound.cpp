// The sound layer's interface on Web Audio, for the web build: the file is read here and handed
// to the browser, which decodes and plays it (sound.js); a channel's position is what the audio
// context's clock says is heard. Where sound cannot start, the channel keeps a silent clock paced
// by the page's own clock, as a machine without a sound card does. No threads: the browser plays
// on its own, and positions are worked out when asked.
#include "kem/Exception.h"
#include "platform/Files.h"
#include "platform/sound/SoundControl.h"
#include "platform/sound/fmod.hpp"
#include "platform/web/sound/Mp3Header.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

extern "C" {
// sound.js: ids are the library's; every call on an unknown or released id does nothing.
int oxbrine_sound_decode(const char* path, const unsigned char* bytes, int length);
void oxbrine_sound_release(int sound);
int oxbrine_sound_play(int sound, int paused, int silent);
double oxbrine_sound_position(int channel);
int oxbrine_sound_is_playing(int channel);
void oxbrine_sound_seek(int channel, double milliseconds);
void oxbrine_sound_pause(int channel, int paused);
void oxbrine_sound_speed(int channel, double speed);
void oxbrine_sound_stop(int channel);
}

namespace websound {

class SoundObject : public FMOD::Sound {
public:
    SoundObject(int id, int sampleRate) : id(id), sampleRate(sampleRate) {}
    ~SoundObject() { oxbrine_sound_release(id); }
    const int id;
    const int sampleRate; // the stream's own frames a second
};

class ChannelObject : public FMOD::Channel {
public:
    ChannelObject(int id, bool nonRealTime, int sampleRate)
        : id(id), sampleRate(sampleRate), nonRealTime(nonRealTime) {}
    ~ChannelObject() { halt(); }

    FMOD_RESULT readPosition(unsigned int* milliseconds) {
        if (!milliseconds)
            return FMOD_ERR_INVALID_PARAM;
        if (nonRealTime) {
            *milliseconds = SoundControl::getNonRealTimePosition();
            return FMOD_OK;
        }
        double heard = stopped ? stoppedAt : oxbrine_sound_position(id);
        *milliseconds = static_cast<unsigned int>(std::floor(std::max(heard, 0.0)));
        return FMOD_OK;
    }

    FMOD_RESULT seek(unsigned int milliseconds) {
        if (nonRealTime) {
            SoundControl::setNonRealTimePosition(milliseconds);
            return FMOD_OK;
        }
        if (stopped)
            return FMOD_ERR_INVALID_HANDLE;
        oxbrine_sound_seek(id, double(milliseconds));
        return FMOD_OK;
    }

    FMOD_RESULT readPlaying(bool* playing) {
        if (!playing)
            return FMOD_ERR_INVALID_PARAM;
        // Offline there is no end: the position is whatever is set.
        *playing = nonRealTime || (!stopped && oxbrine_sound_is_playing(id) != 0);
        return FMOD_OK;
    }

    FMOD_RESULT setPausedState(bool paused) {
        if (nonRealTime)
            return FMOD_OK;
        if (stopped)
            return FMOD_ERR_INVALID_HANDLE;
        oxbrine_sound_pause(id, paused ? 1 : 0);
        return FMOD_OK;
    }

    // Stream time per real time, as the desktop channel takes it: above 0, at most 4.
    FMOD_RESULT setSpeed(double newSpeed) {
        if (!(newSpeed > 0.0) || newSpeed > 4.0)
            return FMOD_ERR_INVALID_PARAM;
        if (nonRealTime)
            return FMOD_OK;
        if (stopped)
            return FMOD_ERR_INVALID_HANDLE;
        if (newSpeed != speed)
            oxbrine_sound_speed(id, newSpeed); // from exactly what is heard now
        speed = newSpeed;
        return FMOD_OK;
    }
    double getSpeed() const { return speed; }

    FMOD_RESULT halt() {
        if (!stopped && !nonRealTime) {
            stoppedAt = oxbrine_sound_position(id);
            oxbrine_sound_stop(id);
        }
        stopped = true;
        return FMOD_OK;
    }

    bool isStopped() const { return stopped; }
    const int id;
    const int sampleRate;
    SoundObject* sound = nullptr;

private:
    const bool nonRealTime;
    bool stopped = false;
    double speed = 1.0;
    double stoppedAt = 0.0;
};

class SystemObject final : public FMOD::System {
public:
    SystemObject() : nonRealTime(SoundControl::isNonRealTime()) {}
    ~SystemObject() {
        channels.clear();
        sounds.clear();
    }

    FMOD_RESULT initialise(int channelCount) {
        if (channelCount < 1)
            return FMOD_ERR_INVALID_PARAM;
        maxChannels = channelCount;
        return FMOD_OK;
    }

    FMOD_RESULT openStream(const char* path, FMOD::Sound** sound) {
        if (!sound)
            return FMOD_ERR_INVALID_PARAM;
        *sound = nullptr;
        if (!path)
            return FMOD_ERR_INVALID_PARAM;
        std::vector<unsigned char> bytes;
        try {
            bytes = platform::readFileLimited(path, platform::musicLimit, "music");
        } catch (const Kem::Exception& error) {
            SoundControl::setOpenError(error.getMessage().getData());
            return FMOD_ERR_FILE_NOTFOUND;
        }
        if (!looksLikeMp3(bytes)) {
            SoundControl::setOpenError(std::string("cannot decode '") + path +
                                       "': it is not MP3 music");
            return FMOD_ERR_FORMAT;
        }
        SoundControl::setOpenError("");
        // Offline nothing is heard: the browser need not decode it.
        int id = nonRealTime ? -1 : oxbrine_sound_decode(path, bytes.data(), int(bytes.size()));
        int rate = mp3SampleRate(bytes);
        sounds.push_back(std::make_unique<SoundObject>(id, rate > 0 ? rate : 44100));
        *sound = sounds.back().get();
        return FMOD_OK;
    }

    FMOD_RESULT start(SoundObject* sound, bool paused, FMOD::Channel** channel) {
        if (maxChannels == 0)
            return FMOD_ERR_UNINITIALIZED;
        if (!sound)
            return FMOD_ERR_INVALID_PARAM;
        SoundControl::setOutputName(nonRealTime ? "none" : "webaudio");
        std::vector<ChannelObject*> live;
        for (auto& each : channels) {
            // A stream plays on one channel at a time.
            if (each->sound == sound)
                each->halt();
            if (!each->isStopped())
                live.push_back(each.get());
        }
        // All channels busy: the oldest gives way, as a free-channel request steals it.
        for (size_t i = 0; i + maxChannels <= live.size(); ++i)
            live[i]->halt();
        int id = nonRealTime ? -1
                             : oxbrine_sound_play(sound->id, paused ? 1 : 0,
                                                  SoundControl::isDeviceDisabled() ? 1 : 0);
        channels.push_back(std::make_unique<ChannelObject>(id, nonRealTime, sound->sampleRate));
        channels.back()->sound = sound;
        if (channel)
            *channel = channels.back().get();
        return FMOD_OK;
    }

private:
    const bool nonRealTime;
    int maxChannels = 0;
    std::vector<std::unique_ptr<SoundObject>> sounds;
    // Kept until release, stopped or not: callers may still hold and ask them.
    std::vector<std::unique_ptr<ChannelObject>> channels;
};

} // namespace websound

FMOD_RESULT FMOD_System_Create(FMOD::System** system) {
    if (!system)
        return FMOD_ERR_INVALID_PARAM;
    *system = new (std::nothrow) websound::SystemObject();
    return *system ? FMOD_OK : FMOD_ERR_MEMORY;
}

FMOD_RESULT FMOD::System::getVersion(unsigned int* version) {
    if (!version)
        return FMOD_ERR_INVALID_PARAM;
    *version = SoundControl::getReportedVersion();
    return FMOD_OK;
}

FMOD_RESULT FMOD::System::init(int maxChannels, FMOD_INITFLAGS, void*) {
    return static_cast<websound::SystemObject*>(this)->initialise(maxChannels);
}

FMOD_RESULT FMOD::System::createStream(const char* path, FMOD_MODE, FMOD_CREATESOUNDEXINFO*,
                                       Sound** sound) {
    return static_cast<websound::SystemObject*>(this)->openStream(path, sound);
}

FMOD_RESULT FMOD::System::playSound(FMOD_CHANNELINDEX, Sound* sound, bool paused,
                                    Channel** channel) {
    return static_cast<websound::SystemObject*>(this)->start(
        static_cast<websound::SoundObject*>(sound), paused, channel);
}

// The browser plays on its own; positions are worked out when read.
FMOD_RESULT FMOD::System::update() {
    return FMOD_OK;
}

FMOD_RESULT FMOD::System::release() {
    delete static_cast<websound::SystemObject*>(this);
    return FMOD_OK;
}

FMOD_RESULT FMOD::Channel::getPosition(unsigned int* position, FMOD_TIMEUNIT unit) {
    if (unit != FMOD_TIMEUNIT_MS)
        return FMOD_ERR_FORMAT;
    return static_cast<websound::ChannelObject*>(this)->readPosition(position);
}

FMOD_RESULT FMOD::Channel::setPosition(unsigned int position, FMOD_TIMEUNIT unit) {
    if (unit != FMOD_TIMEUNIT_MS)
        return FMOD_ERR_FORMAT;
    return static_cast<websound::ChannelObject*>(this)->seek(position);
}

FMOD_RESULT FMOD::Channel::isPlaying(bool* playing) {
    return static_cast<websound::ChannelObject*>(this)->readPlaying(playing);
}

FMOD_RESULT FMOD::Channel::setPaused(bool paused) {
    return static_cast<websound::ChannelObject*>(this)->setPausedState(paused);
}

FMOD_RESULT FMOD::Channel::setFrequency(float frequency) {
    auto* channel = static_cast<websound::ChannelObject*>(this);
    return channel->setSpeed(double(frequency) / channel->sampleRate);
}

FMOD_RESULT FMOD::Channel::getFrequency(float* frequency) {
    if (!frequency)
        return FMOD_ERR_INVALID_PARAM;
    auto* channel = static_cast<websound::ChannelObject*>(this);
    *frequency = float(channel->getSpeed() * channel->sampleRate);
    return FMOD_OK;
}

FMOD_RESULT FMOD::Channel::stop() {
    return static_cast<websound::ChannelObject*>(this)->halt();
}
