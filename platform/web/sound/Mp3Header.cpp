// MP3 sniffing for the web sound layer: ID3v2 tags skipped, frame headers checked field by field.
#include "platform/web/sound/Mp3Header.h"

#include <algorithm>
#include <cstddef>

namespace websound {

namespace {

bool isFrameHeader(const std::vector<unsigned char>& bytes, std::size_t at) {
    return at + 4 <= bytes.size() && bytes[at] == 0xFF && (bytes[at + 1] & 0xE0) == 0xE0 &&
           (bytes[at + 1] & 0x18) != 0x08 && (bytes[at + 1] & 0x06) != 0 &&
           (bytes[at + 2] & 0xF0) != 0xF0 && (bytes[at + 2] & 0x0C) != 0x0C;
}

// Where the audio starts: past an ID3v2 tag (its size is four 7-bit bytes, plus a footer when
// flagged), or 0.
std::size_t audioStart(const std::vector<unsigned char>& bytes) {
    if (bytes.size() < 10 || bytes[0] != 'I' || bytes[1] != 'D' || bytes[2] != '3')
        return 0;
    std::size_t size = (std::size_t(bytes[6] & 0x7F) << 21) | (std::size_t(bytes[7] & 0x7F) << 14) |
                       (std::size_t(bytes[8] & 0x7F) << 7) | std::size_t(bytes[9] & 0x7F);
    return 10 + size + ((bytes[5] & 0x10) ? 10 : 0);
}

} // namespace

bool looksLikeMp3(const std::vector<unsigned char>& bytes) {
    return audioStart(bytes) > 0 || isFrameHeader(bytes, 0);
}

int mp3SampleRate(const std::vector<unsigned char>& bytes) {
    static const int mpeg1Rates[3] = {44100, 48000, 32000};
    std::size_t at = audioStart(bytes);
    for (std::size_t end = std::min(bytes.size(), at + 65536); at < end; ++at) {
        if (!isFrameHeader(bytes, at))
            continue;
        int version = (bytes[at + 1] >> 3) & 3; // 3: MPEG 1, 2: MPEG 2, 0: MPEG 2.5
        int rate = mpeg1Rates[(bytes[at + 2] >> 2) & 3];
        return version == 3 ? rate : version == 2 ? rate / 2 : rate / 4;
    }
    return 0;
}

} // namespace websound
