// Writes the timeline text format: whole files of tracks, and one track's block replaced inside
// an existing file with everything around it kept byte for byte.
#pragma once

#include "Sync.h"
#include "TrackSource.h"

#include <string>
#include <vector>

// The shortest text that reads back to the same float bits ("0.1", "-0", "1e-45"). Throws
// TimelineError for infinities and NaN, which the format does not hold.
std::string formatValue(float value);
// "bar:beat:row"; `full` writes all three parts, otherwise trailing zero parts are left out
// ("8:", "8:2", "8:2:4").
std::string formatBarBeatRow(std::int32_t row, bool full);
// A name the format reads back unchanged: not empty, no '#', no line breaks, no outer spaces.
bool isWritableTrackName(const std::string& name);

// A whole timeline file: the heading lines (written as comments), then each track with plain
// rows and aligned columns.
std::string formatTimeline(const std::vector<TrackSource>& tracks,
                           const std::vector<std::string>& heading);

// The file's text with the named track's keys replaced by `keys` (sorted, one per row):
// - only the track's block (its "track" line to its last key line) changes;
// - a key whose row survives keeps its line's texts, columns and end comment; an unchanged key
//   keeps its line byte for byte, so unchanged keys give back the text unchanged;
// - comment and blank lines inside the block stay; a removed key's end comment stays as a
//   comment line;
// - new lines follow the block's notation (rows or bar:beat:row), interpolation spelling,
//   indent, columns and line ending.
// A track the file lacks is appended as a new block. Throws TimelineError when the text does
// not parse or defines the track twice.
std::string replaceTrackBlock(const std::string& text, const std::string& file,
                              const std::string& name, const std::vector<TrackKey>& keys);
