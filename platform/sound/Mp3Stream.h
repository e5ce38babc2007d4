// Streamed MP3 decoding to interleaved stereo floats, gapless: frame 0 is the first audible
// sample of the file, and seeks are in the same frames.
#pragma once

#include <cstdint>

struct mpg123_handle_struct;

namespace sound {

class Mp3Stream {
public:
    // Opens and scans the file; isOpen() tells whether it can be decoded.
    explicit Mp3Stream(const char* path);
    ~Mp3Stream();
    Mp3Stream(const Mp3Stream&) = delete;
    Mp3Stream& operator=(const Mp3Stream&) = delete;

    bool isOpen() const { return handle != nullptr; }
    int getSampleRate() const { return sampleRate; }
    // Frames in the whole stream (gapless), or -1 when unknown.
    std::int64_t getLength() const { return length; }

    // Decodes up to maxFrames stereo frames into out; 0 at the end of the stream.
    int read(float* out, int maxFrames);
    void seek(std::int64_t frame);

private:
    mpg123_handle_struct* handle = nullptr;
    int sampleRate = 0;
    std::int64_t length = -1;
};

} // namespace sound
