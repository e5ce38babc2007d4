// Night sky: the cross image dimmed by the vertex tint over a deep blue to teal horizon glow,
// with a low amber band to give the spheres something warm to sit in.
#version 330 compatibility

uniform sampler2D Tex;

in vec2 skyCoord;
in vec3 skyDirection;
in vec3 tint;

out vec4 color;

void main() {
    vec3 direction = normalize(skyDirection);
    float height = direction.y;
    vec3 zenith = vec3(0.006, 0.018, 0.055);
    vec3 horizon = vec3(0.025, 0.11, 0.15);
    vec3 gradient = mix(horizon, zenith, smoothstep(-0.1, 0.7, height));
    gradient = mix(gradient, vec3(0.004, 0.01, 0.025), smoothstep(-0.05, -0.6, height));
    float band = exp(-abs(height + 0.02) * 9.0);
    gradient += vec3(0.16, 0.075, 0.02) * band * 0.6;
    vec3 image = texture(Tex, skyCoord).rgb;
    color = vec4(gradient + image * tint * 2.5, 1.0);
}
