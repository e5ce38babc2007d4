// Writes compiled track files: "_<name>.track" holding a little-endian key count and 9-byte keys.
#pragma once

#include "TrackSource.h"

#include <string>
#include <vector>

std::vector<unsigned char> encodeTrack(const TrackSource& track);
// Writes one file per track into the folder and removes "_*.track" files no track claims.
void writeTracks(const std::vector<TrackSource>& tracks, const std::string& folder);
