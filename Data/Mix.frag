// Final mix: the sharp image times BgIntensity plus the glow times Intensity. The glow is the
// blurred image raised to 2 + WetExp, so only bright parts bloom and a higher WetExp keeps the
// glow tighter to the highlights; BokehMix lets the bokeh image show through where it glows.
// The sharp image is graded per pixel on the way (Grading.comm comes first), unless it comes
// graded and Mix is 0. Built with RESAMPLE_BOKEH it only filters the bokeh image to the render
// size, once, so the mix itself reads one bokeh texel a pixel.

uniform sampler2D Tex;
uniform sampler2D BlurTex;
uniform sampler2D BokehTex;
uniform vec2 Resolution;
uniform float Intensity;
uniform float BgIntensity;
uniform float WetExp;
uniform float BokehMix;

out vec4 color;

void main() {
    vec2 uv = gl_FragCoord.xy / Resolution;
#ifdef RESAMPLE_BOKEH
    // The bokeh image is sampled upside up: its t = 0 row is its top.
    color = vec4(texture(BokehTex, vec2(uv.x, 1.0 - uv.y)).rgb, 1.0);
#else
    vec3 sharp = gradePerPixel(texelFetch(Tex, ivec2(gl_FragCoord.xy), 0).rgb, uv);
    vec3 blurred = texture(BlurTex, uv).rgb;
    vec3 glow = pow(max(blurred, vec3(0.0)), vec3(2.0 + max(WetExp, 0.0)));
    vec3 bokeh = texelFetch(BokehTex, ivec2(gl_FragCoord.xy), 0).rgb;
    glow *= 1.0 + BokehMix * 3.0 * bokeh;
    color = vec4(sharp * BgIntensity + glow * Intensity, 1.0);
#endif
}
