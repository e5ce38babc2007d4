// Ping-pong delay and an eight-line feedback delay network reverb (Hadamard mixing, damped lines).
#include "Effects.h"

#include <cmath>

#include "Filters.h"
#include "Grid.h"

namespace Synth {

void applyPingPongDelay(StereoBuffer& buffer, const DelaySettings& settings) {
    const size_t length = static_cast<size_t>(rowToSample(settings.rows));
    std::vector<float> lineLeft(length, 0.0f), lineRight(length, 0.0f);
    OnePoleLowPass toneLeft, toneRight;
    toneLeft.set(settings.toneHz);
    toneRight.set(settings.toneHz);
    OnePoleHighPass thinLeft(280.0f), thinRight(280.0f);
    size_t at = 0;
    for (size_t n = 0; n < buffer.size(); ++n) {
        float outLeft = lineLeft[at], outRight = lineRight[at];
        float input = 0.5f * (buffer.left[n] + buffer.right[n]);
        lineLeft[at] = thinLeft.process(toneLeft.process(input + settings.feedback * outRight));
        lineRight[at] = toneRight.process(settings.feedback * outLeft);
        buffer.left[n] = outLeft;
        buffer.right[n] = outRight;
        at = at + 1 == length ? 0 : at + 1;
    }
}

void applyReverb(StereoBuffer& buffer, const ReverbSettings& settings) {
    static const float lengthsMs[8] = {31.7f, 37.9f, 41.3f, 47.1f, 53.9f, 61.1f, 67.3f, 79.3f};
    constexpr int kLines = 8;
    std::vector<float> lines[kLines];
    size_t positions[kLines] = {};
    float gains[kLines];
    OnePoleLowPass damping[kLines];
    for (int i = 0; i < kLines; ++i) {
        size_t length = static_cast<size_t>(lengthsMs[i] * settings.size * 0.001f * kSampleRate);
        lines[i].assign(length, 0.0f);
        gains[i] = std::pow(10.0f, -3.0f * length / (settings.decaySeconds * kSampleRate));
        damping[i].set(settings.dampingHz);
    }
    const size_t predelay = std::max<size_t>(1, settings.predelaySeconds * kSampleRate);
    std::vector<float> preLeft(predelay, 0.0f), preRight(predelay, 0.0f);
    size_t preAt = 0;
    OnePoleHighPass lowCutLeft(220.0f), lowCutRight(220.0f);
    for (size_t n = 0; n < buffer.size(); ++n) {
        float inLeft = preLeft[preAt], inRight = preRight[preAt];
        preLeft[preAt] = lowCutLeft.process(buffer.left[n]);
        preRight[preAt] = lowCutRight.process(buffer.right[n]);
        preAt = preAt + 1 == predelay ? 0 : preAt + 1;

        float x[kLines];
        for (int i = 0; i < kLines; ++i)
            x[i] = damping[i].process(lines[i][positions[i]] * gains[i]);
        // Fast Walsh-Hadamard transform, scaled to keep energy: a lossless mix of all lines.
        for (int span = 1; span < kLines; span *= 2)
            for (int i = 0; i < kLines; i += 2 * span)
                for (int j = i; j < i + span; ++j) {
                    float a = x[j], b = x[j + span];
                    x[j] = a + b;
                    x[j + span] = a - b;
                }
        const float scale = 0.35355339f;
        float outLeft = 0.0f, outRight = 0.0f;
        for (int i = 0; i < kLines; ++i) {
            float y = x[i] * scale;
            float input = (i % 2 ? inRight : inLeft) * (i & 2 ? -0.5f : 0.5f);
            float stored = lines[i][positions[i]];
            lines[i][positions[i]] = y + input;
            positions[i] = positions[i] + 1 == lines[i].size() ? 0 : positions[i] + 1;
            if (i % 2)
                outRight += stored * (i & 4 ? -1.0f : 1.0f);
            else
                outLeft += stored * (i & 4 ? -1.0f : 1.0f);
        }
        buffer.left[n] = outLeft * 0.5f;
        buffer.right[n] = outRight * 0.5f;
    }
}

} // namespace Synth
