// The music clock: one stream on the sound layer, its channel position in seconds.
#include "FmodAudio.h"

#include "kem/Exception.h"
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
    system->createStream(path.getData(), FMOD_DEFAULT, nullptr, &sound);
    system->playSound(FMOD_CHANNEL_FREE, sound, false, &channel);
    playing = true;
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
    return double(milliseconds) / 1000.0;
}

void FmodAudio::setPosition(double seconds) {
    if (!channel)
        return;
    auto milliseconds = static_cast<std::int64_t>(seconds * 1000.0);
    channel->setPosition(static_cast<unsigned int>(milliseconds), FMOD_TIMEUNIT_MS);
}
