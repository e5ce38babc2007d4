// Sync tracks: key lists read once from "<base>_<name>.track" and evaluated at the music row.
#include "Sync.h"

#include "kem/Exception.h"
#include "platform/Clock.h"
#include "platform/Files.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

constexpr int pathCapacity = 260;
constexpr long keyBytes = 9;

char* copyText(const char* text) {
    size_t size = std::strlen(text) + 1;
    char* copy = static_cast<char*>(std::malloc(size));
    if (copy)
        std::memcpy(copy, text, size);
    return copy;
}

std::int32_t readLittleEndian32(const unsigned char* bytes) {
    std::uint32_t value = std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 |
                          std::uint32_t(bytes[2]) << 16 | std::uint32_t(bytes[3]) << 24;
    std::int32_t result;
    std::memcpy(&result, &value, sizeof result);
    return result;
}

} // namespace

float Track::getValue(double row) const {
    if (count <= 0 || !keys)
        return 0.0f;
    // Rows outside the int range (or not a number) are simply before the first or after the last
    // key.
    std::int32_t r;
    if (row >= double(INT_MAX))
        r = INT_MAX;
    else if (row >= double(INT_MIN))
        r = static_cast<std::int32_t>(std::floor(row));
    else
        r = INT_MIN;

    int lo = 0;
    int hi = count;
    int k = -1;
    bool exact = false;
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        if (keys[mid].row < r) {
            lo = mid + 1;
        } else if (keys[mid].row > r) {
            hi = mid;
        } else {
            k = mid;
            exact = true;
            break;
        }
    }
    if (!exact)
        k = lo - 1;
    if (k < 0)
        return keys[0].value;
    if (k > count - 2)
        return keys[count - 1].value;

    const TrackKey& a = keys[k];
    const TrackKey& b = keys[k + 1];
    std::int64_t span = std::int64_t(b.row) - std::int64_t(a.row);
    // Keys on the same row: the segment has no length, so it holds its first value.
    if (span == 0)
        return a.value;
    double t = (row - a.row) / double(span);
    float difference = b.value - a.value;
    switch (a.interpolation) {
    case Hold:
        return a.value;
    case Linear:
        return float(a.value + double(difference) * t);
    case Smooth:
        return float(a.value + double(difference) * (3.0 - 2.0 * t) * (t * t));
    case EaseIn:
        return float(a.value + double(difference) * std::pow(t, 2.0));
    default:
        return 0.0f;
    }
}

void Track::setKeys(const TrackKey* newKeys, int newCount) {
    TrackKey* copy = nullptr;
    if (newCount > 0) {
        copy = static_cast<TrackKey*>(std::malloc(sizeof(TrackKey) * size_t(newCount)));
        if (!copy)
            throw Kem::Exception("Out of memory for sync tracks", "src\\Sync", 0);
        std::memcpy(copy, newKeys, sizeof(TrackKey) * size_t(newCount));
    }
    std::free(keys);
    keys = copy;
    count = newCount > 0 ? newCount : 0;
}

Track::~Track() {
    std::free(name);
    std::free(keys);
}

TrackSet::TrackSet(const char* base) : base(copyText(base ? base : "")) {}

TrackSet::~TrackSet() {
    for (int i = 0; i < count; ++i)
        delete tracks[i];
    std::free(tracks);
    std::free(base);
}

// Reads the key list; a missing file leaves the track empty, a file that cannot be read (a pipe,
// a folder, one past the size limit) is an error naming it. Only whole keys that the file really
// holds are read, whatever its count claims.
static void loadTrack(const char* path, TrackKey*& keys, std::int32_t& count) {
    std::vector<unsigned char> bytes;
    if (!platform::readFileIfPresent(path, platform::trackLimit, "track", bytes))
        return;
    if (bytes.size() < 4)
        return;
    std::int32_t claimed = readLittleEndian32(bytes.data());
    size_t whole = (bytes.size() - 4) / size_t(keyBytes);
    std::int32_t wanted =
        claimed < 0 ? 0 : (size_t(claimed) < whole ? claimed : std::int32_t(whole));
    if (wanted > 0)
        keys = static_cast<TrackKey*>(std::malloc(sizeof(TrackKey) * size_t(wanted)));
    if (!keys)
        return;
    for (std::int32_t read = 0; read < wanted; ++read) {
        const unsigned char* key = bytes.data() + 4 + size_t(read) * size_t(keyBytes);
        keys[read].row = readLittleEndian32(key);
        std::int32_t valueBits = readLittleEndian32(key + 4);
        std::memcpy(&keys[read].value, &valueBits, sizeof(float));
        keys[read].interpolation = key[8];
    }
    count = wanted;
}

