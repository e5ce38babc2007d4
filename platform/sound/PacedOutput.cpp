// Paced silent output: deadlines are absolute, so sleeping late never makes the clock drift.
#include "platform/sound/PacedOutput.h"

#include <chrono>
#include <vector>

namespace sound {

PacedOutput::PacedOutput(int sampleRate, Mixer& mixer)
    : mixer(mixer), sampleRate(sampleRate),
      periodFrames(sampleRate / 100 > 0 ? sampleRate / 100 : 1) {
    thread = std::thread(&PacedOutput::run, this);
}

PacedOutput::~PacedOutput() {
    quitting = true;
    thread.join();
}

void PacedOutput::run() {
    using Clock = std::chrono::steady_clock;
    std::vector<float> buffer(size_t(periodFrames) * 2);
    const auto period = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(double(periodFrames) / sampleRate));
    auto deadline = Clock::now();
    while (!quitting) {
        std::fill(buffer.begin(), buffer.end(), 0.0f);
        mixer.mix(buffer.data(), periodFrames, monotonicSeconds());
        deadline += period;
        auto now = Clock::now();
        // After a long stall (a suspended machine) start afresh rather than rush to catch up.
        if (now - deadline > std::chrono::milliseconds(200))
            deadline = now;
        std::this_thread::sleep_until(deadline);
    }
}

} // namespace sound
