// One direction of a Gaussian over five taps; a pass along x and one along y make the 5 x 5
// Gaussian in ten fetches instead of 25. Delta scales the tap spacing, so 1 reaches about six
// texels and 0.25 smooths out what the wide passes left.
#version 330 compatibility

uniform sampler2D Tex;
uniform float Delta;
uniform vec2 Direction; // (1, 0) or (0, 1)

out vec4 color;

void main() {
    vec2 texel = 1.0 / vec2(textureSize(Tex, 0));
    vec2 uv = gl_FragCoord.xy * texel;
    vec2 step = texel * 1.5 * Delta * Direction;
    vec4 sum = vec4(0.0);
    float total = 0.0;
    for (int i = -2; i <= 2; ++i) {
        float weight = exp(-float(i * i) / 2.9);
        sum += weight * texture(Tex, uv + float(i) * step);
        total += weight;
    }
    color = sum / total;
}
