// Writes compiled track files: "_<name>.track" holding a little-endian key count and 9-byte keys.
#pragma once

#include "TrackSource.h"

#include <string>
#include <vector>

std::vector<unsigned char> encodeTrack(const TrackSource& track);
// "_<name>.track"
std::string trackFileName(const std::string& name);
// Replaces one file per track in the folder (created if missing); other files stay.
void writeTrackFiles(const std::vector<TrackSource>& tracks, const std::string& folder);
// Writes one file per track into the folder and removes "_*.track" files no track claims.
void writeTracks(const std::vector<TrackSource>& tracks, const std::string& folder);
