// Ray-casts one sphere: writes the world position, normal and reflected eye vector of the hit
// into the geometry buffer, and its depth, so the nearest sphere wins each pixel.
#version 330 compatibility

uniform mat4 Proj;
uniform mat4 View;
uniform vec3 EyePos;
uniform vec3 Pos;
uniform float Rad;

noperspective in vec3 rayDirection;

layout(location = 0) out vec3 position;
layout(location = 1) out vec3 normal;
layout(location = 2) out vec3 reflectedEye;

void main() {
    vec3 direction = normalize(rayDirection);
    vec3 fromCentre = EyePos - Pos;
    float b = dot(fromCentre, direction);
    float c = dot(fromCentre, fromCentre) - Rad * Rad;
    float h = b * b - c;
    if (h < 0.0)
        discard;
    float distance = -b - sqrt(h);
    if (distance <= 0.0)
        discard;
    vec3 hit = EyePos + direction * distance;
    vec4 clip = Proj * (View * vec4(hit, 1.0));
    float depth = clip.z / clip.w * 0.5 + 0.5;
    if (depth < 0.0 || depth > 1.0)
        discard;
    vec3 n = (hit - Pos) / Rad;
    position = hit;
    normal = n;
    reflectedEye = reflect(direction, n);
    gl_FragDepth = depth;
}
