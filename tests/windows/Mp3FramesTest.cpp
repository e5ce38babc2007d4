// The MP3 frame index that feeds the Windows build's ACM decoder: tags, info frame, frame sizes.
#include "platform/win32/Mp3Frames.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using sound::Mp3Layout;
using sound::scanMp3;

namespace {

using Bytes = std::vector<std::uint8_t>;

// MPEG-1 Layer III, 44.1 kHz stereo, 128 kbit/s: 417 bytes, 418 with the padding bit.
void addFrame(Bytes& file, bool padded = false, std::uint8_t rateBits = 0) {
    const std::size_t start = file.size();
    const int size = rateBits == 1 ? 384 + (padded ? 1 : 0) : 417 + (padded ? 1 : 0);
    file.resize(start + size, 0x11);
    file[start] = 0xFF;
    file[start + 1] = 0xFB;
    file[start + 2] = std::uint8_t(0x90 | rateBits << 2 | (padded ? 2 : 0));
    file[start + 3] = 0x00;
}

// An info frame as LAME writes it, with the given encoder delay and padding.
void addInfoFrame(Bytes& file, int delay, int padding, const char* tag = "Info") {
    const std::size_t start = file.size();
    addFrame(file);
    std::fill(file.begin() + long(start) + 4, file.end(), 0);
    std::uint8_t* xing = file.data() + start + 4 + 32;
    std::memcpy(xing, tag, 4);
    xing[7] = 0x0F; // frames, bytes, seek table and quality present
    std::uint8_t* lame = xing + 120;
    std::memcpy(lame, "LAME3.100", 9);
    lame[21] = std::uint8_t(delay >> 4);
    lame[22] = std::uint8_t((delay & 0x0F) << 4 | padding >> 8);
    lame[23] = std::uint8_t(padding & 0xFF);
}

void addId3v2(Bytes& file, int bodySize) {
    const std::uint8_t header[10] = {'I', 'D', '3', 4, 0, 0, 0, 0, 0, std::uint8_t(bodySize)};
    for (std::uint8_t byte : header)
        file.push_back(byte);
    const std::size_t body = file.size();
    file.resize(body + std::size_t(bodySize), 0);
    // A tag may hold bytes that look like a frame sync; they must not start the stream.
    file[body + 3] = 0xFF;
    file[body + 4] = 0xFB;
    file[body + 5] = 0x90;
}

} // namespace

TEST(Mp3Frames, TagInfoFrameAndAudioFramesAreTold) {
    Bytes file;
    addId3v2(file, 100);
    const std::size_t infoAt = file.size();
    addInfoFrame(file, 576, 1000);
    const std::size_t audioAt = file.size();
    addFrame(file);
    addFrame(file, true);
    addFrame(file);

    Mp3Layout layout;
    ASSERT_TRUE(scanMp3(file, layout));
    EXPECT_EQ(layout.sampleRate, 44100);
    EXPECT_EQ(layout.channels, 2);
    EXPECT_EQ(layout.samplesPerFrame, 1152);
    EXPECT_EQ(layout.bitrate, 128);
    EXPECT_TRUE(layout.hasInfoFrame);
    EXPECT_EQ(layout.infoFrameOffset, infoAt);
    EXPECT_EQ(layout.infoFrameSize, 417u);
    EXPECT_TRUE(layout.hasEncoderDelay);
    EXPECT_EQ(layout.encoderDelay, 576);
    EXPECT_EQ(layout.encoderPadding, 1000);
    ASSERT_EQ(layout.frames.size(), 3u);
    EXPECT_EQ(layout.frames[0].offset, audioAt);
    EXPECT_EQ(layout.frames[1].offset, audioAt + 417);
    EXPECT_EQ(layout.frames[1].size, 418u);
    EXPECT_EQ(layout.frames[2].offset, audioAt + 417 + 418);
}

TEST(Mp3Frames, XingWithoutLameTagHasNoDelays) {
    Bytes file;
    addInfoFrame(file, 576, 1000, "Xing");
    std::memcpy(file.data() + 4 + 32 + 120, "XXXX", 4);
    addFrame(file);
    Mp3Layout layout;
    ASSERT_TRUE(scanMp3(file, layout));
    EXPECT_TRUE(layout.hasInfoFrame);
    EXPECT_FALSE(layout.hasEncoderDelay);
    EXPECT_EQ(layout.frames.size(), 1u);
}

