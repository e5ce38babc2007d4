// libFuzzer target: any bytes as a timeline source are parsed or refused with a TimelineError;
// what parses is written back as text and parses again to the same keys.
#include "Timeline.h"
#include "TimelineWriter.h"

#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<TrackSource> tracks;
    try {
        tracks = parseTimeline(text, "fuzz.tl");
    } catch (const TimelineError&) {
        return 0;
    }
    std::string written;
    try {
        written = formatTimeline(tracks, {});
    } catch (const TimelineError&) {
        return 0; // names given twice, keys out of order: the writer refuses them too
    }
    std::vector<TrackSource> again = parseTimeline(written, "again.tl");
    if (again.size() != tracks.size())
        __builtin_trap();
    for (size_t t = 0; t < tracks.size(); ++t) {
        if (again[t].name != tracks[t].name || again[t].keys.size() != tracks[t].keys.size())
            __builtin_trap();
        for (size_t k = 0; k < tracks[t].keys.size(); ++k) {
            const SourceKey& a = tracks[t].keys[k];
            const SourceKey& b = again[t].keys[k];
            if (a.row != b.row || a.interpolation != b.interpolation ||
                std::memcmp(&a.value, &b.value, sizeof a.value) != 0)
                __builtin_trap();
        }
    }
    return 0;
}
