// The ray-marched piece: a hollow rounded cube around a glowing core, opened by cut-outs and
// slashes, turned by the rotation tracks, standing over a dark glossy floor under a dusk sky.
// Only rays that enter the bounding sphere are marched; the floor and the sky are analytic.
#version 330 compatibility

uniform float Time;
uniform float RotationTime;
uniform mat4 View;
uniform mat4 ViewRotation;
uniform samplerCube SkyboxTex;
uniform float SkyboxMix;
uniform float Color;
uniform float AoFactor;
uniform float Cutouts;
uniform float Slashes;
uniform float PlaneDistance;
uniform float RotationMix;

in vec2 screen;
out vec4 color;

const float tanHalfFov = 0.5206; // 55 degrees vertically
const float boundRadius = 1.34;  // the shell never reaches past the rounding sphere
const int maxSteps = 44;
const vec3 sunDir = vec3(0.287, 0.019, -0.958); // low amber sun behind the piece, as in the sky
const vec3 moonDir = vec3(0.49, 0.73, 0.47);   // cool key light from above the camera side
const vec3 amber = vec3(1.0, 0.52, 0.16);

mat3 objectRotation;
mat3 cutSpin; // the cut pattern's own turn inside the shell
float holeRadius;
float slashWidth;

vec3 toObject(vec3 p) {
    return objectRotation * p;
}

float roundBox(vec3 p, vec3 b, float r) {
    vec3 q = abs(p) - b + r;
    return length(max(q, 0.0)) + min(max(q.x, max(q.y, q.z)), 0.0) - r;
}

float coreDistance(vec3 q) {
    return length(q) - 0.42;
}

float wallDistance(vec3 q) {
    float outer = max(roundBox(q, vec3(1.0), 0.14), length(q) - 1.32);
    return max(outer, 0.86 - length(q)); // hollow: a spherical cavity inside
}

// Cylinders along the three axes and a stack of diagonal slots, cut out of the wall.
float cutDistance(vec3 q) {
    float holes = min(min(length(q.xy), length(q.yz)), length(q.zx)) - holeRadius;
    float across = dot(q, vec3(0.7071, 0.7071, 0.0)) + 0.21;
    float slots = abs(across - 0.42 * floor(across / 0.42) - 0.21) - slashWidth;
    return min(holes, slots);
}

float shellDistance(vec3 q) {
    return max(wallDistance(q), -cutDistance(cutSpin * q));
}

float map(vec3 p) {
    vec3 q = toObject(p);
    return min(shellDistance(q), coreDistance(q));
}

vec3 skyColour(vec3 d) {
    float h = d.y;
    vec3 night = mix(vec3(0.06, 0.12, 0.17), vec3(0.012, 0.02, 0.06), smoothstep(0.0, 0.55, h));
    night = mix(night, vec3(0.02, 0.025, 0.04), smoothstep(0.0, -0.25, h));
    float glow = pow(max(dot(d, sunDir), 0.0), 6.0) * (1.0 - smoothstep(0.0, 0.35, abs(h)));
    night += amber * glow * 0.45 + vec3(0.04, 0.09, 0.1) * (1.0 - smoothstep(0.0, 0.12, abs(h)));
    vec3 cube = texture(SkyboxTex, d).rgb;
    return mix(night, cube, clamp(SkyboxMix, 0.0, 1.0));
}

// Brightness of the core, breathing on the beat (134.6 per minute).
float corePulse() {
    return 1.6 + 0.5 * sin(Time * 7.047);
}

// What a hit leaves for the end of main: its own light, where its mirror looks, how much of
// the sky it mirrors, and how far it has dissolved into the sky behind it. The sky is looked up
// once per direction at the end: the rasteriser runs every branch for every pixel anyway.
struct Surface {
    vec3 colour;
    vec3 mirror;
    float mirrorWeight;
    float fog;
};

