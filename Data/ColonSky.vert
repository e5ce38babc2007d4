// Sky box: rotation only, so the box stays around the eye; drawn just inside the far plane.
#version 330 compatibility

uniform mat4 Proj;
uniform mat4 View;

out vec2 texCoord;
out vec3 direction;
out vec3 tint;

void main() {
    texCoord = gl_MultiTexCoord0.xy;
    direction = gl_Vertex.xyz;
    tint = gl_Color.rgb;
    vec4 clip = Proj * vec4(mat3(View) * gl_Vertex.xyz, 1.0);
    gl_Position = vec4(clip.xy, clip.w * 0.99999, clip.w);
}
