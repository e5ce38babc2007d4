// The one vertex array and buffer the immediate-mode draws stream through.
#include "platform/web/gl/Layer.h"
#include "platform/web/gl/ShaderTranslation.h"

namespace webgl {

namespace {

struct Stream {
    GLuint array = 0;
    GLuint buffer = 0;
};

Stream& stream() {
    static Stream made;
    if (made.array != 0)
        return made;
    emscripten_glGenVertexArrays(1, &made.array);
    emscripten_glGenBuffers(1, &made.buffer);
    emscripten_glBindVertexArray(made.array);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, made.buffer);
    constexpr GLsizei stride = vertexFloats * sizeof(float);
    struct Attribute {
        GLuint location;
        GLint size;
        int offset;
    };
    const Attribute attributes[] = {
        {builtin::vertexLocation, 4, 0},     {builtin::texCoordLocation, 4, 4},
        {builtin::colorLocation, 4, 8},      {builtin::normalLocation, 3, 12},
        {builtin::lineOtherLocation, 4, 15}, {builtin::lineSideLocation, 1, 19}};
    for (const Attribute& attribute : attributes) {
        emscripten_glEnableVertexAttribArray(attribute.location);
        emscripten_glVertexAttribPointer(
            attribute.location, attribute.size, GL_FLOAT, GL_FALSE, stride,
            reinterpret_cast<const void*>(static_cast<size_t>(attribute.offset) * sizeof(float)));
    }
    return made;
}

} // namespace

void drawVertices(GLenum mode, const float* vertices, int count, bool widenedLines) {
    Stream& made = stream();
    emscripten_glBindVertexArray(made.array);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, made.buffer);
    emscripten_glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(count) * vertexFloats * sizeof(float),
                            vertices, GL_STREAM_DRAW);
    prepareProgram(mode, widenedLines);
    emscripten_glDrawArrays(mode, 0, count);
    unbindAfter();
}

} // namespace webgl
