// Writing the tracks the preview holds back to track files, so an editing session can be kept.
#pragma once

#include "Sync.h"

#include <string>
#include <vector>

// Every track of the set as "<base>_<name>.track" in the show's binary format (base as in
// TrackSet, e.g. "Data/"), each written whole or not at all. Throws Kem::Exception naming the
// file that could not be written; tracks before it are already saved.
void saveTracks(const TrackSet& tracks, const std::string& base);
