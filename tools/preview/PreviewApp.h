// The preview: the show's engine in a resizable window, moved by the transport keys, the timeline
// bar and a live editor, with its sources rebuilt as they are saved.
#pragma once

#include "PreviewOptions.h"

#include <string>

struct PreviewPaths {
    std::string content;        // the content sources watched
    std::string imageGenerator; // the image tool, run when an image source changes
};

// Runs until the window is closed or Escape; throws Kem::Exception when the show cannot start.
void runPreview(const PreviewOptions& options, const PreviewPaths& paths);
