// Writes compiled track files: "_<name>.track" holding a little-endian key count and 9-byte keys.
#pragma once

#include "TrackSource.h"

#include <string>
#include <utility>
#include <vector>

std::vector<unsigned char> encodeTrack(const TrackSource& track);
// "_<name>.track"
std::string trackFileName(const std::string& name);
// Each track's compiled file in the folder: its path and bytes, as writeTrackFiles writes them.
std::vector<std::pair<std::string, std::string>>
compiledTrackFiles(const std::vector<TrackSource>& tracks, const std::string& folder);
// The one writer of compiled track files, for the compiler, the panel's save and the live link's:
// replaces one file per track in the folder (created if missing), all of them or none; other
// files stay. Throws TimelineError.
void writeTrackFiles(const std::vector<TrackSource>& tracks, const std::string& folder);
// Writes one file per track into the folder and removes "_*.track" files no track claims.
void writeTracks(const std::vector<TrackSource>& tracks, const std::string& folder);
