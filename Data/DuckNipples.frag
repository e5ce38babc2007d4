// The bar landscape's surface: dark faceted columns whose front walls are LED meters (the bar
// texture, segments at fixed heights like one big equalizer) and whose glassy tops mirror the
// sky, flickering bar by bar, amber on the summits, fogged into a dusk sky that also paints the
// wall.
in vec3 worldPosition;
in vec2 land;
in float relief;

out vec4 color;

const vec3 amber = vec3(1.0, 0.55, 0.18);
const vec3 moonDir = vec3(-0.53, 0.70, 0.48);
const vec3 sunDir = vec3(0.0, 0.12, -0.99); // low glow on the far horizon

float hash(vec2 p) {
    return fract(sin(dot(p, vec2(127.1, 311.7))) * 43758.5453);
}

// Dusk sky by view direction: amber haze at the horizon, teal above it, night blue high up.
vec3 skyGradient(vec3 dir) {
    float e = dir.y;
    vec3 c = mix(vec3(0.06, 0.13, 0.17), vec3(0.01, 0.018, 0.06), smoothstep(0.02, 0.45, e));
    float haze = 1.0 - smoothstep(0.0, 0.07, abs(e - 0.015));
    float sun = pow(max(dot(dir, sunDir), 0.0), 6.0);
    return c + amber * haze * haze * (0.05 + 0.3 * sun);
}

// The gradient with slow teal cloud banks from the noise volume.
vec3 skyColour(vec3 dir) {
    vec3 c = skyGradient(dir);
    float e = dir.y;
    vec3 q = vec3(dir.xz / max(e + 0.15, 0.1) * 0.08, Time * 2.0);
    float cloud = smoothstep(0.45, 0.75, texture(NoiseTex, q).b);
    c += vec3(0.03, 0.07, 0.09) * cloud * smoothstep(0.0, 0.2, e);
    return c;
}

void main() {
    mat3 rotation = mat3(View);
    vec3 eye = -(transpose(rotation) * View[3].xyz);
    vec3 toEye = eye - worldPosition;
    float distance = length(toEye);
    vec3 viewDir = -toEye / distance;
    vec3 n = normalize(cross(dFdx(worldPosition), dFdy(worldPosition)));
    if (dot(n, toEye) < 0.0)
        n = -n;

    // Walls are LED meters. Across: TexScale columns of the texture per bar; up: fixed world
    // heights, one meter band per Height, so every bar's segments line up.
    vec2 inBar = land / max(vec2(BarWidth, BarWidth2), 1e-3);
    float across = abs(n.x) > abs(n.z) ? inBar.y : inBar.x;
    vec2 texel = vec2(across * TexScale / 32.0, 0.5 - 0.5 * worldPosition.y / max(Height, 1.0));
    float texelsPerPixel = length(fwidth(texel)) * 256.0;

    // Fog towards the sky behind the point; the bent-up edge is all sky.
    float span = max(FogEnd - FogStart, 1.0);
    float fog = pow(clamp((distance - FogStart) / span, 0.0, 1.0), max(FogExp, 0.05));
    fog = max(fog, smoothstep(0.0, 0.2, wallBlend(worldPosition)));
    if (fog >= 1.0) {
        color = vec4(skyColour(viewDir), 1.0);
        return;
    }

    // Ground: night-blue facets in cool moonlight, warmed on slopes that face the horizon glow.
    float moon = max(dot(n, moonDir), 0.0);
    float back = pow(max(dot(n, sunDir), 0.0), 2.0);
    vec3 c = vec3(0.02, 0.04, 0.075) * (0.4 + 1.3 * moon) + amber * back * 0.06;

    vec2 cell = barCell(land);
    float step6 = floor(FlickerTime);
    float flicker = 1.0 - Flicker * step(0.7, hash(cell + step6 * 0.37));
    flicker *= 1.0 - 0.3 * Flicker * hash(vec2(step6, 3.0));
    float height = clamp(relief, 0.0, 1.5);

    float wall = 1.0 - smoothstep(0.55, 0.8, abs(n.y));
    if (wall > 0.0) {
        vec3 led = texture(NoiseTex2, texel).rgb;
        // Where a segment is smaller than a pixel, show the average instead of shimmer.
        led = mix(led, vec3(0.1, 0.26, 0.25), smoothstep(0.7, 2.5, texelsPerPixel));
        c += led * BarsColor * D * wall * flicker * (0.5 + 0.5 * height);
    }

    // Tops: dark glass that mirrors the sky; the highest bars burn amber.
    float top = smoothstep(0.9, 0.97, n.y) * step(1e-6, BarWidth * BarWidth2);
    if (top > 0.0) {
        float fresnel = pow(1.0 - max(dot(n, -viewDir), 0.0), 4.0);
        vec3 mirrored = skyGradient(reflect(viewDir, n)) * (0.1 + 0.5 * fresnel);
        c += (vec3(0.015, 0.05, 0.065) + mirrored) * top;
        c += amber * F * 0.9 * smoothstep(1.0, 1.2, height) * top * flicker;
    }

    if (fog > 0.0)
        c = mix(c, skyColour(viewDir), fog);
    color = vec4(c, 1.0);
}
