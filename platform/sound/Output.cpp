// Opening an output: SDL's default driver, then SDL's dummy driver, then our own paced thread.
#include "platform/sound/Output.h"

#include "platform/sound/PacedOutput.h"
#include "platform/sound/SdlOutput.h"

#include <chrono>

namespace sound {

double monotonicSeconds() {
    auto since = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration<double>(since).count();
}

std::unique_ptr<Output> Output::open(int sampleRate, Mixer& mixer, bool deviceAllowed) {
    if (deviceAllowed) {
        if (auto device = SdlOutput::open(sampleRate, mixer, nullptr))
            return device;
        // No card or no sound server: SDL's dummy driver consumes audio at real time.
        if (auto dummy = SdlOutput::open(sampleRate, mixer, "dummy"))
            return dummy;
    }
    return std::make_unique<PacedOutput>(sampleRate, mixer);
}

} // namespace sound
