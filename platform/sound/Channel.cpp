// Channels: decode ahead into a ring, hand frames to the device, report the heard position.
#include "platform/sound/SoundControl.h"
#include "platform/sound/SoundObjects.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace sound {

namespace {
constexpr int decodeChunkFrames = 4096;
} // namespace

ChannelObject::ChannelObject(SoundObject& sound, int latencyFrames, bool followsDevice,
                             bool nonRealTime, bool paused)
    : sound(sound), nonRealTime(nonRealTime), sampleRate(sound.stream.getSampleRate()),
      ring(nonRealTime ? 1 : std::max(sampleRate / 2, 2 * decodeChunkFrames)),
      clock(sampleRate, latencyFrames, followsDevice, sound.stream.getLength()) {
    double now = monotonicSeconds();
    clock.restart(now, 0.0, 0);
    if (paused)
        clock.pause(now);
    if (!nonRealTime)
        decoder = std::thread(&ChannelObject::decode, this);
}

ChannelObject::~ChannelObject() {
    halt();
}

void ChannelObject::decode() {
    std::vector<float> chunk(size_t(decodeChunkFrames) * 2);
    std::unique_lock<std::mutex> hold(lock);
    std::uint64_t decoding = ~generation;
    bool ended = false;
    while (!quitting) {
        if (decoding != generation) {
            decoding = generation;
            std::int64_t target = seekFrame;
            ended = false;
            hold.unlock();
            sound.stream.seek(target);
            hold.lock();
            continue;
        }
        if (ended || ring.getSpace() < decodeChunkFrames) {
            wake.wait_for(hold, std::chrono::milliseconds(4));
            continue;
        }
        hold.unlock();
        int decoded = sound.stream.read(chunk.data(), decodeChunkFrames);
        hold.lock();
        if (decoding != generation)
            continue; // a seek came while decoding: these frames are from the old place
        if (decoded == 0) {
            ended = true;
            decodedToEnd = true;
        } else
            ring.push(chunk.data(), decoded);
    }
}

void ChannelObject::mix(float* out, int frames, double now) {
    std::lock_guard<std::mutex> hold(lock);
    if (stopped || clock.isPaused())
        return;
    int delivered = 0;
    if (speed == 1.0)
        delivered = ring.popAdding(out, frames);
    else
        ring.popStepping(out, frames, speed, phase, delivered);
    clock.recordCallback(now, nextFrame, delivered);
    nextFrame += delivered;
}

void ChannelObject::reposition(double now, double milliseconds, std::int64_t frame) {
    ++generation;
    decodedToEnd = false;
    ring.clear();
    phase = 0.0;
    nextFrame = frame;
    seekFrame = frame;
    clock.restart(now, milliseconds, frame);
    wake.notify_one();
}

FMOD_RESULT ChannelObject::readPosition(unsigned int* milliseconds) {
    if (!milliseconds)
        return FMOD_ERR_INVALID_PARAM;
    if (nonRealTime) {
        *milliseconds = SoundControl::getNonRealTimePosition();
        return FMOD_OK;
    }
    std::lock_guard<std::mutex> hold(lock);
    *milliseconds = static_cast<unsigned int>(std::floor(clock.read(monotonicSeconds())));
    return FMOD_OK;
}

FMOD_RESULT ChannelObject::seek(unsigned int milliseconds) {
    if (nonRealTime) {
        SoundControl::setNonRealTimePosition(milliseconds);
        return FMOD_OK;
    }
    std::lock_guard<std::mutex> hold(lock);
    if (stopped)
        return FMOD_ERR_INVALID_HANDLE;
    double target = milliseconds;
    std::int64_t frame = std::llround(target * sampleRate / 1000.0);
    std::int64_t length = sound.stream.getLength();
    if (length >= 0 && frame > length) {
        frame = length;
        target = double(length) * 1000.0 / sampleRate;
    }
    reposition(monotonicSeconds(), target, frame);
    return FMOD_OK;
}

FMOD_RESULT ChannelObject::setPausedState(bool paused) {
    if (nonRealTime)
        return FMOD_OK;
    std::lock_guard<std::mutex> hold(lock);
    if (stopped)
        return FMOD_ERR_INVALID_HANDLE;
    double now = monotonicSeconds();
    if (paused == clock.isPaused())
        return FMOD_OK;
    if (paused) {
        clock.pause(now);
        // Resume exactly where the listener stopped hearing, not where the decoder had got to.
        double heard = clock.read(now);
        reposition(now, heard, std::llround(heard * sampleRate / 1000.0));
    } else {
        clock.resume(now);
    }
    return FMOD_OK;
}

FMOD_RESULT ChannelObject::setSpeed(double newSpeed) {
    if (!(newSpeed > 0.0) || newSpeed > 4.0)
        return FMOD_ERR_INVALID_PARAM;
    if (nonRealTime)
        return FMOD_OK;
    std::lock_guard<std::mutex> hold(lock);
    if (stopped)
        return FMOD_ERR_INVALID_HANDLE;
    if (newSpeed == speed)
        return FMOD_OK;
    // From exactly what is heard now, at the new speed.
    double now = monotonicSeconds();
    double heard = clock.read(now);
    reposition(now, heard, std::llround(heard * sampleRate / 1000.0));
    speed = newSpeed;
    clock.setSpeed(speed);
    return FMOD_OK;
}

double ChannelObject::getSpeed() {
    std::lock_guard<std::mutex> hold(lock);
    return speed;
}

FMOD_RESULT ChannelObject::halt() {
    {
        std::lock_guard<std::mutex> hold(lock);
        if (!stopped) {
            clock.pause(monotonicSeconds());
            stopped = true;
        }
        quitting = true;
        wake.notify_one();
    }
    if (decoder.joinable())
        decoder.join();
    if (sound.playingOn == this)
        sound.playingOn = nullptr;
    return FMOD_OK;
}

FMOD_RESULT ChannelObject::readPlaying(bool* playing) {
    if (!playing)
        return FMOD_ERR_INVALID_PARAM;
    // Offline there is no end: the position is whatever is set.
    if (nonRealTime) {
        *playing = true;
        return FMOD_OK;
    }
    std::lock_guard<std::mutex> hold(lock);
    // Over once every frame of the stream has been decoded, handed over and heard.
    double lastHeard = double(nextFrame) * 1000.0 / sampleRate;
    *playing = !stopped && !(decodedToEnd && ring.getCount() == 0 &&
                             clock.read(monotonicSeconds()) >= lastHeard - 1.0);
    return FMOD_OK;
}

bool ChannelObject::isStopped() {
    std::lock_guard<std::mutex> hold(lock);
    return stopped;
}

} // namespace sound
