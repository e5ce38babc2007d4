// Parses and validates oxbrine-render's arguments.
#include "Options.h"

#include "LaunchOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

const char* const renderUsage =
    "usage:\n"
    "  oxbrine-render [--resolution WxH] [--tracks DIR] frame TIME OUT.png\n"
    "  oxbrine-render [--resolution WxH] [--tracks DIR] frames --fps RATE --from T0 --to T1 "
    "OUTDIR\n"
    "  oxbrine-render [--resolution WxH] [--tracks DIR] video [--fps RATE] OUT.mp4\n"
    "  oxbrine-render [--resolution WxH] [--tracks DIR] sheet --every SECONDS OUT.png\n"
    "  oxbrine-render [--resolution WxH] [--tracks DIR] bench [--fps RATE] [--from T0 --to T1]\n"
    "  oxbrine-render --version\n"
    "WxH is 1920x1080, 1280x720 (default) or 1024x768; times are seconds from 0 to 78;\n"
    "RATE is a number or a fraction such as 60000/1001 (default 60). Run it from the folder\n"
    "that holds Data/, or name that folder with --data-root DIR (paths given on the command\n"
    "line stay relative to where it is run).\n";

long long FrameRate::frameMilliseconds(long long frame) const {
    // Exact in integers: frame * 1000 * den / num, rounded half up.
    long long scaled = frame * 1000 * denominator;
    return (2 * scaled + numerator) / (2 * numerator);
}

long long FrameRate::firstFrameAtOrAfter(double seconds) const {
    double frames = seconds * double(numerator) / double(denominator);
    long long frame = static_cast<long long>(std::ceil(frames - 1e-9));
    return frame < 0 ? 0 : frame;
}

namespace {

bool parseWhole(const std::string& text, long long& value) {
    if (text.empty() || text[0] == '-' || text[0] == '+')
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(text.c_str(), &end, 10);
    return errno == 0 && *end == '\0';
}

double parseSeconds(const std::string& what, const std::string& text) {
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(value))
        throw UsageError(what + " must be a number of seconds, not '" + text + "'");
    if (value < 0.0 || value > showSeconds)
        throw UsageError(what + " " + text + " is outside the show (0 to 78 s)");
    return value;
}

} // namespace

FrameRate parseFrameRate(const std::string& text) {
    FrameRate rate;
    size_t slash = text.find('/');
    if (slash != std::string::npos) {
        if (!parseWhole(text.substr(0, slash), rate.numerator) ||
            !parseWhole(text.substr(slash + 1), rate.denominator))
            throw UsageError("frame rate '" + text + "' is not a fraction such as 60000/1001");
    } else {
        // Decimals become exact fractions over a power of ten: 29.97 is 2997/100.
        size_t dot = text.find('.');
        std::string digits = text;
        rate.denominator = 1;
        if (dot != std::string::npos) {
            digits = text.substr(0, dot) + text.substr(dot + 1);
            for (size_t i = dot + 1; i < text.size() && rate.denominator < 1000000; ++i)
                rate.denominator *= 10;
        }
        if (!parseWhole(digits, rate.numerator) || text.size() - dot > 7)
            throw UsageError("frame rate '" + text + "' is not a number or a fraction");
    }
    if (rate.numerator <= 0 || rate.denominator <= 0 || rate.perSecond() > 1000.0 ||
        rate.perSecond() < 0.01)
        throw UsageError("frame rate '" + text + "' must be between 0.01 and 1000");
    return rate;
}

Options parseOptions(int argc, const char* const* argv) {
    Options options;
    std::vector<std::string> args(argv + 1, argv + argc);
    size_t i = 0;
    auto value = [&](const std::string& flag) -> std::string {
        if (i + 1 >= args.size())
            throw UsageError(flag + " needs a value");
        return args[++i];
    };
    std::vector<std::string> positional;
    bool fpsGiven = false, fromGiven = false, toGiven = false, everyGiven = false;
    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options.mode = Mode::Help;
            return options;
        } else if (arg == "--version") {
            options.mode = Mode::Version;
            return options;
        } else if (arg == "--data-root") {
            options.dataRoot = value(arg);
        } else if (arg == "--resolution") {
            std::string wanted = value(arg);
            options.resolution = -1;
            for (int r = 0; r < resolutionCount; ++r)
                if (wanted == resolutions[r].label)
                    options.resolution = r;
            if (options.resolution < 0)
                throw UsageError("unknown resolution '" + wanted +
                                 "' (use 1920x1080, 1280x720 or 1024x768)");
        } else if (arg == "--tracks") {
            options.tracks = value(arg);
        } else if (arg == "--fps") {
            options.fps = parseFrameRate(value(arg));
            fpsGiven = true;
        } else if (arg == "--from") {
            options.from = parseSeconds("--from", value(arg));
            fromGiven = true;
        } else if (arg == "--to") {
            options.to = parseSeconds("--to", value(arg));
            toGiven = true;
        } else if (arg == "--every") {
            std::string text = value(arg);
            char* end = nullptr;
            options.every = std::strtod(text.c_str(), &end);
            if (text.empty() || *end != '\0' || !(options.every >= 0.1) || options.every > 78.0)
                throw UsageError("--every must be seconds between 0.1 and 78, not '" + text + "'");
            everyGiven = true;
        } else if (arg.size() > 1 && arg[0] == '-' &&
                   !std::isdigit(static_cast<unsigned char>(arg[1]))) {
            throw UsageError("unknown option '" + arg + "'");
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.empty())
        throw UsageError("no command given");
    const std::string command = positional[0];
    auto expect = [&](size_t count) {
        if (positional.size() != count)
            throw UsageError("'" + command + "' takes " + std::to_string(count - 1) +
                             " argument(s)");
    };
    auto refuse = [&](bool given, const char* flag) {
        if (given)
            throw UsageError(std::string(flag) + " does not apply to '" + command + "'");
    };
    if (command == "frame") {
        expect(3);
        refuse(fpsGiven || fromGiven || toGiven || everyGiven, "--fps/--from/--to/--every");
        options.mode = Mode::Frame;
        options.time = parseSeconds("TIME", positional[1]);
        if (options.time >= showSeconds)
            throw UsageError("TIME must be before the end of the show (78 s)");
        options.output = positional[2];
    } else if (command == "frames") {
        expect(2);
        refuse(everyGiven, "--every");
        if (!fpsGiven || !fromGiven || !toGiven)
            throw UsageError("'frames' needs --fps, --from and --to");
        options.mode = Mode::Frames;
        options.output = positional[1];
    } else if (command == "video") {
        expect(2);
        refuse(fromGiven || toGiven || everyGiven, "--from/--to/--every");
        options.mode = Mode::Video;
        options.output = positional[1];
    } else if (command == "sheet") {
        expect(2);
        refuse(fpsGiven || fromGiven || toGiven, "--fps/--from/--to");
        if (!everyGiven)
            throw UsageError("'sheet' needs --every SECONDS");
        options.mode = Mode::Sheet;
        options.output = positional[1];
    } else if (command == "bench") {
        expect(1);
        refuse(everyGiven, "--every");
        if (fromGiven != toGiven)
            throw UsageError("'bench' takes --from and --to together");
        options.mode = Mode::Bench;
    } else {
        throw UsageError("unknown command '" + command + "'");
    }
    options.rangeGiven = fromGiven && toGiven;
    if (options.rangeGiven && !(options.from < options.to))
        throw UsageError("--from must be before --to");
    return options;
}
