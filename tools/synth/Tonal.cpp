// Pitched and swept voices: rolling bass, wide supersaw pad, plucked arpeggio, lead and riser.
#include <cmath>

#include "Envelope.h"
#include "Filters.h"
#include "Grid.h"
#include "Oscillators.h"
#include "Rng.h"
#include "Voices.h"
#include "kem/Exception.h"

namespace Synth {
namespace {

constexpr int kControlBlock = 32; // samples between filter and automation updates

// Where a note sounds: its exact first sample, where the gate closes and where the tail ends.
struct Span {
    int64_t start, gateEnd, end;
};

// `gate` is the part of the note's length that it is held (short for staccato).
Span spanOf(const NoteEvent& event, double gate, double releaseSeconds, const StereoBuffer& out) {
    Span span;
    span.start = rowToSample(event.row);
    span.gateEnd = rowToSample(event.row + event.lengthRows * gate);
    span.end = std::min<int64_t>(span.gateEnd + Envelope::releaseSamples(releaseSeconds),
                                 static_cast<int64_t>(out.size()));
    return span;
}

// A released note whose envelope fell below -80 dB is done; later samples would be silence.
bool finished(int64_t n, const Span& span, const Envelope& amp) {
    return n >= span.gateEnd && amp.value() < 1e-4f;
}

float centsToRatio(float cents) {
    return std::exp2(cents / 1200.0f);
}

void bass(const Instrument& in, const NoteEvent& event, StereoBuffer& out) {
    const float release = in.param("release", 0.03);
    Span span = spanOf(event, in.param("gate", 1.0), release, out);
    Envelope amp(in.param("attack", 0.003), in.param("decay", 0.2), in.param("sustain", 0.75),
                 release);
    const float envAmount = in.param("env_amount", 5.0);
    const float envFall = std::exp(-1.0f / (in.param("env_decay", 0.08) * kSampleRate));
    const float resonance = in.param("resonance", 0.25);
    const float sub = in.param("sub", 0.6);
    const float drive = in.param("drive", 1.5);
    const float step = hzToStep(midiToHz(event.pitches.at(0)));
    SawOsc saw;
    PulseOsc pulse;
    SineOsc sine;
    Ladder ladder;
    float filterEnv = 1.0f;
    for (int64_t n = span.start; n < span.end; ++n) {
        int64_t i = n - span.start;
        if (i % kControlBlock == 0) {
            if (finished(n, span, amp))
                break;
            double row = sampleToRow(static_cast<double>(n));
            float cutoff = in.paramAt("cutoff", row, 320.0);
            ladder.set(cutoff * (1.0f + envAmount * filterEnv), resonance);
        }
        filterEnv *= envFall;
        float tone =
            ladder.process(0.7f * saw.next(step) + 0.35f * pulse.next(step * 1.003f, 0.4f));
        float value = softClip(drive * (tone + sub * sine.next(step))) * amp.next(n < span.gateEnd);
        out.left[n] += value * event.velocity;
        out.right[n] += value * event.velocity;
    }
}

// Several detuned saws per note spread across the stereo field, then a low-pass.
void pad(const Instrument& in, const NoteEvent& event, StereoBuffer& out) {
    const float release = in.param("release", 1.4);
    Span span = spanOf(event, in.param("gate", 1.0), release, out);
    Envelope amp(in.param("attack", 0.45), in.param("decay", 1.0), in.param("sustain", 0.8),
                 release);
    const int voices = std::clamp(static_cast<int>(in.param("voices", 5)), 1, 9);
    const float detune = in.param("detune", 16.0);
    const float resonance = in.param("resonance", 0.8);
    const size_t count = voices * event.pitches.size();
    SawBank saws;
    std::vector<float> values(count), gainLeft(count), gainRight(count);
    Rng rng(hashSeed(in.name, static_cast<uint32_t>(event.row * 8.0)));
    for (size_t p = 0; p < event.pitches.size(); ++p) {
        for (int v = 0; v < voices; ++v) {
            size_t k = p * voices + v;
            float spread = voices == 1 ? 0.0f : 2.0f * v / (voices - 1) - 1.0f; // -1 .. 1
            saws.add(rng.nextUnit(),
                     hzToStep(midiToHz(event.pitches[p]) * centsToRatio(spread * detune)));
            float pan = spread * (p % 2 ? -0.85f : 0.85f);
            gainLeft[k] = std::sqrt(0.5f * (1.0f - pan));
            gainRight[k] = std::sqrt(0.5f * (1.0f + pan));
        }
    }
    const float norm = 0.5f / std::sqrt(static_cast<float>(count));
    Svf left, right;
    for (int64_t n = span.start; n < span.end; ++n) {
        if ((n - span.start) % kControlBlock == 0) {
            if (finished(n, span, amp))
                break;
            float cutoff = in.paramAt("cutoff", sampleToRow(static_cast<double>(n)), 2400.0);
            left.set(cutoff, resonance);
            right.set(cutoff * 1.03f, resonance);
        }
        saws.next(values.data());
        float sumLeft = 0.0f, sumRight = 0.0f;
        for (size_t k = 0; k < count; ++k) {
            sumLeft += values[k] * gainLeft[k];
            sumRight += values[k] * gainRight[k];
        }
        float level = amp.next(n < span.gateEnd) * norm * event.velocity;
        left.process(sumLeft);
        right.process(sumRight);
        out.left[n] += left.low * level;
        out.right[n] += right.low * level;
    }
}

// A short bright note whose filter closes quickly; alternate notes lean left and right.
void pluck(const Instrument& in, const NoteEvent& event, StereoBuffer& out) {
    const float release = in.param("release", 0.08);
    Span span = spanOf(event, in.param("gate", 1.0), release, out);
    Envelope amp(0.001f, in.param("decay", 0.25), in.param("sustain", 0.0), release);
    const float envAmount = in.param("env_amount", 7.0);
    const float envFall = std::exp(-1.0f / (in.param("env_decay", 0.1) * kSampleRate));
    const float resonance = in.param("resonance", 1.2);
    const float pan = (event.ordinal % 2 ? 1.0f : -1.0f) * in.param("pan_alternate", 0.45);
    const float gainLeft = std::sqrt(0.5f * (1.0f - pan)),
                gainRight = std::sqrt(0.5f * (1.0f + pan));
    std::vector<float> steps;
    for (int pitch : event.pitches)
        steps.push_back(hzToStep(midiToHz(pitch)));
    std::vector<SawOsc> saws(steps.size());
    std::vector<PulseOsc> pulses(steps.size());
    Svf filter;
    float filterEnv = 1.0f;
    for (int64_t n = span.start; n < span.end; ++n) {
        if ((n - span.start) % kControlBlock == 0) {
            if (finished(n, span, amp))
                break;
            float cutoff = in.paramAt("cutoff", sampleToRow(static_cast<double>(n)), 900.0);
            filter.set(cutoff * (1.0f + envAmount * filterEnv), resonance);
        }
        filterEnv *= envFall;
        float sum = 0.0f;
        for (size_t k = 0; k < steps.size(); ++k)
            sum += saws[k].next(steps[k] * 1.002f) * 0.5f + pulses[k].next(steps[k], 0.3f) * 0.4f;
        filter.process(sum);
        float value = filter.low * amp.next(n < span.gateEnd) * event.velocity;
        out.left[n] += value * gainLeft;
        out.right[n] += value * gainRight;
    }
}

// Detuned saw stack with a square an octave down, delayed vibrato and a soft drive.
void lead(const Instrument& in, const NoteEvent& event, StereoBuffer& out) {
    const float release = in.param("release", 0.18);
    Span span = spanOf(event, in.param("gate", 1.0), release, out);
    Envelope amp(in.param("attack", 0.006), in.param("decay", 0.4), in.param("sustain", 0.75),
                 release);
    const float detune = in.param("detune", 11.0);
    const float envAmount = in.param("env_amount", 2.0);
    const float envFall = std::exp(-1.0f / (in.param("env_decay", 0.25) * kSampleRate));
    const float vibratoDepth = in.param("vibrato", 14.0);
    const float drive = in.param("drive", 1.3);
    const float base = midiToHz(event.pitches.at(0));
    SawOsc saws[3];
    PulseOsc square;
    Rng rng(hashSeed(in.name, static_cast<uint32_t>(event.row * 8.0)));
    for (SawOsc& saw : saws)
        saw.phase = rng.nextUnit();
    Svf left, right;
    float filterEnv = 1.0f;
    float vibratoPhase = 0.0f;
    const float vibratoStep = hzToStep(5.2f);
    float steps[3] = {}, squareStep = 0.0f;
    for (int64_t n = span.start; n < span.end; ++n) {
        int64_t i = n - span.start;
        if (i % kControlBlock == 0) {
            if (finished(n, span, amp))
                break;
            float cutoff = in.paramAt("cutoff", sampleToRow(static_cast<double>(n)), 2600.0);
            left.set(cutoff * (1.0f + envAmount * filterEnv), 0.9f);
            right.set(cutoff * 1.04f * (1.0f + envAmount * filterEnv), 0.9f);
            float seconds = static_cast<float>(i) / kSampleRate;
            float vibrato = vibratoDepth * std::min(1.0f, std::max(0.0f, seconds - 0.2f) * 3.0f) *
                            std::sin(kTwoPi * vibratoPhase);
            float hz = base * centsToRatio(vibrato);
            steps[0] = hzToStep(hz * centsToRatio(-detune));
            steps[1] = hzToStep(hz);
            steps[2] = hzToStep(hz * centsToRatio(detune));
            squareStep = hzToStep(hz * 0.5f);
        }
        vibratoPhase += vibratoStep;
        if (vibratoPhase >= 1.0f)
            vibratoPhase -= 1.0f;
        filterEnv *= envFall;
        float a = saws[0].next(steps[0]), b = saws[1].next(steps[1]), c = saws[2].next(steps[2]);
        float sq = square.next(squareStep, 0.5f) * 0.35f;
        left.process(0.45f * a + 0.35f * b + 0.15f * c + sq);
        right.process(0.15f * a + 0.35f * b + 0.45f * c + sq);
        float level = amp.next(n < span.gateEnd) * event.velocity;
        out.left[n] += softClip(drive * left.low) * level;
        out.right[n] += softClip(drive * right.low) * level;
    }
}

// Noise through a rising band-pass, swelling towards the phrase change, plus a rising saw.
void riser(const Instrument& in, const NoteEvent& event, StereoBuffer& out) {
    const float release = in.param("release", 0.02);
    Span span = spanOf(event, in.param("gate", 1.0), release, out);
    Envelope amp(0.001f, 10.0f, 1.0f, release);
    const float from = in.param("from", 250.0), to = in.param("to", 9000.0);
    const float pitchRise = in.param("pitch_rise", 24.0);
    const float base = event.pitches.empty() ? 110.0f : midiToHz(event.pitches[0]);
    const double gateFrames = static_cast<double>(std::max<int64_t>(1, span.gateEnd - span.start));
    Rng rng(hashSeed(in.name, static_cast<uint32_t>(event.row)));
    Svf left, right, tone;
    SawOsc saw;
    float step = 0.0f, swell = 0.0f;
    for (int64_t n = span.start; n < span.end; ++n) {
        if ((n - span.start) % kControlBlock == 0) {
            float progress = std::min(1.0, (n - span.start) / gateFrames);
            float cutoff = from * std::pow(to / from, progress);
            left.set(cutoff, 2.2f);
            right.set(cutoff * 1.07f, 2.2f);
            tone.set(cutoff * 1.5f, 0.8f);
            step = hzToStep(base * std::exp2(pitchRise * progress / 12.0f));
            swell = progress * progress;
        }
        left.process(rng.nextBipolar());
        right.process(rng.nextBipolar());
        tone.process(saw.next(step));
        float level = swell * amp.next(n < span.gateEnd) * event.velocity;
        out.left[n] += (left.band + 0.25f * tone.low) * level;
        out.right[n] += (right.band + 0.25f * tone.low) * level;
    }
}

} // namespace

void renderNote(const Instrument& instrument, const NoteEvent& event, StereoBuffer& out) {
    const std::string& kind = instrument.kind;
    if ((kind == "bass" || kind == "lead" || kind == "pad" || kind == "pluck") &&
        event.pitches.empty())
        throw Kem::Exception(("Instrument " + instrument.name + " needs notes, not hits").c_str(),
                             __FILE__, __LINE__);
    if (kind == "bass")
        bass(instrument, event, out);
    else if (kind == "pad")
        pad(instrument, event, out);
    else if (kind == "pluck")
        pluck(instrument, event, out);
    else if (kind == "lead")
        lead(instrument, event, out);
    else if (kind == "riser")
        riser(instrument, event, out);
    else
        throw Kem::Exception(("Unknown instrument kind: " + kind).c_str(), __FILE__, __LINE__);
}

} // namespace Synth
