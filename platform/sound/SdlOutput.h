// The SDL2 audio device as an Output; only SDL's audio subsystem is initialised.
#pragma once

#include "platform/sound/Output.h"

#include <SDL.h>

namespace sound {

class SdlOutput : public Output {
public:
    // Null when the driver (the default one when driver is null) cannot start or open a device.
    static std::unique_ptr<SdlOutput> open(int sampleRate, Mixer& mixer, const char* driver);
    ~SdlOutput() override;

    int getLatencyFrames() const override { return latencyFrames; }
    std::string getName() const override { return name; }
    // SDL's dummy and disk drivers sleep per period, so they drift with the machine's load.
    bool isClocked() const override { return clocked; }

private:
    SdlOutput(Mixer& mixer) : mixer(mixer) {}
    static void callback(void* self, Uint8* stream, int bytes);

    Mixer& mixer;
    SDL_AudioDeviceID device = 0;
    int latencyFrames = 0;
    std::string name;
    bool clocked = true;
};

} // namespace sound
