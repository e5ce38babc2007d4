// Gapless decoding: frame 0 of the decoded stream is the first sample of the encoded WAV.
#include "SoundFiles.h"
#include "platform/sound/Mp3Stream.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(Gapless, ClickIsFoundAtItsOriginalFrameAndLengthIsKept) {
    const int rate = 44100;
    const int clickFrame = 22050;
    const int totalFrames = rate * 2;
    std::vector<float> samples(size_t(totalFrames) * 2, 0.0f);
    for (int i = 0; i < 24; ++i) {
        samples[size_t(clickFrame + i) * 2] = 0.9f;
        samples[size_t(clickFrame + i) * 2 + 1] = 0.9f;
    }
    std::string folder = soundtest::makeTemporaryFolder();
    soundtest::writeWav(folder + "/click.wav", samples, rate);
    ASSERT_TRUE(soundtest::encodeMp3(folder + "/click.wav", folder + "/click.mp3"));

    sound::Mp3Stream stream((folder + "/click.mp3").c_str());
    ASSERT_TRUE(stream.isOpen());
    EXPECT_EQ(stream.getSampleRate(), rate);
    EXPECT_EQ(stream.getLength(), totalFrames);

    std::vector<float> decoded;
    std::vector<float> chunk(4096 * 2);
    while (int frames = stream.read(chunk.data(), 4096))
        decoded.insert(decoded.end(), chunk.begin(), chunk.begin() + frames * 2);
    ASSERT_EQ(decoded.size(), size_t(totalFrames) * 2);

    // The click's loudest sample; without gapless trimming it lands over a thousand frames late.
    int loudest = 0;
    for (int i = 0; i < totalFrames; ++i) {
        if (std::fabs(decoded[size_t(i) * 2]) > std::fabs(decoded[size_t(loudest) * 2]))
            loudest = i;
    }
    EXPECT_GE(loudest, clickFrame - 4);
    EXPECT_LE(loudest, clickFrame + 28);

    // Seeking uses the same frames: from the click's start the next frames are the click.
    stream.seek(clickFrame + 8);
    ASSERT_EQ(stream.read(chunk.data(), 8), 8);
    EXPECT_GT(chunk[0], 0.5f);
}

} // namespace
