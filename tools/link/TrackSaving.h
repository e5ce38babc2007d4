// Writing the tracks the preview holds back to track files, so an editing session can be kept.
#pragma once

#include "Sync.h"

#include <string>
#include <vector>

// Every track of the set as "<base>_<name>.track" in the show's binary format (base a folder
// ending in '/', as in TrackSet, e.g. "Data/"), through the one writer of track files: all of
// them or none. Throws TimelineError naming the file that could not be written.
void saveTracks(const TrackSet& tracks, const std::string& base);
