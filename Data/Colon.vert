// Rings and cylinders: one transform, the current colour, and what the fog needs.
#version 330 compatibility

uniform mat4 ProjViewWorld;

out vec4 color;
out float depth;
out float height;
out float radius;

void main() {
    gl_Position = ProjViewWorld * gl_Vertex;
    color = gl_Color;
    depth = gl_Position.w;
    height = gl_Vertex.y;
    radius = length(gl_Vertex.xz);
}
