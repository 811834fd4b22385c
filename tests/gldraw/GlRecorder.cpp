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

// Client arrays: whether each is enabled, and its data when it can be read.
std::map<GLenum, bool> enabled;
std::map<GLenum, const GLfloat*> packed;
int width(GLenum cap) { return cap == GL_COLOR_ARRAY ? 4 : 3; }

void setArray(const char* name, GLenum cap, GLint size, GLenum type, GLsizei stride,
              const GLvoid* data) {
    record(name, size, type, stride);
    const bool readable = type == GL_FLOAT && stride == 0 && size == width(cap);
    packed[cap] = readable ? static_cast<const GLfloat*>(data) : nullptr;
}
void enableArray(const char* name, GLenum cap, bool on) {
    record(name, cap);
    enabled[cap] = on;
}

}  // namespace

namespace glrecorder {

void start(bool log) {
    callLog.clear();
    logging = log;
}
const Calls& calls() { return callLog; }
long long callCount() { return counter; }
int enabledClientArrays() {
    return int(std::count_if(enabled.begin(), enabled.end(), [](auto& a) { return a.second; }));
}

}  // namespace glrecorder

extern "C" {

void glBegin(GLenum mode) { record("glBegin", mode); }
void glEnd() { record("glEnd"); }
void glVertex3d(GLdouble x, GLdouble y, GLdouble z) { record("glVertex3d", x, y, z); }
void glNormal3d(GLdouble x, GLdouble y, GLdouble z) { record("glNormal3d", x, y, z); }
void glColor3d(GLdouble r, GLdouble g, GLdouble b) { record("glColor3d", r, g, b); }
void glColor4d(GLdouble r, GLdouble g, GLdouble b, GLdouble a) { record("glColor4d", r, g, b, a); }
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { record("glColor4f", r, g, b, a); }
void glPushMatrix() { record("glPushMatrix"); }
void glPopMatrix() { record("glPopMatrix"); }
void glTranslated(GLdouble x, GLdouble y, GLdouble z) { record("glTranslated", x, y, z); }
void glMatrixMode(GLenum mode) { record("glMatrixMode", mode); }
void glLoadIdentity() { record("glLoadIdentity"); }
void gluPerspective(GLdouble y, GLdouble a, GLdouble n, GLdouble f) {
    record("gluPerspective", y, a, n, f);
}
void gluLookAt(GLdouble ex, GLdouble ey, GLdouble ez, GLdouble cx, GLdouble cy, GLdouble cz,
               GLdouble ux, GLdouble uy, GLdouble uz) {
    record("gluLookAt", ex, ey, ez, cx, cy, cz, ux, uy, uz);
}
void glViewport(GLint x, GLint y, GLsizei w, GLsizei h) { record("glViewport", x, y, w, h); }
void glClear(GLbitfield mask) { record("glClear", mask); }
void glEnable(GLenum cap) { record("glEnable", cap); }
void glDisable(GLenum cap) { record("glDisable", cap); }
void glDepthFunc(GLenum func) { record("glDepthFunc", func); }
void glBlendFunc(GLenum source, GLenum target) { record("glBlendFunc", source, target); }
void glLightf(GLenum light, GLenum pname, GLfloat p) { record("glLightf", light, pname, p); }
void glLightfv(GLenum light, GLenum pname, const GLfloat* p) {
    record("glLightfv", light, pname, p[0], p[1], p[2]);
    if (logging && pname != GL_SPOT_DIRECTION) callLog.back().args.push_back(p[3]);
}
void glFogi(GLenum pname, GLint p) { record("glFogi", pname, p); }
void glFogf(GLenum pname, GLfloat p) { record("glFogf", pname, p); }
// The game passes only the fog colour.
void glFogfv(GLenum pname, const GLfloat* p) { record("glFogfv", pname, p[0], p[1], p[2], p[3]); }
GLuint glGenLists(GLsizei range) {
    record("glGenLists", range);
    return glrecorder::list;
}
void glNewList(GLuint list, GLenum mode) { record("glNewList", list, mode); }
void glEndList() { record("glEndList"); }
void glCallList(GLuint list) { record("glCallList", list); }
void glutSolidSphere(double radius, GLint s, GLint t) { record("glutSolidSphere", radius, s, t); }

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
            const GLfloat* data = valid && enabled[cap] ? packed[cap] : nullptr;
            for (int k = 0; k < width(cap); ++k)
                c.args.push_back(data != nullptr ? data[index * width(cap) + k] : std::nan(""));
        }
        callLog.push_back(std::move(c));
    }
}

// Queries are answered, not logged.
void glGetDoublev(GLenum pname, GLdouble* params) {
    const double f = 1.0 / std::tan(std::acos(-1.0) / 8.0);
    const double perspective[16] = {f, 0, 0, 0, 0, f, 0, 0, 0, 0, -1001.0 / 999.0, -1,
                                    0, 0, -2000.0 / 999.0, 0};
    const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const double* m = pname == GL_PROJECTION_MATRIX ? perspective : identity;
    std::copy(m, m + 16, params);
}
void glGetIntegerv(GLenum, GLint* params) {
    const GLint viewport[4] = {0, 0, 800, 600};
    std::copy(viewport, viewport + 4, params);
}

}  // extern "C"
