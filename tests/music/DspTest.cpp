// Measurement and dynamics: BS.1770 loudness and gating, true peak, the limiter, band-limited saws.
#include <gtest/gtest.h>

#include <cmath>

#include "Grid.h"
#include "Limiter.h"
#include "Loudness.h"
#include "Oscillators.h"

using namespace Synth;

namespace {

StereoBuffer sine(double hz, double amplitude, double seconds, double phase = 0.0) {
    StereoBuffer audio(static_cast<size_t>(seconds * kSampleRate));
    for (size_t n = 0; n < audio.size(); ++n) {
        float value =
            static_cast<float>(amplitude * std::sin(2.0 * M_PI * hz * n / kSampleRate + phase));
        audio.left[n] = audio.right[n] = value;
    }
    return audio;
}

StereoBuffer join(const StereoBuffer& a, const StereoBuffer& b) {
    StereoBuffer out(a);
    out.left.insert(out.left.end(), b.left.begin(), b.left.end());
    out.right.insert(out.right.end(), b.right.begin(), b.right.end());
    return out;
}

} // namespace

TEST(Loudness, SineAtOneKilohertzReadsItsLevel) {
    // A stereo 997 Hz sine at -20 dBFS peak reads -20 LUFS (the K-weighting gain cancels -0.691).
    EXPECT_NEAR(integratedLoudness(sine(997.0, 0.1, 5.0)), -20.0, 0.1);
    EXPECT_NEAR(integratedLoudness(sine(997.0, 0.01, 5.0)), -40.0, 0.1);
    // One channel only is 3 dB less.
    StereoBuffer mono = sine(997.0, 0.1, 5.0);
    std::fill(mono.right.begin(), mono.right.end(), 0.0f);
    EXPECT_NEAR(integratedLoudness(mono), -23.0, 0.1);
}

TEST(Loudness, KWeightingDiscountsLowAndLiftsHigh) {
    EXPECT_LT(integratedLoudness(sine(30.0, 0.1, 5.0)), -21.0);
    EXPECT_GT(integratedLoudness(sine(8000.0, 0.1, 5.0)), -19.0);
}

TEST(Loudness, GatesIgnoreSilenceAndQuietPassages) {
    StereoBuffer silence(static_cast<size_t>(10.0 * kSampleRate));
    EXPECT_NEAR(integratedLoudness(join(sine(997.0, 0.1, 10.0), silence)), -20.0, 0.1);
    // 20 dB quieter passages fall under the relative gate (-10 LU).
    EXPECT_NEAR(integratedLoudness(join(sine(997.0, 0.1, 10.0), sine(997.0, 0.01, 10.0))), -20.0,
                0.1);
    // 6 dB quieter ones do count.
    EXPECT_LT(integratedLoudness(join(sine(997.0, 0.1, 10.0), sine(997.0, 0.05, 10.0))), -21.0);
    EXPECT_TRUE(std::isinf(integratedLoudness(silence)));
}

TEST(Loudness, ScaledPowerMatchesAGainAppliedToTheSignal) {
    StereoBuffer tone = sine(440.0, 0.2, 6.0);
    std::vector<float> gain(tone.size(), 0.5f);
    EXPECT_NEAR(integratedLoudness(kWeightedPower(tone), gain),
                integratedLoudness(kWeightedPower(tone)) - 6.02, 0.01);
}

TEST(TruePeak, FindsPeaksBetweenSamples) {
    // A quarter-rate sine sampled 45 degrees off its crest: samples reach only 0.707 of it.
    StereoBuffer tone = sine(kSampleRate / 4.0, 0.5, 1.0, M_PI / 4.0);
    float samplePeak = 0.0f;
    for (float v : tone.left)
        samplePeak = std::max(samplePeak, std::abs(v));
    EXPECT_NEAR(samplePeak, 0.5f * 0.7071f, 0.001f);
    EXPECT_NEAR(toDecibels(truePeak(tone)), toDecibels(0.5), 0.3);
    // A single full-scale sample rings above itself when interpolated (sinc overshoot is small).
    StereoBuffer click(1000);
    click.left[500] = 0.5f;
    EXPECT_GE(truePeak(click), 0.5f);
    EXPECT_LT(truePeak(click), 0.55f);
}

