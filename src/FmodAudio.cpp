// The music clock: one stream on the sound layer, its channel position in seconds.
#include "FmodAudio.h"

#include "kem/Exception.h"
#include "platform/Clock.h"
#include "platform/sound/SoundControl.h"
#include "platform/sound/fmod.hpp"

#include <cstdint>

FmodAudio::FmodAudio() {
    FMOD_System_Create(&system);
    unsigned int version = 0;
    system->getVersion(&version);
    if (version != 0x00044005) {
        // Released here too: the destructor does not run for an object that failed to construct.
        system->release();
        throw Kem::Exception("Incorrect version of FMOD", "src\\FmodAudio", 10);
    }
    system->init(1, FMOD_INIT_NORMAL, nullptr);
    channel = nullptr;
    playing = false;
}

FmodAudio::~FmodAudio() {
    system->release();
}

void FmodAudio::startStream(const Kem::String& path) {
    // Music that cannot be played is fatal: without it the show's clock would stand still.
    if (system->createStream(path.getData(), FMOD_DEFAULT, nullptr, &sound) != FMOD_OK || !sound)
        throw Kem::Exception(SoundControl::getOpenError().c_str(), "src\\FmodAudio", 27);
    if (system->playSound(FMOD_CHANNEL_FREE, sound, false, &channel) != FMOD_OK || !channel) {
        channel = nullptr;
        throw Kem::Exception(Kem::String("cannot play '") + path + "': no sound channel",
                             "src\\FmodAudio", 28);
    }
    channel->getFrequency(&normalFrequency);
    playing = true;
}

bool FmodAudio::setSpeed(double newSpeed) {
    if (!channel || !(normalFrequency > 0.0f))
        return newSpeed == 1.0;
    if (channel->setFrequency(float(normalFrequency * newSpeed)) != FMOD_OK)
        return false;
    speed = newSpeed;
    return true;
}

void FmodAudio::update() {
    system->update();
}

void FmodAudio::pause() {
    if (!channel)
        return;
    channel->setPaused(true);
    playing = false;
}

void FmodAudio::play() {
    if (!channel)
        return;
    channel->setPaused(false);
    playing = true;
}

void FmodAudio::stop() {
    if (channel)
        channel->stop();
}

bool FmodAudio::isLoaded() {
    return channel != nullptr;
}

bool FmodAudio::isPlaying() {
    return playing;
}

double FmodAudio::getPosition() {
    if (!channel)
        return 0.0;
    unsigned int milliseconds = 0;
    channel->getPosition(&milliseconds, FMOD_TIMEUNIT_MS);
    double heard = double(milliseconds) / 1000.0;
    // Past the music's end the clock goes on at real time from where the music stopped.
    bool heardToEnd = false;
    bool stillPlaying = true;
    if (channel->isPlaying(&stillPlaying) == FMOD_OK)
        heardToEnd = !stillPlaying;
    if (!heardToEnd || !playing) {
        ended = false;
        return heard;
    }
    std::uint32_t now = platform::getMilliseconds();
    if (!ended) {
        ended = true;
        endedAt = now;
        endedPosition = heard;
    }
    return endedPosition + double(std::uint32_t(now - endedAt)) / 1000.0 * speed;
}

void FmodAudio::setPosition(double seconds) {
    if (!channel)
        return;
    // Anything before the start (or not a number) is the start; the channel takes 32 bits.
    double milliseconds = seconds * 1000.0;
    if (!(milliseconds > 0.0))
        milliseconds = 0.0;
    if (milliseconds > double(UINT32_MAX))
        milliseconds = double(UINT32_MAX);
    channel->setPosition(static_cast<unsigned int>(milliseconds), FMOD_TIMEUNIT_MS);
}
