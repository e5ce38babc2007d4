// The bloom's whole Gaussian blur along one axis: each output texel is a weighted sum of the
// texels up to ten either side. The weights fold a chain of five-tap passes (see BlurKernel) and
// carry its black border past the edges, so one pass gives what six did.
#version 330 compatibility

uniform sampler2D Tex;
// RGBA32F, one row per output texel: weight j of the row multiplies input texel o - 10 + j.
uniform sampler2D Weights;
uniform vec2 Direction; // (1, 0) or (0, 1)

out vec4 color;

void main() {
    ivec2 pixel = ivec2(gl_FragCoord.xy);
    ivec2 axis = ivec2(Direction);
    int o = pixel.x * axis.x + pixel.y * axis.y;
    ivec2 last = textureSize(Tex, 0) - 1;
    vec4 sum = vec4(0.0);
    for (int group = 0; group < 6; ++group) {
        vec4 weights = texelFetch(Weights, ivec2(group, o), 0);
        for (int i = 0; i < 4; ++i) {
            // Weights past the texture are 0; the clamp only keeps the fetch inside it.
            ivec2 at = clamp(pixel + (group * 4 + i - 10) * axis, ivec2(0), last);
            sum += weights[i] * texelFetch(Tex, at, 0);
        }
    }
    color = sum;
}
