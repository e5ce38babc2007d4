// The system's waveOut device as an Output: a thread of ours refills each buffer the device
// hands back, so the mixer runs at the device's own rate.
#pragma once

#include "platform/sound/Output.h"

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace sound {

class WaveOutput : public Output {
public:
    // Null when no device takes the format.
    static std::unique_ptr<WaveOutput> open(int sampleRate, Mixer& mixer);
    ~WaveOutput() override;

    int getLatencyFrames() const override { return latencyFrames; }
    std::string getName() const override { return "waveout"; }
    bool isClocked() const override { return true; }

private:
    struct Device;
    WaveOutput(Mixer& mixer);
    void run();

    Mixer& mixer;
    std::unique_ptr<Device> device;
    int latencyFrames = 0;
    std::atomic<bool> quitting{false};
    std::thread thread;
};

} // namespace sound
