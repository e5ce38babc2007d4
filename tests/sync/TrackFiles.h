// Writing .track files for tests: whole key lists, or raw bytes for malformed ones.
#pragma once

#include "Sync.h"

#include <string>
#include <vector>

namespace synctest {

std::string makeTemporaryFolder();
// The bytes of a well-formed track file with the given keys.
std::vector<unsigned char> encodeTrack(const std::vector<TrackKey>& keys);
void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes);
void writeTrack(const std::string& folder, const std::string& name,
                const std::vector<TrackKey>& keys);

} // namespace synctest
