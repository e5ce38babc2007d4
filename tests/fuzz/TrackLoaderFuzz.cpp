// libFuzzer target: any bytes as a track file must load without reading or allocating past
// the file, and evaluate without faults at any row.
#include "Sync.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace {

const std::string& folder() {
    static std::string path = [] {
        char pattern[] = "/tmp/oxbrine-fuzz-XXXXXX";
        if (!mkdtemp(pattern))
            std::abort();
        return std::string(pattern) + "/";
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    std::string path = folder() + "_t.track";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        std::abort();
    if (size > 0)
        std::fwrite(data, 1, size, file);
    std::fclose(file);

    TrackSet set(folder().c_str());
    Track* track = set.getTrack("t");
    long wholeKeys = size >= 4 ? long(size - 4) / 9 : 0;
    if (track->getKeyCount() < 0 || track->getKeyCount() > wholeKeys)
        __builtin_trap();

    double rows[] = {-1e12,
                     -1.0,
                     0.0,
                     0.5,
                     7.25,
                     1e3,
                     1e12,
                     std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity()};
    float sink = 0.0f;
    for (double row : rows)
        sink += track->getValue(row);
    // Rows taken from the data itself reach every segment.
    for (int i = 0; i < track->getKeyCount(); ++i)
        sink += track->getValue(track->getKeys()[i].row + 0.5);
    volatile float keep = sink;
    (void)keep;
    return 0;
}
