// oxbrine-trackc: compiles timeline sources into the show's track files and checks them.
#include "Checker.h"
#include "FileIo.h"
#include "Timeline.h"
#include "TimelineWriter.h"
#include "TrackReader.h"
#include "TrackWriter.h"

#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

namespace {

const char* const usage =
    "usage: oxbrine-trackc --out DIR [--sources ROOT] [--limits FILE] [--stamp FILE] INPUT...\n"
    "       oxbrine-trackc export TRACKFILE... -o FILE.tl\n"
    "  INPUT      timeline files (.tl) or sync-tracker editor XML (.xml)\n"
    "  --out      folder that receives one _<name>.track per track\n"
    "  --sources  program source tree: every read track needs a source and vice versa\n"
    "  --limits   value limits (\"min max name\" lines) checked over the whole show\n"
    "  --stamp    file touched after a successful run\n"
    "  export     turns compiled _<name>.track files back into one timeline file\n";

// Compiled track files back to text; compiling that text gives the same bytes again.
int exportTracks(int argc, char** argv) {
    std::string output;
    std::vector<std::string> inputs;
    for (int i = 2; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "-o") {
            if (i + 1 >= argc) {
                std::cerr << "-o needs a file\n" << usage;
                return 2;
            }
            output = argv[++i];
        } else {
            inputs.push_back(arg);
        }
    }
    if (output.empty() || inputs.empty()) {
        std::cerr << usage;
        return 2;
    }
    try {
        std::vector<TrackSource> tracks;
        for (const std::string& input : inputs)
            tracks.push_back(readCompiledTrack(input));
        for (const TrackSource& track : tracks)
            if (track.keys.empty())
                std::cerr << "trackc: warning: " << track.file
                          << " holds no keys; the compiler refuses the track until it has one\n";
        replaceFile(output, formatTimeline(tracks, {"Exported by oxbrine-trackc from compiled "
                                                    "track files."}));
        std::cout << "trackc: " << tracks.size() << " tracks into " << output << "\n";
        return 0;
    } catch (const TimelineError& e) {
        std::cerr << "trackc: " << e.what() << "\n";
        return 1;
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "export") == 0)
        return exportTracks(argc, argv);
    std::string out, sources, limitsPath, stamp;
    std::vector<std::string> inputs;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto next = [&](std::string& into) {
            if (i + 1 >= argc) {
                std::cerr << arg << " needs a value\n" << usage;
                std::exit(2);
            }
            into = argv[++i];
        };
        if (arg == "--out")
            next(out);
        else if (arg == "--sources")
            next(sources);
        else if (arg == "--limits")
            next(limitsPath);
        else if (arg == "--stamp")
            next(stamp);
        else if (arg == "--help" || arg == "-h") {
            std::cout << usage;
            return 0;
        } else
            inputs.push_back(arg);
    }
    if (out.empty() || inputs.empty()) {
        std::cerr << usage;
        return 2;
    }
    try {
        std::vector<TrackSource> tracks = readTrackFiles(inputs);
        std::vector<std::string> problems = checkStructure(tracks);
        if (problems.empty()) {
            writeTracks(tracks, out);
            if (!sources.empty()) {
                std::vector<std::string> coverage =
                    checkCoverage(tracks, findReadTrackNamesInTree(sources),
                                  findIndirectTrackNamesInTree(sources));
                problems.insert(problems.end(), coverage.begin(), coverage.end());
            }
            if (!limitsPath.empty()) {
                std::ifstream stream(limitsPath);
                if (!stream)
                    throw TimelineError(limitsPath + ": cannot be read");
                std::stringstream text;
                text << stream.rdbuf();
                std::vector<std::string> outside =
                    checkLimits(parseLimits(text.str()), out, showSeconds, showRowsPerSecond);
                problems.insert(problems.end(), outside.begin(), outside.end());
            }
        }
        for (const std::string& problem : problems)
            std::cerr << "trackc: " << problem << "\n";
        if (!problems.empty())
            return 1;
        if (!stamp.empty())
            std::ofstream(stamp) << tracks.size() << " tracks\n";
        std::cout << "trackc: " << tracks.size() << " tracks into " << out << "\n";
        return 0;
    } catch (const TimelineError& e) {
        std::cerr << "trackc: " << e.what() << "\n";
        return 1;
    }
}
