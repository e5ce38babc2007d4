// Parses the preview's command line into its options, refusing anything it cannot honour.
#include "PreviewOptions.h"

#include "Demo.h"
#include "EditorLink.h"
#include "LaunchOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

const char* const previewUsage =
    "usage: oxbrine-preview [--resolution WxH] [--start SECONDS] [--paused] [--loop T0 T1]\n"
    "                       [--editor [HOST:]PORT] [--content DIR] [--panel]\n"
    "                       [--screenshot FILE] [--report-lanes]\n"
    "       oxbrine-preview --version\n"
    "Plays the show in a resizable window for working on it; run from the folder holding Data/.\n"
    "  --resolution  1920x1080, 1280x720 or 1024x768 (default 1280x720)\n"
    "  --start       where the music starts, in seconds\n"
    "  --paused      start paused\n"
    "  --loop        play T0..T1 over and over\n"
    "  --editor      follow a sync-tracker editor listening there (host 127.0.0.1 by default)\n"
    "  --content     the content sources to watch (default: the source tree's content/)\n"
    "  --panel       open the track panel (F2) at once\n"
    "  --screenshot  save the whole window as a PNG once the music lanes are ready, then quit\n"
    "  --report-lanes  print the lanes' place and the waveform's columns (for tests)\n"
    "Keys: Space play/pause, Left/Right a beat (Shift: a bar, Ctrl: a marker), Page Up/Down a\n"
    "phrase, Home the start, comma/period a frame while paused, [ and ] slower and faster, L loop\n"
    "start/end/clear, M a marker, G snapping, W the music lanes, H the HUD, F2 the track editor,\n"
    "F12 saves the show's image (Shift: the whole window), Escape or Q quits.\n";

namespace {

double parseSeconds(const std::string& what, const char* text) {
    char* end = nullptr;
    errno = 0;
    double value = std::strtod(text, &end);
    if (!*text || *end != '\0' || errno != 0 || !std::isfinite(value))
        throw PreviewUsageError(what + " must be a number of seconds, not '" + text + "'");
    if (value < 0.0 || value > Demo::showLength)
        throw PreviewUsageError(what + " " + text + " is outside the show (0 to 78 s)");
    return value;
}

void parseEditor(const std::string& text, PreviewOptions& options) {
    if (!parseEditorAddress(text, options.editorHost, options.editorPort))
        throw PreviewUsageError("--editor must be [HOST:]PORT with a port from 1 to 65535, not '" +
                                text + "'");
    options.editor = true;
}

} // namespace

PreviewOptions parsePreviewOptions(int argc, const char* const* argv,
                                   const std::string& defaultContent) {
    PreviewOptions options;
    options.content = defaultContent;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc)
                throw PreviewUsageError(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--resolution") {
            std::string wanted = value();
            options.resolution = -1;
            for (int r = 0; r < resolutionCount; ++r)
                if (wanted == resolutions[r].label)
                    options.resolution = r;
            if (options.resolution < 0)
                throw PreviewUsageError(
                    "--resolution must be 1920x1080, 1280x720 or 1024x768, not '" + wanted + "'");
        } else if (arg == "--start") {
            options.start = parseSeconds("--start", value());
        } else if (arg == "--paused") {
            options.paused = true;
        } else if (arg == "--loop") {
            options.loopStart = parseSeconds("--loop", value());
            options.loopEnd = parseSeconds("--loop", value());
            if (options.loopEnd <= options.loopStart)
                throw PreviewUsageError("--loop needs T0 before T1");
            options.loop = true;
        } else if (arg == "--editor") {
            parseEditor(value(), options);
        } else if (arg == "--content") {
            options.content = value();
        } else if (arg == "--panel") {
            options.panel = true;
        } else if (arg == "--screenshot") {
            options.screenshot = value();
        } else if (arg == "--report-lanes") {
            options.reportLanes = true;
        } else {
            throw PreviewUsageError("unknown argument '" + arg + "'");
        }
    }
    return options;
}
