// Streamed MP3 decoding to interleaved stereo floats, gapless: frame 0 is the first audible
// sample of the file, and seeks are in the same frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct mpg123_handle_struct;

namespace sound {

class Mp3Stream {
public:
    // Reads and scans the file; isOpen() tells whether it can be decoded. Throws Kem::Exception
    // naming the file and the cause when it cannot be read.
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

    // The whole file, decoded from memory.
    struct Bytes {
        std::vector<unsigned char> data;
        size_t position = 0;
    };

private:
    Bytes bytes;
    mpg123_handle_struct* handle = nullptr;
    int sampleRate = 0;
    std::int64_t length = -1;
};

} // namespace sound
