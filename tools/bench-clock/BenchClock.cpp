// Prints how smoothly the music position follows the wall clock while playing, and what one
// Sync::getValue costs with 110 tracks loaded.
// Usage: oxbrine-bench-clock [music.mp3]   (without one, a tone is encoded with LAME)
#include "FmodAudio.h"
#include "Sync.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/sound/SoundControl.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double percentile(std::vector<double> values, double fraction) {
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[size_t(fraction * double(values.size() - 1))];
}

std::string makeFolder() {
    char pattern[] = "/tmp/oxbrine-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    return std::string(pattern) + "/";
}

std::string makeToneMp3(const std::string& folder) {
    std::string wav = folder + "tone.wav";
    std::string mp3 = folder + "tone.mp3";
    std::string command = "sox -q -n -r 44100 -c 2 '" + wav +
                          "' synth 20 sine 440 && lame --quiet '" + wav + "' '" + mp3 + "'";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "could not make a test tone with sox and lame\n");
        std::exit(1);
    }
    return mp3;
}

// Steps of the position against steps of the wall clock over `seconds` of reads ~1 ms apart.
void measureSmoothness(const std::string& mp3, const char* label, double seconds) {
    FmodAudio audio;
    audio.startStream(mp3.c_str());
    platform::sleepMilliseconds(200);
    std::vector<double> deviations;
    double lastPosition = audio.getPosition() * 1000.0;
    Clock::time_point lastTime = Clock::now();
    Clock::time_point end = lastTime + std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::duration<double>(seconds));
    int backwards = 0;
    while (Clock::now() < end) {
        platform::sleepMilliseconds(1);
        double position = audio.getPosition() * 1000.0;
        Clock::time_point now = Clock::now();
        double wallStep = std::chrono::duration<double, std::milli>(now - lastTime).count();
        if (position < lastPosition)
            ++backwards;
        deviations.push_back(std::fabs((position - lastPosition) - wallStep));
        lastPosition = position;
        lastTime = now;
    }
    std::printf("clock smoothness (%s, output %s): %zu reads, |position step - wall step| "
                "median %.3f ms, p99 %.3f ms, max %.3f ms, backward steps %d\n",
                label, SoundControl::getOutputName().c_str(), deviations.size(),
                percentile(deviations, 0.5), percentile(deviations, 0.99),
                percentile(deviations, 1.0), backwards);
}

class FixedAudio : public Audio {
public:
    void update() override {}
    void pause() override {}
    void play() override {}
    void stop() override {}
    bool isLoaded() override { return true; }
    bool isPlaying() override { return true; }
    double getPosition() override { return seconds; }
    void setPosition(double value) override { seconds = value; }
    double seconds = 0.0;
};

void writeTrack(const std::string& path, int keys, unsigned seed) {
    std::vector<unsigned char> bytes;
    auto put = [&bytes](const void* data, size_t size) {
        const auto* from = static_cast<const unsigned char*>(data);
        bytes.insert(bytes.end(), from, from + size);
    };
    std::int32_t count = keys;
    put(&count, 4);
    for (int i = 0; i < keys; ++i) {
        std::int32_t row = i * 24;
        seed = seed * 1103515245u + 12345u;
        float value = float(seed >> 16) / 65536.0f;
        unsigned char type = static_cast<unsigned char>(i % 4);
        put(&row, 4);
        put(&value, 4);
        put(&type, 1);
    }
    platform::writeFileAtomically(path, bytes);
}

// Nanoseconds per Sync::getValue, cycling through every name; the median of several runs.
double timeReads(const std::vector<std::string>& names, Audio& clock, int callsPerRun) {
    std::vector<double> runs;
    volatile float sink = 0.0f;
    for (int run = 0; run < 7; ++run) {
        Clock::time_point start = Clock::now();
        for (int i = 0; i < callsPerRun; ++i) {
            clock.setPosition(double(i % 4000) * 0.019);
            sink = sink + Sync::getValue(names[size_t(i) % names.size()].c_str());
        }
        runs.push_back(std::chrono::duration<double, std::nano>(Clock::now() - start).count() /
                       callsPerRun);
    }
    return percentile(runs, 0.5);
}

void measureSyncReads(const std::string& folder, const std::string& mp3) {
    const int trackCount = 110;
    std::vector<std::string> names;
    for (int i = 0; i < trackCount; ++i) {
        names.push_back("Bench Track " + std::to_string(i));
        writeTrack(folder + "_" + names.back() + ".track", 200, unsigned(i) + 1);
    }
    Sync::setTrackDirectory(folder.c_str());
    FixedAudio fixed;
    Sync::setAudio(&fixed, 17.946666666666665);
    for (const std::string& name : names)
        Sync::getValue(name.c_str());

    double all = timeReads(names, fixed, 2000000);
    double last = timeReads({names.back()}, fixed, 2000000);
    double first = timeReads({names.front()}, fixed, 2000000);
    std::printf("Sync::getValue, %d tracks of 200 keys, fixed clock: median %.1f ns per call "
                "(cycling all names), %.1f ns (first-created name), %.1f ns (last-created)\n",
                trackCount, all, first, last);

    FmodAudio audio;
    audio.startStream(mp3.c_str());
    Sync::setAudio(&audio, 17.946666666666665);
    std::vector<double> runs;
    volatile float sink = 0.0f;
    for (int run = 0; run < 7; ++run) {
        Clock::time_point start = Clock::now();
        for (int i = 0; i < 500000; ++i)
            sink = sink + Sync::getValue(names[size_t(i) % names.size()].c_str());
        runs.push_back(std::chrono::duration<double, std::nano>(Clock::now() - start).count() /
                       500000);
    }
    std::printf("Sync::getValue with the sound layer's clock (output %s): median %.1f ns per "
                "call\n",
                SoundControl::getOutputName().c_str(), percentile(runs, 0.5));
    Sync::setAudio(nullptr, 17.946666666666665);
}

} // namespace

int main(int argc, char** argv) {
    std::string folder = makeFolder();
    std::string mp3 = argc > 1 ? argv[1] : makeToneMp3(folder);
    if (!std::getenv("SDL_AUDIODRIVER"))
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    measureSmoothness(mp3, "SDL audio", 5.0);
    SoundControl::setDeviceDisabled(true);
    measureSmoothness(mp3, "no device", 3.0);
    SoundControl::setDeviceDisabled(false);
    measureSyncReads(folder, mp3);
    return 0;
}
