// Rock slabs: eye-space position and face normal for the lighting in tunnel.frag.
#version 330 compatibility

out vec3 eyePosition;
out vec3 eyeNormal;
out vec2 texCoord;

void main() {
    vec4 eye = gl_ModelViewMatrix * gl_Vertex;
    eyePosition = eye.xyz;
    eyeNormal = gl_NormalMatrix * gl_Normal;
    texCoord = gl_MultiTexCoord0.xy;
    gl_Position = gl_ProjectionMatrix * eye;
}
