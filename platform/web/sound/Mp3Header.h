// What the web sound layer reads of an MP3 itself before the browser decodes it: whether it looks
// like one at all, and the stream's own sample rate.
#pragma once

#include <vector>

namespace websound {

// An ID3v2 tag or an MPEG audio frame header at the start: what may decode as music.
bool looksLikeMp3(const std::vector<unsigned char>& bytes);

// The stream's own rate from the first frame header (MPEG 1, 2 or 2.5) within 64 KiB past any
// ID3v2 tag; 0 when none is found.
int mp3SampleRate(const std::vector<unsigned char>& bytes);

} // namespace websound
