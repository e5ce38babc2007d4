// The system: opens the output on first playback, owns sounds and channels, mixes channels.
#include "kem/Exception.h"
#include "platform/sound/SoundControl.h"
#include "platform/sound/SoundObjects.h"

#include <algorithm>
#include <new>

namespace sound {

SystemObject::SystemObject() : nonRealTime(SoundControl::isNonRealTime()) {}

SystemObject::~SystemObject() {
    // The device stops calling mix before the channels and sounds it reads go away.
    output.reset();
    channels.clear();
    sounds.clear();
}

FMOD_RESULT SystemObject::initialise(int channelCount) {
    if (channelCount < 1)
        return FMOD_ERR_INVALID_PARAM;
    maxChannels = channelCount;
    return FMOD_OK;
}

FMOD_RESULT SystemObject::openStream(const char* path, FMOD::Sound** sound) {
    if (!sound)
        return FMOD_ERR_INVALID_PARAM;
    *sound = nullptr;
    if (!path)
        return FMOD_ERR_INVALID_PARAM;
    std::unique_ptr<SoundObject> opened;
    try {
        opened = std::make_unique<SoundObject>(path);
    } catch (const Kem::Exception& error) {
        SoundControl::setOpenError(error.getMessage().getData());
        return FMOD_ERR_FILE_NOTFOUND;
    }
    if (!opened->stream.isOpen()) {
        SoundControl::setOpenError(std::string("cannot decode '") + path +
                                   "': it is not MP3 music");
        return FMOD_ERR_FORMAT;
    }
    SoundControl::setOpenError("");
    *sound = opened.get();
    sounds.push_back(std::move(opened));
    return FMOD_OK;
}

FMOD_RESULT SystemObject::start(SoundObject* sound, bool paused, FMOD::Channel** channel) {
    if (maxChannels == 0)
        return FMOD_ERR_UNINITIALIZED;
    if (!sound)
        return FMOD_ERR_INVALID_PARAM;
    int rate = sound->stream.getSampleRate();
    if (nonRealTime) {
        SoundControl::setOutputName("none");
    } else if (!output) {
        output = Output::open(rate, *this, !SoundControl::isDeviceDisabled());
        outputRate = rate;
        SoundControl::setOutputName(output->getName());
    } else if (rate != outputRate) {
        return FMOD_ERR_FORMAT; // one device rate; streams are not resampled
    }

    if (sound->playingOn)
        sound->playingOn->halt();
    std::vector<ChannelObject*> stolen;
    {
        std::lock_guard<std::mutex> hold(mixLock);
        mixing.erase(std::remove_if(mixing.begin(), mixing.end(),
                                    [](ChannelObject* c) { return c->isStopped(); }),
                     mixing.end());
        // All channels busy: the oldest gives way, as a free-channel request steals it.
        while (int(mixing.size()) >= maxChannels) {
            stolen.push_back(mixing.front());
            mixing.erase(mixing.begin());
        }
    }
    // Stopped outside the mix lock, so the device callback never waits for a decoder to end.
    for (ChannelObject* channel : stolen)
        channel->halt();
    int latency = output ? output->getLatencyFrames() : 0;
    bool clocked = output && output->isClocked();
    auto started = std::make_unique<ChannelObject>(*sound, latency, clocked, nonRealTime, paused);
    sound->playingOn = started.get();
    {
        std::lock_guard<std::mutex> hold(mixLock);
        mixing.push_back(started.get());
    }
    if (channel)
        *channel = started.get();
    channels.push_back(std::move(started));
    return FMOD_OK;
}

void SystemObject::mix(float* out, int frames, double now) {
    std::lock_guard<std::mutex> hold(mixLock);
    for (ChannelObject* channel : mixing)
        channel->mix(out, frames, now);
}

} // namespace sound

namespace soundLayer = sound;
#include "platform/sound/FmodEntryPoints.inl"

// Decoding and mixing run on their own threads; there is nothing to service per frame.
FMOD_RESULT FMOD::System::update() {
    return FMOD_OK;
}
