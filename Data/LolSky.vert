// The sky box around the origin; the direction of each corner feeds the fragment gradient.
#version 330 compatibility

uniform mat4 Proj;
uniform mat4 View;

out vec2 skyCoord;
out vec3 skyDirection;
out vec3 tint;

void main() {
    skyCoord = gl_MultiTexCoord0.st;
    skyDirection = gl_Vertex.xyz;
    tint = gl_Color.rgb;
    gl_Position = Proj * (View * vec4(gl_Vertex.xyz, 1.0));
}