TEST(Mp3Frames, PlainStreamStartsAfterJunkAndEndsAtAChangeOrACutFrame) {
    Bytes file = {0x00, 0xFF, 0xFB, 0x12, 0x34}; // junk with a false sync
    addFrame(file);
    addFrame(file);
    const std::size_t changeAt = file.size();
    addFrame(file, false, 1); // 48 kHz: not the same stream
    addFrame(file);
    Mp3Layout layout;
    ASSERT_TRUE(scanMp3(file, layout));
    EXPECT_FALSE(layout.hasInfoFrame);
    EXPECT_FALSE(layout.hasEncoderDelay);
    ASSERT_EQ(layout.frames.size(), 2u);
    EXPECT_EQ(layout.frames[0].offset, 5u);
    EXPECT_LT(layout.frames[1].offset, changeAt);

    Bytes cut;
    addFrame(cut);
    addFrame(cut);
    cut.resize(cut.size() - 10);
    ASSERT_TRUE(scanMp3(cut, layout));
    EXPECT_EQ(layout.frames.size(), 1u);
}

TEST(Mp3Frames, Mpeg2HalfRateFramesAreShorter) {
    Bytes file;
    for (int i = 0; i < 2; ++i) {
        const std::size_t start = file.size();
        file.resize(start + 208, 0);
        file[start] = 0xFF;
        file[start + 1] = 0xF3; // MPEG-2, Layer III
        file[start + 2] = 0x80; // 64 kbit/s, 22.05 kHz
        file[start + 3] = 0xC0; // mono
    }
    Mp3Layout layout;
    ASSERT_TRUE(scanMp3(file, layout));
    EXPECT_EQ(layout.sampleRate, 22050);
    EXPECT_EQ(layout.channels, 1);
    EXPECT_EQ(layout.samplesPerFrame, 576);
    ASSERT_EQ(layout.frames.size(), 2u);
    EXPECT_EQ(layout.frames[1].offset, 208u);
}

TEST(Mp3Frames, OtherFilesAreRefused) {
    Mp3Layout layout;
    EXPECT_FALSE(scanMp3(Bytes(), layout));
    const std::string wave = "RIFF\x24\0\0\0WAVEfmt ";
    EXPECT_FALSE(scanMp3(Bytes(wave.begin(), wave.end()), layout));
    Bytes layerTwo;
    addFrame(layerTwo);
    layerTwo[1] = 0xFD; // Layer II
    EXPECT_FALSE(scanMp3(layerTwo, layout));
}

TEST(Mp3Frames, DamagedFilesGiveFramesInsideTheFile) {
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    int parsed = 0;
    for (int round = 0; round < 300; ++round) {
        Bytes file;
        if (round % 4 == 0)
            addId3v2(file, int(next() % 100));
        if (round % 2 == 0)
            addInfoFrame(file, int(next() % 4096), int(next() % 4096));
        for (int frame = int(next() % 6); frame > 0; --frame)
            addFrame(file, next() % 2 == 0, next() % 5 == 0 ? 1 : 0);
        // Damage: overwritten bytes (headers included), then a cut anywhere.
        for (int hit = int(next() % 8); hit > 0 && !file.empty(); --hit)
            file[next() % file.size()] = std::uint8_t(next());
        file.resize(file.empty() ? 0 : next() % (file.size() + 1));
        Mp3Layout layout;
        if (!scanMp3(file, layout))
            continue;
        ++parsed;
        for (const sound::Mp3Frame& frame : layout.frames)
            ASSERT_LE(std::size_t(frame.offset) + frame.size, file.size());
        if (layout.hasInfoFrame) {
            ASSERT_LE(std::size_t(layout.infoFrameOffset) + layout.infoFrameSize, file.size());
        }
    }
    // Damaged streams must still parse often enough for the bounds to be tried.
    EXPECT_GT(parsed, 60);
}
