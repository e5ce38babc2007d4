// libFuzzer target: any bytes as a tune source are parsed or refused with a Kem::Exception, and a
// tune parsed stays within the limits the renderer is sized for: its length, no note before row
// 0, not more notes than allowed.
#include "SongParser.h"
#include "kem/Exception.h"

#include <cmath>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    try {
        Synth::Song song = Synth::parseSong(text, "fuzz.song");
        if (!(song.seconds >= Synth::shortestSeconds && song.seconds <= Synth::longestSeconds))
            __builtin_trap();
        if (song.events.size() > (1u << 20))
            __builtin_trap();
        for (const Synth::NoteEvent& event : song.events)
            if (!(event.row >= 0.0) || !std::isfinite(event.lengthRows) || event.instrument < 0 ||
                size_t(event.instrument) >= song.instruments.size())
                __builtin_trap();
    } catch (const Kem::Exception&) {
    }
    return 0;
}
