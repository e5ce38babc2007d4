// glBegin/glEnd drawing: vertices gather with the current texture coordinate, colour and normal,
// and at glEnd quads, quad strips and polygons are cut into triangles the way Mesa cuts them
// (last vertex provoking), then drawn from one streamed buffer. Smoothed lines become two
// triangles each, which the vertex stage widens around the line (see ShaderTranslation.h).
#include "platform/web/gl/Layer.h"

#include <vector>

namespace webgl {

namespace {

constexpr int floatsPerVertex = vertexFloats;

struct Current {
    float texCoord[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    float color[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float normal[3] = {0.0f, 0.0f, 1.0f};
};

Current current;
GLenum primitive = 0;
bool inside = false;
std::vector<float> gathered;
std::vector<float> expanded;

void addVertex(float x, float y, float z, float w) {
    if (!inside)
        return;
    const float vertex[floatsPerVertex] = {x,
                                           y,
                                           z,
                                           w,
                                           current.texCoord[0],
                                           current.texCoord[1],
                                           current.texCoord[2],
                                           current.texCoord[3],
                                           current.color[0],
                                           current.color[1],
                                           current.color[2],
                                           current.color[3],
                                           current.normal[0],
                                           current.normal[1],
                                           current.normal[2]};
    gathered.insert(gathered.end(), vertex, vertex + floatsPerVertex);
}

void copyVertex(int index) {
    const float* from = gathered.data() + size_t(index) * floatsPerVertex;
    expanded.insert(expanded.end(), from, from + floatsPerVertex);
}

void triangle(int a, int b, int c) {
    copyVertex(a);
    copyVertex(b);
    copyVertex(c);
}

// One corner of a widened segment: this end's vertex, the other end's position, the side.
void lineCorner(int end, int other, float side) {
    copyVertex(end);
    float* corner = expanded.data() + expanded.size() - floatsPerVertex;
    const float* otherVertex = gathered.data() + size_t(other) * floatsPerVertex;
    for (int i = 0; i < 4; ++i)
        corner[15 + i] = otherVertex[i];
    corner[19] = side;
}

void widenedSegment(int a, int b) {
    lineCorner(a, b, -1.0f);
    lineCorner(a, b, 1.0f);
    lineCorner(b, a, 1.0f);
    lineCorner(a, b, -1.0f);
    lineCorner(b, a, 1.0f);
    lineCorner(b, a, -1.0f);
}

// Mesa's split of a quad with the last vertex provoking: (0, 1, 3) and (1, 2, 3).
void quad(int v0, int v1, int v2, int v3) {
    triangle(v0, v1, v3);
    triangle(v1, v2, v3);
}

} // namespace

} // namespace webgl

using namespace webgl;

extern "C" {

void glBegin(GLenum mode) {
    primitive = mode;
    inside = true;
    gathered.clear();
}

void glEnd() {
    if (!inside)
        return;
    inside = false;
    const int count = int(gathered.size() / floatsPerVertex);
    expanded.clear();
    GLenum drawn = GL_TRIANGLES;
    const bool widen =
        fixedState().lineSmooth && currentProgram() != 0 &&
        (primitive == GL_LINES || primitive == GL_LINE_STRIP || primitive == GL_LINE_LOOP);
    if (widen) {
        const int step = primitive == GL_LINES ? 2 : 1;
        for (int i = 0; i + 1 < count; i += step)
            widenedSegment(i, i + 1);
        if (primitive == GL_LINE_LOOP && count > 2)
            widenedSegment(count - 1, 0);
        const int widenedCount = int(expanded.size() / floatsPerVertex);
        if (widenedCount > 0)
            drawVertices(GL_TRIANGLES, expanded.data(), widenedCount, true);
        return;
    }
    switch (primitive) {
    case GL_QUADS:
        for (int i = 0; i + 3 < count; i += 4)
            quad(i, i + 1, i + 2, i + 3);
        break;
    case GL_QUAD_STRIP:
        for (int i = 0; i + 3 < count; i += 2)
            quad(i + 2, i, i + 1, i + 3);
        break;
    case GL_POLYGON:
        for (int i = 1; i + 1 < count; ++i)
            triangle(0, i, i + 1);
        break;
    case GL_TRIANGLES:
    case GL_TRIANGLE_STRIP:
    case GL_TRIANGLE_FAN:
    case GL_LINES:
    case GL_LINE_STRIP:
    case GL_LINE_LOOP:
    case GL_POINTS:
        expanded.swap(gathered);
        drawn = primitive;
        break;
    default:
        return;
    }
    const int drawnCount = int(expanded.size() / floatsPerVertex);
    if (drawnCount > 0)
        drawVertices(drawn, expanded.data(), drawnCount, false);
}

void glVertex2f(GLfloat x, GLfloat y) {
    addVertex(x, y, 0.0f, 1.0f);
}
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    addVertex(x, y, z, 1.0f);
}
void glVertex2i(GLint x, GLint y) {
    addVertex(float(x), float(y), 0.0f, 1.0f);
}

void glTexCoord2f(GLfloat s, GLfloat t) {
    current.texCoord[0] = s;
    current.texCoord[1] = t;
    current.texCoord[2] = 0.0f;
    current.texCoord[3] = 1.0f;
}
void glTexCoord2i(GLint s, GLint t) {
    glTexCoord2f(float(s), float(t));
}

void glColor3f(GLfloat red, GLfloat green, GLfloat blue) {
    current.color[0] = red;
    current.color[1] = green;
    current.color[2] = blue;
    current.color[3] = 1.0f;
}
void glColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha) {
    glColor3f(red, green, blue);
    current.color[3] = alpha;
}

void glNormal3f(GLfloat x, GLfloat y, GLfloat z) {
    current.normal[0] = x;
    current.normal[1] = y;
    current.normal[2] = z;
}

// A rectangle is a polygon of its four corners, counter-clockwise from (x1, y1).
void glRecti(GLint x1, GLint y1, GLint x2, GLint y2) {
    glBegin(GL_POLYGON);
    glVertex2i(x1, y1);
    glVertex2i(x2, y1);
    glVertex2i(x2, y2);
    glVertex2i(x1, y2);
    glEnd();
}

} // extern "C"
