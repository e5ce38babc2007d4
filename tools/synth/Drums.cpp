// Synthesised one-shots: kick, clap, hats and cymbals, and the impact boom for phrase changes.
#include <cmath>

#include "Filters.h"
#include "Oscillators.h"
#include "Rng.h"
#include "Voices.h"
#include "kem/Exception.h"

namespace Synth {
namespace {

size_t framesFor(double seconds) {
    return static_cast<size_t>(seconds * kSampleRate);
}

// Sine with a falling pitch, a short click and soft saturation.
StereoBuffer kick(const Instrument& in, Rng& rng) {
    const double pitchStart = in.param("pitch_start", 190.0);
    const double pitchEnd = in.param("pitch_end", 52.0);
    const double pitchFall = std::exp(-1.0 / (in.param("pitch_decay", 0.03) * kSampleRate));
    const double hold = in.param("hold", 0.06);
    const float decay = std::exp(-1.0f / (in.param("decay", 0.22) * kSampleRate));
    const float drive = in.param("drive", 1.8);
    const float clickLevel = in.param("click", 0.35);
    StereoBuffer hit(framesFor(hold + in.param("decay", 0.22) * 7.0));
    Svf clickFilter;
    clickFilter.set(3500.0f, 0.8f);
    double phase = 0.0, sweep = 1.0;
    float amp = 1.0f, clickEnv = 1.0f;
    const float norm = 1.0f / std::tanh(drive);
    for (size_t i = 0; i < hit.size(); ++i) {
        double hz = pitchEnd + (pitchStart - pitchEnd) * sweep;
        sweep *= pitchFall;
        float body = static_cast<float>(std::sin(6.283185307179586 * phase));
        phase += hz / kSampleRate;
        if (i > hold * kSampleRate)
            amp *= decay;
        clickFilter.process(rng.nextBipolar());
        float click = clickFilter.band * clickEnv * clickLevel;
        clickEnv *= 0.9945f;
        float value = std::tanh(drive * (body * amp + click)) * norm;
        hit.left[i] = hit.right[i] = value;
    }
    return hit;
}

// Three quick noise bursts and a tail through a band-pass, with a little body tone.
StereoBuffer clap(const Instrument& in, Rng& rng) {
    const float tone = in.param("tone", 1150.0);
    const double decay = in.param("decay", 0.16);
    StereoBuffer hit(framesFor(0.03 + decay * 7.0));
    Svf filterLeft, filterRight;
    filterLeft.set(tone * 0.94f, 1.3f);
    filterRight.set(tone * 1.06f, 1.3f);
    const float tailFall = std::exp(-1.0f / (decay * kSampleRate));
    const float burstFall = std::exp(-1.0f / (0.0032f * kSampleRate));
    const size_t burstGap = framesFor(0.0105);
    float burst = 0.0f, tail = 0.0f, bodyEnv = 0.35f;
    SineOsc body;
    for (size_t i = 0; i < hit.size(); ++i) {
        if (i < 3 * burstGap && i % burstGap == 0)
            burst = 1.0f;
        if (i == 3 * burstGap)
            tail = 0.75f;
        float envelope = burst + tail;
        burst *= burstFall;
        tail *= tailFall;
        float common = rng.nextBipolar();
        filterLeft.process(common * 0.7f + rng.nextBipolar() * 0.3f);
        filterRight.process(common * 0.7f + rng.nextBipolar() * 0.3f);
        float thump = body.next(185.0 / kSampleRate) * bodyEnv;
        bodyEnv *= 0.9993f;
        hit.left[i] = (filterLeft.band * 2.2f + thump) * envelope;
        hit.right[i] = (filterRight.band * 2.2f + thump) * envelope;
    }
    return hit;
}

// Six detuned pulses (metallic) and noise, high-passed; decay sets closed, open or crash.
StereoBuffer metal(const Instrument& in, Rng& rng) {
    static const float ratios[6] = {1.0f, 1.4827f, 1.8004f, 2.5461f, 2.6303f, 3.8967f};
    const float base = in.param("pitch", 330.0);
    const double decay = in.param("decay", 0.035);
    const float tone = in.param("tone", 7500.0);
    const float noiseMix = in.param("noise", 0.55);
    StereoBuffer hit(framesFor(0.002 + decay * 7.0));
    PulseOsc pulses[6];
    for (PulseOsc& pulse : pulses)
        pulse.phase = rng.nextUnit();
    Svf highLeft, highRight, smoothLeft, smoothRight;
    highLeft.set(tone, 0.9f);
    highRight.set(tone * 1.05f, 0.9f);
    smoothLeft.set(15000.0f, 0.7f);
    smoothRight.set(15000.0f, 0.7f);
    const float fall = std::exp(-1.0f / (decay * kSampleRate));
    const size_t attack = framesFor(0.0008);
    float env = 1.0f;
    for (size_t i = 0; i < hit.size(); ++i) {
        float ring = 0.0f;
        for (int k = 0; k < 6; ++k)
            ring += pulses[k].next(hzToStep(base * ratios[k]));
        ring *= 1.0f / 6.0f;
        float shape = i < attack ? static_cast<float>(i) / attack : (env *= fall);
        float common = rng.nextBipolar();
        highLeft.process(ring * (1.0f - noiseMix) +
                         noiseMix * (0.8f * common + 0.2f * rng.nextBipolar()));
        highRight.process(ring * (1.0f - noiseMix) +
                          noiseMix * (0.8f * common + 0.2f * rng.nextBipolar()));
        smoothLeft.process(highLeft.high);
        smoothRight.process(highRight.high);
        hit.left[i] = smoothLeft.low * shape;
        hit.right[i] = smoothRight.low * shape;
    }
    return hit;
}

// A deep falling boom with a burst of dark noise: the hit that marks a phrase change.
StereoBuffer impact(const Instrument& in, Rng& rng) {
    const double decay = in.param("decay", 0.9);
    StereoBuffer hit(framesFor(decay * 7.0));
    const float fall = std::exp(-1.0f / (decay * kSampleRate));
    const float noiseFall = std::exp(-1.0f / (0.22f * kSampleRate));
    const double pitchFall = std::exp(-1.0 / (0.25 * kSampleRate));
    Svf darkLeft, darkRight;
    darkLeft.set(in.param("tone", 1400.0), 0.7f);
    darkRight.set(in.param("tone", 1400.0) * 0.9f, 0.7f);
    double phase = 0.0, sweep = 1.0;
    float env = 1.0f, noiseEnv = 0.8f;
    for (size_t i = 0; i < hit.size(); ++i) {
        double hz = 38.0 + 70.0 * sweep;
        sweep *= pitchFall;
        float boom = static_cast<float>(std::sin(6.283185307179586 * phase)) * env;
        phase += hz / kSampleRate;
        env *= fall;
        darkLeft.process(rng.nextBipolar());
        darkRight.process(rng.nextBipolar());
        float attack = std::min(1.0f, static_cast<float>(i) / 40.0f);
        hit.left[i] = std::tanh(1.4f * (boom + darkLeft.low * noiseEnv)) * attack;
        hit.right[i] = std::tanh(1.4f * (boom + darkRight.low * noiseEnv)) * attack;
        noiseEnv *= noiseFall;
    }
    return hit;
}

} // namespace

bool isOneShot(const std::string& kind) {
    return kind == "kick" || kind == "clap" || kind == "hat" || kind == "impact";
}

int oneShotVariants(const std::string& kind) {
    return kind == "hat" || kind == "clap" ? 4 : 1;
}

StereoBuffer renderOneShot(const Instrument& instrument, int variant) {
    Rng rng(hashSeed(instrument.name, static_cast<uint32_t>(variant) * 7919u + 1u));
    if (instrument.kind == "kick")
        return kick(instrument, rng);
    if (instrument.kind == "clap")
        return clap(instrument, rng);
    if (instrument.kind == "hat")
        return metal(instrument, rng);
    if (instrument.kind == "impact")
        return impact(instrument, rng);
    throw Kem::Exception(("Not a one-shot kind: " + instrument.kind).c_str(), __FILE__, __LINE__);
}

} // namespace Synth
