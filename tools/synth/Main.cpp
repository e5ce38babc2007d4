// oxbrine-synth: renders the tune's source to a mastered WAV and writes its cue sheet.
// Usage: oxbrine-synth <tune.song> [--wav out.wav] [--cues out.cues] [--seconds n] [--runs n]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <malloc.h>
#include <string>
#include <vector>

#include "CueSheet.h"
#include "Limiter.h"
#include "Numbers.h"
#include "Renderer.h"
#include "SongParser.h"
#include "WavWriter.h"
#include "kem/Exception.h"
#include "platform/Files.h"

namespace {

struct Options {
    std::string source, wav, cues;
    double seconds = -1.0;
    int runs = 1;
};

double optionNumber(const char* option, const text::NumberRead& read) {
    if (!read.ok)
        throw Kem::Exception((std::string(option) + " " + read.problem).c_str(), __FILE__,
                             __LINE__);
    return read.value;
}

Options parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--wav" && hasValue)
            options.wav = argv[++i];
        else if (arg == "--cues" && hasValue)
            options.cues = argv[++i];
        else if (arg == "--seconds" && hasValue)
            options.seconds =
                optionNumber("--seconds", text::readDecimal(argv[++i], Synth::shortestSeconds,
                                                            Synth::longestSeconds));
        else if (arg == "--runs" && hasValue)
            options.runs = int(optionNumber("--runs", text::readInteger(argv[++i], 1, 100)));
        else if (options.source.empty() && arg[0] != '-')
            options.source = arg;
        else
            throw Kem::Exception(("Unexpected argument: " + arg).c_str(), __FILE__, __LINE__);
    }
    if (options.source.empty())
        throw Kem::Exception("Usage: oxbrine-synth <tune.song> [--wav out.wav] [--cues out.cues] "
                             "[--seconds n] [--runs n]",
                             __FILE__, __LINE__);
    return options;
}

} // namespace

int main(int argc, char** argv) {
    // Keep freed mix buffers in the heap for the next ones: fresh pages cost a fault each.
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    try {
        Options options = parseOptions(argc, argv);
        Synth::Song song = Synth::loadSong(options.source);
        if (options.seconds > 0.0)
            song.seconds = options.seconds;
        // The cue sheet is written with the WAV, once the music rendered: both or neither.
        std::string cues = options.cues.empty() ? std::string() : Synth::cueSheet(song);
        // Several runs measure render speed; every run renders the same bytes.
        std::vector<double> timings;
        Synth::StereoBuffer mix;
        Synth::MasterReport report;
        for (int run = 0; run < options.runs; ++run) {
            auto begin = std::chrono::steady_clock::now();
            mix = Synth::renderMix(song);
            Synth::MasterSettings settings;
            settings.targetLufs = song.targetLufs;
            settings.ceilingDbtp = song.ceilingDbtp;
            report = Synth::master(mix, settings);
            timings.push_back(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
        }
        std::sort(timings.begin(), timings.end());
        double median = timings[timings.size() / 2];
        std::printf("oxbrine-synth: %.1f s of music in %.3f s (median of %d), %.1fx real time\n",
                    song.seconds, median, options.runs, song.seconds / median);
        std::printf("oxbrine-synth: mix %.2f LUFS, make-up %+.2f dB, peak reduction %.2f dB, "
                    "out %.2f LUFS, %.2f dBTP\n",
                    report.inputLufs, report.makeUpDb, report.maxReductionDb, report.outputLufs,
                    report.truePeakDbtp);
        if (!options.wav.empty())
            Synth::writeWav16(options.wav, mix);
        if (!options.cues.empty())
            platform::writeFileAtomically(options.cues, cues);
        return 0;
    } catch (const Kem::Exception& error) {
        std::fprintf(stderr, "oxbrine-synth: %s\n", error.getMessage().getData());
        return 1;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "oxbrine-synth: out of memory rendering the tune\n");
        return 1;
    }
}
