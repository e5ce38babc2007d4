// Desktop GLSL ("#version 330 compatibility" and its built-in inputs) turned into GLSL ES 3.00
// for WebGL2 when a shader is compiled. Plain text in, plain text out: no GL is called here.
#pragma once

#include <string>

namespace webgl {

enum class ShaderStage { Vertex, Fragment };

// What the translated sources call the compatibility built-ins; the GL layer binds the attributes
// to these locations before linking and sets the uniforms before each draw.
namespace builtin {
constexpr const char* vertex = "ox_VertexIn";
constexpr const char* texCoord = "ox_MultiTexCoord0";
constexpr const char* color = "ox_Color";
constexpr const char* normal = "ox_Normal";
constexpr int vertexLocation = 0;
constexpr int texCoordLocation = 1;
constexpr int colorLocation = 2;
constexpr int normalLocation = 3;
// Lines widened for smoothing: the segment's other end, and the side (-1 or 1) of the corner.
constexpr const char* lineOther = "ox_LineOther";
constexpr const char* lineSide = "ox_LineSide";
constexpr int lineOtherLocation = 4;
constexpr int lineSideLocation = 5;
// (half width in pixels, 0 when not widening; viewport width, height).
constexpr const char* lineWidening = "ox_LineWidening";
constexpr const char* modelView = "ox_ModelViewMatrix";
constexpr const char* projection = "ox_ProjectionMatrix";
constexpr const char* modelViewProjection = "ox_ModelViewProjectionMatrix";
constexpr const char* normalMatrix = "ox_NormalMatrix";
// Beside each 2D sampler NAME: uniform vec4 ox_clamp_NAME, (clamp s, clamp t, width, height) of
// the texture it reads; see translateShader.
constexpr const char* clampPrefix = "ox_clamp_";
} // namespace builtin

// The source as GLSL ES 3.00: "#version 300 es" first, high precision by default, declarations of
// the built-ins it uses under their ox_ names, then the source itself with its own #version line
// blanked, numbered from line 1 as before so compiler logs point at the file's lines.
// noperspective varyings are interpolated linearly through a division by w. A vertex stage
// reading gl_Vertex can widen lines into screen-space quads (ox_LineWidening). WebGL2 has no
// GL_CLAMP: a 2D sampler's texture() reads go through ox_texture, which, when the texture bound
// to it clamps with linear filtering, weighs the taps falling outside it as the transparent black
// border desktop GL reads there.
std::string translateShader(const std::string& source, ShaderStage stage);

} // namespace webgl
