// The bar landscape's grid: scrolled by a part of one cell (the whole cells go to the landscape
// coordinate), lifted bar by bar by the ground noise, and bent up at the far and side edges into
// a wall that the fragment stage paints as sky.
out vec3 worldPosition;
out vec2 land;
out float relief;

void main() {
    vec2 grid = gl_MultiTexCoord0.xy;
    land = vec2(grid.x, grid.y + TexOffset);
    vec4 p = World * gl_Vertex;
    p.z += Move;
    relief = groundShape(barCentre(land));
    float bend = wallBlend(p.xyz);
    p.y += Height * relief + C * 900.0 * bend * bend;
    worldPosition = p.xyz;
    gl_Position = Proj * (View * p);
}
