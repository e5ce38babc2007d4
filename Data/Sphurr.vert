// One sphere: the full-screen rectangle shrunk to the sphere's screen bounds, so a sphere costs
// only the pixels it can cover. Hands the fragment stage the world-space eye ray per corner.
#version 330 compatibility

uniform mat4 Proj;
uniform mat4 View;
uniform mat4 ViewInverse;
uniform vec3 Pos;
uniform float Rad;

noperspective out vec3 rayDirection;

// Slopes (side / forward) of the two tangents from the eye to the disc the ball covers in one
// axis plane; infinite where a tangent runs sideways or behind.
vec2 axisSlopes(float side, float forward, float radius) {
    float distanceSquared = side * side + forward * forward;
    if (distanceSquared <= radius * radius)
        return vec2(-1e30, 1e30);
    float centre = atan(side, forward);
    float halfAngle = asin(radius / sqrt(distanceSquared));
    float low = centre - halfAngle;
    float high = centre + halfAngle;
    const float quarterTurn = 1.5707963;
    return vec2(low <= -quarterTurn ? -1e30 : tan(low), high >= quarterTurn ? 1e30 : tan(high));
}

void main() {
    vec3 centre = (View * vec4(Pos, 1.0)).xyz;
    float forward = -centre.z;
    vec2 corner = gl_Vertex.xy * 0.5 + 0.5;
    vec2 ndc = vec2(0.0);
    // The eye inside the sphere sees none of its outside; behind the eye there is nothing to see.
    if (Rad > 0.0 && forward + Rad > 0.0 && dot(centre, centre) > Rad * Rad) {
        vec2 sx = axisSlopes(centre.x, forward, Rad);
        vec2 sy = axisSlopes(centre.y, forward, Rad);
        vec2 low = vec2(Proj[0][0] * sx.x, Proj[1][1] * sy.x) - vec2(Proj[2][0], Proj[2][1]);
        vec2 high = vec2(Proj[0][0] * sx.y, Proj[1][1] * sy.y) - vec2(Proj[2][0], Proj[2][1]);
        ndc = mix(clamp(low, -1.0, 1.0), clamp(high, -1.0, 1.0), corner);
    }
    vec3 viewRay = vec3((ndc.x + Proj[2][0]) / Proj[0][0], (ndc.y + Proj[2][1]) / Proj[1][1], -1.0);
    rayDirection = mat3(ViewInverse) * viewRay;
    gl_Position = vec4(ndc, 0.0, 1.0);
}
