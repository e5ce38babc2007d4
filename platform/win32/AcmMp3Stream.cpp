// Mp3Stream on the system's ACM MP3 codec: frames are fed one at a time from our own index of
// the file, and the decoder's leading output is skipped so that frame 0 is the first audible
// sample. How much it leads by is measured on the file itself: whether the codec turns the
// info frame into a frame of silence is seen from what it returns for the first two frames.
#include "platform/Files.h"
#include "platform/sound/Mp3Stream.h"
#include "platform/win32/Mp3Frames.h"

#include <windows.h>

#include <mmreg.h>
#include <mmsystem.h>
#include <msacm.h>

#include <algorithm>
#include <cstdio>
#include <vector>

// The stream's header names its decoder handle after libmpg123's; on Windows it is this state.
struct mpg123_handle_struct {
    std::vector<std::uint8_t> file;
    sound::Mp3Layout layout;
    std::vector<sound::Mp3Frame> units; // what the codec is fed: info frame (if any), audio
    HACMSTREAM stream = nullptr;
    ACMSTREAMHEADER header{};
    std::vector<std::uint8_t> input;
    std::vector<std::uint8_t> output;

    std::int64_t skip = 0;   // codec output frames before stream frame 0
    std::int64_t length = 0; // stream frames
    std::size_t nextUnit = 0;
    std::size_t droppedUnits = 0; // units at the start that the codec gives no output for
    bool flushed = false;
    std::int64_t pendingFirst = 0; // codec output index of pending[0]
    std::vector<float> pending;    // decoded stereo frames not yet read
    std::int64_t wanted = 0;       // codec output index read next

    ~mpg123_handle_struct() { closeCodec(); }

    bool openCodec() {
        closeCodec();
        MPEGLAYER3WAVEFORMAT source{};
        source.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
        source.wfx.nChannels = WORD(layout.channels);
        source.wfx.nSamplesPerSec = DWORD(layout.sampleRate);
        source.wfx.nAvgBytesPerSec = DWORD(layout.bitrate * 125);
        source.wfx.nBlockAlign = 1;
        source.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
        source.wID = MPEGLAYER3_ID_MPEG;
        source.fdwFlags = MPEGLAYER3_FLAG_PADDING_OFF;
        source.nBlockSize = WORD(layout.frames.front().size);
        source.nFramesPerBlock = 1;
        WAVEFORMATEX pcm{};
        pcm.wFormatTag = WAVE_FORMAT_PCM;
        pcm.nChannels = WORD(layout.channels);
        pcm.nSamplesPerSec = DWORD(layout.sampleRate);
        pcm.wBitsPerSample = 16;
        pcm.nBlockAlign = WORD(2 * layout.channels);
        pcm.nAvgBytesPerSec = pcm.nSamplesPerSec * pcm.nBlockAlign;
        if (acmStreamOpen(&stream, nullptr, &source.wfx, &pcm, nullptr, 0, 0, 0) != 0) {
            stream = nullptr;
            return false;
        }
        std::uint32_t largest = 0;
        for (const sound::Mp3Frame& unit : units)
            largest = std::max(largest, unit.size);
        input.assign(largest, 0);
        // A call may return a held-back frame along with the new one; leave room for more.
        output.assign(std::size_t(8 * layout.samplesPerFrame * pcm.nBlockAlign), 0);
        header = ACMSTREAMHEADER{};
        header.cbStruct = sizeof(header);
        header.pbSrc = input.data();
        header.cbSrcLength = DWORD(input.size());
        header.pbDst = output.data();
        header.cbDstLength = DWORD(output.size());
        if (acmStreamPrepareHeader(stream, &header, 0) != 0) {
            acmStreamClose(stream, 0);
            stream = nullptr;
            return false;
        }
        nextUnit = 0;
        flushed = false;
        return true;
    }

    void closeCodec() {
        if (!stream)
            return;
        header.cbSrcLength = DWORD(input.size());
        header.cbDstLength = DWORD(output.size());
        acmStreamUnprepareHeader(stream, &header, 0);
        acmStreamClose(stream, 0);
        stream = nullptr;
    }

    // Feeds the next unit (or the final flush) and returns the codec output frames it gave back,
    // appended to pending as stereo floats; -1 once everything has come out.
    int decodeMore() {
        if (!stream || flushed)
            return -1;
        DWORD flags = ACM_STREAMCONVERTF_BLOCKALIGN;
        if (nextUnit < units.size()) {
            const sound::Mp3Frame& unit = units[nextUnit++];
            std::copy_n(file.data() + unit.offset, unit.size, input.data());
            header.cbSrcLength = unit.size;
        } else {
            header.cbSrcLength = 0;
            flags = ACM_STREAMCONVERTF_END;
            flushed = true;
        }
        header.cbDstLength = DWORD(output.size());
        header.cbDstLengthUsed = 0;
        if (acmStreamConvert(stream, &header, flags) != 0)
            return flushed ? -1 : 0;
        const int channels = layout.channels;
        const int frames = int(header.cbDstLengthUsed / DWORD(2 * channels));
        const auto* samples = reinterpret_cast<const std::int16_t*>(output.data());
        for (int i = 0; i < frames; ++i) {
            const float left = samples[i * channels] / 32768.0f;
            const float right = samples[i * channels + channels - 1] / 32768.0f;
            pending.push_back(left);
            pending.push_back(right);
        }
        return frames;
    }

