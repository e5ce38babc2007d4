// What the web sound layer reads of an MP3 before the browser decodes it: the stream's own rate
// (which the playback speed is measured against) and whether the bytes are music at all.
#include "platform/web/sound/Mp3Header.h"
#include "platform/Files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// An ID3v2 tag holding `body` (with a footer when flagged); its size in four 7-bit bytes.
Bytes id3(const Bytes& body, bool footer = false) {
    std::size_t size = body.size();
    Bytes tag = {'I',
                 'D',
                 '3',
                 4,
                 0,
                 static_cast<unsigned char>(footer ? 0x10 : 0),
                 static_cast<unsigned char>((size >> 21) & 0x7F),
                 static_cast<unsigned char>((size >> 14) & 0x7F),
                 static_cast<unsigned char>((size >> 7) & 0x7F),
                 static_cast<unsigned char>(size & 0x7F)};
    return tag + body + (footer ? Bytes(10, 0) : Bytes());
}

const Bytes mpeg1At48k = {0xFF, 0xFB, 0x94, 0x00};

TEST(Mp3Header, RatesAndRefusals) {
    // A false frame sync inside a tag (300 bytes: its size needs two of the 7-bit bytes) must
    // not be read as the stream's.
    Bytes tagWithSync = Bytes(150, 0) + mpeg1At48k + Bytes(146, 0);
    struct Case {
        const char* what;
        Bytes bytes;
        bool music;
        int rate;
    } cases[] = {
        {"MPEG 1, 44.1 kHz", {0xFF, 0xFB, 0x90, 0x44}, true, 44100},
        {"MPEG 1, 48 kHz", mpeg1At48k, true, 48000},
        {"MPEG 1, 32 kHz", {0xFF, 0xFB, 0x98, 0x00}, true, 32000},
        {"MPEG 2, 22.05 kHz", {0xFF, 0xF3, 0x90, 0x00}, true, 22050},
        {"MPEG 2.5, 8 kHz", {0xFF, 0xE3, 0x98, 0x00}, true, 8000},
        {"tag, then a 44.1 kHz frame", id3(tagWithSync) + Bytes{0xFF, 0xFB, 0x90, 0x00}, true,
         44100},
        {"tag with a footer, then a 32 kHz frame",
         id3(Bytes(20, 0), true) + Bytes{0xFF, 0xFB, 0x98, 0}, true, 32000},
        {"frame after stray bytes", Bytes{0, 0, 0} + mpeg1At48k, false, 48000},
        {"empty", {}, false, 0},
        {"a WAV file", {'R', 'I', 'F', 'F', 36, 0, 0, 0, 'W', 'A', 'V', 'E'}, false, 0},
        {"reserved version", {0xFF, 0xEB, 0x90, 0x00}, false, 0},
        {"reserved layer", {0xFF, 0xF9, 0x90, 0x00}, false, 0},
        {"bad bit rate", {0xFF, 0xFB, 0xF0, 0x00}, false, 0},
        {"reserved sample rate", {0xFF, 0xFB, 0x9C, 0x00}, false, 0},
        {"header cut short", {0xFF, 0xFB, 0x90}, false, 0},
        {"a tag alone", id3(Bytes(40, 0)), true, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(websound::looksLikeMp3(c.bytes), c.music) << c.what;
        EXPECT_EQ(websound::mp3SampleRate(c.bytes), c.rate) << c.what;
    }
}

TEST(Mp3Header, TheShowsMusic) {
    Bytes music = platform::readFileLimited(std::string(OXBRINE_RUN_DIR) +
                                                "/Data/pim00dle_and_quandrel-vantorel.mp3",
                                            platform::musicLimit, "music");
    EXPECT_TRUE(websound::looksLikeMp3(music));
    EXPECT_EQ(websound::mp3SampleRate(music), 44100); // what the music build encodes at
}

} // namespace
