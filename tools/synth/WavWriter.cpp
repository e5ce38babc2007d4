// RIFF/WAVE writer: 44.1 kHz, two channels, 16-bit little-endian samples.
#include "WavWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "Grid.h"
#include "Rng.h"
#include "kem/Exception.h"
#include "platform/Files.h"

namespace Synth {
namespace {

void put32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void put16(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

} // namespace

void writeWav16(const std::string& path, const StereoBuffer& audio) {
    const uint32_t dataBytes = static_cast<uint32_t>(audio.size() * 4);
    std::vector<uint8_t> bytes;
    bytes.reserve(44 + dataBytes);
    bytes.insert(bytes.end(), {'R', 'I', 'F', 'F'});
    put32(bytes, 36 + dataBytes);
    bytes.insert(bytes.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(bytes, 16);
    put16(bytes, 1); // PCM
    put16(bytes, 2);
    put32(bytes, kSampleRate);
    put32(bytes, kSampleRate * 4);
    put16(bytes, 4);
    put16(bytes, 16);
    bytes.insert(bytes.end(), {'d', 'a', 't', 'a'});
    put32(bytes, dataBytes);
    Rng dither(0x5eed1234u);
    for (size_t n = 0; n < audio.size(); ++n) {
        for (float value : {audio.left[n], audio.right[n]}) {
            float noise = (dither.nextUnit() - dither.nextUnit()); // triangular, +-1 LSB
            long quantised = std::lround(value * 32767.0f + noise);
            put16(bytes, static_cast<uint16_t>(
                             static_cast<int16_t>(std::clamp(quantised, -32767L, 32767L))));
        }
    }
    platform::writeFileAtomically(path, bytes);
}

} // namespace Synth
