// Colour grading: a full-screen rectangle; the corner in [-1, 1] gives the texture coordinate.
#version 330 compatibility

out vec2 uv;

void main() {
    uv = gl_Vertex.xy * 0.5 + 0.5;
    gl_Position = vec4(gl_Vertex.xy, 0.0, 1.0);
}
