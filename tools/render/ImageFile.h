// PNG output that never leaves a half-written file under the final name.
#pragma once

#include <string>
#include <vector>

// Throws Kem::Exception with a message naming the path and the cause. Pixels are RGBA, or RGB
// with channels 3, top row first.
void writePng(const std::string& path, int width, int height,
              const std::vector<unsigned char>& pixels, int channels = 4);
// Fails early, before any rendering, when the file cannot be created.
void checkWritable(const std::string& path);
