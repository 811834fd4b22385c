// The recording stand-in. It defines the GL, GLU and GLUT functions with the prototypes of the
// system headers, so the game's sources link against it instead of libGL, libGLU and freeglut.
#include "GlRecorder.h"

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

}  // namespace

namespace glrecorder {

void start() {
    callLog.clear();
    logging = true;
}

const std::vector<GlCall>& calls() { return callLog; }

void countOnly() {
    callLog.clear();
    logging = false;
}

long long callCount() { return counter; }

}  // namespace glrecorder

extern "C" {

void glBegin(GLenum mode) { record("glBegin", {static_cast<double>(mode)}); }
void glEnd() { record("glEnd", {}); }
void glVertex3d(GLdouble x, GLdouble y, GLdouble z) { record("glVertex3d", {x, y, z}); }
void glNormal3d(GLdouble x, GLdouble y, GLdouble z) { record("glNormal3d", {x, y, z}); }
void glColor4d(GLdouble r, GLdouble g, GLdouble b, GLdouble a) { record("glColor4d", {r, g, b, a}); }
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { record("glColor4f", {r, g, b, a}); }
void glPushMatrix() { record("glPushMatrix", {}); }
void glPopMatrix() { record("glPopMatrix", {}); }
void glTranslated(GLdouble x, GLdouble y, GLdouble z) { record("glTranslated", {x, y, z}); }
void glDepthFunc(GLenum func) { record("glDepthFunc", {static_cast<double>(func)}); }

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
