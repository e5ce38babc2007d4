// Sobel edges of the source, Spread pixels apart, drawn in Color at Strength, over the source
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

vec3 at(vec2 offset) { return texture(Tex, texCoord + offset).rgb; }

void main() {
    vec2 step = vec2(max(Spread, 0.0)) / Resolution;
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
    vec3 tunnel = Color * Strength * 0.03 * exp(-fromCentre * 2.2);
    color = vec4(line + tunnel + centre * BackgroundMix, 1.0);
}
