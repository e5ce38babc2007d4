// How much of the sky one sphere hides from the surface point in the geometry buffer: the
// cosine-weighted solid angle of the sphere, faded to nothing at its reach.
#version 330 compatibility

uniform sampler2D PosTex;
uniform sampler2D NormalTex;
uniform vec3 Pos;
uniform float Rad;
uniform float OcclusionRadius;
uniform float GridStep; // geometry texels per occlusion texel on each axis: 1, or coarser

out vec4 occlusion;

void main() {
    ivec2 texel = ivec2(gl_FragCoord.xy * GridStep);
    vec3 n = texelFetch(NormalTex, texel, 0).xyz;
    if (dot(n, n) < 0.25)
        discard;
    vec3 p = texelFetch(PosTex, texel, 0).xyz;
    vec3 toCentre = Pos - p;
    float distance = length(toCentre);
    float reach = Rad * 2.5 + OcclusionRadius;
    if (distance >= reach || distance < 1e-4)
        discard;
    float facing = max(dot(n, toCentre / distance), 0.0);
    float solidAngle = (Rad * Rad) / (distance * distance);
    float fade = 1.0 - smoothstep(Rad, reach, distance);
    float amount = clamp(facing * solidAngle * fade * 1.3, 0.0, 1.0);
    if (amount <= 0.0)
        discard;
    occlusion = vec4(amount, 0.0, 0.0, 1.0);
}
