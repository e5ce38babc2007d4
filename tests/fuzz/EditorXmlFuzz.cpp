// libFuzzer target: any bytes as editor XML are imported or refused with a TimelineError, and
// every key imported holds what its attributes said a key can hold.
#include "Timeline.h"

#include <cmath>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    try {
        for (const TrackSource& track : parseEditorXml(text, "fuzz.xml")) {
            if (track.name.size() > longestTrackName)
                __builtin_trap();
            for (const SourceKey& key : track.keys)
                if (!std::isfinite(key.value) || key.row < -lastTextRow || key.row > lastTextRow)
                    __builtin_trap();
        }
    } catch (const TimelineError&) {
    }
    return 0;
}