Surface shadeObject(vec3 p, vec3 rd, float distance) {
    vec3 q = toObject(p);
    float wall = wallDistance(q);
    float cut = cutDistance(cutSpin * q);
    bool core = coreDistance(q) < max(wall, -cut);
    // Forward differences from the distance already known at the hit: three taps, not four.
    const float e = 0.0015;
    vec3 n = normalize(vec3(map(p + vec3(e, 0.0, 0.0)), map(p + vec3(0.0, e, 0.0)),
                            map(p + vec3(0.0, 0.0, e))) - distance);

    // Two taps along the normal: how much nearer the surface the space around is.
    float occlusion = (0.08 - map(p + n * 0.08)) / 0.08 + 0.5 * (0.3 - map(p + n * 0.3)) / 0.3;
    float ao = clamp(1.0 - AoFactor * 0.7 * occlusion, 0.0, 1.0);

    vec3 albedo = mix(vec3(0.11, 0.24, 0.29), vec3(0.72, 0.36, 0.13), clamp(Color, 0.0, 1.0));
    float moon = max(dot(n, moonDir), 0.0);
    float facing = max(dot(n, -rd), 0.0);
    float fresnel = 0.06 + 0.94 * pow(1.0 - facing, 5.0);
    vec3 ambient = mix(vec3(0.02, 0.03, 0.05), vec3(0.08, 0.14, 0.2), n.y * 0.5 + 0.5);
    vec3 rim = amber * pow(max(dot(n, sunDir) + 0.25, 0.0), 2.0) * fresnel * 1.6;

    // The core lights the cavity and the cut faces warm.
    float r = length(p);
    float coreLight = max(dot(n, -p / r), 0.0) / (1.0 + 6.0 * (r - 0.42) * (r - 0.42));
    vec3 inner = amber * coreLight * corePulse() * 0.8 * (0.4 + 0.6 * ao);

    vec3 halfway = normalize(moonDir - rd);
    float specular = pow(max(dot(n, halfway), 0.0), 60.0) * moon;

    Surface surface;
    surface.colour = albedo * (moon * vec3(0.75, 0.88, 1.05) + ambient * ao) + inner + rim * ao;
    surface.colour += vec3(0.9, 0.95, 1.0) * specular * 0.8;
    // The faces of the cuts glow with the core behind them, hottest deep inside the wall.
    float cutFace = step(wall - 0.002, -cut);
    float depth = smoothstep(1.3, 0.85, r);
    surface.colour += amber * corePulse() * (0.15 + 0.55 * depth) * (0.5 + 0.5 * ao) * cutFace;
    surface.mirror = reflect(rd, n);
    surface.mirrorWeight = fresnel * 0.9 * ao;
    surface.fog = 0.0;
    if (core) {
        surface.colour = mix(vec3(1.0, 0.78, 0.5), amber, pow(1.0 - facing, 2.0)) * corePulse();
        surface.mirrorWeight = 0.0;
    }
    return surface;
}

Surface shadeFloor(vec3 p, vec3 rd, float t, float lift, float pixelAngle) {
    vec3 n = vec3(0.0, 1.0, 0.0);
    // The piece as a sphere: its soft shadow from the key light and its contact darkening.
    vec3 toCentre = -p;
    float d = length(toCentre);
    float along = dot(toCentre, moonDir);
    float miss = length(toCentre - moonDir * along);
    float shadow = along > 0.0 ? smoothstep(0.7, 1.1 + 0.25 * along, miss) : 1.0;
    float contact = 1.0 - clamp(1.1 * 1.1 / (d * d) * max(toCentre.y / d, 0.0), 0.0, 1.0);
    float ao = mix(1.0, contact, clamp(AoFactor, 0.0, 1.0));

    // Faint lines every unit, fading before they alias.
    vec2 cell = abs(fract(p.xz) - 0.5);
    // Pixel footprint on the floor, worked out from the ray (no derivatives in this branch).
    float width = t * pixelAngle / max(-rd.y, 0.02);
    float line = max(1.0 - smoothstep(0.0, 1.5 * width, 0.5 - cell.x),
                     1.0 - smoothstep(0.0, 1.5 * width, 0.5 - cell.y));
    line *= 1.0 - smoothstep(0.03, 0.15, width);

    vec3 c = vec3(0.018, 0.028, 0.045) * (0.4 + 0.6 * shadow) * ao;
    c += vec3(0.05, 0.22, 0.24) * line * 0.5 * ao;
    // The core's light pools under the piece, more as it opens up.
    float open = clamp(0.5 + Cutouts + Slashes * 2.0, 0.0, 2.0);
    float spread = (1.0 + 0.6 * (d * d - lift * lift)) * (1.0 + 0.3 * lift * lift);
    c += amber * corePulse() * open * 0.18 / spread;
    Surface surface;
    surface.colour = c;
    surface.mirror = reflect(rd, n);
    surface.mirrorWeight = (0.04 + 0.5 * pow(1.0 - max(-rd.y, 0.0), 5.0)) * ao;
    // Far floor dissolves into the horizon.
    surface.fog = 1.0 - exp(-t * 0.035);
    return surface;
}

