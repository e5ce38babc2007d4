// Full-screen pass: glRecti(-1, -1, 1, 1) covers the viewport; texCoord runs 0..1 across it.
#version 330 compatibility

out vec2 texCoord;

void main() {
    texCoord = gl_Vertex.xy * 0.5 + 0.5;
    gl_TexCoord[0] = vec4(texCoord, 0.0, 1.0);
    gl_Position = vec4(gl_Vertex.xy, 0.0, 1.0);
}
