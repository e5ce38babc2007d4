// Colour grading of the scene image. Every effect is scaled by its own uniform (0 leaves the
// image alone) and the whole graded result is blended over the untouched image by Mix.
//   Distortion   horizontal scan-line wobble, for accents
//   Distortion2  lens warp with colour fringing, for transitions
//   Flash        towards white
//   Invert       towards the negative
//   Desaturation towards grey
//   GradientExp  a soft top-to-bottom fall-off with a cool tint (1 is gentle)
//   VignetteExp  darkened corners (1 is gentle)
//   Dots         a halftone dot screen
// NO_DISTORTION and NO_DOTS build the cheaper variant used while those are 0: software
// rasterisers run every branch of a shader, so leaving the code out is the only way to skip it.
#version 330 compatibility

uniform sampler2D Tex;
uniform float Time;
uniform float Distortion;
uniform float Distortion2;
uniform float Flash;
uniform float Mix;
uniform float Invert;
uniform float Desaturation;
uniform float GradientExp;
uniform float VignetteExp;
uniform float Dots;

in vec2 uv;
out vec4 color;

float luminance(vec3 c) { return dot(c, vec3(0.2126, 0.7152, 0.0722)); }

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

    c = mix(c, vec3(1.0), clamp(Flash, 0.0, 1.0));
    c = mix(c, vec3(1.0) - c, clamp(Invert, 0.0, 1.0));
    c = mix(c, vec3(luminance(c)), clamp(Desaturation, 0.0, 1.0));

    // Top stays, bottom sinks to 70 % with a slight blue cast; the exponent sharpens it.
    float fall = pow(mix(0.7, 1.0, uv.y), max(GradientExp, 0.0));
    c *= mix(vec3(0.9, 0.95, 1.0), vec3(1.0), fall) * fall;

    vec2 fromCentre = (uv - 0.5) * vec2(1.0, 0.85);
    float vignette = clamp(1.0 - dot(fromCentre, fromCentre) * 1.2, 0.0, 1.0);
    c *= pow(max(vignette, 1e-4), max(VignetteExp, 0.0));

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
