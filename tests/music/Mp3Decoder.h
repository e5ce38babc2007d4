// Decodes an MP3 file with libmpg123 (gapless) into 44.1 kHz stereo float samples.
#pragma once

#include <string>

#include "StereoBuffer.h"

// Throws Kem::Exception when the file cannot be opened or decoded.
Synth::StereoBuffer decodeMp3(const std::string& path);
