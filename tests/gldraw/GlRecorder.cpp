// The recording stand-in. It defines the GL, GLU and GLUT functions with the prototypes of the
// system headers, so the game's sources link against it instead of libGL, libGLU and freeglut.
#include "GlRecorder.h"

#include <algorithm>
#include <cmath>
#include <map>

#include <GL/glut.h>  // with GL/gl.h and GL/glu.h

namespace {

Calls callLog;
bool logging = true;
long long counter = 0;

template <typename... Args>
void record(const char* name, Args... args) {
    ++counter;
    if (logging) callLog.push_back(GlCall{name, {double(args)...}});
}

// A client array; only tightly packed floats are read, anything else reads as NaN.
struct ClientArray {
    bool enabled = false;
    int size = 0;
    const GLfloat* data = nullptr;
    double read(GLuint index, int k) const {
        return enabled && data != nullptr && k < size ? data[index * size + k] : std::nan("");
    }
};
std::map<GLenum, ClientArray> arrays;

void setArray(const char* name, GLenum cap, GLint size, GLenum type, GLsizei stride,
              const GLvoid* data) {
    record(name, size, type, stride);
    const bool packed = type == GL_FLOAT && stride == 0;
    arrays[cap] = {arrays[cap].enabled, size, packed ? static_cast<const GLfloat*>(data) : nullptr};
}
void enableArray(const char* name, GLenum cap, bool enabled) {
    record(name, cap);
    arrays[cap].enabled = enabled;
}

struct View {
    double projection[16] = {1e-3, 0, 0, 0, 0, 1e-3, 0, 0, 0, 0, 1e-3, 0, 0, 0, 0, 1};
    double modelView[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    int viewport[4] = {-1000000000, -1000000000, 2000000000, 2000000000};
} view;

}  // namespace

namespace glrecorder {

void start() {
    callLog.clear();
    logging = true;
    view = View();
}
const Calls& calls() { return callLog; }
void countOnly() {
    callLog.clear();
    logging = false;
}
long long callCount() { return counter; }
int enabledClientArrays() {
    return int(std::count_if(arrays.begin(), arrays.end(),
                             [](const auto& a) { return a.second.enabled; }));
}
void setView(const double projection[16], const double modelView[16], const int viewport[4]) {
    std::copy(projection, projection + 16, view.projection);
    if (modelView != nullptr) std::copy(modelView, modelView + 16, view.modelView);
    std::copy(viewport, viewport + 4, view.viewport);
}

}  // namespace glrecorder

extern "C" {

void glBegin(GLenum mode) { record("glBegin", mode); }
void glEnd() { record("glEnd"); }
void glVertex3d(GLdouble x, GLdouble y, GLdouble z) { record("glVertex3d", x, y, z); }
void glNormal3d(GLdouble x, GLdouble y, GLdouble z) { record("glNormal3d", x, y, z); }
void glColor4d(GLdouble r, GLdouble g, GLdouble b, GLdouble a) { record("glColor4d", r, g, b, a); }
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { record("glColor4f", r, g, b, a); }
void glPushMatrix() { record("glPushMatrix"); }
void glPopMatrix() { record("glPopMatrix"); }
void glTranslated(GLdouble x, GLdouble y, GLdouble z) { record("glTranslated", x, y, z); }
void glDepthFunc(GLenum func) { record("glDepthFunc", func); }
void glutSolidSphere(double radius, GLint s, GLint t) { record("glutSolidSphere", radius, s, t); }
void gluLookAt(GLdouble ex, GLdouble ey, GLdouble ez, GLdouble cx, GLdouble cy, GLdouble cz,
               GLdouble ux, GLdouble uy, GLdouble uz) {
    record("gluLookAt", ex, ey, ez, cx, cy, cz, ux, uy, uz);
}
void glLightfv(GLenum light, GLenum pname, const GLfloat* p) {
    record("glLightfv", light, pname, p[0], p[1], p[2]);
    if (logging && pname != GL_SPOT_DIRECTION) callLog.back().args.push_back(p[3]);
}

void glEnableClientState(GLenum cap) { enableArray("glEnableClientState", cap, true); }
void glDisableClientState(GLenum cap) { enableArray("glDisableClientState", cap, false); }
void glVertexPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* data) {
    setArray("glVertexPointer", GL_VERTEX_ARRAY, size, type, stride, data);
}
void glNormalPointer(GLenum type, GLsizei stride, const GLvoid* data) {
    setArray("glNormalPointer", GL_NORMAL_ARRAY, 3, type, stride, data);
}
void glColorPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* data) {
    setArray("glColorPointer", GL_COLOR_ARRAY, size, type, stride, data);
}

void glDrawRangeElements(GLenum mode, GLuint start, GLuint end, GLsizei count, GLenum type,
                         const GLvoid* indices) {
    record("glDrawRangeElements", mode, start, end, count, type);
    for (GLsizei i = 0; logging && i < count; ++i) {
        const GLuint index = static_cast<const GLushort*>(indices)[i];
        const bool valid = type == GL_UNSIGNED_SHORT && index >= start && index <= end;
        GlCall c{glrecorder::element, {}};
        for (GLenum cap : {GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_COLOR_ARRAY}) {
            for (int k = 0; k < (cap == GL_COLOR_ARRAY ? 4 : 3); ++k) {
                c.args.push_back(valid ? arrays[cap].read(index, k) : std::nan(""));
            }
        }
        callLog.push_back(std::move(c));
    }
}

// Queries are answered, not logged.
void glGetDoublev(GLenum pname, GLdouble* params) {
    if (pname == GL_PROJECTION_MATRIX) std::copy(view.projection, view.projection + 16, params);
    if (pname == GL_MODELVIEW_MATRIX) std::copy(view.modelView, view.modelView + 16, params);
}
void glGetIntegerv(GLenum pname, GLint* params) {
    if (pname == GL_VIEWPORT) std::copy(view.viewport, view.viewport + 4, params);
}

}  // extern "C"
