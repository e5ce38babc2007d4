// Reads the readable timeline format and the XML that sync-tracker editors save.
//
// Timeline format, one file may hold many tracks:
//   # comment (anywhere after '#')
//   track Camera Z              a track; the name is the rest of the line, exactly
//     0        -10   linear     key at row 0
//     8:       -20   smooth     key at bar 8 (row 256)
//     8:2      1.5   hold       bar 8, beat 2 (row 272)
//     8:2:4    0     easein     bar 8, beat 2, row 4 (row 276)
// The interpolation runs from this key to the next and defaults to hold.
#pragma once

#include "TrackSource.h"

#include <stdexcept>
#include <string>
#include <vector>

struct TimelineError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A key position: a plain row, or bar:beat:row with trailing parts optional.
std::int32_t parsePosition(const std::string& text);

std::vector<TrackSource> parseTimeline(const std::string& text, const std::string& file);
std::vector<TrackSource> parseEditorXml(const std::string& text, const std::string& file);
// By extension: ".xml" is editor XML, anything else the timeline format.
std::vector<TrackSource> readTrackFile(const std::string& path);

// Where text edits of an editor XML file's tracks are kept: "<file>.xml.tl" beside it, so the
// XML itself stays as the editor saved it.
std::string textTwinOf(const std::string& xmlPath);
// Reads every file in order. A track defined in both an XML file and its text twin (both among
// the paths) is taken from the twin.
std::vector<TrackSource> readTrackFiles(const std::vector<std::string>& paths);
