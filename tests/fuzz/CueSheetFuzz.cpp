// libFuzzer target: any bytes as a cue sheet are read or refused with a Kem::Exception naming
// the file; the cues read are in row order within the rows a timeline holds.
#include "kem/Exception.h"
#include "preview/CueSheet.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    try {
        std::vector<Cue> cues = parseCueSheet(text, "fuzz.cues");
        for (size_t i = 0; i < cues.size(); ++i)
            if (cues[i].row < 0 || cues[i].row > 99999999 ||
                (i > 0 && cues[i].row < cues[i - 1].row))
                __builtin_trap();
    } catch (const Kem::Exception& error) {
        if (std::string(error.getDetail().getData()).find("fuzz.cues") == std::string::npos)
            __builtin_trap();
    }
    return 0;
}
