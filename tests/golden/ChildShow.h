// The offline show in a child process: scenes and passes are process-wide and bound to the first
// GL context, so each track set gets a process of its own and hands back reduced frames.
#pragma once

#include "golden/GoldenImage.h"

#include <string>
#include <vector>

namespace golden {

// Renders at 1280 x 720 from the track folder (empty: the show's own) at each time in seconds.
// Fails the calling test and returns fewer frames when the child does not finish.
std::vector<Image> renderInChild(const std::string& tracks, const std::vector<double>& seconds);

// Compiles a timeline file into a fresh temporary folder; returns it, ending in '/'.
std::string compileTracks(const std::string& timeline);

} // namespace golden
