// Sobel edges of the source, Spread apart, drawn in Color at Strength, over the source
// scaled by BackgroundMix and a faint tunnel glow of the same colour.
#version 330 compatibility

uniform sampler2D Tex;
uniform vec2 Resolution;
uniform float Spread;
uniform float Strength;
uniform vec3 Color;
uniform float BackgroundMix;

in vec2 texCoord;

out vec4 color;

#ifdef WHOLE_TEXELS
// Built with WHOLE_TEXELS when the spread is a whole number of texels: every tap then lands on a
// texel centre, where one fetch gives what filtering would, at a fraction of the cost.
vec3 at(vec2 offset) {
    ivec2 size = textureSize(Tex, 0);
    ivec2 texel = ivec2(gl_FragCoord.xy) + ivec2(floor(offset * vec2(size) + 0.5));
    return texelFetch(Tex, clamp(texel, ivec2(0), size - 1), 0).rgb;
}
#else
// Clamped so the far border never leaks in as an edge.
vec3 at(vec2 offset) {
    vec2 border = 0.5 / Resolution;
    return texture(Tex, clamp(texCoord + offset, border, 1.0 - border)).rgb;
}
#endif

void main() {
    // Spread counts pixels of a 720-line picture, so lines keep their weight at every size.
    vec2 step = vec2(max(Spread, 0.0) / 720.0) * vec2(Resolution.y / Resolution.x, 1.0);
    vec3 tl = at(vec2(-step.x, step.y)), t = at(vec2(0.0, step.y)), tr = at(step);
    vec3 l = at(vec2(-step.x, 0.0)), centre = at(vec2(0.0)), r = at(vec2(step.x, 0.0));
    vec3 bl = at(-step), b = at(vec2(0.0, -step.y)), br = at(vec2(step.x, -step.y));
    vec3 gx = (tr + 2.0 * r + br) - (tl + 2.0 * l + bl);
    vec3 gy = (tl + 2.0 * t + tr) - (bl + 2.0 * b + br);
    vec3 gradient = sqrt(gx * gx + gy * gy);
    float edge = dot(gradient, vec3(0.3, 0.5, 0.2));
    // Keep a little of the source's hue in the line so amber veins stay warm.
    vec3 hue = centre / max(max(centre.r, max(centre.g, centre.b)), 1e-3);
    vec3 line = Color * edge * Strength * mix(vec3(1.0), hue, 0.35);

    float fromCentre = length((texCoord - 0.5) * vec2(Resolution.x / Resolution.y, 1.0));
    vec3 night = mix(vec3(0.008, 0.025, 0.06), Color * 0.05, 0.3);
    vec3 tunnel = night * max(Strength, 0.0) * (1.0 + 2.5 * exp(-fromCentre * 2.5));
    color = vec4(line + tunnel + centre * BackgroundMix, 1.0);
}
