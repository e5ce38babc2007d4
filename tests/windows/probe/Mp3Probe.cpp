// Decodes part of an MP3 through the Windows sound layer's stream (the system's ACM codec), so
// that a host-side check can compare it with a gapless reference decode.
// Usage: oxbrine-mp3probe FILE START_FRAME FRAME_COUNT OUT_FILE (raw float32 stereo)
#include "platform/sound/Mp3Stream.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s FILE START_FRAME FRAME_COUNT OUT_FILE\n", argv[0]);
        return 2;
    }
    sound::Mp3Stream stream(argv[1]);
    if (!stream.isOpen()) {
        std::fprintf(stderr, "cannot decode %s\n", argv[1]);
        return 1;
    }
    const long long start = std::atoll(argv[2]);
    const long long wanted = std::atoll(argv[3]);
    if (start > 0)
        stream.seek(start);
    std::vector<float> samples;
    std::vector<float> chunk(4096 * 2);
    while ((long long)(samples.size() / 2) < wanted) {
        const long long left = wanted - (long long)(samples.size() / 2);
        const int got = stream.read(chunk.data(), int(left < 4096 ? left : 4096));
        if (got == 0)
            break;
        samples.insert(samples.end(), chunk.begin(), chunk.begin() + got * 2);
    }
    std::FILE* out = std::fopen(argv[4], "wb");
    if (!out)
        return 1;
    std::fwrite(samples.data(), sizeof(float), samples.size(), out);
    std::fclose(out);
    std::printf("rate %d length %lld decoded %zu\n", stream.getSampleRate(),
                (long long)stream.getLength(), samples.size() / 2);
    return 0;
}
