// Feeds raw RGBA frames to the ffmpeg program over a pipe and muxes the music in: H.264 + AAC
// in MP4. The file appears under its name only when ffmpeg finished cleanly.
#pragma once

#include "Options.h"

#include <string>
#include <sys/types.h>
#include <vector>

// The ffmpeg program on PATH, or empty when there is none.
std::string findFfmpeg();

class VideoEncoder {
public:
    // frames at rate fps; the music is cut to the same duration.
    VideoEncoder(const std::string& output, int width, int height, FrameRate fps,
                 long long frames, const std::string& music);
    ~VideoEncoder();
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    void write(const std::vector<unsigned char>& rgba);
    // Waits for ffmpeg and renames the result into place; throws when ffmpeg failed.
    void finish();

private:
    std::string output;
    std::string partial;
    pid_t child = -1;
    int pipe = -1;
};
