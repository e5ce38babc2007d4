// Rock slabs: normal-mapped rock under a warm lamp ahead of the eye, cool fill and rim, fog into
// the night-blue depth of the tunnel; everything scaled by Fade.
#version 330 compatibility

uniform sampler2D Tex;
uniform sampler2D TexNormal;
uniform float Fade;

in vec3 eyePosition;
in vec3 eyeNormal;
in vec2 texCoord;

out vec4 fragColor;

// Tangent frame from screen-space derivatives, so no tangents need to be sent.
mat3 tangentFrame(vec3 n, vec3 p, vec2 uv) {
    vec3 dp1 = dFdx(p);
    vec3 dp2 = dFdy(p);
    vec2 duv1 = dFdx(uv);
    vec2 duv2 = dFdy(uv);
    vec3 dp2perp = cross(dp2, n);
    vec3 dp1perp = cross(n, dp1);
    vec3 t = dp2perp * duv1.x + dp1perp * duv2.x;
    vec3 b = dp2perp * duv1.y + dp1perp * duv2.y;
    float scale = inversesqrt(max(max(dot(t, t), dot(b, b)), 1e-12));
    return mat3(t * scale, b * scale, n);
}

void main() {
    vec2 uv = texCoord * 2.0;
    vec3 toEye = normalize(-eyePosition);
    // Two faces of each slab carry inward normals: light whichever side faces the eye.
    vec3 n = normalize(eyeNormal);
    if (dot(n, toEye) < 0.0)
        n = -n;
    vec3 bump = texture(TexNormal, uv).xyz * 2.0 - 1.0;
    bump.xy *= 1.4;
    vec3 normal = normalize(tangentFrame(n, eyePosition, uv) * bump);

    vec3 rock = texture(Tex, uv).rgb;
    rock = rock * (0.6 + 0.8 * rock); // deepen the cracks, keep the faces

    // The lamp hangs a little ahead of the eye, where the glowing cloud usually is.
    vec3 lampPosition = vec3(0.0, 3.0, -14.0);
    vec3 toLamp = lampPosition - eyePosition;
    float lampDistance = length(toLamp);
    toLamp /= lampDistance;
    float falloff = 1.0 / (1.0 + lampDistance * lampDistance * 0.00035);
    float diffuse = max(dot(normal, toLamp), 0.0);
    float specular = pow(max(dot(normal, normalize(toLamp + toEye)), 0.0), 28.0);
    float rim = pow(1.0 - max(dot(normal, toEye), 0.0), 3.0);

    vec3 warm = vec3(1.0, 0.6, 0.3);
    vec3 cool = vec3(0.09, 0.2, 0.27);
    vec3 color = rock * (cool * 1.4 + warm * diffuse * falloff * 3.2);
    color += warm * specular * falloff * 0.6;
    color += vec3(0.15, 0.4, 0.5) * rim * 0.35;

    float distance = length(eyePosition);
    float fog = 1.0 - exp(-max(distance - 12.0, 0.0) * 0.011);
    vec3 fogColor = vec3(0.03, 0.085, 0.125);
    color = mix(color, fogColor, fog);

    fragColor = vec4(color * Fade, 1.0);
}
