// The bar landscape's surface: faceted night ground, lanes of LED meter bars (the bar texture)
// glowing along the direction of travel with bright rails, flickering per column, amber on the
// summits, fogged into a dusk sky that also paints the far wall.
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
vec3 skyColour(vec3 dir) {
    float e = dir.y;
    vec3 c = mix(vec3(0.07, 0.15, 0.19), vec3(0.012, 0.02, 0.065), smoothstep(0.02, 0.5, e));
    float haze = 1.0 - smoothstep(0.0, 0.14, abs(e - 0.02));
    float sun = pow(max(dot(dir, sunDir), 0.0), 4.0);
    c += amber * haze * (0.12 + 0.35 * sun);
    // Slow teal cloud banks from the noise volume.
    vec3 q = vec3(dir.xz / max(e + 0.15, 0.1) * 0.08, Time * 2.0);
    float cloud = smoothstep(0.45, 0.75, texture(NoiseTex, q).b);
    c += vec3(0.03, 0.08, 0.09) * cloud * smoothstep(0.0, 0.2, e);
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

    // Ground: dark blue facets in cool moonlight, warmed by the horizon glow on far-facing slopes.
    float moon = max(dot(n, moonDir), 0.0);
    float back = pow(max(dot(n, sunDir), 0.0), 2.0);
    vec3 ground = vec3(0.03, 0.06, 0.10) * (0.35 + 1.4 * moon) + amber * back * 0.12;
    ground += vec3(0.02, 0.05, 0.06) * max(n.y, 0.0);

    // Lanes of LED meters running towards the viewer, TexScale lanes across the grid.
    vec2 tile = land * TexScale;
    float across = fract(tile.x);
    float inBar = step(abs(across - 0.5), 0.5 * BarWidth);
    float footprint = max(fwidth(tile.x), 1e-4);
    float rail = 1.0 - smoothstep(0.0, max(BarWidth2 * 0.05, footprint), abs(across - 0.5 * (1.0 - BarWidth)));
    rail = max(rail, 1.0 - smoothstep(0.0, max(BarWidth2 * 0.05, footprint), abs(across - 0.5 * (1.0 + BarWidth))));
    rail *= step(0.0001, BarWidth2);
    vec2 texel = vec2((across - 0.5) / max(BarWidth, 0.05) + 0.5, tile.y * 0.5);
    vec3 led = texture(NoiseTex2, texel).rgb;
    // Far away the segments are smaller than a pixel: show their average instead of shimmer.
    float detail = 1.0 - smoothstep(0.6, 2.5, length(fwidth(texel)) * 256.0);
    led = mix(vec3(0.12, 0.3, 0.28), led, detail);

    // Flicker: whole lanes drop out and the field stutters, six times a second.
    float step6 = floor(FlickerTime);
    float laneFlicker = step(0.75, hash(vec2(floor(tile.x), step6)));
    float fieldFlicker = hash(vec2(step6, 7.0));
    float flicker = clamp(1.0 - Flicker * (0.8 * laneFlicker + 0.4 * fieldFlicker), 0.0, 1.0);

    float height = clamp(relief, 0.0, 1.5);
    vec3 bars = led * BarsColor * D * inBar * (0.35 + 0.65 * height) * flicker;
    vec3 rails = BarsColor * rail * (0.6 + 0.4 * flicker) * 0.8;
    vec3 summit = amber * F * smoothstep(0.55, 1.0, height) * (0.5 + 0.5 * moon);

    vec3 c = ground + bars + rails + summit;

    // Fog towards the sky colour behind the point; the bent-up edge is all sky.
    float span = max(FogEnd - FogStart, 1.0);
    float fog = pow(clamp((distance - FogStart) / span, 0.0, 1.0), max(FogExp, 0.05));
    fog = max(fog, smoothstep(0.0, 0.3, wallBlend(worldPosition)));
    c = mix(c, skyColour(viewDir), fog);
    color = vec4(c, 1.0);
}
