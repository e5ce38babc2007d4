// Consistency checks between the authored tracks and the program that reads them.
#pragma once

#include "TrackSource.h"

#include <set>
#include <string>
#include <vector>

// Problems within the tracks themselves: duplicates, row order, interpolation types.
std::vector<std::string> checkStructure(const std::vector<TrackSource>& tracks);

// Track names the program asks for: string literals passed to getValue(...) or getTrack(...).
std::set<std::string> findReadTrackNames(const std::string& sourceText);
std::set<std::string> findReadTrackNamesInTree(const std::string& root);
// Names that may be read through a variable: every literal of a file that has such a read.
std::set<std::string> findIndirectTrackNames(const std::string& sourceText);
std::set<std::string> findIndirectTrackNamesInTree(const std::string& root);

// Every read track has a source and every source track is read (directly or, failing that,
// possibly through a variable).
std::vector<std::string> checkCoverage(const std::vector<TrackSource>& tracks,
                                       const std::set<std::string>& readNames,
                                       const std::set<std::string>& indirectNames = {});

struct ValueLimit {
    std::string name;
    double minimum;
    double maximum;
};

// Limits file lines: "<min> <max> <track name>", '*' for no bound, '#' comments.
std::vector<ValueLimit> parseLimits(const std::string& text);

// The span limits are checked over: the show's length, and its music's rows per second.
constexpr double showSeconds = MusicGrid::showSeconds;
constexpr double showRowsPerSecond = MusicGrid::rowsPerSecond;

// Evaluates each limited track from the compiled folder over the whole show, as the program
// would, and reports where it leaves its range.
std::vector<std::string> checkLimits(const std::vector<ValueLimit>& limits,
                                     const std::string& compiledFolder, double showSeconds,
                                     double rowsPerSecond);
