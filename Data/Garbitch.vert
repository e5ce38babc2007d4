// Tunnel shapes: rectangles (through their world matrix) and arcs (already in world space).
#version 330 compatibility

uniform mat4 ViewWorld;
uniform mat4 ProjViewWorld;

out vec2 surface;
out vec3 shade;
out float viewDistance;

void main() {
    surface = gl_MultiTexCoord0.st;
    shade = gl_Color.rgb;
    viewDistance = -(ViewWorld * gl_Vertex).z;
    gl_Position = ProjViewWorld * gl_Vertex;
}
