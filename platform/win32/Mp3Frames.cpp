// Layer III frame headers, ID3v2 skipping and the Xing/LAME info frame.
#include "platform/win32/Mp3Frames.h"

#include <cstring>

namespace sound {

namespace {

struct Header {
    int version; // 1 = MPEG-1, 2 = MPEG-2, 25 = MPEG-2.5
    int bitrate; // kbit/s
    int sampleRate;
    int channels;
    int size;
    int samplesPerFrame;
    int sideInfoSize;
};

bool readHeader(const std::uint8_t* bytes, Header& header) {
    if (bytes[0] != 0xFF || (bytes[1] & 0xE0) != 0xE0)
        return false;
    const int versionBits = (bytes[1] >> 3) & 3;
    const int layerBits = (bytes[1] >> 1) & 3;
    const int bitrateIndex = bytes[2] >> 4;
    const int rateIndex = (bytes[2] >> 2) & 3;
    const int padding = (bytes[2] >> 1) & 1;
    const int mode = bytes[3] >> 6;
    if (versionBits == 1 || layerBits != 1 || bitrateIndex == 0 || bitrateIndex == 15 ||
        rateIndex == 3)
        return false;
    static const int mpeg1Rates[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                       112, 128, 160, 192, 224, 256, 320, 0};
    static const int mpeg2Rates[16] = {0,  8,  16, 24,  32,  40,  48,  56,
                                       64, 80, 96, 112, 128, 144, 160, 0};
    static const int baseRates[3] = {44100, 48000, 32000};
    header.version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
    const bool mpeg1 = header.version == 1;
    header.bitrate = mpeg1 ? mpeg1Rates[bitrateIndex] : mpeg2Rates[bitrateIndex];
    header.sampleRate = baseRates[rateIndex] / (mpeg1 ? 1 : header.version == 2 ? 2 : 4);
    header.channels = mode == 3 ? 1 : 2;
    header.samplesPerFrame = mpeg1 ? 1152 : 576;
    header.size = (mpeg1 ? 144 : 72) * header.bitrate * 1000 / header.sampleRate + padding;
    header.sideInfoSize =
        mpeg1 ? (header.channels == 1 ? 17 : 32) : (header.channels == 1 ? 9 : 17);
    return header.size > 4;
}

std::uint32_t bigEndian32(const std::uint8_t* bytes) {
    return std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 |
           std::uint32_t(bytes[2]) << 8 | std::uint32_t(bytes[3]);
}

// Bytes of the ID3v2 tag at the start, or 0.
std::size_t id3v2Size(const std::vector<std::uint8_t>& file) {
    if (file.size() < 10 || std::memcmp(file.data(), "ID3", 3) != 0)
        return 0;
    const std::uint8_t* size = file.data() + 6;
    if ((size[0] | size[1] | size[2] | size[3]) & 0x80)
        return 0;
    const std::size_t body = std::size_t(size[0]) << 21 | std::size_t(size[1]) << 14 |
                             std::size_t(size[2]) << 7 | std::size_t(size[3]);
    const bool footer = (file[5] & 0x10) != 0;
    return 10 + body + (footer ? 10 : 0);
}

// A Xing or Info frame describes the stream and holds no audio; LAME adds its delays after it.
bool readInfoFrame(const std::uint8_t* frame, const Header& header, Mp3Layout& layout) {
    const std::uint8_t* tag = frame + 4 + header.sideInfoSize;
    if (std::memcmp(tag, "Xing", 4) != 0 && std::memcmp(tag, "Info", 4) != 0)
        return false;
    if (header.size < 4 + header.sideInfoSize + 8)
        return true;
    const std::uint32_t flags = bigEndian32(tag + 4);
    int lameOffset = 8;
    lameOffset += (flags & 1) ? 4 : 0;   // frame count
    lameOffset += (flags & 2) ? 4 : 0;   // byte count
    lameOffset += (flags & 4) ? 100 : 0; // seek table
    lameOffset += (flags & 8) ? 4 : 0;   // quality
    const int lameEnd = 4 + header.sideInfoSize + lameOffset + 24;
    if (lameEnd > header.size)
        return true;
    const std::uint8_t* lame = tag + lameOffset;
    const bool known = std::memcmp(lame, "LAME", 4) == 0 || std::memcmp(lame, "Lavf", 4) == 0 ||
                       std::memcmp(lame, "Lavc", 4) == 0 || std::memcmp(lame, "GOGO", 4) == 0;
    if (known) {
        const std::uint8_t* delays = lame + 21;
        layout.hasEncoderDelay = true;
        layout.encoderDelay = delays[0] << 4 | delays[1] >> 4;
        layout.encoderPadding = (delays[1] & 0x0F) << 8 | delays[2];
    }
    return true;
}

} // namespace

bool scanMp3(const std::vector<std::uint8_t>& file, Mp3Layout& layout) {
    layout = Mp3Layout();
    std::size_t at = id3v2Size(file);
    // Find the first header that a second one follows, so stray sync bits in a tag are skipped.
    Header first{};
    for (; at + 4 <= file.size(); ++at) {
        if (!readHeader(file.data() + at, first))
            continue;
        const std::size_t next = at + std::size_t(first.size);
        Header second{};
        if (next + 4 <= file.size() && readHeader(file.data() + next, second) &&
            second.sampleRate == first.sampleRate && second.channels == first.channels)
            break;
        if (next == file.size())
            break; // a single-frame file
    }
    if (at + 4 > file.size())
        return false;
    layout.sampleRate = first.sampleRate;
    layout.channels = first.channels;
    layout.samplesPerFrame = first.samplesPerFrame;

    Header header{};
    bool firstFrame = true;
    while (at + 4 <= file.size() && readHeader(file.data() + at, header)) {
        if (header.sampleRate != layout.sampleRate || header.channels != layout.channels ||
            at + std::size_t(header.size) > file.size())
            break;
        if (firstFrame && readInfoFrame(file.data() + at, header, layout)) {
            layout.hasInfoFrame = true;
            layout.infoFrameOffset = std::uint32_t(at);
            layout.infoFrameSize = std::uint32_t(header.size);
        } else {
            if (layout.frames.empty())
                layout.bitrate = header.bitrate;
            layout.frames.push_back({std::uint32_t(at), std::uint32_t(header.size)});
        }
        firstFrame = false;
        at += std::size_t(header.size);
    }
    return !layout.frames.empty();
}

} // namespace sound
