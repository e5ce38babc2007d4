// Send effects on whole buffers: a tempo-synced ping-pong delay and a feedback-delay-network
// reverb.
#pragma once

#include "StereoBuffer.h"

namespace Synth {

struct DelaySettings {
    double rows = 6.0; // 3/16 of a bar at 8 rows per beat
    float feedback = 0.38f;
    float toneHz = 4200.0f;
};

struct ReverbSettings {
    float decaySeconds = 2.6f; // time to fall 60 dB
    float size = 1.0f;
    float dampingHz = 5200.0f;
    float predelaySeconds = 0.018f;
};

// Both replace the send signal in `buffer` by the wet signal.
void applyPingPongDelay(StereoBuffer& buffer, const DelaySettings& settings);
void applyReverb(StereoBuffer& buffer, const ReverbSettings& settings);

} // namespace Synth
