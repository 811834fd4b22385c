// Scene drawing of the ship: the camera with its headlight, the missiles with the hit test,
// and the heads-up display on a plane 2.0 in front of the eye.
#include <GL/gl.h>
#include <GL/glu.h>

#include "bodies/Missile.h"
#include "bodies/NavigationArrow.h"
#include "bodies/Schiff.h"

void Schiff::placeCamera() {
    const Vektor3D centre = position + forward;
    gluLookAt(position.x, position.y, position.z, centre.x, centre.y, centre.z, up.x, up.y, up.z);
    updateHudOrigin();
    // Given after the look-at, so the light sits at the eye and shines along the view.
    const GLfloat lightPosition[4] = {static_cast<GLfloat>(position.x),
                                      static_cast<GLfloat>(position.y),
                                      static_cast<GLfloat>(position.z), 1.0f};
    glLightfv(GL_LIGHT1, GL_POSITION, lightPosition);
    const GLfloat lightDirection[3] = {static_cast<GLfloat>(forward.x),
                                       static_cast<GLfloat>(forward.y),
                                       static_cast<GLfloat>(forward.z)};
    glLightfv(GL_LIGHT1, GL_SPOT_DIRECTION, lightDirection);
}

void Schiff::drawMissilesAndHud() {
    for (Missile& missile : missiles) {
        missile.draw();
    }
    markTumorHit();

    // Display coordinates: a to the left of the screen, b up; every vertex has c = 0.
    glDepthFunc(GL_ALWAYS);

    // Speed wedges. For an orthonormal frame each height is |1 + v| - 1, v being the velocity
    // component along forward, side and up.
    const Vektor3D leftward = up.cross(forward);
    const double forwardSpeed = (up + forward.cross(up.cross(velocity))).length() - 1.0;
    const double sideSpeed = (up + leftward.cross(up.cross(velocity))).length() - 1.0;
    const double upSpeed = (forward + up.cross(forward.cross(velocity))).length() - 1.0;
    glBegin(GL_TRIANGLES);
    glNormal3d(-forward.x, -forward.y, -forward.z);  // stays current for the whole display
    glColor4f(10.0f, 0.0f, 0.0f, 0.3f);
    hudVertex(-0.02, 0.0, 0.0);
    hudVertex(0.0, 0.0, 0.0);
    hudVertex(0.0, forwardSpeed, 0.0);
    glColor4f(0.0f, 10.0f, 0.0f, 0.3f);
    hudVertex(0.0, -0.01, 0.0);
    hudVertex(0.0, 0.01, 0.0);
    hudVertex(sideSpeed, 0.0, 0.0);
    glColor4f(0.0f, 0.0f, 10.0f, 0.3f);
    hudVertex(0.02, 0.0, 0.0);
    hudVertex(0.0, 0.0, 0.0);
    hudVertex(0.0, upSpeed, 0.0);
    glEnd();

    // Health gauge at the right edge: green at full health, turning red; pale above up to 0.5.
    const double healthTop = health / 20.0;
    glColor4f(10.0f - health, health, 0.0f, 0.3f);
    glBegin(GL_POLYGON);
    hudVertex(-0.8, 0.0, 0.0);
    hudVertex(-0.78, 0.0, 0.0);
    hudVertex(-0.78, healthTop, 0.0);
    hudVertex(-0.8, healthTop, 0.0);
    glEnd();
    glColor4f(10.0f, 10.0f, 10.0f, 0.2f);
    glBegin(GL_POLYGON);
    hudVertex(-0.8, 0.5, 0.0);
    hudVertex(-0.78, 0.5, 0.0);
    hudVertex(-0.78, healthTop, 0.0);
    hudVertex(-0.8, healthTop, 0.0);
    glEnd();

    // Time gauge at the left edge: blue with the full three minutes, turning red.
    const double timeShare = timeLeft / 180000.0;
    const double timeTop = timeLeft / 360000.0;
    glColor4f(static_cast<GLfloat>(10.0 * (1.0 - timeShare)), 0.0f,
              static_cast<GLfloat>(10.0 * timeShare), 0.3f);
    glBegin(GL_POLYGON);
    hudVertex(0.8, 0.0, 0.0);
    hudVertex(0.78, 0.0, 0.0);
    hudVertex(0.78, timeTop, 0.0);
    hudVertex(0.8, timeTop, 0.0);
    glEnd();
    glColor4f(10.0f, 10.0f, 10.0f, 0.2f);
    glBegin(GL_POLYGON);
    hudVertex(0.8, 0.5, 0.0);
    hudVertex(0.78, 0.5, 0.0);
    hudVertex(0.78, timeTop, 0.0);
    hudVertex(0.8, timeTop, 0.0);
    glEnd();

    // Navigation arrow from the display point (0.5, -0.5) toward the target. Kept for the
    // whole run and rebuilt every frame.
    static NavigationArrow arrow;
    const Vektor3D anchor = ((position + forward * 2.0) + up * (-0.5)) + leftward * 0.5;
    arrow = NavigationArrow(anchor, target - anchor);
    arrow.draw();

    // Reload bar along the bottom, shrinking as the cooldown runs down.
    if (fireCooldown > 0) {
        const double halfWidth = fireCooldown / 2000.0;
        glColor4f(10.0f, 10.0f, 0.0f, 0.3f);
        glBegin(GL_POLYGON);
        hudVertex(halfWidth, -0.78, 0.0);
        hudVertex(halfWidth, -0.8, 0.0);
        hudVertex(-halfWidth, -0.8, 0.0);
        hudVertex(-halfWidth, -0.78, 0.0);
        glEnd();
    }

    // Crosshair: one triangle per quadrant, dark at the inner corner, bright outside.
    const double crosshair[4][3][2] = {
        {{-0.01, 0.01}, {-0.01, 0.05}, {-0.05, 0.01}},
        {{0.01, 0.01}, {0.01, 0.05}, {0.05, 0.01}},
        {{0.01, -0.01}, {0.05, -0.01}, {0.01, -0.05}},
        {{-0.01, -0.01}, {-0.05, -0.01}, {-0.01, -0.05}},
    };
    glBegin(GL_TRIANGLES);
    for (const auto& corners : crosshair) {
        glColor4d(0.0, 0.0, 0.0, 0.3);
        hudVertex(corners[0][0], corners[0][1], 0.0);
        glColor4d(10.0, 10.0, 10.0, 0.3);
        hudVertex(corners[1][0], corners[1][1], 0.0);
        glColor4d(10.0, 10.0, 10.0, 0.3);
        hudVertex(corners[2][0], corners[2][1], 0.0);
    }
    glEnd();

    glDepthFunc(GL_LESS);
}
