// Reads compiled track files back with the program's own loader, so a tool sees exactly the keys
// the show would play.
#pragma once

#include "TrackSource.h"

#include <string>

// The track name a "_<name>.track" path holds; throws TimelineError for any other file name.
std::string trackNameFromPath(const std::string& path);
// The keys of one compiled track file, named after the file. Throws TimelineError when the file
// is missing or unreadable or holds fewer keys than its count (or a negative count); trailing
// bytes short of a whole key are ignored, as the show does.
TrackSource readCompiledTrack(const std::string& path);
