// The ray-marched scene's rectangle: corners straight to the viewport; the fragment stage turns
// the interpolated corner position into a camera ray.
#version 330 compatibility

out vec2 screen; // -1 ... 1 across the viewport

void main() {
    screen = gl_Vertex.xy;
    gl_Position = vec4(gl_Vertex.xy, 0.0, 1.0);
}