    // Whether the codec turns the info frame into a frame of audio (silence): the first few
    // units are fed and flushed, and the frames that come back are counted.
    bool codecDecodesInfoFrame() {
        const std::size_t fed = std::min<std::size_t>(units.size(), 3);
        std::int64_t given = 0;
        for (std::size_t i = 0; i < fed; ++i)
            given += std::max(0, decodeMore());
        nextUnit = units.size();
        given += std::max(0, decodeMore());
        return given >= std::int64_t(fed) * layout.samplesPerFrame;
    }

    // Starts the codec afresh a few frames before the one holding codec output frame
    // `outputFrame`: Layer III frames borrow bits from earlier ones and overlap them, so the
    // first frames after a restart are not yet exact.
    void restartAt(std::int64_t outputFrame) {
        constexpr std::int64_t preroll = 10;
        const std::int64_t frameSamples = layout.samplesPerFrame;
        const std::int64_t first = std::max<std::int64_t>(outputFrame / frameSamples - preroll, 0);
        openCodec();
        // From the start the codec also gets the units it gives nothing for; later on they
        // are behind.
        nextUnit = first == 0 ? 0 : std::size_t(first) + droppedUnits;
        pending.clear();
        pendingFirst = first * frameSamples;
    }
};

namespace sound {

Mp3Stream::Mp3Stream(const char* path) {
    if (!path)
        return;
    // Unreadable music is an error of its own, thrown with its cause; undecodable music just
    // leaves the stream closed.
    std::vector<unsigned char> bytes =
        platform::readFileLimited(path, platform::musicLimit, "music");
    auto state = new mpg123_handle_struct;
    state->file = std::move(bytes);
    const bool usable = scanMp3(state->file, state->layout);
    if (!usable) {
        delete state;
        return;
    }
    Mp3Layout& layout = state->layout;
    if (layout.hasInfoFrame)
        state->units.push_back({layout.infoFrameOffset, layout.infoFrameSize});
    state->units.insert(state->units.end(), layout.frames.begin(), layout.frames.end());
    if (!state->openCodec()) {
        delete state;
        return;
    }
    const std::int64_t frameSamples = layout.samplesPerFrame;
    // Measured, not assumed: a codec that decodes the info frame leads by one frame more.
    // The encoder's delay and the filter bank's come after that.
    std::int64_t leading = 0;
    if (layout.hasInfoFrame) {
        if (state->codecDecodesInfoFrame())
            leading = frameSamples;
        else
            state->droppedUnits = 1;
    }
    if (layout.hasEncoderDelay) {
        leading += layout.encoderDelay + mp3DecoderDelay;
        state->length = std::int64_t(layout.frames.size()) * frameSamples - layout.encoderDelay -
                        layout.encoderPadding;
    } else {
        state->length = std::int64_t(layout.frames.size()) * frameSamples;
    }
    state->skip = leading;
    state->length = std::max<std::int64_t>(state->length, 0);
    state->restartAt(0);
    state->wanted = state->skip;
    handle = state;
    sampleRate = layout.sampleRate;
    length = state->length;
}

Mp3Stream::~Mp3Stream() {
    delete handle;
}

int Mp3Stream::read(float* out, int maxFrames) {
    if (!handle || maxFrames <= 0)
        return 0;
    mpg123_handle_struct& state = *handle;
    const std::int64_t end = state.skip + state.length;
    int written = 0;
    while (written < maxFrames && state.wanted < end) {
        const std::int64_t available =
            state.pendingFirst + std::int64_t(state.pending.size() / 2) - state.wanted;
        if (available <= 0) {
            // Everything pending is before the wanted frame (or read): make room, decode on.
            state.pendingFirst += std::int64_t(state.pending.size() / 2);
            state.pending.clear();
            if (state.decodeMore() < 0)
                break;
            continue;
        }
        const std::int64_t from = state.wanted - state.pendingFirst;
        const int count = int(std::min<std::int64_t>(
            {available, std::int64_t(maxFrames - written), end - state.wanted}));
        std::copy_n(state.pending.data() + from * 2, count * 2, out + written * 2);
        written += count;
        state.wanted += count;
    }
    return written;
}

void Mp3Stream::seek(std::int64_t frame) {
    if (!handle)
        return;
    mpg123_handle_struct& state = *handle;
    const std::int64_t target = std::clamp<std::int64_t>(frame, 0, state.length);
    state.wanted = target + state.skip;
    state.restartAt(state.wanted);
}

} // namespace sound
