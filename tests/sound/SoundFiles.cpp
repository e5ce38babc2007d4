// Test audio: WAV writer, LAME encoding through the shell.
#include "SoundFiles.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace soundtest {

std::string makeTemporaryFolder() {
    const char* root = std::getenv("TMPDIR");
    std::string pattern = std::string(root && *root ? root : "/tmp") + "/oxbrine-sound-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data()))
        return "";
    return buffer.data();
}

namespace {
void put16(std::ofstream& out, std::uint16_t value) {
    char bytes[2] = {char(value & 0xff), char(value >> 8)};
    out.write(bytes, 2);
}
void put32(std::ofstream& out, std::uint32_t value) {
    put16(out, std::uint16_t(value & 0xffff));
    put16(out, std::uint16_t(value >> 16));
}
} // namespace

void writeWav(const std::string& path, const std::vector<float>& samples, int rate) {
    std::ofstream out(path, std::ios::binary);
    std::uint32_t dataBytes = std::uint32_t(samples.size() * 2);
    out.write("RIFF", 4);
    put32(out, 36 + dataBytes);
    out.write("WAVEfmt ", 8);
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, 2);
    put32(out, std::uint32_t(rate));
    put32(out, std::uint32_t(rate * 4));
    put16(out, 4);
    put16(out, 16);
    out.write("data", 4);
    put32(out, dataBytes);
    for (float sample : samples) {
        float clamped = sample < -1.0f ? -1.0f : (sample > 1.0f ? 1.0f : sample);
        put16(out, std::uint16_t(std::int16_t(std::lround(clamped * 32767.0f))));
    }
}

bool encodeMp3(const std::string& wav, const std::string& mp3) {
    std::string command = "lame --quiet -b 192 '" + wav + "' '" + mp3 + "'";
    return std::system(command.c_str()) == 0;
}

std::string makeToneMp3(const std::string& folder, double seconds) {
    const int rate = 44100;
    std::vector<float> samples(size_t(seconds * rate) * 2);
    for (size_t i = 0; i < samples.size() / 2; ++i) {
        float value = 0.5f * float(std::sin(2.0 * M_PI * 440.0 * double(i) / rate));
        samples[i * 2] = value;
        samples[i * 2 + 1] = value;
    }
    std::string wav = folder + "/tone.wav";
    std::string mp3 = folder + "/tone.mp3";
    writeWav(wav, samples, rate);
    return encodeMp3(wav, mp3) ? mp3 : "";
}

} // namespace soundtest
