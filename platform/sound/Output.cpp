// Opening an output: SDL's default driver, then SDL's dummy driver, then our own paced thread.
#include "platform/sound/Output.h"

#include "platform/sound/PacedOutput.h"
#include "platform/sound/SdlOutput.h"
#include "platform/sound/SoundControl.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace sound {

namespace {

// The sound system's libraries (ALSA above all) report a missing card in a dozen lines of their
// own; while a device is looked for, standard error goes to /dev/null and the show says it once.
class QuietStandardError {
public:
    QuietStandardError() {
        std::fflush(stderr);
        saved = dup(STDERR_FILENO);
        int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved >= 0 && null >= 0)
            dup2(null, STDERR_FILENO);
        if (null >= 0)
            close(null);
    }
    ~QuietStandardError() {
        std::fflush(stderr);
        if (saved >= 0) {
            dup2(saved, STDERR_FILENO);
            close(saved);
        }
    }
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

private:
    int saved = -1;
};

std::unique_ptr<SdlOutput> openDefaultDevice(int sampleRate, Mixer& mixer) {
    QuietStandardError quiet;
    return SdlOutput::open(sampleRate, mixer, nullptr);
}

} // namespace

double monotonicSeconds() {
    return SoundControl::readClock();
}

std::unique_ptr<Output> Output::open(int sampleRate, Mixer& mixer, bool deviceAllowed) {
    if (deviceAllowed) {
        if (auto device = openDefaultDevice(sampleRate, mixer))
            return device;
        std::fprintf(stderr, "no audio device: playing silently\n");
        // No card or no sound server: SDL's dummy driver consumes audio at real time.
        if (auto dummy = SdlOutput::open(sampleRate, mixer, "dummy"))
            return dummy;
    }
    return std::make_unique<PacedOutput>(sampleRate, mixer);
}

} // namespace sound
