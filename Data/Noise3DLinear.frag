// One 256x256 layer of the tileable noise volume: smooth value noise in three decorrelated
// channels, summed over octaves whose lattice periods divide the volume, so it wraps on all axes.
#version 330 compatibility

// 16^3 RGB lattices, GL_LINEAR, GL_REPEAT: each channel the same random lattice moved by whole
// cells, so one filtered fetch reads three independent noises at the same point.
uniform sampler3D t; // moved by (0,0,0), (5,10,1), (2,12,9): the three channels' octaves
uniform sampler3D w; // moved by (3,6,14), (11,1,8), (9,15,4): the three warp axes
uniform int a;       // layer, 0..255

out vec4 color;

// Smooth value noise at p (lattice units) in each channel: one trilinear fetch at a fade-warped
// position, so the filter does the blending. Integer offsets pick another part of the lattice.
vec3 valueNoise(sampler3D lattice, vec3 p, vec3 offset) {
    vec3 cell = floor(p);
    vec3 f = p - cell;
    f = f * f * f * (f * (f * 6.0 - 15.0) + 10.0);
    return texture(lattice, (cell + offset + f + 0.5) / 16.0).rgb;
}

vec3 octaves(vec3 p) {
    // 16, 32 and 64 cells across the volume: every period divides it.
    vec3 sum = valueNoise(t, p, vec3(0.0));
    sum += 0.5 * valueNoise(t, p * 2.0, vec3(7.0, 3.0, 11.0));
    sum += 0.25 * valueNoise(t, p * 4.0, vec3(13.0, 9.0, 5.0));
    return sum / 1.75;
}

void main() {
    vec3 texel = vec3(floor(gl_FragCoord.xy), float(a));
    vec3 p = texel / 16.0; // one lattice cell per 16 texels
    // A gentle warp by noise of the same period breaks up the lattice grid and the repeats of
    // the finer octaves without breaking the wrap.
    vec3 warp = valueNoise(w, p, vec3(0.0)) - 0.5;
    color = vec4(octaves(p + 0.5 * warp), 1.0);
}
