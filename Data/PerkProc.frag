// Colour grading of the scene image: the per-pixel grading of Grading.comm, which comes first,
// with the effects that need other pixels. Each is scaled by its own uniform (0 leaves the image
// alone):
//   Distortion   horizontal scan-line wobble, for accents
//   Distortion2  lens warp with colour fringing, for transitions
//   Dots         a halftone dot screen
// NO_DISTORTION and NO_DOTS build the cheaper variant used while those are 0: software
// rasterisers run every branch of a shader, so leaving the code out is the only way to skip it.

uniform sampler2D Tex;
uniform float Time;
uniform float Distortion;
uniform float Distortion2;
uniform float Dots;

in vec2 uv;
out vec4 color;

vec3 distorted(vec2 p) {
    // Bands of rows slide sideways, each at its own phase, so the tear looks like a bad signal.
    float band = floor(p.y * 48.0);
    float wobble = sin(band * 12.9898 + Time * 31.0) * 0.6 + sin(p.y * 9.0 + Time * 4.0) * 0.4;
    p.x += wobble * 0.04 * Distortion;

    // Barrel warp, stronger for red than for blue: the lens fringe of a cheap camera.
    vec2 centred = p - 0.5;
    float r2 = dot(centred, centred);
    float warp = Distortion2 * 0.35 * r2;
    vec2 pr = 0.5 + centred * (1.0 + warp * 1.06);
    vec2 pg = 0.5 + centred * (1.0 + warp);
    vec2 pb = 0.5 + centred * (1.0 + warp * 0.94);
    return vec3(texture(Tex, pr).r, texture(Tex, pg).g, texture(Tex, pb).b);
}

void main() {
    vec4 original = texelFetch(Tex, ivec2(gl_FragCoord.xy), 0);
#ifdef NO_DISTORTION
    // Undistorted, every channel is read at the pixel's own centre.
    vec3 c = original.rgb;
#else
    vec3 c = distorted(uv);
#endif

    c = shadeAt(gradeTones(c), uv);

#ifndef NO_DOTS
    // Halftone: one dot per 6-pixel cell, its radius grows with the cell's brightness.
    vec2 cell = gl_FragCoord.xy / 6.0;
    vec2 inCell = fract(cell) - 0.5;
    float radius = sqrt(clamp(luminance(c), 0.0, 1.0)) * 0.7;
    float dotMask = 1.0 - smoothstep(radius - 0.08, radius + 0.08, length(inCell));
    c = mix(c, c * dotMask * 1.6, clamp(Dots, 0.0, 1.0));
#endif

    color = vec4(mix(original.rgb, c, Mix), original.a);
}
