// Writing the tracks the preview holds back to track files, so an editing session can be kept.
#pragma once

#include "Sync.h"

#include <string>
#include <vector>

// Every track of the set as "<base>_<name>.track" in the show's binary format (base as in
// TrackSet, e.g. "Data/"), each written whole or not at all. Throws Kem::Exception naming the
// file that could not be written; tracks before it are already saved.
void saveTracks(const TrackSet& tracks, const std::string& base);

// Replaces the file with the bytes through a temporary file beside it and a rename, so a reader
// sees the old file or the new one, never a part.
void replaceFile(const std::string& path, const std::vector<unsigned char>& bytes);
