// Writes one line per event, `row kind [detail]`, sorted by row, under a commented header.
#include "CueSheet.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace Synth {
namespace {

struct Cue {
    double row;
    int order; // sections first, then accents, kicks, claps at the same row
    std::string text;
};

std::string formatRow(double row) {
    char text[32];
    if (row == static_cast<long>(row))
        std::snprintf(text, sizeof text, "%ld", static_cast<long>(row));
    else
        std::snprintf(text, sizeof text, "%.3f", row);
    return text;
}

} // namespace

std::string cueSheet(const Song& song) {
    std::vector<Cue> cues;
    for (const Marker& section : song.sections)
        cues.push_back({section.row, 0, "section " + section.name});
    for (const Marker& accent : song.accents)
        cues.push_back({accent.row, 1, "accent " + accent.name});
    for (const NoteEvent& event : song.events) {
        const Instrument& instrument = song.instruments[event.instrument];
        if (instrument.kind == "impact")
            cues.push_back({event.row, 1, "accent " + instrument.name});
        else if (instrument.kind == "kick")
            cues.push_back({event.row, 2, "kick"});
        else if (instrument.kind == "clap")
            cues.push_back({event.row, 3, "clap"});
    }
    std::stable_sort(cues.begin(), cues.end(), [](const Cue& a, const Cue& b) {
        return a.row != b.row ? a.row < b.row : a.order < b.order;
    });
    std::string sheet =
        "# Oxbrine music cues, made by oxbrine-synth from content/music/tune.song.\n"
        "# One event per line: <row> <kind> [detail]. Rows count the show's clock at\n"
        "# 17.946666666666665 rows per second (134.6 BPM, 8 rows per beat, 32 per bar).\n"
        "# Kinds: section <name> (a part of the arrangement starts), accent <what> (an impact or\n"
        "# hit worth a flash), kick, clap. Lines starting with '#' are comments.\n";
    for (const Cue& cue : cues)
        sheet += formatRow(cue.row) + " " + cue.text + "\n";
    return sheet;
}

} // namespace Synth
