// A silent output of our own: a thread that takes one period of frames every period of real time.
#pragma once

#include "platform/sound/Output.h"

#include <atomic>
#include <thread>

namespace sound {

class PacedOutput : public Output {
public:
    PacedOutput(int sampleRate, Mixer& mixer);
    ~PacedOutput() override;

    int getLatencyFrames() const override { return periodFrames; }
    std::string getName() const override { return "paced"; }
    bool isClocked() const override { return false; }

private:
    void run();

    Mixer& mixer;
    int sampleRate;
    int periodFrames;
    std::atomic<bool> quitting{false};
    std::thread thread;
};

} // namespace sound
