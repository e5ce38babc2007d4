// The sound layer's interface: the FMOD Ex-style calls the show makes, implemented on libmpg123
// and SDL2 audio. Only what the show uses is declared.
#pragma once

typedef enum {
    FMOD_OK = 0,
    FMOD_ERR_INVALID_PARAM,
    FMOD_ERR_INVALID_HANDLE,
    FMOD_ERR_FILE_NOTFOUND,
    FMOD_ERR_FORMAT,
    FMOD_ERR_INITIALIZATION,
    FMOD_ERR_UNINITIALIZED,
    FMOD_ERR_MEMORY,
} FMOD_RESULT;

typedef unsigned int FMOD_TIMEUNIT;
typedef unsigned int FMOD_MODE;
typedef unsigned int FMOD_INITFLAGS;
typedef int FMOD_CHANNELINDEX;

constexpr FMOD_TIMEUNIT FMOD_TIMEUNIT_MS = 1;
constexpr FMOD_MODE FMOD_DEFAULT = 0;
constexpr FMOD_INITFLAGS FMOD_INIT_NORMAL = 0;
constexpr FMOD_CHANNELINDEX FMOD_CHANNEL_FREE = -1;

// Never filled in by the show; accepted for the shape of the call.
struct FMOD_CREATESOUNDEXINFO;

namespace FMOD {

class Sound;
class Channel;

class System {
public:
    FMOD_RESULT getVersion(unsigned int* version);
    FMOD_RESULT init(int maxChannels, FMOD_INITFLAGS flags, void* extraDriverData);
    // Opens an MP3 for streamed decoding; *sound is null when the file cannot be used.
    FMOD_RESULT createStream(const char* path, FMOD_MODE mode, FMOD_CREATESOUNDEXINFO* info,
                             Sound** sound);
    FMOD_RESULT playSound(FMOD_CHANNELINDEX index, Sound* sound, bool paused, Channel** channel);
    FMOD_RESULT update();
    // Stops playback and frees the system with every sound and channel it made.
    FMOD_RESULT release();

protected:
    System() = default;
    ~System() = default;
};

class Sound {
protected:
    Sound() = default;
    ~Sound() = default;
};

class Channel {
public:
    // The position heard on the device, in milliseconds of the stream.
    FMOD_RESULT getPosition(unsigned int* position, FMOD_TIMEUNIT unit);
    FMOD_RESULT setPosition(unsigned int position, FMOD_TIMEUNIT unit);
    // False once the whole stream has been heard (never while offline).
    FMOD_RESULT isPlaying(bool* playing);
    FMOD_RESULT setPaused(bool paused);
    // Playback rate in frames of the stream a second: the stream's own rate plays at normal
    // speed; lower rates play slower and lower (resampled), the position following.
    FMOD_RESULT setFrequency(float frequency);
    FMOD_RESULT getFrequency(float* frequency);
    FMOD_RESULT stop();

protected:
    Channel() = default;
    ~Channel() = default;
};

} // namespace FMOD

FMOD_RESULT FMOD_System_Create(FMOD::System** system);