TEST(Limiter, HoldsTheCeilingAndLeavesQuietPassagesAlone) {
    // Quiet tone, then a burst 12 dB over the ceiling, then quiet again.
    StereoBuffer audio =
        join(join(sine(220.0, 0.1, 1.0), sine(220.0, 2.0, 0.2)), sine(220.0, 0.1, 2.0));
    const std::vector<float> peaks = truePeakEnvelope(audio);
    std::vector<float> gain, scratch;
    const float ceiling = 0.5f;
    const int lookAhead = 132;
    limiterGain(peaks, 1.0f, ceiling, lookAhead, 0.05, scratch, gain);
    float largest = 0.0f, steepest = 0.0f;
    for (size_t n = 0; n < audio.size(); ++n) {
        largest = std::max(largest, peaks[n] * gain[n]);
        if (n > 0)
            steepest = std::max(steepest, std::abs(gain[n] - gain[n - 1]));
    }
    EXPECT_LE(largest, ceiling * 1.0001f);
    // The gain ramps over the look-ahead instead of jumping (no clicks).
    EXPECT_LT(steepest, 1.0f / lookAhead + 1e-4f);
    // Well before the burst, and long after it, the signal passes untouched.
    EXPECT_FLOAT_EQ(gain[kSampleRate / 2], 1.0f);
    EXPECT_FLOAT_EQ(gain[static_cast<size_t>(2.9 * kSampleRate)], 1.0f);
    // During the burst it takes about 12 dB off.
    EXPECT_NEAR(toDecibels(gain[static_cast<size_t>(1.1 * kSampleRate)]), -12.0, 0.5);
}

TEST(Limiter, MasteringReachesTheLoudnessTargetUnderTheCeiling) {
    // A loud, peaky signal: a tone with clicks every 0.1 s.
    StereoBuffer audio = sine(330.0, 0.05, 12.0);
    for (size_t n = 0; n < audio.size(); n += kSampleRate / 10)
        audio.left[n] = audio.right[n] = 0.9f;
    MasterSettings settings;
    settings.targetLufs = -14.0;
    settings.ceilingDbtp = -1.5;
    MasterReport report = master(audio, settings);
    EXPECT_NEAR(integratedLoudness(audio), -14.0, 0.1);
    EXPECT_LE(toDecibels(truePeak(audio)), -1.5 + 0.01);
    EXPECT_NEAR(report.outputLufs, integratedLoudness(audio), 1e-6);
    EXPECT_GT(report.maxReductionDb, 3.0) << "the clicks had to be limited";
}

TEST(Oscillators, PolyBlepSawHasLessAliasingThanANaiveOne) {
    // Energy a naive saw folds back below its fundamental; the band-limited one keeps far less.
    const float hz = 3520.0f, step = hzToStep(hz);
    auto foldedEnergy = [&](bool bandLimited) {
        SawOsc saw;
        double re = 0.0, im = 0.0, naivePhase = 0.0;
        const double probe = 1660.0; // the 13th harmonic (45760 Hz) folds back to here
        for (int n = 0; n < kSampleRate; ++n) {
            double value = bandLimited ? saw.next(step) : 2.0 * naivePhase - 1.0;
            naivePhase += step;
            if (naivePhase >= 1.0)
                naivePhase -= 1.0;
            double window = 0.5 - 0.5 * std::cos(2.0 * M_PI * n / kSampleRate);
            re += value * window * std::cos(2.0 * M_PI * probe * n / kSampleRate);
            im += value * window * std::sin(2.0 * M_PI * probe * n / kSampleRate);
        }
        return re * re + im * im;
    };
    EXPECT_LT(foldedEnergy(true), 0.1 * foldedEnergy(false));
}
