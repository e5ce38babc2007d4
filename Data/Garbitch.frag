// A glowing noise-textured shape: veins where the scrolling noise crosses its middle value, a
// bright frame along the edges, teal in the body and amber in the hottest veins.
#version 330 compatibility

uniform sampler3D NoiseTex;
uniform float NoiseTexTime;
uniform vec2 Scroll;

in vec2 surface;
in vec3 shade;
in float viewDistance;

out vec4 color;

void main() {
    // One fetch of the volume (3D fetches dominate the cost of the big near shapes); the finer
    // ripples come from bending a sine with it.
    vec3 at = vec3(surface * vec2(0.45, 0.2) + Scroll * 0.3, NoiseTexTime);
    vec3 coarse = texture(NoiseTex, at).rgb;
    float ripple = sin(dot(surface, vec2(23.0, 9.0)) + coarse.g * 40.0) * 0.5 + 0.5;
    float field = coarse.r * 0.8 + ripple * 0.2;
    float vein = 0.035 / (abs(field - 0.5) + 0.035);
    float body = smoothstep(0.35, 0.75, coarse.b) * 0.35;
    // Distance to the nearest cell edge; the arcs repeat s five times, so they read as segments.
    vec2 cell = fract(surface);
    float edge = min(min(cell.x, 1.0 - cell.x), min(cell.y, 1.0 - cell.y));
    float frame = exp(-edge * 28.0) * 1.4;

    vec3 teal = vec3(0.12, 0.75, 0.85);
    vec3 amber = vec3(1.0, 0.55, 0.16);
    vec3 hue = mix(teal, amber, smoothstep(0.5, 0.72, coarse.g));
    vec3 glow = hue * (vein + body) + mix(teal, amber, 0.25) * frame;
    float haze = exp(-max(viewDistance - 40.0, 0.0) * 0.006);
    color = vec4(glow * shade * haze, 1.0);
}
