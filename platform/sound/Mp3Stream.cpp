// libmpg123 behind Mp3Stream: forced float stereo at the file's own rate, gapless trimming on.
#include "platform/sound/Mp3Stream.h"

#include <mpg123.h>

#include <mutex>

namespace sound {

namespace {
void initialiseLibraryOnce() {
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}
} // namespace

Mp3Stream::Mp3Stream(const char* path) {
    initialiseLibraryOnce();
    int error = MPG123_OK;
    mpg123_handle* decoder = mpg123_new(nullptr, &error);
    if (!decoder)
        return;
    mpg123_param(decoder, MPG123_ADD_FLAGS,
                 MPG123_GAPLESS | MPG123_FORCE_STEREO | MPG123_FORCE_FLOAT | MPG123_QUIET, 0.0);
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    // The scan builds the seek index and reads the encoder's delay and padding for gapless.
    if (mpg123_open(decoder, path) != MPG123_OK || mpg123_scan(decoder) != MPG123_OK ||
        mpg123_getformat(decoder, &rate, &channels, &encoding) != MPG123_OK || channels != 2 ||
        encoding != MPG123_ENC_FLOAT_32 || rate <= 0) {
        mpg123_delete(decoder);
        return;
    }
    handle = decoder;
    sampleRate = static_cast<int>(rate);
    off_t frames = mpg123_length(decoder);
    length = frames >= 0 ? std::int64_t(frames) : -1;
}

Mp3Stream::~Mp3Stream() {
    if (handle) {
        mpg123_close(handle);
        mpg123_delete(handle);
    }
}

int Mp3Stream::read(float* out, int maxFrames) {
    if (!handle || maxFrames <= 0)
        return 0;
    size_t wanted = size_t(maxFrames) * 2 * sizeof(float);
    // A format notice delivers no samples; the format is forced, so just read again.
    for (int attempt = 0; attempt < 4; ++attempt) {
        size_t bytes = 0;
        int result = mpg123_read(handle, out, wanted, &bytes);
        if (bytes > 0 || (result != MPG123_NEW_FORMAT && result != MPG123_OK))
            return static_cast<int>(bytes / (2 * sizeof(float)));
    }
    return 0;
}

void Mp3Stream::seek(std::int64_t frame) {
    if (handle)
        mpg123_seek(handle, off_t(frame), SEEK_SET);
}

} // namespace sound
