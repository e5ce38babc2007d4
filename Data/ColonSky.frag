// Sky box: the atlas under the tint, with a glow along the horizon and a darker zenith so the
// sky has depth even where the image is plain.
#version 330 compatibility

uniform sampler2D Tex;

in vec2 texCoord;
in vec3 direction;
in vec3 tint;

out vec4 fragColor;

void main() {
    // Mostly the image's brightness, so that the tint sets the hue of the sky.
    vec3 sky = texture(Tex, texCoord).rgb;
    sky = mix(sky, vec3(dot(sky, vec3(0.3, 0.5, 0.2))), 0.6);
    vec3 d = normalize(direction);
    float horizon = exp(-abs(d.y) * 4.0);
    float zenith = clamp(d.y, 0.0, 1.0);
    vec3 color = sky * 4.0 + horizon * 1.6 + (1.0 - zenith) * 0.35;
    fragColor = vec4(color * tint, 1.0);
}
