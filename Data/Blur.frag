// One two-dimensional Gaussian pass over a 5 x 5 grid of taps; Delta scales the tap spacing, so
// 1 reaches about six texels and 0.25 smooths out what the wide passes left.
#version 330 compatibility

uniform sampler2D Tex;
uniform float Delta;

out vec4 color;

void main() {
    vec2 texel = 1.0 / vec2(textureSize(Tex, 0));
    vec2 uv = gl_FragCoord.xy * texel;
    vec2 step = texel * 1.5 * Delta;
    vec4 sum = vec4(0.0);
    float total = 0.0;
    for (int j = -2; j <= 2; ++j) {
        for (int i = -2; i <= 2; ++i) {
            float weight = exp(-float(i * i + j * j) / 2.9);
            sum += weight * texture(Tex, uv + vec2(i, j) * step);
            total += weight;
        }
    }
    color = sum / total;
}
