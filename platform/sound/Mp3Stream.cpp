// libmpg123 behind Mp3Stream: forced float stereo at the file's own rate, gapless trimming on.
#include "platform/sound/Mp3Stream.h"

#include "platform/Files.h"

#include <cstring>
#include <mpg123.h>

#include <mutex>

namespace sound {

namespace {
void initialiseLibraryOnce() {
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

// The decoder reads the file's bytes from memory.
ssize_t readBytes(void* source, void* out, size_t size) {
    auto* stream = static_cast<Mp3Stream::Bytes*>(source);
    size_t left = stream->data.size() - stream->position;
    size_t count = size < left ? size : left;
    if (count > 0)
        std::memcpy(out, stream->data.data() + stream->position, count);
    stream->position += count;
    return ssize_t(count);
}

off_t seekBytes(void* source, off_t offset, int whence) {
    auto* stream = static_cast<Mp3Stream::Bytes*>(source);
    off_t base = whence == SEEK_SET   ? 0
                 : whence == SEEK_CUR ? off_t(stream->position)
                 : whence == SEEK_END ? off_t(stream->data.size())
                                      : -1;
    if (base < 0 || offset < -base || offset > off_t(stream->data.size()) - base)
        return -1;
    stream->position = size_t(base + offset);
    return off_t(stream->position);
}
} // namespace

Mp3Stream::Mp3Stream(const char* path) {
    initialiseLibraryOnce();
    if (!path)
        return;
    // Unreadable music is an error of its own, thrown with its cause; undecodable music just
    // leaves the stream closed.
    bytes.data = platform::readFileLimited(path, platform::musicLimit, "music");
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
    if (mpg123_replace_reader_handle(decoder, readBytes, seekBytes, nullptr) != MPG123_OK ||
        mpg123_open_handle(decoder, &bytes) != MPG123_OK || mpg123_scan(decoder) != MPG123_OK ||
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
