// Downsample: the destination pixel's footprint in Tex averaged from four bilinear taps, then
// graded per pixel (Grading.comm comes first; with Mix 0 the average is kept as it is).

uniform sampler2D Tex;
uniform float Width;
uniform float Height;

out vec4 color;

void main() {
    vec2 size = vec2(Width, Height);
    vec2 uv = gl_FragCoord.xy / size;
    vec2 quarter = 0.25 / size;
    vec4 average = 0.25 * (texture(Tex, uv + vec2(-quarter.x, -quarter.y)) +
                           texture(Tex, uv + vec2(quarter.x, -quarter.y)) +
                           texture(Tex, uv + vec2(-quarter.x, quarter.y)) +
                           texture(Tex, uv + vec2(quarter.x, quarter.y)));
    color = vec4(gradePerPixel(average.rgb, uv), average.a);
}
