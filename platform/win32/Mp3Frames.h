// The frame layout of an MP3 file, read from its headers alone: where each frame lies, the
// format, and the encoder's delay and padding from a LAME/Xing info frame. Decoders that take
// whole frames (the system's ACM codec) are fed and seeked by this index.
#pragma once

#include <cstdint>
#include <vector>

namespace sound {

struct Mp3Frame {
    std::uint32_t offset; // byte offset in the file
    std::uint32_t size;   // bytes, header included
};

struct Mp3Layout {
    int sampleRate = 0;
    int channels = 0;
    int samplesPerFrame = 0;      // 1152 for MPEG-1, 576 for MPEG-2 and 2.5
    int bitrate = 0;              // of the first audio frame, in kbit/s
    std::vector<Mp3Frame> frames; // audio frames only (the info frame is not among them)
    bool hasInfoFrame = false;
    std::uint32_t infoFrameOffset = 0;
    std::uint32_t infoFrameSize = 0;
    bool hasEncoderDelay = false; // from a LAME tag
    int encoderDelay = 0;         // samples the encoder put before the audio
    int encoderPadding = 0;       // samples it appended after it
};

// Parses the frames of a Layer III file; false when the bytes hold no usable Layer III stream
// (frames of differing rate or channel count end the stream).
bool scanMp3(const std::vector<std::uint8_t>& file, Mp3Layout& layout);

// The synthesis filter bank of every Layer III decoder adds this many samples in front.
constexpr int mp3DecoderDelay = 529;

} // namespace sound
