// One instrument at a time into its own buffer, then into the master and the effect sends, in
// the song's fixed order: no threads, no shared state, the same bytes on every run.
#include "Renderer.h"

#include <algorithm>
#include <cmath>

#include "Effects.h"
#include "Filters.h"
#include "Grid.h"
#include "Voices.h"

namespace Synth {
namespace {

float dbToGain(double db) {
    return static_cast<float>(std::pow(10.0, db / 20.0));
}

void addOneShot(const StereoBuffer& hit, const Instrument& instrument, const NoteEvent& event,
                StereoBuffer& out) {
    const int64_t start = rowToSample(event.row);
    const bool filtered =
        instrument.params.count("cutoff") || instrument.automation.count("cutoff");
    Svf left, right;
    if (filtered) {
        float cutoff = instrument.paramAt("cutoff", event.row, 20000.0);
        left.set(cutoff, 0.9f);
        right.set(cutoff, 0.9f);
    }
    const size_t count =
        std::min<size_t>(hit.size(), out.size() - std::min<size_t>(out.size(), start));
    for (size_t i = 0; i < count; ++i) {
        float l = hit.left[i], r = hit.right[i];
        if (filtered) {
            left.process(l);
            right.process(r);
            l = left.low;
            r = right.low;
        }
        out.left[start + i] += l * event.velocity;
        out.right[start + i] += r * event.velocity;
    }
}

// Renders into `out` (cleared first; reused so the big buffer is touched into memory only once).
// Returns the first and one-past-last samples it may have touched.
std::pair<size_t, size_t> renderInstrument(const Song& song, int index, StereoBuffer& out) {
    const Instrument& instrument = song.instruments[index];
    const size_t frames = out.size();
    std::fill(out.left.begin(), out.left.end(), 0.0f);
    std::fill(out.right.begin(), out.right.end(), 0.0f);
    size_t first = frames, last = 0;
    std::vector<StereoBuffer> hits;
    if (isOneShot(instrument.kind))
        for (int variant = 0; variant < oneShotVariants(instrument.kind); ++variant)
            hits.push_back(renderOneShot(instrument, variant));
    for (const NoteEvent& event : song.events) {
        if (event.instrument != index || rowToSample(event.row) >= static_cast<int64_t>(frames))
            continue;
        first = std::min<size_t>(first, rowToSample(event.row));
        last = frames; // tails may ring on to the end
        if (hits.empty())
            renderNote(instrument, event, out);
        else
            addOneShot(hits[event.ordinal % hits.size()], instrument, event, out);
    }
    return {std::min(first, last), last};
}

} // namespace

std::vector<float> sidechainShape(const Song& song, size_t frames) {
    std::vector<float> shape(frames, 0.0f);
    const size_t attack = static_cast<size_t>(0.004 * kSampleRate);
    const size_t length = static_cast<size_t>(0.4 * kSampleRate);
    for (const NoteEvent& event : song.events) {
        const Instrument& instrument = song.instruments[event.instrument];
        if (instrument.kind != "kick" || instrument.param("sidechain", 1.0) <= 0.0)
            continue;
        const float release = 1.0f / (instrument.param("duck_release", 0.1) * kSampleRate);
        const int64_t start = rowToSample(event.row);
        for (size_t i = 0; i < length && start + i < frames; ++i) {
            float value = i < attack ? static_cast<float>(i) / attack
                                     : std::exp(-static_cast<float>(i - attack) * release);
            // Shaped so the pump recovers smoothly, not as a hard exponential corner.
            value = value * value * (3.0f - 2.0f * value);
            shape[start + i] = std::max(shape[start + i], value);
        }
    }
    return shape;
}

StereoBuffer renderMix(const Song& song, double seconds) {
    if (seconds < 0.0)
        seconds = song.seconds;
    const size_t frames = static_cast<size_t>(std::llround(seconds * kSampleRate));
    StereoBuffer mix(frames), reverbSend(frames), delaySend(frames);
    const std::vector<float> duckShape = sidechainShape(song, frames);

    StereoBuffer voice(frames);
    for (size_t index = 0; index < song.instruments.size(); ++index) {
        const Instrument& instrument = song.instruments[index];
        auto [first, last] = renderInstrument(song, static_cast<int>(index), voice);
        const float duck = instrument.param("duck", 0.0);
        const float pan = instrument.param("pan", 0.0);
        const float width = instrument.param("width", 1.0);
        const float reverb = instrument.param("reverb", 0.0);
        const float delay = instrument.param("delay", 0.0);
        const float panLeft = std::sqrt(1.0f - pan), panRight = std::sqrt(1.0f + pan);
        const bool automatedGain = instrument.automation.count("gain") > 0;
        float gain = dbToGain(instrument.param("gain", 0.0));
        for (size_t n = first; n < last; ++n) {
            if (automatedGain && (n == first || n % 64 == 0))
                gain = dbToGain(instrument.paramAt("gain", sampleToRow(n), 0.0));
            float level = gain * (1.0f - duck * duckShape[n]);
            float mid = 0.5f * (voice.left[n] + voice.right[n]);
            float side = 0.5f * (voice.left[n] - voice.right[n]) * width;
            float left = (mid + side) * level * panLeft;
            float right = (mid - side) * level * panRight;
            mix.left[n] += left;
            mix.right[n] += right;
            reverbSend.left[n] += left * reverb;
            reverbSend.right[n] += right * reverb;
            delaySend.left[n] += left * delay;
            delaySend.right[n] += right * delay;
        }
    }

    applyPingPongDelay(delaySend, DelaySettings());
    for (size_t n = 0; n < frames; ++n) {
        reverbSend.left[n] += 0.3f * delaySend.left[n];
        reverbSend.right[n] += 0.3f * delaySend.right[n];
    }
    applyReverb(reverbSend, ReverbSettings());

    OnePoleHighPass dcLeft(8.0f), dcRight(8.0f);
    const bool automatedMaster = !song.masterGain.points.empty();
    float masterGain = 1.0f;
    for (size_t n = 0; n < frames; ++n) {
        if (automatedMaster && n % 64 == 0)
            masterGain = dbToGain(song.masterGain.at(sampleToRow(n)));
        float left = mix.left[n] + delaySend.left[n] + reverbSend.left[n];
        float right = mix.right[n] + delaySend.right[n] + reverbSend.right[n];
        mix.left[n] = dcLeft.process(left) * masterGain;
        mix.right[n] = dcRight.process(right) * masterGain;
    }
    return mix;
}

} // namespace Synth
