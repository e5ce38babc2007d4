// Full-screen edge pass: the rectangle covers the viewport; texCoord runs 0..1 across it.
#version 330 compatibility

out vec2 texCoord;

void main() {
    texCoord = gl_Vertex.xy * 0.5 + 0.5;
    gl_Position = vec4(gl_Vertex.xy, 0.0, 1.0);
}
