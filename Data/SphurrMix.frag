// Lights the spheres from the geometry buffer: a warm key, a cool fill, the occlusion, and the
// environment reflected with a Fresnel term; pixels without a sphere keep the sky.
#version 330 compatibility

uniform sampler2D PosTex;
uniform sampler2D RefEyeTex;
uniform sampler2D OcclusionTex;
uniform samplerCube EnvTex;
uniform sampler2D NormalTex;
uniform vec3 EyePos;

in vec2 texCoord;

out vec4 color;

void main() {
    // The buffers have their own size; read them by normalised screen position.
    ivec2 size = textureSize(PosTex, 0);
    ivec2 texel = clamp(ivec2(texCoord * vec2(size)), ivec2(0), size - 1);
    vec3 n = texelFetch(NormalTex, texel, 0).xyz;
    if (dot(n, n) < 0.25)
        discard;
    n = normalize(n);
    vec3 p = texelFetch(PosTex, texel, 0).xyz;
    vec3 r = normalize(texelFetch(RefEyeTex, texel, 0).xyz);
    float occlusion = texture(OcclusionTex, texCoord).r;
    float open = 1.0 - occlusion;

    vec3 toEye = EyePos - p;
    float distance = length(toEye);
    vec3 v = toEye / distance;

    vec3 keyDirection = normalize(vec3(-0.55, 0.7, 0.45));
    vec3 keyColour = vec3(1.0, 0.6, 0.26);
    vec3 fillDirection = normalize(vec3(0.6, -0.35, -0.5));
    vec3 fillColour = vec3(0.1, 0.42, 0.52);
    vec3 albedo = vec3(0.17, 0.25, 0.29);

    float key = max(dot(n, keyDirection), 0.0);
    float fill = 0.5 + 0.5 * dot(n, fillDirection);
    vec3 sky = mix(vec3(0.02, 0.08, 0.12), vec3(0.03, 0.09, 0.2), 0.5 + 0.5 * n.y);
    vec3 diffuse = albedo * (keyColour * key * 2.8 + fillColour * fill * 1.1 + sky * 2.5 * open);

    float facing = max(dot(n, v), 0.0);
    float fresnel = 0.14 + 0.86 * pow(1.0 - facing, 4.0);
    vec3 environment = texture(EnvTex, r).rgb;
    environment = environment * vec3(0.75, 0.9, 1.0) * 1.3 + vec3(0.02, 0.05, 0.08);
    float highlight = pow(max(dot(r, keyDirection), 0.0), 40.0);
    vec3 rim = vec3(1.0, 0.55, 0.2) * pow(1.0 - facing, 3.0) * 0.6 * max(0.3 + n.y, 0.0);

    vec3 lit = diffuse * open + environment * fresnel * (0.35 + 0.65 * open);
    lit += mix(keyColour, vec3(1.0), 0.4) * highlight * 2.0 * (0.4 + 0.6 * open) + rim * open;

    // Depth: the far side of the cloud sinks into the night.
    float haze = 1.0 - exp(-max(distance - 12.0, 0.0) * 0.035);
    lit = mix(lit, vec3(0.015, 0.06, 0.09), haze);
    color = vec4(lit, 1.0);
}
