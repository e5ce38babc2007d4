// The instruments' sound generators: one function renders one note or hit of a given kind.
#pragma once

#include "Song.h"
#include "StereoBuffer.h"

namespace Synth {

// Kinds whose hits do not depend on note length or pitch; the renderer caches one hit per variant.
bool isOneShot(const std::string& kind);
// The number of cached variants of a one-shot (noise differs between them).
int oneShotVariants(const std::string& kind);

// Renders one hit at full velocity, starting at sample 0.
StereoBuffer renderOneShot(const Instrument& instrument, int variant);

// Adds a pitched or swept note into `out`, starting at the event's exact grid sample.
void renderNote(const Instrument& instrument, const NoteEvent& event, StereoBuffer& out);

} // namespace Synth
