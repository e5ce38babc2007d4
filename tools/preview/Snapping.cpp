// Snapping rows to the grid and the cues.
#include "Snapping.h"

#include "CueSheet.h"
#include "MusicGrid.h"

#include <cmath>
#include <cstring>

namespace {

const char* const names[snapModeCount] = {"off",  "bar",  "beat",   "half beat",
                                          "kick", "clap", "accent", "section"};

} // namespace

const char* snapModeName(SnapMode mode) {
    return names[int(mode)];
}

SnapMode snapModeNamed(const char* name) {
    for (int i = 0; i < snapModeCount; ++i)
        if (std::strcmp(name, names[i]) == 0)
            return SnapMode(i);
    return SnapMode::Off;
}

SnapMode nextSnapMode(SnapMode mode) {
    return SnapMode((int(mode) + 1) % snapModeCount);
}

int snapRow(double row, SnapMode mode, const CueSheet& cues) {
    int grid = 0;
    CueKind kind = CueKind::Kick;
    switch (mode) {
    case SnapMode::Off:
        break;
    case SnapMode::Bar:
        grid = MusicGrid::rowsPerBar;
        break;
    case SnapMode::Beat:
        grid = MusicGrid::rowsPerBeat;
        break;
    case SnapMode::HalfBeat:
        grid = MusicGrid::rowsPerBeat / 2;
        break;
    case SnapMode::Kick:
    case SnapMode::Clap:
    case SnapMode::Accent:
    case SnapMode::Section: {
        kind = mode == SnapMode::Kick     ? CueKind::Kick
               : mode == SnapMode::Clap   ? CueKind::Clap
               : mode == SnapMode::Accent ? CueKind::Accent
                                          : CueKind::Section;
        int found = 0;
        if (cues.nearest(kind, row, found))
            return found;
        break;
    }
    }
    if (grid > 0)
        return int(std::lround(row / grid)) * grid;
    return int(std::lround(row));
}
