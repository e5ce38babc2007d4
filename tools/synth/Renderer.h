// Renders a Song into a stereo mix: voices per instrument, sidechain ducking, pan and width,
// send effects, master automation and a DC blocker (mastering is a separate step).
#pragma once

#include "Song.h"
#include "StereoBuffer.h"

namespace Synth {

// The mix of the first `seconds` of the tune (the song's length when negative).
StereoBuffer renderMix(const Song& song, double seconds = -1.0);

// 0 .. 1 per sample: how far the kick's sidechain pulls ducked instruments down.
std::vector<float> sidechainShape(const Song& song, size_t frames);

} // namespace Synth
