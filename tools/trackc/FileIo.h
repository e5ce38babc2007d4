// Whole-file reading and replacing for the track tools: a reader sees the old file or the new
// one, never half of either.
#pragma once

#include <string>
#include <utility>
#include <vector>

// The file's bytes; throws TimelineError when it cannot be read.
std::string readWholeFile(const std::string& path);
// Writes a temporary file beside the target and renames it over the target; throws
// TimelineError and leaves the target untouched when anything fails.
void replaceFile(const std::string& path, const std::string& bytes);
// Replaces several files as one: all are written beside their targets before any replaces its
// target; a failure before that leaves every target as it was. Throws TimelineError.
void replaceFiles(const std::vector<std::pair<std::string, std::string>>& files);
