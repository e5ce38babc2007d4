// Sprites: a soft round glow, amber at the core and teal at the rim; the floater flash adds a
// white-hot core.
#version 330 compatibility

uniform float ColonFloaterFlash;

in vec2 corner;
in vec3 color;

out vec4 fragColor;

void main() {
    float r2 = dot(corner, corner);
    if (r2 >= 1.0)
        discard;
    float edge = 1.0 - r2;
    float core = exp(-r2 * 9.0);
    float halo = edge * edge * 0.2;
    vec3 glow = core * vec3(0.8, 0.55, 0.3) + halo * vec3(0.2, 0.45, 0.6);
    glow += core * max(ColonFloaterFlash, 0.0) * 1.2;
    fragColor = vec4(color * glow, 1.0);
}
