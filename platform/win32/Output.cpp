// Opening an output on Windows: the waveOut device, else our own paced silent thread.
#include "platform/sound/Output.h"

#include "platform/sound/PacedOutput.h"
#include "platform/sound/SoundControl.h"
#include "platform/win32/WaveOutput.h"

#include <cstdio>

namespace sound {

double monotonicSeconds() {
    return SoundControl::readClock();
}

std::unique_ptr<Output> Output::open(int sampleRate, Mixer& mixer, bool deviceAllowed) {
    if (deviceAllowed) {
        if (auto device = WaveOutput::open(sampleRate, mixer))
            return device;
        std::fprintf(stderr, "no audio device: playing silently\n");
    }
    return std::make_unique<PacedOutput>(sampleRate, mixer);
}

} // namespace sound
