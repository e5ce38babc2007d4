// The cue sheet: the tune's kicks, claps, sections and accents as text rows for the choreography.
#pragma once

#include <string>

#include "Song.h"

namespace Synth {

std::string cueSheet(const Song& song);

} // namespace Synth
