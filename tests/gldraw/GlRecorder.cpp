// The recording stand-in. It defines the GL, GLU and GLUT functions with the prototypes of the
// system headers, so the game's sources link against it instead of libGL, libGLU and freeglut.
#include "GlRecorder.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/glut.h>

namespace {

std::vector<GlCall> callLog;
bool logging = true;
long long counter = 0;

void record(const char* name, std::initializer_list<double> args) {
    ++counter;
    if (logging) {
        callLog.push_back(GlCall{name, std::vector<double>(args)});
    }
}

// A client array as the game sets it: floats, tightly packed unless a stride is given.
struct ClientArray {
    bool enabled = false;
    int size = 0;
    GLsizei stride = 0;
    const void* data = nullptr;

    double read(GLuint index, int component) const {
        if (!enabled || data == nullptr || component >= size) {
            return std::nan("");
        }
        const GLsizei step = stride != 0 ? stride : static_cast<GLsizei>(size * sizeof(GLfloat));
        const auto* bytes = static_cast<const unsigned char*>(data) + index * step;
        return reinterpret_cast<const GLfloat*>(bytes)[component];
    }
};

ClientArray vertexArray, normalArray, colourArray;

struct ViewState {
    double projection[16] = {1e-3, 0, 0, 0, 0, 1e-3, 0, 0, 0, 0, 1e-3, 0, 0, 0, 0, 1};
    double modelView[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    int viewport[4] = {-1000000000, -1000000000, 2000000000, 2000000000};
};
ViewState view;

ClientArray* clientArray(GLenum cap) {
    switch (cap) {
    case GL_VERTEX_ARRAY: return &vertexArray;
    case GL_NORMAL_ARRAY: return &normalArray;
    case GL_COLOR_ARRAY: return &colourArray;
    default: return nullptr;
    }
}

void recordElement(GLuint index) {
    if (!logging) {
        return;
    }
    GlCall c{glrecorder::element, {static_cast<double>(index)}};
    for (int k = 0; k < 3; ++k) c.args.push_back(vertexArray.read(index, k));
    for (int k = 0; k < 3; ++k) c.args.push_back(normalArray.read(index, k));
    for (int k = 0; k < 4; ++k) c.args.push_back(colourArray.read(index, k));
    callLog.push_back(std::move(c));
}

}  // namespace

namespace glrecorder {

void start() {
    callLog.clear();
    logging = true;
    view = ViewState();
}

void setView(const double projection[16], const double modelView[16], const int viewport[4]) {
    std::copy(projection, projection + 16, view.projection);
    std::copy(modelView, modelView + 16, view.modelView);
    std::copy(viewport, viewport + 4, view.viewport);
}

const std::vector<GlCall>& calls() { return callLog; }

void countOnly() {
    callLog.clear();
    logging = false;
}

long long callCount() { return counter; }

int enabledClientArrays() {
    return int{vertexArray.enabled} + int{normalArray.enabled} + int{colourArray.enabled};
}

}  // namespace glrecorder

extern "C" {

void glBegin(GLenum mode) { record("glBegin", {static_cast<double>(mode)}); }
void glEnd() { record("glEnd", {}); }
void glVertex3d(GLdouble x, GLdouble y, GLdouble z) { record("glVertex3d", {x, y, z}); }
void glNormal3d(GLdouble x, GLdouble y, GLdouble z) { record("glNormal3d", {x, y, z}); }
void glColor4d(GLdouble r, GLdouble g, GLdouble b, GLdouble a) {
    record("glColor4d", {r, g, b, a});
}
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { record("glColor4f", {r, g, b, a}); }
void glPushMatrix() { record("glPushMatrix", {}); }
void glPopMatrix() { record("glPopMatrix", {}); }
void glTranslated(GLdouble x, GLdouble y, GLdouble z) { record("glTranslated", {x, y, z}); }
void glDepthFunc(GLenum func) { record("glDepthFunc", {static_cast<double>(func)}); }

void glEnableClientState(GLenum cap) {
    record("glEnableClientState", {static_cast<double>(cap)});
    if (ClientArray* a = clientArray(cap)) a->enabled = true;
}
void glDisableClientState(GLenum cap) {
    record("glDisableClientState", {static_cast<double>(cap)});
    if (ClientArray* a = clientArray(cap)) a->enabled = false;
}
void glVertexPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* data) {
    record("glVertexPointer", {static_cast<double>(size), static_cast<double>(type),
                               static_cast<double>(stride)});
    vertexArray.size = type == GL_FLOAT ? size : 0;
    vertexArray.stride = stride;
    vertexArray.data = data;
}
void glNormalPointer(GLenum type, GLsizei stride, const GLvoid* data) {
    record("glNormalPointer", {static_cast<double>(type), static_cast<double>(stride)});
    normalArray.size = type == GL_FLOAT ? 3 : 0;
    normalArray.stride = stride;
    normalArray.data = data;
}
void glColorPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* data) {
    record("glColorPointer", {static_cast<double>(size), static_cast<double>(type),
                              static_cast<double>(stride)});
    colourArray.size = type == GL_FLOAT ? size : 0;
    colourArray.stride = stride;
    colourArray.data = data;
}
// Queries are answered, not logged.
void glGetDoublev(GLenum pname, GLdouble* params) {
    if (pname == GL_PROJECTION_MATRIX) {
        std::copy(view.projection, view.projection + 16, params);
    } else if (pname == GL_MODELVIEW_MATRIX) {
        std::copy(view.modelView, view.modelView + 16, params);
    }
}
void glGetIntegerv(GLenum pname, GLint* params) {
    if (pname == GL_VIEWPORT) {
        std::copy(view.viewport, view.viewport + 4, params);
    }
}

// Indices outside start..end are logged as they are; the tests check the range.
void glDrawRangeElements(GLenum mode, GLuint start, GLuint end, GLsizei count, GLenum type,
                         const GLvoid* indices) {
    record("glDrawRangeElements", {static_cast<double>(mode), static_cast<double>(start),
                                   static_cast<double>(end), static_cast<double>(count),
                                   static_cast<double>(type)});
    for (GLsizei i = 0; i < count; ++i) {
        GLuint index = 0;
        if (type == GL_UNSIGNED_SHORT) {
            index = static_cast<const GLushort*>(indices)[i];
        } else if (type == GL_UNSIGNED_INT) {
            index = static_cast<const GLuint*>(indices)[i];
        } else {
            index = static_cast<const GLubyte*>(indices)[i];
        }
        recordElement(index);
    }
}

void glLightfv(GLenum light, GLenum pname, const GLfloat* params) {
    if (pname == GL_SPOT_DIRECTION) {
        record("glLightfv", {static_cast<double>(light), static_cast<double>(pname), params[0],
                             params[1], params[2]});
    } else {
        record("glLightfv", {static_cast<double>(light), static_cast<double>(pname), params[0],
                             params[1], params[2], params[3]});
    }
}

void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY,
               GLdouble centerZ, GLdouble upX, GLdouble upY, GLdouble upZ) {
    record("gluLookAt", {eyeX, eyeY, eyeZ, centerX, centerY, centerZ, upX, upY, upZ});
}

void glutSolidSphere(double radius, GLint slices, GLint stacks) {
    record("glutSolidSphere", {radius, static_cast<double>(slices), static_cast<double>(stacks)});
}

}  // extern "C"