void main() {
    float aspect = abs(dFdy(screen.y) / dFdx(screen.x));
    float pixelAngle = abs(dFdy(screen.y)) * tanHalfFov;
    mat3 toCamera = mat3(ViewRotation);
    mat3 toWorld = transpose(toCamera);
    vec3 ro = -(toWorld * View[3].xyz);
    vec3 rd = toWorld * vec3(screen.x * aspect * tanHalfFov, screen.y * tanHalfFov, -1.0);
    rd = normalize(rd);

    float a = RotationTime;
    mat3 yaw = mat3(cos(a), 0.0, sin(a), 0.0, 1.0, 0.0, -sin(a), 0.0, cos(a));
    float b = RotationTime * 0.61 + 0.5;
    mat3 pitch = mat3(1.0, 0.0, 0.0, 0.0, cos(b), sin(b), 0.0, -sin(b), cos(b));
    objectRotation = pitch * yaw;
    // The mix lets the cut-outs and slashes slide round the shell instead of turning with it.
    float spin = RotationMix * (RotationTime * 1.7 + 0.6);
    cutSpin = mat3(cos(spin), sin(spin), 0.0, -sin(spin), cos(spin), 0.0, 0.0, 0.0, 1.0);
    holeRadius = 0.66 * Cutouts - 0.01;
    slashWidth = 0.09 * Slashes - 0.004;

    float planeY = -PlaneDistance;
    float tPlane = 1e9;
    if (rd.y < 0.0 && ro.y > planeY)
        tPlane = (planeY - ro.y) / rd.y;

    // Bounding sphere: rays that miss it never march. The loop only steps; shading comes after
    // it, once, so no step pays for it.
    float hitT = -1.0;
    float hitDistance = 0.0;
    float b2 = dot(ro, rd);
    float c2 = dot(ro, ro) - boundRadius * boundRadius;
    float h = b2 * b2 - c2;
    if (h > 0.0) {
        h = sqrt(h);
        float t = max(-b2 - h, 0.0);
        float tEnd = min(-b2 + h, tPlane);
        for (int i = 0; i < maxSteps && t < tEnd; ++i) {
            float d = map(ro + rd * t);
            if (d < 0.001 * (1.0 + t)) {
                hitT = t;
                hitDistance = d;
                break;
            }
            t += d;
        }
    }

    Surface surface;
    surface.colour = vec3(0.0);
    surface.mirror = rd;
    surface.mirrorWeight = 0.0;
    surface.fog = 1.0;
    if (hitT >= 0.0)
        surface = shadeObject(ro + rd * hitT, rd, hitDistance);
    else if (tPlane < 1e8)
        surface = shadeFloor(ro + rd * tPlane, rd, tPlane, PlaneDistance, pixelAngle);
    vec3 c = surface.colour + skyColour(surface.mirror) * surface.mirrorWeight;
    color = vec4(mix(c, skyColour(rd), surface.fog), 1.0);
}
