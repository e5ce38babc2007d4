// Test audio made on the spot: WAVs written here, MP3s encoded with LAME.
#pragma once

#include <string>
#include <vector>

namespace soundtest {

// A fresh folder under the system's temporary directory.
std::string makeTemporaryFolder();
// 16-bit stereo PCM WAV of the given samples (interleaved, -1..1).
void writeWav(const std::string& path, const std::vector<float>& samples, int rate);
// Encodes a WAV with LAME (its tag carries the delay and padding); false when LAME failed.
bool encodeMp3(const std::string& wav, const std::string& mp3);
// A 440 Hz stereo tone of the given length, as MP3 in folder; the path, or "" on failure.
std::string makeToneMp3(const std::string& folder, double seconds);

} // namespace soundtest