// "<base>_<name>.track", or false when the path would not fit the buffer.
static bool trackPath(const char* base, const char* name, char (&path)[pathCapacity]) {
    int length = std::snprintf(path, sizeof path, "%s_%s.track", base ? base : "", name);
    return length >= 0 && length < pathCapacity;
}

void TrackSet::reloadTrack(Track* track) {
    TrackKey* keys = nullptr;
    std::int32_t read = 0;
    char path[pathCapacity];
    if (trackPath(base, track->name, path))
        loadTrack(path, keys, read);
    std::free(track->keys);
    track->keys = keys;
    track->count = read;
}

Track* TrackSet::getTrack(const char* name) {
    if (!name)
        name = "";
    for (int i = 0; i < count; ++i) {
        if (std::strcmp(tracks[i]->name, name) == 0)
            return tracks[i];
    }

    Track* track = new Track;
    track->name = copyText(name);
    auto** grown = static_cast<Track**>(std::realloc(tracks, sizeof(Track*) * size_t(count + 1)));
    if (!grown || !track->name)
        throw Kem::Exception("Out of memory for sync tracks", "src\\Sync", 0);
    tracks = grown;
    tracks[count++] = track;

    // A path that does not fit the buffer names no file we could open: the track stays empty.
    char path[pathCapacity];
    if (trackPath(base, name, path))
        loadTrack(path, track->keys, track->count);
    return track;
}

namespace {

struct SyncModule {
    Audio* audio = nullptr;
    std::uint32_t startTime = 0;
    TrackSet* tracks = nullptr;
    double rowsPerSecond = 0.0;
    const char* base = "Data/";
    std::uint32_t readStamp = 1;
};

SyncModule module;

// Creates the module state on first use; a failed start is tried again on the next call.
SyncModule& started() {
    if (module.tracks)
        return module;
    module.startTime = platform::getMilliseconds();
    TrackSet* tracks = new (std::nothrow) TrackSet(module.base);
    if (!tracks || !tracks->getBase()) {
        delete tracks;
        throw Kem::Exception("Could not initialize Rocket", "src\\Sync", 48);
    }
    module.tracks = tracks;
    module.audio = nullptr;
    return module;
}

double musicSeconds(SyncModule& state) {
    return state.audio ? state.audio->getPosition() : 0.0;
}

} // namespace

namespace Sync {

void setAudio(Audio* audio, double rowsPerSecond) {
    SyncModule& state = started();
    state.audio = audio;
    state.rowsPerSecond = rowsPerSecond;
}

float getValue(const char* name) {
    SyncModule& state = started();
    if (!state.audio)
        return 0.0f;
    double row = state.rowsPerSecond * musicSeconds(state);
    Track* track = state.tracks->getTrack(name);
    track->lastRead = state.readStamp;
    return track->getValue(row);
}

double getTime() {
    SyncModule& state = started();
    if (state.audio && state.audio->isLoaded())
        return state.audio->getPosition();
    return double(std::uint32_t(platform::getMilliseconds() - state.startTime)) / 1000.0;
}

double getRow() {
    SyncModule& state = started();
    return state.rowsPerSecond * musicSeconds(state);
}

TrackSet* getTracks() {
    return started().tracks;
}

void setTrackDirectory(const char* base) {
    // Kept for the whole run, like the tracks themselves.
    static auto* directory = new std::string;
    *directory = base ? base : "";
    module.base = directory->c_str();
    if (!module.tracks)
        return;
    // Tracks already handed out stay valid: a set in use is kept, just no longer asked.
    static auto* retired = new std::vector<TrackSet*>;
    if (module.tracks->getTrackCount() == 0)
        delete module.tracks;
    else
        retired->push_back(module.tracks);
    module.tracks = nullptr;
    started();
}

std::uint32_t nextReadStamp() {
    return ++module.readStamp;
}

} // namespace Sync
