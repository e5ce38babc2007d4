// The lanes above the curves, on the shared time axis: the ruler (bar:beat and seconds, the
// markers), the music's waveform strip and the cue sheet's lanes (sections as named spans;
// accents, kicks and claps as ticks). Painting only; nothing here allocates once warm.
#pragma once

#include <imgui.h>

class CueSheet;
class Markers;
class MusicWaveform;
class TimeAxis;

constexpr float rulerHeight = 32.0f;
constexpr float waveformHeight = 44.0f;
constexpr float sectionLaneHeight = 16.0f;
constexpr float tickLaneHeight = 11.0f;
constexpr int tickLaneCount = 3; // accents, kicks, claps
constexpr float cueLanesHeight = sectionLaneHeight + tickLaneCount * tickLaneHeight;

void paintRuler(ImDrawList* list, const TimeAxis& axis, float top, const Markers& markers,
                double playRow);
void paintWaveform(ImDrawList* list, const TimeAxis& axis, float top, MusicWaveform& waveform);
void paintCueLanes(ImDrawList* list, const TimeAxis& axis, float top, const CueSheet& cues);
