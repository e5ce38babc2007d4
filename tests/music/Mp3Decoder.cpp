// libmpg123 with gapless decoding: the encoder's delay and padding are cut from the output.
#include "Mp3Decoder.h"

#include <mpg123.h>

#include <memory>
#include <vector>

#include "kem/Exception.h"

Synth::StereoBuffer decodeMp3(const std::string& path) {
    int error = MPG123_OK;
    std::unique_ptr<mpg123_handle, void (*)(mpg123_handle*)> handle(mpg123_new(nullptr, &error),
                                                                    mpg123_delete);
    if (!handle)
        throw Kem::Exception("mpg123_new failed", __FILE__, __LINE__);
    mpg123_param(handle.get(), MPG123_FLAGS, MPG123_GAPLESS | MPG123_FORCE_FLOAT, 0.0);
    mpg123_format_none(handle.get());
    mpg123_format(handle.get(), 44100, MPG123_STEREO, MPG123_ENC_FLOAT_32);
    if (mpg123_open(handle.get(), path.c_str()) != MPG123_OK)
        throw Kem::Exception(("Cannot open " + path).c_str(), __FILE__, __LINE__);
    std::vector<float> interleaved;
    std::vector<unsigned char> chunk(1 << 16);
    for (;;) {
        size_t done = 0;
        int result = mpg123_read(handle.get(), chunk.data(), chunk.size(), &done);
        const float* samples = reinterpret_cast<const float*>(chunk.data());
        interleaved.insert(interleaved.end(), samples, samples + done / sizeof(float));
        if (result == MPG123_DONE)
            break;
        if (result != MPG123_OK && result != MPG123_NEW_FORMAT)
            throw Kem::Exception(("Cannot decode " + path).c_str(), __FILE__, __LINE__);
    }
    mpg123_close(handle.get());
    Synth::StereoBuffer audio(interleaved.size() / 2);
    for (size_t n = 0; n < audio.size(); ++n) {
        audio.left[n] = interleaved[2 * n];
        audio.right[n] = interleaved[2 * n + 1];
    }
    return audio;
}
