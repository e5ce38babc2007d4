// Where dragged, added and pasted keys land: on the music's grid or on its cues.
#pragma once

class CueSheet;

enum class SnapMode { Off, Bar, Beat, HalfBeat, Kick, Clap, Accent, Section };
constexpr int snapModeCount = 8;

const char* snapModeName(SnapMode mode);
// The mode of that name, or Off.
SnapMode snapModeNamed(const char* name);
SnapMode nextSnapMode(SnapMode mode);

// The whole row a key at `row` lands on: the nearest line of the grid, or the nearest cue of the
// mode's kind (the rounded row when the sheet has none).
int snapRow(double row, SnapMode mode, const CueSheet& cues);
