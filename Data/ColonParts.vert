// Sprites: the four coinciding corners are spread into a camera-facing quad around the centre.
#version 330 compatibility

uniform mat4 Proj;
uniform mat4 View;
uniform vec3 Offset;
uniform float ColonFloaterFlash;

out vec2 corner;
out vec3 color;

void main() {
    vec4 eye = View * vec4(gl_Vertex.xyz, 1.0);
    corner = gl_MultiTexCoord0.xy * 2.0 - 1.0;
    // A flash swells the sprites a little as well as brightening them.
    // Far sprites keep a couple of pixels instead of vanishing between samples.
    float size = max(0.55, -eye.z * 0.004) * (1.0 + 0.6 * clamp(ColonFloaterFlash, 0.0, 2.0));
    eye.xy += corner * size;
    color = gl_Color.rgb;
    gl_Position = Proj * eye;
}
