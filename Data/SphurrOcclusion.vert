// One sphere as an occluder: the rectangle shrunk to the screen bounds of the ball it can darken
// (its reach), and put at the depth beyond which it darkens nothing, so distant pixels are never
// touched.
#version 330 compatibility

uniform mat4 Proj;
uniform mat4 View;
uniform vec3 Pos;
uniform float Rad;
uniform float OcclusionRadius;

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
    // Must match the reach in SphurrOcclusion.frag.
    float reach = Rad * 2.5 + OcclusionRadius;
    vec3 centre = (View * vec4(Pos, 1.0)).xyz;
    float forward = -centre.z;
    vec2 corner = gl_Vertex.xy * 0.5 + 0.5;
    vec2 ndc = vec2(0.0);
    if (Rad > 0.0 && forward + reach > 0.0) {
        vec2 low = vec2(-1.0);
        vec2 high = vec2(1.0);
        // With the eye inside the reach any pixel may be darkened.
        if (dot(centre, centre) > reach * reach) {
            vec2 sx = axisSlopes(centre.x, forward, reach);
            vec2 sy = axisSlopes(centre.y, forward, reach);
            low = vec2(Proj[0][0] * sx.x, Proj[1][1] * sy.x) - vec2(Proj[2][0], Proj[2][1]);
            high = vec2(Proj[0][0] * sx.y, Proj[1][1] * sy.y) - vec2(Proj[2][0], Proj[2][1]);
        }
        ndc = mix(clamp(low, -1.0, 1.0), clamp(high, -1.0, 1.0), corner);
    }
    // No surface point within the reach lies farther from the eye than the centre's distance plus
    // the reach, so none lies behind that depth: drawn there with the depth test passing only in
    // front of it, the rectangle skips every pixel whose sphere surface is out of reach before
    // any shading.
    vec4 farthest = Proj * vec4(0.0, 0.0, -(length(centre) + reach), 1.0);
    gl_Position = vec4(ndc, clamp(farthest.z / farthest.w, -1.0, 1.0), 1.0);
}
