// Rings and cylinders. Blending adds the square of this colour, so the square root of the
// wanted light is written; rings near the column warm towards amber, far ones sink into the fog.
#version 330 compatibility

in vec4 color;
in float depth;
in float height;
in float radius;

out vec4 fragColor;

void main() {
    // Cylinders come with alpha 1, rings with 0.4 or less: rings are lifted more.
    bool cylinder = color.a > 0.99;
    vec3 light = color.rgb * (cylinder ? 0.7 : 2.2);
    // Rings close to the lit column catch its light in amber.
    float warmth = cylinder ? 0.0 : 1.0 - smoothstep(8.0, 30.0, radius);
    light *= mix(vec3(1.0), vec3(2.0, 1.15, 0.5), warmth);
    float fog = exp(-max(depth - 30.0, 0.0) * 0.008);
    light *= fog;
    fragColor = vec4(sqrt(max(light, vec3(0.0))), color.a);
}
