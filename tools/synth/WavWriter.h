// Writes 16-bit stereo PCM WAV files with deterministic triangular dither.
#pragma once

#include <string>

#include "StereoBuffer.h"

namespace Synth {

// Samples are clamped to full scale; throws Kem::Exception when the file cannot be written.
void writeWav16(const std::string& path, const StereoBuffer& audio);

} // namespace Synth
