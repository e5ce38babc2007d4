// One 256x256 layer of the tileable noise volume: smooth value noise in three decorrelated
// channels, summed over octaves whose lattice periods divide the volume, so it wraps on all axes.
#version 330 compatibility

uniform sampler3D t; // 16^3 random bytes in red, GL_LINEAR, GL_REPEAT
uniform int a;       // layer, 0..255

out vec4 color;

// Smooth value noise at p (lattice units): one trilinear fetch at a fade-warped position, so
// the hardware filter does the blending. Integer offsets pick another part of the lattice.
float valueNoise(vec3 p, vec3 offset) {
    vec3 cell = floor(p);
    vec3 f = p - cell;
    f = f * f * f * (f * (f * 6.0 - 15.0) + 10.0);
    return texture(t, (cell + offset + f + 0.5) / 16.0).r;
}

float octaves(vec3 p, vec3 offset) {
    // 16, 32 and 64 cells across the volume: every period divides it.
    float sum = valueNoise(p, offset);
    sum += 0.5 * valueNoise(p * 2.0, offset + vec3(7.0, 3.0, 11.0));
    sum += 0.25 * valueNoise(p * 4.0, offset + vec3(13.0, 9.0, 5.0));
    return sum / 1.75;
}

void main() {
    vec3 texel = vec3(floor(gl_FragCoord.xy), float(a));
    vec3 p = texel / 16.0; // one lattice cell per 16 texels
    // A gentle warp by noise of the same period breaks up the lattice grid and the repeats of
    // the finer octaves without breaking the wrap.
    vec3 warp = vec3(valueNoise(p, vec3(3.0, 6.0, 14.0)), valueNoise(p, vec3(11.0, 1.0, 8.0)),
                     valueNoise(p, vec3(9.0, 15.0, 4.0))) - 0.5;
    vec3 q = p + 0.5 * warp;
    color = vec4(octaves(q, vec3(0.0)), octaves(q, vec3(5.0, 10.0, 1.0)),
                 octaves(q, vec3(2.0, 12.0, 9.0)), 1.0);
}
