// The model-view, projection and texture matrix stacks, and gluPerspective, computed as Mesa
// computes them so the web's vertices land where the desktop's do.
#include "platform/web/gl/Layer.h"

#include <GL/glu.h>

#include <cmath>
#include <cstring>

namespace webgl {

namespace {

constexpr int stackDepth = 32;

struct Stack {
    Matrix levels[stackDepth];
    int top = 0;
};

Matrix identity() {
    Matrix matrix{};
    matrix.m[0] = matrix.m[5] = matrix.m[10] = matrix.m[15] = 1.0f;
    return matrix;
}

Stack makeStack() {
    Stack stack;
    stack.levels[0] = identity();
    return stack;
}

Stack modelView = makeStack();
Stack projection = makeStack();
Stack texture = makeStack();
Stack* current = &modelView;

Matrix& top() {
    return current->levels[current->top];
}

// top = top * right
void multiply(const float* right) {
    Matrix product{};
    const float* left = top().m;
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += left[k * 4 + row] * right[column * 4 + k];
            product.m[column * 4 + row] = sum;
        }
    top() = product;
}

} // namespace

const Matrix& modelViewMatrix() {
    return modelView.levels[modelView.top];
}
const Matrix& projectionMatrix() {
    return projection.levels[projection.top];
}

} // namespace webgl

using namespace webgl;

extern "C" {

void glMatrixMode(GLenum mode) {
    current = mode == GL_PROJECTION ? &projection : mode == GL_TEXTURE ? &texture : &modelView;
}

void glLoadIdentity() {
    top() = identity();
}

void glLoadMatrixf(const GLfloat* values) {
    std::memcpy(top().m, values, sizeof top().m);
}

void glMultMatrixf(const GLfloat* values) {
    multiply(values);
}

void glPushMatrix() {
    if (current->top + 1 < stackDepth) {
        current->levels[current->top + 1] = top();
        ++current->top;
    }
}

void glPopMatrix() {
    if (current->top > 0)
        --current->top;
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    float* m = top().m;
    for (int row = 0; row < 4; ++row)
        m[12 + row] = m[row] * x + m[4 + row] * y + m[8 + row] * z + m[12 + row];
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    const float radians = angle * float(M_PI / 180.0);
    const float s = std::sin(radians);
    const float c = std::cos(radians);
    const float length = std::sqrt(x * x + y * y + z * z);
    if (length == 0.0f)
        return;
    x /= length;
    y /= length;
    z /= length;
    const float one = 1.0f - c;
    const float r[16] = {x * x * one + c,
                         y * x * one + z * s,
                         x * z * one - y * s,
                         0.0f,
                         x * y * one - z * s,
                         y * y * one + c,
                         y * z * one + x * s,
                         0.0f,
                         x * z * one + y * s,
                         y * z * one - x * s,
                         z * z * one + c,
                         0.0f,
                         0.0f,
                         0.0f,
                         0.0f,
                         1.0f};
    multiply(r);
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
    const double radians = fovy / 2.0 * M_PI / 180.0;
    const double deltaZ = zFar - zNear;
    const double sine = std::sin(radians);
    if (deltaZ == 0.0 || sine == 0.0 || aspect == 0.0)
        return;
    const double cotangent = std::cos(radians) / sine;
    float m[16] = {};
    m[0] = float(cotangent / aspect);
    m[5] = float(cotangent);
    m[10] = float(-(zFar + zNear) / deltaZ);
    m[11] = -1.0f;
    m[14] = float(-2.0 * zNear * zFar / deltaZ);
    multiply(m);
}

} // extern "C"
